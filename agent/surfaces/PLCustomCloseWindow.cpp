#include "agent/surfaces/PLCustomCloseWindow.h"

bool PLCustomCloseWindow::performKeyEquivalent(uint64_t modifierFlags,
                                               const std::string& characters,
                                               const std::function<void()>& performClose) const {
    if (!closeWithKeyboard || !(modifierFlags & closeModifier_) || characters != "w") return false;
    if (performClose) performClose();
    return true;
}
