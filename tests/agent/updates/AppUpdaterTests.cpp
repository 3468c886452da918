// Channels, feed choice, the start-up schedule and the overdue notice, against a recording
// updater.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "agent/updates/AppUpdater.h"
#include "agent/updates/DirectAppUpdater.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimUpdater.h"
#include "platform/sim/SimWorld.h"

using namespace platform;

namespace {

const std::string kFeed = "https://updates.halvik.com/appcast/updates.php?feed=";
// 2026-03-10 12:00:00 UTC.
const Date kNoon = Date::fromUnixTime(1773144000);

struct UpdaterTest : testing::Test {
    UpdaterTest() {
        setenv("TZ", "UTC", 1);
        tzset();
    }
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    SimUpdater su;
    Date now = kNoon;
    DirectAppUpdater direct{su, defaults, [this] { return now; }};

    std::vector<std::string> feeds() const {
        std::vector<std::string> out;
        for (const auto& c : su.checks) out.push_back(c.feed.substr(kFeed.size()));
        return out;
    }
};

TEST(AppUpdaterChannel, RawValuesRoundTripAndOthersGiveNoChannel) {
    const std::pair<AppUpdaterChannel, const char*> table[] = {
        {AppUpdaterChannel::purlane8, "PL8"},
        {AppUpdaterChannel::purlane9, "PL9"},
        {AppUpdaterChannel::purlaneAgent, "PLAGENT"},
        {AppUpdaterChannel::purlane9dev, "PL9-DEV"}};
    for (const auto& [channel, raw] : table) {
        EXPECT_EQ(rawValue(channel), raw);
        EXPECT_EQ(appUpdaterChannelFromRawValue(raw), channel);
        EXPECT_EQ(hasBetaFeed(channel), channel != AppUpdaterChannel::purlane9dev);
    }
    for (const char* other : {"", "pl9", "PL9-BETA", "PLAGENT "})
        EXPECT_EQ(appUpdaterChannelFromRawValue(other), std::nullopt) << other;
}

TEST_F(UpdaterTest, FeedFollowsChannelAndBetaWishOnlyForTheCheckItIsFor) {
    struct Case {
        AppUpdaterChannel channel;
        bool showBetas, forceBetas;
        std::vector<std::string> expected;  // ordinary check, beta check, ordinary check
    };
    const Case cases[] = {
        {AppUpdaterChannel::purlaneAgent, false, false, {"PLAGENT", "PLAGENT-BETA", "PLAGENT"}},
        {AppUpdaterChannel::purlaneAgent,
         true,
         false,
         {"PLAGENT-BETA", "PLAGENT-BETA", "PLAGENT-BETA"}},
        {AppUpdaterChannel::purlane9, false, false, {"PL9", "PL9-BETA", "PL9"}},
        {AppUpdaterChannel::purlane9dev, true, false, {"PL9-DEV", "PL9-DEV", "PL9-DEV"}},
    };
    for (const auto& c : cases) {
        su.checks.clear();
        defaults.setBool(DirectAppUpdater::kShowBetaReleases, c.showBetas);
        direct.setup(c.channel, c.forceBetas);
        su.checks.clear();  // setup's own background check
        direct.checkForUpdates();
        direct.checkForBetaUpdates();
        direct.checkForUpdates();
        EXPECT_EQ(feeds(), c.expected) << rawValue(c.channel) << " betas " << c.showBetas;
    }
    // Forced betas stay for the life of the updater.
    defaults.setBool(DirectAppUpdater::kShowBetaReleases, false);
    direct.setup(AppUpdaterChannel::purlane8, true);
    direct.setup(AppUpdaterChannel::purlane8, false);
    su.checks.clear();
    direct.checkForUpdates();
    EXPECT_EQ(feeds(), std::vector<std::string>{"PL8-BETA"});
    EXPECT_EQ(su.checks[0].feed.substr(0, kFeed.size()), kFeed);
}

TEST_F(UpdaterTest, SetupSchedulesTwelveHourlyChecksAsTheDefaultsSay) {
    struct Case {
        bool force, checkAtStartup, showBetas;
        int backgroundChecks;
        std::vector<bool> automaticSet;
    };
    const Case cases[] = {
        {false, false, false, 0, {false}}, {false, false, true, 0, {false}},
        {false, true, false, 0, {true}},   {false, true, true, 1, {true}},
        {true, false, false, 1, {}},       {true, true, true, 1, {}},
    };
    for (const auto& c : cases) {
        SimUpdater fresh;
        DirectAppUpdater updater(fresh, defaults, [this] { return now; });
        defaults.setBool(DirectAppUpdater::kCheckAtStartup, c.checkAtStartup);
        defaults.setBool(DirectAppUpdater::kShowBetaReleases, c.showBetas);
        updater.setup(AppUpdaterChannel::purlaneAgent, c.force);
        SCOPED_TRACE(testing::Message() << c.force << c.checkAtStartup << c.showBetas);
        EXPECT_EQ(fresh.backgroundChecks(), c.backgroundChecks);
        EXPECT_EQ(fresh.automaticSet, c.automaticSet);
        EXPECT_EQ(fresh.interval, 43200);
    }
}

TEST_F(UpdaterTest, OverdueCountsCalendarDaysAndAFirstRunStartsACheck) {
    EXPECT_FALSE(direct.overdueForUpdateCheck());
    EXPECT_EQ(su.backgroundChecks(), 1);
    EXPECT_EQ(direct.overdueForCheckMessage(), "You have not checked for updates:");

    struct Case {
        double secondsBefore;
        long days;
        bool overdue;
    };
    const Case cases[] = {
        {60 * 86400.0, 60, true},
        {59 * 86400.0, 59, false},
        {12 * 3600.0 + 60, 1, false},  // yesterday 23:59: a calendar day, not 24 hours
        {11 * 3600.0, 0, false},
    };
    for (const auto& c : cases) {
        su.lastCheck = now.addingTimeInterval(-c.secondsBefore);
        EXPECT_EQ(direct.daysSinceLastCheck(), c.days) << c.secondsBefore;
        EXPECT_EQ(direct.overdueForUpdateCheck(), c.overdue) << c.secondsBefore;
        EXPECT_EQ(direct.overdueForCheckMessage(),
                  "It has been " + std::to_string(c.days) +
                      " days since you last checked for any updates:");
    }
    EXPECT_EQ(su.backgroundChecks(), 1);
}

TEST_F(UpdaterTest, FrontForwardsAndAlwaysAnnouncesChecks) {
    int announced = 0;
    agent.notificationCenter().addObserver(AppUpdater::checkedForUpdates, nullptr,
                                           [&](const Notification&) { ++announced; });
    AppUpdater none(nullptr, agent.notificationCenter());
    AppUpdater::setShared(&none);
    EXPECT_FALSE(AppUpdater::canSelfUpdate());
    none.checkForUpdates();
    none.checkForBetaUpdates();
    EXPECT_EQ(announced, 2);
    EXPECT_FALSE(none.overdueForUpdateCheck());
    EXPECT_EQ(none.overdueForCheckMessage(), "");
    EXPECT_FALSE(none.updateAvailable());

    AppUpdater front(&direct, agent.notificationCenter());
    AppUpdater::setShared(&front);
    EXPECT_TRUE(AppUpdater::canSelfUpdate());
    front.setup(AppUpdaterChannel::purlaneAgent, false);
    front.checkForBetaUpdates();
    EXPECT_EQ(announced, 3);
    EXPECT_EQ(feeds(), std::vector<std::string>{"PLAGENT-BETA"});
    su.available = true;
    EXPECT_TRUE(front.updateAvailable());
    AppUpdater::setShared(nullptr);
}

}  // namespace
