// The standard Services entry on a desktop: the agent's pick window comes up for the request,
// and what the user does there decides what the requesting application gets back.

#include <gtest/gtest.h>

#include "tests/support/AgentDesktopTest.h"
#include "tests/support/ServicesBundle.h"

using namespace platform;
using testsupport::AgentSession;
using testsupport::RunResult;
using testsupport::Subprocess;

namespace {

using Lines = std::vector<std::string>;

class ServicesDesktop : public testsupport::AgentDesktopTest {
  protected:
    void writeBundle(const std::string& name, const std::string& title,
                     const std::string& userData) {
        testsupport::writeServicesBundle(session->userLibrary(), name,
                                         {testsupport::servicesEntry(title, userData)});
    }

    // Performs a picking entry on `text` while the user presses `keys` in the pick window.
    std::string pickAndPerform(const std::string& text, const std::vector<std::string>& keys,
                               const std::string& title = "PL - Apply Purlane Cleaner") {
        // A first request is answered once start-up is over, which trashed any standard bundle.
        writeBundle("purlaneCustom.pldynamicservice", "PL - Upper Case", "#UPPER");
        EXPECT_EQ(session->ctl({"services", "perform", "PL - Upper Case"}, "x").out, "X");
        writeBundle("purlaneStandard.pldynamicservice", "PL - Apply Purlane Cleaner", "#cleanText");

        Subprocess request({PURLANE_BUILD_DIR "/bin/purlanectl", "services", "perform", title},
                           text);
        const RunResult window = testsupport::run(
            {"/usr/bin/xdotool", "search", "--sync", "--onlyvisible", "--name", "Pick a Cleaner"},
            {}, AgentSession::kWait);
        EXPECT_EQ(window.status, 0) << "no pick window";
        const std::string id = window.out.substr(0, window.out.find('\n'));
        xdotool({"windowactivate", "--sync", id});
        for (const auto& key : keys) xdotool({"key", "--delay", "50", key});
        EXPECT_EQ(request.wait(AgentSession::kWait), std::optional<int>(0)) << request.stderrText();
        return request.stdoutText();
    }
};

TEST_F(ServicesDesktop, APickedCleanerIsAppliedAndACancelledPickChangesNothing) {
    EXPECT_EQ(pickAndPerform("keep me", {"Escape"}), "keep me");
    // The agent's own entry asks for the pick directly.
    EXPECT_EQ(pickAndPerform("mine", {"Escape"}, "Pick Purlane Cleaner"), "mine");
    EXPECT_EQ(pickAndPerform("pick me", {"U", "p", "p", "e", "r", "Down", "Return"}), "PICK ME");

    Lines printed;
    AgentSession::waitFor([&] {
        while (agent->readLine(0.1)) {
        }
        printed.clear();
        for (const auto& line : AgentSession::lines(agent->stdoutText()))
            if (line == "cleanText" || line == "applyTextCleaner" || line == "pickCleanerAction")
                printed.push_back(line);
        return printed.size() >= 11;
    });
    EXPECT_EQ(printed, (Lines{"cleanText", "applyTextCleaner", "cleanText", "pickCleanerAction",
                              "cleanText", "applyTextCleaner", "pickCleanerAction", "cleanText",
                              "applyTextCleaner", "cleanText", "pickCleanerAction"}));
}

}  // namespace
