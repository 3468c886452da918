#include "agent/shortcuts/MASShortcutValidator.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <set>

#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using platform::ModifierFlags;

namespace {

constexpr int64_t kSpace = 49;
constexpr int64_t kEscape = 53;

// F1-F20: usable as hot keys on their own.
bool isFunctionKey(int64_t keyCode) {
    static const std::set<int64_t> keys = {122, 120, 99,  118, 96,  97,  98, 100, 101, 109,
                                           103, 111, 105, 107, 113, 106, 64, 79,  80,  90};
    return keys.contains(keyCode);
}

std::string lowercased(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).toLower(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

void replaceFirst(std::string& text, const std::string& placeholder, const std::string& value) {
    if (const auto at = text.find(placeholder); at != std::string::npos)
        text.replace(at, placeholder.size(), value);
}

}  // namespace

MASShortcutValidator::MASShortcutValidator(platform::UserDefaults& defaults,
                                           platform::SystemShortcuts& systemShortcuts,
                                           platform::KeyboardLayout& layout,
                                           MainMenuProvider mainMenu)
    : defaults_(defaults),
      systemShortcuts_(systemShortcuts),
      layout_(layout),
      mainMenu_(std::move(mainMenu)) {}

bool MASShortcutValidator::isShortcutValid(const MASShortcut& shortcut) const {
    if (isFunctionKey(shortcut.keyCode())) return true;
    const uint64_t flags = shortcut.modifierFlags();
    if ((flags & MASShortcut::kModifierMask) == 0) return false;
    if (flags & (ModifierFlags::command | ModifierFlags::control)) return true;
    if (flags & ModifierFlags::option) {
        return shortcut.keyCode() == kSpace || shortcut.keyCode() == kEscape ||
               allowAnyShortcutWithOptionModifier_;
    }
    return false;
}

bool MASShortcutValidator::isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut,
                                                          std::string* explanation) const {
    if (defaults_.boolForKey("ShortcutIgnoreKeyValidation")) return false;

    const int64_t keyCode = shortcut.keyCode();
    if (keyCode >= 0 && keyCode <= 0xFFFF &&
        systemShortcuts_.isTaken(static_cast<uint16_t>(keyCode), shortcut.carbonFlags())) {
        if (explanation) {
            // One literal, so the key can be found in the strings table.
            // clang-format off
            *explanation = platform::localized("This combination cannot be used because it is already used by a system-wide keyboard shortcut.\nIf you really want to use this key combination, most shortcuts can be changed in the Keyboard & Mouse panel in System Preferences.", "Message for alert when shortcut is already used by the system");
            // clang-format on
        }
        return true;
    }

    const platform::Menu* mainMenu = mainMenu_ ? mainMenu_() : nullptr;
    return mainMenu && isShortcut(shortcut, *mainMenu, explanation);
}

bool MASShortcutValidator::isShortcut(const MASShortcut& shortcut, const platform::Menu& menu,
                                      std::string* explanation) const {
    const std::string keyEquivalent = shortcut.keyCodeStringForKeyEquivalent(layout_);
    for (const platform::MenuItem& item : menu.items()) {
        if (item.hasSubmenu() && isShortcut(shortcut, *item.submenu(), explanation)) return true;
        if (lowercased(item.keyEquivalent) != keyEquivalent) continue;

        uint64_t mask = item.keyEquivalentModifierMask;
        // An upper-case key equivalent is typed with Shift.
        if (item.keyEquivalent != keyEquivalent) mask |= ModifierFlags::shift;
        if ((mask & MASShortcut::kModifierMask) != shortcut.modifierFlags()) continue;
        if (explanation) {
            *explanation = platform::localized(
                "This shortcut cannot be used because it is already used by the menu item ‘%@’.",
                "Message for alert when shortcut is already used");
            replaceFirst(*explanation, "%@", item.title);
        }
        return true;
    }
    return false;
}
