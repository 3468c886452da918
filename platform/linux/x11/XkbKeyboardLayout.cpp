#include "platform/linux/x11/XkbKeyboardLayout.h"

#include <poll.h>
#include <sys/eventfd.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xkbcommon/xkbcommon-x11.h>
#include <xkbcommon/xkbcommon.h>

#include <array>
#include <bitset>
#include <cerrno>
#include <cstdlib>

#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/linux/x11/XcbXkb.h"

namespace platform {

namespace {

// The OS's function-key character values for keys that type no text.
std::optional<uint32_t> specialKeyFor(xkb_keysym_t sym) {
    if (sym >= XKB_KEY_F1 && sym <= XKB_KEY_F35) return 0xF704 + (sym - XKB_KEY_F1);
    switch (sym) {
        case XKB_KEY_Up:
            return 0xF700;
        case XKB_KEY_Down:
            return 0xF701;
        case XKB_KEY_Left:
            return 0xF702;
        case XKB_KEY_Right:
            return 0xF703;
        case XKB_KEY_Insert:
            return 0xF727;
        case XKB_KEY_Delete:
            return 0xF728;
        case XKB_KEY_Home:
            return 0xF729;
        case XKB_KEY_Begin:
            return 0xF72A;
        case XKB_KEY_End:
            return 0xF72B;
        case XKB_KEY_Prior:
            return 0xF72C;
        case XKB_KEY_Next:
            return 0xF72D;
        case XKB_KEY_Print:
            return 0xF72E;
        case XKB_KEY_Scroll_Lock:
            return 0xF72F;
        case XKB_KEY_Pause:
            return 0xF730;
        case XKB_KEY_Sys_Req:
            return 0xF731;
        case XKB_KEY_Break:
            return 0xF732;
        case XKB_KEY_Menu:
            return 0xF735;
        case XKB_KEY_Num_Lock:
            return 0xF739;  // the keypad's Clear key sits there
        case XKB_KEY_Select:
            return 0xF741;
        case XKB_KEY_Execute:
            return 0xF742;
        case XKB_KEY_Undo:
            return 0xF743;
        case XKB_KEY_Redo:
            return 0xF744;
        case XKB_KEY_Find:
            return 0xF745;
        case XKB_KEY_Help:
            return 0xF746;
        default:
            return std::nullopt;
    }
}

uint64_t modifierFlagFor(xkb_keysym_t sym) {
    switch (sym) {
        case XKB_KEY_Shift_L:
        case XKB_KEY_Shift_R:
            return ModifierFlags::shift;
        case XKB_KEY_Control_L:
        case XKB_KEY_Control_R:
            return ModifierFlags::control;
        case XKB_KEY_Caps_Lock:
        case XKB_KEY_Shift_Lock:
            return ModifierFlags::capsLock;
        case XKB_KEY_Alt_L:
        case XKB_KEY_Alt_R:
        case XKB_KEY_Meta_L:
        case XKB_KEY_Meta_R:
        case XKB_KEY_ISO_Level3_Shift:
        case XKB_KEY_ISO_Level5_Shift:
        case XKB_KEY_Mode_switch:
            return ModifierFlags::option;
        case XKB_KEY_Super_L:
        case XKB_KEY_Super_R:
        case XKB_KEY_Hyper_L:
        case XKB_KEY_Hyper_R:
            return ModifierFlags::command;
        default:
            return 0;
    }
}

// What the key types in `state`; the OS's Delete and keypad Enter characters where X differs.
std::optional<std::string> textFor(xkb_state* state, xkb_keycode_t key) {
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state, key);
    if (sym == XKB_KEY_BackSpace) return std::string("\x7f");
    if (sym == XKB_KEY_KP_Enter) return std::string("\x03");
    std::array<char, 64> buffer{};
    const int n = xkb_state_key_get_utf8(state, key, buffer.data(), buffer.size());
    if (n <= 0 || static_cast<size_t>(n) >= buffer.size()) return std::nullopt;
    return std::string(buffer.data(), static_cast<size_t>(n));
}

// A group types Latin letters when at least half of a-z are on its first level.
bool typesLatin(xkb_keymap* keymap, xkb_layout_index_t group) {
    std::bitset<26> letters;
    for (xkb_keycode_t key = xkb_keymap_min_keycode(keymap); key <= xkb_keymap_max_keycode(keymap);
         ++key) {
        if (group >= xkb_keymap_num_layouts_for_key(keymap, key)) continue;
        const xkb_keysym_t* syms = nullptr;
        const int n = xkb_keymap_key_get_syms_by_level(keymap, key, group, 0, &syms);
        for (int i = 0; i < n; ++i) {
            if (syms[i] >= XKB_KEY_a && syms[i] <= XKB_KEY_z) letters.set(syms[i] - XKB_KEY_a);
        }
    }
    return letters.count() >= 13;
}

// A state reading `group` with Num Lock locked.
void lockGroupWithNumLock(xkb_state* state, xkb_keymap* keymap, uint32_t group) {
    const xkb_mod_index_t num = xkb_keymap_mod_get_index(keymap, XKB_MOD_NAME_NUM);
    const xkb_mod_mask_t locked = num == XKB_MOD_INVALID ? 0 : (1u << num);
    xkb_state_update_mask(state, 0, 0, locked, 0, 0, group);
}

xkb_keymap* compile(xkb_context* context, const XkbKeyboardLayout::Names& names) {
    const xkb_rule_names rmlvo{
        names.rules.empty() ? nullptr : names.rules.c_str(),
        names.model.empty() ? nullptr : names.model.c_str(),
        names.layout.empty() ? nullptr : names.layout.c_str(),
        names.variant.empty() ? nullptr : names.variant.c_str(),
        names.options.empty() ? nullptr : names.options.c_str(),
    };
    return xkb_keymap_new_from_names(context, &rmlvo, XKB_KEYMAP_COMPILE_NO_FLAGS);
}

// The start of every XKB event: the extension's event code, then the XKB event type.
struct XkbEventHeader {
    uint8_t responseType;
    uint8_t xkbType;
};

}  // namespace

