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
constexpr FourCharCode kAevt = FourCharCode::make("aevt");
constexpr FourCharCode kQuit = FourCharCode::make("quit");
constexpr FourCharCode kGURL = FourCharCode::make("GURL");
constexpr FourCharCode kPL90 = FourCharCode::make("PL90");
constexpr FourCharCode kCmd = FourCharCode::make("Cmd_");
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
        world.apps().install({.bundleIdentifier = kEditor,
                              .path = "/Applications/Editor.app",
                              .urlSchemes = {"x-editor"},
                              .launch = [this](SimProcess& p, SimApplication& app) {
                                  app.setDelegate(&editorDelegate);
                                  p.appleEventManager().setEventHandler(
                                      kGURL, kGURL, [this](const AppleEvent& e, AppleEvent&) {
                                          auto* url =
                                              e.paramDescriptorForKeyword(AEKeyword::kDirectObject);
                                          urlsReceived.push_back(url->stringValue().value());
                                          return 0;
                                      });
                              }});
        world.apps().install({.bundleIdentifier = kEngine,
                              .path = "/Applications/SampleEngine.app",
                              .name = "Sample Engine",
                              .activationPolicy = ActivationPolicy::Accessory});
    }

    SimProcess& agent = world.launch(kAgent);
    Workspace& workspace = agent.workspace();
    const Url editorURL = Url::fileURLWithPath("/Applications/Editor.app", true);

    SimApplication& appOf(const RunningApplication& running) {
        return world.apps().runningProcess(running.processIdentifier())->application();
    }
};

TEST_F(SimShellTest, LaunchHandsArgumentsAndOptionsToTheAppAndListsIt) {
    PropertyList::Dictionary configuration{
        {kLaunchConfigurationArguments, PropertyList::Array{"-NSDocumentRevisionsDebugMode", "1"}}};
    auto launched = workspace.launchApplicationAtURL(
        editorURL, LaunchOption::kAndHide | LaunchOption::kNewInstance, configuration);
    ASSERT_TRUE(launched.ok());
    SimApplication& editor = appOf(*launched);
    EXPECT_EQ(editor.arguments(), (std::vector<std::string>{"-NSDocumentRevisionsDebugMode", "1"}));
    EXPECT_EQ(editor.launchOptions(), LaunchOption::kAndHide | LaunchOption::kNewInstance);
    EXPECT_TRUE(editor.isHidden());
    EXPECT_FALSE(editor.isActive()) << "a hidden launch does not come forward";
    EXPECT_EQ(editorDelegate.calls, (std::vector<std::string>{"will-finish", "did-finish"}));
    EXPECT_EQ(editor.run(), 0);
    EXPECT_EQ(editorDelegate.calls.size(), 2u) << "launching finishes once";

    // The synthetic bundle carries what was installed.
    EXPECT_EQ(editor.bundle().bundleIdentifier(), kEditor);
    EXPECT_NE(editor.bundle().objectForInfoDictionaryKey("CFBundleURLTypes"), nullptr);

    world.launch(kEngine).application().setActivationPolicy(ActivationPolicy::Prohibited);
    auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 3u);
    EXPECT_EQ(apps[0].bundleIdentifier(), kAgent);
    EXPECT_EQ(apps[0].bundleURL(), std::nullopt) << "a plain process has no installed bundle";
    EXPECT_EQ(apps[1].processIdentifier(), launched->processIdentifier());
    EXPECT_EQ(apps[1].bundleURL(), editorURL);
    EXPECT_EQ(apps[1].localizedName(), "Editor");
    EXPECT_EQ(apps[1].activationPolicy(), ActivationPolicy::Regular);
    EXPECT_EQ(apps[2].localizedName(), "Sample Engine");
    EXPECT_EQ(apps[2].activationPolicy(), ActivationPolicy::Prohibited);
    EXPECT_EQ(workspace.URLForApplicationWithBundleIdentifier(kEngine)->absoluteString(),
              "file:///Applications/SampleEngine.app/");
    EXPECT_EQ(workspace.URLForApplicationWithBundleIdentifier("com.example.none"), std::nullopt);

    auto missing = workspace.launchApplicationAtURL(
        Url::fileURLWithPath("/Applications/Nothing Here.app", true), 0, {});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().localizedDescription,
              "The application \u201cNothing Here\u201d can\u2019t be opened.");
    EXPECT_EQ(workspace.runningApplications().size(), 3u);
}

