#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/coding/PropertyList.h"

namespace platform {

// Which keys stand for the synthetic Command-C, Command-V and Command-A in one application.
// Most applications take Control plus the same key. Terminal emulators read Control-C as an
// interrupt and Control-V as a literal character, so the known ones get Control-Shift-C and
// Control-Shift-V (rxvt-unicode: Control-Alt) and no select-all at all; xterm and the old rxvt
// family, which have no clipboard keys and read Control-Shift-C as Control-C, get none.
//
// The user extends or overrides this per application with the defaults key
// "SyntheticClipboardKeys": a dictionary from an application identifier (WM_CLASS instance or
// class, or application id, compared without case) to a dictionary with any of "copy",
// "paste", "selectAll", each a combination like "ctrl+shift+c" (modifiers ctrl, shift, alt,
// super joined by "+", then one character or insert, delete, return, tab, space, escape);
// an empty string means that key is never sent. A known terminal never gets a plain Control-C,
// whatever the defaults say.
class ClipboardShortcuts {
  public:
    enum class Action { Copy, Paste, SelectAll };

    // The application that would receive the keys: its WM_CLASS parts and application id
    // (GTK application id or desktop file name), any of them possibly empty.
    struct Application {
        std::string instance;
        std::string className;
        std::string appId;
    };

    // One key with modifiers: `modifiers` are ModifierFlags (Command meaning Super); the key is
    // either a character, typed by the key that types it, or a virtual key code.
    struct Combination {
        uint64_t modifiers = 0;
        std::string character;
        std::optional<uint16_t> virtualKeyCode;
        friend bool operator==(const Combination&, const Combination&) = default;
    };

    static constexpr const char* kDefaultsKey = "SyntheticClipboardKeys";

    // The action of Command plus the key that types `commandCharacters` ("c", "v", "a", in
    // either case); nothing for any other key.
    static std::optional<Action> actionFor(std::string_view commandCharacters);
    static bool isKnownTerminal(const Application& app);
    // What to send for `action` in `app`; nothing when the action is not to be sent there.
    static std::optional<Combination> resolve(Action action, const Application& app,
                                              const PropertyList& overrides);
    // "ctrl+shift+c" → Control-Shift and "c"; nothing for an empty or malformed text.
    static std::optional<Combination> parse(std::string_view text);

    // What a synthetic key with Command becomes, whoever posts it: Command plus the key that
    // types `commandCharacters` ("c", "v", "a") is resolved for the application; any other
    // key gets Control for Command. `modifiers` are the event's ModifierFlags. The key to send is
    // the one asked for unless the result names another (a virtual key code, or the key that
    // types a character). Nothing: the application takes no such shortcut, send nothing. The
    // sources are asked only for a clipboard shortcut.
    struct CommandKey {
        uint64_t modifiers = 0;
        std::optional<uint16_t> virtualKeyCode;
        std::optional<std::string> character;
    };
    static std::optional<CommandKey> commandKey(const std::optional<std::string>& commandCharacters,
                                                uint64_t modifiers,
                                                const std::function<Application()>& application,
                                                const std::function<PropertyList()>& overrides);
};

}  // namespace platform
