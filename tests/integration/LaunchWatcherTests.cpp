// The launch watcher on a desktop of the test's own: its window lists the family's programs that
// run, then those launched; quits are not listed. The window is kept in build/screenshots/.

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/support/AgentSession.h"
#include "tests/support/XDesktop.h"

using testsupport::AgentSession;
namespace fs = std::filesystem;

namespace {

// A function, not a constant: the session's folders are themselves set up at start-up.
fs::path watcherExecutable() {
    return AgentSession::agentBundle() /
           "Contents/SharedSupport/purlaneLaunchWatcher.app/Contents/MacOS/purlaneLaunchWatcher";
}
const fs::path kTestApp =
    fs::path(PURLANE_BUILD_DIR) / "TestApplications/TestApp.app/Contents/MacOS/TestApp";

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(LaunchWatcher, ListsRunningThenLaunchedProgramsOfTheFamily) {
    testsupport::XDesktop desktop;
    ASSERT_TRUE(desktop.ready()) << desktop.error();
    AgentSession session(desktop.display());
    ASSERT_TRUE(session.ready());

    testsupport::Subprocess* watcher =
        session.start({watcherExecutable().string()}, "com.halvik.purlane.launchwatcher");
    ASSERT_TRUE(watcher);
    ASSERT_TRUE(watcher->waitForStderr("Launched apps:", AgentSession::kWait))
        << watcher->stderrText();
    // It runs itself, so it lists itself under the running ones.
    const std::string atStart = watcher->stderrText();
    EXPECT_LT(atStart.find("Currently running apps:"),
              atStart.find("ID: com.halvik.purlane.launchwatcher\nURL: file://"));

    testsupport::Subprocess* app = session.start({kTestApp.string()}, "com.halvik.purlane.testapp");
    ASSERT_TRUE(app);
    ASSERT_TRUE(watcher->waitForStderr("ID: com.halvik.purlane.testapp", AgentSession::kWait))
        << watcher->stderrText();
    ASSERT_TRUE(desktop.windowOfProcess(watcher->pid())) << "the watcher shows no window";

    app->signal(SIGTERM);
    EXPECT_EQ(app->wait(AgentSession::kWait), 0);
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    const std::string log = watcher->stderrText();
    EXPECT_EQ(count(log, "ID: com.halvik.purlane.testapp"), 1u) << log;
    EXPECT_EQ(count(log, "DATE: "), 2u) << log;
    EXPECT_GT(log.find("ID: com.halvik.purlane.testapp"), log.find("Launched apps:"));
    desktop.screenshot("launch_watcher");
}

}  // namespace
