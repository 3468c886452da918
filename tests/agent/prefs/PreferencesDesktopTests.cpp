// The real agent on a desktop of the test's own: a relaunch asked for with "showPrefs" opens the
// preferences window once, on the pane shown last, under its fixed title; Control-W closes it.

#include <gtest/gtest.h>

#include "tests/support/AgentDesktopTest.h"

using namespace testsupport;

namespace {

struct PreferencesDesktopTest : AgentDesktopTest {
    void SetUp() override { startDesktop(); }
    std::optional<std::string> read(const std::string& key) { return session->defaultsRead(key); }
    std::string windowName(uint32_t window) {
        RunResult r = run({"/usr/bin/xdotool", "getwindowname", std::to_string(window)});
        auto lines = AgentSession::lines(r.out);
        return lines.empty() ? "" : lines[0];
    }
};

TEST_F(PreferencesDesktopTest, ShowPrefsOpensTheLastPaneOnceAndControlWClosesIt) {
    ASSERT_EQ(session->defaultsWrite("NextLaunchAction", {"-string", "showPrefs"}), 0);
    ASSERT_EQ(session->defaultsWrite("prefs.selected.identifier", {"-string", "advanced"}), 0);
    agent = session->startAgent();
    ASSERT_NE(agent, nullptr);

    std::optional<uint32_t> window;
    ASSERT_TRUE(AgentSession::waitFor([&] {
        return (window = desktop->windowOfProcess(agent->pid())).has_value();
    })) << agent->stderrText();
    EXPECT_EQ(windowName(*window), "Purlane Agent Settings");
    EXPECT_EQ(read("NextLaunchAction"), std::nullopt);
    EXPECT_EQ(read("prefs.selected.identifier"), "advanced");
    ASSERT_TRUE(AgentSession::waitFor([&] { return desktop->activeWindow() == window; }));
    desktop->screenshot("PreferencesDesktop-advanced");

    run({"/usr/bin/xdotool", "key", "ctrl+w"});
    EXPECT_TRUE(AgentSession::waitFor([&] { return !desktop->windowOfProcess(agent->pid()); }));
    // The agent goes on without its window.
    EXPECT_TRUE(session->isListed(agent->pid()));

    // Each pane asked for by URL: the window takes the pane's size and keeps its top edge.
    std::optional<int> top;
    for (const char* pane : {"general", "hotkeys", "services", "updates", "advanced", "about"}) {
        ASSERT_EQ(
            session->ctl({"open", std::string("x-purlane-agent://prefs?name=") + pane}).status, 0);
        ASSERT_TRUE(AgentSession::waitFor([&] {
            return desktop->windowOfProcess(agent->pid()) &&
                   read("prefs.selected.identifier") == pane;
        })) << pane;
        RunResult geometry = run({"/usr/bin/xdotool", "getwindowgeometry",
                                  std::to_string(*desktop->windowOfProcess(agent->pid()))});
        const auto position = geometry.out.find("Position: ");
        ASSERT_NE(position, std::string::npos) << geometry.out;
        const int y = std::stoi(geometry.out.substr(geometry.out.find(',', position) + 1));
        if (!top) top = y;
        EXPECT_EQ(y, *top) << pane;
        desktop->screenshot(std::string("PreferencesDesktop-") + pane);
    }
}

}  // namespace
