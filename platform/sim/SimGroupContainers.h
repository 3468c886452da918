#pragma once

#include <filesystem>
#include <optional>
#include <string>

#include "platform/workspace/GroupContainers.h"

namespace platform {

// Group containers under a folder of the test's choosing (root/<group id>/); without a root no
// group has a container.
class SimGroupContainers : public GroupContainers {
  public:
    explicit SimGroupContainers(std::optional<std::filesystem::path> root)
        : root_(std::move(root)) {}

    std::optional<Url> containerURLForSecurityApplicationGroupIdentifier(
        const std::string& groupIdentifier) const override;

    // Where the group's container is (or would be); nothing without a root.
    std::optional<std::filesystem::path> containerPath(const std::string& groupIdentifier) const;

  private:
    std::optional<std::filesystem::path> root_;
};

}  // namespace platform
