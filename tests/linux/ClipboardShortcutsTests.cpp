#include "platform/linux/ClipboardShortcuts.h"

#include <gtest/gtest.h>

#include "platform/core/Log.h"
#include "platform/input/ModifierFlags.h"

using namespace platform;
using Action = ClipboardShortcuts::Action;
using App = ClipboardShortcuts::Application;
using Combination = ClipboardShortcuts::Combination;

namespace {

constexpr uint64_t kCtrl = ModifierFlags::control;
constexpr uint64_t kShift = ModifierFlags::shift;
constexpr uint64_t kAlt = ModifierFlags::option;
constexpr uint64_t kSuper = ModifierFlags::command;
constexpr Action kCopy = Action::Copy, kPaste = Action::Paste, kAll = Action::SelectAll;

Combination keys(uint64_t modifiers, const char* character) {
    return Combination{modifiers, character, std::nullopt};
}

PropertyList dictionary(std::initializer_list<PropertyList::Dictionary::Entry> entries) {
    return PropertyList(PropertyList::Dictionary(entries));
}

const App kGedit{"gedit", "Gedit", "org.gnome.gedit"}, kLxterminal{"lxterminal", "Lxterminal", ""},
    kUrxvt{"urxvt", "URxvt", ""}, kXterm{"xterm", "XTerm", ""}, kKitty{"kitty", "kitty", ""},
    kGnomeTerminal{"gnome-terminal-server", "Gnome-terminal", "org.gnome.Terminal"};

struct Case {
    App app;
    Action action;
    std::optional<Combination> expected;
};

void expectResolved(std::initializer_list<Case> cases, const PropertyList& overrides) {
    for (const auto& c : cases) {
        EXPECT_EQ(ClipboardShortcuts::resolve(c.action, c.app, overrides), c.expected)
            << c.app.className << " " << int(c.action);
    }
}

}  // namespace

TEST(ClipboardShortcuts, CommandKeysTranslatePerApplication) {
    expectResolved(
        {
            {kGedit, kCopy, keys(kCtrl, "c")},
            {kGedit, kAll, keys(kCtrl, "a")},
            {App{}, kCopy, keys(kCtrl, "c")},  // nothing known about the window
            {kLxterminal, kCopy, keys(kCtrl | kShift, "c")},
            {kLxterminal, kPaste, keys(kCtrl | kShift, "v")},
            {kLxterminal, kAll, std::nullopt},
            {kUrxvt, kCopy, keys(kCtrl | kAlt, "c")},
            // xterm has no clipboard keys and would read Control-Shift-C as an interrupt.
            {kXterm, kCopy, std::nullopt},
        },
        PropertyList());
}

TEST(ClipboardShortcuts, NoKnownTerminalEverGetsControlC) {
    // Matched by application id, by class or by instance, in any case.
    std::vector<App> terminals = {{"", "", "org.gnome.Terminal"}, {"", "UXTerm", ""}};
    for (const char* instance :
         {"lxterminal", "gnome-terminal-server", "xfce4-terminal", "konsole", "tilix", "terminator",
          "sakura", "kitty", "Alacritty", "org.wezfurlong.wezterm", "xterm", "urxvt", "st-256color",
          "foot", "qterminal", "mate-terminal", "terminology", "guake", "yakuake"})
        terminals.push_back({instance, "", ""});
    for (const App& app : terminals) {
        const std::string id = app.appId + app.instance + app.className;
        EXPECT_TRUE(ClipboardShortcuts::isKnownTerminal(app)) << id;
        const PropertyList overrides = dictionary(
            {{id,
              dictionary({{"copy", "ctrl+c"}, {"paste", "control+C"}, {"selectAll", "ctrl+c"}})}});
        for (const PropertyList& o : {dictionary({}), overrides}) {
            for (Action action : {kCopy, kPaste, kAll}) {
                // Whatever is sent carries Shift or Alt besides Control, or nothing is sent.
                const auto result = ClipboardShortcuts::resolve(action, app, o);
                if (result) EXPECT_TRUE(result->modifiers & (kShift | kAlt)) << id;
            }
        }
    }
    EXPECT_FALSE(ClipboardShortcuts::isKnownTerminal(kGedit));
    EXPECT_FALSE(ClipboardShortcuts::isKnownTerminal({}));
}

