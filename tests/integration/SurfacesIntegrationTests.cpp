// The agent's surfaces on a desktop of the test's own, as a user meets them: its icon docked in
// a real XEmbed tray (trayer), the popover it opens, the status menu, the pop-up group menu of a
// hot key and the pick window of a script, each cleaning the selection of a Qt editor.

#include <gtest/gtest.h>

#include <signal.h>

#include <cstdio>
#include <functional>
#include <sstream>

#include "tests/support/AgentDesktopTest.h"

using namespace testsupport;

namespace {

constexpr const char* kAgentID = "com.halvik.purlane.agent";

struct Box {
    int x = 0, y = 0, width = 0, height = 0;
    int centerX() const { return x + width / 2; }
    int centerY() const { return y + height / 2; }
};

class Surfaces : public AgentDesktopTest {
  protected:
    void SetUp() override {
        AgentDesktopTest::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        tray = std::make_unique<Subprocess>(
            std::vector<std::string>{"/usr/bin/trayer", "--edge", "top", "--align", "right",
                                     "--widthtype", "request", "--height", "24", "--SetDockType",
                                     "true", "--transparent", "false", "--tint", "0xdddddd"});
        ASSERT_TRUE(icon()) << "the agent's icon never docked";
    }
    void TearDown() override {
        AgentDesktopTest::TearDown();
        tray.reset();
    }

    // The frames of the visible windows that xdotool finds with `search` arguments.
    static std::vector<Box> visible(std::vector<std::string> search) {
        std::vector<std::string> args{"search", "--onlyvisible"};
        args.insert(args.end(), search.begin(), search.end());
        args.insert(args.end(), {"getwindowgeometry", "--shell", "%@"});
        std::vector<Box> boxes;
        std::istringstream lines(xdotool(args).out);
        Box b;
        for (std::string line; std::getline(lines, line);) {
            std::sscanf(line.c_str(), "X=%d", &b.x);
            std::sscanf(line.c_str(), "Y=%d", &b.y);
            std::sscanf(line.c_str(), "WIDTH=%d", &b.width);
            if (std::sscanf(line.c_str(), "HEIGHT=%d", &b.height) == 1) boxes.push_back(b);
        }
        return boxes;
    }

    // The icon: the agent's small window inside the tray's panel at the top right.
    std::optional<Box> icon() {
        std::optional<Box> found;
        AgentSession::waitFor([&] {
            for (const Box& b : visible({"--class", "purlaneAgent"}))
                if (b.height <= 24 && b.y < 24 && b.x > 1000) found = b;
            return found.has_value();
        });
        return found;
    }
    void clickIcon() {
        const auto at = icon();
        ASSERT_TRUE(at);
        xdotool({"mousemove", std::to_string(at->centerX()), std::to_string(at->centerY()), "click",
                 "1"});
    }
    // Clicks the icon until `opened` holds: on a loaded machine a click right after the icon
    // docked now and then never reaches it.
    bool clickIconUntil(const std::function<bool()>& opened) {
        for (int attempt = 0; attempt < 3; ++attempt) {
            clickIcon();
            if (AgentSession::waitFor(opened, AgentSession::kWait / 3)) return true;
        }
        return false;
    }

    std::optional<Box> popover() {
        const auto found = visible({"--name", "^Purlane$"});
        return found.empty() ? std::nullopt : std::optional<Box>(found.front());
    }
    bool popoverShown(bool shown = true) {
        return AgentSession::waitFor([&] { return popover().has_value() == shown; });
    }
    bool openPopover() {
        return clickIconUntil([&] { return popover().has_value(); });
    }
    // A menu of the agent: a tall window of its class.
    bool menuUp() {
        for (const Box& b : visible({"--class", "purlaneAgent"}))
            if (b.height > 60) return true;
        return false;
    }
    bool menuShown() {
        return AgentSession::waitFor([&] { return menuUp(); });
    }
    bool openStatusMenu() {
        return clickIconUntil([&] { return menuUp(); });
    }
    // One key at a time: a menu reads its keys as they come.
    void keys(const std::vector<std::string>& names) {
        for (const auto& name : names) xdotool({"key", "--delay", "120", name});
    }

    // The popover's "Display As Menu" button sits left of the action pull-down, bottom right.
    void switchToMenuMode() {
        ASSERT_TRUE(openPopover());
        const Box p = *popover();
        xdotool({"mousemove", std::to_string(p.x + p.width - 50),
                 std::to_string(p.y + p.height - 20), "click", "1"});
        ASSERT_TRUE(popoverShown(false));
    }

