// The application shell on a private session bus: launching, listing, Apple events, URLs,
// reopening, termination and the trash, with the test bundle TestApp.app and purlanectl.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>
#include <any>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

#include "platform/linux/AppRegistry.h"
#include "platform/linux/DBusAppleEventManager.h"
#include "platform/linux/DetachedProcess.h"
#include "platform/linux/LinuxWorkspace.h"
#include "platform/linux/QtMainQueue.h"
#include "platform/linux/XdgTrash.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

using namespace platform;
using testsupport::run;
namespace fs = std::filesystem;

namespace {

const std::string kCtl = std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl";
const fs::path kTestApp = fs::path(PURLANE_TEST_APPLICATIONS) / "TestApp.app";
const std::string kTestID = "com.halvik.purlane.testapp";
constexpr FourCharCode kTestSuite = FourCharCode::make("PLts");
constexpr FourCharCode kEcho = FourCharCode::make("echo");

// Seconds since `start`, for the few generous bounds the tests check.
double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

class ApplicationShell : public testing::Test {
  protected:
    // One private bus for the whole binary: Qt keeps its session connection once made.
    static void SetUpTestSuite() {
        static std::unique_ptr<testsupport::Subprocess> daemon;
        if (daemon) return;
        daemon = std::make_unique<testsupport::Subprocess>(std::vector<std::string>{
            "/usr/bin/dbus-daemon", "--session", "--nofork", "--print-address=1"});
        if (auto address = daemon->readLine(10); address && !address->empty())
            setenv("DBUS_SESSION_BUS_ADDRESS", address->c_str(), 1);
    }

