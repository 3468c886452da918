// The Services pane on the sim: what loading and appearing do, the group popup, the entries
// list and its note, the checkboxes and popup writing and trashing the bundles, the Services
// folder and the keyboard-shortcut settings.

#include <filesystem>

#include "agent/library/SharedDataLoader.h"
#include "agent/prefs/PLPrefsServicesController.h"
#include "platform/sim/SimServicesMenu.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;
using Program = KeyboardShortcutSettings::Program;

// Two user groups: one with a heading, a cleaner, a spacer, a cleaner named "-" and another
// cleaner; one with only a heading.
const char* kUserLibrary = R"({
  "groups": [{"uuid": "0B8E3D52-6A41-4C8F-9E0B-2A7F55C1D9E4", "name": "Web",
              "tokens": ["#LABEL:Tidy", "trim", "#SPACER", "dash", "my-quote"],
              "colortags": [0, 2, 0, 0, 4]},
             {"uuid": "5C0D1E7A-3B8F-4A61-9D2E-7F4B8A6C1E30", "name": "Headings",
              "tokens": ["#LABEL:Nothing here"], "colortags": [0]}],
  "special": {"uuid": "##Custom", "name": "Custom", "tokens": ["my-slug", "my-quote"],
              "colortags": [7, 4]},
  "lookup": {"#LABEL:Tidy": ["Tidy", ""], "trim": ["Trim", ""], "#SPACER": ["-", ""],
             "dash": ["-", ""], "my-slug": ["Slug", ""], "my-quote": ["Quote Lines", ""],
             "#LABEL:Nothing here": ["Nothing here", ""]}
})";

// Counts what the pane asks its view to read again.
struct CountingView : PLPrefsServicesView {
    void reloadGroupPopup() override { ++popups; }
    void reloadInstallStatus() override { ++statuses; }
    void reloadTable() override { ++tables; }
    int popups = 0, statuses = 0, tables = 0;
};

class ServicesPaneTest : public agenttest::AgentSimFixture {
  public:
    ServicesPaneTest() {
        installLibrary();
        writeLibraryFile(SharedDataLoader::kUserJson, kUserLibrary);
        client.updateSharedData();
        pane.setView(&view);
    }

    fs::path folder() const { return temp.path() / "Library/Services"; }
    fs::path bundle(bool custom) const {
        return folder() /
               (custom ? ServicesBuilder::kCustomBundleName : ServicesBuilder::kStandardBundleName);
    }
    fs::path trashed(bool custom) const {
        return *world.trashDirectory() /
               (custom ? ServicesBuilder::kCustomBundleName : ServicesBuilder::kStandardBundleName);
    }
    void placeBundle(bool custom) {
        temp.write((fs::relative(bundle(custom), temp.path()) / "info.plist").string(), "x");
    }
    // The user data of the written custom entries, in order.
    Strings customEntries() {
        Strings out;
        for (const auto& entry : menu.entries())
            if (entry.userData != "#cleanText") out.push_back(entry.userData.value_or("?"));
        return out;
    }
    Strings rows() const {
        Strings out;
        for (int row = 0; row < pane.numberOfRows(); ++row) out.push_back(pane.titleOfRow(row));
        return out;
    }
    std::optional<std::string> storedGroup() {
        return defaults.stringForKey(ServicesBuilder::kCustomGroupKey);
    }

    SimServicesMenu menu{agent, folder()};
    Strings launched;
    Strings installed = {"xfce4-keyboard-settings", "systemsettings"};
    KeyboardShortcutSettings keyboard{
        KeyboardShortcutSettings::knownPrograms(),
        [this](const std::string& name) {
            return std::find(installed.begin(), installed.end(), name) != installed.end();
        },
        [this](const Program& p) {
            launched.push_back(p.executable + (p.arguments.empty() ? "" : " " + p.arguments[0]));
            return true;
        }};
    CountingView view;
    PLPrefsServicesController pane{{client, defaults, agent.workspace(), agent.notificationCenter(),
                                    &menu, temp.path() / "Library", &keyboard}};
};

