#include "agent/updates/DirectAppUpdater.h"

#include "platform/workspace/Localization.h"

using namespace platform;

DirectAppUpdater::DirectAppUpdater(Updater& suUpdater, UserDefaults& defaults,
                                   std::function<Date()> now)
    : suUpdater_(suUpdater), defaults_(defaults), now_(std::move(now)) {}

void DirectAppUpdater::setup(AppUpdaterChannel channel, bool forceBetas) {
    channel_ = channel;
    useBetaFeed_ = false;
    suUpdater_.setUpdateCheckInterval(kCheckInterval);
    suUpdater_.setDelegate(this);
    if (forceBetas) {
        forceBetas_ = true;
        suUpdater_.checkForUpdatesInBackground();
        return;
    }
    if (!defaults_.boolForKey(kCheckAtStartup)) {
        suUpdater_.setAutomaticallyChecksForUpdates(false);
        return;
    }
    if (defaults_.boolForKey(kShowBetaReleases)) suUpdater_.checkForUpdatesInBackground();
    suUpdater_.setAutomaticallyChecksForUpdates(true);
}

void DirectAppUpdater::checkForUpdates() {
    suUpdater_.checkForUpdates();
    useBetaFeed_ = false;
}

void DirectAppUpdater::checkForBetaUpdates() {
    // The updater asks for the feed as the check starts, so the flag covers that one check.
    useBetaFeed_ = true;
    suUpdater_.checkForUpdates();
    useBetaFeed_ = false;
}

std::string DirectAppUpdater::feedName() const {
    if (channel_ == AppUpdaterChannel::purlane9dev) return rawValue(channel_);
    const bool beta = forceBetas_ || useBetaFeed_ || defaults_.boolForKey(kShowBetaReleases);
    return beta ? rawValue(channel_) + "-BETA" : rawValue(channel_);
}

std::string DirectAppUpdater::feedURLStringForUpdater(Updater&) {
    return std::string(kAppcastEndpoint) + feedName();
}

std::optional<long> DirectAppUpdater::daysSinceLastCheck() const {
    const auto last = suUpdater_.lastUpdateCheckDate();
    if (!last) return std::nullopt;
    return static_cast<long>(now_().calendarDayOrdinal() - last->calendarDayOrdinal());
}

bool DirectAppUpdater::overdueForUpdateCheck() {
    const auto days = daysSinceLastCheck();
    if (!days) {
        suUpdater_.checkForUpdatesInBackground();
        return false;
    }
    return *days > kOverdueDays;
}

std::string DirectAppUpdater::overdueForCheckMessage() {
    const auto days = daysSinceLastCheck();
    if (!days) return localized("You have not checked for updates:", "initial update notice");
    std::string format = localized("It has been %ld days since you last checked for any updates:",
                                   "update notice string");
    const auto at = format.find("%ld");
    if (at != std::string::npos) format.replace(at, 3, std::to_string(*days));
    return format;
}
