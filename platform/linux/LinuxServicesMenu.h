#pragma once

#include <memory>

#include "platform/services/AppleEventServicesMenu.h"

namespace platform {

// The Services menu on Linux: the entries of the installed applications (see
// InstalledApplications) and of the dynamic bundles in the user library's "Services" folder,
// requests as Apple events over the session bus. Each process reads the entries once and again
// at updateDynamicServices(), so a newly started one always sees the files as they are.
class LinuxServicesMenu : public AppleEventServicesMenu {
  public:
    LinuxServicesMenu(AppleEventManager& events, Workspace& workspace,
                      std::shared_ptr<PasteboardStore> pasteboards);

    // ${XDG_DATA_HOME:-~/.local/share}/purlane/Library/Services, read from the environment.
    static std::filesystem::path servicesFolder();
    static std::vector<ServiceApplication> installedApplications();
};

}  // namespace platform