XkbKeyboardLayout::XkbKeyboardLayout() : context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {
    // A keymap that does not compile is reported by its caller, in one line.
    if (context_) xkb_context_set_log_level(context_, XKB_LOG_LEVEL_CRITICAL);
}

XkbKeyboardLayout::~XkbKeyboardLayout() {
    if (watcher_.joinable()) {
        const uint64_t one = 1;
        (void)!write(wakeFd_, &one, sizeof one);
        watcher_.join();
    }
    if (wakeFd_ >= 0) close(wakeFd_);
    if (connection_) xcb_disconnect(connection_);
    if (commandState_) xkb_state_unref(commandState_);
    if (state_) xkb_state_unref(state_);
    if (keymap_) xkb_keymap_unref(keymap_);
    if (usKeymap_) xkb_keymap_unref(usKeymap_);
    if (context_) xkb_context_unref(context_);
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromNames(const Names& names) {
    std::unique_ptr<XkbKeyboardLayout> layout(new XkbKeyboardLayout());
    if (!layout->context_) return nullptr;
    xkb_keymap* keymap = compile(layout->context_, names);
    if (!keymap) return nullptr;
    std::lock_guard lock(layout->mutex_);
    layout->install(keymap, 0);
    return layout;
}

std::unique_ptr<XkbKeyboardLayout> XkbKeyboardLayout::fromDisplay(const std::string& displayName) {
    std::unique_ptr<XkbKeyboardLayout> layout(new XkbKeyboardLayout());
    if (!layout->context_ || !layout->connectToDisplay(displayName)) return nullptr;
    layout->reloadFromDisplay();
    if (!layout->keymap_) return nullptr;
    layout->wakeFd_ = eventfd(0, EFD_CLOEXEC);
    if (layout->wakeFd_ < 0) return nullptr;
    layout->watcher_ = std::thread([raw = layout.get()] { raw->watch(); });
    return layout;
}

bool XkbKeyboardLayout::connectToDisplay(const std::string& displayName) {
    connection_ = xcb_connect(displayName.empty() ? nullptr : displayName.c_str(), nullptr);
    if (xcb_connection_has_error(connection_)) return false;
    if (!xkb_x11_setup_xkb_extension(
            connection_, XKB_X11_MIN_MAJOR_XKB_VERSION, XKB_X11_MIN_MINOR_XKB_VERSION,
            XKB_X11_SETUP_XKB_EXTENSION_NO_FLAGS, nullptr, nullptr, &xkbEventBase_, nullptr)) {
        return false;
    }
    deviceId_ = xkb_x11_get_core_keyboard_device_id(connection_);
    if (deviceId_ < 0) return false;

    constexpr uint16_t kEvents = XCB_XKB_EVENT_TYPE_NEW_KEYBOARD_NOTIFY |
                                 XCB_XKB_EVENT_TYPE_MAP_NOTIFY | XCB_XKB_EVENT_TYPE_STATE_NOTIFY;
    constexpr uint16_t kMapParts =
        XCB_XKB_MAP_PART_KEY_TYPES | XCB_XKB_MAP_PART_KEY_SYMS | XCB_XKB_MAP_PART_MODIFIER_MAP |
        XCB_XKB_MAP_PART_EXPLICIT_COMPONENTS | XCB_XKB_MAP_PART_KEY_ACTIONS |
        XCB_XKB_MAP_PART_VIRTUAL_MODS | XCB_XKB_MAP_PART_VIRTUAL_MOD_MAP;
    // Of the state only the group matters: modifier changes on every key press stay unsent.
    constexpr uint16_t kStateParts = XCB_XKB_STATE_PART_GROUP_STATE |
                                     XCB_XKB_STATE_PART_GROUP_BASE |
                                     XCB_XKB_STATE_PART_GROUP_LATCH | XCB_XKB_STATE_PART_GROUP_LOCK;
    xcb_xkb_select_events_details_t details{};
    details.affectNewKeyboard = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.newKeyboardDetails = XCB_XKB_NKN_DETAIL_KEYCODES;
    details.affectState = kStateParts;
    details.stateDetails = kStateParts;
    xcb_void_cookie_t cookie = xcb_xkb_select_events_aux_checked(
        connection_, static_cast<xcb_xkb_device_spec_t>(deviceId_), kEvents, 0, 0, kMapParts,
        kMapParts, &details);
    if (xcb_generic_error_t* error = xcb_request_check(connection_, cookie)) {
        free(error);
        return false;
    }
    return true;
}

void XkbKeyboardLayout::reloadFromDisplay() {
    xkb_keymap* keymap = xkb_x11_keymap_new_from_device(context_, connection_, deviceId_,
                                                        XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return;
    uint32_t group = 0;
    if (xkb_state* state = xkb_x11_state_new_from_device(keymap, connection_, deviceId_)) {
        group = xkb_state_serialize_layout(state, XKB_STATE_LAYOUT_EFFECTIVE);
        xkb_state_unref(state);
    }
    std::lock_guard lock(mutex_);
    install(keymap, group);
}

void XkbKeyboardLayout::watch() {
    pollfd fds[2] = {{xcb_get_file_descriptor(connection_), POLLIN, 0}, {wakeFd_, POLLIN, 0}};
    while (true) {
        bool reload = false;
        bool any = false;
        std::optional<uint32_t> group;
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) {
            any = true;
            const auto* header = reinterpret_cast<const XkbEventHeader*>(event);
            if ((header->responseType & 0x7f) == xkbEventBase_) {
                if (header->xkbType == XCB_XKB_NEW_KEYBOARD_NOTIFY ||
                    header->xkbType == XCB_XKB_MAP_NOTIFY) {
                    reload = true;
                } else if (header->xkbType == XCB_XKB_STATE_NOTIFY) {
                    group = reinterpret_cast<const xcb_xkb_state_notify_event_t*>(event)->group;
                }
            }
            free(event);
        }
        if (xcb_connection_has_error(connection_)) return;
        if (reload) {
            reloadFromDisplay();
        } else if (group) {
            std::lock_guard lock(mutex_);
            selectGroup(*group);
        }
        // A reload's round trips may have queued more events behind the socket's back.
        if (any) continue;
        if (poll(fds, 2, -1) < 0 && errno != EINTR) return;
        if (fds[1].revents) return;
    }
}

void XkbKeyboardLayout::install(xkb_keymap* keymap, uint32_t group) {
    if (state_) xkb_state_unref(state_);
    if (commandState_) xkb_state_unref(commandState_);
    if (keymap_) xkb_keymap_unref(keymap_);
    commandState_ = nullptr;
    keymap_ = keymap;
    state_ = xkb_state_new(keymap_);
    latinGroups_.clear();
    for (xkb_layout_index_t g = 0; g < xkb_keymap_num_layouts(keymap_); ++g)
        latinGroups_.push_back(typesLatin(keymap_, g));
    selectGroup(group);
}

void XkbKeyboardLayout::selectGroup(uint32_t group) {
    const uint32_t count = xkb_keymap_num_layouts(keymap_);
    group_ = count ? group % count : 0;
    lockGroupWithNumLock(state_, keymap_, group_);

    commandGroup_.reset();
    if (group_ < latinGroups_.size() && latinGroups_[group_]) {
        commandGroup_ = group_;
    } else {
        for (uint32_t g = 0; g < latinGroups_.size(); ++g) {
            if (latinGroups_[g]) {
                commandGroup_ = g;
                break;
            }
        }
    }
    if (commandState_) xkb_state_unref(commandState_);
    commandState_ = nullptr;
    if (commandGroup_) {
        commandState_ = xkb_state_new(keymap_);
        lockGroupWithNumLock(commandState_, keymap_, *commandGroup_);
    } else {
        if (!usKeymap_) usKeymap_ = compile(context_, Names{"us", "", "", "", ""});
        if (usKeymap_) {
            commandState_ = xkb_state_new(usKeymap_);
            lockGroupWithNumLock(commandState_, usKeymap_, 0);
        }
    }
    ++generation_;
    changed_.notify_all();
}

std::optional<KeyTranslation> XkbKeyboardLayout::translate(uint16_t virtualKeyCode) {
    const std::optional<uint8_t> key = KeyCodeMap::x11KeyCode(virtualKeyCode);
    if (!key) return std::nullopt;
    std::lock_guard lock(mutex_);
    if (!keymap_ || xkb_keymap_num_layouts_for_key(keymap_, *key) == 0) return std::nullopt;

    KeyTranslation translation;
    const xkb_keysym_t sym = xkb_state_key_get_one_sym(state_, *key);
    if (const uint64_t flag = modifierFlagFor(sym)) {
        translation.type = KeyTranslation::Type::FlagsChanged;
        translation.modifierFlags = flag;
        return translation;
    }
    if ((translation.specialKey = specialKeyFor(sym))) return translation;
    translation.characters = textFor(state_, *key);
    if (commandState_) translation.commandCharacters = textFor(commandState_, *key);
    return translation;
}

bool XkbKeyboardLayout::waitForGroup(uint32_t group, uint64_t generation,
                                     std::chrono::milliseconds timeout) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout,
                             [&] { return group_ == group && generation_.load() > generation; });
}

std::string XkbKeyboardLayout::keymapText() const {
    std::lock_guard lock(mutex_);
    if (!keymap_) return {};
    char* text = xkb_keymap_get_as_string(keymap_, XKB_KEYMAP_FORMAT_TEXT_V1);
    if (!text) return {};
    std::string result(text);
    free(text);
    return result;
}

uint32_t XkbKeyboardLayout::currentGroup() const {
    std::lock_guard lock(mutex_);
    return group_;
}

std::optional<uint32_t> XkbKeyboardLayout::commandGroup() const {
    std::lock_guard lock(mutex_);
    return commandGroup_;
}

void XkbKeyboardLayout::setCurrentGroup(uint32_t group) {
    std::lock_guard lock(mutex_);
    selectGroup(group);
}

}  // namespace platform
