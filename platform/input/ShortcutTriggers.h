#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// A hot key (virtual key code + Carbon modifiers) written the ways the desktops' own shortcut
// services take it. Keys are named as on a US layout, which is what the services expect of a
// preferred combination; the desktop resolves the name on the user's layout. Command is Super
// (LOGO, Meta), as for the X11 grabs. Codes without a key on a PC keyboard, the modifier keys
// themselves and the JIS keys have no name.
class ShortcutTriggers {
  public:
    // The xkbcommon keysym name ("a", "space", "F1", "KP_Add").
    static std::optional<std::string_view> keysymName(uint16_t keyCode);
    // The trigger syntax of the desktop portal's global shortcuts: modifiers CTRL, ALT, SHIFT,
    // LOGO and the keysym name, joined by '+' ("CTRL+SHIFT+a", "LOGO+space").
    static std::optional<std::string> portalTrigger(uint16_t keyCode, uint32_t carbonModifiers);
    // A GTK accelerator as GNOME's custom shortcuts store it ("<Control><Shift>a").
    static std::optional<std::string> gtkAccelerator(uint16_t keyCode, uint32_t carbonModifiers);
    // A Qt key code with Qt modifier bits, as KDE's global shortcut service takes keys.
    static std::optional<int> qtKeyCombination(uint16_t keyCode, uint32_t carbonModifiers);

    // Whether a description of a trigger the desktop gives back names the same combination as
    // `asked` (portal syntax): modifiers in any order and spelling (Ctrl/Control, Meta/Super/
    // Logo), key names without regard to case.
    static bool sameTrigger(std::string_view asked, std::string_view described);
};

}  // namespace platform
