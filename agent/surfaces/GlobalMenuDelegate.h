#pragma once

#include <optional>
#include <string>

#include "agent/actions/CleanerApplyOption.h"

// The owner of the global menu: it applies what the menu chooses and switches the status item
// between menu and popover.
class GlobalMenuDelegate {
  public:
    virtual ~GlobalMenuDelegate() = default;
    virtual void applyCleaner(const std::string& cleaner, CleanerApplyOption option) = 0;
    virtual void displayAsPopover() = 0;
    virtual void displayAsMenu() = 0;
    // The front application's name for the header's "Clean text in" label; nothing when unknown.
    virtual std::optional<std::string> frontAppName() = 0;
};
