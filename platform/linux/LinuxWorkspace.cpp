#include "platform/linux/LinuxWorkspace.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusPendingCallWatcher>
#include <QDBusReply>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/core/Log.h"
#include "platform/linux/AppRegistry.h"
#include "platform/linux/ApplicationLauncher.h"
#include "platform/linux/DetachedProcess.h"
#include "platform/linux/InstalledApplications.h"
#include "platform/linux/XdgTrash.h"

namespace platform {

namespace {

constexpr FourCharCode kCoreSuite = FourCharCode::make("aevt");
constexpr FourCharCode kReopen = FourCharCode::make("rapp");
constexpr FourCharCode kOpenDocuments = FourCharCode::make("odoc");
constexpr FourCharCode kGetURL = FourCharCode::make("GURL");

const char* kFileManagerService = "org.freedesktop.FileManager1";

std::vector<std::string> launchArguments(const PropertyList::Dictionary& configuration) {
    std::vector<std::string> arguments;
    const PropertyList* list = configuration.find(kLaunchConfigurationArguments);
    if (!list || !list->asArray()) return arguments;
    for (const auto& item : *list->asArray()) {
        if (const std::string* text = item.asString()) arguments.push_back(*text);
    }
    return arguments;
}

bool fileManagerAvailable(QDBusConnection& bus) {
    QDBusConnectionInterface* iface = bus.interface();
    if (!iface) return false;
    const QString name = QString::fromLatin1(kFileManagerService);
    const QDBusReply<bool> running = iface->isServiceRegistered(name);
    if (running.isValid() && running.value()) return true;
    const QDBusReply<QStringList> activatable = iface->activatableServiceNames();
    return activatable.isValid() && activatable.value().contains(name);
}

}  // namespace

LinuxWorkspace::LinuxWorkspace(MainQueue& mainQueue, AppleEventManager& events)
    : mainQueue_(mainQueue), events_(events) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return;
    const bool owners =
        bus.connect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                    QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"),
                    this, SLOT(nameOwnerChanged(QString, QString, QString)));
    const bool activations =
        bus.connect(QString(), AppRegistry::kPath, AppRegistry::kInterface,
                    QStringLiteral("Activated"), this, SLOT(applicationActivated(int)));
    listening_ = owners && activations;
}

