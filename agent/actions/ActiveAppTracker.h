#pragma once

#include <optional>
#include <string>

#include "platform/workspace/Workspace.h"

// Remembers the application that was in front before the agent's own popover or palette came
// forward, so actions apply to the application the user came from.
class ActiveAppTracker {
  public:
    // `ownProcessIdentifier`: the agent's, whose activation is ignored while its UI is active.
    ActiveAppTracker(platform::Workspace& workspace, int ownProcessIdentifier);
    ~ActiveAppTracker();
    ActiveAppTracker(const ActiveAppTracker&) = delete;
    ActiveAppTracker& operator=(const ActiveAppTracker&) = delete;

    // Observer of the workspace's did-activate notification.
    void updateFrontmostAppInfo();

    bool activeUI = false;
    std::optional<platform::RunningApplication> frontApplication;
    std::optional<std::string> frontAppName;
    std::optional<std::string> frontBundleID;
    int32_t frontProcessID = -1;

  private:
    platform::Workspace& workspace_;
    int ownProcessIdentifier_;
    platform::ObserverToken observer_;
};
