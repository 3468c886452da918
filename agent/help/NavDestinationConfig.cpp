#include "agent/help/NavDestinationConfig.h"

#include <filesystem>

using namespace platform;

std::optional<Url> NavDestinationConfig::homeURL(const Bundle& bundle) const {
    if (!filename) return url;
    const std::filesystem::path name(*filename);
    std::string extension = name.extension().string();
    if (!extension.empty()) extension.erase(0, 1);
    const auto path = bundle.pathForResource(name.stem().string(), extension);
    if (!path) return std::nullopt;
    return Url::fileURLWithPath(path->string());
}

std::string NavDestinationConfig::siteBase(const Bundle& bundle) const {
    const auto home = homeURL(bundle);
    if (!home) return {};
    return filename ? home->deletingLastPathComponent().absoluteString() : home->absoluteString();
}
