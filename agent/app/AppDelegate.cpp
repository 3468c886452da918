#include "agent/app/AppDelegate.h"

#include "agent/app/Banner.h"
#include "agent/library/RegisteredDefaults.h"
#include "platform/core/Log.h"

using namespace platform;

namespace {
constexpr const char* kGroupsChanged = "com.purlane.groupsChanged";
constexpr const char* kPL8GroupsChanged = "PLGroupsChangedNotification";
constexpr const char* kSharedGroupsDataChanged =
    "com.halvik.PurlaneKit.SharedGroupsDataChangedNotification";
}  // namespace

const std::vector<std::string>& AppDelegate::otherAgentIdentifiers() {
    static const std::vector<std::string> ids = {
        "com.halvik.purlane.helper", "com.halvik.purlane7.agent",        "com.halvik.purlane8.menu",
        "com.halvik.purlane8.agent", "com.halvik.purlane-storeapp.menu", "com.halvik.purlane.agent",
    };
    return ids;
}

AppDelegate::AppDelegate(Services services) : s_(std::move(services)) {}

void AppDelegate::step(const std::string& name) {
    if (stepObserver_) stepObserver_(name);
}

void AppDelegate::applicationWillFinishLaunching(Application&) {
    step("registerDefaults");
    RegisteredDefaults::registerWith(s_.host.standardUserDefaults());
    step("installURLHandler");
    s_.urlHandler.install(s_.application.appleEventManager());
}

void AppDelegate::applicationDidFinishLaunching(Application& app) {
    UserDefaults& defaults = s_.host.standardUserDefaults();

    step("banner");
    print(startupBanner(app.bundle()));

    step("activationPolicy");
    app.setActivationPolicy(defaults.boolForKey(RegisteredDefaults::kHideDockIcon)
                                ? ActivationPolicy::Accessory
                                : ActivationPolicy::Regular);

    step("client");
    engineDelegate_ = std::make_shared<PLClientAgentDelegate>(defaults, s_.server, app.workspace(),
                                                              app.appleEventManager());
    s_.client.setDelegate(engineDelegate_);

    step("loadLibrary");
    s_.client.updateSharedData();

    step("observeLibraryChanges");
    DistributedNotificationCenter& center = s_.host.distributedCenter();
    center.addObserver(kPL8GroupsChanged, std::nullopt,
                       [this](const DistributedNotification& n) { purlane8groupsChanged(n.name); });
    center.addObserver(kSharedGroupsDataChanged, std::nullopt,
                       [this](const DistributedNotification& n) { purlane8groupsChanged(n.name); });
    center.addObserver(kGroupsChanged, std::nullopt,
                       [this](const DistributedNotification&) { groupsChanged(); });

    step("servicesProvider");
    serviceProvider_ = std::make_unique<PLServiceProvider>(s_.client);
    if (s_.servicesMenu) {
        s_.servicesMenu->setServicesProvider(serviceProvider_.get());
        s_.servicesMenu->updateDynamicServices();
    }

    step("globalActions");
    if (s_.globalActions) s_.globalActions->setup();

    step("accessibility");
    if (!s_.accessibility.isProcessTrusted(/*prompt=*/true))
        log("App appears not to be approved to use Accessibility");

    step("updater");
    if (updater_ && updater_->directUpdater())
        updater_->setup(AppUpdaterChannel::purlaneAgent, /*forceBetas=*/false);

    step("nextLaunchAction");
    if (defaults.stringForKey(kNextLaunchAction) == std::optional<std::string>("showPrefs"))
        showPreferencesWindow();
    defaults.removeObjectForKey(kNextLaunchAction);

    step("quitOtherAgents");
    if (!defaults.boolForKey(RegisteredDefaults::kLeaveOtherAgents)) quitOtherAgents();

    step("versionCleanUp");
    versionChangeCleanUp();

    step("openURLQueue");
    s_.urlHandler.beginProcessing();
}

bool AppDelegate::applicationShouldHandleReopen(Application&, bool /*hasVisibleWindows*/) {
    showPreferencesGeneral();
    return true;
}

void AppDelegate::groupsChanged() {
    s_.client.updateSharedData();
}

void AppDelegate::purlane8groupsChanged(const std::string& notificationName) {
    print("notification: " + notificationName);
    if (s_.host.standardUserDefaults().boolForKey(RegisteredDefaults::kPL8Connect))
        s_.client.updateSharedData();
}

void AppDelegate::showPreferencesWindow() {
    closePopover();
    s_.application.activate(/*ignoringOtherApps=*/true);
    if (!preferences_) return;
    const auto stored = s_.host.standardUserDefaults().stringForKey("prefs.selected.identifier");
    if (stored == std::optional<std::string>("info"))
        preferences_->showPanelWithNamed("general");
    else
        preferences_->showMainWindow();
}

void AppDelegate::showPreferencesGeneral() {
    showPreferencesPanel("general");
}

void AppDelegate::showAboutPanel() {
    showPreferencesPanel("about");
}

void AppDelegate::showReleaseNotesPanel() {
    showPreferencesPanel("notes");
}

void AppDelegate::showPreferencesPanel(const std::string& name) {
    closePopover();
    s_.application.activate(/*ignoringOtherApps=*/true);
    if (preferences_) preferences_->showPanelWithNamed(name);
}

void AppDelegate::launchPurlaneApp() {
    s_.application.activate(/*ignoringOtherApps=*/true);
    s_.server.launchEngineForUser();
}

void AppDelegate::quitOtherAgents() {
    quitQueue_ = s_.host.makeSerialQueue(kQuitQueueLabel);
    Workspace& workspace = s_.application.workspace();
    const int self = s_.application.processIdentifier();
    // Neither waits for nor checks the outcome: an agent that refuses stays.
    quitQueue_->async([&workspace, self] {
        for (const auto& id : otherAgentIdentifiers())
            for (const auto& app : workspace.runningApplicationsWithBundleIdentifier(id))
                if (app.processIdentifier() != self) app.terminate();
    });
}

void AppDelegate::versionChangeCleanUp() {
    UserDefaults& defaults = s_.host.standardUserDefaults();
    const std::string last = defaults.stringForKey(kLastVersionRun).value_or("");
    const std::string current = s_.application.bundle().infoString("CFBundleVersion").value_or("");
    if (last != current) {
        const Url stale =
            Url::fileURLWithPath((s_.userLibrary / "Services").string(), /*isDirectory=*/true)
                .appendingPathComponent(kStandardServiceBundle)
                .standardized();
        std::error_code ec;
        if (std::filesystem::exists(stale.path(), ec))
            s_.application.workspace().recycleURLs({stale}, [](auto&, auto) {});
    }
    defaults.setString(kLastVersionRun, current);
}

void AppDelegate::closePopover() {
    if (s_.globalActions) s_.globalActions->statusBar().closePopover();
}

void AppDelegate::showReleaseNotes() {
    // Only closes the popover: the notes themselves are a preferences pane.
    closePopover();
}

void AppDelegate::showOnlineHelp() {
    closePopover();
    s_.application.activate(/*ignoringOtherApps=*/true);
    if (navigator_) navigator_->navigate(AgentNavigator::NavDestination::documentation);
}

void AppDelegate::checkForAppUpdates(uint64_t modifierFlags) {
    closePopover();
    s_.application.activate(/*ignoringOtherApps=*/true);
    if (!updater_) {
        s_.host.notificationCenter().post(AppUpdater::checkedForUpdates);
        return;
    }
    if (modifierFlags & 0x80000)
        updater_->checkForBetaUpdates();
    else
        updater_->checkForUpdates();
}
