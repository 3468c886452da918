// Hot keys on a private X server: registering and releasing a hundred combinations (every lock
// variant grabbed and checked), and a press through XTest until the handler runs.

#include <benchmark/benchmark.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/input/KeyCodeMap.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "tests/support/XDesktop.h"

namespace {

using platform::X11HotKeys;
using testsupport::XDesktop;
namespace Mod = platform::CarbonModifier;

void BM_RegisterAndUnregister100HotKeys(benchmark::State& state) {
    XDesktop desktop;
    auto hotKeys = desktop.ready() ? X11HotKeys::open([](auto task) { task(); }) : nullptr;
    if (!hotKeys) {
        state.SkipWithError("no desktop");
        return;
    }
    const uint32_t mods[] = {Mod::kControl | Mod::kOption, Mod::kCmd | Mod::kShift};
    std::vector<std::pair<uint16_t, uint32_t>> combinations;
    for (const auto& entry : platform::KeyCodeMap::entries()) {
        for (uint32_t m : mods)
            if (combinations.size() < 100) combinations.emplace_back(entry.virtualKeyCode, m);
    }
    int refused = 0;
    std::vector<X11HotKeys::Ref> refs;
    for (auto _ : state) {
        refs.clear();
        for (const auto& [key, m] : combinations) {
            X11HotKeys::Ref ref = 0;
            if (hotKeys->registerHotKey(key, m, 1, 1, ref) == 0)
                refs.push_back(ref);
            else
                ++refused;
        }
        for (auto ref : refs) hotKeys->unregisterHotKey(ref);
    }
    state.counters["refused"] = refused / static_cast<double>(state.iterations());
    state.SetItemsProcessed(state.iterations() * 100);
}

// From the fake key press sent to the server to the handler, with the post to the main queue
// done inline.
void BM_PressToHandler(benchmark::State& state) {
    XDesktop desktop;
    std::mutex mutex;
    std::condition_variable fired;
    int count = 0;
    auto hotKeys = desktop.ready() ? X11HotKeys::open([](auto task) { task(); }) : nullptr;
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    X11HotKeys::Ref ref = 0;
    if (!hotKeys || xcb_connection_has_error(c) ||
        hotKeys->registerHotKey(32, Mod::kControl | Mod::kOption, 1, 1, ref) != 0) {
        xcb_disconnect(c);
        state.SkipWithError("no desktop or the hot key was refused");
        return;
    }
    hotKeys->setHandler([&](uint32_t, uint32_t) {
        std::lock_guard lock(mutex);
        ++count;
        fired.notify_all();
    });
    const uint8_t control = *platform::KeyCodeMap::x11KeyCode(59);
    const uint8_t alt = *platform::KeyCodeMap::x11KeyCode(58);
    const uint8_t u = *platform::KeyCodeMap::x11KeyCode(32);
    auto fake = [&](uint8_t type, uint8_t key) {
        xcb_test_fake_input(c, type, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
    };
    fake(XCB_KEY_PRESS, control);
    fake(XCB_KEY_PRESS, alt);
    for (auto _ : state) {
        std::unique_lock lock(mutex);
        const int before = count;
        fake(XCB_KEY_PRESS, u);
        fake(XCB_KEY_RELEASE, u);
        xcb_flush(c);
        fired.wait(lock, [&] { return count > before; });
    }
    fake(XCB_KEY_RELEASE, alt);
    fake(XCB_KEY_RELEASE, control);
    xcb_flush(c);
    xcb_disconnect(c);
}

}  // namespace

BENCHMARK(BM_RegisterAndUnregister100HotKeys)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PressToHandler)->Unit(benchmark::kMicrosecond)->UseRealTime();
