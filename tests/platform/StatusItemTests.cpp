// What a press on a status item does, and the sim's status bar and pop-up menus that the
// agent's unit tests click through.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/sim/SimMenuPresenter.h"
#include "platform/sim/SimStatusBar.h"
#include "platform/ui/StatusItemButton.h"

using platform::Menu;
using platform::MenuItem;
using platform::StatusItemButton;
using Press = StatusItemButton::Press;

namespace {

TEST(StatusItemButton, APressRunsTheActionOrOpensTheUpdatedMenu) {
    const struct {
        bool withMenu;
        Press press;
        bool actionRuns, updateRuns, menuOpens;
    } cases[] = {
        {false, Press::left, true, false, false},   {false, Press::right, false, false, false},
        {false, Press::other, false, false, false}, {true, Press::left, false, true, true},
        {true, Press::right, false, true, true},    {true, Press::other, false, false, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.withMenu) + " " + std::to_string(static_cast<int>(c.press)));
        StatusItemButton button;
        Menu menu;
        int actions = 0, updates = 0;
        button.setAction([&] { ++actions; });
        if (c.withMenu) button.setMenu(&menu, [&] { ++updates; });
        EXPECT_EQ(button.press(c.press), c.menuOpens ? &menu : nullptr);
        EXPECT_EQ(actions, c.actionRuns ? 1 : 0);
        EXPECT_EQ(updates, c.updateRuns ? 1 : 0);
    }
}

TEST(StatusItemButton, TheMenuShownIsTheOneAttachedAfterItsUpdate) {
    StatusItemButton button;
    Menu first, second;
    button.setMenu(&first, [&] { button.setMenu(&second, [] {}); });
    EXPECT_EQ(button.press(Press::left), &second);
    button.setMenu(&first, [&] { button.setMenu(nullptr, nullptr); });
    EXPECT_EQ(button.press(Press::left), nullptr);
    // Detached, a press is the action's again.
    int actions = 0;
    button.setAction([&] { ++actions; });
    button.press(Press::left);
    EXPECT_EQ(actions, 1);
}

TEST(SimStatusBar, ItemsComeAndGoWithTheirOwners) {
    platform::SimStatusBar bar({"plmenu-icon"});
    bar.available = false;
    EXPECT_EQ(bar.statusItemWithLength(platform::StatusBar::kSquareLength), nullptr);
    bar.available = true;

    auto item = bar.statusItemWithLength(platform::StatusBar::kSquareLength);
    ASSERT_EQ(bar.item(), item.get());
    EXPECT_EQ(bar.item()->length(), platform::StatusBar::kSquareLength);
    EXPECT_TRUE(item->setImage("plmenu-icon"));
    EXPECT_FALSE(item->setImage("plmenu-icon-9"));
    EXPECT_FALSE(item->hasImage());

    // An action may remove the very item that was clicked.
    item->setAction([&] { item.reset(); });
    EXPECT_EQ(bar.item()->click(), nullptr);
    EXPECT_EQ(item, nullptr);
    EXPECT_TRUE(bar.items().empty());

    // The bar may go first.
    auto orphan = std::make_unique<platform::SimStatusBar>();
    auto kept = orphan->statusItemWithLength(20);
    orphan.reset();
    kept.reset();
}

TEST(SimMenuPresenter, PicksTheChosenItemOrRefuses) {
    platform::SimMenuPresenter presenter;
    std::vector<std::string> performed;
    Menu menu("popup");
    for (const char* title : {"One", "Two"}) {
        MenuItem item(title, "applyItem:");
        item.action = [&](MenuItem& sender) { performed.push_back(sender.title); };
        menu.addItem(item);
    }
    const platform::Point at{10, 20};

    EXPECT_TRUE(presenter.popUpMenu(menu, at));
    presenter.chooseTitle("Two");
    EXPECT_TRUE(presenter.popUpMenu(menu, at));
    presenter.chooseIndex(0);
    EXPECT_TRUE(presenter.popUpMenu(menu, at));
    presenter.chooseTitle("Three");
    EXPECT_TRUE(presenter.popUpMenu(menu, at));
    presenter.refuse = true;
    EXPECT_FALSE(presenter.popUpMenu(menu, at));

    EXPECT_EQ(performed, (std::vector<std::string>{"Two", "One"}));
    ASSERT_EQ(presenter.shown.size(), 4u);
    const bool picks[] = {false, true, true, false};
    for (size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(presenter.shown[i].performed, picks[i]) << i;
        EXPECT_EQ(presenter.shown[i].menu.title, "popup");
        EXPECT_EQ(presenter.shown[i].location, at);
    }
}

}  // namespace
