#include <gtest/gtest.h>

#include <map>

#include "agent/library/GroupList.h"
#include "agent/library/RegisteredDefaults.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

using platform::MenuItem;
using Names = std::vector<std::string>;

namespace {

class GroupListTest : public testing::Test {
  protected:
    GroupListTest() : process(world.launch("com.halvik.purlane.agent")) {
        RegisteredDefaults::registerWith(defaults());
    }

    platform::UserDefaults& defaults() { return process.standardUserDefaults(); }

    GroupList make(GroupList::ChooseAction action = {}) {
        return GroupList(
            defaults(), [this](int type) { return names[type]; }, std::move(action), modifiers);
    }

    platform::SimWorld world;
    platform::SimProcess& process;
    platform::SimModifierFlags modifiers;
    std::map<int, Names> names{{1, {"Standard", "Library", "Custom"}}, {3, {"Mine", "Work"}}};
};

}  // namespace

TEST_F(GroupListTest, NamesFollowTheDisplayOrderReadAtEachBuild) {
    GroupList list(
        defaults(), [this](int type) { return names[type]; }, {}, modifiers);
    EXPECT_EQ(list.groupNames(), (Names{"Standard", "Library", "Custom", "-", "Mine", "Work"}));
    EXPECT_EQ(list.order(), CleanerListPref::DisplayOrder::standard);

    defaults().setInteger("AppGroupDisplayOrder", 1);
    EXPECT_EQ(list.groupNames(), (Names{"Mine", "Work", "-", "Standard", "Library", "Custom"}));
    EXPECT_EQ(list.order(), CleanerListPref::DisplayOrder::customFirst);

    defaults().setInteger("AppGroupDisplayOrder", 2);
    EXPECT_EQ(list.groupNames(), (Names{"Mine", "Work"}));

    // Anything else is the standard order.
    defaults().setInteger("AppGroupDisplayOrder", 7);
    EXPECT_EQ(list.groupNames().front(), "Standard");
}

TEST_F(GroupListTest, MenuItemsChooseTheirGroupAndMarkTheCurrentOne) {
    std::vector<std::pair<std::string, bool>> chosen;
    GroupList list(
        defaults(), [this](int type) { return names[type]; },
        [&](const std::string& name, bool alternate) { chosen.emplace_back(name, alternate); },
        modifiers);

    std::vector<MenuItem> items = list.menuItems("Work");
    ASSERT_EQ(items.size(), 6u);
    EXPECT_TRUE(items[3].isSeparatorItem());
    for (size_t i = 0; i < items.size(); ++i) {
        if (i == 3) continue;
        EXPECT_EQ(items[i].actionName, "chooseGroup:");
        EXPECT_EQ(items[i].keyEquivalent, "");
        EXPECT_EQ(items[i].target, &list);
        EXPECT_EQ(items[i].state, i == 5 ? MenuItem::State::on : MenuItem::State::off) << i;
    }

    EXPECT_TRUE(items[0].perform());
    modifiers.setFlags(platform::ModifierFlags::command);
    items[4].perform();
    modifiers.setFlags(platform::ModifierFlags::option | platform::ModifierFlags::shift);
    items[1].perform();
    modifiers.setFlags(platform::ModifierFlags::shift | platform::ModifierFlags::control);
    items[2].perform();
    EXPECT_EQ(chosen,
              (std::vector<std::pair<std::string, bool>>{
                  {"Standard", false}, {"Mine", true}, {"Library", true}, {"Custom", false}}));
}

TEST_F(GroupListTest, EdgeCasesOfMenuBuilding) {
    // No current name: nothing is on, even a group with an empty name.
    names[3] = {""};
    GroupList list = make();
    for (const MenuItem& item : list.menuItems("")) EXPECT_EQ(item.state, MenuItem::State::off);

    // Only user groups and none there: no items at all.
    names[3].clear();
    defaults().setInteger("AppGroupDisplayOrder", 2);
    EXPECT_TRUE(list.menuItems("Standard").empty());

    // Without a choose action the menu action does nothing.
    defaults().setInteger("AppGroupDisplayOrder", 0);
    std::vector<MenuItem> items = list.menuItems("Standard");
    ASSERT_FALSE(items.empty());
    EXPECT_EQ(items[0].state, MenuItem::State::on);
    items[0].perform();
}
