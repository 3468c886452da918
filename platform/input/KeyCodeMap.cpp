#include "platform/input/KeyCodeMap.h"

#include <array>

namespace platform {

namespace {

// X11 key codes are evdev codes shifted by 8 (linux/input-event-codes.h).
constexpr uint8_t evdev(uint16_t code) {
    return static_cast<uint8_t>(code + 8);
}

constexpr std::array<KeyCodeMap::Entry, 119> kEntries = {{
    {0, evdev(30)},     // A
    {1, evdev(31)},     // S
    {2, evdev(32)},     // D
    {3, evdev(33)},     // F
    {4, evdev(35)},     // H
    {5, evdev(34)},     // G
    {6, evdev(44)},     // Z
    {7, evdev(45)},     // X
    {8, evdev(46)},     // C
    {9, evdev(47)},     // V
    {10, evdev(86)},    // ISO section: the 102nd key
    {11, evdev(48)},    // B
    {12, evdev(16)},    // Q
    {13, evdev(17)},    // W
    {14, evdev(18)},    // E
    {15, evdev(19)},    // R
    {16, evdev(21)},    // Y
    {17, evdev(20)},    // T
    {18, evdev(2)},     // 1
    {19, evdev(3)},     // 2
    {20, evdev(4)},     // 3
    {21, evdev(5)},     // 4
    {22, evdev(7)},     // 6
    {23, evdev(6)},     // 5
    {24, evdev(13)},    // =
    {25, evdev(10)},    // 9
    {26, evdev(8)},     // 7
    {27, evdev(12)},    // -
    {28, evdev(9)},     // 8
    {29, evdev(11)},    // 0
    {30, evdev(27)},    // ]
    {31, evdev(24)},    // O
    {32, evdev(22)},    // U
    {33, evdev(26)},    // [
    {34, evdev(23)},    // I
    {35, evdev(25)},    // P
    {36, evdev(28)},    // Return
    {37, evdev(38)},    // L
    {38, evdev(36)},    // J
    {39, evdev(40)},    // '
    {40, evdev(37)},    // K
    {41, evdev(39)},    // ;
    {42, evdev(43)},    // backslash
    {43, evdev(51)},    // ,
    {44, evdev(53)},    // /
    {45, evdev(49)},    // N
    {46, evdev(50)},    // M
    {47, evdev(52)},    // .
    {48, evdev(15)},    // Tab
    {49, evdev(57)},    // Space
    {50, evdev(41)},    // `
    {51, evdev(14)},    // Delete (backspace)
    {53, evdev(1)},     // Escape
    {54, evdev(126)},   // right Command: right Super
    {55, evdev(125)},   // Command: left Super
    {56, evdev(42)},    // Shift
    {57, evdev(58)},    // Caps Lock
    {58, evdev(56)},    // Option: left Alt
    {59, evdev(29)},    // Control
    {60, evdev(54)},    // right Shift
    {61, evdev(100)},   // right Option: right Alt
    {62, evdev(97)},    // right Control
    {64, evdev(187)},   // F17
    {65, evdev(83)},    // keypad .
    {67, evdev(55)},    // keypad *
    {69, evdev(78)},    // keypad +
    {71, evdev(69)},    // keypad Clear: Num Lock position
    {72, evdev(115)},   // volume up
    {73, evdev(114)},   // volume down
    {74, evdev(113)},   // mute
    {75, evdev(98)},    // keypad /
    {76, evdev(96)},    // keypad Enter
    {78, evdev(74)},    // keypad -
    {79, evdev(188)},   // F18
    {80, evdev(189)},   // F19
    {81, evdev(117)},   // keypad =
    {82, evdev(82)},    // keypad 0
    {83, evdev(79)},    // keypad 1
    {84, evdev(80)},    // keypad 2
    {85, evdev(81)},    // keypad 3
    {86, evdev(75)},    // keypad 4
    {87, evdev(76)},    // keypad 5
    {88, evdev(77)},    // keypad 6
    {89, evdev(71)},    // keypad 7
    {90, evdev(190)},   // F20
    {91, evdev(72)},    // keypad 8
    {92, evdev(73)},    // keypad 9
    {93, evdev(124)},   // JIS yen
    {94, evdev(89)},    // JIS underscore (ro)
    {95, evdev(95)},    // JIS keypad comma
    {96, evdev(63)},    // F5
    {97, evdev(64)},    // F6
    {98, evdev(65)},    // F7
    {99, evdev(61)},    // F3
    {100, evdev(66)},   // F8
    {101, evdev(67)},   // F9
    {102, evdev(123)},  // JIS Eisu (LANG2)
    {103, evdev(87)},   // F11
    {104, evdev(122)},  // JIS Kana (LANG1)
    {105, evdev(183)},  // F13
    {106, evdev(186)},  // F16
    {107, evdev(184)},  // F14
    {109, evdev(68)},   // F10
    {110, evdev(127)},  // contextual menu: Compose/Menu
    {111, evdev(88)},   // F12
    {113, evdev(185)},  // F15
    {114, evdev(110)},  // Help: Insert position
    {115, evdev(102)},  // Home
    {116, evdev(104)},  // Page Up
    {117, evdev(111)},  // forward Delete
    {118, evdev(62)},   // F4
    {119, evdev(107)},  // End
    {120, evdev(60)},   // F2
    {121, evdev(109)},  // Page Down
    {122, evdev(59)},   // F1
    {123, evdev(105)},  // left arrow
    {124, evdev(106)},  // right arrow
    {125, evdev(108)},  // down arrow
    {126, evdev(103)},  // up arrow
}};

// Dense tables both ways, built once at compile time.
struct Tables {
    std::array<int16_t, 128> toX11{};
    std::array<int16_t, 256> toVirtual{};
    constexpr Tables() {
        toX11.fill(-1);
        toVirtual.fill(-1);
        for (const auto& e : kEntries) {
            toX11[e.virtualKeyCode] = e.x11KeyCode;
            toVirtual[e.x11KeyCode] = static_cast<int16_t>(e.virtualKeyCode);
        }
    }
};
constexpr Tables kTables;

}  // namespace

std::optional<uint8_t> KeyCodeMap::x11KeyCode(uint16_t virtualKeyCode) {
    if (virtualKeyCode >= kTables.toX11.size() || kTables.toX11[virtualKeyCode] < 0) return {};
    return static_cast<uint8_t>(kTables.toX11[virtualKeyCode]);
}

std::optional<uint16_t> KeyCodeMap::virtualKeyCode(uint32_t x11KeyCode) {
    if (x11KeyCode >= kTables.toVirtual.size() || kTables.toVirtual[x11KeyCode] < 0) return {};
    return static_cast<uint16_t>(kTables.toVirtual[x11KeyCode]);
}

std::span<const KeyCodeMap::Entry> KeyCodeMap::entries() {
    return kEntries;
}

}  // namespace platform
