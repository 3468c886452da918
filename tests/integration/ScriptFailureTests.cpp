// Script commands when things go wrong, end to end: an engine that answers too late or dies on
// the request, text that looks like an option, an agent bundle without its scripting definition.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/linux/FilePasteboardStore.h"
#include "tests/support/AgentSession.h"

using testsupport::AgentSession;
using testsupport::RunResult;
using testsupport::Subprocess;
namespace fs = std::filesystem;

namespace {

class ScriptFailures : public testsupport::AgentSessionTest {
  protected:
    // The engine published and running with `faults`, then the agent; the agent alone waits
    // `agentTimeout` seconds for an Apple-event reply when given.
    Subprocess* startWithEngine(const std::vector<std::string>& faults,
                                const char* agentTimeout = nullptr) {
        const RunResult registered = session->registerEngine();
        EXPECT_EQ(registered.status, 0) << registered.err;
        std::vector<std::string> engine = {AgentSession::engineExecutable().string(),
                                           "--agentmode"};
        engine.insert(engine.end(), faults.begin(), faults.end());
        if (!session->start(engine, AgentSession::kEngineID)) return nullptr;
        if (agentTimeout) setenv("PURLANE_AE_DEFAULT_TIMEOUT", agentTimeout, 1);
        Subprocess* agent = session->startAgent();
        unsetenv("PURLANE_AE_DEFAULT_TIMEOUT");
        return agent;
    }

    RunResult cleanText(const std::string& text) {
        return session->script({"clean text", text, "--cleaner", "#UPPER"});
    }

    // Files of unique pasteboards still in the session's pasteboard folder.
    std::vector<std::string> uniquePasteboardFiles() const {
        const std::string stem =
            platform::FilePasteboardStore::encodeName(platform::FilePasteboardStore::kUniquePrefix);
        std::vector<std::string> found;
        std::error_code ec;
        for (const auto& entry :
             fs::directory_iterator(session->home() / "run/purlane/pasteboards", ec))
            if (entry.path().filename().string().find(stem) != std::string::npos)
                found.push_back(entry.path().filename().string());
        return found;
    }
};

TEST_F(ScriptFailures, AnEngineThatAnswersTooLateLeavesTheTextAsItWas) {
    Subprocess* agent = startWithEngine({"--reply-delay", "4000"}, "1");
    ASSERT_TRUE(agent);
    const RunResult r = cleanText("comes back unchanged");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "comes back unchanged\n");
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "Error = -1712")) << agent->stdoutText();
    EXPECT_EQ(uniquePasteboardFiles(), std::vector<std::string>{});
}

TEST_F(ScriptFailures, AnEngineThatDiesOnTheRequestLeavesTheTextAsItWas) {
    Subprocess* agent = startWithEngine({"--exit-on-request"});
    ASSERT_TRUE(agent);
    const RunResult r = cleanText("still here");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "still here\n");
    EXPECT_TRUE(AgentSession::waitForOutput(*agent, "Error = -600")) << agent->stdoutText();
    EXPECT_EQ(uniquePasteboardFiles(), std::vector<std::string>{});
}

TEST_F(ScriptFailures, TextThatBeginsWithDashesPassesAfterTheEndOfParameters) {
    ASSERT_TRUE(startWithEngine({}));
    const RunResult dashes = session->script({"clean text", "--cleaner", "#UPPER", "--", "--foo"});
    EXPECT_EQ(dashes.status, 0) << dashes.err;
    EXPECT_EQ(dashes.out, "--FOO\n");
    // Before "--" it is a parameter name, and the command has none of that name.
    const RunResult option = session->script({"clean text", "clean text", "--foo"});
    EXPECT_NE(option.status, 0);
    EXPECT_NE(option.err.find("has no parameter --foo"), std::string::npos) << option.err;
    // Only the first "--" ends the parameters; a second one is the text itself.
    const RunResult twice = session->script({"clean text", "--", "--"});
    EXPECT_EQ(twice.status, 0) << twice.err;
    EXPECT_EQ(twice.out, "--\n");

    const RunResult help = session->ctl({"script", "--help"});
    EXPECT_NE(help.out.find("[--] [DIRECT]"), std::string::npos) << help.out;
}

TEST_F(ScriptFailures, AnAgentWithoutItsScriptingDefinitionSaysSoAtStartUp) {
    // A copy of the agent bundle without the file; the program is a hard link, so that it finds
    // the copy as its own bundle.
    const fs::path bundle = session->home() / "Applications/purlaneAgent.app";
    fs::create_directories(bundle / "Contents/MacOS");
    fs::copy(AgentSession::agentBundle() / "Contents/Info.plist", bundle / "Contents/Info.plist");
    fs::copy(AgentSession::agentBundle() / "Contents/Resources", bundle / "Contents/Resources",
             fs::copy_options::recursive);
    fs::remove(bundle / "Contents/Resources/purlaneAgent.sdef");
    const fs::path program = bundle / "Contents/MacOS/purlaneAgent";
    std::error_code linked;
    fs::create_hard_link(AgentSession::agentExecutable(), program, linked);
    if (linked) fs::copy_file(AgentSession::agentExecutable(), program);

    Subprocess* agent = session->start({program.string()}, AgentSession::kAgentID);
    ASSERT_TRUE(agent);
    const std::string line = "Scripting definition missing: " +
                             (bundle / "Contents/Resources/purlaneAgent.sdef").string();
    EXPECT_TRUE(agent->waitForStderr(line, AgentSession::kWait)) << agent->stderrText();
}

}  // namespace
