// The real platform services across processes: defaults files shared with purlanectl and
// distributed notifications on the session bus.

#include <gtest/gtest.h>

#include <QDBusConnection>
#include <cstdlib>
#include <filesystem>

#include "platform/linux/LinuxHost.h"
#include "platform/linux/LinuxPaths.h"
#include "tests/support/QtTestApp.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

using namespace platform;
using testsupport::run;
using testsupport::Subprocess;

namespace {

const std::string kCtl = std::string(PURLANE_BUILD_DIR) + "/bin/purlanectl";

class PlatformServices : public testing::Test {
  protected:
    void SetUp() override {
        setenv("HOME", home.path().c_str(), 1);
        setenv("XDG_DATA_HOME", (home / "data").c_str(), 1);
        setenv("XDG_RUNTIME_DIR", (home / "run").c_str(), 1);
        std::filesystem::create_directories(home / "run");
        testsupport::ensureQtApplication();
    }
    testsupport::TempDir home;
};

TEST_F(PlatformServices, DefaultsWrittenByTheToolAreSeenAndObservedByAProcess) {
    LinuxHost agent("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    std::optional<PropertyList> observed;
    defaults.observe("KeystrokeDelay", [&](const auto& v) { observed = v; });

    auto w =
        run({kCtl, "defaults", "write", "com.halvik.purlane.agent", "KeystrokeDelay", "-int", "2"});
    ASSERT_EQ(w.status, 0) << w.err;
    auto r = run({kCtl, "defaults", "read", "com.halvik.purlane.agent", "KeystrokeDelay"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "2\n");
    EXPECT_EQ(defaults.integerForKey("KeystrokeDelay"), 2);

    ASSERT_TRUE(testsupport::spinUntil([&] { return observed.has_value(); }));
    EXPECT_EQ(*observed, PropertyList(2));
}

TEST_F(PlatformServices, TheToolRefusesBadValuesWithoutWriting) {
    for (const auto& args : std::vector<std::vector<std::string>>{
             {"KeystrokeDelay", "-int", "two"},
             {"PreserveClipboard", "-bool", "maybe"},
             {"Blob", "-data", "abc"},
             {"X", "-colour", "red"},
             {"List", "-array", "a", "-int"},
         }) {
        std::vector<std::string> argv = {kCtl, "defaults", "write", "com.halvik.purlane.agent"};
        argv.insert(argv.end(), args.begin(), args.end());
        auto w = run(argv);
        EXPECT_NE(w.status, 0) << args[0];
        EXPECT_NE(w.err.find("purlanectl: "), std::string::npos) << w.err;
    }
    EXPECT_FALSE(
        std::filesystem::exists(LinuxPaths::preferencesFile("com.halvik.purlane.agent").value()));
    auto r = run({kCtl, "defaults", "read", "com.halvik.purlane.agent"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("does not exist"), std::string::npos);
    EXPECT_EQ(run({kCtl, "defaults", "write", "../evil", "k", "v"}).status, 2);
}

TEST_F(PlatformServices, TheToolWritesEveryTypeAndReadsItBack) {
    const std::string d = "KQ4MZR7WXN.com.halvik.purlane";
    ASSERT_EQ(run({kCtl, "defaults", "write", d, "PreserveClipboardExpectionList", "-array", "",
                   "com.example.Terminal"})
                  .status,
              0);
    ASSERT_EQ(run({kCtl, "defaults", "write", d, "PreserveClipboardExpectionList", "-array-add",
                   "org.example.Editor"})
                  .status,
              0);
    ASSERT_EQ(run({kCtl, "defaults", "write", d, "AutoSelectAll", "-bool", "YES"}).status, 0);
    ASSERT_EQ(run({kCtl, "defaults", "write", d, "engine.bundle.url", "-string",
                   "/apps/Sample Engine.app"})
                  .status,
              0);

    LinuxHost agent("com.halvik.purlane.agent");
    UserDefaults& suite = agent.suite(d);
    EXPECT_EQ(suite.stringArrayForKey("PreserveClipboardExpectionList"),
              (std::vector<std::string>{"", "com.example.Terminal", "org.example.Editor"}));
    EXPECT_TRUE(suite.boolForKey("AutoSelectAll"));
    EXPECT_EQ(suite.URLForKey("engine.bundle.url")->path(), "/apps/Sample Engine.app");
    EXPECT_EQ(run({kCtl, "defaults", "read", d, "AutoSelectAll"}).out, "1\n");
    // The suite lives in the group container, beside the engine's Data folder.
    EXPECT_TRUE(std::filesystem::exists(home / "data/purlane/Library/Group Containers" / d /
                                        "Library/Preferences" / (d + ".plist")));

    ASSERT_EQ(run({kCtl, "defaults", "delete", d, "AutoSelectAll"}).status, 0);
    EXPECT_EQ(run({kCtl, "defaults", "read", d, "AutoSelectAll"}).status, 1);
    EXPECT_EQ(run({kCtl, "defaults", "delete", d, "AutoSelectAll"}).status, 1);
}

TEST_F(PlatformServices, UntypedValuesKeepTheTypesOfXmlAndTheStringsOfOldStyleText) {
    const std::string d = "com.halvik.purlane.agent";
    PropertyList::Dictionary record;
    record.set("uuid", "A");
    record.set("keycode", 32);
    record.set("enabled", true);
    PropertyList::Dictionary shortcuts;
    shortcuts.set("list", PropertyList::Array{record});
    const struct {
        std::string key, value;
        PropertyList expected;
    } cases[] = {
        {"agent.shortcuts",
         "<dict><key>list</key><array><dict><key>uuid</key><string>A</string><key>keycode</key>"
         "<integer>32</integer><key>enabled</key><true/></dict></array></dict>",
         shortcuts},
        {"wrapped",
         "\n  <?xml version=\"1.0\" encoding=\"UTF-8\"?><plist version=\"1.0\"><array>"
         "<real>1.5</real><integer>-1</integer></array></plist>",
         PropertyList::Array{1.5, -1}},
        {"oldStyle", "(a, 2)", PropertyList::Array{"a", "2"}},
        {"data", "<0a0b>", PropertyList::Data{0x0a, 0x0b}},
        {"text", "<3 and 5 > 4", "<3 and 5 > 4"},
    };
    for (const auto& c : cases)
        ASSERT_EQ(run({kCtl, "defaults", "write", d, c.key, c.value}).status, 0) << c.key;

    const struct {
        std::string value, error;
    } broken[] = {
        {"<dict><key>a</key></dict>", "key without a value"},
        {"<dict><key>a</key><integer>x</integer></dict>", "integer"},
        {"<dict><key>a</key>", "offset"},
    };
    for (const auto& b : broken) {
        const auto w = run({kCtl, "defaults", "write", d, "broken", b.value});
        EXPECT_EQ(w.status, 2) << b.value;
        EXPECT_NE(w.err.find(b.error), std::string::npos) << w.err;
    }

    LinuxHost agent(d);
    UserDefaults& defaults = agent.standardUserDefaults();
    for (const auto& c : cases) EXPECT_EQ(defaults.objectForKey(c.key), c.expected) << c.key;
    EXPECT_FALSE(defaults.objectForKey("broken"));
    EXPECT_EQ(run({kCtl, "defaults", "read", d, "agent.shortcuts"}).out,
              "{\n    list =     (\n                {\n            enabled = 1;\n"
              "            keycode = 32;\n            uuid = A;\n        }\n    );\n}\n");
}

TEST_F(PlatformServices, DistributedNotificationReachesTheToolAndThePoster) {
    if (!QDBusConnection::sessionBus().isConnected()) GTEST_SKIP() << "no session bus";
    Subprocess observer(
        {kCtl, "observe", "com.purlane.groupsChanged", "--count", "2", "--timeout", "20"});
    ASSERT_TRUE(observer.waitForStderr("observing")) << observer.stderrText();

    LinuxHost engine("com.halvik.purlane9");
    std::vector<std::string> seen;
    engine.distributedCenter().addObserver(
        "com.purlane.groupsChanged", std::nullopt,
        [&](const DistributedNotification& n) { seen.push_back(n.object.value_or("-")); });
    engine.distributedCenter().post("com.purlane.groupsChanged");
    ASSERT_EQ(run({kCtl, "notify", "com.purlane.groupsChanged", "--object", "library"}).status, 0);

    ASSERT_TRUE(testsupport::spinUntil([&] { return seen.size() == 2; })) << seen.size();
    EXPECT_EQ(seen, (std::vector<std::string>{"-", "library"}));
    EXPECT_EQ(observer.wait(20), 0) << observer.stderrText();
    EXPECT_EQ(observer.stdoutText(),
              "com.purlane.groupsChanged\ncom.purlane.groupsChanged library\n");
}

TEST_F(PlatformServices, MainQueueRunsInDeadlineOrderOnTheEventLoop) {
    QtMainQueue queue;
    std::vector<int> order;
    queue.asyncAfter(0.05, [&] { order.push_back(3); });
    queue.async([&] { order.push_back(1); });
    queue.asyncAfter(0.05, [&] { order.push_back(4); });
    std::thread([&] { queue.async([&] { order.push_back(2); }); }).join();
    EXPECT_TRUE(order.empty());
    ASSERT_TRUE(testsupport::spinUntil([&] { return order.size() == 4; }));
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3, 4}));
}

}  // namespace
