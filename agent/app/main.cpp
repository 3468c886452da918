// purlaneAgent: composes the agent from the Linux platform and runs it.

#include "agent/actions/GlobalActionsManager.h"
#include "agent/app/AgentGURLHandler.h"
#include "agent/app/AppDelegate.h"
#include "agent/app/ScriptCommandDispatcher.h"
#include "agent/engine/PLClient.h"
#include "agent/engine/PurlaneServerConnection.h"
#include "agent/engine/TextEncodingCatalog.h"
#include "agent/files/FileCleaner.h"
#include "agent/library/SharedDataLoader.h"
#include "platform/coding/StringEncodings.h"
#include "platform/core/Log.h"
#include "platform/linux/BellSounds.h"
#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/LinuxFileLocations.h"
#include "platform/linux/LinuxGuiApplication.h"
#include "platform/linux/MimeTypeIdentifiers.h"
#include "platform/linux/QtUpdateTransport.h"
#include "platform/linux/QtUpdateUserInterface.h"
#include "platform/updates/StandardUpdater.h"
#include "platform/updates/UpdateSignature.h"
#include "agent/help/DocWindowController.h"
#include "agent/updates/DirectAppUpdater.h"
#include "platform/linux/LinuxServicesMenu.h"
#include "platform/linux/x11/X11Accessibility.h"
#include "platform/linux/x11/X11HotKeys.h"
#include "platform/linux/x11/X11PasteboardStore.h"
#include "platform/linux/x11/X11SystemShortcuts.h"
#include "platform/linux/x11/XTestKeyEvents.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/workspace/Localization.h"

using namespace platform;

int main(int argc, char** argv) {
    LinuxGuiApplication app(argc, argv);
    LinuxHost& host = app.host();

    auto pasteboards =
        X11PasteboardStore::wrap(FilePasteboardStore::open(), X11PasteboardStore::Mode::Watching);
    if (!pasteboards.ok()) {
        log("No pasteboards: " + pasteboards.error().debugDescription());
        return 1;
    }
    LinuxFileLocations locations;
    BellSounds sounds;
    X11Accessibility accessibility;
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
    client.setFileCleaning(
        [&fileCleaner](const Url& url, const PropertyList::Dictionary& options) {
            fileCleaner.cleanForURL(url, options);
        });
    PurlaneServerConnection server(shared, app.workspace(), sounds);

    // URL commands are not part of this build: URLs are accepted and reported.
    AgentGURLHandler urlHandler(
        [](const std::string& url) { log("URL command not available in this version: " + url); });

    // Keys: the display's keymap, or without a display a US keymap to read key codes from (no
    // key can be posted then, and the pipeline says so).
    std::unique_ptr<XkbKeyboardLayout> layout = XkbKeyboardLayout::fromDisplay();
    if (!layout) layout = XkbKeyboardLayout::fromNames({"us"});
    std::unique_ptr<XTestKeyEvents> keyEvents;
    std::unique_ptr<CGKeyCodeLookup> keys;
    ActiveAppTracker tracker(app.workspace(), app.processIdentifier());
    // Hot keys: grabs on the display; without one the user's shortcuts stay unregistered.
    std::unique_ptr<X11HotKeys> x11HotKeys =
        X11HotKeys::open([&host](std::function<void()> task) { host.mainQueue().async(task); });
    std::unique_ptr<X11SystemShortcuts> systemShortcuts;
    std::unique_ptr<MASShortcutMonitor> monitor;
    std::unique_ptr<MASShortcutValidator> validator;
    ShortcutList shortcutList(host.standardUserDefaults(), host.notificationCenter());
    std::unique_ptr<GlobalHotKeys> hotKeys;
    if (x11HotKeys && layout) {
        systemShortcuts = std::make_unique<X11SystemShortcuts>(*x11HotKeys);
        monitor = std::make_unique<MASShortcutMonitor>(*x11HotKeys, host.mainQueue());
        validator = std::make_unique<MASShortcutValidator>(host.standardUserDefaults(),
                                                           *systemShortcuts, *layout);
        hotKeys = std::make_unique<GlobalHotKeys>(*monitor, *validator, shortcutList,
                                                  host.standardUserDefaults());
    } else {
        log("No X display: global hot keys are not available");
    }

    std::unique_ptr<GlobalActionsManager> actions;
    if (layout) {
        keyEvents = std::make_unique<XTestKeyEvents>(*layout, [&host] {
            return host.standardUserDefaults()
                .objectForKey("SyntheticClipboardKeys")
                .value_or(PropertyList());
        });
        keys = std::make_unique<CGKeyCodeLookup>(*layout, *keyEvents, host.standardUserDefaults(),
                                                 host.clock());
        actions = std::make_unique<GlobalActionsManager>(GlobalActionsManager::Services{
            host, shared, app.workspace(), accessibility, *pasteboards, client, sounds, *keys,
            tracker, hotKeys.get()});
    } else {
        log("No keyboard layout (xkeyboard-config missing?): cleaners cannot be applied in place");
    }

    LinuxServicesMenu servicesMenu(app.appleEventManager(), app.workspace(), *pasteboards);
    // Software updates: the framework's checks over Qt Network, its windows, and the agent's
    // channel and feed choice in front. Nothing touches the network until a check runs.
    const Bundle& bundle = app.bundle();
    QtUpdateTransport updateTransport;
    QtUpdateUserInterface updateWindows([&app](const std::string& text) {
        if (auto url = Url::parse(text)) app.workspace().openURL(*url);
    });
    StandardUpdater suUpdater({host.standardUserDefaults(), host.mainQueue(), updateTransport,
                               updateWindows, app.workspace(),
                               bundle.infoString("CFBundleName").value_or("purlaneAgent"),
                               bundle.infoString("CFBundleVersion").value_or(""),
                               bundle.infoString("CFBundleShortVersionString").value_or(""),
                               bundle.infoString(UpdateSignature::kPublicKeyInfoKey),
                               locations.userLibraryDirectory() / "Caches" /
                                   host.bundleIdentifier() / "Updates"});
    DirectAppUpdater directUpdater(suUpdater, host.standardUserDefaults());
    AppUpdater updater(&directUpdater, host.notificationCenter());
    AppUpdater::setShared(&updater);

    // Help and release-notes windows, each made when first asked for.
    AgentNavigator navigator(bundle, sounds, [&](const NavDestinationConfig& config,
                                                 AgentNavigator::NavDestination destination) {
        const bool notes = destination == AgentNavigator::NavDestination::releaseNotes;
        return std::make_unique<DocWindowController>(
            DocWindowController::Services{bundle, app.workspace(), sounds,
                                          host.standardUserDefaults()},
            config,
            notes ? std::string(DocWindowController::kAutosaveName) + ".releaseNotes"
                  : std::string(DocWindowController::kAutosaveName));
    });
    AgentNavigator::setShared(&navigator);

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

    delegate.setUpdater(&updater);
    delegate.setNavigator(&navigator);
    app.setDelegate(&delegate);
    return app.run();
}
