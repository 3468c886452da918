#pragma once

#include <cstdint>
#include <optional>
#include <span>

namespace platform {

// The OS's virtual key codes (by physical position on an ANSI keyboard) against X11 key codes
// (evdev codes + 8), both ways. Codes without a key on a PC keyboard (52, 66, 68, 70, 77, 108,
// 112, 127 and the Fn key, which never reaches X) have no entry. Help (114) is the key at the
// Insert position, as on the OS's extended keyboards; ISO section (10) is the key between the
// left Shift and Z on ISO keyboards.
class KeyCodeMap {
  public:
    struct Entry {
        uint16_t virtualKeyCode;
        uint8_t x11KeyCode;
    };

    static std::optional<uint8_t> x11KeyCode(uint16_t virtualKeyCode);
    static std::optional<uint16_t> virtualKeyCode(uint32_t x11KeyCode);
    // Every pair, in ascending virtual key code.
    static std::span<const Entry> entries();
};

}  // namespace platform
