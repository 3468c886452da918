#include "platform/workspace/Workspace.h"

namespace platform {

bool RunningApplication::terminate() const {
    return workspace_ && pid_ > 0 && workspace_->terminateApplication(pid_);
}

bool RunningApplication::activate(uint64_t options) const {
    return workspace_ && pid_ > 0 && workspace_->activateApplication(pid_, options);
}

std::vector<RunningApplication> Workspace::runningApplicationsWithBundleIdentifier(
    const std::string& id) {
    std::vector<RunningApplication> found;
    for (auto& app : runningApplications()) {
        if (app.bundleIdentifier() == id) found.push_back(std::move(app));
    }
    return found;
}

std::optional<RunningApplication> Workspace::runningApplicationWithProcessIdentifier(int pid) {
    for (auto& app : runningApplications()) {
        if (app.processIdentifier() == pid) return std::move(app);
    }
    return std::nullopt;
}

}  // namespace platform
