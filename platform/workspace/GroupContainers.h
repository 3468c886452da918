#pragma once

#include <optional>
#include <string>

#include "platform/core/Url.h"

namespace platform {

// Shared folders of application groups: the place where programs of one group (the agent and
// the engine) exchange files.
class GroupContainers {
  public:
    virtual ~GroupContainers() = default;

    // The group's container folder as a directory file URL, created when missing; nothing when
    // the group has no container on this system.
    virtual std::optional<Url> containerURLForSecurityApplicationGroupIdentifier(
        const std::string& groupIdentifier) const = 0;
};

}  // namespace platform
