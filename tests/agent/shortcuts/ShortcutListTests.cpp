// The user's shortcut list: its stored form, saving only changes, and the announcement.

#include <gtest/gtest.h>

#include "agent/shortcuts/ShortcutList.h"
#include "platform/core/Log.h"
#include "platform/sim/SimProcess.h"

using namespace platform;

namespace {

class ShortcutListTest : public ::testing::Test {
  public:
    ShortcutListTest() {
        center.addObserver(ShortcutList::kHotkeysChanged, nullptr, [this](const Notification& n) {
            EXPECT_EQ(n.object, nullptr);
            ++announcements;
        });
    }

    static PropertyList::Dictionary record(const std::string& uuid, int type = 0) {
        PropertyList::Dictionary d;
        d.set("uuid", PropertyList(uuid));
        d.set("keycode", PropertyList(32));
        d.set("modifiersRaw", PropertyList(0xC0000));
        d.set("group", PropertyList("#current"));
        d.set("cleaner", PropertyList("#UPPER"));
        d.set("type", PropertyList(type));
        return d;
    }
    static PropertyList stored(std::vector<PropertyList::Dictionary> records) {
        PropertyList::Array list;
        for (auto& r : records) list.push_back(PropertyList(std::move(r)));
        PropertyList::Dictionary d;
        d.set("list", PropertyList(std::move(list)));
        return PropertyList(std::move(d));
    }

    ScopedLogCapture logs;
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = process.standardUserDefaults();
    NotificationCenter center;
    ShortcutList shortcuts{defaults, center};
    int announcements = 0;
};

TEST_F(ShortcutListTest, StartsWithThePaletteRecordAndLoadsTheStoredForm) {
    ASSERT_EQ(shortcuts.list.size(), 1u);
    EXPECT_EQ(shortcuts.list[0].uuid, "#palette");
    EXPECT_EQ(shortcuts.list[0].type, ActionType::showpalette);
    EXPECT_EQ(shortcuts.list[0].keycode, 0u);
    EXPECT_EQ(shortcuts.original, shortcuts.list);

    shortcuts.load(stored({record("A"), record("B", 2)}));
    ASSERT_EQ(shortcuts.list.size(), 2u);
    EXPECT_EQ(shortcuts.list[0].keycode, 32u);
    EXPECT_EQ(shortcuts.list[0].modifiersRaw, 0xC0000u);
    EXPECT_EQ(shortcuts.list[0].cleaner, "#UPPER");
    EXPECT_EQ(shortcuts.list[1].type, ActionType::showpalette);
    EXPECT_EQ(shortcuts.original, shortcuts.list);
}

TEST_F(ShortcutListTest, AnUndecodableStoredFormIsReportedAndChangesNothing) {
    auto missing = record("A");
    missing.erase("group");
    auto wrongType = record("A");
    wrongType.set("keycode", PropertyList("32"));
    auto negative = record("A");
    negative.set("modifiersRaw", PropertyList(-1));
    for (const auto& bad :
         {stored({missing}), stored({wrongType}), stored({negative}), stored({record("A", 3)}),
          stored({record("A", -1)}), PropertyList("not a dictionary")}) {
        logs.sink.printed.clear();
        shortcuts.load(bad);
        EXPECT_EQ(shortcuts.list.size(), 1u);
        EXPECT_EQ(shortcuts.list[0].uuid, "#palette");
        ASSERT_EQ(logs.sink.printed.size(), 1u);
        EXPECT_TRUE(logs.sink.printed[0].starts_with("The data couldn’t be read"))
            << logs.sink.printed[0];
    }
}

TEST_F(ShortcutListTest, SavingWritesOnlyChangesAndAnnouncesEachWrite) {
    shortcuts.save();
    EXPECT_FALSE(defaults.objectForKey(ShortcutList::kDefaultsKey));
    EXPECT_EQ(announcements, 0);

    Shortcut added = Shortcut::make();
    EXPECT_EQ(added.uuid.size(), 36u);
    added.keycode = 32;
    shortcuts.list.push_back(added);
    shortcuts.save();
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(shortcuts.original, shortcuts.list);

    // What was stored reads back as the same list.
    ShortcutList reread(defaults, center);
    reread.load(*defaults.objectForKey(ShortcutList::kDefaultsKey));
    EXPECT_EQ(reread.list, shortcuts.list);

    added.cleaner = "#LOWER";
    shortcuts.update(added);
    Shortcut stranger = Shortcut::make();
    shortcuts.update(stranger);
    EXPECT_EQ(shortcuts.list.back().cleaner, "#LOWER");
    EXPECT_EQ(shortcuts.list.size(), 2u);
    shortcuts.save();
    EXPECT_EQ(announcements, 2);
}

TEST_F(ShortcutListTest, AListThatCannotBeEncodedLeavesTheStoredShortcutsAlone) {
    shortcuts.load(stored({record("A")}));
    shortcuts.list[0].keycode = 33;
    shortcuts.save();
    const auto before = defaults.objectForKey(ShortcutList::kDefaultsKey);

    Shortcut broken = Shortcut::make();
    broken.cleaner = "bad \xff text";
    shortcuts.list.push_back(broken);
    logs.sink.printed.clear();
    shortcuts.save();
    EXPECT_EQ(defaults.objectForKey(ShortcutList::kDefaultsKey), before);
    EXPECT_EQ(shortcuts.original.size(), 1u);
    EXPECT_EQ(announcements, 1);
    EXPECT_EQ(logs.sink.printed.size(), 1u);
}

}  // namespace
