#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/services/ServiceEntry.h"

namespace platform {

class Bundle;

// An installed application as far as Services go.
struct ServiceApplication {
    std::string bundleIdentifier;
    // The names a port may call the application by besides the ports of its own entries: its
    // executable's and its bundle's names.
    std::vector<std::string> names;
    // The NSServices value of its Info.plist (null without one).
    PropertyList services;
    std::filesystem::path source;

    // Nothing for a bundle without an identifier.
    static std::optional<ServiceApplication> fromBundle(const Bundle& bundle);
};

// Reads the Services menu's entries: those the applications declare, then those of the dynamic
// bundles in the user's Services folder ("<name>.pldynamicservice/info.plist", file-name order),
// whose provider is found by port name. Unreadable bundles and malformed entries are left out
// and logged.
class ServiceCatalog {
  public:
    static constexpr const char* kDynamicServiceExtension = ".pldynamicservice";
    static constexpr const char* kDynamicServiceInfo = "info.plist";

    static std::vector<ServiceEntry> read(const std::vector<ServiceApplication>& applications,
                                          const std::filesystem::path& servicesFolder);

    // The application answering on `port`: the first with an entry on that port, else the first
    // called by that name; empty when none is.
    static std::string providerOf(const std::string& port,
                                  const std::vector<ServiceApplication>& applications);
};

}  // namespace platform
