#pragma once

#include <QWidget>
#include <memory>

#include "agent/ui/PLCleanerListView.h"
#include "agent/ui/PLCleanerListViewController.h"

class QLineEdit;
class QListView;
class QMenu;
class QToolButton;

// Draws a PLCleanerListViewController: a search field, a pull-down group popup whose menu is
// the controller's popup model, and the table of rows (cleaner buttons with their colour box,
// upper-case labels, faded separator lines). User actions go back to the controller; the
// widget decides nothing itself.
class CleanerListWidget : public QWidget, public PLCleanerListView {
  public:
    // Becomes the controller's view and loads the controller when it has not loaded yet. The
    // controller must outlive the widget.
    explicit CleanerListWidget(PLCleanerListViewController& controller, QWidget* parent = nullptr);
    ~CleanerListWidget() override;

    PLCleanerListViewController& controller() { return controller_; }
    QLineEdit* searchField() const { return searchField_; }
    QToolButton* listPopup() const { return listPopup_; }
    QMenu* listPopupMenu() const { return popupMenu_; }
    QListView* tableView() const { return table_; }

    // PLCleanerListView
    void reloadTable() override;
    void setSearchText(const std::string& text) override;
    bool focusSearchField() override;
    void focusTable() override;
    void selectRow(int row) override;
    void deselectAll() override;
    void setPopupHidden(bool hidden) override;
    void popupMenuChanged() override;

  protected:
    // Each showing is an appearance of the list.
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    class Model;
    class Delegate;

    bool searchKey(QKeyEvent* event);
    bool tableKey(QKeyEvent* event);
    void renderPopupMenu();

    PLCleanerListViewController& controller_;
    QLineEdit* searchField_ = nullptr;
    QToolButton* listPopup_ = nullptr;
    QMenu* popupMenu_ = nullptr;
    QListView* table_ = nullptr;
    // The popup menu as last rendered (without its title item): its actions point into it.
    std::shared_ptr<platform::Menu> renderedMenu_;
    Model* model_ = nullptr;
    Delegate* delegate_ = nullptr;
    // Selection changes the controller asked for are not reported back to it.
    bool applyingSelection_ = false;
    bool settingText_ = false;
    bool afterDoubleClick_ = false;
};

// Cap height of the application's default font family at a point size, for the controller's
// colour boxes.
PLCleanerListViewController::CapHeightSource qtCapHeightSource();
