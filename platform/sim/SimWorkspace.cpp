#include "platform/sim/SimWorkspace.h"

#include <system_error>

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimProcess.h"

namespace platform {

namespace fs = std::filesystem;

namespace {

constexpr FourCharCode kCoreEventClass = FourCharCode::make("aevt");
constexpr FourCharCode kReopenApplication = FourCharCode::make("rapp");
constexpr FourCharCode kInternetEventClass = FourCharCode::make("GURL");
constexpr FourCharCode kGetURL = FourCharCode::make("GURL");

// What the desktop opens when no application of the world claims the scheme.
bool isDesktopScheme(const Url& url) {
    return url.hasScheme("http") || url.hasScheme("https") || url.hasScheme("mailto") ||
           url.isFileURL();
}

Error cannotOpenApplication(const Url& url) {
    std::string name = fs::path(url.path()).lexically_normal().filename().string();
    if (name.empty())
        name = fs::path(url.path()).lexically_normal().parent_path().filename().string();
    if (name.size() > 4 && name.ends_with(".app")) name.resize(name.size() - 4);
    return Error::other("The application \u201c" + name + "\u201d can\u2019t be opened.",
                        url.absoluteString());
}

Error cannotRecycle(const std::string& name, std::string detail) {
    return Error::other("\u201c" + name + "\u201d couldn\u2019t be moved to the Trash.",
                        std::move(detail), Error::kFileWriteUnknown);
}

// "name", then "name 2.ext", "name 3.ext"… as items with the same name pile up in the trash.
fs::path freeNameIn(const fs::path& folder, const fs::path& name) {
    std::error_code ec;
    fs::path candidate = folder / name;
    for (int n = 2; fs::exists(fs::symlink_status(candidate, ec)); ++n) {
        candidate =
            folder / (name.stem().string() + " " + std::to_string(n) + name.extension().string());
    }
    return candidate;
}

std::error_code moveItem(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    fs::rename(from, to, ec);
    if (ec == std::errc::cross_device_link) {
        ec.clear();
        fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, ec);
        if (!ec) fs::remove_all(from, ec);
    }
    return ec;
}

}  // namespace

SimWorkspace::SimWorkspace(SimProcess& process) : process_(process) {}

RunningApplication SimWorkspace::describe(SimProcess& process) {
    SimApplication& app = process.application();
    std::optional<std::string> id;
    if (!process.bundleIdentifier().empty()) id = process.bundleIdentifier();
    return RunningApplication(this, process.pid(), std::move(id), app.bundleURL(),
                              app.localizedName(), app.activationPolicy());
}

std::vector<RunningApplication> SimWorkspace::runningApplications() {
    std::vector<RunningApplication> out;
    for (SimProcess* p : process_.world().apps().running()) out.push_back(describe(*p));
    return out;
}

std::optional<RunningApplication> SimWorkspace::frontmostApplication() {
    SimProcess* front = process_.world().apps().frontmost();
    if (!front) return std::nullopt;
    return describe(*front);
}

std::optional<Url> SimWorkspace::URLForApplicationWithBundleIdentifier(const std::string& id) {
    const SimAppBundle* app = process_.world().apps().installed(id);
    if (!app || app->path.empty()) return std::nullopt;
    return app->url();
}

Result<RunningApplication> SimWorkspace::launchApplicationAtURL(
    const Url& url, uint64_t options, const PropertyList::Dictionary& configuration) {
    SimApps& apps = process_.world().apps();
    const SimAppBundle* app = apps.installedAtURL(url);
    if (!app) return cannotOpenApplication(url);
    const std::string id = app->bundleIdentifier;

    if ((options & LaunchOption::kNewInstance) == 0) {
        if (SimProcess* running = apps.firstRunning(id)) {
            apps.record({SimAppRequest::Kind::Reopen, running->pid(), options, process_.pid()});
            sendToApplication(id, kCoreEventClass, kReopenApplication, std::nullopt);
            if ((options & (LaunchOption::kWithoutActivation | LaunchOption::kAndHide)) == 0)
                apps.activate(*running);
            return describe(*running);
        }
    }

    SimLaunchParameters parameters{.options = options};
    const PropertyList* arguments = configuration.find(kLaunchConfigurationArguments);
    if (const PropertyList::Array* list = arguments ? arguments->asArray() : nullptr) {
        for (const PropertyList& argument : *list)
            if (const std::string* s = argument.asString()) parameters.arguments.push_back(*s);
    }
    SimProcess& launched = process_.world().launch(id, parameters);
    apps.record({SimAppRequest::Kind::Launch, launched.pid(), options, process_.pid()});
    return describe(launched);
}

