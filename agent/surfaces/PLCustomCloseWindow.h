#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "platform/input/ModifierFlags.h"

// The key-equivalent rule of windows that close with Command-W: only while closeWithKeyboard is
// set, Command with "w" closes the window and is handled; every other key equivalent is passed
// on. Desktops whose window shortcuts use Control give that modifier instead of Command.
class PLCustomCloseWindow {
  public:
    explicit PLCustomCloseWindow(uint64_t closeModifier = platform::ModifierFlags::command)
        : closeModifier_(closeModifier) {}

    bool closeWithKeyboard = false;

    // `characters` ignoring modifiers; `performClose` closes the window. True when handled.
    bool performKeyEquivalent(uint64_t modifierFlags, const std::string& characters,
                              const std::function<void()>& performClose) const;

  private:
    uint64_t closeModifier_;
};
