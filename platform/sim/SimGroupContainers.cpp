#include "platform/sim/SimGroupContainers.h"

#include <system_error>

namespace platform {

std::optional<std::filesystem::path> SimGroupContainers::containerPath(
    const std::string& groupIdentifier) const {
    if (!root_ || groupIdentifier.empty() || groupIdentifier == "." || groupIdentifier == ".." ||
        groupIdentifier.find('/') != std::string::npos)
        return std::nullopt;
    return *root_ / groupIdentifier;
}

std::optional<Url> SimGroupContainers::containerURLForSecurityApplicationGroupIdentifier(
    const std::string& groupIdentifier) const {
    const auto path = containerPath(groupIdentifier);
    if (!path) return std::nullopt;
    // The OS makes the container on first request.
    std::error_code ec;
    std::filesystem::create_directories(*path, ec);
    return Url::fileURLWithPath(path->string(), true);
}

}  // namespace platform
