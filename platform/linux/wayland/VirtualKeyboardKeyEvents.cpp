#include "platform/linux/wayland/VirtualKeyboardKeyEvents.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>
#include <xkbcommon/xkbcommon.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <thread>

#include "platform/core/Log.h"
#include "platform/input/KeyCodeMap.h"
#include "platform/input/ModifierFlags.h"
#include "platform/input/VirtualKeyCodes.h"
#include "platform/linux/ForeignApplications.h"
#include "platform/linux/wayland/WaylandRoundtrip.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "protocols/virtual-keyboard-unstable-v1-client.h"

namespace platform {

// The longest the compositor may take to answer before we give up on it.
constexpr std::chrono::milliseconds kBound{3000};

namespace {

constexpr auto kFocusTimeout = std::chrono::milliseconds(500);
constexpr uint64_t kModifiers =
    ModifierFlags::shift | ModifierFlags::control | ModifierFlags::option | ModifierFlags::command;
// X11 key codes are evdev codes plus this.
constexpr uint32_t kEvdevOffset = 8;

uint32_t milliseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint32_t>(now.tv_sec * 1000 + now.tv_nsec / 1000000);
}

uint32_t maskOf(xkb_keymap* keymap, const char* name) {
    const xkb_mod_index_t index = xkb_keymap_mod_get_index(keymap, name);
    return index == XKB_MOD_INVALID || index >= 32 ? 0 : (1u << index);
}

}  // namespace

std::unique_ptr<VirtualKeyboardKeyEvents> VirtualKeyboardKeyEvents::open(
    XkbKeyboardLayout& layout, ClipboardKeysSource clipboardKeys, ForeignApplications* applications,
    const std::string& display) {
    std::unique_ptr<VirtualKeyboardKeyEvents> events(
        new VirtualKeyboardKeyEvents(layout, std::move(clipboardKeys), applications));
    if (!events->connect(display)) return nullptr;
    return events;
}

VirtualKeyboardKeyEvents::VirtualKeyboardKeyEvents(XkbKeyboardLayout& layout,
                                                   ClipboardKeysSource clipboardKeys,
                                                   ForeignApplications* applications)
    : layout_(layout),
      clipboardKeys_(std::move(clipboardKeys)),
      applications_(applications),
      context_(xkb_context_new(XKB_CONTEXT_NO_FLAGS)) {}

VirtualKeyboardKeyEvents::~VirtualKeyboardKeyEvents() {
    if (hasEventSource()) {
        // A key left down would repeat in the focused client until the device goes.
        for (const auto& [code, press] : pressed_) {
            if (press.sent) send(press.key, false, 0, layout_.currentGroup());
        }
        wl_display_flush(display_);
    }
    if (keyboard_) zwp_virtual_keyboard_v1_destroy(keyboard_);
    if (manager_) zwp_virtual_keyboard_manager_v1_destroy(manager_);
    if (seat_) wl_seat_destroy(seat_);
    if (registry_) wl_registry_destroy(registry_);
    if (display_) wl_display_disconnect(display_);
    if (context_) xkb_context_unref(context_);
}

void VirtualKeyboardKeyEvents::global(void* data, wl_registry* registry, uint32_t name,
                                      const char* interface, uint32_t version) {
    auto* self = static_cast<VirtualKeyboardKeyEvents*>(data);
    if (std::strcmp(interface, wl_seat_interface.name) == 0 && !self->seat_) {
        self->seat_ =
            static_cast<wl_seat*>(wl_registry_bind(registry, name, &wl_seat_interface, 1));
    } else if (std::strcmp(interface, zwp_virtual_keyboard_manager_v1_interface.name) == 0 &&
               !self->manager_) {
        self->manager_ = static_cast<zwp_virtual_keyboard_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_virtual_keyboard_manager_v1_interface, 1));
    }
    (void)version;
}

void VirtualKeyboardKeyEvents::globalRemove(void*, wl_registry*, uint32_t) {}

bool VirtualKeyboardKeyEvents::connect(const std::string& display) {
    if (!context_) return false;
    display_ = wl_display_connect(display.empty() ? nullptr : display.c_str());
    if (!display_) return false;
    static const wl_registry_listener listener = {&VirtualKeyboardKeyEvents::global,
                                                  &VirtualKeyboardKeyEvents::globalRemove};
    registry_ = wl_display_get_registry(display_);
    wl_registry_add_listener(registry_, &listener, this);
    if (!roundtrip("registry")) return false;
    if (!seat_ || !manager_) {
        log("Simulated Keystroke: the Wayland compositor offers no virtual keyboard");
        return false;
    }
    keyboard_ = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager_, seat_);
    return uploadKeymap() && roundtrip("keyboard");
}

