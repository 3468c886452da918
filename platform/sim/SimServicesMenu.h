#pragma once

#include <filesystem>
#include <vector>

#include "platform/services/AppleEventServicesMenu.h"

namespace platform {

class SimProcess;

// The Services menu of one simulated process: requests go through the world's Apple-event
// routing and launch the provider through the process's workspace (so the provider must be
// installed in the world). The applications that declare entries are the ones the test adds,
// as their Info.plists would; the dynamic bundles are read from a folder the test gives.
class SimServicesMenu : public AppleEventServicesMenu {
  public:
    SimServicesMenu(SimProcess& process, std::filesystem::path servicesFolder);

    // Takes effect at the next reading of the entries.
    void addApplication(ServiceApplication application);
    const std::filesystem::path& servicesFolder() const { return folder_; }
    // How many times the entries were read (first use and each updateDynamicServices()).
    int readings() const { return readings_; }

  private:
    std::filesystem::path folder_;
    std::vector<ServiceApplication> applications_;
    int readings_ = 0;
};

}  // namespace platform
