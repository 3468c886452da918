// The preferences window's decisions: the agent's pane list, selection and its persistence,
// the fallbacks, the fixed title, commit refusal and the resize that keeps the top edge.

#include <gtest/gtest.h>

#include "agent/prefs/AgentPreferencesController.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/agent/prefs/FakePrefsWindow.h"

using namespace platform;
using Strings = std::vector<std::string>;

namespace {

struct PreferencesControllerTest : testing::Test {
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    FakePrefsWindow* window = nullptr;
    int windowsMade = 0;
    // The last pane made under each name, to reach into it.
    std::map<std::string, NamedPane*> made;

    AgentPreferencesController::PaneMakers makers() {
        AgentPreferencesController::PaneMakers m;
        for (const std::string& name :
             {"general", "hotkeys", "services", "updates", "advanced", "develop", "about"})
            m[name] = [this, name] {
                auto pane = std::make_shared<NamedPane>(name);
                made[name] = pane.get();
                return pane;
            };
        return m;
    }
    std::unique_ptr<AgentPreferencesController> controller(
        AgentPreferencesController::PaneMakers m) {
        return std::make_unique<AgentPreferencesController>(
            std::move(m), defaults, agent.distributedCenter(), [this](PLPreferencesController&) {
                auto w = std::make_unique<FakePrefsWindow>();
                window = w.get();
                ++windowsMade;
                return w;
            });
    }
    std::unique_ptr<AgentPreferencesController> controller() { return controller(makers()); }

