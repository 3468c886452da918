#pragma once

#include <functional>
#include <optional>
#include <string>

#include "agent/updates/AppUpdaterProtocol.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/updates/Updater.h"

// Drives the platform's updater: picks the feed by channel and by whether betas are wanted,
// sets the check schedule, and tells how long ago the user last checked.
class DirectAppUpdater : public AppUpdaterProtocol, public platform::UpdaterDelegate {
  public:
    static constexpr const char* kCheckAtStartup = "SUCheckAtStartup";
    static constexpr const char* kShowBetaReleases = "ShowBetaReleases";
    static constexpr double kCheckInterval = 43200;
    static constexpr int kOverdueDays = 59;
    // The vendor's appcast endpoint; the feed name follows.
    static constexpr const char* kAppcastEndpoint =
        "https://updates.halvik.com/appcast/updates.php?feed=";

    // `now` is the wall clock, for the calendar days since the last check.
    DirectAppUpdater(
        platform::Updater& suUpdater, platform::UserDefaults& defaults,
        std::function<platform::Date()> now = [] { return platform::Date::now(); });

    void setup(AppUpdaterChannel channel, bool forceBetas) override;
    void checkForUpdates() override;
    void checkForBetaUpdates() override;
    bool overdueForUpdateCheck() override;
    std::string overdueForCheckMessage() override;
    bool updateAvailable() const override { return suUpdater_.updateAvailable(); }

    // The updater's delegate.
    std::string feedURLStringForUpdater(platform::Updater&) override;
    bool updaterMayCheckForUpdates(platform::Updater&) override { return true; }

    // "PLAGENT", "PLAGENT-BETA", "PL9-DEV", ...
    std::string feedName() const;
    // Whole calendar days between the last check and today; nothing before the first check.
    std::optional<long> daysSinceLastCheck() const;

    AppUpdaterChannel channel() const { return channel_; }
    bool forceBetas() const { return forceBetas_; }
    bool useBetaFeed() const { return useBetaFeed_; }

  private:
    platform::Updater& suUpdater_;
    platform::UserDefaults& defaults_;
    std::function<platform::Date()> now_;
    bool useBetaFeed_ = false;
    bool forceBetas_ = false;
    AppUpdaterChannel channel_ = AppUpdaterChannel::purlane9;
};
