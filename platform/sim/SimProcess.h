#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/NotificationCenter.h"
#include "platform/RegistrationDomain.h"
#include "platform/UserDefaults.h"
#include "platform/sim/SimDistributedBus.h"
#include "platform/sim/SimWorld.h"

namespace platform {

// One simulated process: its identity, main queue, clock, notification centres, registration
// domain and defaults objects. Everything persistent is shared through the world.
class SimProcess {
public:
    SimProcess(SimWorld& world, std::string bundleIdentifier, int pid);
    ~SimProcess();
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    SimWorld& world() { return world_; }
    const std::string& bundleIdentifier() const { return bundleIdentifier_; }
    int pid() const { return pid_; }

    SimMainQueue& mainQueue() { return mainQueue_; }
    SimClock& clock() { return clock_; }
    NotificationCenter& notificationCenter() { return notificationCenter_; }
    SimDistributedCenter& distributedCenter() { return distributedCenter_; }
    std::shared_ptr<RegistrationDomain> registration() { return registration_; }

    // The standard defaults object (the application's domain).
    UserDefaults& standardUserDefaults();
    // A suite's defaults object, one per name.
    UserDefaults& suite(const std::string& name);
    std::unique_ptr<SimSerialQueue> makeSerialQueue(const std::string& label);

private:
    SimWorld& world_;
    std::string bundleIdentifier_;
    int pid_;
    SimMainQueue mainQueue_;
    SimClock clock_;
    NotificationCenter notificationCenter_;
    SimDistributedCenter distributedCenter_;
    std::shared_ptr<RegistrationDomain> registration_;
    std::map<std::string, std::unique_ptr<UserDefaults>> defaults_;
};

}  // namespace platform
