// The launch watcher's log on the sim: which applications it lists, when, and in what words.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "launchwatcher/AppDelegate.h"
#include "launchwatcher/DateFormatter.h"
#include "platform/core/Log.h"
#include "platform/sim/SimApplication.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorkspace.h"
#include "platform/sim/SimWorld.h"

using namespace platform;
using launchwatcher::AppDelegate;

namespace {

struct Lines : launchwatcher::LogOutput {
    void appendLine(const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

class LaunchWatcherTest : public ::testing::Test {
  protected:
    LaunchWatcherTest() {
        for (const auto& id : {"com.halvik.Purlane9", "com.example.editor",
                               "com.halvik.purlane.agent", "com.halvik.purlane.launchwatcher"})
            world.apps().install(SimAppBundle{.bundleIdentifier = id,
                                              .path = std::string("/Applications/") + id + ".app"});
    }

    void startWatcher() {
        SimProcess& watcher = world.launch("com.halvik.purlane.launchwatcher");
        watcher.application().setDelegate(&delegate);
        watcher.application().run();
    }
    static std::vector<std::string> entry(const std::string& id) {
        return {"DATE: Dec 7, 2026\n",
                "ID: " + id + "\nURL: file:///Applications/" + id + ".app/\n\n"};
    }
    static std::vector<std::string> join(std::vector<std::vector<std::string>> parts) {
        std::vector<std::string> all;
        for (auto& p : parts) all.insert(all.end(), p.begin(), p.end());
        return all;
    }

    SimWorld world;
    Lines view;
    AppDelegate delegate{view, [] { return std::string("Dec 7, 2026"); }};
    ScopedLogCapture capture;
};

TEST_F(LaunchWatcherTest, ListsRunningThenLaunchedApplicationsOfTheFamilyOnly) {
    world.launch("com.halvik.Purlane9");
    world.launch("com.example.editor");
    startWatcher();
    const auto heading = join({{"Currently running apps:\n\n"},
                               entry("com.halvik.Purlane9"),
                               entry("com.halvik.purlane.launchwatcher"),
                               {"\n\n", "Launched apps:\n\n"}});
    EXPECT_EQ(view.lines, heading);

    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    world.launch("com.example.editor");
    world.runUntilIdle();
    const auto launched = join({heading, entry("com.halvik.purlane.agent")});
    EXPECT_EQ(view.lines, launched);

    // A quit carries no new application: nothing is added.
    agent.application().terminate();
    world.runUntilIdle();
    EXPECT_EQ(view.lines, launched);
    // A late report of a launch listed at the start (the watcher's own) adds nothing either.
    SimProcess& watcher = *world.apps().firstRunning("com.halvik.purlane.launchwatcher");
    watcher.workspace().notificationCenter().post(
        kWorkspaceDidLaunchApplication, nullptr,
        {{kWorkspaceApplicationKey, watcher.workspace().describe(watcher)}});
    EXPECT_EQ(view.lines, launched);
    // Every line shown went to the system log too.
    EXPECT_EQ(capture.sink.logged, launched);
}

TEST_F(LaunchWatcherTest, SkipsApplicationsWithoutIdentifierOrLocation) {
    const std::vector<RunningApplication> apps{
        {nullptr, 7, std::nullopt, Url::fileURLWithPath("/A/purlane.app", true), "purlane",
         ActivationPolicy::Regular},
        {nullptr, 8, "com.halvik.purlane9", std::nullopt, "Engine", ActivationPolicy::Regular},
    };
    for (const auto& app : apps) delegate.updateAppLog(app);
    EXPECT_TRUE(view.lines.empty());
}

TEST(LaunchWatcherFamily, IdentifierContainsPurlaneInAnyCase) {
    for (const char* id : {"com.halvik.purlane9", "com.halvik.PURLANE.agent", "PurLane"})
        EXPECT_TRUE(AppDelegate::isWatched(id)) << id;
    for (const char* id : {"com.halvik.purl", "", "com.example.pur-lane"})
        EXPECT_FALSE(AppDelegate::isWatched(id)) << id;
}

TEST(LaunchWatcherDates, MediumDateAndTimeInTheLocale) {
    const Date date = Date::fromUnixTime(1796620775);  // 2026-12-07 05:19:35 UTC
    const std::string us = launchwatcher::DateFormatter("en_US", "UTC").stringFromDate(date);
    EXPECT_EQ(us.rfind("Dec 7, 2026", 0), 0u) << us;
    EXPECT_NE(us.find("5:19:35"), std::string::npos) << us;
    EXPECT_TRUE(us.ends_with("AM")) << us;
    EXPECT_EQ(launchwatcher::DateFormatter("de_DE", "UTC").stringFromDate(date),
              "07.12.2026, 05:19:35");
}

}  // namespace
