// The login item for real, in a session of the test's own: the entry the agent registers starts
// the launcher from the agent's bundle, the launcher starts the agent once, and always quits.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/linux/XdgAutostartLoginItems.h"
#include "tests/support/AgentSession.h"

using testsupport::AgentSession;
namespace fs = std::filesystem;

namespace {

constexpr const char* kLauncherID = "com.halvik.purlane.agent.launcher";

// What the desktop runs at login: the autostart entry's program (TryExec names it unquoted).
std::string autostartProgram(const fs::path& entry) {
    for (const auto& line : AgentSession::lines(testsupport::readFile(entry))) {
        if (line.rfind("TryExec=", 0) == 0) return line.substr(8);
    }
    return {};
}

TEST(LoginItem, TheAutostartEntryStartsTheAgentOnceAndTheLauncherQuits) {
    AgentSession session;
    ASSERT_TRUE(session.ready());
    ASSERT_TRUE(platform::XdgAutostartLoginItems(AgentSession::agentBundle())
                    .setEnabled(kLauncherID, true));
    const std::string launcher = autostartProgram(session.home() / ".config/autostart" /
                                                  (std::string(kLauncherID) + ".desktop"));
    EXPECT_EQ(fs::path(launcher),
              AgentSession::agentBundle() /
                  "Contents/Library/LoginItems/purlaneAgentLauncher.app/Contents/MacOS/"
                  "purlaneAgentLauncher");

    // First login: the launcher starts the agent (and returns once it is listed) and quits.
    testsupport::Subprocess* first = session.start({launcher});
    ASSERT_TRUE(first);
    EXPECT_EQ(first->wait(AgentSession::kWait), 0) << first->stderrText();
    const auto agents = session.appsWithIdentifier(AgentSession::kAgentID);
    ASSERT_EQ(agents.size(), 1u) << first->stderrText();
    EXPECT_EQ(fs::path(agents[0].path), fs::canonical(AgentSession::agentBundle()));

    // Again with the agent running: nothing new starts, and the launcher still quits.
    testsupport::Subprocess* second = session.start({launcher});
    EXPECT_EQ(second->wait(AgentSession::kWait), 0) << second->stderrText();
    const auto after = session.appsWithIdentifier(AgentSession::kAgentID);
    ASSERT_EQ(after.size(), 1u);
    EXPECT_EQ(after[0].pid, agents[0].pid);
    EXPECT_TRUE(session.appsWithIdentifier(kLauncherID).empty());
}

}  // namespace
