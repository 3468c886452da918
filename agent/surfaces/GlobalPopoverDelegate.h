#pragma once

#include <optional>
#include <string>

#include "agent/actions/CleanerApplyOption.h"

// What a popover's content asks of the status bar that shows it.
class GlobalPopoverDelegate {
  public:
    virtual ~GlobalPopoverDelegate() = default;
    // Applies through the status bar's delegate (the global actions manager).
    virtual void applyCleaner(const std::string& cleaner, CleanerApplyOption option) = 0;
    // The status bar's delegate switches the item to menu mode.
    virtual void displayAsMenu() = 0;
    virtual void closePopover() = 0;
    // The front application's name, for the standard option's label.
    virtual std::optional<std::string> frontAppName() = 0;
};