bool SimWorkspace::openURL(const Url& url) {
    SimApps& apps = process_.world().apps();
    if (const SimAppBundle* app = apps.claiming(url.scheme())) {
        const std::string id = app->bundleIdentifier;
        if (!apps.firstRunning(id)) {
            SimProcess& launched = process_.world().launch(id, SimLaunchParameters{});
            apps.record({SimAppRequest::Kind::Launch, launched.pid(), 0, process_.pid()});
        }
        sendToApplication(id, kInternetEventClass, kGetURL, url.absoluteString());
        return true;
    }
    if (!isDesktopScheme(url)) return false;
    process_.world().handToDesktop(
        {SimDesktopRequest::Kind::OpenURL, url.absoluteString(), std::nullopt, process_.pid()});
    return true;
}

bool SimWorkspace::openFile(const std::string& path,
                            const std::optional<std::string>& application) {
    std::error_code ec;
    if (!fs::exists(path, ec)) return false;
    process_.world().handToDesktop(
        {SimDesktopRequest::Kind::OpenFile, path, application, process_.pid()});
    return true;
}

void SimWorkspace::activateFileViewerSelectingURLs(const std::vector<Url>& urls) {
    for (const Url& url : urls) {
        process_.world().handToDesktop({SimDesktopRequest::Kind::Reveal,
                                        url.isFileURL() ? url.path() : url.absoluteString(),
                                        std::nullopt, process_.pid()});
    }
}

void SimWorkspace::recycleURLs(const std::vector<Url>& urls, RecycleCompletion completion) {
    std::vector<std::pair<Url, Url>> moved;
    std::optional<Error> firstError;
    auto fail = [&](Error error) {
        if (!firstError) firstError = std::move(error);
    };
    const std::optional<fs::path> trash = process_.world().trashDirectory();
    for (const Url& url : urls) {
        const fs::path path = fs::path(url.path()).lexically_normal();
        const std::string name = url.lastPathComponent();
        std::error_code ec;
        if (!url.isFileURL() || !fs::exists(fs::symlink_status(path, ec))) {
            fail(Error::noSuchFile(name, url.absoluteString()));
            continue;
        }
        if (!trash) {
            fail(cannotRecycle(name, "the world has no home folder"));
            continue;
        }
        fs::create_directories(*trash, ec);
        const fs::path to = freeNameIn(
            *trash, path.has_filename() ? path.filename() : path.parent_path().filename());
        if (std::error_code moveError = moveItem(path, to)) {
            fail(cannotRecycle(name, moveError.message()));
            continue;
        }
        moved.emplace_back(url, Url::fileURLWithPath(to.string(), fs::is_directory(to, ec)));
    }
    if (!completion) return;
    process_.mainQueue().async(
        [completion = std::move(completion), moved = std::move(moved),
         firstError = std::move(firstError)] { completion(moved, firstError); });
}

bool SimWorkspace::terminateApplication(int pid) {
    SimApps& apps = process_.world().apps();
    apps.record({SimAppRequest::Kind::Terminate, pid, 0, process_.pid()});
    SimProcess* target = apps.runningProcess(pid);
    if (!target) return false;
    // As a quit event would, the request reaches the application on its own main queue.
    SimApplication* app = &target->application();
    target->mainQueue().async([app] { app->terminate(); });
    return true;
}

bool SimWorkspace::activateApplication(int pid, uint64_t options) {
    SimApps& apps = process_.world().apps();
    apps.record({SimAppRequest::Kind::Activate, pid, options, process_.pid()});
    SimProcess* target = apps.runningProcess(pid);
    if (!target) return false;
    apps.activate(*target);
    return true;
}

void SimWorkspace::sendToApplication(const std::string& bundleID, FourCharCode eventClass,
                                     FourCharCode eventID,
                                     const std::optional<std::string>& directObject) {
    AppleEvent event(eventClass, eventID, bundleID);
    if (directObject)
        event.setParamDescriptor(AEKeyword::kDirectObject,
                                 AppleEventDescriptor::string(*directObject));
    (void)process_.appleEventManager().send(event, AESendMode::kNoReply, kAEDefaultTimeout);
}

}  // namespace platform
