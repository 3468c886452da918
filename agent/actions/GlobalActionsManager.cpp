#include "agent/actions/GlobalActionsManager.h"

#include "agent/shortcuts/ShortcutNotifications.h"
#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "platform/workspace/Localization.h"

using namespace platform;

GlobalActionsManager::GlobalActionsManager(Services services)
    : s_(std::move(services)),
      gmenu_({s_.client, s_.host.standardUserDefaults(), s_.modifiers, s_.menuPresenter,
              s_.launchPurlaneApp}),
      statusBar_(
          {s_.host.standardUserDefaults(), s_.modifiers, s_.popoverContents, s_.popoverViews}) {
    gmenu_.delegate = this;
    statusBar_.delegate = this;
    if (s_.ghotKeys) {
        s_.ghotKeys->delegate = this;
        // The stored shortcuts may also change from outside (a shell, another copy of the
        // preferences): they take effect at once, as a save here does.
        shortcutsObserver_ = s_.host.standardUserDefaults().observe(
            ShortcutList::kDefaultsKey, [this](const std::optional<PropertyList>& stored) {
                if (!s_.ghotKeys->list().isOriginal(stored)) hotkeysChanged();
            });
    }
    auto& center = s_.host.notificationCenter();
    auto& main = s_.host.mainQueue();
    observers_.push_back(center.addObserver(
        kChangePopoverLayout, nullptr, [this](const Notification&) { popoverLayoutChanged(); },
        &main));
    observers_.push_back(center.addObserver(kHotkeysChanged, nullptr,
                                            [this](const Notification&) { hotkeysChanged(); }));
    observers_.push_back(center.addObserver(
        kMenuIconChanged, nullptr, [this](const Notification&) { menuIconChanged(); }, &main));
}

void GlobalActionsManager::registerHotKeys() {
    if (s_.ghotKeys) s_.ghotKeys->registerAll();
}

void GlobalActionsManager::showPalette() {
    statusBar_.showPopover(false, CleanerApplyOption::standard);
}

void GlobalActionsManager::showGroupMenuWithName(const std::string& groupName) {
    gmenu_.showGroupMenuWithName(groupName);
}

void GlobalActionsManager::displayAsMenu() {
    statusBar_.closePopover();
    statusBar_.displayMode = StatusBarDisplayType::singleMenu;
    statusBar_.updateMenu();
}

void GlobalActionsManager::displayAsPopover() {
    statusBar_.displayMode = StatusBarDisplayType::popover;
    statusBar_.updateMenu();
}

MenuItem GlobalActionsManager::paletteMenuItem() {
    MenuItem item(localized("Test", "Test"));
    return item;
}

void GlobalActionsManager::makeStatusItem() {
    if (!s_.systemStatusBar) return;
    statusBar_.statusItem =
        s_.systemStatusBar->statusItemWithLength(platform::StatusBar::kSquareLength);
    statusBar_.updateMenu();
    statusBar_.setupButton();
}

void GlobalActionsManager::showStatusBar() {
    makeStatusItem();
}

void GlobalActionsManager::hideStatusBar() {
    // Destroying the item takes it out of the status area.
    if (statusBar_.statusItem) statusBar_.statusItem.reset();
}

void GlobalActionsManager::cleanup() {
    statusBar_.closePopover();
}

void GlobalActionsManager::popoverLayoutChanged() {
    statusBar_.closePopover();
    statusBar_.dropPopover();
    s_.host.standardUserDefaults().setString(::StatusBar::kUserPopoverSizeKey, "");
}

GlobalActionsManager::~GlobalActionsManager() {
    if (s_.ghotKeys) {
        s_.ghotKeys->delegate = nullptr;
        s_.host.standardUserDefaults().removeObserver(shortcutsObserver_);
    }
    for (auto token : observers_) s_.host.notificationCenter().removeObserver(token);
    for (auto token : distributed_) s_.host.distributedCenter().removeObserver(token);
}

void GlobalActionsManager::setup() {
    s_.apptracker.updateFrontmostAppInfo();
    registerHotKeys();
    // Desktop key bindings to our command line arrive as these, like presses of hot keys.
    auto& center = s_.host.distributedCenter();
    if (distributed_.empty()) {
        distributed_.push_back(center.addObserver(ShortcutNotifications::kShowPopover, std::nullopt,
                                                  [this](const auto&) { showPalette(); }));
        distributed_.push_back(
            center.addObserver(ShortcutNotifications::kShowGroupMenu, std::nullopt,
                               [this](const platform::DistributedNotification& n) {
                                   showGroupMenuWithName(n.object.value_or("#current"));
                               }));
    }
    statusBar_.displayMode = StatusBarDisplayType::popover;
    makeStatusItem();
}

void GlobalActionsManager::reset() {
    registerHotKeys();
    statusBar_.displayMode = StatusBarDisplayType::popover;
    statusBar_.updateMenu();
}

void GlobalActionsManager::hotkeysChanged() {
    log("Attention!! hot key changed");
    registerHotKeys();
}

