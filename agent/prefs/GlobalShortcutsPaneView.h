#pragma once

#include <optional>

#include "platform/ui/Menu.h"

class ShortcutActionController;

// What the Global HotKeys pane asks of whatever draws it: a table of rows, an add button with
// its menu, and the action editor shown as a popover next to a row's label. The view renders
// the pane's model and forwards the user's actions; it decides nothing itself.
class GlobalShortcutsPaneView {
  public:
    virtual ~GlobalShortcutsPaneView() = default;

    // The rows changed: ask the pane for them again.
    virtual void reloadTable() = 0;
    // The selected row, if any.
    virtual std::optional<int> selectedRow() const = 0;
    // Pops `menu` up at the add button. The menu outlives the call; its items run the pane's
    // add actions.
    virtual void popUpAddMenu(platform::Menu& menu) = 0;
    // Shows `editor` in a transient popover below the label of `row`; when it closes, for
    // whatever reason, the view calls the pane's actionEditorDidClose().
    virtual void presentActionEditor(ShortcutActionController& editor, int row) = 0;
    virtual void dismissActionEditor() = 0;
};
