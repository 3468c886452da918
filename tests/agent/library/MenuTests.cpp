#include <gtest/gtest.h>

#include <cctype>

#include "platform/linux/FontconfigLookup.h"
#include "platform/linux/x11/X11ModifierFlags.h"
#include "platform/ui/Menu.h"

using platform::Menu;
using platform::MenuItem;
using platform::ModifierFlags;

TEST(MenuTest, ItemsCopyTheirSubmenusDeeply) {
    MenuItem groups("Groups", "doNothing:");
    Menu sub("subgroup");
    sub.addItem("Standard", "changeGroup:", "").representedObject = "##Standard";
    groups.setSubmenu(sub);

    MenuItem copy = groups;
    copy.submenu()->itemAt(0)->title = "Changed";
    EXPECT_EQ(groups.submenu()->itemAt(0)->title, "Standard");
    EXPECT_EQ(copy.submenu()->title, "subgroup");

    Menu menu("status");
    menu.addItem(std::move(copy));
    menu.insertItem(MenuItem::separatorItem(), 0);
    menu.insertItem(MenuItem("Last"), 99);
    EXPECT_EQ(menu.indexOfItemWithTitle("Groups"), 1u);
    EXPECT_EQ(menu.indexOfItemWithTitle("Last"), 2u);
    EXPECT_FALSE(menu.indexOfItemWithTitle(""));  // separators have no title to find
    EXPECT_EQ(menu.itemAt(1)->submenu()->indexOfItemWithRepresentedObject("##Standard"), 0u);
    EXPECT_EQ(menu.itemAt(3), nullptr);
    menu.removeItemAt(0);
    EXPECT_EQ(menu.itemAt(0)->title, "Groups");
}

TEST(MenuTest, PerformRunsOnlyEnabledItemsWithAnAction) {
    int runs = 0;
    std::string sender;
    Menu menu;
    MenuItem& item = menu.addItem("Clean", "applyCleaner:", "k");
    item.action = [&](MenuItem& s) {
        ++runs;
        sender = s.title;
    };
    EXPECT_EQ(item.keyEquivalentModifierMask, ModifierFlags::command);
    menu.addItem(MenuItem::separatorItem()).action = [&](MenuItem&) { ++runs; };
    menu.addItem(MenuItem("No action"));

    EXPECT_TRUE(menu.performActionForItemAt(0));
    EXPECT_FALSE(menu.performActionForItemAt(1));
    EXPECT_FALSE(menu.performActionForItemAt(2));
    EXPECT_FALSE(menu.performActionForItemAt(7));
    menu.itemAt(0)->enabled = false;
    EXPECT_FALSE(menu.performActionForItemAt(0));
    EXPECT_EQ(runs, 1);
    EXPECT_EQ(sender, "Clean");
}

TEST(LinuxQueriesTest, X11MasksMapToTheOsFlags) {
    // Shift 1, Lock 2, Control 4, Mod1 8, Mod4 64; Mod2 (Num Lock) is not a modifier here.
    EXPECT_EQ(platform::X11ModifierFlags::flagsFromX11Mask(1 | 4 | 8 | 16 | 64),
              ModifierFlags::shift | ModifierFlags::control | ModifierFlags::option |
                  ModifierFlags::command);
    EXPECT_EQ(platform::X11ModifierFlags::flagsFromX11Mask(0), 0u);

    const platform::X11ModifierFlags none(":4093");
    EXPECT_FALSE(none.connected());
    EXPECT_EQ(none.currentModifierFlags(), 0u);
}

TEST(LinuxQueriesTest, FontconfigMatchesNamesExactly) {
    const platform::FontconfigLookup fonts;
    EXPECT_FALSE(fonts.hasFont(""));
    EXPECT_FALSE(fonts.hasFont("No Such Font Family 7f3a"));
    EXPECT_FALSE(fonts.fontWithName("No Such Font Family 7f3a", 12));

    // Fontconfig itself ignores case; the OS does not.
    for (const std::string family : {"DejaVu Sans", "Nimbus Sans", "Liberation Sans"}) {
        if (!fonts.hasFont(family)) continue;
        std::string lower = family;
        for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_FALSE(fonts.hasFont(lower));
        EXPECT_EQ(fonts.fontWithName(family, 0)->pointSize, 12.0);
        return;
    }
    GTEST_SKIP() << "none of the usual font families is installed";
}
