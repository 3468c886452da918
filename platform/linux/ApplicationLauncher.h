#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/core/Error.h"
#include "platform/core/Result.h"
#include "platform/workspace/Bundle.h"

namespace platform {

// Starts an application bundle's program the way the OS's launch service does: detached from
// the caller, with the launch options in its environment (PURLANE_LAUNCH_OPTIONS), and returns
// only once the new process has registered on the session bus, so a request sent right after
// reaches it.
class ApplicationLauncher {
  public:
    static constexpr const char* kOptionsVariable = "PURLANE_LAUNCH_OPTIONS";
    // How long a launch waits for the program to register (10 s); PURLANE_LAUNCH_TIMEOUT
    // (seconds) overrides it.
    static double registrationTimeout();

    // The new process's pid.
    static Result<int> launch(const Bundle& bundle, uint64_t options,
                              const std::vector<std::string>& arguments);

    // "The application “Name” can’t be opened."
    static Error cannotOpen(const std::string& name, std::string detail = {});
};

}  // namespace platform
