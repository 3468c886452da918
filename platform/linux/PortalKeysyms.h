#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace platform {

// Keysyms for synthetic keys sent by keysym, as the remote-desktop portal takes them: the
// compositor then finds the key in the user's own layout. Keys are named by what they type in
// a US layout with Num Lock on (the keypad types digits), the layout the OS's virtual key codes
// are named after; modifier flags by the left modifier key.
class PortalKeysyms {
  public:
    // The US table; empty when xkeyboard-config's data cannot be read.
    PortalKeysyms();

    // The keysym of the key at this virtual key code; nothing for codes without a key.
    std::optional<uint32_t> forKeyCode(uint16_t virtualKeyCode) const;
    // The keysym that types one character (UTF-8); nothing for anything else.
    static std::optional<uint32_t> forCharacter(const std::string& character);
    // What a keysym types (UTF-8); nothing when it types no text.
    static std::optional<std::string> characters(uint32_t keysym);
    // The left key of a ModifierFlags flag (Command: Super); nothing for other flags.
    static std::optional<uint32_t> forModifier(uint64_t flag);

  private:
    std::array<uint32_t, 128> table_{};
};

}  // namespace platform
