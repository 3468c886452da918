#include "platform/linux/LinuxApplication.h"

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <any>
#include <cerrno>
#include <cstdlib>

#include "platform/core/Log.h"
#include "platform/linux/InstalledApplications.h"

namespace platform {

namespace {

constexpr FourCharCode kCoreSuite = FourCharCode::make("aevt");
constexpr FourCharCode kQuit = FourCharCode::make("quit");
constexpr FourCharCode kReopen = FourCharCode::make("rapp");
constexpr int kHandledSignals[] = {SIGTERM, SIGINT};

// The signal handler's only way out: a byte down the pipe, read on the main thread.
int gSignalWriteEnd = -1;
struct sigaction gPreviousActions[2];

void onSignal(int sig) {
    const int saved = errno;
    const char byte = static_cast<char>(sig);
    if (gSignalWriteEnd >= 0) {
        ssize_t ignored = ::write(gSignalWriteEnd, &byte, 1);
        (void)ignored;
    }
    errno = saved;
}

uint64_t takeLaunchOptions() {
    const char* text = std::getenv(LinuxApplication::kLaunchOptionsVariable);
    uint64_t options = 0;
    if (text) {
        char* end = nullptr;
        const unsigned long long value = std::strtoull(text, &end, 10);
        if (*text && *end == '\0') options = value;
        unsetenv(LinuxApplication::kLaunchOptionsVariable);
    }
    return options;
}

std::unique_ptr<QCoreApplication> makeCoreApplication(int& argc, char** argv) {
    return std::make_unique<QCoreApplication>(argc, argv);
}

// The defaults domain and log name of the program: its bundle identifier, or for a tool that
// is not a bundle, its file name.
std::string hostIdentifier() {
    if (auto id = Bundle::main().bundleIdentifier(); id && !id->empty()) return *id;
    if (auto exe = Bundle::main().executablePath()) return exe->filename().string();
    return "purlane";
}

}  // namespace

LinuxApplication::LinuxApplication(int& argc, char** argv)
    : LinuxApplication(argc, argv, makeCoreApplication, nullptr) {}

LinuxApplication::LinuxApplication(int& argc, char** argv, QtFactory makeQt,
                                   std::unique_ptr<ApplicationWindows> windows)
    : qt_(makeQt(argc, argv)), windows_(std::move(windows)) {
    for (int i = 1; i < argc; ++i) arguments_.emplace_back(argv[i]);
    options_ = takeLaunchOptions();
    const Bundle& main = Bundle::main();
    policy_ = main.bundleIdentifier() ? InstalledApplications::activationPolicy(main)
                                      : ActivationPolicy::Prohibited;
    host_ = std::make_unique<LinuxHost>(hostIdentifier());
    workspace_ = std::make_unique<LinuxWorkspace>(host_->mainQueue(), events_);
    registry_ = std::make_unique<AppRegistry>(
        initialIdentity(), AppRegistry::Callbacks{
                               [this] { terminate(); },
                               [this](uint64_t) { activate(true); },
                               [this](const std::string& event) { return events_.handle(event); },
                           });
    // Another program coming to the front leaves this one behind.
    activationObserver_ = workspace_->notificationCenter().addObserver(
        kWorkspaceDidActivateApplication, nullptr, [this](const Notification& n) {
            auto it = n.userInfo.find(kWorkspaceApplicationKey);
            const auto* app =
                it != n.userInfo.end() ? std::any_cast<RunningApplication>(&it->second) : nullptr;
            if (app && app->processIdentifier() != processIdentifier()) active_ = false;
        });
    busWatch_ = std::make_unique<SessionBusWatch>([this] {
        log("The session bus is gone: quitting");
        terminate();
    });
    installHandlers();
    installSignalHandlers();
}

LinuxApplication::~LinuxApplication() {
    restoreSignalHandlers();
    workspace_->notificationCenter().removeObserver(activationObserver_);
    busWatch_.reset();
    registry_.reset();
    workspace_.reset();
    host_.reset();
}

int LinuxApplication::processIdentifier() const {
    return static_cast<int>(getpid());
}

RegisteredApplication LinuxApplication::initialIdentity() const {
    const Bundle& main = Bundle::main();
    RegisteredApplication id;
    id.pid = processIdentifier();
    id.bundleIdentifier = main.bundleIdentifier().value_or("");
    if (main.bundlePath().extension() == ".app") id.bundleURL = main.bundleURL().absoluteString();
    id.localizedName = main.bundlePath().extension() == ".app"
                           ? InstalledApplications::displayName(main)
                           : main.executablePath().value_or("purlane").filename().string();
    id.activationPolicy = static_cast<int>(policy_);
    return id;
}

void LinuxApplication::installHandlers() {
    events_.setEventHandler(kCoreSuite, kQuit, [this](const AppleEvent&, AppleEvent&) {
        terminate();
        return OSErr::kNoErr;
    });
    events_.setEventHandler(kCoreSuite, kReopen, [this](const AppleEvent&, AppleEvent&) {
        if (delegate_) delegate_->applicationShouldHandleReopen(*this, hasVisibleWindows());
        return OSErr::kNoErr;
    });
}

void LinuxApplication::installSignalHandlers() {
    if (pipe2(signalPipe_, O_CLOEXEC | O_NONBLOCK) != 0) {
        log("Couldn't watch for termination signals: " + std::string(std::strerror(errno)));
        return;
    }
    gSignalWriteEnd = signalPipe_[1];
    signalNotifier_ = std::make_unique<QSocketNotifier>(signalPipe_[0], QSocketNotifier::Read);
    QObject::connect(signalNotifier_.get(), &QSocketNotifier::activated, [this] {
        char buffer[16];
        while (::read(signalPipe_[0], buffer, sizeof buffer) > 0) {
        }
        terminate();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kHandledSignals); ++i)
        sigaction(kHandledSignals[i], &action, &gPreviousActions[i]);
}

void LinuxApplication::restoreSignalHandlers() {
    if (gSignalWriteEnd < 0) return;
    for (size_t i = 0; i < std::size(kHandledSignals); ++i)
        sigaction(kHandledSignals[i], &gPreviousActions[i], nullptr);
    gSignalWriteEnd = -1;
    signalNotifier_.reset();
    close(signalPipe_[0]);
    close(signalPipe_[1]);
}

bool LinuxApplication::setActivationPolicy(ActivationPolicy policy) {
    policy_ = policy;
    if (policy == ActivationPolicy::Prohibited) active_ = false;
    registry_->updateIdentity(
        [policy](RegisteredApplication& id) { id.activationPolicy = static_cast<int>(policy); });
    return true;
}

int LinuxApplication::run() {
    // Before will-finish: requests that come meanwhile wait in the bus socket until the event
    // loop runs, so a launcher may talk to the program as soon as it is listed.
    if (!registry_->registerOnBus())
        log("Not registered on the session bus: other programs cannot list or reach this one");
    if (delegate_ && !terminating_) delegate_->applicationWillFinishLaunching(*this);
    if (delegate_ && !terminating_) delegate_->applicationDidFinishLaunching(*this);
    if (!terminating_) {
        if (options_ & LaunchOption::kAndHide)
            hide();
        else if (!(options_ & LaunchOption::kWithoutActivation))
            activate(true);
    }
    if (!terminating_) {
        looping_ = true;
        QCoreApplication::exec();
        looping_ = false;
    }
    // Leaving the bus is a round trip: replies still queued are sent before the program ends.
    registry_->unregisterFromBus();
    return 0;
}

void LinuxApplication::terminate() {
    if (terminating_) return;
    terminating_ = true;
    if (delegate_) delegate_->applicationWillTerminate(*this);
    if (looping_) QCoreApplication::exit(0);
}

void LinuxApplication::activate(bool /*ignoringOtherApps*/) {
    if (policy_ == ActivationPolicy::Prohibited || terminating_) return;
    if (hidden_) unhide();
    active_ = true;
    const double now = AppRegistry::realTimeNow();
    registry_->updateIdentity([now](RegisteredApplication& id) { id.activatedAt = now; });
    if (windows_) windows_->raiseAll();
    registry_->announceActivation();
}

void LinuxApplication::hide() {
    hidden_ = true;
    active_ = false;
    if (windows_) windows_->hideAll();
}

void LinuxApplication::unhide() {
    hidden_ = false;
    if (windows_) windows_->unhideAll();
}

bool LinuxApplication::hasVisibleWindows() const {
    return windows_ && windows_->hasVisibleWindows();
}

}  // namespace platform
