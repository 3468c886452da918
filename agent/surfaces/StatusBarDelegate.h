#pragma once

#include <optional>
#include <string>

#include "agent/actions/CleanerApplyOption.h"

namespace platform {
class Menu;
}

// The owner of the status item. The popover reaches it through the status bar to apply a
// cleaner or to switch to menu mode.
class StatusBarDelegate {
  public:
    virtual ~StatusBarDelegate() = default;
    // The menu the item carries in menu mode.
    virtual platform::Menu& statusMenu() = 0;
    // Rebuilds statusMenu(); runs right before each opening.
    virtual void statusMenuNeedsUpdate() = 0;
    // True from the popover's show until its close.
    virtual void popoverStateChangeWithIsActive(bool isActive) = 0;
    virtual void applyCleaner(const std::string& cleaner, CleanerApplyOption option) = 0;
    virtual void displayAsMenu() = 0;
    virtual std::optional<std::string> frontAppName() = 0;
};
