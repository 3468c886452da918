// URL commands through the desktop: the packaged handler entry made the default for both
// schemes, xdg-open on a desktop of the test's own, and the real agent, running or not yet.

#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "agent/app/AgentGURLHandler.h"
#include "tests/support/AgentDesktopTest.h"

using testsupport::AgentSession;
using testsupport::readFile;
using testsupport::RunResult;
using testsupport::Subprocess;
namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(PURLANE_TEST_DATA).parent_path().parent_path();
const fs::path kBin = fs::path(PURLANE_BUILD_DIR) / "bin";

class UrlCommandDesktop : public testsupport::AgentDesktopTest {
  protected:
    void SetUp() override {
        if (!fs::exists("/usr/bin/xdg-open")) GTEST_SKIP() << "xdg-utils missing";
        // What xdg-open does is decided by the desktop it detects; without any it follows the
        // default applications of mimeapps.list, as every desktop does for scheme handlers.
        for (const char* name : {"XDG_CURRENT_DESKTOP", "DESKTOP_SESSION", "KDE_FULL_SESSION",
                                 "GNOME_DESKTOP_SESSION_ID", "MATE_DESKTOP_SESSION_ID", "BROWSER"})
            unsetenv(name);
        startDesktop();
        if (IsSkipped() || HasFatalFailure()) return;
        installHandlerEntry();
    }

    // The entry the package installs, pointing at this build's purlanectl, made the default
    // for both schemes the way a user or the install script does.
    void installHandlerEntry() {
        std::string entry = readFile(kSource / "packaging/purlane-agent.desktop.in");
        ASSERT_FALSE(entry.empty());
        for (size_t at; (at = entry.find("@BIN_DIR@")) != std::string::npos;)
            entry.replace(at, 9, kBin.string());
        const fs::path applications = session->dataHome() / "applications";
        fs::create_directories(applications);
        std::ofstream(applications / "purlane-agent.desktop") << entry;
        const RunResult set =
            testsupport::run({"/usr/bin/xdg-mime", "default", "purlane-agent.desktop",
                              "x-scheme-handler/x-purlane-agent", "x-scheme-handler/x-plagent"});
        ASSERT_EQ(set.status, 0) << set.err;  // xdg-open finding the entry is what is tested
    }

    int agentsListed() {
        return static_cast<int>(session->appsWithIdentifier(AgentSession::kAgentID).size());
    }
};

TEST_F(UrlCommandDesktop, XdgOpenReachesTheRunningAgent) {
    agent = session->startAgent();
    ASSERT_NE(agent, nullptr);

    RunResult opened = testsupport::run({"/usr/bin/xdg-open", "x-purlane-agent://help"});
    EXPECT_EQ(opened.status, 0) << opened.out << opened.err;
    ASSERT_TRUE(AgentSession::waitForOutput(*agent, "    *** END ***"));
    EXPECT_NE(agent->stdoutText().find(std::string(AgentGURLHandler::kReceivedLine) + "\n" +
                                       AgentGURLHandler::helpText() + "\n"),
              std::string::npos);

    // The other scheme, a command in the wrong case and a parameter encoded in the URL.
    opened = testsupport::run({"/usr/bin/xdg-open", "x-plagent://Help?beta=%59"});
    EXPECT_EQ(opened.status, 0) << opened.out << opened.err;
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "unknown command: Help\n"));
    EXPECT_EQ(agentsListed(), 1);

    // A pane by name: the window opens on it a second later and remembers it.
    opened = testsupport::run({"/usr/bin/xdg-open", "x-plagent://prefs?name=services"});
    EXPECT_EQ(opened.status, 0) << opened.out << opened.err;
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return session
                   ->ctl({"defaults", "read", AgentSession::kAgentID, "prefs.selected.identifier"})
                   .out == "services\n";
    }));
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return testsupport::run(
                   {"/usr/bin/xdotool", "search", "--onlyvisible", "--name", "Purlane Agent"})
                   .status == 0;
    }));
    desktop->screenshot("UrlCommand-prefs-services");
}

TEST_F(UrlCommandDesktop, XdgOpenStartsTheAgentWhenItIsNotRunning) {
    ASSERT_EQ(agentsListed(), 0);
    // The agent started for the URL writes where its starter did.
    const fs::path output = session->home() / "agent-output.txt";
    const RunResult opened =
        testsupport::run({"/bin/sh", "-c", "exec /usr/bin/xdg-open \"$0\" >\"$1\" 2>&1",
                          "x-purlane-agent://help", output.string()},
                         {}, AgentSession::kWait * 2);
    EXPECT_EQ(opened.status, 0) << readFile(output);
    EXPECT_TRUE(AgentSession::waitFor([&] { return agentsListed() == 1; }));
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return readFile(output).find(AgentGURLHandler::helpText()) != std::string::npos;
    })) << readFile(output);
    // The URL was queued while the agent started, then run once start-up was over.
    const std::string text = readFile(output);
    EXPECT_LT(text.find("):\n    path = "), text.find(AgentGURLHandler::helpText())) << text;
}

}  // namespace
