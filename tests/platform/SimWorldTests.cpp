#include <gtest/gtest.h>

#include <thread>

#include "platform/notifications/NotificationCenter.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

using namespace platform;

namespace {

TEST(SimWorld, MainQueueRunsInDeadlineOrderAndFifoAmongEqualDeadlines) {
    SimWorld world;
    SimProcess& p = world.launch("com.example.a");
    std::vector<std::string> order;
    p.mainQueue().asyncAfter(0.2, [&] { order.push_back("restore"); });
    p.mainQueue().asyncAfter(1.0, [&] { order.push_back("prefs"); });
    p.mainQueue().async([&] { order.push_back("first"); });
    p.mainQueue().async([&] { order.push_back("second"); });
    p.mainQueue().asyncAfter(0.2, [&] { order.push_back("restore-2"); });

    EXPECT_TRUE(order.empty()) << "nothing runs until the world is advanced";
    world.advance(0.1);
    EXPECT_EQ(order, (std::vector<std::string>{"first", "second"}));
    world.advance(0.1);
    EXPECT_EQ(order.size(), 4u);
    EXPECT_EQ(order[3], "restore-2");
    world.advance(5);
    EXPECT_EQ(order.back(), "prefs");
    EXPECT_DOUBLE_EQ(world.now(), 5.2);
}

TEST(SimWorld, SleepAdvancesVirtualTimeWithoutRunningWork) {
    SimWorld world;
    SimProcess& p = world.launch("com.example.a");
    bool ran = false;
    p.mainQueue().asyncAfter(0.2, [&] { ran = true; });
    p.clock().sleepFor(0.5);
    EXPECT_FALSE(ran);
    EXPECT_DOUBLE_EQ(p.clock().now(), 0.5);
    world.advance(0);
    EXPECT_TRUE(ran) << "overdue work runs at the next turn of the queue";
}

TEST(SimWorld, WorkScheduledWhileRunningKeepsTheClockInOrder) {
    SimWorld world;
    SimProcess& a = world.launch("com.example.a");
    SimProcess& b = world.launch("com.example.b");
    std::vector<std::pair<std::string, double>> log;
    a.mainQueue().asyncAfter(1, [&] {
        log.emplace_back("a", world.now());
        b.mainQueue().asyncAfter(0.5, [&] { log.emplace_back("b", world.now()); });
    });
    a.mainQueue().asyncAfter(2, [&] { log.emplace_back("a2", world.now()); });
    EXPECT_EQ(world.runUntilIdle(), 3u);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[1], std::make_pair(std::string("b"), 1.5));
    EXPECT_EQ(log[2], std::make_pair(std::string("a2"), 2.0));
}

TEST(SimWorld, RunUntilIdleStopsATaskThatReschedulesItselfForever) {
    SimWorld world;
    SimProcess& p = world.launch("com.example.a");
    std::function<void()> tick = [&] { p.mainQueue().asyncAfter(1, tick); };
    p.mainQueue().async(tick);
    EXPECT_EQ(world.runUntilIdle(50), 50u);
}

TEST(SimWorld, SerialQueueRunsInSubmissionOrder) {
    SimWorld world;
    SimProcess& p = world.launch("com.example.a");
    auto queue = p.makeSerialQueue("agent_quit_action_queue");
    EXPECT_EQ(queue->label(), "agent_quit_action_queue");
    std::string order;
    queue->async([&] { order += "1"; });
    queue->async([&] { order += "2"; });
    world.runUntilIdle();
    EXPECT_EQ(order, "12");
}

TEST(NotificationCenter, DeliversInRegistrationOrderAndFiltersByNameAndObject) {
    NotificationCenter center;
    int sender = 0, other = 0;
    std::vector<std::string> seen;
    center.addObserver("com.purlane.clientinfoUpdated", nullptr,
                       [&](auto&) { seen.push_back("a"); });
    center.addObserver("", nullptr,
                       [&](const Notification& n) { seen.push_back("all:" + n.name); });
    center.addObserver("com.purlane.clientinfoUpdated", &sender,
                       [&](auto&) { seen.push_back("s"); });
    const auto removed = center.addObserver("com.purlane.clientinfoUpdated", nullptr,
                                            [&](auto&) { seen.push_back("gone"); });
    center.removeObserver(removed);

    center.post("com.purlane.clientinfoUpdated", &other);
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "all:com.purlane.clientinfoUpdated"}));
    seen.clear();
    center.post("com.purlane.clientinfoUpdated", &sender, {{"count", 3}});
    EXPECT_EQ(seen, (std::vector<std::string>{"a", "all:com.purlane.clientinfoUpdated", "s"}));
}

TEST(NotificationCenter, ObserversMayRemoveThemselvesWhileBeingCalled) {
    NotificationCenter center;
    int calls = 0;
    ObserverToken token = 0;
    token = center.addObserver("n", nullptr, [&](auto&) {
        ++calls;
        center.removeObserver(token);
    });
    center.post("n");
    center.post("n");
    EXPECT_EQ(calls, 1);
}

TEST(NotificationCenter, MainQueueObserverPostedFromAnotherThreadRunsOnTheMainQueue) {
    SimWorld world;
    SimProcess& p = world.launch("com.example.a");
    NotificationCenter& center = p.notificationCenter();
    std::vector<std::string> seen;
    center.addObserver(
        "n", nullptr, [&](auto&) { seen.push_back("main"); }, &p.mainQueue());
    std::thread([&] { center.post("n"); }).join();
    EXPECT_TRUE(seen.empty());
    world.runUntilIdle();
    EXPECT_EQ(seen, std::vector<std::string>{"main"});
    center.post("n");  // from the main thread: at once
    EXPECT_EQ(seen.size(), 2u);
}

TEST(DistributedNotifications, ReachEveryProcessIncludingThePosterOnTheirMainQueues) {
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    SimProcess& engine = world.launch("com.halvik.purlane9");
    std::vector<std::string> seen;
    agent.distributedCenter().addObserver("com.purlane.groupsChanged", std::nullopt,
                                          [&](auto&) { seen.push_back("agent"); });
    engine.distributedCenter().addObserver("com.purlane.groupsChanged", std::nullopt,
                                           [&](auto&) { seen.push_back("engine"); });
    engine.distributedCenter().addObserver("com.purlane.groupsChanged", std::string("other"),
                                           [&](auto&) { seen.push_back("filtered"); });
    engine.distributedCenter().post("com.purlane.groupsChanged");
    EXPECT_TRUE(seen.empty());
    world.runUntilIdle();
    EXPECT_EQ(seen, (std::vector<std::string>{"agent", "engine"}));
    EXPECT_EQ(world.distributedBus().history().size(), 1u);
}

}  // namespace
