#include "platform/linux/PortalKeysyms.h"

#include <xkbcommon/xkbcommon.h>

#include "platform/core/Utf8.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"

namespace platform {

PortalKeysyms::PortalKeysyms() {
    xkb_context* context = xkb_context_new(XKB_CONTEXT_NO_FLAGS);
    if (!context) return;
    const xkb_rule_names names{"evdev", "pc105", "us", "", ""};
    xkb_keymap* keymap = xkb_keymap_new_from_names(context, &names, XKB_KEYMAP_COMPILE_NO_FLAGS);
    xkb_state* state = keymap ? xkb_state_new(keymap) : nullptr;
    if (state) {
        const xkb_mod_index_t num = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
        xkb_state_update_mask(state, 0, 0, num == XKB_MOD_INVALID ? 0 : (1u << num), 0, 0, 0);
        for (const auto& entry : KeyCodeMap::entries()) {
            if (entry.virtualKeyCode >= table_.size()) continue;
            table_[entry.virtualKeyCode] = xkb_state_key_get_one_sym(state, entry.x11KeyCode);
        }
        xkb_state_unref(state);
    }
    if (keymap) xkb_keymap_unref(keymap);
    xkb_context_unref(context);
}

std::optional<uint32_t> PortalKeysyms::forKeyCode(uint16_t virtualKeyCode) const {
    if (virtualKeyCode >= table_.size() || table_[virtualKeyCode] == XKB_KEY_NoSymbol)
        return std::nullopt;
    return table_[virtualKeyCode];
}

std::optional<uint32_t> PortalKeysyms::forCharacter(const std::string& character) {
    size_t i = 0;
    char32_t c = 0;
    if (!Utf8::next(character, i, c) || i != character.size()) return std::nullopt;
    const xkb_keysym_t sym = xkb_utf32_to_keysym(static_cast<uint32_t>(c));
    if (sym == XKB_KEY_NoSymbol) return std::nullopt;
    return sym;
}

std::optional<std::string> PortalKeysyms::characters(uint32_t keysym) {
    const uint32_t c = xkb_keysym_to_utf32(keysym);
    if (c < 0x20 || c == 0x7f) return std::nullopt;
    std::string out;
    Utf8::append(out, c);
    return out;
}

std::optional<uint32_t> PortalKeysyms::forModifier(uint64_t flag) {
    switch (flag) {
        case ModifierFlags::shift:
            return XKB_KEY_Shift_L;
        case ModifierFlags::control:
            return XKB_KEY_Control_L;
        case ModifierFlags::option:
            return XKB_KEY_Alt_L;
        case ModifierFlags::command:
            return XKB_KEY_Super_L;
        default:
            return std::nullopt;
    }
}

}  // namespace platform
