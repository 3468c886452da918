#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/input/KeyEvents.h"
#include "platform/input/KeyboardLayout.h"
#include "platform/linux/ClipboardShortcuts.h"
#include "platform/linux/PortalKeysyms.h"

namespace platform {

class PortalRemoteDesktop;

// Synthetic keys through the remote-desktop portal's session, sent as keysyms so the compositor
// applies the user's layout. A key is named by what it types in `layout` (the layout the agent
// chose the key by), or, for keys that type no text, by its key in a US layout.
//
// Flags become modifier keys as XTestKeyEvents makes them: Shift, Option → Alt, Control, and
// Command → Control, the platform's clipboard-shortcut modifier. Command plus the key that types
// "c", "v" or "a" is translated by ClipboardShortcuts for the focused application when
// `focusedApplication` can tell which it is (terminals get Control-Shift-C/V, no select-all;
// the user's "SyntheticClipboardKeys" default overrides); without it, for an application of
// no known kind.
//
// Wayland lets no client address another's windows: postToPid() sends to whatever has the
// keyboard focus, like post(). The portal reports no keyboard state, so modifier keys the user
// still holds (those of a hot key) are not released first; the compositor adds them to ours.
class PortalKeyEvents : public KeyEvents {
  public:
    using ClipboardKeysSource = std::function<PropertyList()>;
    using ApplicationSource = std::function<ClipboardShortcuts::Application()>;

    // `layout` may be null: every key is then named by the US layout.
    PortalKeyEvents(PortalRemoteDesktop& session, KeyboardLayout* layout,
                    ClipboardKeysSource clipboardKeys, ApplicationSource focusedApplication = {});

    bool hasEventSource() override;
    void postToPid(int pid, const KeyEvent& event) override;
    void post(const KeyEvent& event) override;

  private:
    // What a down event sent, undone by its up event.
    struct Press {
        bool sent = false;
        uint32_t key = 0;
        std::vector<uint32_t> modifiers;
    };

    void down(const KeyEvent& event);
    void up(const KeyEvent& event);
    std::optional<uint32_t> keysymFor(uint16_t virtualKeyCode);
    std::optional<std::string> commandCharacters(uint16_t virtualKeyCode);

    PortalRemoteDesktop& session_;
    KeyboardLayout* layout_;
    ClipboardKeysSource clipboardKeys_;
    ApplicationSource focusedApplication_;
    PortalKeysyms us_;
    std::map<uint16_t, Press> pressed_;
};

}  // namespace platform
