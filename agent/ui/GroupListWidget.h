#pragma once

#include <QWidget>

#include "agent/ui/GroupListView.h"
#include "agent/ui/GroupListViewController.h"

class QLabel;
class QListWidget;

// Draws the group sidebar: an optional header and one row per group name, separators as thin
// lines that cannot be selected. Clicks and keyboard selection go to the controller.
class GroupListWidget : public QWidget, public GroupListView {
  public:
    // Becomes the controller's view and loads it when it has not loaded yet.
    explicit GroupListWidget(GroupListViewController& controller, QWidget* parent = nullptr);
    ~GroupListWidget() override;

    GroupListViewController& controller() { return controller_; }
    QListWidget* tableView() const { return table_; }
    QLabel* header() const { return header_; }

    // GroupListView
    void reloadTable() override;
    void selectRow(int row) override;
    void setHeader(bool visible, const std::string& title) override;

  private:
    GroupListViewController& controller_;
    QLabel* header_ = nullptr;
    QListWidget* table_ = nullptr;
    bool applyingSelection_ = false;
};
