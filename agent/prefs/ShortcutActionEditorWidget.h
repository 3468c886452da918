#pragma once

#include <QFrame>
#include <functional>

class QComboBox;
class QLineEdit;
class ShortcutActionController;

// The action editor's popover: for an apply-cleaner record a filter field over the popup of
// cleaners, for a show-group record the popup of groups. It draws the controller's popups and
// forwards picks and typing; a click elsewhere closes it (and only closes it: the click is not
// passed on, so a second click on a row's label closes the editor instead of reopening it).
class ShortcutActionEditorWidget : public QFrame {
  public:
    ShortcutActionEditorWidget(ShortcutActionController& controller, QWidget* parent = nullptr);

    // Redraws the popups from the controller's model.
    void refresh();
    // Shows the popover below `anchor` (global coordinates of the anchor's bottom-left).
    void popUp(const QPoint& anchor);

    QComboBox* cleanerItemsPopup() const { return cleanerItemsPopup_; }
    QLineEdit* cleanerItemsFilter() const { return cleanerItemsFilter_; }
    QComboBox* groupItemsPopup() const { return groupItemsPopup_; }

    // Called each time the popover is hidden, for whatever reason.
    std::function<void()> closed;

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    ShortcutActionController& controller_;
    QComboBox* cleanerItemsPopup_ = nullptr;
    QLineEdit* cleanerItemsFilter_ = nullptr;
    QComboBox* groupItemsPopup_ = nullptr;
};
