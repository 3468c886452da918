#pragma once

#include <string>
#include <vector>

#include "agent/library/GroupItem.h"

// What views get of a group: its name, uuid and rows. `Group` is the only kind there is; the
// accessors have their own names because `Group` keeps plain fields of the plain names.
class IGroup {
  public:
    virtual ~IGroup() = default;
    virtual const std::string& groupName() const = 0;
    virtual const std::string& groupUuid() const = 0;
    virtual const std::vector<GroupItem>& groupItems() const = 0;

  protected:
    IGroup() = default;
    IGroup(const IGroup&) = default;
    IGroup(IGroup&&) = default;
    IGroup& operator=(const IGroup&) = default;
    IGroup& operator=(IGroup&&) = default;
};
