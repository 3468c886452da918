#include "agent/shortcuts/MASShortcut.h"

#include <unicode/locid.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <map>

#include "platform/input/HotKeys.h"
#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using platform::ModifierFlags;
using platform::PropertyList;

namespace {

constexpr int64_t kSpace = 49;

// Keys whose name is fixed, whatever the layout.
const std::map<int64_t, const char*>& fixedNames() {
    static const std::map<int64_t, const char*> names = {
        {36, "\u21A9"},  {48, "\u21E5"},  {51, "\u232B"},  {53, "\u238B"},  {65, "."},
        {67, "*"},       {69, "+"},       {71, "\u2327"},  {75, "/"},       {76, "\u2305"},
        {78, "\u2013"},  {81, "="},       {82, "0"},       {83, "1"},       {84, "2"},
        {85, "3"},       {86, "4"},       {87, "5"},       {88, "6"},       {89, "7"},
        {91, "8"},       {92, "9"},       {114, "?"},      {115, "\u2196"}, {116, "\u21DE"},
        {117, "\u2326"}, {119, "\u2198"}, {121, "\u21DF"}, {123, "\u2190"}, {124, "\u2192"},
        {125, "\u2193"}, {126, "\u2191"}, {122, "F1"},     {120, "F2"},     {99, "F3"},
        {118, "F4"},     {96, "F5"},      {97, "F6"},      {98, "F7"},      {100, "F8"},
        {101, "F9"},     {109, "F10"},    {103, "F11"},    {111, "F12"},    {105, "F13"},
        {107, "F14"},    {113, "F15"},    {106, "F16"},    {64, "F17"},     {79, "F18"},
        {80, "F19"}};
    return names;
}

// The menu characters of the function keys F1-F19.
const std::map<int64_t, char16_t>& functionKeyEquivalents() {
    static const std::map<int64_t, char16_t> keys = {
        {122, 0xF704}, {120, 0xF705}, {99, 0xF706},  {118, 0xF707}, {96, 0xF708},
        {97, 0xF709},  {98, 0xF70A},  {100, 0xF70B}, {101, 0xF70C}, {109, 0xF70D},
        {103, 0xF70E}, {111, 0xF70F}, {105, 0xF710}, {107, 0xF711}, {113, 0xF712},
        {106, 0xF713}, {64, 0xF714},  {79, 0xF715},  {80, 0xF716}};
    return keys;
}

// Letters (with their marks), numbers, punctuation and symbols: what a key name may show.
bool isNameCharacter(UChar32 c) {
    constexpr uint32_t allowed =
        U_GC_L_MASK | U_GC_M_MASK | U_GC_N_MASK | U_GC_P_MASK | U_GC_S_MASK;
    return (U_GET_GC_MASK(c) & allowed) != 0;
}

std::string toUtf8(const icu::UnicodeString& text) {
    std::string out;
    text.toUTF8String(out);
    return out;
}

}  // namespace

MASShortcut MASShortcut::decode(const PropertyList::Dictionary& coded) {
    auto integer = [&](const char* key) -> int64_t {
        const PropertyList* value = coded.find(key);
        return value ? value->asInteger().value_or(0) : 0;
    };
    // Read as unsigned, so a stored -1 (and anything negative) is "no key".
    const uint64_t keyCode = static_cast<uint64_t>(integer("KeyCode"));
    MASShortcut shortcut(static_cast<int64_t>(std::min<uint64_t>(keyCode, kNotFound)), 0);
    // Stored flags are taken as they are, not masked.
    shortcut.modifierFlags_ = static_cast<uint64_t>(integer("ModifierFlags"));
    return shortcut;
}

PropertyList::Dictionary MASShortcut::encode() const {
    return {
        {"KeyCode", PropertyList(static_cast<long long>(keyCode_ == kNotFound ? -1 : keyCode_))},
        {"ModifierFlags", PropertyList(static_cast<long long>(modifierFlags_))}};
}

uint32_t MASShortcut::carbonKeyCode() const {
    return keyCode_ == kNotFound ? 0 : static_cast<uint32_t>(keyCode_);
}

uint32_t MASShortcut::carbonFlags() const {
    namespace Carbon = platform::CarbonModifier;
    uint32_t flags = 0;
    if (modifierFlags_ & ModifierFlags::command) flags |= Carbon::kCmd;
    if (modifierFlags_ & ModifierFlags::shift) flags |= Carbon::kShift;
    if (modifierFlags_ & ModifierFlags::option) flags |= Carbon::kOption;
    if (modifierFlags_ & ModifierFlags::control) flags |= Carbon::kControl;
    return flags;
}

std::string MASShortcut::modifierFlagsString() const {
    std::string glyphs;
    if (modifierFlags_ & ModifierFlags::control) glyphs += "\u2303";
    if (modifierFlags_ & ModifierFlags::option) glyphs += "\u2325";
    if (modifierFlags_ & ModifierFlags::shift) glyphs += "\u21E7";
    if (modifierFlags_ & ModifierFlags::command) glyphs += "\u2318";
    return glyphs;
}

std::string MASShortcut::keyCodeString(platform::KeyboardLayout& layout) const {
    if (keyCode_ == kSpace)
        return platform::localized("Space", "Shortcut glyph name for SPACE key");
    if (const auto fixed = fixedNames().find(keyCode_); fixed != fixedNames().end())
        return fixed->second;
    if (keyCode_ < 0 || keyCode_ > 0xFFFF) return {};

    // The character the key types in the layout's Latin group, as a Command shortcut sees it.
    const auto translation = layout.translate(static_cast<uint16_t>(keyCode_));
    if (!translation || !translation->commandCharacters || translation->commandCharacters->empty())
        return {};
    const icu::UnicodeString text = icu::UnicodeString::fromUTF8(*translation->commandCharacters);
    if (text.isBogus() || text.isEmpty()) return {};
    for (int32_t i = 0; i < text.length(); i = text.moveIndex32(i, 1))
        if (!isNameCharacter(text.char32At(i))) return {};
    icu::UnicodeString upper(text);
    return toUtf8(upper.toUpper(icu::Locale::getRoot()));
}

std::string MASShortcut::keyCodeStringForKeyEquivalent(platform::KeyboardLayout& layout) const {
    const std::string name = keyCodeString(layout);
    icu::UnicodeString text = icu::UnicodeString::fromUTF8(name);
    // Lengths count UTF-16 units, as the OS's strings do.
    if (text.length() < 2) return toUtf8(text.toLower(icu::Locale::getRoot()));
    if (keyCode_ == kSpace) return " ";
    if (const auto key = functionKeyEquivalents().find(keyCode_);
        key != functionKeyEquivalents().end())
        return toUtf8(icu::UnicodeString(key->second));
    return {};
}

std::string MASShortcut::description(platform::KeyboardLayout& layout) const {
    return modifierFlagsString() + keyCodeString(layout);
}
