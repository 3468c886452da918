#include "platform/linux/ClipboardShortcuts.h"

#include <array>
#include <utility>

#include "platform/core/Log.h"
#include "platform/input/ModifierFlags.h"

namespace platform {

namespace {

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// WM_CLASS instances and classes and application ids of terminal emulators, lower case.
constexpr std::string_view kTerminals[] = {
    "lxterminal",
    "xfce4-terminal",
    "org.xfce.terminal",
    "gnome-terminal",
    "gnome-terminal-server",
    "org.gnome.terminal",
    "org.gnome.console",
    "kgx",
    "org.gnome.ptyxis",
    "ptyxis",
    "konsole",
    "org.kde.konsole",
    "yakuake",
    "org.kde.yakuake",
    "tilix",
    "com.gexperts.tilix",
    "terminator",
    "sakura",
    "kitty",
    "alacritty",
    "org.alacritty",
    "wezterm",
    "org.wezfurlong.wezterm",
    "xterm",
    "uxterm",
    "urxvt",
    "rxvt",
    "urxvt-unicode",
    "rxvt-unicode",
    "st",
    "st-256color",
    "foot",
    "footclient",
    "org.codeberg.dnkl.foot",
    "qterminal",
    "mate-terminal",
    "terminology",
    "guake",
    "tilda",
    "cool-retro-term",
    "deepin-terminal",
    "io.elementary.terminal",
    "roxterm",
    "termite",
    "eterm",
    "aterm",
    "lilyterm",
    "ghostty",
    "com.mitchellh.ghostty",
    "contour",
    "hyper",
    "tabby",
    "blackbox",
    "com.raggesilver.blackbox",
    "cutefish-terminal",
    "x-terminal-emulator",
};

bool hasId(const ClipboardShortcuts::Application& app,
           std::initializer_list<std::string_view> ids) {
    for (const std::string& id : {lower(app.instance), lower(app.className)}) {
        for (std::string_view wanted : ids) {
            if (id == wanted) return true;
        }
    }
    return false;
}

// rxvt-unicode binds the clipboard to Control-Alt-C/V.
bool isUrxvt(const ClipboardShortcuts::Application& app) {
    return hasId(app, {"urxvt", "urxvt-unicode", "rxvt-unicode"});
}

// These have no clipboard keys at all, and read Control-Shift-C as Control-C.
bool hasNoClipboardKeys(const ClipboardShortcuts::Application& app) {
    return hasId(app, {"xterm", "uxterm", "rxvt", "aterm", "eterm"});
}

const char* actionKey(ClipboardShortcuts::Action action) {
    switch (action) {
        case ClipboardShortcuts::Action::Copy:
            return "copy";
        case ClipboardShortcuts::Action::Paste:
            return "paste";
        case ClipboardShortcuts::Action::SelectAll:
            return "selectAll";
    }
    return "";
}

const char* actionCharacter(ClipboardShortcuts::Action action) {
    switch (action) {
        case ClipboardShortcuts::Action::Copy:
            return "c";
        case ClipboardShortcuts::Action::Paste:
            return "v";
        case ClipboardShortcuts::Action::SelectAll:
            return "a";
    }
    return "";
}

std::optional<ClipboardShortcuts::Combination> defaultFor(
    ClipboardShortcuts::Action action, const ClipboardShortcuts::Application& app) {
    ClipboardShortcuts::Combination combination{ModifierFlags::control, actionCharacter(action),
                                                std::nullopt};
    if (!ClipboardShortcuts::isKnownTerminal(app)) return combination;
    if (action == ClipboardShortcuts::Action::SelectAll || hasNoClipboardKeys(app))
        return std::nullopt;
    combination.modifiers |= isUrxvt(app) ? ModifierFlags::option : ModifierFlags::shift;
    return combination;
}

// The user's entry for `app`: application id first, then WM_CLASS instance, then class.
const PropertyList* overrideFor(const ClipboardShortcuts::Application& app,
                                const PropertyList& overrides) {
    const PropertyList::Dictionary* dict = overrides.asDictionary();
    if (!dict) return nullptr;
    for (const std::string& id : {app.appId, app.instance, app.className}) {
        if (id.empty()) continue;
        const std::string wanted = lower(id);
        for (const auto& [key, value] : *dict) {
            if (lower(key) == wanted && value.isDictionary()) return &value;
        }
    }
    return nullptr;
}

std::optional<uint16_t> namedKey(std::string_view name) {
    static constexpr std::array<std::pair<std::string_view, uint16_t>, 6> kNames = {{
        {"insert", 114},
        {"delete", 117},
        {"return", 36},
        {"tab", 48},
        {"space", 49},
        {"escape", 53},
    }};
    for (const auto& [n, code] : kNames) {
        if (n == name) return code;
    }
    return std::nullopt;
}

}  // namespace

std::optional<ClipboardShortcuts::Action> ClipboardShortcuts::actionFor(
    std::string_view commandCharacters) {
    const std::string c = lower(commandCharacters);
    if (c == "c") return Action::Copy;
    if (c == "v") return Action::Paste;
    if (c == "a") return Action::SelectAll;
    return std::nullopt;
}

bool ClipboardShortcuts::isKnownTerminal(const Application& app) {
    for (const std::string& id : {app.instance, app.className, app.appId}) {
        if (id.empty()) continue;
        const std::string l = lower(id);
        for (std::string_view t : kTerminals) {
            if (l == t) return true;
        }
    }
    return false;
}

std::optional<ClipboardShortcuts::Combination> ClipboardShortcuts::parse(std::string_view text) {
    Combination combination;
    const std::string l = lower(text);
    size_t start = 0;
    while (true) {
        const size_t plus = l.find('+', start);
        // A trailing "+" is the plus key itself ("ctrl++").
        if (plus == std::string::npos || plus + 1 == l.size()) break;
        const std::string_view part = std::string_view(l).substr(start, plus - start);
        if (part == "ctrl" || part == "control") {
            combination.modifiers |= ModifierFlags::control;
        } else if (part == "shift") {
            combination.modifiers |= ModifierFlags::shift;
        } else if (part == "alt" || part == "option" || part == "meta") {
            combination.modifiers |= ModifierFlags::option;
        } else if (part == "super" || part == "command" || part == "cmd") {
            combination.modifiers |= ModifierFlags::command;
        } else {
            return std::nullopt;
        }
        start = plus + 1;
    }
    const std::string_view key = std::string_view(l).substr(start);
    if (key.empty()) return std::nullopt;
    if (const auto code = namedKey(key)) {
        combination.virtualKeyCode = code;
    } else if (key.size() == 1 && static_cast<unsigned char>(key[0]) > 0x20 &&
               static_cast<unsigned char>(key[0]) < 0x7f) {
        combination.character = std::string(key);
    } else {
        return std::nullopt;
    }
    return combination;
}

std::optional<ClipboardShortcuts::Combination> ClipboardShortcuts::resolve(
    Action action, const Application& app, const PropertyList& overrides) {
    std::optional<Combination> result = defaultFor(action, app);
    if (const PropertyList* entry = overrideFor(app, overrides)) {
        if (const PropertyList* value = entry->get(actionKey(action))) {
            const std::string* text = value->asString();
            if (text && text->empty()) {
                result = std::nullopt;
            } else if (auto parsed = text ? parse(*text) : std::nullopt) {
                result = parsed;
            } else {
                log(std::string(kDefaultsKey) + ": unreadable " + actionKey(action) + " keys for " +
                    (app.appId.empty() ? app.className : app.appId));
            }
        }
    }
    // The interrupt key never reaches a terminal, not even by the user's own entry.
    if (result && isKnownTerminal(app) && result->modifiers == ModifierFlags::control &&
        result->character == "c") {
        return std::nullopt;
    }
    return result;
}

std::optional<ClipboardShortcuts::CommandKey> ClipboardShortcuts::commandKey(
    const std::optional<std::string>& commandCharacters, uint64_t modifiers,
    const std::function<Application()>& application,
    const std::function<PropertyList()>& overrides) {
    const auto action = commandCharacters ? actionFor(*commandCharacters) : std::nullopt;
    if (!action)
        return CommandKey{(modifiers & ~ModifierFlags::command) | ModifierFlags::control, {}, {}};
    const auto combination = resolve(*action, application ? application() : Application{},
                                     overrides ? overrides() : PropertyList());
    if (!combination) return std::nullopt;
    CommandKey key{combination->modifiers, combination->virtualKeyCode, {}};
    if (!key.virtualKeyCode && combination->character != *commandCharacters)
        key.character = combination->character;
    return key;
}

}  // namespace platform
