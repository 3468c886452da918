#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/input/KeyEvents.h"
#include "platform/linux/ClipboardShortcuts.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct xkb_context;
struct zwp_virtual_keyboard_manager_v1;
struct zwp_virtual_keyboard_v1;

namespace platform {

class ForeignApplications;
class XkbKeyboardLayout;

// Synthetic key events on a Wayland display through a virtual keyboard
// (zwp_virtual_keyboard_v1, which wlroots compositors such as Sway offer), on a connection of
// its own. One keyboard is made at the start and kept: each new one would be another input
// device to the compositor.
//
// The keyboard types with the layout's own keymap, uploaded as XKB text, so the key a virtual
// key code names types what the layout says it types. Modifiers are our keyboard's own state,
// sent with each key: a modifier the user still holds on a physical keyboard (of the hot key
// that started an apply) does not reach the application, so nothing has to be let go first,
// and Num Lock stays on as the layout reads the keypad. A Command key is sent in the layout's
// Command group (the Latin one), so the application reads the letter whatever the user's
// group is.
//
// Flags become modifiers as XTestKeyEvents makes them: Shift, Option → Alt, Control, and
// Command → Control, with Command plus "c", "v" or "a" translated per application by
// ClipboardShortcuts (terminals get Control-Shift-C/V and no select-all).
//
// A Wayland client cannot address a process: keys reach the client with the keyboard focus.
// Given the desktop's applications, postToPid() first brings the process forward when another
// one is in front and sends nothing when it does not come forward (at most 500 ms), so keys
// never land in another application; the front application's identifiers (its bundle
// identifier as the application id, its name as the class) choose the clipboard keys. Without
// them, or when they cannot tell processes (foreign-toplevel management knows no pids),
// postToPid() sends to the focused client as post() does, and the clipboard keys are the
// defaults.
//
// Every event is flushed and followed by a round trip, so the compositor has it before the
// call returns. A protocol error (a compositor that refuses the keyboard: "unauthorized") ends
// the connection: it is logged and hasEventSource() turns false.
class VirtualKeyboardKeyEvents : public KeyEvents {
  public:
    // The current "SyntheticClipboardKeys" dictionary (any other value counts as empty).
    using ClipboardKeysSource = std::function<PropertyList()>;

    // Connects to `display` ($WAYLAND_DISPLAY when empty; a name in $XDG_RUNTIME_DIR or an
    // absolute path) and makes the keyboard with `layout`'s keymap. Nothing without a display,
    // without a seat or virtual-keyboard manager, or when the compositor refuses the keyboard.
    // `applications`, when given, must outlive this object.
    static std::unique_ptr<VirtualKeyboardKeyEvents> open(XkbKeyboardLayout& layout,
                                                          ClipboardKeysSource clipboardKeys,
                                                          ForeignApplications* applications = {},
                                                          const std::string& display = {});
    ~VirtualKeyboardKeyEvents() override;
    VirtualKeyboardKeyEvents(const VirtualKeyboardKeyEvents&) = delete;
    VirtualKeyboardKeyEvents& operator=(const VirtualKeyboardKeyEvents&) = delete;

    bool hasEventSource() override;
    void postToPid(int pid, const KeyEvent& event) override;
    void post(const KeyEvent& event) override;

  private:
    // What a down event sent, undone by its up event.
    struct Press {
        bool sent = false;
        uint32_t key = 0;  // evdev code
        uint32_t modifiers = 0;
        uint32_t group = 0;
    };
    struct Masks {
        uint32_t control = 0, shift = 0, alt = 0, super = 0, numLock = 0;
    };

    VirtualKeyboardKeyEvents(XkbKeyboardLayout& layout, ClipboardKeysSource clipboardKeys,
                             ForeignApplications* applications);
    bool connect(const std::string& display);
    bool uploadKeymap();
    bool focusProcess(int pid);
    ClipboardShortcuts::Application frontApplication();
    void down(const ClipboardShortcuts::Application& app, const KeyEvent& event);
    void up(const KeyEvent& event);
    std::optional<uint32_t> keyTyping(const std::string& character);
    uint32_t maskFor(uint64_t flags) const;
    void send(uint32_t key, bool pressed, uint32_t modifiers, uint32_t group);
    bool roundtrip(const char* what);

    static void global(void* data, wl_registry* registry, uint32_t name, const char* interface,
                       uint32_t version);
    static void globalRemove(void* data, wl_registry* registry, uint32_t name);

    XkbKeyboardLayout& layout_;
    ClipboardKeysSource clipboardKeys_;
    ForeignApplications* applications_;
    std::recursive_mutex mutex_;
    wl_display* display_ = nullptr;
    wl_registry* registry_ = nullptr;
    wl_seat* seat_ = nullptr;
    zwp_virtual_keyboard_manager_v1* manager_ = nullptr;
    zwp_virtual_keyboard_v1* keyboard_ = nullptr;
    xkb_context* context_ = nullptr;
    std::string keymapText_;
    uint64_t keymapGeneration_ = 0;
    Masks masks_;
    std::map<uint16_t, Press> pressed_;
};

}  // namespace platform