bool VirtualKeyboardKeyEvents::uploadKeymap() {
    const uint64_t generation = layout_.generation();
    const std::string text = layout_.keymapText();
    keymapGeneration_ = generation;
    if (text.empty()) return false;
    if (text == keymapText_) return true;

    xkb_keymap* keymap = xkb_keymap_new_from_string(
        context_, text.c_str(), XKB_KEYMAP_FORMAT_TEXT_V1, XKB_KEYMAP_COMPILE_NO_FLAGS);
    if (!keymap) return false;
    masks_ = Masks{maskOf(keymap, XKB_MOD_NAME_CTRL), maskOf(keymap, XKB_MOD_NAME_SHIFT),
                   maskOf(keymap, XKB_MOD_NAME_ALT), maskOf(keymap, XKB_MOD_NAME_LOGO),
                   maskOf(keymap, XKB_MOD_NAME_NUM)};
    xkb_keymap_unref(keymap);

    // The compositor maps it read-only; sealed, it can trust the size it was told.
    const int fd = memfd_create("purlane-keymap", MFD_CLOEXEC | MFD_ALLOW_SEALING);
    if (fd < 0) return false;
    const size_t size = text.size() + 1;  // with its terminating NUL, as keymaps are sent
    size_t written = 0;
    while (written < size) {
        const ssize_t n = write(fd, text.c_str() + written, size - written);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(fd);
            return false;
        }
        written += static_cast<size_t>(n);
    }
    fcntl(fd, F_ADD_SEALS, F_SEAL_SHRINK | F_SEAL_GROW | F_SEAL_WRITE | F_SEAL_SEAL);
    zwp_virtual_keyboard_v1_keymap(keyboard_, WL_KEYBOARD_KEYMAP_FORMAT_XKB_V1, fd,
                                   static_cast<uint32_t>(size));
    // The request holds a duplicate of the descriptor until it is sent.
    close(fd);
    keymapText_ = text;
    return true;
}

bool VirtualKeyboardKeyEvents::hasEventSource() {
    std::lock_guard lock(mutex_);
    return display_ && keyboard_ && !keymapText_.empty() && wl_display_get_error(display_) == 0;
}

void VirtualKeyboardKeyEvents::postToPid(int pid, const KeyEvent& event) {
    std::lock_guard lock(mutex_);
    if (!hasEventSource()) return;
    if (!event.down) return up(event);
    if (!applications_) return down({}, event);
    const std::optional<WindowedApplication> front = applications_->frontmost();
    // Without pids the desktop cannot tell which process is in front: the focused client it is.
    if (front && front->pid == 0) return down(frontApplication(), event);
    if (front && front->pid == pid) return down(frontApplication(), event);
    if (focusProcess(pid)) return down(frontApplication(), event);
    log("Simulated Keystroke: could not bring process " + std::to_string(pid) + " forward");
    // Its up event then finds nothing to undo, and the keys never reach another application.
    pressed_[event.keyCode] = Press{};
}

void VirtualKeyboardKeyEvents::post(const KeyEvent& event) {
    std::lock_guard lock(mutex_);
    if (!hasEventSource()) return;
    if (event.down) {
        down(frontApplication(), event);
    } else {
        up(event);
    }
}