    std::string selectedGroup() {
        return session->ctl({"defaults", "read", kAgentID, "SelectedGroup"}).out;
    }

    std::unique_ptr<Subprocess> tray;
};

TEST_F(Surfaces, ThePopoverUnderTheIconAppliesTheFirstMatchAndEscapeGivesTheFocusBack) {
    openEditor("make me loud");
    ASSERT_TRUE(openPopover());
    const Box p = *popover();
    EXPECT_GE(p.y, 24) << "below the tray";
    EXPECT_LE(p.x + p.width, 1280);
    xdotool({"type", "--delay", "40", "upper"});
    desktop->screenshot("Surfaces-popover-filtered");
    keys({"Down", "Return"});
    EXPECT_TRUE(popoverShown(false));
    EXPECT_TRUE(editorShows("MAKE ME LOUD")) << field->stdoutText();

    ASSERT_TRUE(openPopover()) << "a closed popover opens again";
    keys({"Escape"});
    EXPECT_TRUE(popoverShown(false));
    EXPECT_TRUE(waitUntilInFront(*field));
}

TEST_F(Surfaces, TheStatusMenuSwitchesGroupsForGoodAndCleansTheField) {
    openEditor("quiet words");
    switchToMenuMode();
    ASSERT_TRUE(openStatusMenu());
    desktop->screenshot("Surfaces-status-menu");
    // Search field, Groups; its submenu lists Standard then Basic.
    keys({"Down", "Down", "Right", "Down", "Return"});
    ASSERT_TRUE(AgentSession::waitFor([&] { return selectedGroup() == "Basic\n"; }))
        << selectedGroup();

    // A new agent lists the same group: from the bottom, Show Purlane, Lower Case, Upper Case.
    agent->signal(SIGTERM);
    ASSERT_TRUE(agent->wait(AgentSession::kWait));
    agent = session->startAgent();
    ASSERT_NE(agent, nullptr);
    ASSERT_TRUE(icon());
    ASSERT_TRUE(waitUntilInFront(*field));
    switchToMenuMode();
    ASSERT_TRUE(openStatusMenu());
    keys({"Up", "Up", "Up", "Return"});
    EXPECT_TRUE(editorShows("QUIET WORDS")) << field->stdoutText();
}

TEST_F(Surfaces, AShowMenuHotKeyPopsTheGroupUpAtThePointer) {
    const auto r = session->ctl(
        {"defaults", "write", kAgentID, "agent.shortcuts",
         "<dict><key>list</key><array><dict><key>uuid</key><string>M1</string>"
         "<key>keycode</key><integer>46</integer><key>modifiersRaw</key><integer>786432</integer>"
         "<key>group</key><string>#current</string><key>cleaner</key><string>#SCRUB</string>"
         "<key>type</key><integer>1</integer></dict></array></dict>"});
    ASSERT_EQ(r.status, 0) << r.err;
    ASSERT_TRUE(agent->waitForStderr("Attention!! hot key changed", AgentSession::kWait));
    openEditor("pop me");
    xdotool({"mousemove", "300", "200"});
    keys({"ctrl+alt+m"});
    ASSERT_TRUE(menuShown());
    desktop->screenshot("Surfaces-group-popup");
    // Standard: Scrub Text, Trim Whitespace, Upper Case (labels and lines are passed over).
    keys({"Down", "Down", "Down", "Return"});
    EXPECT_TRUE(editorShows("POP ME")) << field->stdoutText();
}

TEST_F(Surfaces, ThePickWindowAnswersTheChosenTokenOrCancel) {
    struct Case {
        std::vector<std::string> keys;
        std::string answer;
    };
    const Case cases[] = {
        {{"t", "i", "t", "l", "e", "Down", "Return"}, "#TITLE"},
        {{"Escape"}, "#CANCEL"},
        {{"alt+F4"}, "#CANCEL"},  // closed through the window manager
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer + " by " + c.keys.front());
        Subprocess pick({(std::filesystem::path(PURLANE_BUILD_DIR) / "bin/purlanectl").string(),
                         "script", "pick cleaner", "--as-token", "yes"});
        ASSERT_TRUE(AgentSession::waitFor([&] {
            return !visible({"--name", "^Pick a Cleaner$"}).empty();
        }));
        if (c.answer == "#TITLE") desktop->screenshot("Surfaces-pick-window");
        keys(c.keys);
        EXPECT_EQ(pick.readLine(AgentSession::kWait).value_or("<nothing>"), c.answer)
            << pick.stderrText();
        EXPECT_TRUE(AgentSession::waitFor([&] {
            return visible({"--name", "^Pick a Cleaner$"}).empty();
        }));
    }
}

}  // namespace
