#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/actions/ActiveAppTracker.h"
#include "agent/actions/CGKeyCodeLookup.h"
#include "agent/actions/GlobalActionsDelegate.h"
#include "agent/engine/PLClientProtocol.h"
#include "agent/shortcuts/GlobalHotKeys.h"
#include "agent/surfaces/GlobalMenu.h"
#include "agent/surfaces/GlobalMenuDelegate.h"
#include "agent/surfaces/PopoverContentFactory.h"
#include "agent/surfaces/PopoverViewFactory.h"
#include "agent/surfaces/StatusBar.h"
#include "agent/surfaces/StatusBarDelegate.h"
#include "platform/Host.h"
#include "platform/input/Accessibility.h"
#include "platform/notifications/UserNotifications.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Sounds.h"
#include "platform/ui/StatusItem.h"
#include "platform/workspace/Workspace.h"

// The one owner of the agent's global actions: the apply pipeline, the front-application
// tracker, the hot keys, the status item with its popover and the global menu, which all call
// back into it.
class GlobalActionsManager : public GlobalActionsDelegate,
                             public StatusBarDelegate,
                             public GlobalMenuDelegate {
  public:
    static constexpr const char* kAutoSelectAll = "AutoSelectAll";
    static constexpr const char* kPreserveClipboard = "PreserveClipboard";
    static constexpr const char* kPreserveClipboardExpectionList = "PreserveClipboardExpectionList";
    static constexpr const char* kChangePopoverLayout = "com.halvik.purlane.changePopoverLayout";
    static constexpr const char* kHotkeysChanged = "com.halvik.purlane.hotkeyschanged";
    static constexpr const char* kMenuIconChanged = "com.halvik.purlane.menuIconchanged";
    // Delay before the user's clipboard is put back after a paste.
    static constexpr double kRestoreDelay = 0.2;

    struct Services {
        platform::Host& host;
        // The shared settings suite the engine also uses.
        platform::UserDefaults& settings;
        platform::Workspace& workspace;
        platform::Accessibility& accessibility;
        std::shared_ptr<platform::PasteboardStore> pasteboards;
        PLClientProtocol& client;
        platform::Sounds& sounds;
        CGKeyCodeLookup& keys;
        ActiveAppTracker& apptracker;
        // The user's hot keys, where the program has them.
        GlobalHotKeys* ghotKeys = nullptr;
        // The desktop's status area; without one there is no status item.
        platform::StatusBar* systemStatusBar = nullptr;
        // Pops up group menus at the pointer.
        platform::MenuPresenter* menuPresenter = nullptr;
        // The held modifier keys, which choose the apply option of the icon and the menu.
        const platform::ModifierFlagsSource* modifiers = nullptr;
        // The popover's content controllers and windows; without both there is no popover.
        PopoverContentFactory* popoverContents = nullptr;
        PopoverViewFactory* popoverViews = nullptr;
        // Launches or brings forward the engine ("Show Purlane").
        std::function<void()> launchPurlaneApp = nullptr;
        // Tells the user what they must do by hand where the desktop lets nobody type keys.
        platform::UserNotifications* notifications = nullptr;
    };

    explicit GlobalActionsManager(Services services);
    ~GlobalActionsManager() override;
    GlobalActionsManager(const GlobalActionsManager&) = delete;
    GlobalActionsManager& operator=(const GlobalActionsManager&) = delete;

    // GlobalActionsDelegate, StatusBarDelegate, GlobalMenuDelegate
    void applyCleaner(const std::string& cleaner, CleanerApplyOption option) override;
    std::optional<std::string> frontAppName() override { return s_.apptracker.frontAppName; }
    void popoverStateChangeWithIsActive(bool isActive) override {
        s_.apptracker.activeUI = isActive;
    }
    // The popover under the status item, not animated, applying with the standard option.
    void showPalette() override;
    void showGroupMenuWithName(const std::string& groupName) override;
    platform::Menu& statusMenu() override { return gmenu_.statusMenu; }
    void statusMenuNeedsUpdate() override { gmenu_.menuNeedsUpdate(); }
    // Closes the popover; the icon carries the global menu.
    void displayAsMenu() override;
    void displayAsPopover() override;

    // Whether the user's clipboard is put back after applying with `option`.
    bool shouldPreserveClipboard(CleanerApplyOption option) const;

    // A new menu item titled "Test", without action or key equivalent.
    static platform::MenuItem paletteMenuItem();

    void setup();
    void reset();
    // A new status item, rebuilt; hiding removes it from the status area.
    void showStatusBar();
    void hideStatusBar();
    // Closes the popover.
    void cleanup();
    void cancelAction() {}
    void enableHotKeys() {}
    void disableHotKeys() {}
    // Observer of the hot-key list: registers every hot key again.
    void hotkeysChanged();

    StatusBar& statusBar() { return statusBar_; }
    GlobalMenu& gmenu() { return gmenu_; }

  private:
    // The popover is dropped and its size forgotten, so the next show builds the chosen
    // layout at its natural size.
    void popoverLayoutChanged();
    void menuIconChanged() { statusBar_.setupButton(); }
    void registerHotKeys();
    void makeStatusItem();

    std::vector<platform::PasteboardItem> snapshotGeneral() const;
    void restoreGeneral(std::vector<platform::PasteboardItem> items);
    // Cleans what the clipboard holds and leaves it there: the user copies and pastes by hand.
    void applyWithoutKeys(const std::string& cleaner);

    Services s_;
    bool toldToPasteByHand_ = false;
    // The menu before the status bar, which may still carry it while it goes.
    GlobalMenu gmenu_;
    StatusBar statusBar_;
    std::vector<platform::ObserverToken> observers_;
    std::vector<platform::ObserverToken> distributed_;
    platform::ObserverToken shortcutsObserver_ = 0;
};
