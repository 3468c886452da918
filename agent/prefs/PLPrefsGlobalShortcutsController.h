#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/prefs/DesktopShortcutBindings.h"
#include "agent/prefs/GlobalShortcutsPaneView.h"
#include "agent/prefs/PLPrefsViewController.h"
#include "agent/prefs/ShortcutActionController.h"
#include "agent/shortcuts/MASShortcut.h"
#include "agent/shortcuts/ShortcutChecks.h"
#include "agent/shortcuts/ShortcutList.h"
#include "platform/core/MainQueue.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Sounds.h"

class PLClientProtocol;

// The Global HotKeys pane: one row per shortcut record (a label naming the action and a
// recorder), an add menu for apply-cleaner and show-group records, deletion by the remove
// button or a row's Delete action, and an editor popover for a row's cleaner or group. Every
// change is saved at once, which re-registers the hot keys. Plain C++; its view
// (GlobalShortcutsPaneView) draws the model and forwards the user's actions. Main thread only.
class PLPrefsGlobalShortcutsController : public PLPrefsViewController,
                                         public ShortcutActionControllerDelegate {
  public:
    struct Collaborators {
        // The agent's one list of records, the one the hot keys are registered from.
        ShortcutList* shortcutlist = nullptr;
        PLClientProtocol* client = nullptr;
        // The agent's standard defaults, holding "agent.shortcuts".
        platform::UserDefaults* defaults = nullptr;
        platform::Sounds* sounds = nullptr;
        // Table reloads run from here, never inside the control that caused them.
        platform::MainQueue* mainQueue = nullptr;
        // Whether a stored combination is usable (the validator's isShortcutValid).
        ShortcutChecks* checks = nullptr;
        // Set where the desktop lets no program register global shortcuts: the rows then show
        // the command to bind in the desktop's settings instead of a recorder.
        DesktopShortcutBindings* desktopBindings = nullptr;
    };

    // What a row shows.
    struct Cell {
        std::string label;
        Shortcut item;
        // The recorder's value; empty when the stored combination is unusable.
        std::optional<MASShortcut> shortcut;
        // With desktop bindings: the command doing the action, or why there is none.
        std::string command;
        bool hasCommand = false;
    };
    enum class RowActionEdge { leading, trailing };
    struct RowAction {
        std::string title;
        bool destructive = false;
        std::function<void()> perform;
    };

    explicit PLPrefsGlobalShortcutsController(Collaborators collaborators);
    ~PLPrefsGlobalShortcutsController() override;

    // PLPrefsViewController
    std::string keyName() const override { return "hotkeys"; }
    std::string itemLabel() const override;
    std::optional<std::string> imageName11() const override { return "keyboard"; }
    void viewWillAppear() override;
    void viewWillDisappear() override;

    // Not owned; nullptr detaches.
    void setView(GlobalShortcutsPaneView* view) { view_ = view; }
    GlobalShortcutsPaneView* view() const { return view_; }

    void writeShortcutList();
    // ShortcutActionControllerDelegate: save, then reload the table.
    void reloadShortcutList() override;

    void addShortcutAction();
    void addApplyCleanerAction() { addShortcut(ActionType::cleantext); }
    void addShowGroupAction() { addShortcut(ActionType::showmenu); }
    void removeShortcutAction();

    // Table data source and delegate.
    int numberOfRows() const;
    Cell cellForRow(int row);
    std::vector<RowAction> rowActions(int row, RowActionEdge edge);
    // A row's recorder changed to `value` (nullopt: cleared); `item` is the record the
    // recorder carries and gets the new key.
    void shortcutValueChanged(Shortcut& item, const std::optional<MASShortcut>& value);
    // A row's label was clicked.
    void changeHotKeyAction(int row);
    // The view's popover closed (by the pane or by the user clicking elsewhere).
    void actionEditorDidClose();

    // The title of a row's label button.
    std::string rowLabel(const Shortcut& record);

    // Whether the rows show desktop bindings (see Collaborators::desktopBindings).
    bool showsDesktopBindings() const { return c_.desktopBindings != nullptr; }
    // The line above the rows that says why, and the title of a row's install button.
    std::string desktopBindingsExplanation() const;
    std::string installBindingTitle() const;
    // Whether a row with a command has an install button (GNOME's custom shortcuts exist).
    bool canInstallBinding();
    // Adds the row's command to the desktop's custom shortcuts; a beep when that failed.
    void installBinding(int row);

    ShortcutList& shortcutlist;
    platform::Menu addMenu;
    ShortcutActionController applyCleanersActionController;
    ShortcutActionController showGroupsActionController;
    // The editor shown now, if any.
    ShortcutActionController* presentedEditor() const { return presented_; }
    // Expires when the pane is destroyed: a view the window deletes later (after the pane list
    // was rebuilt) must not reach back into a pane that is gone.
    std::weak_ptr<bool> lifetime() const { return alive_; }

  private:
    void addShortcut(ActionType type);
    void deleteRecord(const std::string& uuid);
    // Asks the view to reload once, from the main queue: the control that asked (a recorder,
    // a label button) is still running and may be one of the rows a reload replaces.
    void setNeedsReload();

    Collaborators c_;
    GlobalShortcutsPaneView* view_ = nullptr;
    ShortcutActionController* presented_ = nullptr;
    bool reloadPending_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};
