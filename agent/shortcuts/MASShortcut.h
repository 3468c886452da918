#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/input/KeyboardLayout.h"

// A key combination: a virtual key code and the four device-independent modifier flags
// (Shift, Control, Option, Command); every other flag is dropped on creation.
class MASShortcut {
  public:
    // "No key": the OS's NSNotFound.
    static constexpr int64_t kNotFound = INT64_MAX;
    static constexpr uint64_t kModifierMask = 0x1E0000;

    MASShortcut(int64_t keyCode, uint64_t modifierFlags)
        : keyCode_(keyCode), modifierFlags_(modifierFlags & kModifierMask) {}
    static MASShortcut shortcutWithKeyCode(int64_t keyCode, uint64_t modifierFlags) {
        return {keyCode, modifierFlags};
    }
    // From a key event: its key code (low 16 bits) and modifier flags.
    static MASShortcut shortcutWithEvent(uint16_t keyCode, uint64_t modifierFlags) {
        return {keyCode & 0xFFFF, modifierFlags};
    }

    int64_t keyCode() const { return keyCode_; }
    uint64_t modifierFlags() const { return modifierFlags_; }

    uint32_t carbonKeyCode() const;
    uint32_t carbonFlags() const;
    // ⌃⌥⇧⌘, in that order; empty without modifiers.
    std::string modifierFlagsString() const;
    // The key's display name; names of ordinary keys come from `layout` (upper-cased).
    std::string keyCodeString(platform::KeyboardLayout& layout) const;
    std::string keyCodeStringForKeyEquivalent(platform::KeyboardLayout& layout) const;
    // modifierFlagsString() then keyCodeString().
    std::string description(platform::KeyboardLayout& layout) const;

    // The keyed-coding form: "KeyCode" (-1 for no key) and "ModifierFlags".
    platform::PropertyList::Dictionary encode() const;
    static MASShortcut decode(const platform::PropertyList::Dictionary& coded);

    friend bool operator==(const MASShortcut& a, const MASShortcut& b) {
        return a.keyCode_ == b.keyCode_ && a.modifierFlags_ == b.modifierFlags_;
    }
    size_t hash() const { return static_cast<size_t>(keyCode_) + modifierFlags_; }

  private:
    int64_t keyCode_;
    uint64_t modifierFlags_;
};

template <>
struct std::hash<MASShortcut> {
    size_t operator()(const MASShortcut& s) const { return s.hash(); }
};
