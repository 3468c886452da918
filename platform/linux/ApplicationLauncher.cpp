#include "platform/linux/ApplicationLauncher.h"

#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>

#include "platform/core/Log.h"
#include "platform/linux/AppRegistry.h"
#include "platform/linux/DetachedProcess.h"
#include "platform/linux/InstalledApplications.h"

namespace platform {

namespace {

constexpr double kDefaultRegistrationTimeout = 10;
// Asking the bus is a fraction of a millisecond; a short interval keeps a launch from waiting
// on the clock after the program registered.
constexpr auto kPollInterval = std::chrono::milliseconds(4);

}  // namespace

double ApplicationLauncher::registrationTimeout() {
    if (const char* text = std::getenv("PURLANE_LAUNCH_TIMEOUT")) {
        char* end = nullptr;
        const double seconds = std::strtod(text, &end);
        if (*text && *end == '\0' && seconds > 0 && std::isfinite(seconds)) return seconds;
    }
    return kDefaultRegistrationTimeout;
}

Error ApplicationLauncher::cannotOpen(const std::string& name, std::string detail) {
    return Error::other("The application \u201C" + name + "\u201D can\u2019t be opened.",
                        std::move(detail));
}

Result<int> ApplicationLauncher::launch(const Bundle& bundle, uint64_t options,
                                        const std::vector<std::string>& arguments) {
    const std::string name = InstalledApplications::displayName(bundle);
    const auto executable = bundle.executablePath();
    if (!executable) return cannotOpen(name, bundle.bundlePath().string() + " names no executable");
    if (access(executable->c_str(), X_OK) != 0)
        return cannotOpen(name, executable->string() + " is missing or not executable");

    auto pid = DetachedProcess::spawn(executable->string(), arguments,
                                      {{kOptionsVariable, std::to_string(options)}});
    if (!pid.ok()) return cannotOpen(name, pid.error().debugDescription());
    if (!AppRegistry::busAvailable()) {
        log("Launched " + name + " without a session bus: it cannot be reached");
        return *pid;
    }

    using Clock = std::chrono::steady_clock;
    const auto deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                             std::chrono::duration<double>(registrationTimeout()));
    for (;;) {
        if (AppRegistry::isRunning(*pid)) return *pid;
        if (!DetachedProcess::isAlive(*pid))
            return cannotOpen(name, executable->string() + " ended before it registered");
        if (Clock::now() >= deadline)
            return cannotOpen(name, executable->string() + " did not register in time");
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace platform
