#include "platform/sim/SimKeyboardLayout.h"

#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"

namespace platform {

namespace {

// Positions of the ANSI keys that type text, by virtual key code.
const std::map<uint16_t, const char*>& typingKeys() {
    static const std::map<uint16_t, const char*> keys = {
        {0, "a"},   {1, "s"},     {2, "d"},    {3, "f"},  {4, "h"},  {5, "g"},   {6, "z"},
        {7, "x"},   {8, "c"},     {9, "v"},    {11, "b"}, {12, "q"}, {13, "w"},  {14, "e"},
        {15, "r"},  {16, "y"},    {17, "t"},   {18, "1"}, {19, "2"}, {20, "3"},  {21, "4"},
        {22, "6"},  {23, "5"},    {24, "="},   {25, "9"}, {26, "7"}, {27, "-"},  {28, "8"},
        {29, "0"},  {30, "]"},    {31, "o"},   {32, "u"}, {33, "["}, {34, "i"},  {35, "p"},
        {36, "\r"}, {37, "l"},    {38, "j"},   {39, "'"}, {40, "k"}, {41, ";"},  {42, "\\"},
        {43, ","},  {44, "/"},    {45, "n"},   {46, "m"}, {47, "."}, {48, "\t"}, {49, " "},
        {50, "`"},  {51, "\x7f"}, {53, "\x1b"}};
    return keys;
}

}  // namespace

SimKeyboardLayout::SimKeyboardLayout() {
    for (const auto& [code, text] : typingKeys()) setKey(code, text);
    // Arrows and function keys carry the OS's function-key values.
    const std::map<uint16_t, uint32_t> special = {
        {123, 0xF702}, {124, 0xF703}, {125, 0xF701}, {126, 0xF700}, {122, 0xF704}, {120, 0xF705},
        {99, 0xF706},  {118, 0xF707}, {96, 0xF708},  {97, 0xF709},  {98, 0xF70A},  {100, 0xF70B},
        {101, 0xF70C}, {109, 0xF70D}, {103, 0xF70E}, {111, 0xF70F}};
    for (const auto& [code, value] : special) {
        KeyTranslation key;
        key.specialKey = value;
        setKey(code, key);
    }
    const std::map<uint16_t, uint64_t> modifiers = {
        {VirtualKey::kCommand, ModifierFlags::command},
        {VirtualKey::kRightCommand, ModifierFlags::command},
        {VirtualKey::kShift, ModifierFlags::shift},
        {VirtualKey::kRightShift, ModifierFlags::shift},
        {VirtualKey::kCapsLock, ModifierFlags::capsLock},
        {VirtualKey::kOption, ModifierFlags::option},
        {VirtualKey::kRightOption, ModifierFlags::option},
        {VirtualKey::kControl, ModifierFlags::control},
        {VirtualKey::kRightControl, ModifierFlags::control},
        {VirtualKey::kFunction, ModifierFlags::function}};
    for (const auto& [code, flag] : modifiers) {
        KeyTranslation key;
        key.type = KeyTranslation::Type::FlagsChanged;
        key.modifierFlags = flag;
        setKey(code, key);
    }
}

std::optional<KeyTranslation> SimKeyboardLayout::translate(uint16_t virtualKeyCode) {
    ++translations_;
    const auto found = keys_.find(virtualKeyCode);
    if (found == keys_.end()) return std::nullopt;
    return found->second;
}

void SimKeyboardLayout::setKey(uint16_t code, const std::string& characters) {
    KeyTranslation key;
    key.characters = characters;
    key.commandCharacters = characters;
    setKey(code, key);
}

void SimKeyboardLayout::setKey(uint16_t code, KeyTranslation translation) {
    keys_[code] = std::move(translation);
}

void SimKeyboardLayout::removeKey(uint16_t code) {
    keys_.erase(code);
}

}  // namespace platform