    static Strings names(const PLPreferencesController::Panes& panes) {
        Strings out;
        for (const auto& p : panes) out.push_back(p->keyName());
        return out;
    }
    Strings toolbarIdentifiers() const {
        Strings out;
        for (const auto& item : window->items) out.push_back(item.identifier);
        return out;
    }
    std::string shown(PLPreferencesController& c) const {
        return c.selectedViewController() ? c.selectedViewController()->keyName() : "";
    }
};

TEST_F(PreferencesControllerTest, PaneListFollowsTheFixedOrderWithDevelopOnlyWhenShown) {
    const Strings without = {"general", "hotkeys", "services", "updates", "advanced", "about"};
    const Strings with = {"general",  "hotkeys", "services", "updates",
                          "advanced", "develop", "about"};
    struct Case {
        bool showDevelop;
        Strings expected;
    };
    for (const Case& c : {Case{false, without}, Case{true, with}}) {
        defaults.setBool("ShowDevelop", c.showDevelop);
        auto prefs = controller();
        EXPECT_EQ(names(prefs->viewControllers()), c.expected) << c.showDevelop;
        prefs->showMainWindow();
        EXPECT_EQ(toolbarIdentifiers(), c.expected) << c.showDevelop;
    }

    // A pane without a maker (not built into this program) is left out, keeping the order.
    auto m = makers();
    m.erase("services");
    defaults.setBool("ShowDevelop", false);
    EXPECT_EQ(names(controller(m)->viewControllers()),
              (Strings{"general", "hotkeys", "updates", "advanced", "about"}));
}

TEST_F(PreferencesControllerTest, WindowIsMadeOnFirstShowAndOpensOnTheStoredPane) {
    auto prefs = controller();
    EXPECT_EQ(windowsMade, 0);
    EXPECT_EQ(prefs->selectedTabIdentifier(), "");

    prefs->showMainWindow();
    ASSERT_EQ(windowsMade, 1);
    EXPECT_TRUE(window->visible);
    EXPECT_TRUE(window->closeWithKeyboard);
    EXPECT_EQ(shown(*prefs), "general");  // nothing stored: the first pane
    EXPECT_EQ(window->content, prefs->selectedViewController());

    prefs->toolbarItemDidClick("updates");
    EXPECT_EQ(shown(*prefs), "updates");
    EXPECT_EQ(window->selectedItem, "updates");
    EXPECT_EQ(defaults.stringForKey("prefs.selected.identifier"), "updates");
    prefs->showMainWindow();
    EXPECT_EQ(windowsMade, 1);
    prefs->selectWithIdentifier("nothing-like-it");
    EXPECT_EQ(shown(*prefs), "general");

    // A later launch opens where the last one left off; a stored pane that no longer exists
    // (Develop switched off, or an old name) opens the first pane.
    struct Case {
        std::string stored;
        bool showDevelop;
        std::string expected;
    };
    for (const Case& c : {Case{"updates", false, "updates"}, Case{"develop", true, "develop"},
                          Case{"develop", false, "general"}, Case{"info", false, "general"}}) {
        defaults.setString("prefs.selected.identifier", c.stored);
        defaults.setBool("ShowDevelop", c.showDevelop);
        auto next = controller();
        next->showMainWindow();
        EXPECT_EQ(shown(*next), c.expected) << c.stored;
    }
}

TEST_F(PreferencesControllerTest, PanelNamesSelectPanesWithOrWithoutPrefixAndUnknownOnesDoNothing) {
    struct Case {
        std::string name;
        std::string expected;  // "" = nothing happens
    };
    for (const Case& c :
         {Case{"about", "about"}, Case{"prefs-about", "about"}, Case{"hotkeys", "hotkeys"},
          Case{"prefs-advanced", "advanced"}, Case{"notes", ""}, Case{"prefs-notes", ""},
          Case{"bogus", ""}, Case{"prefs-", ""}, Case{"", ""}, Case{"develop", ""}}) {
        auto prefs = controller();
        windowsMade = 0;
        prefs->showPanelWithNamed(c.name);
        if (c.expected.empty()) {
            EXPECT_EQ(windowsMade, 0) << c.name;
            EXPECT_EQ(defaults.stringForKey("prefs.selected.identifier"), std::nullopt) << c.name;
        } else {
            EXPECT_TRUE(window->visible) << c.name;
            EXPECT_EQ(shown(*prefs), c.expected) << c.name;
        }
        defaults.removeObjectForKey("prefs.selected.identifier");
    }
}

TEST_F(PreferencesControllerTest, AgentTitleNeverChangesWhileAPlainControllerTitlesByPane) {
    auto prefs = controller();
    prefs->showMainWindow();
    for (const char* name : {"hotkeys", "about", "advanced", "general"})
        prefs->toolbarItemDidClick(name);
    EXPECT_EQ(window->titles, Strings(5, "Purlane Agent Settings"));

    PLPreferencesController plain({std::make_shared<NamedPane>("one")}, defaults,
                                  [this](PLPreferencesController&) {
                                      auto w = std::make_unique<FakePrefsWindow>();
                                      window = w.get();
                                      return w;
                                  });
    plain.showMainWindow();
    EXPECT_EQ(window->title(), "one Settings");
}

TEST_F(PreferencesControllerTest, RefusedCommitKeepsThePaneTheToolbarItemAndTheWindow) {
    auto prefs = controller();
    prefs->showPanelWithNamed("hotkeys");
    made["hotkeys"]->refuse = true;

    window->selectedItem = "about";  // the toolbar moved under the click
    prefs->toolbarItemDidClick("about");
    EXPECT_EQ(shown(*prefs), "hotkeys");
    EXPECT_EQ(window->selectedItem, "hotkeys");
    EXPECT_EQ(window->content, made["hotkeys"]);
    EXPECT_EQ(defaults.stringForKey("prefs.selected.identifier"), "hotkeys");
    EXPECT_FALSE(prefs->windowShouldClose());

    made["hotkeys"]->refuse = false;
    EXPECT_TRUE(prefs->windowShouldClose());
    prefs->toolbarItemDidClick("about");
    EXPECT_EQ(shown(*prefs), "about");
}

TEST_F(PreferencesControllerTest, WindowTakesEachPanesSizeAndKeepsItsTopEdge) {
    struct Case {
        Rect frame;
        Size content;
        Size pane;
        Rect expected;
    };
    for (const Case& c : {
             // Taller pane: grows downwards.
             Case{{{100, 500}, {400, 360}}, {400, 300}, {500, 420}, {{100, 380}, {500, 480}}},
             // Shorter pane: the bottom edge rises.
             Case{{{0, 0}, {600, 800}}, {600, 740}, {300, 100}, {{0, 640}, {300, 160}}},
             // Same size: nothing moves.
             Case{{{10, 20}, {300, 200}}, {300, 150}, {300, 150}, {{10, 20}, {300, 200}}},
         }) {
        EXPECT_EQ(PLPreferencesController::frameForPane(c.frame, c.content, c.pane), c.expected);
    }

    auto prefs = controller();
    prefs->showMainWindow();
    window->paneSizes = {{"about", {300, 200}}, {"advanced", {520, 410}}};
    const double top = window->frame().maxY();
    for (const char* name : {"about", "advanced", "general"}) {
        prefs->toolbarItemDidClick(name);
        EXPECT_EQ(window->frame().maxY(), top) << name;
        EXPECT_EQ(window->contentSize(), window->paneViewSize(*prefs->selectedViewController()))
            << name;
    }
}

TEST_F(PreferencesControllerTest, ToolbarItemsCarryThePanesLabelsAndImages) {
    auto prefs = controller();
    prefs->showMainWindow();
    ASSERT_FALSE(window->items.empty());
    EXPECT_EQ(window->items[0],
              (PLPrefsToolbarItem{"general", "general", "prefs_general_icon", std::nullopt}));
    EXPECT_EQ(prefs->toolbarItem("nothing"), std::nullopt);

    struct Symbolic : NamedPane {
        Symbolic() : NamedPane("sym") {}
        std::optional<std::string> imageName11() const override { return "gearshape"; }
    };
    PLPreferencesController plain({std::make_shared<Symbolic>()}, defaults, {});
    EXPECT_EQ(plain.toolbarItem("sym")->imageName11, "gearshape");
    defaults.setBool("DevelopDisableNonSystemPrefIcons", true);
    EXPECT_EQ(plain.toolbarItem("sym")->imageName11, std::nullopt);
    EXPECT_EQ(plain.toolbarItem("sym")->imageName, "prefs_sym_icon");
}

TEST_F(PreferencesControllerTest, DevelopOptionRebuildsTheListAndShowsAdvanced) {
    auto prefs = controller();
    prefs->showPanelWithNamed("about");
    defaults.setBool("ShowDevelop", true);
    agent.distributedCenter().post("com.purlane.develop.optionchanged");
    world.runUntilIdle();

    EXPECT_EQ(toolbarIdentifiers(), (Strings{"general", "hotkeys", "services", "updates",
                                             "advanced", "develop", "about"}));
    EXPECT_EQ(window->content, made["advanced"]);
    // Every pane of the old list let go of its view.
    EXPECT_EQ(window->forgotten.size(), 6u);

    defaults.setBool("ShowDevelop", false);
    agent.distributedCenter().post("com.purlane.develop.optionchanged");
    world.runUntilIdle();
    EXPECT_EQ(toolbarIdentifiers().size(), 6u);
    EXPECT_EQ(shown(*prefs), "advanced");
}

TEST_F(PreferencesControllerTest, ClosingHidesTheWindowAndShowingAgainReappearsThePane) {
    auto prefs = controller();
    prefs->showPanelWithNamed("updates");
    const int before = made["updates"]->appearances;
    prefs->closeWindow();
    EXPECT_FALSE(window->visible);
    prefs->showMainWindow();
    EXPECT_EQ(windowsMade, 1);
    EXPECT_EQ(made["updates"]->appearances, before + 1);
    EXPECT_EQ(shown(*prefs), "updates");
}

}  // namespace
