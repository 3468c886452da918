#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/actions/ActiveAppTracker.h"
#include "agent/actions/CGKeyCodeLookup.h"
#include "agent/actions/GlobalActionsDelegate.h"
#include "agent/engine/PLClientProtocol.h"
#include "agent/shortcuts/GlobalHotKeys.h"
#include "platform/Host.h"
#include "platform/input/Accessibility.h"
#include "platform/pasteboard/PasteboardStore.h"
#include "platform/ui/Sounds.h"
#include "platform/workspace/Workspace.h"

// The one owner of the agent's global actions: the apply pipeline, the front-application
// tracker and the hot keys, and (as they come) the status item and its menu, which all call
// back into it.
class GlobalActionsManager : public GlobalActionsDelegate {
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
    };

    explicit GlobalActionsManager(Services services);
    ~GlobalActionsManager() override;
    GlobalActionsManager(const GlobalActionsManager&) = delete;
    GlobalActionsManager& operator=(const GlobalActionsManager&) = delete;

    // GlobalActionsDelegate
    void applyCleaner(const std::string& cleaner, CleanerApplyOption option) override;
    std::optional<std::string> frontAppName() override { return s_.apptracker.frontAppName; }
    void popoverStateChangeWithIsActive(bool isActive) override {
        s_.apptracker.activeUI = isActive;
    }
    // The status item's popover and group menus come with the status item; until then a
    // shortcut for them says so.
    void showPalette() override;
    void showGroupMenuWithName(const std::string& groupName) override;

    // Whether the user's clipboard is put back after applying with `option`.
    bool shouldPreserveClipboard(CleanerApplyOption option) const;

    void setup();
    void reset();
    void cleanup() {}
    void cancelAction() {}
    void enableHotKeys() {}
    void disableHotKeys() {}
    // Observer of the hot-key list: registers every hot key again.
    void hotkeysChanged();

  private:
    // What the status item, its popover layout and the hot-key registry do on the manager's
    // notifications; they attach here when they exist.
    void popoverLayoutChanged() {}
    void menuIconChanged() {}
    void registerHotKeys();

    std::vector<platform::PasteboardItem> snapshotGeneral() const;
    void restoreGeneral(std::vector<platform::PasteboardItem> items);

    Services s_;
    std::vector<platform::ObserverToken> observers_;
    platform::ObserverToken shortcutsObserver_ = 0;
};
