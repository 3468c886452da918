#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Host.h"
#include "platform/defaults/RegistrationDomain.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimDistributedBus.h"
#include "platform/sim/SimWorld.h"

namespace platform {

class PasteboardStore;
class SimAppleEventManager;
class SimWorkspace;

// One simulated process: its identity, main queue, clock, notification centres, registration
// domain, defaults objects, Apple-event manager, workspace and application object. Everything
// persistent is shared through the world. Processes are made by SimWorld::launch and stay
// (stopped) after they terminate, so references tests hold remain valid.
class SimProcess : public Host {
  public:
    SimProcess(SimWorld& world, std::string bundleIdentifier, int pid,
               const SimLaunchParameters& launch = {});
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

    // Registered with the world's Apple-event bus under the bundle identifier.
    SimAppleEventManager& appleEventManager() { return *appleEvents_; }
    SimWorkspace& workspace() { return *workspace_; }
    SimApplication& application() { return *application_; }
    // The world's pasteboards.
    std::shared_ptr<PasteboardStore> pasteboardStore();
    // False once the process has terminated.
    bool isRunning() const;

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
    // In this order: the application uses the other two.
    std::unique_ptr<SimAppleEventManager> appleEvents_;
    std::unique_ptr<SimWorkspace> workspace_;
    std::unique_ptr<SimApplication> application_;
};

}  // namespace platform
