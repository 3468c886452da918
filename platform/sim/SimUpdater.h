#pragma once

#include <optional>
#include <string>
#include <vector>

#include "platform/updates/Updater.h"

namespace platform {

// An updater that records what it is asked: each check asks the delegate for the feed, as the
// real one does when a check starts, and notes the address. Nothing is fetched.
class SimUpdater : public Updater {
  public:
    struct Check {
        bool interactive;
        std::string feed;
    };

    void setUpdateCheckInterval(double seconds) override { interval = seconds; }
    double updateCheckInterval() const override { return interval; }
    void setDelegate(UpdaterDelegate* d) override { delegate = d; }
    void setAutomaticallyChecksForUpdates(bool on) override {
        automatic = on;
        automaticSet.push_back(on);
    }
    bool automaticallyChecksForUpdates() const override { return automatic; }
    void checkForUpdates() override { check(true); }
    void checkForUpdatesInBackground() override { check(false); }
    std::optional<Date> lastUpdateCheckDate() const override { return lastCheck; }
    bool updateAvailable() const override { return available; }

    int backgroundChecks() const {
        int n = 0;
        for (const auto& c : checks) n += c.interactive ? 0 : 1;
        return n;
    }

    double interval = 0;
    UpdaterDelegate* delegate = nullptr;
    bool automatic = false;
    // Every call of setAutomaticallyChecksForUpdates, in order.
    std::vector<bool> automaticSet;
    std::optional<Date> lastCheck;
    bool available = false;
    std::vector<Check> checks;

  private:
    void check(bool interactive) {
        if (delegate && !delegate->updaterMayCheckForUpdates(*this)) return;
        checks.push_back({interactive, delegate ? delegate->feedURLStringForUpdater(*this) : ""});
    }
};

}  // namespace platform