TEST(ClipboardShortcuts, TheUserDefaultExtendsAndOverridesTheList) {
    const PropertyList overrides = dictionary({
        {"Emacs", dictionary({{"copy", "alt+w"}, {"paste", "ctrl+y"}, {"selectAll", ""}})},
        {"xterm", dictionary({{"copy", "ctrl+shift+insert"}, {"paste", "shift+insert"}})},
        {"org.gnome.Terminal", dictionary({{"selectAll", "ctrl+shift+a"}})},
        {"kitty", dictionary({{"copy", "ctrl+shift++"}, {"paste", PropertyList(3)}})},
        {"foot", PropertyList("not a dictionary")},
    });
    const App emacs{"emacs", "Emacs", ""};
    ScopedLogCapture logs;
    expectResolved(
        {
            {emacs, kCopy, keys(kAlt, "w")},  // class matched without case
            {emacs, kPaste, keys(kCtrl, "y")},
            {emacs, kAll, std::nullopt},  // empty: never sent
            {kXterm, kCopy, Combination{kCtrl | kShift, "", 114}},
            {kXterm, kPaste, Combination{kShift, "", 114}},
            {kXterm, kAll, std::nullopt},  // not in the entry: the list's rule
            {kGnomeTerminal, kAll, keys(kCtrl | kShift, "a")},
            {kKitty, kCopy, keys(kCtrl | kShift, "+")},
            {kKitty, kPaste, keys(kCtrl | kShift, "v")},  // unreadable: the list's rule
            {{"foot", "foot", ""}, kCopy, keys(kCtrl | kShift, "c")},
        },
        overrides);
    EXPECT_EQ(logs.sink.logged,
              std::vector<std::string>{"SyntheticClipboardKeys: unreadable paste keys for kitty"});
}

TEST(ClipboardShortcuts, ParsesCombinationsAndCommandCharacters) {
    const struct {
        const char* text;
        std::optional<Combination> expected;
    } cases[] = {
        {"ctrl+shift+c", keys(kCtrl | kShift, "c")},
        {"Control+Shift+V", keys(kCtrl | kShift, "v")},
        {"super+alt+x", keys(kSuper | kAlt, "x")},
        {"cmd+option+meta+z", keys(kSuper | kAlt, "z")},
        {"c", keys(0, "c")},
        {"shift+Insert", Combination{kShift, "", 114}},
        {"ctrl+delete", Combination{kCtrl, "", 117}},
        {"", std::nullopt},
        {"ctrl+", std::nullopt},
        {"hyper+c", std::nullopt},
        {"ctrl+shift+cc", std::nullopt},
        {"ctrl+\xc3\xa9", std::nullopt},
    };
    for (const auto& c : cases) EXPECT_EQ(ClipboardShortcuts::parse(c.text), c.expected) << c.text;

    const std::pair<const char*, std::optional<Action>> actions[] = {
        {"c", kCopy},        {"C", kCopy}, {"v", kPaste},        {"a", kAll},
        {"x", std::nullopt}, {"", {}},     {"cc", std::nullopt}, {"\xd1\x81", std::nullopt},
    };
    for (const auto& [text, action] : actions)
        EXPECT_EQ(ClipboardShortcuts::actionFor(text), action) << text;
}

namespace {

// What every key poster sends for a key with Command.
TEST(ClipboardShortcuts, CommandKeysBecomeTheApplicationsShortcutsOrControl) {
    struct Row {
        std::optional<std::string> characters;
        App app;
        PropertyList overrides;
        std::optional<ClipboardShortcuts::CommandKey> expected;
    };
    using Key = ClipboardShortcuts::CommandKey;
    const Row rows[] = {
        {"x", kGedit, {}, Key{kCtrl | kShift, {}, {}}},
        {std::nullopt, kGedit, {}, Key{kCtrl | kShift, {}, {}}},
        {"c", kGedit, {}, Key{kCtrl, {}, {}}},
        {"c", kLxterminal, {}, Key{kCtrl | kShift, {}, {}}},
        {"a", kLxterminal, {}, std::nullopt},
        {"v", kGedit, dictionary({{"gedit", dictionary({{"paste", "shift+insert"}})}}),
         Key{kShift, uint16_t{0x72}, {}}},
    };
    for (const auto& row : rows) {
        bool asked = false;
        const auto key = ClipboardShortcuts::commandKey(
            row.characters, kSuper | kShift,
            [&] {
                asked = true;
                return row.app;
            },
            [&] { return row.overrides; });
        SCOPED_TRACE(row.characters.value_or("(none)"));
        ASSERT_EQ(key.has_value(), row.expected.has_value());
        if (!key) continue;
        EXPECT_EQ(key->modifiers, row.expected->modifiers);
        EXPECT_EQ(key->virtualKeyCode, row.expected->virtualKeyCode);
        EXPECT_EQ(key->character, row.expected->character);
        EXPECT_EQ(asked, row.characters && *row.characters != "x") << "asked only for shortcuts";
    }
}

}  // namespace
