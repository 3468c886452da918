#include "agent/ui/PLCleanerListTableCommandDelegate.h"

#include "platform/input/VirtualKeyCodes.h"

namespace {
constexpr int kUpArrow = 126;
}

std::optional<CleanerListCommand> cleanerListCommandForKeyCode(int keyCode) {
    if (keyCode == platform::VirtualKey::kReturn) return CleanerListCommand::return_;
    if (keyCode == platform::VirtualKey::kEscape) return CleanerListCommand::escape;
    if (keyCode == kUpArrow) return CleanerListCommand::up;
    return std::nullopt;
}
