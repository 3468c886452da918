#pragma once

#include <string>

#include "agent/updates/AppUpdaterProtocol.h"
#include "platform/notifications/NotificationCenter.h"

// The agent's one front for software updates. Without an updater, checks only post the
// notification, the overdue test says no and the message is empty.
class AppUpdater {
  public:
    static constexpr const char* checkedForUpdates = "AppUpdater.checkedForUpdates";

    // `directUpdater` may be null (no self-update in this installation).
    AppUpdater(AppUpdaterProtocol* directUpdater, platform::NotificationCenter& center);

    // The process's instance; null until main makes one. Setting it also sets canSelfUpdate.
    static AppUpdater* shared();
    static void setShared(AppUpdater* updater);
    static bool canSelfUpdate();
    static void setCanSelfUpdate(bool value);

    AppUpdaterProtocol* directUpdater() const { return directUpdater_; }

    void setup(AppUpdaterChannel channel, bool forceBetas);
    void checkForUpdates();
    void checkForBetaUpdates();
    bool overdueForUpdateCheck();
    std::string overdueForCheckMessage();
    // For the popover's update notice.
    bool updateAvailable() const;

  private:
    AppUpdaterProtocol* directUpdater_;
    platform::NotificationCenter& center_;
};
