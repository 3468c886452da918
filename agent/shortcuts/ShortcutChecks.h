#pragma once

#include <string>

#include "agent/shortcuts/MASShortcut.h"

// What the recorder asks before it accepts a combination: is it usable at all, and does
// something else (the system, a menu) already answer to it.
class ShortcutChecks {
  public:
    virtual ~ShortcutChecks() = default;
    virtual bool isValid(const MASShortcut& shortcut) = 0;
    // When taken, `explanation` says by what, in words for the user.
    virtual bool isTaken(const MASShortcut& shortcut, std::string& explanation) = 0;
};
