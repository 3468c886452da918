#include <gtest/gtest.h>

#include <filesystem>

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;
using Desc = AppleEventDescriptor;
using Apps = std::vector<RunningApplication>;
constexpr FourCharCode kGURL = FourCharCode::make("GURL");
const std::string kAgent = "com.halvik.purlane.agent";
const std::string kEngine = "com.halvik.purlane9";
const std::string kEditor = "com.example.editor";

struct RecordingDelegate : ApplicationDelegate {
    std::vector<std::string> calls;
    void applicationWillFinishLaunching(Application&) override { calls.push_back("will-finish"); }
    void applicationDidFinishLaunching(Application&) override { calls.push_back("did-finish"); }
    bool applicationShouldHandleReopen(Application&, bool visible) override {
        calls.push_back(visible ? "reopen-visible" : "reopen");
        return true;
    }
    void applicationWillTerminate(Application&) override { calls.push_back("will-terminate"); }
};

struct SimShellTest : ::testing::Test {
    SimWorld world;
    RecordingDelegate editorDelegate;
    std::vector<std::string> urlsReceived;

    SimShellTest() {
        auto launchEditor = [this](SimProcess& p, SimApplication& app) {
            app.setDelegate(&editorDelegate);
            p.appleEventManager().setEventHandler(kGURL, kGURL, [this](auto& e, auto&) {
                auto* url = e.paramDescriptorForKeyword(AEKeyword::kDirectObject);
                return urlsReceived.push_back(*url->stringValue()), 0;
            });
        };
        world.apps().install({.bundleIdentifier = kEditor,
                              .path = "/Applications/Editor.app",
                              .urlSchemes = {"x-editor"},
                              .launch = launchEditor});
        world.apps().install({.bundleIdentifier = kEngine, .path = "/Applications/Engine.app"});
    }

    SimProcess& agent = world.launch(kAgent);
    Workspace& workspace = agent.workspace();
    const Url editorURL = Url::fileURLWithPath("/Applications/Editor.app", true);

    SimApplication& appOf(const RunningApplication& running) {
        return world.apps().runningProcess(running.processIdentifier())->application();
    }
    // Collects the application of every `name` notification `w` posts.
    static void observe(Workspace& w, const char* name, Apps& into) {
        w.notificationCenter().addObserver(name, nullptr, [&into](const Notification& n) {
            into.push_back(
                std::any_cast<RunningApplication>(n.userInfo.at(kWorkspaceApplicationKey)));
        });
    }
    int sendQuit() {
        AppleEvent quit(FourCharCode::make("aevt"), FourCharCode::make("quit"), kEngine);
        return agent.appleEventManager().send(quit, AESendMode::kWaitReply, 5).error;
    }
};

TEST_F(SimShellTest, LaunchHandsArgumentsAndOptionsToTheAppAndListsIt) {
    const std::vector<std::string> args{"-NSDocumentRevisionsDebugMode", "1"};
    auto launched = workspace.launchApplicationAtURL(
        editorURL, LaunchOption::kAndHide | LaunchOption::kNewInstance,
        {{kLaunchConfigurationArguments, PropertyList::Array(args.begin(), args.end())}});
    ASSERT_TRUE(launched.ok());
    SimApplication& editor = appOf(*launched);
    EXPECT_EQ(editor.arguments(), args);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_FALSE(editor.isActive()) << "a hidden launch does not come forward";
    EXPECT_EQ(editor.run(), 0);
    EXPECT_EQ(editorDelegate.calls, (std::vector<std::string>{"will-finish", "did-finish"}))
        << "launching finishes once";

    auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[0].bundleURL(), std::nullopt) << "a plain process has no installed bundle";
    EXPECT_EQ(apps[1].bundleURL(), editorURL);
    EXPECT_EQ(apps[1].localizedName(), "Editor");

    auto missing = workspace.launchApplicationAtURL(
        Url::fileURLWithPath("/Applications/Nothing Here.app", true), 0, {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().localizedDescription,
              "The application \u201cNothing Here\u201d can\u2019t be opened.");
}

TEST_F(SimShellTest, TerminateRemovesTheAppUnlessItRefuses) {
    auto editor = workspace.launchApplicationAtURL(editorURL, 0, {});
    SimProcess& engine = world.launch(kEngine);
    engine.application().setRefusesTermination(true);
    Apps terminated;
    observe(workspace, kWorkspaceDidTerminateApplication, terminated);

    EXPECT_TRUE(editor->terminate());
    EXPECT_TRUE(workspace.terminateApplication(engine.pid()));
    EXPECT_EQ(workspace.runningApplications().size(), 3u) << "the request arrives on its queue";
    world.runUntilIdle();
    EXPECT_EQ(editorDelegate.calls.back(), "will-terminate");
    EXPECT_EQ(terminated, Apps{*editor});
    EXPECT_EQ(workspace.runningApplications().size(), 2u);
    EXPECT_FALSE(editor->terminate()) << "nothing to deliver to";

    // A quit event: the refusing app says so, the other one goes.
    EXPECT_EQ(sendQuit(), -128);
    engine.application().setRefusesTermination(false);
    EXPECT_EQ(sendQuit(), 0);
    EXPECT_EQ(sendQuit(), OSErr::kProcNotFound);
}