bool GlobalActionsManager::shouldPreserveClipboard(CleanerApplyOption option) const {
    if (option != CleanerApplyOption::standard) return false;
    if (!s_.settings.boolForKey(kPreserveClipboard)) return false;
    const auto& bundleID = s_.apptracker.frontBundleID;
    if (!bundleID) return true;
    const auto list = s_.settings.arrayForKey(kPreserveClipboardExpectionList);
    if (!list) return true;
    bool found = false;
    for (const auto& entry : *list) {
        const std::string* text = entry.asString();
        if (!text) return true;
        if (*text == *bundleID) found = true;
    }
    return found;
}

std::vector<PasteboardItem> GlobalActionsManager::snapshotGeneral() const {
    std::vector<PasteboardItem> copies;
    for (const auto& item : Pasteboard::generalPasteboard(s_.pasteboards).pasteboardItems()) {
        PasteboardItem copy;
        for (const auto& entry : item.entries) {
            // Types whose data cannot be read are not kept.
            if (entry.data) copy.setData(*entry.data, entry.type);
        }
        copies.push_back(std::move(copy));
    }
    return copies;
}

void GlobalActionsManager::restoreGeneral(std::vector<PasteboardItem> items) {
    // Cleared and written in one step, so no other process ever reads an empty clipboard in
    // between.
    const auto general = Pasteboard::generalPasteboard(s_.pasteboards);
    if (auto stored = s_.pasteboards->replace(general.name(), std::move(items)); !stored.ok())
        log("Clipboard not restored: " + stored.error().debugDescription());
}

void GlobalActionsManager::applyWithoutKeys(const std::string& cleaner) {
    log("No synthetic keys on this desktop: the clipboard is cleaned and the result left there");
    s_.client.cleanClipboardWith(cleaner);
    if (toldToPasteByHand_ || !s_.notifications) return;
    toldToPasteByHand_ = true;
    s_.notifications->deliver(
        localized("Paste by hand", "Title of the notice where keys cannot be typed"),
        localized("This desktop does not let Purlane type keys. Copy the text before you apply a "
                  "cleaner; the cleaned text is then on the clipboard, ready to paste.",
                  "Body of the notice where keys cannot be typed"));
}

void GlobalActionsManager::applyCleaner(const std::string& cleaner, CleanerApplyOption option) {
    if (option != CleanerApplyOption::cleanClipboard && !s_.keys.canPostKeys()) {
        applyWithoutKeys(cleaner);
        return;
    }
    if (!s_.accessibility.isProcessTrusted(true)) {
        log("App appears not to be approved to use Accessibility");
        log("Apply Cleaner action aborted!");
        return;
    }
    auto& tracker = s_.apptracker;
    const auto app = s_.workspace.runningApplicationWithProcessIdentifier(tracker.frontProcessID);
    // Where the desktop does not say which process is in front, the keys go to the focus.
    const bool frontKnown = s_.workspace.tellsFrontmostProcess();
    if (!app && frontKnown) {
        print("Could not clean text within App: " + std::to_string(tracker.frontProcessID) + ", " +
              tracker.frontBundleID.value_or("?"));
        s_.sounds.beep();
        s_.sounds.beep();
        return;
    }

    const bool autoSelectAll = s_.settings.boolForKey(kAutoSelectAll);
    const bool preserve = shouldPreserveClipboard(option);
    auto general = Pasteboard::generalPasteboard(s_.pasteboards);
    std::vector<PasteboardItem> saved;
    if (preserve) saved = snapshotGeneral();

    const int pid = app && frontKnown ? app->processIdentifier() : -1;
    auto& keys = s_.keys;
    keys.rebuildTable();

    if (option == CleanerApplyOption::standard || option == CleanerApplyOption::leaveOnClipboard) {
        const int64_t before = general.changeCount();
        if (pid != -1) app->activate();
        keys.pressKey(pid, keys.keyFor("c", true));
        if (general.changeCount() == before && autoSelectAll) {
            keys.pressKey(pid, keys.keyFor("a", true));
            keys.pressKey(pid, keys.keyFor("c", true));
        }
        if (general.changeCount() == before) {
            print("Purlane Error: Unable to get text from within the app to the clipboard.");
            s_.sounds.beep();
            s_.sounds.beep();
            return;
        }
    }

    s_.client.cleanClipboardWith(cleaner);
    // A read hands what the engine wrote to the desktop's clipboard where only the agent can
    // reach it (a portal's clipboard is the agent's session alone).
    general.changeCount();

    if (option == CleanerApplyOption::standard) {
        // A paste into another application than the one copied from would put the text in the
        // wrong place: it stays on the clipboard instead.
        const auto front = pid != -1 ? s_.workspace.frontmostApplication() : std::nullopt;
        if (front && front->processIdentifier() != pid) {
            print("Purlane: the focus moved to " + front->localizedName() +
                  "; the cleaned text is left on the clipboard.");
            s_.sounds.beep();
            return;
        }
        keys.pressKey(pid, keys.keyFor("v", true));
        if (preserve) {
            s_.host.mainQueue().asyncAfter(
                kRestoreDelay,
                [this, items = std::move(saved)]() mutable { restoreGeneral(std::move(items)); });
        }
    }
}
