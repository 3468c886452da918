#pragma once

#include <optional>

// Keys the list's table hands to its command delegate while a row is selected.
enum class CleanerListCommand : int { escape = 1, return_ = 2, up = 3 };

// Return (36), Escape (53) and Up arrow (126) as the OS's virtual key codes; nothing for any
// other key, which the table handles as usual.
std::optional<CleanerListCommand> cleanerListCommandForKeyCode(int keyCode);

// Whoever answers the table's commands (`tableView:processCommand:`).
class PLCleanerListTableCommandDelegate {
  public:
    virtual ~PLCleanerListTableCommandDelegate() = default;
    // True when the command was handled; false lets the table handle the key itself.
    virtual bool tableViewProcessCommand(CleanerListCommand command) = 0;
};
