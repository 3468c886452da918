#include "platform/input/ShortcutTriggers.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <set>
#include <vector>

#include "platform/input/HotKeys.h"

namespace platform {

namespace {

// Qt's key codes and modifier bits (Qt::Key, Qt::KeyboardModifier): stable numbers, written
// here so that this file needs no Qt.
constexpr int kQtSpecial = 0x01000000;
constexpr int kQtF1 = 0x01000030;
constexpr int kQtShift = 0x02000000, kQtControl = 0x04000000, kQtAlt = 0x08000000,
              kQtMeta = 0x10000000, kQtKeypad = 0x20000000;

struct Key {
    uint16_t code;
    const char* keysym;
    int qtKey;
};

constexpr int f(int n) {
    return kQtF1 + n - 1;
}
constexpr int special(int offset) {
    return kQtSpecial + offset;
}
constexpr int keypad(int key) {
    return key | kQtKeypad;
}

// By virtual key code (the positions of KeyCodeMap), with the US layout's unshifted symbol.
constexpr Key kKeys[] = {
    {0, "a", 'A'},
    {1, "s", 'S'},
    {2, "d", 'D'},
    {3, "f", 'F'},
    {4, "h", 'H'},
    {5, "g", 'G'},
    {6, "z", 'Z'},
    {7, "x", 'X'},
    {8, "c", 'C'},
    {9, "v", 'V'},
    {10, "less", '<'},
    {11, "b", 'B'},
    {12, "q", 'Q'},
    {13, "w", 'W'},
    {14, "e", 'E'},
    {15, "r", 'R'},
    {16, "y", 'Y'},
    {17, "t", 'T'},
    {18, "1", '1'},
    {19, "2", '2'},
    {20, "3", '3'},
    {21, "4", '4'},
    {22, "6", '6'},
    {23, "5", '5'},
    {24, "equal", '='},
    {25, "9", '9'},
    {26, "7", '7'},
    {27, "minus", '-'},
    {28, "8", '8'},
    {29, "0", '0'},
    {30, "bracketright", ']'},
    {31, "o", 'O'},
    {32, "u", 'U'},
    {33, "bracketleft", '['},
    {34, "i", 'I'},
    {35, "p", 'P'},
    {36, "Return", special(0x04)},
    {37, "l", 'L'},
    {38, "j", 'J'},
    {39, "apostrophe", '\''},
    {40, "k", 'K'},
    {41, "semicolon", ';'},
    {42, "backslash", '\\'},
    {43, "comma", ','},
    {44, "slash", '/'},
    {45, "n", 'N'},
    {46, "m", 'M'},
    {47, "period", '.'},
    {48, "Tab", special(0x01)},
    {49, "space", ' '},
    {50, "grave", '`'},
    {51, "BackSpace", special(0x03)},
    {53, "Escape", special(0x00)},
    {64, "F17", f(17)},
    {65, "KP_Decimal", keypad('.')},
    {67, "KP_Multiply", keypad('*')},
    {69, "KP_Add", keypad('+')},
    {72, "XF86AudioRaiseVolume", special(0x72)},
    {73, "XF86AudioLowerVolume", special(0x70)},
    {74, "XF86AudioMute", special(0x71)},
    {75, "KP_Divide", keypad('/')},
    {76, "KP_Enter", keypad(special(0x05))},
    {78, "KP_Subtract", keypad('-')},
    {79, "F18", f(18)},
    {80, "F19", f(19)},
    {81, "KP_Equal", keypad('=')},
    {82, "KP_0", keypad('0')},
    {83, "KP_1", keypad('1')},
    {84, "KP_2", keypad('2')},
    {85, "KP_3", keypad('3')},
    {86, "KP_4", keypad('4')},
    {87, "KP_5", keypad('5')},
    {88, "KP_6", keypad('6')},
    {89, "KP_7", keypad('7')},
    {90, "F20", f(20)},
    {91, "KP_8", keypad('8')},
    {92, "KP_9", keypad('9')},
    {96, "F5", f(5)},
    {97, "F6", f(6)},
    {98, "F7", f(7)},
    {99, "F3", f(3)},
    {100, "F8", f(8)},
    {101, "F9", f(9)},
    {103, "F11", f(11)},
    {105, "F13", f(13)},
    {106, "F16", f(16)},
    {107, "F14", f(14)},
    {109, "F10", f(10)},
    {110, "Menu", special(0x55)},
    {111, "F12", f(12)},
    {113, "F15", f(15)},
    // Help is the key at the Insert position (KeyCodeMap).
    {114, "Insert", special(0x06)},
    {115, "Home", special(0x10)},
    {116, "Page_Up", special(0x16)},
    {117, "Delete", special(0x07)},
    {118, "F4", f(4)},
    {119, "End", special(0x11)},
    {120, "F2", f(2)},
    {121, "Page_Down", special(0x17)},
    {122, "F1", f(1)},
    {123, "Left", special(0x12)},
    {124, "Right", special(0x14)},
    {125, "Down", special(0x15)},
    {126, "Up", special(0x13)},
};

const Key* find(uint16_t keyCode) {
    const auto found = std::lower_bound(std::begin(kKeys), std::end(kKeys), keyCode,
                                        [](const Key& k, uint16_t code) { return k.code < code; });
    return found != std::end(kKeys) && found->code == keyCode ? found : nullptr;
}

struct Modifier {
    uint32_t carbon;
    const char* portal;
    const char* gtk;
    int qt;
};
constexpr std::array<Modifier, 4> kModifiers = {{
    {CarbonModifier::kControl, "CTRL", "<Control>", kQtControl},
    {CarbonModifier::kOption, "ALT", "<Alt>", kQtAlt},
    {CarbonModifier::kShift, "SHIFT", "<Shift>", kQtShift},
    {CarbonModifier::kCmd, "LOGO", "<Super>", kQtMeta},
}};

std::string lower(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return out;
}

// A described trigger as a set of canonical modifier names plus the key's name, in lower case.
std::pair<std::set<std::string>, std::string> parse(std::string_view text) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : text) {
        if (c == '+') {
            parts.push_back(part);
            part.clear();
        } else if (!std::isspace(static_cast<unsigned char>(c))) {
            part += c;
        }
    }
    parts.push_back(part);
    // A trailing "+" names the plus key: "Ctrl++".
    if (parts.size() >= 2 && parts.back().empty()) {
        parts.pop_back();
        parts.back() = "+";
    }
    std::set<std::string> modifiers;
    const std::string key = lower(parts.back());
    parts.pop_back();
    for (const auto& p : parts) {
        std::string m = lower(p);
        if (m == "control" || m == "primary") m = "ctrl";
        if (m == "meta" || m == "super" || m == "mod4") m = "logo";
        if (m == "mod1") m = "alt";
        modifiers.insert(m);
    }
    return {modifiers, key};
}

}  // namespace

