#include "agent/actions/ActiveAppTracker.h"

using namespace platform;

ActiveAppTracker::ActiveAppTracker(Workspace& workspace, int ownProcessIdentifier)
    : workspace_(workspace), ownProcessIdentifier_(ownProcessIdentifier) {
    observer_ = workspace_.notificationCenter().addObserver(
        kWorkspaceDidActivateApplication, nullptr,
        [this](const Notification&) { updateFrontmostAppInfo(); });
}

ActiveAppTracker::~ActiveAppTracker() {
    workspace_.notificationCenter().removeObserver(observer_);
}

void ActiveAppTracker::updateFrontmostAppInfo() {
    const auto front = workspace_.frontmostApplication();
    // The agent's own popover came forward: keep naming the application behind it.
    if (activeUI && front && front->processIdentifier() == ownProcessIdentifier_) return;
    frontApplication = front;
    if (!front) return;
    frontProcessID = front->processIdentifier();
    frontBundleID = front->bundleIdentifier();
    frontAppName = front->localizedName().empty()
                       ? std::nullopt
                       : std::optional<std::string>(front->localizedName());
}
