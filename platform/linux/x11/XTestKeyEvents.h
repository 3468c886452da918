#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/input/KeyEvents.h"
#include "platform/linux/ClipboardShortcuts.h"

struct xcb_connection_t;

namespace platform {

class XkbKeyboardLayout;
class X11KeyTarget;

// Synthetic key events through XTest, on a connection of its own.
//
// An X server cannot post to a process, so postToPid() first gives that process's window the
// input focus: the topmost top-level window whose _NET_WM_PID is the pid is activated through a
// _NET_ACTIVE_WINDOW message unless it is already the active window, and the event is sent once
// the focus arrived (at most 500 ms later); when the process has no window or the focus does
// not arrive, nothing is sent, so the keys never land in another application. post() sends to
// whatever has the focus.
//
// Flags become X modifiers: Shift, Option → Alt, Control → Control, and Command → Control, the
// platform's clipboard-shortcut modifier. Command plus the key that types "c", "v" or "a" is
// translated per application by ClipboardShortcuts (terminals get Control-Shift-C/V and no
// select-all; the user's "SyntheticClipboardKeys" default overrides). While the current group
// cannot type Latin letters, the keymap's Latin group is locked for a Command key so the
// application reads the letter, and the previous group is locked again afterwards.
//
// A down event presses its modifier keys, then the key; the matching up event releases the key,
// then those modifiers. Modifier keys still held when the down event comes (Alt or Super of the
// hot key that started an apply) are released first, so the application sees exactly the
// modifiers asked for. Keys held through XTest go up at once and are pressed again after the
// up event; a key held on a physical keyboard cannot be released by another device, so then
// the down event waits (at most one second) for the user to let go and does not press it again.
class XTestKeyEvents : public KeyEvents {
  public:
    // The current "SyntheticClipboardKeys" dictionary (any other value counts as empty).
    using ClipboardKeysSource = std::function<PropertyList()>;

    // Connects to `displayName` ($DISPLAY when empty). `layout` tells which key types what.
    XTestKeyEvents(XkbKeyboardLayout& layout, ClipboardKeysSource clipboardKeys,
                   const std::string& displayName = {});
    ~XTestKeyEvents() override;
    XTestKeyEvents(const XTestKeyEvents&) = delete;
    XTestKeyEvents& operator=(const XTestKeyEvents&) = delete;

    bool hasEventSource() override;
    void postToPid(int pid, const KeyEvent& event) override;
    void post(const KeyEvent& event) override;

  private:
    // What a down event did, undone by its up event.
    struct Press {
        bool sent = false;
        uint8_t key = 0;
        std::vector<uint8_t> modifiers;  // pressed for the event
        std::vector<uint8_t> restore;    // held before, released for the event
        std::optional<uint32_t> group;   // locked group to return to
        uint32_t userGroup = 0;          // the group in effect before
        uint64_t generation = 0;         // of the layout before the group was locked
    };

    // Undoes a down event of the same key that had no up event yet.
    void releaseEarlier(const KeyEvent& event);
    void down(std::optional<uint32_t> window, const KeyEvent& event);
    void up(const KeyEvent& event);
    std::optional<uint8_t> keyTyping(const std::string& character);
    std::optional<uint8_t> modifierKey(uint64_t flag);
    std::vector<uint8_t> heldModifierKeys();
    std::vector<uint8_t> pressedAmong(const std::vector<uint8_t>& keys);
    bool waitUntilUp(const std::vector<uint8_t>& keys, std::chrono::milliseconds timeout);
    std::optional<uint32_t> lockCommandGroup(Press& press);
    void lockGroup(uint32_t group);
    void fake(uint8_t type, uint8_t key);
    void sync();

    XkbKeyboardLayout& layout_;
    ClipboardKeysSource clipboardKeys_;
    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
    bool xtest_ = false;
    bool xkb_ = false;
    std::unique_ptr<X11KeyTarget> target_;
    std::map<uint16_t, Press> pressed_;
};

}  // namespace platform
