#pragma once

#include <string>

// What the group sidebar's controller asks of whatever draws it.
class GroupListView {
  public:
    virtual ~GroupListView() = default;
    // The entries changed: ask the controller for them again.
    virtual void reloadTable() = 0;
    // -1 clears the selection.
    virtual void selectRow(int row) = 0;
    // The column header: shown only with a non-empty title.
    virtual void setHeader(bool visible, const std::string& title) = 0;
};
