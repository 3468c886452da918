// purlaneAgent: composes the agent from the Linux platform and runs it.

#include <QProcess>
#include <QStandardPaths>
#include <filesystem>

#include "agent/actions/GlobalActionsManager.h"
#include "agent/app/AgentGURLHandler.h"
#include "agent/app/AppDelegate.h"
#include "agent/app/ScriptCommandDispatcher.h"
#include "agent/engine/PLClient.h"
#include "agent/engine/PurlaneServerConnection.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/files/FileCleaner.h"
#include "agent/help/DocWindowController.h"
#include "agent/library/PLGroupType.h"
#include "agent/library/SharedDataLoader.h"
#include "agent/prefs/AgentPrefsPanes.h"
#include "agent/prefs/DesktopShortcutBindings.h"
#include "agent/prefs/GlobalShortcutsPaneWidget.h"
#include "agent/prefs/PLPrefsServicesWidget.h"
#include "agent/prefs/PreferencesWindow.h"
#include "agent/shortcuts/ValidatorChecks.h"
#include "agent/surfaces/ApplicationActions.h"
#include "agent/surfaces/GlobalPopoverFactory.h"
#include "agent/surfaces/PLPickCleaner.h"
#include "agent/surfaces/PickCleanerDialog.h"
#include "agent/surfaces/QtPopoverViewFactory.h"
#include "agent/ui/CleanerListWidget.h"
#include "agent/updates/DirectAppUpdater.h"
#include "platform/coding/StringEncodings.h"
#include "platform/core/Log.h"
#include "platform/linux/BellSounds.h"
#include "platform/linux/DesktopNotifications.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/LinuxFileLocations.h"
#include "platform/linux/LinuxGuiApplication.h"
#include "platform/linux/LinuxServicesMenu.h"
#include "platform/linux/MimeTypeIdentifiers.h"
#include "platform/linux/QtMenuPresenter.h"
#include "platform/linux/QtStatusBar.h"
#include "platform/linux/QtUpdateTransport.h"
#include "platform/linux/QtUpdateUserInterface.h"
#include "platform/linux/SessionServices.h"
#include "platform/linux/XdgAutostartLoginItems.h"
#include "platform/linux/x11/X11ModifierFlags.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/updates/StandardUpdater.h"
#include "platform/updates/UpdateSignature.h"
#include "platform/workspace/Localization.h"

#include <QApplication>

using namespace platform;

namespace {

// The remote-desktop portal's permission, kept so its dialog is not shown at every start.
constexpr const char* kRestoreTokenKey = "RemoteDesktopRestoreToken";

// The popover's action menu: the application delegate's actions and the application's own.
class AgentApplicationActions : public ApplicationActions {
  public:
    explicit AgentApplicationActions(Application& app) : app_(app) {}
    AppDelegate* delegate = nullptr;

    void showAboutPanel() override {
        if (delegate) delegate->showAboutPanel();
    }
    void showPreferencesWindow() override {
        if (delegate) delegate->showPreferencesWindow();
    }
    void launchPurlaneApp() override {
        if (delegate) delegate->launchPurlaneApp();
    }
    void checkForAppUpdates() override {
        if (delegate) delegate->checkForAppUpdates(0);
    }
    void showOnlineHelp() override {
        if (delegate) delegate->showOnlineHelp();
    }
    void terminate() override { app_.terminate(); }

