#include "platform/workspace/Bundle.h"

#include <system_error>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"
#include "platform/core/Url.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// Absolute, without "." or ".." parts and without a trailing separator, so that paths compare
// and print the same however the caller spelled them.
fs::path normalized(const fs::path& path) {
    std::error_code ec;
    fs::path p = fs::absolute(path, ec);
    if (ec) p = path;
    p = p.lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p;
}

}  // namespace

Bundle::Bundle(fs::path path, PropertyList::Dictionary info)
    : path_(std::move(path)), info_(std::move(info)) {}

fs::path Bundle::bundlePathForExecutable(const fs::path& executable) {
    const fs::path exe = normalized(executable);
    const fs::path macos = exe.parent_path();
    const fs::path contents = macos.parent_path();
    const fs::path bundle = contents.parent_path();
    if (macos.filename() == "MacOS" && contents.filename() == "Contents" &&
        bundle.extension() == ".app" && bundle.stem() != "") {
        return bundle;
    }
    return macos;
}

const Bundle& Bundle::main() {
    static const Bundle bundle = [] {
        std::error_code ec;
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (ec) exe = fs::current_path(ec) / "unknown";
        const fs::path path = bundlePathForExecutable(exe);
        const bool isApp = path != normalized(exe).parent_path();
        Bundle b(path, isApp ? readInfo(path) : PropertyList::Dictionary{});
        if (!isApp) b.executable_ = normalized(exe);
        return b;
    }();
    return bundle;
}

std::optional<Bundle> Bundle::open(const fs::path& bundlePath) {
    if (bundlePath.empty()) return std::nullopt;
    const fs::path path = normalized(bundlePath);
    std::error_code ec;
    if (!fs::is_directory(path, ec)) return std::nullopt;
    return Bundle(path, readInfo(path));
}

std::optional<Bundle> Bundle::open(const Url& url) {
    if (!url.isFileURL()) return std::nullopt;
    return open(fs::path(url.path()));
}

PropertyList::Dictionary Bundle::readInfo(const fs::path& bundlePath) {
    const fs::path plist = bundlePath / "Contents" / "Info.plist";
    std::error_code ec;
    if (!fs::exists(plist, ec)) return {};
    auto value = PropertyListSerialization::readFile(plist);
    if (!value) {
        log("Could not read " + plist.string() + ": " + value.error().debugDescription());
        return {};
    }
    if (const auto* dict = value->asDictionary()) return *dict;
    log("Could not read " + plist.string() + ": the top-level object is not a dictionary");
    return {};
}

Url Bundle::bundleURL() const {
    return Url::fileURLWithPath(path_.string(), true);
}

std::optional<std::string> Bundle::bundleIdentifier() const {
    return infoString("CFBundleIdentifier");
}

const PropertyList* Bundle::objectForInfoDictionaryKey(std::string_view key) const {
    return info_.find(key);
}

std::optional<std::string> Bundle::infoString(std::string_view key) const {
    const PropertyList* value = info_.find(key);
    if (!value) return std::nullopt;
    if (const std::string* s = value->asString()) return *s;
    return std::nullopt;
}

std::optional<fs::path> Bundle::executablePath() const {
    if (executable_) return executable_;
    const auto name = infoString("CFBundleExecutable");
    // A name that climbs out of MacOS/ is not an executable of this bundle.
    if (!name || name->empty() || name->find('/') != std::string::npos || *name == "." ||
        *name == "..") {
        return std::nullopt;
    }
    return path_ / "Contents" / "MacOS" / *name;
}

fs::path Bundle::resourcePath() const {
    return path_ / "Contents" / "Resources";
}

fs::path Bundle::sharedSupportPath() const {
    return path_ / "Contents" / "SharedSupport";
}

fs::path Bundle::loginItemsPath() const {
    return path_ / "Contents" / "Library" / "LoginItems";
}

std::optional<fs::path> Bundle::pathForResource(std::string_view name, std::string_view extension,
                                                std::string_view subdirectory) const {
    if (name.empty()) return std::nullopt;
    if (extension.starts_with('.')) extension.remove_prefix(1);
    std::string file(name);
    if (!extension.empty()) {
        file += '.';
        file += extension;
    }
    const fs::path resources = resourcePath();
    const fs::path localized = resources / (std::string(kDevelopmentLocalization) + ".lproj");
    for (const fs::path& base : {resources, localized}) {
        fs::path candidate = base;
        if (!subdirectory.empty()) candidate /= fs::path(subdirectory);
        candidate /= file;
        std::error_code ec;
        if (fs::exists(candidate, ec)) return candidate.lexically_normal();
    }
    return std::nullopt;
}

}  // namespace platform