TEST_F(ServicesPaneTest, LoadingTrashesTheStandardBundleAndFillsThePopupWithUserGroups) {
    placeBundle(false);
    placeBundle(true);
    pane.viewWillAppear();

    EXPECT_TRUE(pane.isViewLoaded());
    EXPECT_FALSE(fs::exists(bundle(false)));
    EXPECT_TRUE(fs::exists(trashed(false)));
    EXPECT_TRUE(fs::exists(bundle(true)));
    EXPECT_FALSE(pane.standardItemsInstalled());
    EXPECT_TRUE(pane.customItemsInstalled());
    EXPECT_EQ(pane.groupTitles(), (Strings{"Web", "Headings"}));
    EXPECT_TRUE(pane.groupPopupEnabled());
    // Nothing stored: the first group is shown but not stored, so no entries are listed.
    EXPECT_EQ(pane.selectedGroupIndex(), 0);
    EXPECT_FALSE(storedGroup());
    EXPECT_TRUE(pane.servicesList().empty());
    EXPECT_EQ(pane.countText(), "No Valid Items");
    EXPECT_GT(view.popups, 0);
    EXPECT_EQ(view.statuses, 1);

    // Loading happens once: a standard bundle written later stays.
    placeBundle(false);
    pane.viewWillAppear();
    EXPECT_TRUE(pane.standardItemsInstalled());
}

TEST_F(ServicesPaneTest, ThePopupSelectsTheStoredGroupAndFollowsLibraryReloads) {
    const struct {
        std::optional<std::string> stored;
        int selected;
        Strings list;
    } cases[] = {
        {std::nullopt, 0, {}},
        {"Headings", 1, {}},
        {"Web", 0, {"trim", "my-quote"}},
        {"Gone", -1, {}},
        {"##Custom", -1, {"my-slug", "my-quote"}},
    };
    for (const auto& c : cases) {
        if (c.stored)
            defaults.setString(ServicesBuilder::kCustomGroupKey, *c.stored);
        else
            defaults.removeObjectForKey(ServicesBuilder::kCustomGroupKey);
        pane.viewWillAppear();
        EXPECT_EQ(pane.selectedGroupIndex(), c.selected) << c.stored.value_or("none");
        EXPECT_EQ(pane.servicesList(), c.list) << c.stored.value_or("none");
    }

    // A reload that drops every user group empties and disables the popup.
    writeLibraryFile(SharedDataLoader::kUserJson, R"({"groups": [],
      "special": {"uuid": "##Custom", "name": "Custom", "tokens": [], "colortags": []},
      "lookup": {}})");
    const int popups = view.popups;
    client.updateSharedData();
    EXPECT_EQ(view.popups, popups + 1);
    EXPECT_TRUE(pane.groupTitles().empty());
    EXPECT_FALSE(pane.groupPopupEnabled());
    EXPECT_EQ(pane.selectedGroupIndex(), -1);
}

TEST_F(ServicesPaneTest, TheTableListsTheEntriesOnlyWhileCustomEntriesAreOn) {
    defaults.setString(ServicesBuilder::kCustomGroupKey, "Web");
    pane.viewWillAppear();
    EXPECT_EQ(pane.numberOfRows(), 0);
    EXPECT_EQ(pane.countText(), "");

    pane.setCustomItemsInstalled(true);
    EXPECT_EQ(rows(), (Strings{"Trim", "Quote Lines"}));
    EXPECT_EQ(pane.titleOfRow(2), "");
    EXPECT_FALSE(pane.shouldSelectRow(0));
    EXPECT_EQ(pane.countText(), "");

    // A group of headings only: no entries, and the note says so.
    pane.chooseGroup(1);
    EXPECT_EQ(storedGroup(), "Headings");
    EXPECT_EQ(pane.numberOfRows(), 0);
    EXPECT_EQ(pane.countText(), "No Valid Items");
    pane.setCustomItemsInstalled(false);
    EXPECT_EQ(pane.countText(), "");
}

