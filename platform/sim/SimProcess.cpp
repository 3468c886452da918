#include "platform/sim/SimProcess.h"

#include "platform/sim/SimDefaultsStore.h"

namespace platform {

SimProcess::SimProcess(SimWorld& world, std::string bundleIdentifier, int pid)
    : world_(world),
      bundleIdentifier_(std::move(bundleIdentifier)),
      pid_(pid),
      mainQueue_(world),
      clock_(world),
      distributedCenter_(world.distributedBus(), mainQueue_),
      registration_(std::make_shared<RegistrationDomain>()) {}

SimProcess::~SimProcess() = default;

UserDefaults& SimProcess::standardUserDefaults() { return suite(bundleIdentifier_); }

UserDefaults& SimProcess::suite(const std::string& name) {
    auto& slot = defaults_[name];
    if (!slot)
        slot = std::make_unique<UserDefaults>(world_.sharedDefaultsStore(), registration_, name,
                                              &mainQueue_);
    return *slot;
}

std::unique_ptr<SerialQueue> SimProcess::makeSerialQueue(const std::string& label) {
    return std::make_unique<SimSerialQueue>(world_, label);
}

}  // namespace platform
