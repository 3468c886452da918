#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// What one virtual key code does under the current keyboard layout, as the OS's key event for
// that code would report it.
struct KeyTranslation {
    // The OS's event types: a key that types or moves (key down) or a modifier key.
    enum class Type : int { KeyDown = 10, FlagsChanged = 12 };
    Type type = Type::KeyDown;
    // Keys that type no text (arrows, function keys, Home, Page Up, forward delete, Help): the
    // OS's function-key character value (up arrow 0xF700, F1 0xF704, …).
    std::optional<uint32_t> specialKey;
    // UTF-8 text the key types with no modifier; nothing when it types none.
    std::optional<std::string> characters;
    // UTF-8 text the key types with the Command modifier; on a layout that cannot type Latin
    // letters this comes from the keymap's first Latin group, as the OS does for Command keys.
    std::optional<std::string> commandCharacters;
    // For a modifier key: its flag (ModifierFlags); 0 otherwise.
    uint64_t modifierFlags = 0;
};

// The keyboard layout in use: what each virtual key code (0-127, by physical position on an
// ANSI keyboard) types. Follows layout and keymap changes.
class KeyboardLayout {
  public:
    virtual ~KeyboardLayout() = default;
    // Nothing when no key event can be made for the code (no such key on this keyboard).
    virtual std::optional<KeyTranslation> translate(uint16_t virtualKeyCode) = 0;
};

}  // namespace platform
