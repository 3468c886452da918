#pragma once

#include <chrono>
#include <functional>
#include <thread>

namespace testsupport {

// Polls `done` until it holds or `timeout` seconds passed; returns done(). The bound only keeps
// a broken build from hanging, so it is generous for a loaded machine.
inline bool waitFor(const std::function<bool()>& done, double timeout = 20) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::duration_cast<clock::duration>(
                                             std::chrono::duration<double>(timeout));
    while (!done()) {
        if (clock::now() >= deadline) return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

}  // namespace testsupport