bool VirtualKeyboardKeyEvents::focusProcess(int pid) {
    if (!applications_->activate(pid)) return false;
    // The desktop reports the focus change on a socket of its own; ask until it agrees.
    const auto deadline = std::chrono::steady_clock::now() + kFocusTimeout;
    while (true) {
        const auto front = applications_->frontmost();
        if (front && front->pid == pid) return true;
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

ClipboardShortcuts::Application VirtualKeyboardKeyEvents::frontApplication() {
    if (!applications_) return {};
    const auto front = applications_->frontmost();
    if (!front) return {};
    // The bundle identifier is the desktop entry's id or the Wayland application id; the name
    // is the entry's name or the window's class, which is what names most terminals.
    return {"", front->localizedName, front->bundleIdentifier.value_or("")};
}

void VirtualKeyboardKeyEvents::down(const ClipboardShortcuts::Application& app,
                                    const KeyEvent& event) {
    if (const auto earlier = pressed_.find(event.keyCode); earlier != pressed_.end()) {
        // A second down event without an up between: the first one is let go first.
        KeyEvent release = event;
        release.down = false;
        up(release);
    }
    // Its up event finds nothing to undo when nothing is sent, rather than a key never pressed.
    pressed_[event.keyCode] = Press{};
    if (layout_.generation() != keymapGeneration_ && !uploadKeymap()) return;
    std::optional<uint8_t> key = KeyCodeMap::x11KeyCode(event.keyCode);
    if (!key) return;
    uint64_t modifiers = event.flags & kModifiers;
    uint32_t group = layout_.currentGroup();
    if (modifiers & ModifierFlags::command) {
        const auto translation = layout_.translate(event.keyCode);
        const auto resolved = ClipboardShortcuts::commandKey(
            translation ? translation->commandCharacters : std::nullopt, modifiers,
            [&] { return app; }, clipboardKeys_);
        if (!resolved) return;
        modifiers = resolved->modifiers;
        if (resolved->virtualKeyCode)
            key = KeyCodeMap::x11KeyCode(*resolved->virtualKeyCode);
        else if (resolved->character)
            key = keyTyping(*resolved->character);
        if (!key) return;
        // Our keyboard's group is ours to choose: the application reads the Latin letter.
        group = layout_.commandGroup().value_or(group);
    }
    Press press{true, *key - kEvdevOffset, maskFor(modifiers), group};
    send(press.key, true, press.modifiers, press.group);
    pressed_[event.keyCode] = press;
    roundtrip("key");
}

void VirtualKeyboardKeyEvents::up(const KeyEvent& event) {
    const auto found = pressed_.find(event.keyCode);
    if (found == pressed_.end()) {
        if (const auto key = KeyCodeMap::x11KeyCode(event.keyCode)) {
            send(*key - kEvdevOffset, false, 0, layout_.currentGroup());
            roundtrip("key");
        }
        return;
    }
    const Press press = found->second;
    pressed_.erase(found);
    if (!press.sent) return;
    send(press.key, false, press.modifiers, press.group);
    roundtrip("key");
}

std::optional<uint32_t> VirtualKeyboardKeyEvents::keyTyping(const std::string& character) {
    for (uint16_t code = 0; code < VirtualKey::kCount; ++code) {
        const auto translation = layout_.translate(code);
        if (translation && translation->commandCharacters == character)
            return KeyCodeMap::x11KeyCode(code);
    }
    return std::nullopt;
}

uint32_t VirtualKeyboardKeyEvents::maskFor(uint64_t flags) const {
    uint32_t mask = 0;
    if (flags & ModifierFlags::control) mask |= masks_.control;
    if (flags & ModifierFlags::shift) mask |= masks_.shift;
    if (flags & ModifierFlags::option) mask |= masks_.alt;
    if (flags & ModifierFlags::command) mask |= masks_.super;
    return mask;
}

void VirtualKeyboardKeyEvents::send(uint32_t key, bool pressed, uint32_t modifiers,
                                    uint32_t group) {
    // The modifiers hold while the key is down: set before a press, cleared after a release.
    const uint32_t locked = masks_.numLock;
    if (pressed) zwp_virtual_keyboard_v1_modifiers(keyboard_, modifiers, 0, locked, group);
    zwp_virtual_keyboard_v1_key(
        keyboard_, milliseconds(), key,
        pressed ? WL_KEYBOARD_KEY_STATE_PRESSED : WL_KEYBOARD_KEY_STATE_RELEASED);
    if (!pressed) {
        uint32_t still = 0;
        for (const auto& [code, press] : pressed_) {
            if (press.sent && press.key != key) still |= press.modifiers;
        }
        zwp_virtual_keyboard_v1_modifiers(keyboard_, still, 0, locked, layout_.currentGroup());
    }
}

bool VirtualKeyboardKeyEvents::roundtrip(const char* what) {
    if (roundtripWithin(display_, kBound)) return true;
    const int error = wl_display_get_error(display_);
    if (error == EPROTO) {
        const wl_interface* interface = nullptr;
        uint32_t id = 0;
        const uint32_t code = wl_display_get_protocol_error(display_, &interface, &id);
        log(std::string("Simulated Keystroke: the Wayland compositor refused the virtual "
                        "keyboard (") +
            what + "): " + (interface ? interface->name : "?") + " error " + std::to_string(code));
    } else {
        log(std::string("Simulated Keystroke: the Wayland connection ended (") + what +
            "): " + std::strerror(error));
    }
    return false;
}

}  // namespace platform
