#pragma once

#include <string>

// The host of a group sidebar (the split popover): a group was chosen in it, by name.
class GroupListViewDelegate {
  public:
    virtual ~GroupListViewDelegate() = default;
    virtual void groupListDidSelectGroup(const std::string& groupName) = 0;
};
