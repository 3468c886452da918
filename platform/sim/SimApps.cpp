#include "platform/sim/SimApps.h"

#include <algorithm>
#include <fstream>
#include <system_error>

#include "platform/coding/PropertyListSerialization.h"
#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

// "/Applications/X.app/" and "/Applications/./X.app" name the same bundle.
std::string normalizedPath(const std::string& path) {
    fs::path p = fs::path(path).lexically_normal();
    if (!p.has_filename() && p.has_parent_path() && p != p.root_path()) p = p.parent_path();
    return p.string();
}

std::string lowercased(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return text;
}

bool flag(const Bundle& bundle, std::string_view key) {
    const PropertyList* value = bundle.objectForInfoDictionaryKey(key);
    if (!value) return false;
    if (auto b = value->asBoolean()) return *b;
    if (auto i = value->asInteger()) return *i != 0;
    if (const std::string* s = value->asString()) return *s == "1" || lowercased(*s) == "yes";
    return false;
}

}  // namespace

Url SimAppBundle::url() const {
    if (path.empty()) return Url();
    return Url::fileURLWithPath(normalizedPath(path), true);
}

std::string SimAppBundle::localizedName() const {
    if (!name.empty()) return name;
    const std::string stem = fs::path(normalizedPath(path)).stem().string();
    return stem.empty() ? bundleIdentifier : stem;
}

PropertyList::Dictionary SimAppBundle::infoDictionary() const {
    PropertyList::Dictionary info;
    info.set("CFBundleIdentifier", bundleIdentifier);
    info.set("CFBundleName", localizedName());
    info.set("CFBundlePackageType", "APPL");
    if (activationPolicy == ActivationPolicy::Accessory) info.set("LSUIElement", true);
    if (activationPolicy == ActivationPolicy::Prohibited) info.set("LSBackgroundOnly", true);
    if (!urlSchemes.empty()) {
        PropertyList::Array schemes(urlSchemes.begin(), urlSchemes.end());
        PropertyList::Dictionary type;
        type.set("CFBundleURLName", bundleIdentifier);
        type.set("CFBundleURLSchemes", std::move(schemes));
        info.set("CFBundleURLTypes", PropertyList::Array{PropertyList(std::move(type))});
    }
    return info;
}

SimApps::SimApps(SimWorld& world) : world_(world) {}

void SimApps::install(SimAppBundle bundle) {
    const std::string path = normalizedPath(bundle.path);
    std::erase_if(installed_, [&](const SimAppBundle& b) {
        return b.bundleIdentifier == bundle.bundleIdentifier ||
               (!path.empty() && normalizedPath(b.path) == path);
    });
    installed_.push_back(std::move(bundle));
}

bool SimApps::install(const Bundle& bundle, SimLaunchFunction launch) {
    auto id = bundle.bundleIdentifier();
    if (!id) return false;
    SimAppBundle app{.bundleIdentifier = *id,
                     .path = bundle.bundlePath().string(),
                     .name = bundle.infoString("CFBundleDisplayName")
                                 .value_or(bundle.infoString("CFBundleName").value_or("")),
                     .launch = std::move(launch),
                     .bundlePath = bundle.bundlePath()};
    if (flag(bundle, "LSUIElement")) app.activationPolicy = ActivationPolicy::Accessory;
    if (flag(bundle, "LSBackgroundOnly")) app.activationPolicy = ActivationPolicy::Prohibited;
    const PropertyList* types = bundle.objectForInfoDictionaryKey("CFBundleURLTypes");
    if (const PropertyList::Array* list = types ? types->asArray() : nullptr) {
        for (const PropertyList& type : *list) {
            const PropertyList::Dictionary* dict = type.asDictionary();
            const PropertyList* schemes = dict ? dict->find("CFBundleURLSchemes") : nullptr;
            if (const PropertyList::Array* names = schemes ? schemes->asArray() : nullptr) {
                for (const PropertyList& name : *names)
                    if (const std::string* s = name.asString()) app.urlSchemes.push_back(*s);
            }
        }
    }
    install(std::move(app));
    return true;
}

void SimApps::uninstall(const std::string& bundleIdentifier) {
    std::erase_if(installed_,
                  [&](const SimAppBundle& b) { return b.bundleIdentifier == bundleIdentifier; });
}

const SimAppBundle* SimApps::installed(const std::string& bundleIdentifier) const {
    for (const SimAppBundle& b : installed_)
        if (b.bundleIdentifier == bundleIdentifier) return &b;
    return nullptr;
}

const SimAppBundle* SimApps::installedAtURL(const Url& url) const {
    if (!url.isFileURL()) return nullptr;
    const std::string path = normalizedPath(url.path());
    for (const SimAppBundle& b : installed_)
        if (!b.path.empty() && normalizedPath(b.path) == path) return &b;
    return nullptr;
}

