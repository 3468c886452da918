#pragma once

#include <optional>
#include <string>

#include "agent/shortcuts/Shortcut.h"
#include "agent/shortcuts/ShortcutList.h"
#include "platform/ui/Menu.h"

class PLClientProtocol;
class ShortcutActionController;

// The owner of an action editor: told when an edited record has gone into the shared list.
class ShortcutActionControllerDelegate {
  public:
    virtual ~ShortcutActionControllerDelegate() = default;
    // Save the list, then reload the table.
    virtual void reloadShortcutList() = 0;
};

// The small editor of one shortcut record's action: the cleaner of an apply-cleaner record (a
// filter field over a popup of the library's cleaners) or the group of a show-group record (a
// popup of the groups). It decides the popups' items and selections; its view draws them and
// forwards the user's choices. Main thread only.
class ShortcutActionController {
  public:
    static constexpr const char* kCurrentGroup = "#current";
    static constexpr const char* kDefaultCleaner = "#SCRUB";

    // What a popup button shows: its items and which one is selected (none when nullopt).
    struct Popup {
        platform::Menu menu;
        std::optional<size_t> selectedIndex;
        bool enabled = false;
    };

    ShortcutActionController(ActionType type, ShortcutList& shortcutlist, PLClientProtocol& client);

    // The layout the editor is drawn with: "ShortcutActionApplyCleaner" for `cleantext`,
    // "ShortcutActionShowGroups" for `showmenu`, empty otherwise.
    std::string nibName() const;

    const Shortcut& item() const { return item_; }
    // The record to edit (a copy). The choices start from its cleaner and group: the editor is
    // reused for every row, and a choice left over from another row must not be written here.
    void setItem(const Shortcut& item);

    // Fill the popups from the library as it is now.
    void fillGroupPopup();
    void fillCleanerPopup();
    // The user picked the item at `index` of a popup.
    void selectGroup(size_t index);
    void selectCleaner(size_t index);
    // The filter field's text changed: the cleaner popup shows only names containing it.
    void controlTextDidChange(const std::string& text);
    // The editor closed: the choice goes into the record and the record into the shared list.
    void viewWillDisappear();

    ActionType type;
    std::string filterText;
    std::string groupName = kCurrentGroup;
    std::string cleanerToken = kDefaultCleaner;
    // Not owned: the pane.
    ShortcutActionControllerDelegate* delegate = nullptr;

    Popup groupItemsPopup;
    Popup cleanerItemsPopup;

  private:
    ShortcutList& shortcutlist_;
    PLClientProtocol& client_;
    Shortcut item_ = Shortcut::make();
};
