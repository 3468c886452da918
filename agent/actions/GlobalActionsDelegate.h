#pragma once

#include <optional>
#include <string>

#include "agent/actions/CleanerApplyOption.h"

// What hot keys, menus and the popover ask of the actions manager.
class GlobalActionsDelegate {
  public:
    virtual ~GlobalActionsDelegate() = default;
    virtual void applyCleaner(const std::string& cleaner, CleanerApplyOption option) = 0;
    virtual std::optional<std::string> frontAppName() = 0;
    virtual void popoverStateChangeWithIsActive(bool isActive) = 0;
    virtual void showPalette() = 0;
    virtual void showGroupMenuWithName(const std::string& groupName) = 0;
};