TEST_F(SimShellTest, TerminateRemovesTheAppUnlessItRefuses) {
    auto editor = workspace.launchApplicationAtURL(editorURL, 0, {});
    SimProcess& engine = world.launch(kEngine);
    engine.application().setRefusesTermination(true);
    std::vector<int> terminatedPids;
    workspace.notificationCenter().addObserver(
        kWorkspaceDidTerminateApplication, nullptr, [&](const Notification& n) {
            auto app = std::any_cast<RunningApplication>(n.userInfo.at(kWorkspaceApplicationKey));
            terminatedPids.push_back(app.processIdentifier());
        });

    EXPECT_TRUE(editor->terminate());
    EXPECT_TRUE(workspace.terminateApplication(engine.pid()));
    EXPECT_EQ(workspace.runningApplications().size(), 3u) << "the request arrives on its queue";
    world.runUntilIdle();

    EXPECT_EQ(editorDelegate.calls.back(), "will-terminate");
    EXPECT_EQ(terminatedPids, std::vector<int>{editor->processIdentifier()});
    auto apps = workspace.runningApplications();
    ASSERT_EQ(apps.size(), 2u);
    EXPECT_EQ(apps[1].processIdentifier(), engine.pid());
    EXPECT_FALSE(workspace.runningApplicationWithProcessIdentifier(editor->processIdentifier()));
    EXPECT_FALSE(editor->terminate()) << "nothing to deliver to";

    const auto& requests = world.apps().requests();
    ASSERT_GE(requests.size(), 2u);
    EXPECT_EQ(requests[requests.size() - 3].kind, SimAppRequest::Kind::Terminate);
    EXPECT_EQ(requests[requests.size() - 2].pid, engine.pid());
    EXPECT_EQ(requests.back().requesterPid, agent.pid());

    // A quit event: the refusing app says so, the other one goes.
    AppleEvent quit(kAevt, kQuit, kEngine);
    EXPECT_EQ(agent.appleEventManager().send(quit, AESendMode::kWaitReply, 5).error, -128);
    engine.application().setRefusesTermination(false);
    EXPECT_EQ(agent.appleEventManager().send(quit, AESendMode::kWaitReply, 5).error, 0);
    EXPECT_FALSE(engine.isRunning());
    EXPECT_EQ(agent.appleEventManager().send(quit, AESendMode::kWaitReply, 5).error,
              OSErr::kProcNotFound);
}

TEST_F(SimShellTest, AppleEventsTravelBetweenSimProcesses) {
    SimProcess& engine = world.launch(kEngine);
    engine.appleEventManager().setEventHandler(kPL90, kCmd, [](const AppleEvent& e, AppleEvent& r) {
        auto text = e.paramDescriptorForKeyword(AEKeyword::kDirectObject)->stringValue();
        r.setParamDescriptor(AEKeyword::kDirectObject, Desc::string("clean " + text.value()));
        return 0;
    });
    AppleEvent event(kPL90, kCmd, kEngine);
    event.setParamDescriptor(AEKeyword::kDirectObject, Desc::string("text"));
    AESendResult result = agent.appleEventManager().send(event, AESendMode::kWaitReply, 10);
    ASSERT_EQ(result.error, OSErr::kNoErr);
    EXPECT_EQ(result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject)->stringValue(),
              "clean text");

    engine.appleEventManager().setHandlerDelay(30);
    EXPECT_EQ(agent.appleEventManager().send(event, AESendMode::kWaitReply, 5).error,
              OSErr::kTimeout);
    event.setTargetBundleID("com.example.absent");
    EXPECT_EQ(agent.appleEventManager().send(event, AESendMode::kWaitReply, 5).error,
              OSErr::kProcNotFound);
}

TEST_F(SimShellTest, OpenURLLaunchesTheClaimingBundleAndDeliversTheURL) {
    ASSERT_TRUE(workspace.openURL(*Url::parse("X-Editor://open?file=a")));
    auto running = workspace.runningApplicationsWithBundleIdentifier(kEditor);
    ASSERT_EQ(running.size(), 1u);
    EXPECT_TRUE(urlsReceived.empty()) << "the event waits for the app's main queue";
    world.runUntilIdle();
    EXPECT_EQ(urlsReceived, std::vector<std::string>{"X-Editor://open?file=a"});

    ASSERT_TRUE(workspace.openURL(*Url::parse("x-editor://second")));
    world.runUntilIdle();
    EXPECT_EQ(urlsReceived.back(), "x-editor://second");
    EXPECT_EQ(workspace.runningApplicationsWithBundleIdentifier(kEditor).size(), 1u);

    // What no application of the world claims goes to the desktop, or nowhere.
    EXPECT_TRUE(workspace.openURL(*Url::parse("https://example.com/help")));
    EXPECT_FALSE(workspace.openURL(*Url::parse("x-unclaimed://a")));
    ASSERT_EQ(world.desktopRequests().size(), 1u);
    EXPECT_EQ(world.desktopRequests()[0].target, "https://example.com/help");
    EXPECT_EQ(world.desktopRequests()[0].requesterPid, agent.pid());
}

