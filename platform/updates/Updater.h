#pragma once

#include <optional>
#include <string>

#include "platform/core/Date.h"

namespace platform {

class Updater;

// What the updater asks its owner: where the feed is and whether a check may run now.
class UpdaterDelegate {
  public:
    virtual ~UpdaterDelegate() = default;
    // Asked once at the start of every check; the check reads the feed at this address.
    virtual std::string feedURLStringForUpdater(Updater& updater) = 0;
    virtual bool updaterMayCheckForUpdates(Updater&) { return true; }
};

// The OS's software-update framework as the agent drives it: one shared updater per process
// that reads an appcast, offers a newer version to the user and installs it, checking on a
// schedule when automatic checks are on.
//
// User defaults it keeps (standard defaults): "SULastCheckTime" (date of the last completed
// check), "SUEnableAutomaticChecks", "SUScheduledCheckInterval", "SUSkippedVersion".
class Updater {
  public:
    static constexpr const char* kLastCheckTimeKey = "SULastCheckTime";
    static constexpr const char* kEnableAutomaticChecksKey = "SUEnableAutomaticChecks";
    static constexpr const char* kScheduledCheckIntervalKey = "SUScheduledCheckInterval";
    static constexpr const char* kSkippedVersionKey = "SUSkippedVersion";
    // A base URL ("http://127.0.0.1:8000") that replaces scheme, host and port of every feed
    // address, for tests and staging servers.
    static constexpr const char* kFeedBaseOverrideKey = "SUFeedBaseURLOverride";

    virtual ~Updater() = default;

    virtual void setUpdateCheckInterval(double seconds) = 0;
    virtual double updateCheckInterval() const = 0;
    // Not owned; nullptr removes it (checks then have no feed and fail).
    virtual void setDelegate(UpdaterDelegate* delegate) = 0;
    virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
    virtual bool automaticallyChecksForUpdates() const = 0;
    // A check the user asked for: every outcome is shown, also "up to date" and failures.
    virtual void checkForUpdates() = 0;
    // A quiet check: only an update found is shown; skipped versions stay skipped.
    virtual void checkForUpdatesInBackground() = 0;
    virtual std::optional<Date> lastUpdateCheckDate() const = 0;
    // Whether the last check found a version newer than this one that the user has neither
    // skipped nor installed yet.
    virtual bool updateAvailable() const = 0;
};

}  // namespace platform
