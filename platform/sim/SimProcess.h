#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "platform/NotificationCenter.h"
#include "platform/RegistrationDomain.h"
#include "platform/UserDefaults.h"
#include "platform/sim/SimDistributedBus.h"
#include "platform/sim/SimWorld.h"

namespace platform {

// One simulated process: its identity, main queue, clock, notification centres, registration
// domain and defaults objects. Everything persistent is shared through the world.
class SimProcess : public Host {
public:
    SimProcess(SimWorld& world, std::string bundleIdentifier, int pid);
    ~SimProcess() override;
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    SimWorld& world() { return world_; }
    const std::string& bundleIdentifier() const override { return bundleIdentifier_; }
    int pid() const { return pid_; }

    SimMainQueue& mainQueue() override { return mainQueue_; }
    SimClock& clock() override { return clock_; }
    NotificationCenter& notificationCenter() override { return notificationCenter_; }
    SimDistributedCenter& distributedCenter() override { return distributedCenter_; }
    std::shared_ptr<RegistrationDomain> registration() { return registration_; }

    // The standard defaults object (the application's domain).
    UserDefaults& standardUserDefaults() override;
    // A suite's defaults object, one per name.
    UserDefaults& suite(const std::string& name) override;
    std::unique_ptr<SerialQueue> makeSerialQueue(const std::string& label) override;

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