  private:
    Application& app_;
};

// The command line desktop key bindings run; the desktop runs it without our PATH.
std::string purlanectlPath(const Bundle& bundle) {
    const QString found = QStandardPaths::findExecutable("purlanectl");
    if (!found.isEmpty()) return found.toStdString();
    // A build tree: bin/ beside Applications/.
    const auto beside = bundle.bundlePath().parent_path().parent_path() / "bin" / "purlanectl";
    return std::filesystem::exists(beside) ? beside.string() : std::string("purlanectl");
}

// A program run to its end: its output, or nothing when it failed.
std::optional<std::string> runToEnd(const std::vector<std::string>& argv) {
    if (argv.empty()) return std::nullopt;
    QStringList arguments;
    for (size_t i = 1; i < argv.size(); ++i) arguments << QString::fromStdString(argv[i]);
    QProcess process;
    process.start(QString::fromStdString(argv[0]), arguments);
    if (!process.waitForFinished(10000) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return std::nullopt;
    return process.readAllStandardOutput().toStdString();
}

}  // namespace

int main(int argc, char** argv) {
    LinuxGuiApplication app(argc, argv);
    // An agent lives in the status area: closing its last window (the pick window, a help
    // window) must not end it.
    QApplication::setQuitOnLastWindowClosed(false);
    LinuxHost& host = app.host();

    // The desktop session's hot keys, keys, clipboard and focus, each by the route it offers.
    UserDefaults& settings = host.standardUserDefaults();
    SessionServices session(
        {host.bundleIdentifier(),
         [&host](std::function<void()> task) { host.mainQueue().async(task); },
         [&settings] {
             return settings.objectForKey("SyntheticClipboardKeys").value_or(PropertyList());
         },
         [&settings] { return settings.stringForKey(kRestoreTokenKey); },
         [&host](const std::string& token) {
             // Called off the main thread.
             host.mainQueue().async([&host, token] {
                 host.standardUserDefaults().setString(kRestoreTokenKey, token);
             });
         }});
    if (session.isWayland()) app.setForeignApplications(session.takeForeignApplications());
    auto pasteboards = session.pasteboards(FilePasteboardStore::open());
    if (!pasteboards.ok()) {
        log("No pasteboards: " + pasteboards.error().debugDescription());
        return 1;
    }
    LinuxFileLocations locations;
    BellSounds sounds;
    Accessibility& accessibility = session.accessibility();
    DesktopNotifications notices(app.bundle().infoString("CFBundleName").value_or("Purlane"));
    UserDefaults& shared = host.suite(SharedDataLoader::kGroupIdentifier);

    auto encodings = std::make_shared<TextEncodingCatalog>(
        StringEncodings::available(),
        localized("Western", "Encoding family word in encoding names"),
        localized("Unicode", "Encoding family word in encoding names"));
    PLClient client({*pasteboards, &shared, &host.notificationCenter(),
                     std::make_shared<SharedDataLoader>(locations, host.standardUserDefaults()),
                     encodings});
    PLClient::setShared(&client);
    MimeTypeIdentifiers fileTypes;
    FileCleaner fileCleaner({client, *pasteboards, fileTypes, *encodings});
    FileCleaner::setShared(&fileCleaner);
    client.setFileCleaning([&fileCleaner](const Url& url, const PropertyList::Dictionary& options) {
        fileCleaner.cleanForURL(url, options);
    });
    PurlaneServerConnection server(shared, app.workspace(), sounds);

    // Keys: the session's keymap, or without one a US keymap to read key codes from (no key
    // can be posted then, and the pipeline says so).
    XkbKeyboardLayout* layout = session.layout();
    std::unique_ptr<CGKeyCodeLookup> keys;
    ActiveAppTracker tracker(app.workspace(), app.processIdentifier());
    // Hot keys: where the session lets us have them; elsewhere the user's shortcuts stay
    // unregistered.
    HotKeys* sessionHotKeys = session.hotKeys();
    std::unique_ptr<MASShortcutMonitor> monitor;
    std::unique_ptr<MASShortcutValidator> validator;
    ShortcutList shortcutList(host.standardUserDefaults(), host.notificationCenter());
    std::unique_ptr<GlobalHotKeys> hotKeys;
    if (sessionHotKeys && session.systemShortcuts() && layout) {
        monitor = std::make_unique<MASShortcutMonitor>(*sessionHotKeys, host.mainQueue());
        // No main-menu provider: the agent has no main menu on Linux (a status-area program),
        // so only the desktop's own shortcuts can make a combination unusable.
        validator = std::make_unique<MASShortcutValidator>(
            host.standardUserDefaults(), *session.systemShortcuts(), *layout, nullptr);
        hotKeys = std::make_unique<GlobalHotKeys>(*monitor, *validator, shortcutList,
                                                  host.standardUserDefaults());
    } else {
        log("Global hot keys are not available in this session");
    }

    LinuxServicesMenu servicesMenu(app.appleEventManager(), app.workspace(), *pasteboards);
    // Software updates: the framework's checks over Qt Network, its windows, and the agent's
    // channel and feed choice in front. Nothing touches the network until a check runs.
    const Bundle& bundle = app.bundle();
    QtUpdateTransport updateTransport;
    QtUpdateUserInterface updateWindows([&app](const std::string& text) {
        if (auto url = Url::parse(text)) app.workspace().openURL(*url);
    });
    StandardUpdater suUpdater(
        {host.standardUserDefaults(), host.mainQueue(), updateTransport, updateWindows,
         app.workspace(), bundle.infoString("CFBundleName").value_or("purlaneAgent"),
         bundle.infoString("CFBundleVersion").value_or(""),
         bundle.infoString("CFBundleShortVersionString").value_or(""),
         bundle.infoString(UpdateSignature::kPublicKeyInfoKey),
         locations.userLibraryDirectory() / "Caches" / host.bundleIdentifier() / "Updates"});
    DirectAppUpdater directUpdater(suUpdater, host.standardUserDefaults());
    AppUpdater updater(&directUpdater, host.notificationCenter());
    AppUpdater::setShared(&updater);

    // Help and release-notes windows, each made when first asked for.
    AgentNavigator navigator(
        bundle, sounds,
        [&](const NavDestinationConfig& config, AgentNavigator::NavDestination destination) {
            const bool notes = destination == AgentNavigator::NavDestination::releaseNotes;
            return std::make_unique<DocWindowController>(
                DocWindowController::Services{bundle, app.workspace(), sounds,
                                              host.standardUserDefaults()},
                config,
                notes ? std::string(DocWindowController::kAutosaveName) + ".releaseNotes"
                      : std::string(DocWindowController::kAutosaveName));
        });
    AgentNavigator::setShared(&navigator);

    // The status item, its menus, the popover and the pick window; windows are made when
    // first shown.
    QtStatusBar systemStatusBar(bundle);
    QtMenuPresenter menuPresenter;
    X11ModifierFlags modifiers;
    const PLCleanerListViewController::Collaborators listServices{
        &client,    &host.standardUserDefaults(), &host.notificationCenter(), &sounds,
        &modifiers, qtCapHeightSource()};
    AgentApplicationActions applicationActions(app);
    GlobalPopoverFactory popoverContents(
        {listServices, host.standardUserDefaults(), bundle.infoDictionary(),
         [&updater] { return updater.updateAvailable(); }, &applicationActions},
        {&client, &host.standardUserDefaults(), &host.notificationCenter(), &modifiers});
    QtPopoverViewFactory popoverViews;
    PLPickCleaner pickCleaner({listServices, app.workspace(), app, [](PLPickCleaner& pick) {
                                   return std::make_unique<PickCleanerDialog>(pick);
                               }});
    client.setPickList([&pickCleaner](const std::optional<std::string>& start) {
        return pickCleaner.showPickListWithStart(start);
    });
    AppDelegate* appDelegate = nullptr;

    // URL commands: queued until start-up ends, then run on the main queue.
    AgentGURLHandler urlHandler({app, host.mainQueue(), host.notificationCenter(),
                                 [&appDelegate] {
                                     if (appDelegate) appDelegate->launchPurlaneApp();
                                 },
                                 [](const std::string& pane) {
                                     // Made further down, before any URL is handled.
                                     if (auto* preferences = AgentPreferencesController::shared())
                                         preferences->showPanelWithNamed(pane);
                                 }});
    urlHandler.setUpdater(&updater);
    AgentGURLHandler::setShared(&urlHandler);

    std::unique_ptr<GlobalActionsManager> actions;
    // Without a clipboard there is nothing to apply a cleaner to; without keys the pipeline
    // cleans what the user copied and leaves it on the clipboard.
    if (layout && session.canApplyCleaners())
        keys = std::make_unique<CGKeyCodeLookup>(*layout, session.keyEvents(),
                                                 host.standardUserDefaults(), host.clock());
    if (keys) {
        actions = std::make_unique<GlobalActionsManager>(GlobalActionsManager::Services{
            host, shared, app.workspace(), accessibility, *pasteboards, client, sounds, *keys,
            tracker, hotKeys.get(), &systemStatusBar, &menuPresenter, &modifiers, &popoverContents,
            &popoverViews,
            [&appDelegate] {
                if (appDelegate) appDelegate->launchPurlaneApp();
            },
            &notices});
    } else {
        log("Cleaners cannot be applied in place: " +
            std::string(layout ? "this session's clipboard cannot be reached"
                               : "no keyboard layout (xkeyboard-config missing?)"));
    }

    // The preferences window, made when first shown. Each pane maker makes a new pane: the
    // list is made again when the develop option changes.
    XdgAutostartLoginItems loginItems;
    PLVendorPages vendorPages(app.workspace());
    AgentPreferencesController::PaneMakers paneMakers = AgentPrefsPanes::makers(
        {host.standardUserDefaults(), shared, host.notificationCenter(), host.distributedCenter(),
         loginItems, app, host.bundleIdentifier(), vendorPages, &updater,
         [&appDelegate] {
             if (appDelegate) appDelegate->showReleaseNotes();
         },
         [&client] {
             // Built-in groups are stored by uuid, as the lists store them.
             std::vector<PLAgentPrefsGeneralController::GroupChoice> choices;
             const PLClientData& data = client.groups().clientData();
             for (const std::string& name : data.groupNames(PLGroupType::all)) {
                 auto uuid = data.groupInfo.nameLookup.find(name);
                 const bool builtin =
                     uuid != data.groupInfo.nameLookup.end() && uuid->second.starts_with("##");
                 choices.emplace_back(name, builtin ? uuid->second : name);
             }
             return choices;
         }});
    // Hot keys can only be recorded where they can be registered; where the desktop binds keys
    // itself, the pane shows the command lines to bind.
    ShortcutRecorderRegistry recorderRegistry;
    std::unique_ptr<ValidatorChecks> shortcutChecks;
    std::unique_ptr<DesktopShortcutBindings> desktopBindings;
    if (session.routes().hotKeys == SessionRoutes::HotKeys::DesktopBinding)
        desktopBindings =
            std::make_unique<DesktopShortcutBindings>(purlanectlPath(bundle), runToEnd);
    if (validator) shortcutChecks = std::make_unique<ValidatorChecks>(*validator);
    if ((shortcutChecks || desktopBindings) && layout) {
        paneMakers["hotkeys"] = [&] {
            return GlobalShortcutsPaneWidget::makePane(
                {&shortcutList, &client, &host.standardUserDefaults(), &sounds, &host.mainQueue(),
                 shortcutChecks.get(), desktopBindings.get()},
                {&recorderRegistry, shortcutChecks.get(), layout, &sounds});
        };
    }
    const KeyboardShortcutSettings keyboardSettings =
        PLPrefsServicesWidget::desktopKeyboardSettings();
    paneMakers["services"] = [&] {
        auto pane =
            std::make_shared<PLPrefsServicesController>(PLPrefsServicesController::Collaborators{
                client, host.standardUserDefaults(), app.workspace(), host.notificationCenter(),
                &servicesMenu, locations.userLibraryDirectory(),
                keyboardSettings.available() ? &keyboardSettings : nullptr});
        PLPrefsServicesWidget::install(*pane);
        return pane;
    };
    AgentPreferencesController preferences(paneMakers, host.standardUserDefaults(),
                                           host.distributedCenter(),
                                           PreferencesWindow::maker(&bundle));
    AgentPreferencesController::setShared(&preferences);

    AppDelegate delegate({app, host, accessibility, client, server, urlHandler,
                          locations.userLibraryDirectory(), actions.get(), &servicesMenu});

    std::unique_ptr<ScriptCommandDispatcher> scripts;
    if (auto sdef = app.bundle().pathForResource("purlaneAgent", "sdef")) {
        auto definition = ScriptingDefinition::readFile(*sdef);
        if (definition.ok()) {
            scripts = std::make_unique<ScriptCommandDispatcher>(
                std::move(definition).value(),
                ScriptCommand::Context{client, *pasteboards, actions.get()});
            scripts->install(app.appleEventManager());
        } else {
            log("Scripting definition unreadable: " + definition.error().debugDescription());
        }
    } else {
        // Without it every script command would only answer "event not handled".
        log("Scripting definition missing: " +
            (app.bundle().resourcePath() / "purlaneAgent.sdef").string() +
            "; script commands are not available");
    }

    applicationActions.delegate = &delegate;
    appDelegate = &delegate;
    delegate.setUpdater(&updater);
    delegate.setNavigator(&navigator);
    delegate.setPreferences(&preferences);
    app.setDelegate(&delegate);
    return app.run();
}