    void SetUp() override {
        setenv("HOME", home.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        fs::create_directories(home / "run");
        chmod((home / "run").c_str(), 0700);
        setenv("PURLANE_APPLICATIONS_PATH", PURLANE_TEST_APPLICATIONS, 1);
        setenv("PURLANE_TESTAPP_RECORD", (home / "record.txt").c_str(), 1);
        unsetenv("PURLANE_AE_DEFAULT_TIMEOUT");
        testsupport::ensureQtApplication();
        if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no private bus";
        queue = std::make_unique<QtMainQueue>();
        workspace = std::make_unique<LinuxWorkspace>(*queue, events);
    }

    // Whatever a test started goes, whether it registered or not.
    void TearDown() override {
        workspace.reset();  // its observers may point into the test's locals
        std::set<int> pids;
        for (const auto& app : AppRegistry::list()) pids.insert(app.pid);
        std::ifstream record(home / "record.txt");
        for (int pid; record >> pid; record.ignore(1 << 16, '\n')) pids.insert(pid);
        for (int pid : pids) kill(pid, SIGTERM);
        testsupport::spinUntil(
            [&] { return std::none_of(pids.begin(), pids.end(), DetachedProcess::isAlive); });
        for (int pid : pids) kill(pid, SIGKILL);
    }

    // What `pid` recorded, without the pid.
    std::vector<std::string> recorded(int pid) {
        std::vector<std::string> lines;
        std::ifstream in(home / "record.txt");
        const std::string prefix = std::to_string(pid) + " ";
        for (std::string line; std::getline(in, line);)
            if (line.starts_with(prefix)) lines.push_back(line.substr(prefix.size()));
        return lines;
    }
    bool hasRecorded(int pid, const std::string& line) {
        const auto lines = recorded(pid);
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
    bool waitForRecord(int pid, const std::string& line) {
        return testsupport::spinUntil([&] { return hasRecorded(pid, line); });
    }

    RunningApplication launch(uint64_t options = 0, std::vector<std::string> arguments = {}) {
        PropertyList::Array list(arguments.begin(), arguments.end());
        PropertyList::Dictionary configuration;
        configuration.set(kLaunchConfigurationArguments, PropertyList(std::move(list)));
        auto app = workspace->launchApplicationAtURL(Url::fileURLWithPath(kTestApp, true), options,
                                                     configuration);
        EXPECT_TRUE(app.ok()) << (app.ok() ? "" : app.error().debugDescription());
        return app.ok() ? *app : RunningApplication();
    }

    AESendResult echo(std::optional<double> sleep = std::nullopt) {
        AppleEvent event(kTestSuite, kEcho, kTestID);
        event.setParamDescriptor(AEKeyword::kDirectObject, AppleEventDescriptor::string("hi"));
        if (sleep)
            event.setParamDescriptor(FourCharCode::make("slep"),
                                     AppleEventDescriptor::real(*sleep));
        return events.send(event, AESendMode::kWaitReply, kAEDefaultTimeout);
    }

    testsupport::TempDir home;
    std::unique_ptr<QtMainQueue> queue;
    DBusAppleEventManager events;
    std::unique_ptr<LinuxWorkspace> workspace;
};

TEST_F(ApplicationShell, LaunchedBundleIsListedAndSeesItsArgumentsAndOptions) {
    const RunningApplication app =
        launch(LaunchOption::kAndHide, {"--policy", "accessory", "two words"});
    const int pid = app.processIdentifier();
    ASSERT_GT(pid, 0);
    EXPECT_EQ(app.bundleIdentifier(), kTestID);
    ASSERT_TRUE(waitForRecord(pid, "ready"));
    for (const char* line :
         {"arg two words", "options 1048576", "hidden 1", "active 0", "policy 1"})
        EXPECT_TRUE(hasRecorded(pid, line)) << line;

    auto listed = run({kCtl, "apps"});
    EXPECT_EQ(listed.status, 0) << listed.err;
    EXPECT_EQ(listed.out, std::to_string(pid) + "\t" + kTestID + "\taccessory\tTestApp\t" +
                              kTestApp.string() + "\n");

    EXPECT_TRUE(app.terminate());
    ASSERT_TRUE(testsupport::spinUntil([&] { return !DetachedProcess::isAlive(pid); }));
    EXPECT_TRUE(hasRecorded(pid, "will-terminate"));
    EXPECT_TRUE(workspace->runningApplications().empty());
    EXPECT_FALSE(app.terminate());
}

TEST_F(ApplicationShell, LaunchFailuresAreErrorsNotHangs) {
    auto missing = workspace->launchApplicationAtURL(
        Url::fileURLWithPath((home / "Nowhere.app").string(), true), 0, {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, Error::kFileReadNoSuchFile);

    // A program that ends without registering.
    home.write("Quitter.app/Contents/Info.plist",
               "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleExecutable</key>"
               "<string>quit</string><key>CFBundleIdentifier</key><string>x.quitter</string>"
               "</dict></plist>");
    const auto script = home.write("Quitter.app/Contents/MacOS/quit", "#!/bin/sh\nexit 3\n");
    fs::permissions(script, fs::perms::owner_all);
    const auto start = std::chrono::steady_clock::now();
    auto quitter = workspace->launchApplicationAtURL(
        Url::fileURLWithPath((home / "Quitter.app").string(), true), 0, {});
    ASSERT_FALSE(quitter.ok());
    EXPECT_EQ(quitter.error().localizedDescription,
              "The application \u201CQuitter\u201D can\u2019t be opened.");
    EXPECT_LT(secondsSince(start), 5);

    fs::permissions(script, fs::perms::owner_read);
    EXPECT_FALSE(workspace
                     ->launchApplicationAtURL(
                         Url::fileURLWithPath((home / "Quitter.app").string(), true), 0, {})
                     .ok());
}

TEST_F(ApplicationShell, AppleEventsRoundTripAndReportFailures) {
    const int pid = launch().processIdentifier();
    ASSERT_GT(pid, 0);

    AESendResult reply = echo();
    EXPECT_EQ(reply.error, OSErr::kNoErr);
    const auto* direct = reply.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject);
    ASSERT_NE(direct, nullptr);
    EXPECT_EQ(direct->stringValue(), "hi");
    EXPECT_EQ(reply.reply.paramDescriptorForKeyword(FourCharCode::make("pid "))->int32Value(), pid);

    auto ctl = run({kCtl, "send-event", "--to", kTestID, "PLts", "echo", "--param",
                    "----=furl:/tmp/a b", "--param", "abcd=long:-5"});
    EXPECT_EQ(ctl.status, 0) << ctl.err;
    EXPECT_EQ(ctl.out, "0\n----=furl:file:///tmp/a%20b\npid =long:" + std::to_string(pid) + "\n");
    EXPECT_EQ(
        run({kCtl, "send-event", "--to", kTestID, "PLts", "echo", "--param", "k=long:1"}).status,
        2);

    AppleEvent unknown(kTestSuite, FourCharCode::make("none"), kTestID);
    EXPECT_EQ(events.send(unknown, AESendMode::kWaitReply, 10).error, OSErr::kEventNotHandled);

    // Bytes that are no event get an answer, not a crash.
    QDBusMessage garbage =
        QDBusMessage::createMethodCall(AppRegistry::serviceName(pid), AppRegistry::kPath,
                                       AppRegistry::kInterface, "HandleAppleEvent");
    garbage << QByteArray("plAE\x01\xff\xff", 7);
    const QDBusMessage answer = QDBusConnection::sessionBus().call(garbage, QDBus::Block, 10000);
    ASSERT_EQ(answer.type(), QDBusMessage::ReplyMessage) << answer.errorMessage().toStdString();
    const QByteArray bytes = answer.arguments().value(0).toByteArray();
    auto decoded = AppleEventCodec::decode(std::string_view(bytes.constData(), bytes.size()));
    ASSERT_TRUE(decoded.ok());
    EXPECT_EQ(decoded->paramDescriptorForKeyword(AEKeyword::kErrorNumber)->int32Value(),
              OSErr::kParamErr);

    auto start = std::chrono::steady_clock::now();
    AppleEvent absent(kTestSuite, kEcho, "com.halvik.nobody");
    EXPECT_EQ(events.send(absent, AESendMode::kWaitReply, kAEDefaultTimeout).error,
              OSErr::kProcNotFound);
    EXPECT_LT(secondsSince(start), 2);

    setenv("PURLANE_AE_DEFAULT_TIMEOUT", "1", 1);
    start = std::chrono::steady_clock::now();
    EXPECT_EQ(echo(4).error, OSErr::kTimeout);
    EXPECT_LT(secondsSince(start), 3.5);
    // A program busy in a handler is still listed.
    EXPECT_EQ(workspace->runningApplications().size(), 1u);
}

TEST_F(ApplicationShell, OpeningAClaimedURLLaunchesTheBundleAndDeliversIt) {
    auto opened = run({kCtl, "open", "x-purlane-test://item?id=7"});
    ASSERT_EQ(opened.status, 0) << opened.err;
    auto running = workspace->runningApplicationsWithBundleIdentifier(kTestID);
    ASSERT_EQ(running.size(), 1u);
    const int pid = running[0].processIdentifier();
    EXPECT_TRUE(waitForRecord(pid, "url x-purlane-test://item?id=7"));

    EXPECT_TRUE(workspace->openURL(*Url::parse("X-Purlane-Test:again")));
    EXPECT_TRUE(waitForRecord(pid, "url X-Purlane-Test:again"));
    EXPECT_EQ(workspace->runningApplicationsWithBundleIdentifier(kTestID).size(), 1u);
    EXPECT_FALSE(hasRecorded(pid, "reopen 0"));

    // A document for the running application arrives as an open-documents event.
    const auto doc = home.write("doc one.txt", "x");
    EXPECT_TRUE(workspace->openFile(doc.string(), "TestApp"));
    EXPECT_TRUE(waitForRecord(pid, "odoc " + doc.string()));
    EXPECT_NE(run({kCtl, "open", "-b", "com.halvik.nobody"}).status, 0);
}

TEST_F(ApplicationShell, LaunchingARunningApplicationReopensItUnlessANewInstanceIsAsked) {
    std::vector<std::pair<std::string, int>> seen;
    for (const char* name : {kWorkspaceDidLaunchApplication, kWorkspaceDidActivateApplication,
                             kWorkspaceDidTerminateApplication}) {
        workspace->notificationCenter().addObserver(name, nullptr, [&](const Notification& n) {
            const auto& app =
                std::any_cast<const RunningApplication&>(n.userInfo.at(kWorkspaceApplicationKey));
            seen.emplace_back(n.name, app.processIdentifier());
        });
    }
    const int first = launch().processIdentifier();
    ASSERT_GT(first, 0);
    EXPECT_EQ(launch().processIdentifier(), first);
    EXPECT_TRUE(waitForRecord(first, "reopen 0"));

    const int second = launch(LaunchOption::kNewInstance).processIdentifier();
    ASSERT_GT(second, 0);
    EXPECT_NE(second, first);
    const auto apps = workspace->runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].processIdentifier(), first);
    EXPECT_EQ(apps[1].processIdentifier(), second);
    // Events go to the first instance; the last one activated is in front.
    EXPECT_EQ(echo().reply.paramDescriptorForKeyword(FourCharCode::make("pid "))->int32Value(),
              first);
    ASSERT_TRUE(waitForRecord(second, "ready"));
    EXPECT_EQ(workspace->frontmostApplication()->processIdentifier(), second);

