#pragma once

#include <string>

// What the cleaner list's controller asks of whatever draws it. The view only renders the
// controller's model (rows, popup menu) and forwards the user's actions back to it.
class PLCleanerListView {
  public:
    virtual ~PLCleanerListView() = default;

    // The rows changed (items, geometry, colours): ask the controller for them again.
    virtual void reloadTable() = 0;
    virtual void setSearchText(const std::string& text) = 0;
    // Makes the search field the window's focus; false when the field is in no window.
    virtual bool focusSearchField() = 0;
    // Makes the table the window's focus.
    virtual void focusTable() = 0;
    virtual void selectRow(int row) = 0;
    virtual void deselectAll() = 0;
    virtual void setPopupHidden(bool hidden) = 0;
    // The group popup's menu, title or key equivalent changed.
    virtual void popupMenuChanged() = 0;
};