LinuxWorkspace::~LinuxWorkspace() {
    if (!listening_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.disconnect(QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
                   QStringLiteral("org.freedesktop.DBus"), QStringLiteral("NameOwnerChanged"), this,
                   SLOT(nameOwnerChanged(QString, QString, QString)));
    bus.disconnect(QString(), AppRegistry::kPath, AppRegistry::kInterface,
                   QStringLiteral("Activated"), this, SLOT(applicationActivated(int)));
}

RunningApplication LinuxWorkspace::make(const RegisteredApplication& app) {
    std::optional<std::string> id;
    if (!app.bundleIdentifier.empty()) id = app.bundleIdentifier;
    std::optional<Url> url;
    if (!app.bundleURL.empty()) url = Url::parse(app.bundleURL);
    return RunningApplication(this, app.pid, std::move(id), std::move(url), app.localizedName,
                              static_cast<ActivationPolicy>(app.activationPolicy));
}

RunningApplication LinuxWorkspace::make(int pid, const Bundle& bundle) {
    return RunningApplication(this, pid, bundle.bundleIdentifier(), bundle.bundleURL(),
                              InstalledApplications::displayName(bundle),
                              InstalledApplications::activationPolicy(bundle));
}

RunningApplication LinuxWorkspace::make(const WindowedApplication& app) {
    return RunningApplication(this, app.pid, app.bundleIdentifier, std::nullopt, app.localizedName,
                              ActivationPolicy::Regular);
}

void LinuxWorkspace::setForeignApplications(std::unique_ptr<ForeignApplications> foreign) {
    foreign_ = std::move(foreign);
    if (!foreign_) return;
    std::weak_ptr<bool> alive = alive_;
    foreign_->setFrontmostChanged([this, alive](const WindowedApplication& app) {
        mainQueue_.async([this, alive, app] {
            if (alive.lock()) foreignActivated(app);
        });
    });
}

void LinuxWorkspace::foreignActivated(const WindowedApplication& app) {
    if (app.pid == lastActivated_) return;
    lastActivated_ = app.pid;
    // One of ours says who it is on the bus.
    if (AppRegistry::isRunning(app.pid)) {
        postAbout(app.pid, kWorkspaceDidActivateApplication);
        return;
    }
    post(kWorkspaceDidActivateApplication, make(app));
}

std::vector<RunningApplication> LinuxWorkspace::runningApplications() {
    std::vector<RunningApplication> apps;
    for (const auto& registered : AppRegistry::list()) {
        apps.push_back(make(registered));
        remember(registered.pid, apps.back());
    }
    if (!foreign_) return apps;
    for (const auto& windowed : foreign_->withWindows()) {
        const bool ours = std::any_of(apps.begin(), apps.end(), [&](const auto& a) {
            return a.processIdentifier() == windowed.pid;
        });
        if (!ours) apps.push_back(make(windowed));
    }
    return apps;
}

std::optional<RunningApplication> LinuxWorkspace::frontmostApplication() {
    const auto apps = AppRegistry::list();
    if (auto front = foreign_ ? foreign_->frontmost() : std::nullopt) {
        for (const auto& registered : apps) {
            if (registered.pid == front->pid) return make(registered);
        }
        return make(*front);
    }
    // No window is active: of our programs, the last one activated is in front.
    auto front = std::max_element(apps.begin(), apps.end(), [](const auto& a, const auto& b) {
        return a.activatedAt < b.activatedAt;
    });
    if (front == apps.end() || front->activatedAt <= 0) return std::nullopt;
    return make(*front);
}

std::optional<Url> LinuxWorkspace::URLForApplicationWithBundleIdentifier(const std::string& id) {
    if (auto bundle = InstalledApplications::withIdentifier(id)) return bundle->bundleURL();
    return std::nullopt;
}

Result<RunningApplication> LinuxWorkspace::runningOrLaunched(
    const Bundle& bundle, uint64_t options, const std::vector<std::string>& arguments,
    bool& launched) {
    launched = false;
    const auto id = bundle.bundleIdentifier();
    if (id && !(options & LaunchOption::kNewInstance)) {
        auto running = runningApplicationsWithBundleIdentifier(*id);
        if (!running.empty()) {
            if (!(options & LaunchOption::kWithoutActivation)) running.front().activate();
            return running.front();
        }
    }
    auto pid = ApplicationLauncher::launch(bundle, options, arguments);
    if (!pid.ok()) return pid.error();
    launched = true;
    RunningApplication app = make(*pid, bundle);
    remember(*pid, app);
    return app;
}

Result<RunningApplication> LinuxWorkspace::launchApplicationAtURL(
    const Url& url, uint64_t options, const PropertyList::Dictionary& configuration) {
    auto bundle = Bundle::open(url);
    if (!bundle) {
        std::string name = url.deletingPathExtension().lastPathComponent();
        if (url.isFileURL() && !std::filesystem::exists(url.path()))
            return Error::noSuchFile(url.lastPathComponent(), url.path());
        return ApplicationLauncher::cannotOpen(name, url.absoluteString() + " is not a bundle");
    }
    bool launched = false;
    auto app = runningOrLaunched(*bundle, options, launchArguments(configuration), launched);
    if (app.ok() && !launched) {
        // Launching what runs already reopens it, as a second click in the dock does.
        AppleEvent reopen(kCoreSuite, kReopen, bundle->bundleIdentifier().value_or(""));
        events_.send(reopen, AESendMode::kNoReply, kAEDefaultTimeout);
    }
    return app;
}

bool LinuxWorkspace::openURL(const Url& url) {
    if (url.empty()) return false;
    if (url.isFileURL()) return openFile(url.path());
    auto bundle = InstalledApplications::claimingScheme(url.scheme());
    if (!bundle || !bundle->bundleIdentifier()) return xdgOpen(url.absoluteString());

    bool launched = false;
    auto app = runningOrLaunched(*bundle, 0, {}, launched);
    if (!app.ok()) {
        log("Couldn't open " + url.absoluteString() + ": " + app.error().debugDescription());
        return false;
    }
    AppleEvent event(kGetURL, kGetURL, *bundle->bundleIdentifier());
    event.setParamDescriptor(AEKeyword::kDirectObject,
                             AppleEventDescriptor::string(url.absoluteString()));
    return events_.send(event, AESendMode::kNoReply, kAEDefaultTimeout).error == OSErr::kNoErr;
}

bool LinuxWorkspace::openFile(const std::string& path,
                              const std::optional<std::string>& application) {
    std::error_code ec;
    const std::string absolute = std::filesystem::absolute(path, ec).lexically_normal().string();
    if (ec || !std::filesystem::exists(absolute, ec)) return false;
    if (!application) return xdgOpen(absolute);

    auto bundle = InstalledApplications::named(*application);
    if (!bundle) return false;
    bool launched = false;
    auto app = runningOrLaunched(*bundle, 0, {absolute}, launched);
    if (!app.ok()) {
        log("Couldn't open " + absolute + ": " + app.error().debugDescription());
        return false;
    }
    if (launched) return true;  // the path went along as an argument
    AppleEvent event(kCoreSuite, kOpenDocuments, bundle->bundleIdentifier().value_or(""));
    event.setParamDescriptor(AEKeyword::kDirectObject,
                             AppleEventDescriptor::list(
                                 {AppleEventDescriptor::fileURL(Url::fileURLWithPath(absolute))}));
    return events_.send(event, AESendMode::kNoReply, kAEDefaultTimeout).error == OSErr::kNoErr;
}

void LinuxWorkspace::activateFileViewerSelectingURLs(const std::vector<Url>& urls) {
    if (urls.empty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected() && fileManagerAvailable(bus)) {
        QStringList uris;
        for (const auto& url : urls) uris << QString::fromStdString(url.absoluteString());
        const QString name = QString::fromLatin1(kFileManagerService);
        QDBusMessage call =
            QDBusMessage::createMethodCall(name, QStringLiteral("/org/freedesktop/FileManager1"),
                                           name, QStringLiteral("ShowItems"));
        call << uris << QString();
        bus.send(call);
        return;
    }
    xdgOpen(urls.front().deletingLastPathComponent().path());
}

void LinuxWorkspace::recycleURLs(const std::vector<Url>& urls, RecycleCompletion completion) {
    std::vector<std::pair<Url, Url>> moved;
    std::optional<Error> firstError;
    for (const auto& url : urls) {
        if (!url.isFileURL()) {
            if (!firstError)
                firstError = Error::other(
                    "\u201c" + url.absoluteString() + "\u201d couldn\u2019t be moved to the Trash.",
                    "not a file URL", Error::kFileWriteUnknown);
            continue;
        }
        auto trashed = XdgTrash::trash(url.path());
        if (!trashed.ok()) {
            if (!firstError) firstError = trashed.error();
            continue;
        }
        std::error_code ec;
        const bool folder =
            std::filesystem::is_directory(std::filesystem::symlink_status(*trashed, ec));
        moved.emplace_back(url, Url::fileURLWithPath(trashed->string(), folder));
    }
    if (!completion) return;
    mainQueue_.async([completion = std::move(completion), moved = std::move(moved),
                      firstError = std::move(firstError)] { completion(moved, firstError); });
}

bool LinuxWorkspace::terminateApplication(int pid) {
    return AppRegistry::requestTerminate(pid);
}

bool LinuxWorkspace::activateApplication(int pid, uint64_t options) {
    if (AppRegistry::requestActivate(pid, options)) return true;
    return foreign_ && foreign_->activate(pid);
}

bool LinuxWorkspace::xdgOpen(const std::string& target) {
    auto started = DetachedProcess::spawn("xdg-open", {target});
    if (!started.ok()) log("Couldn't open " + target + ": " + started.error().debugDescription());
    return started.ok();
}

void LinuxWorkspace::remember(int pid, const RunningApplication& app) {
    std::lock_guard lock(knownMutex_);
    known_[pid] = app;
}

std::optional<RunningApplication> LinuxWorkspace::forget(int pid) {
    std::lock_guard lock(knownMutex_);
    auto it = known_.find(pid);
    if (it == known_.end()) return std::nullopt;
    RunningApplication app = it->second;
    known_.erase(it);
    return app;
}

std::optional<RunningApplication> LinuxWorkspace::recall(int pid) const {
    std::lock_guard lock(knownMutex_);
    auto it = known_.find(pid);
    if (it == known_.end()) return std::nullopt;
    return it->second;
}

void LinuxWorkspace::post(const char* name, const RunningApplication& app) {
    center_.post(name, this, {{kWorkspaceApplicationKey, app}});
}

void LinuxWorkspace::postAbout(int pid, const char* name) {
    if (auto self = AppRegistry::selfIdentity(); self && self->pid == pid) {
        const RunningApplication app = make(*self);
        remember(pid, app);
        post(name, app);
        return;
    }
    QDBusMessage call =
        QDBusMessage::createMethodCall(AppRegistry::serviceName(pid), AppRegistry::kPath,
                                       AppRegistry::kInterface, QStringLiteral("Info"));
    call.setAutoStartService(false);
    auto* watcher = new QDBusPendingCallWatcher(
        QDBusConnection::sessionBus().asyncCall(call, AppRegistry::kInfoTimeoutMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, pid, name, watcher] {
        watcher->deleteLater();
        const QDBusMessage reply = watcher->reply();
        if (reply.type() == QDBusMessage::ReplyMessage && reply.arguments().size() == 1) {
            RegisteredApplication app =
                AppRegistry::fromMap(qdbus_cast<QVariantMap>(reply.arguments().at(0)));
            app.pid = pid;
            remember(pid, make(app));
        }
        post(name, recall(pid).value_or(RunningApplication(this, pid, std::nullopt, std::nullopt,
                                                           {}, ActivationPolicy::Regular)));
    });
}

void LinuxWorkspace::nameOwnerChanged(const QString& name, const QString& oldOwner,
                                      const QString& newOwner) {
    const auto pid = AppRegistry::pidForServiceName(name);
    if (!pid) return;
    if (oldOwner.isEmpty() && !newOwner.isEmpty()) {
        postAbout(*pid, kWorkspaceDidLaunchApplication);
    } else if (!oldOwner.isEmpty() && newOwner.isEmpty()) {
        RunningApplication app(this, *pid, std::nullopt, std::nullopt, {},
                               ActivationPolicy::Regular);
        if (auto last = forget(*pid)) app = *last;
        post(kWorkspaceDidTerminateApplication, app);
    }
}

void LinuxWorkspace::applicationActivated(int pid) {
    if (pid <= 0) return;
    lastActivated_ = pid;
    postAbout(pid, kWorkspaceDidActivateApplication);
}

}  // namespace platform
