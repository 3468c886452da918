#include "platform/services/ServiceCatalog.h"

#include <algorithm>
#include <system_error>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"
#include "platform/workspace/Bundle.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

void logProblems(const fs::path& source, const std::vector<std::string>& problems) {
    for (const auto& problem : problems)
        log("Services: " + source.string() + ": " + problem + "; left out");
}

// The dynamic bundles of the folder in file-name order; hidden ones (half-written) are skipped.
std::vector<fs::path> dynamicBundles(const fs::path& folder) {
    std::vector<fs::path> bundles;
    std::error_code ec;
    fs::directory_iterator it(folder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        const std::string name = path.filename().string();
        if (name.starts_with(".") || path.extension() != ServiceCatalog::kDynamicServiceExtension)
            continue;
        std::error_code typeError;
        if (fs::is_directory(path, typeError)) bundles.push_back(path);
    }
    std::sort(bundles.begin(), bundles.end());
    return bundles;
}

}  // namespace

std::optional<ServiceApplication> ServiceApplication::fromBundle(const Bundle& bundle) {
    auto id = bundle.bundleIdentifier();
    if (!id || id->empty()) return std::nullopt;
    ServiceApplication app;
    app.bundleIdentifier = *id;
    for (const char* key : {"CFBundleExecutable", "CFBundleName"})
        if (auto name = bundle.infoString(key); name && !name->empty()) app.names.push_back(*name);
    if (const PropertyList* services =
            bundle.objectForInfoDictionaryKey(ServiceEntry::kServicesKey))
        app.services = *services;
    app.source = bundle.bundlePath() / "Contents/Info.plist";
    return app;
}

std::string ServiceCatalog::providerOf(const std::string& port,
                                       const std::vector<ServiceApplication>& applications) {
    for (const auto& app : applications) {
        for (const auto& entry : ServiceEntry::listFrom(app.services))
            if (entry.portName == port) return app.bundleIdentifier;
    }
    for (const auto& app : applications) {
        if (std::find(app.names.begin(), app.names.end(), port) != app.names.end())
            return app.bundleIdentifier;
    }
    return {};
}

std::vector<ServiceEntry> ServiceCatalog::read(const std::vector<ServiceApplication>& applications,
                                               const fs::path& servicesFolder) {
    std::vector<ServiceEntry> entries;
    for (const auto& app : applications) {
        std::vector<std::string> problems;
        for (auto& entry : ServiceEntry::listFrom(app.services, &problems)) {
            entry.providerBundleIdentifier = app.bundleIdentifier;
            entry.source = app.source;
            entries.push_back(std::move(entry));
        }
        logProblems(app.source, problems);
    }
    if (servicesFolder.empty()) return entries;
    for (const fs::path& bundle : dynamicBundles(servicesFolder)) {
        const fs::path info = bundle / kDynamicServiceInfo;
        auto plist = PropertyListSerialization::readFile(info);
        if (!plist.ok()) {
            log("Services: " + plist.error().debugDescription() + "; left out");
            continue;
        }
        const PropertyList* services = plist->get(ServiceEntry::kServicesKey);
        std::vector<std::string> problems;
        if (!services) problems.push_back("no NSServices array");
        for (auto& entry :
             ServiceEntry::listFrom(services ? *services : PropertyList(), &problems)) {
            entry.providerBundleIdentifier = providerOf(entry.portName, applications);
            entry.source = info;
            entries.push_back(std::move(entry));
        }
        logProblems(info, problems);
    }
    return entries;
}

}  // namespace platform
