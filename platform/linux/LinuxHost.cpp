#include "platform/linux/LinuxHost.h"

#include "platform/linux/ThreadSerialQueue.h"

namespace platform {

LinuxHost::LinuxHost(std::string bundleIdentifier)
    : bundleIdentifier_(std::move(bundleIdentifier)),
      store_(std::make_shared<FileDefaultsStore>(&mainQueue_)),
      registration_(std::make_shared<RegistrationDomain>()),
      distributed_(std::make_unique<DBusDistributedCenter>(mainQueue_)) {}

LinuxHost::~LinuxHost() {
    // Defaults objects observe the store; let them go first.
    defaults_.clear();
}

UserDefaults& LinuxHost::suite(const std::string& name) {
    auto& slot = defaults_[name];
    if (!slot) slot = std::make_unique<UserDefaults>(store_, registration_, name, &mainQueue_);
    return *slot;
}

std::unique_ptr<SerialQueue> LinuxHost::makeSerialQueue(const std::string& label) {
    return std::make_unique<ThreadSerialQueue>(label);
}

}  // namespace platform
