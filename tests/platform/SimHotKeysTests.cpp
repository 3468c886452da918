#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimWorld.h"

using namespace platform;

namespace {

using Calls = std::vector<std::pair<uint32_t, uint32_t>>;
constexpr uint16_t kU = 32;
constexpr uint32_t kCtrlOpt = CarbonModifier::kControl | CarbonModifier::kOption;
constexpr uint32_t kSig = 0x4D415353;

struct SimHotKeysTest : ::testing::Test {
    SimWorld world;
    SimMainQueue queue{world};
    SimHotKeys hotKeys{queue};
    Calls calls;

    void SetUp() override {
        hotKeys.setHandler([this](uint32_t sig, uint32_t id) { calls.emplace_back(sig, id); });
    }
    HotKeys::Ref add(uint16_t key, uint32_t mods, uint32_t id, int expected = 0) {
        HotKeys::Ref ref = 0;
        EXPECT_EQ(hotKeys.registerHotKey(key, mods, kSig, id, ref), expected);
        return ref;
    }
};

TEST_F(SimHotKeysTest, PressReachesTheHandlerLaterOnTheMainQueue) {
    add(kU, kCtrlOpt, 1);
    add(kU, CarbonModifier::kCmd, 2);
    EXPECT_EQ(hotKeys.press(kU, kCtrlOpt), 1u);
    EXPECT_TRUE(calls.empty()) << "delivered inside the press";
    world.runUntilIdle();
    EXPECT_EQ(calls, (Calls{{kSig, 1}}));
}

TEST_F(SimHotKeysTest, OnlyExactCombinationsOfLiveRegistrationsFire) {
    const auto ref = add(kU, kCtrlOpt, 7);
    struct Case {
        uint16_t key;
        uint32_t mods;
        size_t queued;
    } cases[] = {
        {kU, kCtrlOpt, 1},
        {kU, CarbonModifier::kControl, 0},
        {kU, kCtrlOpt | CarbonModifier::kShift, 0},
        {0, kCtrlOpt, 0},
    };
    for (const Case& c : cases) EXPECT_EQ(hotKeys.press(c.key, c.mods), c.queued) << c.mods;
    hotKeys.unregisterHotKey(ref);
    EXPECT_EQ(hotKeys.press(kU, kCtrlOpt), 0u);
    EXPECT_FALSE(hotKeys.isRegistered(kU, kCtrlOpt));
    world.runUntilIdle();
    EXPECT_EQ(calls, (Calls{{kSig, 7}}));
}

TEST_F(SimHotKeysTest, RefusedCombinationRegistersNothingUntilReleased) {
    hotKeys.refuse(kU, kCtrlOpt);
    add(kU, kCtrlOpt, 1, HotKeyStatus::kEventHotKeyExistsErr);
    EXPECT_TRUE(hotKeys.registrations().empty());
    EXPECT_EQ(hotKeys.press(kU, kCtrlOpt), 0u);
    hotKeys.release(kU, kCtrlOpt);
    add(kU, kCtrlOpt, 2);
    ASSERT_EQ(hotKeys.attempts.size(), 2u);
    EXPECT_EQ(hotKeys.attempts[0].second, HotKeyStatus::kEventHotKeyExistsErr);
    EXPECT_EQ(hotKeys.attempts[1].second, HotKeyStatus::kNoErr);
}

TEST_F(SimHotKeysTest, PressesWithoutAHandlerAreDropped) {
    SimHotKeys bare{queue};
    HotKeys::Ref ref = 0;
    ASSERT_EQ(bare.registerHotKey(kU, kCtrlOpt, kSig, 1, ref), 0);
    EXPECT_EQ(bare.press(kU, kCtrlOpt), 0u);
    bare.setHandler([this](uint32_t sig, uint32_t id) { calls.emplace_back(sig, id); });
    EXPECT_EQ(bare.press(kU, kCtrlOpt), 1u);
    world.runUntilIdle();
    EXPECT_EQ(calls, (Calls{{kSig, 1}}));
}

TEST_F(SimHotKeysTest, SystemShortcutsAreExactCombinations) {
    hotKeys.takeBySystem(49, CarbonModifier::kCmd);
    EXPECT_TRUE(hotKeys.isTaken(49, CarbonModifier::kCmd));
    EXPECT_FALSE(hotKeys.isTaken(49, CarbonModifier::kCmd | CarbonModifier::kShift));
    EXPECT_FALSE(hotKeys.isTaken(kU, CarbonModifier::kCmd));
}

}  // namespace