const SimAppBundle* SimApps::claiming(const std::string& scheme) const {
    const std::string wanted = lowercased(scheme);
    for (const SimAppBundle& b : installed_)
        for (const std::string& s : b.urlSchemes)
            if (lowercased(s) == wanted) return &b;
    return nullptr;
}

namespace {

Status writeInfo(const SimAppBundle& app, const fs::path& bundlePath) {
    auto bytes = PropertyListSerialization::write(PropertyList(app.infoDictionary()),
                                                  PropertyListFormat::Xml);
    if (!bytes) return bytes.error();
    std::error_code ec;
    fs::create_directories(bundlePath / "Contents" / "MacOS", ec);
    fs::create_directories(bundlePath / "Contents" / "Resources", ec);
    if (ec)
        return Error::other("The folder couldn\u2019t be created.", bundlePath.string(),
                            Error::kFileWriteUnknown);
    std::ofstream out(bundlePath / "Contents" / "Info.plist", std::ios::binary | std::ios::trunc);
    out << *bytes;
    out.close();
    if (!out)
        return Error::other("The file couldn\u2019t be saved.", bundlePath.string(),
                            Error::kFileWriteUnknown);
    return Ok{};
}

}  // namespace

Status SimApps::writeBundle(const std::string& bundleIdentifier) const {
    const SimAppBundle* app = installed(bundleIdentifier);
    if (!app || app->path.empty()) return Error::valueMissing(bundleIdentifier);
    return writeInfo(*app, app->path);
}

std::optional<Bundle> SimApps::openBundle(const SimAppBundle& app, int pid) const {
    if (app.bundlePath) return Bundle::open(*app.bundlePath);
    std::error_code ec;
    if (!app.path.empty() && fs::exists(fs::path(app.path) / "Contents" / "Info.plist", ec))
        return Bundle::open(fs::path(app.path));
    // One folder per process, so that a test changing an installed bundle between launches
    // sees each process with what it was launched from.
    const fs::path path = world_.scratchDirectory() / "bundles" / std::to_string(pid) /
                          (app.localizedName() + ".app");
    if (!writeInfo(app, path).ok()) return std::nullopt;
    return Bundle::open(path);
}

SimProcess* SimApps::runningProcess(int pid) const {
    for (SimProcess* p : running_)
        if (p->pid() == pid) return p;
    return nullptr;
}

SimProcess* SimApps::firstRunning(const std::string& bundleIdentifier) const {
    for (SimProcess* p : running_)
        if (p->bundleIdentifier() == bundleIdentifier) return p;
    return nullptr;
}

SimProcess* SimApps::frontmost() const {
    return activationOrder_.empty() ? nullptr : activationOrder_.back();
}

bool SimApps::activate(SimProcess& process) {
    if (!process.isRunning() ||
        process.application().activationPolicy() == ActivationPolicy::Prohibited)
        return false;
    process.application().setHidden(false);
    SimProcess* before = frontmost();
    std::erase(activationOrder_, &process);
    activationOrder_.push_back(&process);
    if (before != &process) postToWorkspaces(kWorkspaceDidActivateApplication, process);
    return true;
}

void SimApps::started(SimProcess& process, uint64_t options) {
    running_.push_back(&process);
    SimApplication& app = process.application();
    if (app.installedBundle() && app.installedBundle()->launch) {
        // A copy: the launch function may install or uninstall bundles.
        const SimLaunchFunction launch = app.installedBundle()->launch;
        launch(process, app);
    }
    if (!app.isTerminated()) app.finishLaunching();
    if (!app.isTerminated() &&
        (options & (LaunchOption::kWithoutActivation | LaunchOption::kAndHide)) == 0)
        activate(process);
    if (!app.isTerminated()) postToWorkspaces(kWorkspaceDidLaunchApplication, process);
}

void SimApps::terminated(SimProcess& process) {
    SimProcess* before = frontmost();
    std::erase(running_, &process);
    std::erase(activationOrder_, &process);
    process.appleEventManager().terminate();
    process.mainQueue().stop();
    postToWorkspaces(kWorkspaceDidTerminateApplication, process);
    // The OS brings the application that was in front before it forward.
    if (before == &process) {
        if (SimProcess* next = frontmost())
            postToWorkspaces(kWorkspaceDidActivateApplication, *next);
    }
}

void SimApps::forget() {
    running_.clear();
    activationOrder_.clear();
}

void SimApps::postToWorkspaces(const char* name, SimProcess& subject) {
    // Observers may launch or quit applications while we post.
    const std::vector<SimProcess*> observers = running_;
    for (SimProcess* p : observers) {
        if (!p->isRunning()) continue;
        SimWorkspace& workspace = p->workspace();
        workspace.notificationCenter().post(
            name, &workspace, {{kWorkspaceApplicationKey, std::any(workspace.describe(subject))}});
    }
}

}  // namespace platform
