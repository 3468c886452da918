#include "platform/linux/LinuxServicesMenu.h"

#include "platform/linux/InstalledApplications.h"
#include "platform/linux/LinuxPaths.h"

namespace platform {

LinuxServicesMenu::LinuxServicesMenu(AppleEventManager& events, Workspace& workspace,
                                     std::shared_ptr<PasteboardStore> pasteboards)
    : AppleEventServicesMenu(events, workspace, std::move(pasteboards),
                             Sources{installedApplications, servicesFolder}) {}

std::filesystem::path LinuxServicesMenu::servicesFolder() {
    return LinuxPaths::userLibraryDirectory() / "Services";
}

std::vector<ServiceApplication> LinuxServicesMenu::installedApplications() {
    std::vector<ServiceApplication> apps;
    for (const Bundle& bundle : InstalledApplications::all())
        if (auto app = ServiceApplication::fromBundle(bundle)) apps.push_back(std::move(*app));
    return apps;
}

}  // namespace platform
