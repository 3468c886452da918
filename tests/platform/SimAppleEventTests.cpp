#include <gtest/gtest.h>

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

using namespace platform;

namespace {

using Desc = AppleEventDescriptor;
constexpr FourCharCode kPL90 = FourCharCode::make("PL90");
constexpr FourCharCode kCmd = FourCharCode::make("Cmd_");
constexpr FourCharCode kGURL = FourCharCode::make("GURL");
const std::string kEngine = "com.halvik.purlane9";

struct SimAppleEventsTest : ::testing::Test {
    SimWorld world;
    SimAppleEventBus bus;
    SimProcess& agentProcess = world.launch("com.halvik.purlane.agent");
    SimProcess& engineProcess = world.launch(kEngine);
    SimAppleEventManager agent{bus, agentProcess};
    SimAppleEventManager engine{bus, engineProcess};

    AppleEvent clean(const std::string& cleaner) {
        AppleEvent event(kPL90, kCmd, kEngine);
        event.setParamDescriptor(FourCharCode::make("c000"), Desc::string(cleaner));
        event.setParamDescriptor(FourCharCode::make("p001"), Desc::string("pb-1"));
        return event;
    }
};

TEST_F(SimAppleEventsTest, WaitReplyRunsTheHandlerAndReturnsItsReply) {
    std::string seen;
    engine.setEventHandler(kPL90, kCmd, [&](const AppleEvent& e, AppleEvent& reply) {
        seen = e.paramDescriptorForKeyword(FourCharCode::make("c000"))->stringValue().value();
        reply.setParamDescriptor(AEKeyword::kDirectObject, Desc::boolean(true));
        return 0;
    });
    const AESendResult result = agent.send(clean("Trim"), AESendMode::kWaitReply, 10);
    EXPECT_EQ(result.error, OSErr::kNoErr);
    EXPECT_EQ(seen, "Trim");
    EXPECT_EQ(result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject)->booleanValue(),
              true);
    EXPECT_EQ(result.reply.paramDescriptorForKeyword(AEKeyword::kErrorNumber), nullptr);
    // The OS numbers events it sends when asked to.
    EXPECT_GT(bus.history().back().event.returnID(), 0);
    EXPECT_EQ(result.reply.returnID(), bus.history().back().event.returnID());

    // Unhandled, and a handler's error: both come back as the result and as "errn".
    AppleEvent url(kGURL, kGURL, kEngine);
    const AESendResult unhandled = agent.send(url, AESendMode::kWaitReply, 10);
    EXPECT_EQ(unhandled.error, OSErr::kEventNotHandled);
    EXPECT_EQ(unhandled.reply.paramDescriptorForKeyword(AEKeyword::kErrorNumber)->int32Value(),
              -1708);
    engine.setEventHandler(kGURL, kGURL, [](const AppleEvent&, AppleEvent&) { return -50; });
    const AESendResult failed = agent.send(url, AESendMode::kWaitReply, 10);
    EXPECT_EQ(failed.error, OSErr::kParamErr);
    EXPECT_EQ(failed.reply.paramDescriptorForKeyword(AEKeyword::kErrorNumber)->int32Value(), -50);
    EXPECT_EQ(bus.history().back().error, OSErr::kParamErr);
}

TEST_F(SimAppleEventsTest, SlowOrHungTargetsTimeOut) {
    int handled = 0;
    engine.setEventHandler(kPL90, kCmd,
                           [&](const AppleEvent&, AppleEvent&) { return ++handled, 0; });
    engine.setHandlerDelay(3);
    EXPECT_EQ(agent.send(clean("a"), AESendMode::kWaitReply, 5).error, OSErr::kNoErr);
    EXPECT_DOUBLE_EQ(world.now(), 3) << "the sender waited for the handler";

    engine.setHandlerDelay(61);
    EXPECT_EQ(agent.send(clean("b"), AESendMode::kWaitReply, kAEDefaultTimeout).error,
              OSErr::kTimeout);
    EXPECT_DOUBLE_EQ(world.now(), 63) << "the default time-out is a minute";
    EXPECT_EQ(handled, 1);
    world.runUntilIdle();
    EXPECT_EQ(handled, 2) << "the target still handles the event it was sent";

    engine.setHandlerDelay(0);
    engine.setHung(true);
    EXPECT_EQ(agent.send(clean("c"), AESendMode::kWaitReply, 2).error, OSErr::kTimeout);
    EXPECT_EQ(agent.send(clean("d"), AESendMode::kNoReply, 2).error, OSErr::kNoErr);
    world.runUntilIdle();
    EXPECT_EQ(handled, 2);
    engine.setHung(false);
    world.runUntilIdle();
    EXPECT_EQ(handled, 4);
}

TEST_F(SimAppleEventsTest, NoReplyEventsRunLaterInOrderOnTheTargetsMainQueue) {
    std::vector<std::string> order;
    engine.setEventHandler(kPL90, kCmd, [&](const AppleEvent& e, AppleEvent&) {
        order.push_back(*e.paramDescriptorForKeyword(FourCharCode::make("c000"))->stringValue());
        return 0;
    });
    EXPECT_EQ(agent.send(clean("1"), AESendMode::kNoReply, 0).error, OSErr::kNoErr);
    engineProcess.mainQueue().async([&] { order.push_back("task"); });
    EXPECT_EQ(agent.send(clean("2"), AESendMode::kNoReply | AESendMode::kNeverInteract, 0).error,
              OSErr::kNoErr);
    EXPECT_TRUE(order.empty());
    world.runUntilIdle();
    EXPECT_EQ(order, (std::vector<std::string>{"1", "task", "2"}));

    // Unhandled no-reply events are dropped without a word to the sender.
    EXPECT_EQ(agent.send(AppleEvent(kGURL, kGURL, kEngine), AESendMode::kNoReply, 0).error, 0);
    world.runUntilIdle();
}

TEST_F(SimAppleEventsTest, RoutesToTheFirstRunningInstance) {
    SimProcess& secondProcess = world.launch(kEngine);
    SimAppleEventManager second(bus, secondProcess);
    std::string handledBy;
    engine.setEventHandler(kPL90, kCmd, [&](auto&, auto&) { return handledBy = "first", 0; });
    second.setEventHandler(kPL90, kCmd, [&](auto&, auto&) { return handledBy = "second", 0; });
    agent.send(clean("x"), AESendMode::kWaitReply, 1);
    EXPECT_EQ(handledBy, "first");

    // Queued events die with their process.
    agent.send(clean("x"), AESendMode::kNoReply, 1);
    engine.terminate();
    handledBy.clear();
    world.runUntilIdle();
    EXPECT_EQ(handledBy, "");
    agent.send(clean("x"), AESendMode::kWaitReply, 1);
    EXPECT_EQ(handledBy, "second");

    // With no instance left, sends fail at once, waiting or not.
    second.terminate();
    const double now = world.now();
    for (int32_t mode : {AESendMode::kNoReply, AESendMode::kWaitReply})
        EXPECT_EQ(agent.send(clean("x"), mode, kAEDefaultTimeout).error, OSErr::kProcNotFound);
    EXPECT_EQ(world.now(), now);
    EXPECT_EQ(bus.history().back().error, OSErr::kProcNotFound);
    EXPECT_EQ(bus.history().back().sender, "com.halvik.purlane.agent");
}

}  // namespace
