#include "platform/linux/LinuxFileLocations.h"

#include <system_error>

#include "platform/linux/LinuxPaths.h"

namespace platform {

std::optional<Url> LinuxFileLocations::containerURLForSecurityApplicationGroupIdentifier(
    const std::string& groupIdentifier) const {
    auto dir = LinuxPaths::groupContainerDirectory(groupIdentifier);
    if (!dir) return std::nullopt;
    // The OS creates the container on first request; a folder that cannot be made means there
    // is no container.
    std::error_code ec;
    std::filesystem::create_directories(*dir, ec);
    if (!std::filesystem::is_directory(*dir, ec)) return std::nullopt;
    return Url::fileURLWithPath(dir->string(), true);
}

std::filesystem::path LinuxFileLocations::userLibraryDirectory() const {
    return LinuxPaths::userLibraryDirectory();
}

}  // namespace platform