std::optional<std::string_view> ShortcutTriggers::keysymName(uint16_t keyCode) {
    const Key* key = find(keyCode);
    if (!key) return std::nullopt;
    return std::string_view(key->keysym);
}

std::optional<std::string> ShortcutTriggers::portalTrigger(uint16_t keyCode,
                                                           uint32_t carbonModifiers) {
    const Key* key = find(keyCode);
    if (!key) return std::nullopt;
    std::string trigger;
    for (const auto& m : kModifiers)
        if (carbonModifiers & m.carbon) trigger += std::string(m.portal) + "+";
    return trigger + key->keysym;
}

std::optional<std::string> ShortcutTriggers::gtkAccelerator(uint16_t keyCode,
                                                            uint32_t carbonModifiers) {
    const Key* key = find(keyCode);
    if (!key) return std::nullopt;
    std::string accelerator;
    for (const auto& m : kModifiers)
        if (carbonModifiers & m.carbon) accelerator += m.gtk;
    return accelerator + key->keysym;
}

std::optional<int> ShortcutTriggers::qtKeyCombination(uint16_t keyCode, uint32_t carbonModifiers) {
    const Key* key = find(keyCode);
    if (!key) return std::nullopt;
    int combination = key->qtKey;
    for (const auto& m : kModifiers)
        if (carbonModifiers & m.carbon) combination |= m.qt;
    return combination;
}

bool ShortcutTriggers::sameTrigger(std::string_view asked, std::string_view described) {
    return parse(asked) == parse(described);
}

}  // namespace platform
