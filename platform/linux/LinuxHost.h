#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "platform/defaults/RegistrationDomain.h"
#include "platform/linux/DBusDistributedCenter.h"
#include "platform/linux/FileDefaultsStore.h"
#include "platform/linux/QtMainQueue.h"

namespace platform {

// The platform services of one real process on Linux: the Qt event loop as main queue, user
// defaults in files shared with every other process of the user, distributed notifications on
// the session bus. Make it on the main thread after the Qt application object.
class LinuxHost : public Host {
  public:
    explicit LinuxHost(std::string bundleIdentifier);
    ~LinuxHost() override;

    const std::string& bundleIdentifier() const override { return bundleIdentifier_; }
    MainQueue& mainQueue() override { return mainQueue_; }
    Clock& clock() override { return clock_; }
    NotificationCenter& notificationCenter() override {
        return NotificationCenter::defaultCenter();
    }
    DistributedNotificationCenter& distributedCenter() override { return *distributed_; }
    UserDefaults& standardUserDefaults() override { return suite(bundleIdentifier_); }
    UserDefaults& suite(const std::string& name) override;
    std::unique_ptr<SerialQueue> makeSerialQueue(const std::string& label) override;

    std::shared_ptr<FileDefaultsStore> defaultsStore() { return store_; }

  private:
    std::string bundleIdentifier_;
    QtMainQueue mainQueue_;
    SteadyClock clock_;
    std::shared_ptr<FileDefaultsStore> store_;
    std::shared_ptr<RegistrationDomain> registration_;
    std::unique_ptr<DBusDistributedCenter> distributed_;
    std::map<std::string, std::unique_ptr<UserDefaults>> defaults_;
};

}  // namespace platform