    EXPECT_TRUE(workspace->terminateApplication(first));
    const std::pair<std::string, int> expected[] = {{kWorkspaceDidLaunchApplication, first},
                                                    {kWorkspaceDidActivateApplication, first},
                                                    {kWorkspaceDidLaunchApplication, second},
                                                    {kWorkspaceDidActivateApplication, second},
                                                    {kWorkspaceDidTerminateApplication, first}};
    ASSERT_TRUE(testsupport::spinUntil([&] {
        return std::all_of(std::begin(expected), std::end(expected), [&](const auto& e) {
            return std::find(seen.begin(), seen.end(), e) != seen.end();
        });
    })) << seen.size();
}

TEST_F(ApplicationShell, RecycledItemsLandInTheXdgTrashWithInfoFiles) {
    const auto first = home.write("docs/a b.txt", "one");
    const auto second = home.write("other/a b.txt", "two");
    home.write("docs/dir/inner", "x");
    std::optional<std::vector<std::pair<Url, Url>>> moved;
    std::optional<Error> error;
    workspace->recycleURLs(
        {Url::fileURLWithPath(first), Url::fileURLWithPath((home / "docs/dir").string(), true),
         Url::fileURLWithPath((home / "docs/missing").string()), Url::fileURLWithPath(second)},
        [&](const auto& m, std::optional<Error> e) {
            moved = m;
            error = std::move(e);
        });
    EXPECT_FALSE(moved) << "the completion runs later, on the main queue";
    ASSERT_TRUE(testsupport::spinUntil([&] { return moved.has_value(); }));
    ASSERT_EQ(moved->size(), 3u);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, Error::kFileReadNoSuchFile);