TEST_F(SimShellTest, AppleEventRepliesTravelBetweenSimProcesses) {
    const FourCharCode cmd = FourCharCode::make("Cmd_");
    world.launch(kEngine).appleEventManager().setEventHandler(cmd, cmd, [](auto& e, auto& r) {
        const Desc* text = e.paramDescriptorForKeyword(AEKeyword::kDirectObject);
        return r.setParamDescriptor(AEKeyword::kDirectObject,
                                    Desc::string("clean " + *text->stringValue())),
               0;
    });
    AppleEvent event(cmd, cmd, kEngine);
    event.setParamDescriptor(AEKeyword::kDirectObject, Desc::string("text"));
    AESendResult result = agent.appleEventManager().send(event, AESendMode::kWaitReply, 10);
    ASSERT_EQ(result.error, OSErr::kNoErr);
    EXPECT_EQ(result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject)->stringValue(),
              "clean text");
}

TEST_F(SimShellTest, OpenURLLaunchesTheClaimingBundleAndDeliversTheURL) {
    ASSERT_TRUE(workspace.openURL(*Url::parse("X-Editor://open?file=a")));
    ASSERT_EQ(workspace.runningApplicationsWithBundleIdentifier(kEditor).size(), 1u);
    EXPECT_TRUE(urlsReceived.empty()) << "the event waits for the app's main queue";
    world.runUntilIdle();
    ASSERT_TRUE(workspace.openURL(*Url::parse("x-editor://second")));
    world.runUntilIdle();
    EXPECT_EQ(urlsReceived,
              (std::vector<std::string>{"X-Editor://open?file=a", "x-editor://second"}));
    EXPECT_EQ(workspace.runningApplicationsWithBundleIdentifier(kEditor).size(), 1u);

    // What no application of the world claims goes to the desktop, or nowhere.
    EXPECT_TRUE(workspace.openURL(*Url::parse("https://example.com/help")));
    EXPECT_FALSE(workspace.openURL(*Url::parse("x-unclaimed://a")));
    EXPECT_EQ(world.desktopRequests().size(), 1u);
}

TEST_F(SimShellTest, LaunchingARunningAppReopensItAndNewInstancesKeepLaunchOrder) {
    auto first = workspace.launchApplicationAtURL(editorURL, 0, {});
    appOf(*first).setHasVisibleWindows(true);
    auto again = workspace.launchApplicationAtURL(editorURL, 0, {});
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(*again, *first);
    world.runUntilIdle();
    EXPECT_EQ(editorDelegate.calls.back(), "reopen-visible");

    auto second = workspace.launchApplicationAtURL(editorURL, LaunchOption::kNewInstance, {});
    auto third = workspace.launchApplicationAtURL(editorURL, LaunchOption::kNewInstance, {});
    EXPECT_EQ(workspace.runningApplicationsWithBundleIdentifier(kEditor),
              (Apps{*first, *second, *third}));

    // Once the first quits, a plain launch reopens the next one.
    first->terminate();
    world.runUntilIdle();
    EXPECT_EQ(*workspace.launchApplicationAtURL(editorURL, 0, {}), *second);
}

TEST_F(SimShellTest, RecycleMovesItemsIntoTheWorldsTrash) {
    testsupport::TempDir home;
    const Url a = Url::fileURLWithPath(home.write("Documents/notes.txt", "a"));
    const Url b = Url::fileURLWithPath(home.write("Desktop/notes.txt", "b"));
    fs::create_directories(home / "Desktop/Old");
    const Url folder = Url::fileURLWithPath(home / "Desktop/Old", true);
    std::vector<std::pair<Url, Url>> moved;
    std::optional<Error> error;
    auto remember = [&](const auto& m, std::optional<Error> e) { moved = m, error = e; };

    workspace.recycleURLs({a}, remember);
    world.runUntilIdle();
    ASSERT_TRUE(error) << "a world without a home has no trash";
    EXPECT_TRUE(fs::exists(a.path()));

    world.setHomeDirectory(home.path());
    workspace.recycleURLs({a, Url::fileURLWithPath(home / "gone.txt"), b, folder}, remember);
    EXPECT_TRUE(moved.empty()) << "the completion runs on the main queue";
    world.runUntilIdle();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, Error::kFileReadNoSuchFile);
    ASSERT_EQ(moved.size(), 3u);
    EXPECT_EQ(moved[0].second.path(), (home / ".Trash/notes.txt").string());
    EXPECT_EQ(testsupport::readFile(home / ".Trash/notes 2.txt"), "b") << "same names are numbered";
    EXPECT_FALSE(fs::exists(a.path()) || fs::exists(folder.path()));
}

TEST_F(SimShellTest, ActivationMovesTheFrontAndIsPostedWithTheApp) {
    auto editor = workspace.launchApplicationAtURL(editorURL, 0, {});
    EXPECT_EQ(workspace.frontmostApplication(), *editor) << "a plain launch comes forward";
    SimProcess& engine = world.launch(kEngine, {.options = LaunchOption::kWithoutActivation});
    EXPECT_EQ(workspace.frontmostApplication(), *editor);
    Apps agentSaw, editorSaw;
    observe(workspace, kWorkspaceDidActivateApplication, agentSaw);
    observe(appOf(*editor).workspace(), kWorkspaceDidActivateApplication, editorSaw);

    EXPECT_TRUE(workspace.activateApplication(engine.pid(), 0));
    ASSERT_EQ(agentSaw.size(), 1u);
    EXPECT_EQ(agentSaw[0].processIdentifier(), engine.pid());
    EXPECT_EQ(editorSaw.size(), 1u) << "every process is told";
    EXPECT_FALSE(appOf(*editor).isActive());
    EXPECT_TRUE(workspace.activateApplication(engine.pid(), 0));
    EXPECT_EQ(agentSaw.size(), 1u) << "only a change of front is posted";

    // The front app quits: the one before comes back.
    engine.application().terminate();
    ASSERT_EQ(agentSaw.size(), 2u);
    EXPECT_EQ(agentSaw[1], *editor);
    EXPECT_FALSE(workspace.activateApplication(engine.pid(), 0));
}

}  // namespace
