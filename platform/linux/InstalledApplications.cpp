#include "platform/linux/InstalledApplications.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <sstream>
#include <system_error>

#include "platform/linux/LinuxPaths.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

bool equalsIgnoringCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

// The "*.app" folders directly in `folder`, sorted so the order does not depend on the disk.
std::vector<fs::path> bundlesIn(const fs::path& folder) {
    std::vector<fs::path> found;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::error_code typeError;
        if (it->path().extension() == ".app" && it->is_directory(typeError))
            found.push_back(it->path());
    }
    std::sort(found.begin(), found.end());
    return found;
}

bool infoFlag(const Bundle& bundle, std::string_view key) {
    const PropertyList* value = bundle.objectForInfoDictionaryKey(key);
    if (!value) return false;
    if (const std::string* text = value->asString())
        return *text == "1" || equalsIgnoringCase(*text, "YES") ||
               equalsIgnoringCase(*text, "true");
    if (auto number = value->asInteger()) return *number != 0;
    return value->asBoolean().value_or(false);
}

}  // namespace

std::vector<fs::path> InstalledApplications::searchFolders() {
    std::vector<fs::path> folders{LinuxPaths::applicationsDirectory()};
    if (const char* extra = std::getenv("PURLANE_APPLICATIONS_PATH")) {
        std::stringstream list(extra);
        std::string folder;
        while (std::getline(list, folder, ':')) {
            if (!folder.empty()) folders.emplace_back(folder);
        }
    }
    // Last, so the user's own copy wins over the one a package installed.
    folders.push_back(LinuxPaths::systemApplicationsDirectory());
    return folders;
}

std::vector<Bundle> InstalledApplications::all() {
    std::vector<Bundle> bundles;
    std::set<fs::path> seen;
    auto add = [&](const fs::path& path) {
        if (!seen.insert(path.lexically_normal()).second) return;
        if (auto bundle = Bundle::open(path)) bundles.push_back(std::move(*bundle));
    };
    for (const auto& folder : searchFolders()) {
        for (const auto& app : bundlesIn(folder)) {
            add(app);
            for (const auto& inner : bundlesIn(app / "Contents" / "Library" / "LoginItems"))
                add(inner);
            for (const auto& inner : bundlesIn(app / "Contents" / "SharedSupport")) add(inner);
        }
    }
    return bundles;
}

std::optional<Bundle> InstalledApplications::withIdentifier(const std::string& bundleIdentifier) {
    if (bundleIdentifier.empty()) return std::nullopt;
    for (auto& bundle : all()) {
        if (bundle.bundleIdentifier() == bundleIdentifier) return std::move(bundle);
    }
    return std::nullopt;
}

bool InstalledApplications::claimsScheme(const Bundle& bundle, const std::string& scheme) {
    const PropertyList* types = bundle.objectForInfoDictionaryKey("CFBundleURLTypes");
    if (!types || !types->asArray()) return false;
    for (const auto& type : *types->asArray()) {
        const auto* dict = type.asDictionary();
        const PropertyList* schemes = dict ? dict->find("CFBundleURLSchemes") : nullptr;
        if (!schemes || !schemes->asArray()) continue;
        for (const auto& s : *schemes->asArray()) {
            if (const std::string* text = s.asString(); text && equalsIgnoringCase(*text, scheme))
                return true;
        }
    }
    return false;
}

std::optional<Bundle> InstalledApplications::claimingScheme(const std::string& scheme) {
    if (scheme.empty()) return std::nullopt;
    for (auto& bundle : all()) {
        if (claimsScheme(bundle, scheme)) return std::move(bundle);
    }
    return std::nullopt;
}

std::optional<Bundle> InstalledApplications::named(const std::string& name) {
    if (name.empty()) return std::nullopt;
    if (name.find('/') != std::string::npos) {
        auto bundle = Bundle::open(fs::path(name));
        if (bundle && bundle->executablePath()) return bundle;
        return std::nullopt;
    }
    const std::string withoutApp =
        name.size() > 4 && name.ends_with(".app") ? name.substr(0, name.size() - 4) : name;
    std::optional<Bundle> byName;
    for (auto& bundle : all()) {
        if (bundle.bundleIdentifier() == name) return std::move(bundle);
        if (!byName && (equalsIgnoringCase(bundle.bundlePath().stem().string(), withoutApp) ||
                        equalsIgnoringCase(bundle.infoString("CFBundleName").value_or(""), name)))
            byName = bundle;
    }
    return byName;
}

std::string InstalledApplications::displayName(const Bundle& bundle) {
    for (const char* key : {"CFBundleDisplayName", "CFBundleName"}) {
        if (auto name = bundle.infoString(key); name && !name->empty()) return *name;
    }
    const fs::path& path = bundle.bundlePath();
    return path.extension() == ".app" ? path.stem().string() : path.filename().string();
}

ActivationPolicy InstalledApplications::activationPolicy(const Bundle& bundle) {
    if (infoFlag(bundle, "LSBackgroundOnly")) return ActivationPolicy::Prohibited;
    if (infoFlag(bundle, "LSUIElement")) return ActivationPolicy::Accessory;
    return ActivationPolicy::Regular;
}

}  // namespace platform