    const fs::path trash = home / "data/Trash";
    EXPECT_EQ((*moved)[0].second, Url::fileURLWithPath((trash / "files/a b.txt").string()));
    EXPECT_EQ(testsupport::readFile(trash / "files/a b 2.txt"), "two");
    EXPECT_TRUE(fs::exists(trash / "files/dir/inner"));
    EXPECT_FALSE(fs::exists(first));
    const std::string info = testsupport::readFile(trash / "info/a b.txt.trashinfo");
    const std::regex shape(
        "\\[Trash Info\\]\nPath=(.*)\nDeletionDate="
        "\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\n");
    std::smatch match;
    ASSERT_TRUE(std::regex_match(info, match, shape)) << info;
    EXPECT_EQ(match[1].str(), XdgTrash::encodePath(first.string()));
    EXPECT_NE(match[1].str().find("/a%20b.txt"), std::string::npos);
    EXPECT_TRUE(fs::exists(trash / "info/dir.trashinfo"));
}

TEST_F(ApplicationShell, SigtermEndsAShellProgramWithStatusZero) {
    testsupport::Subprocess app({(kTestApp / "Contents/MacOS/TestApp").string()});
    ASSERT_TRUE(waitForRecord(app.pid(), "ready")) << app.stderrText();
    EXPECT_TRUE(AppRegistry::isRunning(app.pid()));
    app.signal(SIGTERM);
    EXPECT_EQ(app.wait(10), 0) << app.stderrText();
    EXPECT_TRUE(hasRecorded(app.pid(), "will-terminate"));
    EXPECT_FALSE(AppRegistry::isRunning(app.pid()));
}

}  // namespace
