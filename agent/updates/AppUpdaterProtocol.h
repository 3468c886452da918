#pragma once

#include <string>

#include "agent/updates/AppUpdaterChannel.h"

// What the agent asks of an updater.
class AppUpdaterProtocol {
  public:
    virtual ~AppUpdaterProtocol() = default;
    virtual void setup(AppUpdaterChannel channel, bool forceBetas) = 0;
    virtual void checkForUpdates() = 0;
    virtual void checkForBetaUpdates() = 0;
    virtual bool overdueForUpdateCheck() = 0;
    virtual std::string overdueForCheckMessage() = 0;
    // A newer version was found and is neither skipped nor installed yet.
    virtual bool updateAvailable() const = 0;
};
