#include "platform/sim/SimProcess.h"

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimDefaultsStore.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimWorkspace.h"

namespace platform {

SimProcess::SimProcess(SimWorld& world, std::string bundleIdentifier, int pid,
                       const SimLaunchParameters& launch)
    : world_(world),
      bundleIdentifier_(std::move(bundleIdentifier)),
      pid_(pid),
      mainQueue_(world),
      clock_(world),
      distributedCenter_(world.distributedBus(), mainQueue_),
      registration_(std::make_shared<RegistrationDomain>()) {
    appleEvents_ = std::make_unique<SimAppleEventManager>(world.appleEventBus(), *this);
    workspace_ = std::make_unique<SimWorkspace>(*this);
    application_ = std::make_unique<SimApplication>(*this, launch);
}

SimProcess::~SimProcess() = default;

UserDefaults& SimProcess::standardUserDefaults() {
    return suite(bundleIdentifier_);
}

UserDefaults& SimProcess::suite(const std::string& name) {
    auto& slot = defaults_[name];
    if (!slot)
        slot = std::make_unique<UserDefaults>(world_.sharedDefaultsStore(), registration_, name,
                                              &mainQueue_);
    return *slot;
}

std::shared_ptr<PasteboardStore> SimProcess::pasteboardStore() {
    return world_.sharedPasteboardStore();
}

bool SimProcess::isRunning() const {
    return !application_->isTerminated();
}

std::unique_ptr<SerialQueue> SimProcess::makeSerialQueue(const std::string& label) {
    return std::make_unique<SimSerialQueue>(world_, label);
}

}  // namespace platform
