#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/workspace/GroupContainers.h"

namespace platform {

// Group containers of the Linux platform:
// ${XDG_DATA_HOME:-$HOME/.local/share}/purlane/Library/Group Containers/<group id>/, read from
// the environment at each call.
class LinuxFileLocations : public GroupContainers {
  public:
    std::optional<Url> containerURLForSecurityApplicationGroupIdentifier(
        const std::string& groupIdentifier) const override;

    // What the system calls "~/Library".
    std::filesystem::path userLibraryDirectory() const;
};

}  // namespace platform
