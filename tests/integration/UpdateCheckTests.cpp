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
#include "tests/support/AgentSession.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

using namespace platform;
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

struct RecordingUI : UpdateUserInterface {
    void showUpdateOffer(const UpdateOffer& o, std::function<void(UpdateChoice)> c) override {
        offers.push_back(o);
        choose = std::move(c);
    }
    void showMessage(const std::string& title, const std::string& text) override {
        messages.push_back(title + " | " + text);
    }
    std::vector<UpdateOffer> offers;
    std::vector<std::string> messages;
    std::function<void(UpdateChoice)> choose;
};

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

TEST_F(UpdateCheckTest, FeedsFromTheServerEndInOfferMessageOrSilence) {
    ASSERT_NE(server.port, 0) << "no file server";
    direct.setup(AppUpdaterChannel::purlaneAgent, false);
    point(server.base());

    write("appcast/updates.php", appcast("910", server.base() + "/purlane-910.tar.gz", 5));
    check(true);
    ASSERT_EQ(ui.offers.size(), 1u);
    EXPECT_EQ(ui.offers[0].item.displayVersion(), "9.1");
    EXPECT_EQ(ui.offers[0].releaseNotesHTML, "<p>Faster cleaning.</p>");
    EXPECT_TRUE(su.lastUpdateCheckDate());
    EXPECT_TRUE(su.updateAvailable());
    EXPECT_TRUE(server.process.waitForStderr("GET /appcast/updates.php?feed=PLAGENT HTTP"));

    ui.choose(UpdateChoice::Skip);  // a quiet check leaves the skipped version alone
    check(false);
    EXPECT_TRUE(ui.offers.empty() && ui.messages.empty());
    EXPECT_FALSE(su.updateAvailable());

    write("appcast/updates.php", appcast("890", server.base() + "/old.tar.gz", 5));
    check(true);
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages[0],
              "You’re up to date! | purlaneAgent 9.0 is currently the newest "
              "version available.");

    const std::string failed =
        "Update Error! | An error occurred in retrieving update "
        "information. Please try again later.";
    write("appcast/updates.php", "<rss><channel><item></rss>");
    check(true);
    EXPECT_EQ(ui.messages, std::vector<std::string>{failed});

    point(server.base() + "/nothing-here");
    check(true);
    EXPECT_EQ(ui.messages, std::vector<std::string>{failed});
    check(false);
    EXPECT_TRUE(ui.messages.empty());
    ASSERT_FALSE(logs.sink.logged.empty());
    EXPECT_NE(logs.sink.logged[0].find("404"), std::string::npos) << logs.sink.logged[0];

    // A port nobody listens on.
    QTcpServer probe;
    ASSERT_TRUE(probe.listen(QHostAddress::LocalHost));
    const int closed = probe.serverPort();
    probe.close();
    point("http://127.0.0.1:" + std::to_string(closed));
    check(true);
    EXPECT_EQ(ui.messages, std::vector<std::string>{failed});
}

TEST_F(UpdateCheckTest, InstallDownloadsTheEnclosureAndHandsItToTheDesktop) {
    ASSERT_NE(server.port, 0) << "no file server";
    direct.setup(AppUpdaterChannel::purlaneAgent, false);
    point(server.base());
    const std::string archive = "pretend this is a tarball";
    write("purlane-910.tar.gz", archive);
    write("appcast/updates.php",
          appcast("910", server.base() + "/purlane-910.tar.gz", archive.size()));
    check(true);
    ASSERT_EQ(ui.offers.size(), 1u);
    ui.choose(UpdateChoice::Install);
    ASSERT_TRUE(testsupport::spinUntil([&] { return !ui.messages.empty(); }, 30));
    EXPECT_EQ(ui.messages[0].substr(0, 17), "Update Downloaded");
    ASSERT_EQ(world.desktopRequests().size(), 1u);
    EXPECT_EQ(world.desktopRequests()[0].target,
              (downloads.path() / "purlane-910.tar.gz").string());

    // The server's file changed under the feed: the size no longer matches.
    write("purlane-910.tar.gz", archive + "!");
    ui.messages.clear();
    ui.choose(UpdateChoice::Install);
    ASSERT_TRUE(testsupport::spinUntil([&] { return !ui.messages.empty(); }, 30));
    EXPECT_EQ(ui.messages[0].substr(0, 13), "Update Error!");
    EXPECT_EQ(world.desktopRequests().size(), 1u);
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
