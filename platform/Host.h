#pragma once

#include <memory>
#include <string>

#include "platform/core/MainQueue.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/DistributedNotificationCenter.h"
#include "platform/notifications/NotificationCenter.h"

namespace platform {

// The services one process of ours gets from the platform. A program's main composes the
// Linux host; unit tests use a simulated process.
class Host {
  public:
    virtual ~Host() = default;
    virtual const std::string& bundleIdentifier() const = 0;
    virtual MainQueue& mainQueue() = 0;
    virtual Clock& clock() = 0;
    virtual NotificationCenter& notificationCenter() = 0;
    virtual DistributedNotificationCenter& distributedCenter() = 0;
    // The standard defaults object: the application's domain, then the registration domain.
    virtual UserDefaults& standardUserDefaults() = 0;
    // A suite's defaults object (one per name): the suite's domain, then the registration
    // domain.
    virtual UserDefaults& suite(const std::string& name) = 0;
    virtual std::unique_ptr<SerialQueue> makeSerialQueue(const std::string& label) = 0;
};

}  // namespace platform
