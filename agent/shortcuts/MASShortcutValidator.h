#pragma once

#include <functional>
#include <string>

#include "agent/shortcuts/MASShortcut.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/HotKeys.h"
#include "platform/input/KeyboardLayout.h"
#include "platform/ui/Menu.h"

// Decides whether a key combination may become a hot key: usable at all, and not already a
// system-wide shortcut or a key equivalent of the application's main menu.
class MASShortcutValidator {
  public:
    // The application's main menu as it is now; nullptr (or no function) is an empty menu.
    using MainMenuProvider = std::function<const platform::Menu*()>;

    MASShortcutValidator(platform::UserDefaults& defaults,
                         platform::SystemShortcuts& systemShortcuts,
                         platform::KeyboardLayout& layout, MainMenuProvider mainMenu = {});

    bool allowAnyShortcutWithOptionModifier() const { return allowAnyShortcutWithOptionModifier_; }
    void setAllowAnyShortcutWithOptionModifier(bool allow) {
        allowAnyShortcutWithOptionModifier_ = allow;
    }

    // A modifier with an ordinary key, or a function key with or without modifiers.
    bool isShortcutValid(const MASShortcut& shortcut) const;
    // `explanation`, when given, receives the text telling the user why.
    bool isShortcutAlreadyTakenBySystem(const MASShortcut& shortcut,
                                        std::string* explanation = nullptr) const;
    // Whether an item of `menu` or of its submenus has the shortcut as its key equivalent.
    bool isShortcut(const MASShortcut& shortcut, const platform::Menu& menu,
                    std::string* explanation = nullptr) const;

  private:
    platform::UserDefaults& defaults_;
    platform::SystemShortcuts& systemShortcuts_;
    platform::KeyboardLayout& layout_;
    MainMenuProvider mainMenu_;
    bool allowAnyShortcutWithOptionModifier_ = false;
};
