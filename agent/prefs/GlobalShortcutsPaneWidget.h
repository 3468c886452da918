#pragma once

#include <QWidget>
#include <memory>

#include "agent/prefs/GlobalShortcutsPaneView.h"
#include "agent/prefs/PLPrefsGlobalShortcutsController.h"
#include "agent/prefs/ShortcutActionCellView.h"

class QLabel;
class QListWidget;
class QMenu;
class QToolButton;
class ShortcutActionEditorWidget;

// Draws the Global HotKeys pane: the table of rows (label button and recorder), the add and
// remove buttons under it, a row's Delete action in its context menu (the desktop's stand-in
// for a swipe), and the action editor popover. Where the desktop takes no global shortcuts
// from programs, rows show the command to bind in the desktop instead of a recorder, with a
// button adding it to the desktop's shortcuts where that can be done. Everything it shows
// comes from the pane, and every user action goes back to it.
class GlobalShortcutsPaneWidget : public QWidget, public GlobalShortcutsPaneView {
  public:
    // Becomes the pane's view; the pane must outlive the widget.
    GlobalShortcutsPaneWidget(PLPrefsGlobalShortcutsController& pane,
                              ShortcutActionCellView::Recorders recorders,
                              QWidget* parent = nullptr);
    ~GlobalShortcutsPaneWidget() override;

    // Gives the pane a view maker making this widget, for the preferences window.
    static void install(PLPrefsGlobalShortcutsController& pane,
                        ShortcutActionCellView::Recorders recorders);
    // A new pane with this widget as its view maker: what the window's pane maker returns.
    static std::shared_ptr<PLPrefsGlobalShortcutsController> makePane(
        PLPrefsGlobalShortcutsController::Collaborators collaborators,
        ShortcutActionCellView::Recorders recorders);

    QListWidget* shortcutsTableView() const { return table_; }
    QToolButton* addButton() const { return addButton_; }
    QToolButton* removeButton() const { return removeButton_; }
    // A row with a recorder; nothing for a row of desktop bindings.
    ShortcutActionCellView* cellAt(int row) const;
    // A row of desktop bindings: its label, command and install button (objects named
    // "labelButton", "commandLine", "installBinding"; the button only where it is offered).
    QWidget* bindingRowAt(int row) const;
    QLabel* explanation() const { return explanation_; }
    // The editor popover of the pane's editor, once it was shown.
    ShortcutActionEditorWidget* editorWidget(const ShortcutActionController& editor) const;
    // The context menu of a row, as its right click shows it.
    std::unique_ptr<QMenu> rowMenu(int row);

    // GlobalShortcutsPaneView
    void reloadTable() override;
    std::optional<int> selectedRow() const override;
    void popUpAddMenu(platform::Menu& menu) override;
    void presentActionEditor(ShortcutActionController& editor, int row) override;
    void dismissActionEditor() override;

    QSize sizeHint() const override { return {560, 340}; }

  private:
    QWidget* makeBindingRow(int row);

    PLPrefsGlobalShortcutsController& pane_;
    std::weak_ptr<bool> paneLifetime_;
    ShortcutActionCellView::Recorders recorders_;
    QListWidget* table_ = nullptr;
    QToolButton* addButton_ = nullptr;
    QToolButton* removeButton_ = nullptr;
    QLabel* explanation_ = nullptr;
    ShortcutActionEditorWidget* cleanerEditor_ = nullptr;
    ShortcutActionEditorWidget* groupEditor_ = nullptr;
};
