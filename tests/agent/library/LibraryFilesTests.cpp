#include <gtest/gtest.h>

#include "agent/library/ExportGroupList.h"
#include "agent/library/GroupDataV1.h"
#include "platform/coding/Json.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/core/Log.h"
#include "platform/linux/LinuxFileLocations.h"
#include "tests/agent/library/LibraryTestSupport.h"
#include "tests/support/ScopedEnv.h"

using namespace librarytest;

namespace {

const std::string kMissing = "The data couldn\u2019t be read because it is missing.";
const std::string kCorrupt =
    "The data couldn\u2019t be read because it isn\u2019t in the correct format.";
std::string noSuchFile(const std::string& name) {
    return "The file \u201c" + name +
           "\u201d couldn\u2019t be opened because there is no such file.";
}

using Names = std::vector<std::string>;

platform::Result<ExportGroupList> exportList(const std::string& json) {
    return ExportGroupList::fromPropertyList(platform::Json::parse(json).value());
}

class LibraryFilesTest : public testing::Test, public LibraryEnvironment {
  protected:
    std::optional<SharedPurlaneData2> load() { return loader.loadSharedData(); }
    const std::vector<std::string>& printed() const { return capture.sink.printed; }
    platform::ScopedLogCapture capture;
};

TEST_F(LibraryFilesTest, JsonPairConvertsEachFileWithItsOwnLookup) {
    auto data = SharedDataLoader::readJson(fixture("json"));
    ASSERT_TRUE(data.ok()) << data.error().debugDescription();
    const BuiltinGroupData& builtin = data->builtin;
    ASSERT_EQ(uuidsOf(builtin.groups), (Names{"##Standard", "##Basic"}));

    // Tokens without a lookup entry are dropped; tags outside 0-7 become auto.
    const Group& standard = builtin.groups[0];
    EXPECT_EQ(tokensOf(standard), (Names{"#LABEL:Spaces", "trim", "collapse", "#SPACER", "upper"}));
    EXPECT_EQ(standard.items[2].color_tag, ItemColor::auto_);
    EXPECT_EQ(standard.items[4].color_tag, ItemColor::blue);

    // "my-slug" is described only in the user file; a short "colortags" leaves later rows auto;
    // a one-string entry gives a row without a description.
    const Group& basic = builtin.groups[1];
    EXPECT_EQ(tokensOf(basic), (Names{"trim", "upper", "lower"}));
    EXPECT_EQ(basic.items[0].color_tag, ItemColor::orange);
    EXPECT_EQ(basic.items[1].color_tag, ItemColor::auto_);
    EXPECT_EQ(basic.items[2], makeItem("lower", "lower case", "", ItemColor::auto_));
    EXPECT_EQ(tokensOf(builtin.library), (Names{"trim", "collapse", "upper", "lower", "#SPACER"}));
    ASSERT_EQ(data->user.groups.size(), 1u);
    EXPECT_EQ(tokensOf(data->user.groups[0]), (Names{"trim", "my-slug", "#SPACER", "my-quote"}));
    EXPECT_EQ(data->user.groups[0].items[1].color_tag, ItemColor::purple);
}

TEST_F(LibraryFilesTest, JsonEdgeCasesOfLookupAndTags) {
    // An empty lookup keeps every group, with no rows.
    const ExportGroupList empty = *exportList(
        R"({"groups":[{"uuid":"a","name":"A","tokens":["x","#SPACER"]}],
            "special":{"uuid":"##Library","name":"Library","tokens":["x"]},"lookup":{}})");
    EXPECT_TRUE(empty.convert(empty.groups[0]).items.empty());
    EXPECT_TRUE(empty.convert(empty.special).items.empty());

    // An entry without strings is named by its token; "stars" play no part.
    const ExportGroupList shortEntry = *exportList(
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":["x","y"],"colortags":[-1],
            "stars":[true]},"lookup":{"x":[],"y":["Why","Because","extra"]}})");
    const Group special = shortEntry.convert(shortEntry.special);
    ASSERT_EQ(special.items.size(), 2u);
    EXPECT_EQ(special.items[0], makeItem("x", "x", "", ItemColor::auto_));
    EXPECT_EQ(special.items[1], makeItem("y", "Why", "Because", ItemColor::auto_));
}

TEST_F(LibraryFilesTest, MalformedJsonFailsToDecode) {
    const char* cases[] = {
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]}})",  // no lookup
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":[]})",
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":{"x":[1]}})",
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[],"stars":[1]},"lookup":{}})",
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[],"colortags":[1.5]},"lookup":{}})",
        R"({"groups":[{"uuid":"a","tokens":[]}],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":{}})",
        R"([1, 2])",
    };
    for (const char* json : cases) EXPECT_FALSE(exportList(json).ok()) << json;
}

TEST_F(LibraryFilesTest, CurrentPropertyListsReadTheSameInXmlAndBinary) {
    auto xml = SharedDataLoader::readPropertyLists(fixture("plist"));
    ASSERT_TRUE(xml.ok()) << xml.error().debugDescription();
    EXPECT_EQ(uuidsOf(xml->builtin.groups), (Names{"##Standard", "##Mail"}));
    EXPECT_EQ(xml->user.groups[0].items[0].color_tag, ItemColor::yellow);
    for (const char* name : {SharedDataLoader::kBuiltinPlist, SharedDataLoader::kUserPlist}) {
        auto value = platform::PropertyListSerialization::readFile(fixture("plist") / name);
        write(name, *platform::PropertyListSerialization::write(
                        *value, platform::PropertyListFormat::Binary));
    }
    EXPECT_EQ(SharedDataLoader::readPropertyLists(dataFolder()).value(), *xml);
}

