// Where the desktop takes no global shortcuts from programs: the command line of each record,
// GNOME's custom shortcuts written through gsettings (a fake that answers as gsettings does),
// and the pane showing both.

#include "agent/prefs/DesktopShortcutBindings.h"

#include <map>

#include "platform/input/ModifierFlags.h"
#include "tests/agent/prefs/hotkeys/HotKeysPaneFixture.h"

using platform::ModifierFlags;

namespace hotkeystest {
namespace {

using Argv = std::vector<std::string>;
const std::string kList = "/org/gnome/settings-daemon/plugins/media-keys/custom-keybindings/";

Shortcut record(ActionType type, const std::string& cleaner = "#SCRUB") {
    Shortcut s = Shortcut::make();
    s.type = type;
    s.cleaner = cleaner;
    return s;
}

TEST(DesktopShortcutBindingsTest, CommandLinesDoEachRecordsAction) {
    const std::tuple<std::string, Shortcut, std::string> cases[] = {
        {"purlanectl", record(ActionType::cleantext), "purlanectl script 'apply cleaner' '#SCRUB'"},
        {"purlanectl", record(ActionType::cleantext, "it's $HOME"),
         "purlanectl script 'apply cleaner' 'it'\\''s $HOME'"},
        {"/opt/my tools/purlanectl", record(ActionType::cleantext, "trim"),
         "'/opt/my tools/purlanectl' script 'apply cleaner' trim"},
        {"purlanectl", record(ActionType::showmenu),
         "purlanectl notify com.halvik.purlane.agent.showGroupMenu --object '#current'"},
        {"purlanectl", record(ActionType::showpalette),
         "purlanectl notify com.halvik.purlane.agent.showPopover"},
    };
    for (const auto& [purlanectl, shortcut, command] : cases)
        EXPECT_EQ(DesktopShortcutBindings(purlanectl, nullptr).commandLine(shortcut), command)
            << shortcut.cleaner;
}

TEST(DesktopShortcutBindingsTest, ReadsTheListsGsettingsPrints) {
    using Strings = std::optional<std::vector<std::string>>;
    const std::pair<std::string, Strings> cases[] = {
        {"@as []\n", Strings(std::vector<std::string>{})},
        {"['/a/', '/b/']\n", Strings({"/a/", "/b/"})},
        {"[\"it's\", 'x\\'y']", Strings({"it's", "x'y"})},
        {"['/a/' '/b/']", std::nullopt},
        {"['/a/", std::nullopt},
        {"", std::nullopt},
    };
    for (const auto& [printed, parsed] : cases)
        EXPECT_EQ(DesktopShortcutBindings::parseStrings(printed), parsed) << printed;
}

// gsettings as far as the bindings use it.
struct FakeGsettings {
    bool schema = true;
    std::string list = "@as []";
    std::string failing;
    std::vector<Argv> sets;
    DesktopShortcutBindings::Run run() {
        return [this](const Argv& argv) -> std::optional<std::string> {
            if (argv.at(1) == "list-schemas")
                return std::string("org.gnome.desktop.interface\n") +
                       (schema ? DesktopShortcutBindings::kSchema : "") + "\n";
            if (argv.at(1) == "get") return list + "\n";
            if (argv.size() > 3 && argv[3] == failing) return std::nullopt;
            sets.push_back(argv);
            return std::string();
        };
    }
};

TEST(DesktopShortcutBindingsTest, InstallsAGnomeCustomShortcutListedOnce) {
    FakeGsettings gsettings;
    gsettings.list = "['" + kList + "custom0/']";
    DesktopShortcutBindings bindings("purlanectl", gsettings.run());
    Shortcut apply = record(ActionType::cleantext, "trim");
    apply.keycode = 38;  // J
    apply.modifiersRaw = ModifierFlags::control | ModifierFlags::option;
    ASSERT_TRUE(bindings.canInstall());
    ASSERT_TRUE(bindings.install(apply, "Apply Cleaner: Trim", true));

    const std::string relocated = std::string(DesktopShortcutBindings::kCustomSchema) + ":" +
                                  DesktopShortcutBindings::customPath(apply);
    const std::vector<Argv> expected = {
        {"gsettings", "set", relocated, "name", "'Apply Cleaner: Trim'"},
        {"gsettings", "set", relocated, "command", "'purlanectl script \\'apply cleaner\\' trim'"},
        {"gsettings", "set", relocated, "binding", "'<Control><Alt>j'"},
        {"gsettings", "set", DesktopShortcutBindings::kSchema, "custom-keybindings",
         "['" + kList + "custom0/', '" + DesktopShortcutBindings::customPath(apply) + "']"},
    };
    EXPECT_EQ(gsettings.sets, expected);

    // Installed again without a key: the entry is rewritten, not listed twice.
    gsettings.sets.clear();
    gsettings.list = expected.back().back();
    ASSERT_TRUE(bindings.install(apply, "Apply Cleaner: Trim", false));
    ASSERT_EQ(gsettings.sets.size(), 3u);
    EXPECT_EQ(gsettings.sets[2].back(), "''");
}

TEST(DesktopShortcutBindingsTest, NothingIsListedWithoutTheSchemaOrItsCommand) {
    FakeGsettings gsettings;
    gsettings.schema = false;
    DesktopShortcutBindings bindings("purlanectl", gsettings.run());
    EXPECT_FALSE(bindings.canInstall());
    EXPECT_FALSE(bindings.install(record(ActionType::cleantext), "x", false));
    EXPECT_TRUE(gsettings.sets.empty());

    gsettings.schema = true;
    gsettings.failing = "command";
    EXPECT_FALSE(DesktopShortcutBindings("purlanectl", gsettings.run())
                     .install(record(ActionType::cleantext), "x", false));
    // The entry is never listed when its command could not be written.
    ASSERT_EQ(gsettings.sets.size(), 1u);
    EXPECT_EQ(gsettings.sets[0][3], "name");
}

TEST_F(HotKeysPaneFixture, PaneWithDesktopBindingsShowsCommandsAndBeepsWhenInstallingFails) {
    FakeGsettings gsettings;
    DesktopShortcutBindings bindings("purlanectl", gsettings.run());
    PLPrefsGlobalShortcutsController fallback(
        {&list, &client, &defaults, &sounds, &agent.mainQueue(), &checks, &bindings});
    list.list.push_back(record(ActionType::cleantext, "trim"));
    list.save();
    EXPECT_FALSE(pane.showsDesktopBindings());
    ASSERT_TRUE(fallback.showsDesktopBindings());
    ASSERT_EQ(fallback.numberOfRows(), 2);
    EXPECT_EQ(fallback.cellForRow(0).command,
              "purlanectl notify com.halvik.purlane.agent.showPopover");
    EXPECT_EQ(fallback.cellForRow(1).command, "purlanectl script 'apply cleaner' trim");

    fallback.installBinding(1);
    EXPECT_EQ(gsettings.sets.size(), 4u);
    EXPECT_EQ(sounds.beeps, 0);
    gsettings.failing = "command";
    fallback.installBinding(0);
    EXPECT_EQ(sounds.beeps, 1);
}

}  // namespace
}  // namespace hotkeystest
