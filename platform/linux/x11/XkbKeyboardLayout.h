#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/input/KeyboardLayout.h"

struct xkb_context;
struct xkb_keymap;
struct xkb_state;
struct xcb_connection_t;

namespace platform {

// The keyboard layout from an XKB keymap (xkbcommon). Keys are read in the current group with
// Num Lock on, so the keypad types digits as the OS's keypad does. The Command characters of a
// key are what it types in the current group when that group types Latin letters, else in the
// keymap's first Latin group, else (a keymap of one Cyrillic or Greek group) on a US keyboard:
// the OS takes Command-key characters from an ASCII-capable layout the same way.
//
// Made from a display it follows the server: a thread of its own waits on a connection of its
// own for keymap changes (new keyboard, mapping) and group changes and reloads, so nobody has
// to ask. Made from rule names it is a fixed keymap, needing no display.
class XkbKeyboardLayout : public KeyboardLayout {
  public:
    // RMLVO names, as `setxkbmap` takes them; empty fields take xkeyboard-config's defaults.
    struct Names {
        std::string layout;
        std::string variant;
        std::string options;
        std::string model;
        std::string rules;
    };

    // Nothing when the names do not compile to a keymap.
    static std::unique_ptr<XkbKeyboardLayout> fromNames(const Names& names);
    // The keymap of `displayName` ($DISPLAY when empty); nothing without a display with XKB.
    static std::unique_ptr<XkbKeyboardLayout> fromDisplay(const std::string& displayName = {});

    ~XkbKeyboardLayout() override;
    XkbKeyboardLayout(const XkbKeyboardLayout&) = delete;
    XkbKeyboardLayout& operator=(const XkbKeyboardLayout&) = delete;

    std::optional<KeyTranslation> translate(uint16_t virtualKeyCode) override;

    // The group keys are read in now.
    uint32_t currentGroup() const;
    // The group the Command characters come from; nothing when the keymap has no Latin group.
    std::optional<uint32_t> commandGroup() const;
    // Selects the group of a keymap made from names (for a display the server's group rules).
    void setCurrentGroup(uint32_t group);
    // Moves at every keymap or group change.
    uint64_t generation() const { return generation_.load(); }
    // Waits up to `timeout` until the group is `group` at a generation past `generation`: a
    // group change someone just asked the server for has been seen. False on time-out.
    bool waitForGroup(uint32_t group, uint64_t generation, std::chrono::milliseconds timeout);
    // The keymap in XKB's text format, for a keyboard that must type with exactly these keys.
    std::string keymapText() const;

  private:
    XkbKeyboardLayout();
    // Installs `keymap` (taking it) and `group`; the caller holds mutex_.
    void install(xkb_keymap* keymap, uint32_t group);
    void selectGroup(uint32_t group);
    bool connectToDisplay(const std::string& displayName);
    void reloadFromDisplay();
    void watch();

    xkb_context* context_ = nullptr;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    xkb_keymap* keymap_ = nullptr;
    xkb_state* state_ = nullptr;         // current group, Num Lock on
    xkb_state* commandState_ = nullptr;  // the Command group, or the US fallback
    xkb_keymap* usKeymap_ = nullptr;     // fallback for keymaps without a Latin group
    std::vector<bool> latinGroups_;
    uint32_t group_ = 0;
    std::optional<uint32_t> commandGroup_;
    std::atomic<uint64_t> generation_{0};

    xcb_connection_t* connection_ = nullptr;
    int32_t deviceId_ = -1;
    uint8_t xkbEventBase_ = 0;
    int wakeFd_ = -1;
    std::thread watcher_;
};

}  // namespace platform
