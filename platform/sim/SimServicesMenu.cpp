#include "platform/sim/SimServicesMenu.h"

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"

namespace platform {

SimServicesMenu::SimServicesMenu(SimProcess& process, std::filesystem::path servicesFolder)
    : AppleEventServicesMenu(process.appleEventManager(), process.workspace(),
                             process.pasteboardStore(),
                             Sources{[this] {
                                         ++readings_;
                                         return applications_;
                                     },
                                     [this] { return folder_; }}),
      folder_(std::move(servicesFolder)) {}

void SimServicesMenu::addApplication(ServiceApplication application) {
    applications_.push_back(std::move(application));
}

}  // namespace platform
