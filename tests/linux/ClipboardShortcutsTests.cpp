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

Combination keys(uint64_t modifiers, const char* character) {
    return Combination{modifiers, character, std::nullopt};
}

PropertyList dictionary(std::initializer_list<PropertyList::Dictionary::Entry> entries) {
    return PropertyList(PropertyList::Dictionary(entries));
}

const App kTerminals[] = {
    {"lxterminal", "Lxterminal", ""},
    {"gnome-terminal-server", "Gnome-terminal", "org.gnome.Terminal"},
    {"", "", "org.gnome.Terminal"},
    {"xfce4-terminal", "Xfce4-terminal", ""},
    {"konsole", "konsole", "org.kde.konsole"},
    {"tilix", "Tilix", "com.gexperts.Tilix"},
    {"terminator", "Terminator", ""},
    {"sakura", "Sakura", ""},
    {"kitty", "kitty", ""},
    {"Alacritty", "Alacritty", ""},
    {"org.wezfurlong.wezterm", "org.wezfurlong.wezterm", ""},
    {"xterm", "XTerm", ""},
    {"xterm", "UXTerm", ""},
    {"urxvt", "URxvt", ""},
    {"st-256color", "st-256color", ""},
    {"foot", "foot", ""},
    {"qterminal", "qterminal", ""},
    {"mate-terminal", "Mate-terminal", ""},
    {"terminology", "terminology", ""},
    {"guake", "Guake", ""},
    {"yakuake", "yakuake", ""},
};

}  // namespace

TEST(ClipboardShortcuts, CommandKeysTranslatePerApplication) {
    const App gedit{"gedit", "Gedit", "org.gnome.gedit"};
    const App zenity{"zenity", "Zenity", "org.gnome.Zenity"};
    const App lxterminal{"lxterminal", "Lxterminal", ""};
    const App urxvt{"urxvt", "URxvt", ""};
    const App xterm{"xterm", "XTerm", ""};
    const App kitty{"kitty", "kitty", ""};
    const struct {
        App app;
        Action action;
        std::optional<Combination> expected;
    } cases[] = {
        {gedit, Action::Copy, keys(kCtrl, "c")},
        {gedit, Action::Paste, keys(kCtrl, "v")},
        {zenity, Action::SelectAll, keys(kCtrl, "a")},
        {App{}, Action::Copy, keys(kCtrl, "c")},  // nothing known about the window
        {lxterminal, Action::Copy, keys(kCtrl | kShift, "c")},
        {lxterminal, Action::Paste, keys(kCtrl | kShift, "v")},
        {lxterminal, Action::SelectAll, std::nullopt},
        {urxvt, Action::Copy, keys(kCtrl | kAlt, "c")},
        {urxvt, Action::Paste, keys(kCtrl | kAlt, "v")},
        // xterm has no clipboard keys and would read Control-Shift-C as an interrupt.
        {xterm, Action::Copy, std::nullopt},
        {xterm, Action::Paste, std::nullopt},
        {kitty, Action::Copy, keys(kCtrl | kShift, "c")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClipboardShortcuts::resolve(c.action, c.app, PropertyList()), c.expected)
            << c.app.className << " " << int(c.action);
    }
}

TEST(ClipboardShortcuts, NoKnownTerminalEverGetsControlC) {
    const PropertyList hostile = dictionary({});
    for (const App& app : kTerminals) {
        EXPECT_TRUE(ClipboardShortcuts::isKnownTerminal(app)) << app.instance << app.appId;
        const std::string id = !app.appId.empty() ? app.appId : app.instance;
        const PropertyList overrides = dictionary(
            {{id,
              dictionary({{"copy", "ctrl+c"}, {"paste", "control+C"}, {"selectAll", "ctrl+c"}})}});
        for (const PropertyList* o : {&hostile, &overrides}) {
            for (Action action : {Action::Copy, Action::Paste, Action::SelectAll}) {
                const auto result = ClipboardShortcuts::resolve(action, app, *o);
                EXPECT_NE(result, keys(kCtrl, "c")) << id << " " << int(action);
                // Whatever is sent carries Shift or Alt besides Control, or nothing is sent.
                if (result) EXPECT_TRUE(result->modifiers & (kShift | kAlt)) << id;
            }
        }
    }
    EXPECT_FALSE(ClipboardShortcuts::isKnownTerminal({"gedit", "Gedit", "org.gnome.gedit"}));
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
    const App xterm{"xterm", "XTerm", ""};
    const App gnomeTerminal{"gnome-terminal-server", "Gnome-terminal", "org.gnome.Terminal"};
    const App kitty{"kitty", "kitty", ""};
    const App foot{"foot", "foot", ""};
    ScopedLogCapture logs;
    const struct {
        App app;
        Action action;
        std::optional<Combination> expected;
    } cases[] = {
        {emacs, Action::Copy, keys(kAlt, "w")},  // class matched without case
        {emacs, Action::Paste, keys(kCtrl, "y")},
        {emacs, Action::SelectAll, std::nullopt},  // empty: never sent
        {xterm, Action::Copy, Combination{kCtrl | kShift, "", 114}},
        {xterm, Action::Paste, Combination{kShift, "", 114}},
        {xterm, Action::SelectAll, std::nullopt},  // not in the entry: the list's rule
        {gnomeTerminal, Action::SelectAll, keys(kCtrl | kShift, "a")},
        {gnomeTerminal, Action::Copy, keys(kCtrl | kShift, "c")},
        {kitty, Action::Copy, keys(kCtrl | kShift, "+")},
        {kitty, Action::Paste, keys(kCtrl | kShift, "v")},  // unreadable: the list's rule
        {foot, Action::Copy, keys(kCtrl | kShift, "c")},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ClipboardShortcuts::resolve(c.action, c.app, overrides), c.expected)
            << c.app.className << " " << int(c.action);
    }
    ASSERT_EQ(logs.sink.logged.size(), 1u);
    EXPECT_EQ(logs.sink.logged[0], "SyntheticClipboardKeys: unreadable paste keys for kitty");
}

TEST(ClipboardShortcuts, ParsesCombinations) {
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

    EXPECT_EQ(ClipboardShortcuts::actionFor("c"), Action::Copy);
    EXPECT_EQ(ClipboardShortcuts::actionFor("C"), Action::Copy);
    EXPECT_EQ(ClipboardShortcuts::actionFor("v"), Action::Paste);
    EXPECT_EQ(ClipboardShortcuts::actionFor("a"), Action::SelectAll);
    for (const char* other : {"x", "", "cc", "\xd1\x81"})
        EXPECT_FALSE(ClipboardShortcuts::actionFor(other)) << other;
}
