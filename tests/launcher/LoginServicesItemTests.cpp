// The agent's login item: what it registers and what it remembers of the user's choice.

#include <gtest/gtest.h>

#include "agent/app/LoginServicesItem.h"
#include "platform/core/Log.h"
#include "platform/sim/SimLoginItems.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

using namespace platform;

namespace {

constexpr const char* kLauncherID = "com.halvik.purlane.agent.launcher";
constexpr const char* kStateKey = "com.halvik.purlane.agent.launcher.installed";

class LoginServicesItemTest : public ::testing::Test {
  protected:
    LoginServicesItemTest() { loginItems.installed.insert(kLauncherID); }

    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = agent.standardUserDefaults();
    SimLoginItems loginItems;
    LoginServicesItem item{loginItems, defaults, "com.halvik.purlane.agent"};
    ScopedLogCapture capture;
};

TEST_F(LoginServicesItemTest, EnableAndDisableRegisterAndRemember) {
    EXPECT_FALSE(item.isEnabled());
    item.enable();
    EXPECT_TRUE(loginItems.registered.count(kLauncherID));
    EXPECT_EQ(defaults.objectForKey(kStateKey), PropertyList(true));
    EXPECT_TRUE(item.isEnabled());

    item.disable();
    EXPECT_FALSE(loginItems.registered.count(kLauncherID));
    EXPECT_EQ(defaults.objectForKey(kStateKey), PropertyList(false));
    EXPECT_TRUE(capture.sink.printed.empty());
}

TEST_F(LoginServicesItemTest, RefusalsArePrintedAndLeaveTheStateAlone) {
    struct Case {
        bool initial;
        bool enable;
        std::string message;
    };
    const std::vector<Case> cases{
        {false, true,
         "Error: Unable to launch com.halvik.purlane.agent.launcher and mark it to launch at "
         "login"},
        {true, false,
         "Error: Unable to remove com.halvik.purlane.agent.launcher from launching at login"},
    };
    loginItems.failing = true;
    for (const auto& c : cases) {
        defaults.setBool(kStateKey, c.initial);
        capture.sink.printed.clear();
        c.enable ? item.enable() : item.disable();
        EXPECT_EQ(capture.sink.printed, std::vector<std::string>{c.message});
        EXPECT_EQ(item.isEnabled(), c.initial);
    }
}

}  // namespace
