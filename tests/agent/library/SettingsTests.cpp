#include <gtest/gtest.h>

#include "agent/library/CleanerListPref.h"
#include "agent/library/PLPrefs.h"
#include "agent/library/RegisteredDefaults.h"
#include "platform/core/Log.h"
#include "platform/sim/SimFontLookup.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"

using platform::PropertyList;

namespace {

class SettingsTest : public testing::Test {
  protected:
    SettingsTest() : process(world.launch("com.halvik.purlane.agent")) {
        RegisteredDefaults::registerWith(defaults());
    }
    platform::UserDefaults& defaults() { return process.standardUserDefaults(); }

    platform::SimWorld world;
    platform::SimProcess& process;
    platform::SimFontLookup fonts{{"Menlo", "Helvetica Neue"}};
};

}  // namespace

// The keys are written out here, not taken from the code's constants, so a misspelt key, a
// wrong type or a wrong default in either dictionary fails.
TEST_F(SettingsTest, FreshUserGetsTheRegisteredDefaults) {
    const std::pair<const char*, PropertyList> agentSettings[] = {
        {"GroupSingleKeyAccess", false},
        {"HideDockIcon", false},
        {"DisplayVersionedIcon", false},
        {"ShortcutIgnoreKeyValidation", false},
        {"LeaveOtherAgents", false},
        {"PreserveClipboard", true},
        {"NewKeyboardDriver", true},
        {"PreserveClipboardExpectionList", PropertyList::Array{""}},
        {"UserKeyboardList", PropertyList::Array{}},
        {"PL8Connect", false},
        {"KeystrokeDelay", 0},
        {"ShowDevelop", false},
        {"DisplayLayout", 1},
        {"UserPopoverSize", ""},
        {"AutoSelectAll", false},
    };
    const std::pair<const char*, PropertyList> listSettings[] = {
        {"AppDefaultGroup", "##Standard"}, {"AppGroupDisplayOrder", 0},
        {"AppGroupDisplayCompact", false}, {"AppGroupDisplaySize", 1},
        {"AppGroupColorStyle", 0},
    };
    const auto check = [&](const auto& table, const PropertyList::Dictionary& registered) {
        EXPECT_EQ(registered.size(), std::size(table));
        for (const auto& [key, value] : table) {
            const PropertyList* found = registered.find(key);
            ASSERT_TRUE(found) << key;
            // Types are compared too: 0 is not false and "" is not an empty array.
            EXPECT_EQ(found->type(), value.type()) << key;
            EXPECT_EQ(*found, value) << key;
            EXPECT_EQ(defaults().objectForKey(key), value) << key;
        }
    };
    check(agentSettings, RegisteredDefaults::agentSettings());
    check(listSettings, RegisteredDefaults::cleanerListSettings());
    EXPECT_EQ(RegisteredDefaults::all().size(), 20u);

    EXPECT_EQ(CleanerListPref::displayOrder(defaults()), CleanerListPref::DisplayOrder::standard);
    EXPECT_EQ(CleanerListPref::textSize(defaults()), CleanerListPref::TextSize::standard);
    EXPECT_EQ(CleanerListPref::colorStyle(defaults()), CleanerListPref::ColorStyle::text);
}

TEST_F(SettingsTest, ListSettingsOutOfRangeFallBack) {
    defaults().setInteger("AppGroupDisplayOrder", 7);
    defaults().setInteger("AppGroupColorStyle", -1);
    defaults().setInteger("AppGroupDisplaySize", 4);
    EXPECT_EQ(CleanerListPref::displayOrder(defaults()), CleanerListPref::DisplayOrder::standard);
    EXPECT_EQ(CleanerListPref::colorStyle(defaults()), CleanerListPref::ColorStyle::text);
    EXPECT_FALSE(CleanerListPref::textSize(defaults()).has_value());

    defaults().setInteger("AppGroupDisplayOrder", 2);
    defaults().setInteger("AppGroupColorStyle", 2);
    defaults().setInteger("AppGroupDisplaySize", 3);
    EXPECT_EQ(CleanerListPref::displayOrder(defaults()), CleanerListPref::DisplayOrder::customOnly);
    EXPECT_EQ(CleanerListPref::colorStyle(defaults()), CleanerListPref::ColorStyle::combo);
    EXPECT_EQ(CleanerListPref::textSize(defaults()), CleanerListPref::TextSize::huge);
}

TEST_F(SettingsTest, PrefsGettersGiveNothingForAbsentOrOtherTypes) {
    PLPrefs prefs(defaults(), fonts);
    prefs.set("s", PropertyList("12"));
    prefs.set("i", PropertyList(12));
    prefs.set("r", PropertyList(2.5));

    EXPECT_FALSE(prefs.hasValue("absent"));
    EXPECT_FALSE(prefs.string("absent"));
    EXPECT_EQ(prefs.string("s"), "12");
    EXPECT_FALSE(prefs.integer("s"));  // no coercion of text, unlike integerForKey
    EXPECT_FALSE(prefs.string("i"));
    EXPECT_EQ(prefs.integer("i"), 12);
    EXPECT_FALSE(prefs.integer("r"));
    EXPECT_EQ(prefs.doubleValue("r"), 2.5);
    EXPECT_EQ(prefs.floatValue("i"), 12.0f);
    EXPECT_FALSE(prefs.array("s"));
    EXPECT_FALSE(prefs.dictionary("i"));
    EXPECT_TRUE(prefs.hasValue("PreserveClipboard"));  // registered values count

    prefs.set("s", std::nullopt);
    EXPECT_FALSE(prefs.hasValue("s"));
    prefs.remove("i");
    EXPECT_FALSE(prefs.object("i"));
}

TEST_F(SettingsTest, FontsRoundTripAndUnknownFontsPrintTheKey) {
    PLPrefs prefs(defaults(), fonts);
    prefs.setFont("ListFont", {"Helvetica Neue", 13.5});
    const auto info = prefs.font("ListFont");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->font, (platform::Font{"Helvetica Neue", 13.5}));
    EXPECT_EQ(info->attr_name, "NSFontNameAttribute");
    EXPECT_EQ(info->attr_size, "NSFontSizeAttribute");
    EXPECT_EQ(defaults().dictionaryForKey("ListFont"),
              (PropertyList::Dictionary{{"NSFontNameAttribute", "Helvetica Neue"},
                                        {"NSFontSizeAttribute", 13.5}}));

    platform::ScopedLogCapture capture;
    fonts.uninstall("Helvetica Neue");
    EXPECT_FALSE(prefs.font("ListFont"));
    EXPECT_FALSE(prefs.font("NoSuchKey"));
    prefs.set("Bad", PropertyList(PropertyList::Dictionary{{"NSFontNameAttribute", "Menlo"},
                                                           {"NSFontSizeAttribute", "12"}}));
    EXPECT_FALSE(prefs.font("Bad"));
    EXPECT_EQ(capture.sink.printed,
              (std::vector<std::string>{"key = ListFont, font = nil", "key = NoSuchKey, font = nil",
                                        "key = Bad, font = nil"}));
}