TEST_F(ServicesPaneTest, TheControlsWriteAndTrashTheBundles) {
    pane.viewWillAppear();

    // Switching custom entries on stores the shown group and writes its entries.
    pane.setCustomItemsInstalled(true);
    EXPECT_EQ(storedGroup(), "Web");
    EXPECT_TRUE(fs::exists(bundle(true) / "info.plist"));
    EXPECT_EQ(customEntries(), (Strings{"trim", "my-quote"}));
    EXPECT_FALSE(fs::exists(bundle(false)));

    // Another group rewrites the bundle, even with no entries at all.
    pane.chooseGroup(1);
    EXPECT_TRUE(fs::exists(bundle(true) / "info.plist"));
    EXPECT_TRUE(customEntries().empty());
    pane.chooseGroup(0);
    pane.chooseGroup(7);  // not an item: nothing happens
    EXPECT_EQ(storedGroup(), "Web");

    pane.setStandardItemsInstalled(true);
    EXPECT_TRUE(fs::exists(bundle(false) / "info.plist"));
    EXPECT_EQ(menu.entries().size(), 3u);

    // Switching off moves the bundle to the trash; the standard one stays. Both bundles are
    // settled again, each followed by a rescan.
    const int readings = menu.readings();
    pane.setCustomItemsInstalled(false);
    EXPECT_EQ(menu.readings(), readings + 2);
    EXPECT_FALSE(fs::exists(bundle(true)));
    EXPECT_TRUE(fs::exists(trashed(true) / "info.plist"));
    EXPECT_TRUE(fs::exists(bundle(false)));
    EXPECT_TRUE(customEntries().empty());
}

TEST_F(ServicesPaneTest, AGroupThatIsGoneStaysStoredWhenTheCheckboxesChange) {
    defaults.setString(ServicesBuilder::kCustomGroupKey, "Gone");
    pane.viewWillAppear();
    pane.setCustomItemsInstalled(true);
    EXPECT_EQ(storedGroup(), "Gone");
    EXPECT_EQ(pane.selectedGroupIndex(), -1);
    EXPECT_TRUE(customEntries().empty());
    EXPECT_EQ(pane.countText(), "No Valid Items");
}

TEST_F(ServicesPaneTest, TheServicesFolderIsOpenedOrElseRevealed) {
    pane.showServicesFolder();
    ASSERT_EQ(world.desktopRequests().size(), 1u);
    EXPECT_EQ(world.desktopRequests()[0].kind, SimDesktopRequest::Kind::OpenFile);
    EXPECT_EQ(fs::path(world.desktopRequests()[0].target), folder());
    EXPECT_TRUE(fs::is_directory(folder()));

    // A folder that cannot be made cannot be opened: the file viewer is asked instead.
    temp.write("Blocked/Library", "a file where the folder belongs");
    PLPrefsServicesController blocked{{client, defaults, agent.workspace(),
                                       agent.notificationCenter(), &menu,
                                       temp.path() / "Blocked/Library"}};
    blocked.showServicesFolder();
    ASSERT_EQ(world.desktopRequests().size(), 2u);
    EXPECT_EQ(world.desktopRequests()[1].kind, SimDesktopRequest::Kind::Reveal);
    EXPECT_EQ(fs::path(world.desktopRequests()[1].target),
              temp.path() / "Blocked/Library/Services");
}

TEST_F(ServicesPaneTest, KeyboardSettingsOpenTheFirstKnownInstalledProgramOrNothing) {
    EXPECT_TRUE(pane.canOpenKeyboardPreferences());
    pane.openKeyboardPreferences();
    // Known order, not the order installed.
    EXPECT_EQ(launched, Strings{"systemsettings kcm_keys"});

    installed = {"gnome-control-center", "systemsettings"};
    pane.openKeyboardPreferences();
    EXPECT_EQ(launched.back(), "gnome-control-center keyboard");

    installed.clear();
    EXPECT_FALSE(pane.canOpenKeyboardPreferences());
    pane.openKeyboardPreferences();
    EXPECT_EQ(launched.size(), 2u);

    PLPrefsServicesController none{{client, defaults, agent.workspace(), agent.notificationCenter(),
                                    &menu, temp.path() / "Library"}};
    EXPECT_FALSE(none.canOpenKeyboardPreferences());
    none.openKeyboardPreferences();
    EXPECT_EQ(launched.size(), 2u);
}

}  // namespace