TEST_F(LibraryFilesTest, FirstLayoutLabelsAndSeparatorsBecomeMarkerRows) {
    auto data = SharedDataLoader::readPropertyListsV1(fixture("v1"));
    ASSERT_TRUE(data.ok()) << data.error().debugDescription();
    const Group& standard = data->builtin.groups.at(0);
    ASSERT_EQ(tokensOf(standard), (Names{"#LABEL:Spaces", "trim", "#SPACER", "upper"}));
    // Labels and separators drop the file's colour and description.
    EXPECT_EQ(standard.items[0], makeItem("#LABEL:Spaces", "Spaces", "", ItemColor::auto_));
    EXPECT_EQ(standard.items[2], makeItem("#SPACER", "-", "", ItemColor::auto_));
    EXPECT_EQ(standard.items[3].color_tag, ItemColor::purple);
    EXPECT_EQ(tokensOf(data->user.ccleaners), (Names{"my-bullets"}));
    EXPECT_FALSE(SharedDataLoader::readPropertyListsV1(fixture("plist")).ok())
        << "the current layout is not the first";
}

TEST_F(LibraryFilesTest, OutOfRangeTypeOrColourFailsTheWholeFile) {
    install("v1/purlane9-groups-builtin.plist");
    install("broken/purlane9-groups-user-v1-type3.plist", SharedDataLoader::kUserPlist);
    EXPECT_EQ(SharedDataLoader::readPropertyListsV1(dataFolder()).error().localizedDescription,
              kCorrupt);
    install("plist/purlane9-groups-builtin.plist");
    install("broken/purlane9-groups-user-color9.plist", SharedDataLoader::kUserPlist);
    EXPECT_EQ(SharedDataLoader::readPropertyLists(dataFolder()).error().localizedDescription,
              kCorrupt);
}

// Each family is read whole or not at all, in the order JSON, current, first layout; every
// family that fails prints one line.
TEST(LibrarySourceTest, FamiliesAreTriedInOrderAndABadFileFailsItsWholeFamily) {
    using L = SharedDataLoader;
    const char* names[] = {L::kBuiltinJson, L::kUserJson, L::kBuiltinPlist, L::kUserPlist};
    const std::string truncated = "broken/purlane9-groups-user-truncated.json";
    const std::string wrongShape = "broken/purlane9-groups-user-lookup-string.json";
    struct Case {
        std::array<std::string, 4> files;  // a fixture folder holding the same name, or a file
        std::optional<std::string> userGroup;
        std::vector<std::string> printed;
    };
    const Case cases[] = {
        {{"json", "json", truncated, ""}, "Web", {}},
        {{"json", truncated, "plist", "plist"}, "Letters", {kCorrupt}},
        {{"json", wrongShape, "plist", "plist"}, "Letters", {kCorrupt}},
        // The JSON family stops at its first file; the current layout lacks "token".
        {{"", "", "v1", "v1"}, "Notes", {noSuchFile(L::kBuiltinJson), kMissing}},
        {{},
         {},
         {noSuchFile(L::kBuiltinJson), noSuchFile(L::kBuiltinPlist), noSuchFile(L::kBuiltinPlist)}},
    };
    for (const Case& c : cases) {
        LibraryEnvironment env;
        platform::ScopedLogCapture capture;
        for (size_t i = 0; i < 4; ++i) {
            const std::string& file = c.files[i];
            if (!file.empty())
                env.install(file.find('.') == std::string::npos ? file + "/" + names[i] : file,
                            names[i]);
        }
        const auto data = env.loader.loadSharedData();
        EXPECT_EQ(data ? std::optional(data->user.groups.at(0).name) : std::nullopt, c.userGroup);
        EXPECT_EQ(capture.sink.printed, c.printed);
        EXPECT_TRUE(std::filesystem::is_directory(env.dataFolder())) << "made on the way";
    }
}

TEST_F(LibraryFilesTest, NoContainerMeansNoLibraryAndNoLines) {
    platform::SimGroupContainers none(std::nullopt);
    SharedDataLoader without(none, agent.standardUserDefaults());
    EXPECT_FALSE(without.loadSharedData());
    agent.standardUserDefaults().setBool(SharedDataLoader::kPL8ConnectKey, true);
    EXPECT_FALSE(without.loadSharedData());
    EXPECT_TRUE(printed().empty());
}

TEST_F(LibraryFilesTest, VersionEightModeReadsOnlyTheListFile) {
    install("json/purlane9-groups-builtin.json");
    install("json/purlane9-groups-user.json");
    agent.standardUserDefaults().setBool(SharedDataLoader::kPL8ConnectKey, true);
    EXPECT_FALSE(load());
    EXPECT_EQ(printed(), (Names{noSuchFile(SharedDataLoader::kLegacyLists)}));

    install("legacy/purlane-lists.plist");
    auto data = load();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->user.groups.at(0).name, "Web");
}

TEST(LinuxFileLocationsTest, ContainerIsUnderTheDataHomeAndIsCreated) {
    testsupport::TempDir home;
    testsupport::ScopedEnv data("XDG_DATA_HOME", home.path().string());
    const platform::LinuxFileLocations locations;
    const auto url = locations.containerURLForSecurityApplicationGroupIdentifier(
        SharedDataLoader::kGroupIdentifier);
    EXPECT_FALSE(locations.containerURLForSecurityApplicationGroupIdentifier("../x"));
    ASSERT_TRUE(url);
    const auto expected =
        home.path() / "purlane/Library/Group Containers" / SharedDataLoader::kGroupIdentifier;
    EXPECT_EQ(url->path(), expected.string());
    EXPECT_TRUE(std::filesystem::is_directory(expected));
}

}  // namespace
