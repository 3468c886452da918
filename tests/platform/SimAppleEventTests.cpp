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
    SimProcess& engineProcess = world.launch(kEngine);
    SimAppleEventManager agent{bus, world.launch("com.halvik.purlane.agent")};
    SimAppleEventManager engine{bus, engineProcess};
    std::vector<std::string> handled;  // the "c000" parameter of each event handled

    AESendResult send(const std::string& cleaner, int32_t mode, double timeout = 10) {
        AppleEvent event(kPL90, kCmd, kEngine);
        event.setParamDescriptor(FourCharCode::make("c000"), Desc::string(cleaner));
        return agent.send(event, mode, timeout);
    }
    void handleIn(SimAppleEventManager& manager, int result = 0) {
        manager.setEventHandler(kPL90, kCmd, [this, result](const AppleEvent& e, AppleEvent& r) {
            handled.push_back(
                *e.paramDescriptorForKeyword(FourCharCode::make("c000"))->stringValue());
            r.setParamDescriptor(AEKeyword::kDirectObject, Desc::boolean(true));
            return result;
        });
    }
    static const Desc* errn(const AESendResult& r) {
        return r.reply.paramDescriptorForKeyword(AEKeyword::kErrorNumber);
    }
};

TEST_F(SimAppleEventsTest, WaitReplyReturnsTheHandlersReplyOrErrorAsResultAndErrn) {
    handleIn(engine);
    const AESendResult result = send("Trim", AESendMode::kWaitReply);
    EXPECT_EQ(result.error, OSErr::kNoErr);
    EXPECT_EQ(handled, std::vector<std::string>{"Trim"});
    EXPECT_EQ(result.reply.paramDescriptorForKeyword(AEKeyword::kDirectObject)->booleanValue(),
              true);
    EXPECT_EQ(errn(result), nullptr);
    EXPECT_GT(bus.history().back().event.returnID(), 0) << "the OS numbers the events it sends";
    EXPECT_EQ(result.reply.returnID(), bus.history().back().event.returnID());

    const AESendResult unhandled =
        agent.send(AppleEvent(kGURL, kGURL, kEngine), AESendMode::kWaitReply, 10);
    EXPECT_EQ(unhandled.error, OSErr::kEventNotHandled);
    EXPECT_EQ(errn(unhandled)->int32Value(), -1708);
    handleIn(engine, -50);
    const AESendResult failed = send("Trim", AESendMode::kWaitReply);
    EXPECT_EQ(failed.error, OSErr::kParamErr);
    EXPECT_EQ(errn(failed)->int32Value(), -50);
}

TEST_F(SimAppleEventsTest, SlowOrHungTargetsTimeOut) {
    handleIn(engine);
    engine.setHandlerDelay(3);
    EXPECT_EQ(send("a", AESendMode::kWaitReply, 5).error, OSErr::kNoErr);
    EXPECT_DOUBLE_EQ(world.now(), 3) << "the sender waited for the handler";

    engine.setHandlerDelay(61);
    EXPECT_EQ(send("b", AESendMode::kWaitReply, kAEDefaultTimeout).error, OSErr::kTimeout);
    EXPECT_DOUBLE_EQ(world.now(), 63) << "the default time-out is a minute";
    world.runUntilIdle();
    EXPECT_EQ(handled.size(), 2u) << "the target still handles the event it was sent";

    engine.setHandlerDelay(0);
    engine.setHung(true);
    EXPECT_EQ(send("c", AESendMode::kWaitReply, 2).error, OSErr::kTimeout);
    EXPECT_EQ(send("d", AESendMode::kNoReply, 2).error, OSErr::kNoErr);
    world.runUntilIdle();
    EXPECT_EQ(handled.size(), 2u);
    engine.setHung(false);
    world.runUntilIdle();
    EXPECT_EQ(handled, (std::vector<std::string>{"a", "b", "c", "d"}));
}

TEST_F(SimAppleEventsTest, NoReplyEventsRunLaterInOrderOnTheTargetsMainQueue) {
    handleIn(engine);
    EXPECT_EQ(send("1", AESendMode::kNoReply).error, OSErr::kNoErr);
    engineProcess.mainQueue().async([&] { handled.push_back("task"); });
    EXPECT_EQ(send("2", AESendMode::kNoReply | AESendMode::kNeverInteract).error, OSErr::kNoErr);
    EXPECT_TRUE(handled.empty());
    world.runUntilIdle();
    EXPECT_EQ(handled, (std::vector<std::string>{"1", "task", "2"}));
}

TEST_F(SimAppleEventsTest, RoutesToTheFirstRunningInstanceAndFailsAtOnceWithoutOne) {
    SimAppleEventManager second(bus, world.launch(kEngine));
    engine.setEventHandler(kPL90, kCmd, [&](auto&, auto&) { return handled.push_back("1st"), 0; });
    second.setEventHandler(kPL90, kCmd, [&](auto&, auto&) { return handled.push_back("2nd"), 0; });
    send("x", AESendMode::kWaitReply);
    send("x", AESendMode::kNoReply);
    engine.terminate();  // queued events die with their process
    world.runUntilIdle();
    send("x", AESendMode::kWaitReply);
    EXPECT_EQ(handled, (std::vector<std::string>{"1st", "2nd"}));

    second.terminate();
    for (int32_t mode : {AESendMode::kNoReply, AESendMode::kWaitReply})
        EXPECT_EQ(send("x", mode, kAEDefaultTimeout).error, OSErr::kProcNotFound);
    EXPECT_EQ(world.now(), 0) << "without waiting";
}

}  // namespace
