// Update checks over real HTTP: a local server (python3 -m http.server) serves appcast
// fixtures, the Qt Network transport fetches them, and the updater offers, stays quiet or
// reports as a user would see it. Then the real agent, pointed at the server through
// SUFeedBaseURLOverride, checks the beta feed at start-up.

#include <gtest/gtest.h>

#include <QTcpServer>
#include <fstream>
#include <regex>

#include "agent/updates/DirectAppUpdater.h"
#include "platform/core/Log.h"
#include "platform/linux/QtUpdateTransport.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "platform/updates/StandardUpdater.h"
#include "tests/agent/updates/RecordingUpdateUI.h"
#include "tests/support/AgentSession.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

using namespace platform;
using updatestest::RecordingUI;
namespace fs = std::filesystem;

namespace {

// A static file server on a free port of the loopback interface, logging requests to stderr.
struct FileServer {
    explicit FileServer(const fs::path& root)
        : process({"/usr/bin/python3", "-u", "-m", "http.server", "0", "--bind", "127.0.0.1",
                   "--directory", root.string()}) {
        const std::regex serving(R"(port (\d+))");
        if (auto line = process.readLine(15)) {
            std::smatch m;
            if (std::regex_search(*line, m, serving)) port = std::stoi(m[1]);
        }
    }
    std::string base() const { return "http://127.0.0.1:" + std::to_string(port); }
    testsupport::Subprocess process;
    int port = 0;
};

std::string appcast(const std::string& version, const std::string& enclosureURL, size_t length) {
    return "<?xml version=\"1.0\"?><rss version=\"2.0\" "
           "xmlns:pu=\"https://www.halvik.com/xml-namespaces/updates\"><channel>"
           "<title>purlaneAgent</title><item><title>Version " +
           version + "</title><pu:version>" + version +
           "</pu:version><pu:shortVersionString>9.1</pu:shortVersionString>"
           "<description>&lt;p&gt;Faster cleaning.&lt;/p&gt;</description>"
           "<enclosure url=\"" +
           enclosureURL + "\" length=\"" + std::to_string(length) +
           "\" type=\"application/gzip\"/></item></channel></rss>";
}

class UpdateCheckTest : public testing::Test {
  protected:
    UpdateCheckTest() { testsupport::ensureQtApplication(); }

    void write(const fs::path& relative, const std::string& text) {
        fs::create_directories((root.path() / relative).parent_path());
        std::ofstream(root.path() / relative, std::ios::binary) << text;
    }
    void point(const std::string& base) { defaults.setString(Updater::kFeedBaseOverrideKey, base); }
    // Runs one check to its end: an offer, a message, or (quiet) the date of a finished check
    // or a failure logged.
    void check(bool interactive) {
        ui = RecordingUI();
        logs.sink.logged.clear();
        interactive ? direct.checkForUpdates() : su.checkForUpdatesInBackground();
        ASSERT_TRUE(testsupport::spinUntil([&] { return !su.isChecking(); }, 30));
    }

    ScopedLogCapture logs;
    testsupport::TempDir root, downloads;
    FileServer server{root.path()};
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    QtUpdateTransport transport;
    RecordingUI ui;
    StandardUpdater su{StandardUpdater::Services{defaults, agent.mainQueue(), transport, ui,
                                                 agent.workspace(), "purlaneAgent", "900", "9.0",
                                                 std::nullopt, downloads.path()}};
    DirectAppUpdater direct{su, defaults};
};

// What a feed's contents lead to is the updater's unit tests' business; here the real transport
// fetches the feed and the enclosure, and a server that fails is reported, or logged when quiet.
TEST_F(UpdateCheckTest, AFeedFromTheServerIsOfferedAndItsEnclosureHandedToTheDesktop) {
    ASSERT_NE(server.port, 0) << "no file server";
    direct.setup(AppUpdaterChannel::purlaneAgent, false);
    point(server.base());
    const std::string archive = "pretend this is a tarball";
    write("purlane-910.tar.gz", archive);
    write("appcast/updates.php",
          appcast("910", server.base() + "/purlane-910.tar.gz", archive.size()));
    check(true);
    ASSERT_EQ(ui.offers.size(), 1u);
    EXPECT_EQ(ui.offers[0].item.displayVersion(), "9.1");
    EXPECT_TRUE(server.process.waitForStderr("GET /appcast/updates.php?feed=PLAGENT HTTP"));

    ui.choose(UpdateChoice::Install);
    ASSERT_TRUE(testsupport::spinUntil([&] { return !ui.messages.empty(); }, 30));
    EXPECT_TRUE(ui.messages[0].starts_with("Update Downloaded")) << ui.messages[0];
    ASSERT_EQ(world.desktopRequests().size(), 1u);
    EXPECT_EQ(world.desktopRequests()[0].target,
              (downloads.path() / "purlane-910.tar.gz").string());
}

TEST_F(UpdateCheckTest, AServerThatFailsIsReportedWhenAskedAndLoggedWhenQuiet) {
    ASSERT_NE(server.port, 0) << "no file server";
    direct.setup(AppUpdaterChannel::purlaneAgent, false);
    QTcpServer probe;  // a port nobody listens on
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int closed = probe.serverPort();
    probe.close();
    const struct {
        const char* name;
        std::string base, logged;
    } cases[] = {
        {"404", server.base() + "/nothing-here", "404"},
        {"refused", "http://127.0.0.1:" + std::to_string(closed), ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        point(c.base);
        check(true);
        ASSERT_EQ(ui.messages.size(), 1u);
        EXPECT_TRUE(ui.messages[0].starts_with("Update Error!")) << ui.messages[0];
        check(false);
        EXPECT_TRUE(ui.messages.empty());
        ASSERT_FALSE(logs.sink.logged.empty());
        EXPECT_NE(logs.sink.logged[0].find(c.logged), std::string::npos) << logs.sink.logged[0];
    }
}

TEST(UpdateAgent, TheAgentChecksTheBetaFeedAtStartUpWhenAskedTo) {
    testsupport::TempDir root;
    std::ofstream(root.path() / "index.html") << "";
    fs::create_directories(root.path() / "appcast");
    std::ofstream(root.path() / "appcast/updates.php") << "<rss><channel/></rss>";
    FileServer server(root.path());
    ASSERT_NE(server.port, 0);
    testsupport::AgentSession session;
    ASSERT_TRUE(session.ready());
    const std::string id = testsupport::AgentSession::kAgentID;
    session.ctl({"defaults", "write", id, "SUFeedBaseURLOverride", "-string", server.base()});
    session.ctl({"defaults", "write", id, "SUCheckAtStartup", "-bool", "true"});
    session.ctl({"defaults", "write", id, "ShowBetaReleases", "-bool", "true"});
    ASSERT_TRUE(session.startAgent());
    EXPECT_TRUE(server.process.waitForStderr("GET /appcast/updates.php?feed=PLAGENT-BETA", 30));
    EXPECT_TRUE(testsupport::AgentSession::waitFor([&] {
        return session.ctl({"defaults", "read", id, "SULastCheckTime"}).status == 0;
    }));
    EXPECT_EQ(session.ctl({"defaults", "read", id, "SUEnableAutomaticChecks"}).out, "1\n");
}

}  // namespace
