#include "platform/linux/x11/XTestKeyEvents.h"

#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "platform/core/Log.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/x11/X11KeyTarget.h"
#include "platform/linux/x11/XcbScreen.h"
#include "platform/linux/x11/XcbXkb.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"

namespace platform {

namespace {

constexpr auto kFocusTimeout = std::chrono::milliseconds(500);
constexpr auto kReleaseTimeout = std::chrono::milliseconds(1000);
constexpr auto kLetGoTimeout = std::chrono::milliseconds(500);
constexpr uint64_t kModifiers =
    ModifierFlags::shift | ModifierFlags::control | ModifierFlags::option | ModifierFlags::command;

template <typename T>
std::unique_ptr<T, decltype(&free)> reply(T* raw) {
    return std::unique_ptr<T, decltype(&free)>(raw, &free);
}

bool isDown(const uint8_t* keys, uint8_t key) {
    return keys[key / 8] & (1u << (key % 8));
}

}  // namespace

XTestKeyEvents::XTestKeyEvents(XkbKeyboardLayout& layout, ClipboardKeysSource clipboardKeys,
                               const std::string& displayName)
    : layout_(layout), clipboardKeys_(std::move(clipboardKeys)) {
    const auto screen = connectToScreen(displayName);
    if (!screen) return;
    connection_ = screen->connection;
    root_ = screen->root;
    const xcb_query_extension_reply_t* xtest = xcb_get_extension_data(connection_, &xcb_test_id);
    xtest_ = xtest && xtest->present;
    auto xkb = reply(xcb_xkb_use_extension_reply(
        connection_, xcb_xkb_use_extension(connection_, 1, 0), nullptr));
    xkb_ = xkb && xkb->supported;
    target_ = std::make_unique<X11KeyTarget>(connection_, root_);
}

XTestKeyEvents::~XTestKeyEvents() {
    target_.reset();
    if (connection_) xcb_disconnect(connection_);
}

bool XTestKeyEvents::hasEventSource() {
    return connection_ && xtest_ && !xcb_connection_has_error(connection_);
}

void XTestKeyEvents::postToPid(int pid, const KeyEvent& event) {
    if (!hasEventSource()) return;
    if (!event.down) return up(event);
    releaseEarlier(event);
    const std::optional<uint32_t> window = target_->windowOfProcess(pid);
    if (!window) {
        log("Simulated Keystroke: no window of process " + std::to_string(pid));
    } else if (!target_->focus(*window, kFocusTimeout)) {
        log("Simulated Keystroke: could not focus the window of process " + std::to_string(pid));
    } else {
        return down(window, event);
    }
    // Its up event then finds nothing to undo.
    pressed_[event.keyCode] = Press{};
}

void XTestKeyEvents::post(const KeyEvent& event) {
    if (!hasEventSource()) return;
    if (event.down) {
        down(target_->activeWindow(), event);
    } else {
        up(event);
    }
}

void XTestKeyEvents::releaseEarlier(const KeyEvent& event) {
    // A second down event without an up between: the first one's modifiers, the keys it
    // released and the group it locked are undone now, or they would stay that way.
    if (!pressed_.contains(event.keyCode)) return;
    KeyEvent release = event;
    release.down = false;
    up(release);
}

void XTestKeyEvents::down(std::optional<uint32_t> window, const KeyEvent& event) {
    releaseEarlier(event);
    // Its up event finds nothing to undo when nothing is sent, rather than a key never pressed.
    pressed_[event.keyCode] = Press{};
    std::optional<uint8_t> key = KeyCodeMap::x11KeyCode(event.keyCode);
    if (!key) return;
    uint64_t modifiers = event.flags & kModifiers;
    const bool command = modifiers & ModifierFlags::command;
    if (command) {
        const auto translation = layout_.translate(event.keyCode);
        const auto resolved = ClipboardShortcuts::commandKey(
            translation ? translation->commandCharacters : std::nullopt, modifiers,
            [&] {
                return window ? target_->application(*window) : ClipboardShortcuts::Application{};
            },
            clipboardKeys_);
        if (!resolved) return;
        modifiers = resolved->modifiers;
        if (resolved->virtualKeyCode)
            key = KeyCodeMap::x11KeyCode(*resolved->virtualKeyCode);
        else if (resolved->character)
            key = keyTyping(*resolved->character);
        if (!key) return;
    }

    Press press;
    press.sent = true;
    press.key = *key;
    if (command) press.group = lockCommandGroup(press);

    // The keys of the hot key that started this are usually let go a moment later. Wait for
    // that first: while its key is down the hot key's grab takes every key event, and a modifier
    // its holder releases while we hold it released would be pressed again below and stay down.
    std::vector<uint8_t> all(248);
    for (size_t i = 0; i < all.size(); ++i) all[i] = static_cast<uint8_t>(i + 8);
    if (const auto down = pressedAmong(all); !down.empty()) waitUntilUp(down, kLetGoTimeout);
    std::vector<uint8_t> held = heldModifierKeys();
    for (uint8_t k : held) fake(XCB_KEY_RELEASE, k);
    sync();
    const std::vector<uint8_t> stillDown = pressedAmong(held);
    for (uint8_t k : held) {
        if (std::find(stillDown.begin(), stillDown.end(), k) == stillDown.end())
            press.restore.push_back(k);
    }
    if (!stillDown.empty()) waitUntilUp(stillDown, kReleaseTimeout);

    for (uint64_t flag : {ModifierFlags::control, ModifierFlags::shift, ModifierFlags::option,
                          ModifierFlags::command}) {
        if (!(modifiers & flag)) continue;
        if (const auto k = modifierKey(flag)) {
            fake(XCB_KEY_PRESS, *k);
            press.modifiers.push_back(*k);
        }
    }
    fake(XCB_KEY_PRESS, press.key);
    sync();
    pressed_[event.keyCode] = std::move(press);
}

void XTestKeyEvents::up(const KeyEvent& event) {
    const auto found = pressed_.find(event.keyCode);
    if (found == pressed_.end()) {
        if (const auto key = KeyCodeMap::x11KeyCode(event.keyCode)) {
            fake(XCB_KEY_RELEASE, *key);
            sync();
        }
        return;
    }
    const Press press = std::move(found->second);
    pressed_.erase(found);
    if (!press.sent) return;
    fake(XCB_KEY_RELEASE, press.key);
    for (auto it = press.modifiers.rbegin(); it != press.modifiers.rend(); ++it)
        fake(XCB_KEY_RELEASE, *it);
    for (uint8_t k : press.restore) fake(XCB_KEY_PRESS, k);
    if (press.group) lockGroup(*press.group);
    sync();
    // Until the layout has seen both group changes, it would read keys in the Latin group.
    if (press.group) layout_.waitForGroup(press.userGroup, press.generation + 1, kFocusTimeout);
}

std::optional<uint8_t> XTestKeyEvents::keyTyping(const std::string& character) {
    for (uint16_t code = 0; code < VirtualKey::kCount; ++code) {
        const auto translation = layout_.translate(code);
        if (translation && translation->commandCharacters == character)
            return KeyCodeMap::x11KeyCode(code);
    }
    return std::nullopt;
}

std::optional<uint8_t> XTestKeyEvents::modifierKey(uint64_t flag) {
    // The left key first, as a user would press it.
    for (uint16_t code : {VirtualKey::kControl, VirtualKey::kShift, VirtualKey::kOption,
                          VirtualKey::kCommand, VirtualKey::kRightControl, VirtualKey::kRightShift,
                          VirtualKey::kRightOption, VirtualKey::kRightCommand}) {
        const auto translation = layout_.translate(code);
        if (translation && translation->type == KeyTranslation::Type::FlagsChanged &&
            translation->modifierFlags == flag)
            return KeyCodeMap::x11KeyCode(code);
    }
    return std::nullopt;
}

std::vector<uint8_t> XTestKeyEvents::heldModifierKeys() {
    auto mapping = reply(xcb_get_modifier_mapping_reply(
        connection_, xcb_get_modifier_mapping(connection_), nullptr));
    if (!mapping) return {};
    const xcb_keycode_t* keycodes = xcb_get_modifier_mapping_keycodes(mapping.get());
    const int perModifier = mapping->keycodes_per_modifier;
    std::vector<uint8_t> candidates;
    for (int modifier = 0; modifier < 8; ++modifier) {
        // Lock and Mod2 (Num Lock) are locks, not held keys.
        if (modifier == XCB_MAP_INDEX_LOCK || modifier == XCB_MAP_INDEX_2) continue;
        for (int i = 0; i < perModifier; ++i) {
            const uint8_t k = keycodes[modifier * perModifier + i];
            if (k && std::find(candidates.begin(), candidates.end(), k) == candidates.end())
                candidates.push_back(k);
        }
    }
    return pressedAmong(candidates);
}

std::vector<uint8_t> XTestKeyEvents::pressedAmong(const std::vector<uint8_t>& keys) {
    auto keymap =
        reply(xcb_query_keymap_reply(connection_, xcb_query_keymap(connection_), nullptr));
    std::vector<uint8_t> down;
    if (!keymap) return down;
    for (uint8_t k : keys) {
        if (isDown(keymap->keys, k)) down.push_back(k);
    }
    return down;
}

bool XTestKeyEvents::waitUntilUp(const std::vector<uint8_t>& keys,
                                 std::chrono::milliseconds timeout) {
    // The server reports no key state changes of other devices to us, so look again briefly.
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!pressedAmong(keys).empty()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return true;
}

std::optional<uint32_t> XTestKeyEvents::lockCommandGroup(Press& press) {
    if (!xkb_) return std::nullopt;
    const std::optional<uint32_t> commandGroup = layout_.commandGroup();
    if (!commandGroup || *commandGroup == layout_.currentGroup()) return std::nullopt;
    auto state = reply(xcb_xkb_get_state_reply(
        connection_, xcb_xkb_get_state(connection_, XCB_XKB_ID_USE_CORE_KBD), nullptr));
    if (!state || state->group == *commandGroup) return std::nullopt;
    press.userGroup = state->group;
    press.generation = layout_.generation();
    lockGroup(*commandGroup);
    return state->lockedGroup;
}

void XTestKeyEvents::lockGroup(uint32_t group) {
    xcb_xkb_latch_lock_state(connection_, XCB_XKB_ID_USE_CORE_KBD, 0, 0, 1,
                             static_cast<uint8_t>(group), 0, 0, 0);
}

void XTestKeyEvents::fake(uint8_t type, uint8_t key) {
    xcb_test_fake_input(connection_, type, key, XCB_CURRENT_TIME, root_, 0, 0, 0);
}

void XTestKeyEvents::sync() {
    // A round trip: everything sent before it has been handled by the server.
    free(xcb_get_input_focus_reply(connection_, xcb_get_input_focus(connection_), nullptr));
    // Nothing else reads this connection's events: the errors of fake input and group locks
    // the server refused would pile up.
    while (xcb_generic_event_t* event = xcb_poll_for_event(connection_)) free(event);
}

}  // namespace platform
