// Nothing of ours outlives its session: when the session bus goes away, the agent, the engine and
// a waiting purlanectl leave on their own, cleanly.

#include <gtest/gtest.h>
#include <signal.h>

#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

#include "platform/linux/DetachedProcess.h"
#include "tests/support/AgentSession.h"
#include "tests/support/ScopedEnv.h"

using testsupport::AgentSession;
using testsupport::Subprocess;

namespace {

const std::string kCtl = std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl";

// A session bus of the test's own, which it can end while the programs run on it.
class SessionEnd : public testing::Test {
  protected:
    void SetUp() override {
        session = std::make_unique<AgentSession>();
        if (!session->ready()) GTEST_SKIP() << "no private bus could be started";
        bus = std::make_unique<Subprocess>(std::vector<std::string>{
            "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
        const auto address = bus->readLine(AgentSession::kWait);
        ASSERT_TRUE(address && !address->empty()) << bus->stderrText();
        busEnv.emplace("DBUS_SESSION_BUS_ADDRESS", *address);
    }

    void TearDown() override {
        // Whatever did not leave is ended on the session's own bus.
        busEnv.reset();
        session.reset();
    }

    void endBus() {
        bus->signal(SIGTERM);
        ASSERT_TRUE(bus->wait(AgentSession::kWait).has_value());
    }

    std::unique_ptr<AgentSession> session;
    std::unique_ptr<Subprocess> bus;
    std::optional<testsupport::ScopedEnv> busEnv;
};

TEST_F(SessionEnd, EveryWaitingProgramExitsWithStatusZeroWhenTheBusGoes) {
    Subprocess* agent = session->startWithEngine();
    ASSERT_TRUE(agent);
    Subprocess* engine =
        session->start({AgentSession::engineExecutable().string()}, AgentSession::kEngineID);
    ASSERT_TRUE(engine);
    Subprocess* observer = session->start({kCtl, "observe", "com.example.never.posted"});
    ASSERT_TRUE(observer->waitForStderr("observing", AgentSession::kWait));

    endBus();

    const std::pair<const char*, Subprocess*> programs[] = {
        {"agent", agent}, {"engine", engine}, {"purlanectl observe", observer}};
    for (const auto& [name, program] : programs) {
        EXPECT_EQ(program->wait(AgentSession::kWait), std::optional<int>(0))
            << name << " stderr:\n"
            << program->stderrText();
    }
    EXPECT_NE(agent->stderrText().find("The session bus is gone: quitting"), std::string::npos);
}

TEST_F(SessionEnd, AnEngineTheAgentLaunchedLeavesToo) {
    Subprocess* agent = session->startWithEngine();
    ASSERT_TRUE(agent);
    // The first clean request makes the agent launch the engine.
    ASSERT_EQ(session->script({"clean text", "quiet", "--cleaner", "#UPPER"}).out, "QUIET\n");
    const auto engines = session->appsWithIdentifier(AgentSession::kEngineID);
    ASSERT_EQ(engines.size(), 1u);
    const int enginePid = engines[0].pid;

    endBus();

    EXPECT_EQ(agent->wait(AgentSession::kWait), std::optional<int>(0)) << agent->stderrText();
    EXPECT_TRUE(AgentSession::waitFor([&] {
        return !platform::DetachedProcess::isAlive(enginePid);
    })) << "the launched engine "
        << enginePid << " still runs";
}

}  // namespace