TEST_F(SimShellTest, LaunchingARunningAppReopensItAndNewInstancesKeepLaunchOrder) {
    auto first = workspace.launchApplicationAtURL(editorURL, 0, {});
    appOf(*first).setHasVisibleWindows(true);
    auto again = workspace.launchApplicationAtURL(editorURL, 0, {});
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again->processIdentifier(), first->processIdentifier());
    world.runUntilIdle();
    EXPECT_EQ(editorDelegate.calls.back(), "reopen-visible");
    EXPECT_EQ(appOf(*first).reopenCount(), 1);
    EXPECT_EQ(world.apps().requests().back().kind, SimAppRequest::Kind::Reopen);

    auto second = workspace.launchApplicationAtURL(editorURL, LaunchOption::kNewInstance, {});
    auto third = workspace.launchApplicationAtURL(editorURL, LaunchOption::kNewInstance, {});
    auto all = workspace.runningApplicationsWithBundleIdentifier(kEditor);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0], *first);
    EXPECT_EQ(all[1], *second);
    EXPECT_EQ(all[2], *third);

    // Once the first quits, a plain launch reopens the next one.
    first->terminate();
    world.runUntilIdle();
    EXPECT_EQ(workspace.launchApplicationAtURL(editorURL, 0, {})->processIdentifier(),
              second->processIdentifier());
}

TEST_F(SimShellTest, RecycleMovesItemsIntoTheWorldsTrash) {
    testsupport::TempDir home;
    const fs::path a = home.write("Documents/notes.txt", "a");
    const fs::path b = home.write("Desktop/notes.txt", "b");
    const fs::path folder = home.path() / "Desktop/Old";
    fs::create_directories(folder);

    std::vector<std::pair<Url, Url>> moved;
    std::optional<Error> error;
    auto remember = [&](const auto& m, std::optional<Error> e) { moved = m, error = e; };

    workspace.recycleURLs({Url::fileURLWithPath(a.string())}, remember);
    world.runUntilIdle();
    ASSERT_TRUE(error) << "a world without a home has no trash";
    EXPECT_TRUE(fs::exists(a));

    world.setHomeDirectory(home.path());
    workspace.recycleURLs(
        {Url::fileURLWithPath(a.string()),
         Url::fileURLWithPath((home.path() / "gone.txt").string()),
         Url::fileURLWithPath(b.string()), Url::fileURLWithPath(folder.string(), true)},
        remember);
    EXPECT_TRUE(moved.empty()) << "the completion runs on the main queue";
    world.runUntilIdle();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code, Error::kFileReadNoSuchFile);
    ASSERT_EQ(moved.size(), 3u);
    const fs::path trash = home.path() / ".Trash";
    EXPECT_EQ(moved[0].second.path(), (trash / "notes.txt").string());
    EXPECT_EQ(moved[1].second.path(), (trash / "notes 2.txt").string());
    EXPECT_TRUE(moved[2].second.hasDirectoryPath());
    EXPECT_EQ(testsupport::readFile(trash / "notes 2.txt"), "b");
    EXPECT_FALSE(fs::exists(a));
    EXPECT_FALSE(fs::exists(folder));
}

TEST_F(SimShellTest, ActivationMovesTheFrontAndIsPostedWithTheApp) {
    auto editor = workspace.launchApplicationAtURL(editorURL, 0, {});
    EXPECT_EQ(workspace.frontmostApplication(), *editor) << "a plain launch comes forward";
    SimProcess& engine = world.launch(kEngine, {.options = LaunchOption::kWithoutActivation});
    EXPECT_EQ(workspace.frontmostApplication(), *editor);

    std::vector<RunningApplication> agentSaw, editorSaw;
    auto observe = [](Workspace& w, std::vector<RunningApplication>& into) {
        w.notificationCenter().addObserver(
            kWorkspaceDidActivateApplication, nullptr, [&into](const Notification& n) {
                into.push_back(
                    std::any_cast<RunningApplication>(n.userInfo.at(kWorkspaceApplicationKey)));
            });
    };
    observe(workspace, agentSaw);
    observe(appOf(*editor).workspace(), editorSaw);

    EXPECT_TRUE(workspace.activateApplication(engine.pid(), 0));
    ASSERT_EQ(agentSaw.size(), 1u);
    EXPECT_EQ(agentSaw[0].processIdentifier(), engine.pid());
    EXPECT_EQ(agentSaw[0].bundleIdentifier(), kEngine);
    EXPECT_EQ(editorSaw.size(), 1u);
    EXPECT_TRUE(engine.application().isActive());
    EXPECT_FALSE(appOf(*editor).isActive());
    EXPECT_TRUE(workspace.activateApplication(engine.pid(), 0));
    EXPECT_EQ(agentSaw.size(), 1u) << "only a change of front is posted";

    // The front app quits: the one before comes back.
    engine.application().terminate();
    ASSERT_EQ(agentSaw.size(), 2u);
    EXPECT_EQ(agentSaw[1], *editor);
    EXPECT_FALSE(workspace.activateApplication(engine.pid(), 0));
    EXPECT_EQ(world.apps().requests().back().kind, SimAppRequest::Kind::Activate);
}

}  // namespace
