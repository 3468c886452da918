#include <gtest/gtest.h>

#include "agent/library/ExportGroupList.h"
#include "agent/library/GroupDataV1.h"
#include "platform/Json.h"
#include "platform/Log.h"
#include "platform/PropertyListSerialization.h"
#include "platform/linux/LinuxFileLocations.h"
#include "tests/agent/library/LibraryTestSupport.h"

using namespace librarytest;
using platform::PropertyListFormat;
using platform::PropertyListSerialization;

namespace {

const std::string kMissing = "The data couldn\u2019t be read because it is missing.";
const std::string kCorrupt =
    "The data couldn\u2019t be read because it isn\u2019t in the correct format.";
std::string noSuchFile(const std::string& name) {
    return "The file \u201c" + name +
           "\u201d couldn\u2019t be opened because there is no such file.";
}

ExportGroupList exportList(const std::string& json) {
    auto value = platform::Json::parse(json);
    EXPECT_TRUE(value.ok());
    auto list = ExportGroupList::fromPropertyList(value.valueOr({}));
    EXPECT_TRUE(list.ok()) << (list.ok() ? "" : list.error().debugDescription());
    return list.valueOr({});
}

class LibraryFilesTest : public testing::Test, public LibraryEnvironment {
  protected:
    std::optional<SharedPurlaneData2> load() { return loader.loadSharedData(); }
    const std::vector<std::string>& printed() const { return capture.sink.printed; }
    platform::ScopedLogCapture capture;
};

// --- JSON export ---

TEST_F(LibraryFilesTest, JsonPairConvertsEachFileWithItsOwnLookup) {
    auto data = SharedDataLoader::readJson(fixture("json"));
    ASSERT_TRUE(data.ok()) << data.error().debugDescription();
    const BuiltinGroupData& builtin = data->builtin;
    ASSERT_EQ(uuidsOf(builtin.groups), (std::vector<std::string>{"##Standard", "##Basic"}));

    // Tokens without a lookup entry are dropped; tags outside 0-7 become auto.
    const Group& standard = builtin.groups[0];
    EXPECT_EQ(tokensOf(standard),
              (std::vector<std::string>{"#LABEL:Spaces", "trim", "collapse", "#SPACER", "upper"}));
    EXPECT_EQ(standard.items[0].type, ItemType::label);
    EXPECT_EQ(standard.items[0].name, "Spaces");
    EXPECT_EQ(standard.items[1].color_tag, ItemColor::red);
    EXPECT_EQ(standard.items[1].desc, "Remove white space at both ends");
    EXPECT_EQ(standard.items[2].color_tag, ItemColor::auto_);
    EXPECT_EQ(standard.items[3].name, "-");
    EXPECT_EQ(standard.items[4].color_tag, ItemColor::blue);

    // "my-slug" is described only in the user file; a short "colortags" leaves later rows auto;
    // a one-string entry gives a row without a description.
    const Group& basic = builtin.groups[1];
    EXPECT_EQ(tokensOf(basic), (std::vector<std::string>{"trim", "upper", "lower"}));
    EXPECT_EQ(basic.items[0].color_tag, ItemColor::orange);
    EXPECT_EQ(basic.items[1].color_tag, ItemColor::auto_);
    EXPECT_EQ(basic.items[2].name, "lower case");
    EXPECT_EQ(basic.items[2].desc, "");

    EXPECT_EQ(builtin.library.uuid, "##Library");
    EXPECT_EQ(tokensOf(builtin.library),
              (std::vector<std::string>{"trim", "collapse", "upper", "lower", "#SPACER"}));

    const UserGroupData& user = data->user;
    ASSERT_EQ(user.groups.size(), 1u);
    EXPECT_EQ(user.groups[0].name, "Web");
    EXPECT_EQ(tokensOf(user.groups[0]),
              (std::vector<std::string>{"trim", "my-slug", "#SPACER", "my-quote"}));
    EXPECT_EQ(user.groups[0].items[1].color_tag, ItemColor::purple);
    EXPECT_EQ(user.ccleaners.uuid, "##Custom");
    EXPECT_EQ(user.ccleaners.items[1].desc, "Put \"> \" before every line");
}

TEST_F(LibraryFilesTest, JsonEdgeCasesOfLookupAndTags) {
    // An empty lookup keeps every group, with no rows.
    const ExportGroupList empty = exportList(
        R"({"groups":[{"uuid":"a","name":"A","tokens":["x","#SPACER"]}],
            "special":{"uuid":"##Library","name":"Library","tokens":["x"]},"lookup":{}})");
    EXPECT_TRUE(empty.convert(empty.groups[0]).items.empty());
    EXPECT_TRUE(empty.convert(empty.special).items.empty());

    // An entry without strings is named by its token; "stars" play no part.
    const ExportGroupList shortEntry = exportList(
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":["x","y"],"colortags":[-1],
            "stars":[true]},"lookup":{"x":[],"y":["Why","Because","extra"]}})");
    const Group special = shortEntry.convert(shortEntry.special);
    ASSERT_EQ(special.items.size(), 2u);
    EXPECT_EQ(special.items[0].name, "x");
    EXPECT_EQ(special.items[0].desc, "");
    EXPECT_EQ(special.items[0].color_tag, ItemColor::auto_);
    EXPECT_EQ(special.items[1].desc, "Because");
    EXPECT_FALSE(special.items[1].starred);
}

TEST_F(LibraryFilesTest, MalformedJsonFailsToDecode) {
    const char* cases[] = {
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]}})",              // no lookup
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":[]})",  // not an
                                                                                       // object
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":{"x":[1]}})",
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[],"stars":[1]},"lookup":{}})",
        R"({"groups":[],"special":{"uuid":"s","name":"S","tokens":[],"colortags":[1.5]},"lookup":{}})",
        R"({"groups":[{"uuid":"a","tokens":[]}],"special":{"uuid":"s","name":"S","tokens":[]},"lookup":{}})",
        R"([1, 2])",
    };
    for (const char* json : cases) {
        auto value = platform::Json::parse(json);
        ASSERT_TRUE(value.ok()) << json;
        EXPECT_FALSE(ExportGroupList::fromPropertyList(*value).ok()) << json;
    }
}

// --- property lists, current and first layout ---

TEST_F(LibraryFilesTest, CurrentPropertyListsReadTheSameInXmlAndBinary) {
    auto xml = SharedDataLoader::readPropertyLists(fixture("plist"));
    ASSERT_TRUE(xml.ok()) << xml.error().debugDescription();
    EXPECT_EQ(uuidsOf(xml->builtin.groups), (std::vector<std::string>{"##Standard", "##Mail"}));
    EXPECT_EQ(xml->builtin.groups[0].items[0].type, ItemType::token);  // as decoded
    EXPECT_TRUE(xml->builtin.groups[0].items[0].isLabel());
    EXPECT_EQ(xml->user.groups[0].items[0].color_tag, ItemColor::yellow);

    for (const char* name : {SharedDataLoader::kBuiltinPlist, SharedDataLoader::kUserPlist}) {
        auto value = PropertyListSerialization::readFile(fixture("plist") / name);
        ASSERT_TRUE(value.ok());
        write(name, PropertyListSerialization::write(*value, PropertyListFormat::Binary).value());
    }
    auto binary = SharedDataLoader::readPropertyLists(dataFolder());
    ASSERT_TRUE(binary.ok());
    EXPECT_EQ(*binary, *xml);
}

TEST_F(LibraryFilesTest, FirstLayoutLabelsAndSeparatorsBecomeMarkerRows) {
    auto data = SharedDataLoader::readPropertyListsV1(fixture("v1"));
    ASSERT_TRUE(data.ok()) << data.error().debugDescription();
    const Group& standard = data->builtin.groups.at(0);
    ASSERT_EQ(tokensOf(standard),
              (std::vector<std::string>{"#LABEL:Spaces", "trim", "#SPACER", "upper"}));
    EXPECT_EQ(standard.items[0].name, "Spaces");
    EXPECT_TRUE(standard.items[0].isLabel());
    // Labels and separators drop the file's colour and description.
    EXPECT_EQ(standard.items[0].color_tag, ItemColor::auto_);
    EXPECT_EQ(standard.items[0].desc, "");
    EXPECT_EQ(standard.items[2].name, "-");
    EXPECT_EQ(standard.items[2].color_tag, ItemColor::auto_);
    EXPECT_EQ(standard.items[3].color_tag, ItemColor::purple);
    EXPECT_EQ(standard.items[3].desc, "Make every letter a capital");
    EXPECT_EQ(tokensOf(data->builtin.library), (std::vector<std::string>{"trim", "upper"}));
    EXPECT_EQ(data->user.groups.at(0).name, "Notes");
    EXPECT_EQ(tokensOf(data->user.ccleaners), (std::vector<std::string>{"my-bullets"}));

    // Neither layout reads as the other.
    EXPECT_FALSE(SharedDataLoader::readPropertyLists(fixture("v1")).ok());
    EXPECT_FALSE(SharedDataLoader::readPropertyListsV1(fixture("plist")).ok());
}

TEST_F(LibraryFilesTest, OutOfRangeTypeOrColourFailsTheWholeFile) {
    install("v1/purlane9-groups-builtin.plist");
    install("broken/purlane9-groups-user-v1-type3.plist", SharedDataLoader::kUserPlist);
    auto v1 = SharedDataLoader::readPropertyListsV1(dataFolder());
    ASSERT_FALSE(v1.ok());
    EXPECT_EQ(v1.error().localizedDescription, kCorrupt);

    install("plist/purlane9-groups-builtin.plist");
    install("broken/purlane9-groups-user-color9.plist", SharedDataLoader::kUserPlist);
    auto current = SharedDataLoader::readPropertyLists(dataFolder());
    ASSERT_FALSE(current.ok());
    EXPECT_EQ(current.error().localizedDescription, kCorrupt);
}

// --- choosing the source ---

TEST_F(LibraryFilesTest, ValidJsonWinsAndThePropertyListsAreNotRead) {
    install("json/purlane9-groups-builtin.json");
    install("json/purlane9-groups-user.json");
    write(SharedDataLoader::kBuiltinPlist, "not a property list");
    auto data = load();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->user.groups.at(0).name, "Web");
    EXPECT_TRUE(printed().empty());
}

TEST_F(LibraryFilesTest, ABadUserFileFailsItsWholeFamily) {
    install("json/purlane9-groups-builtin.json");
    install("broken/purlane9-groups-user-truncated.json", SharedDataLoader::kUserJson);
    install("plist/purlane9-groups-builtin.plist");
    install("plist/purlane9-groups-user.plist");
    auto data = load();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->user.groups.at(0).name, "Letters");
    EXPECT_EQ(printed(), (std::vector<std::string>{kCorrupt}));

    // A JSON file of the wrong shape counts the same as unreadable text.
    install("broken/purlane9-groups-user-lookup-string.json", SharedDataLoader::kUserJson);
    capture.sink.printed.clear();
    ASSERT_TRUE(load());
    EXPECT_EQ(printed(), (std::vector<std::string>{kCorrupt}));
}

TEST_F(LibraryFilesTest, FirstLayoutFilesAreReachedAfterTwoFailures) {
    install("v1/purlane9-groups-builtin.plist");
    install("v1/purlane9-groups-user.plist");
    auto data = load();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->user.groups.at(0).name, "Notes");
    // The JSON family stops at its first file; the current layout lacks "token".
    EXPECT_EQ(printed(),
              (std::vector<std::string>{noSuchFile(SharedDataLoader::kBuiltinJson), kMissing}));
}

TEST_F(LibraryFilesTest, NothingReadablePrintsOneLinePerFamily) {
    auto data = load();
    EXPECT_FALSE(data);
    EXPECT_EQ(printed(), (std::vector<std::string>{noSuchFile(SharedDataLoader::kBuiltinJson),
                                                   noSuchFile(SharedDataLoader::kBuiltinPlist),
                                                   noSuchFile(SharedDataLoader::kBuiltinPlist)}));
    // The data folder is made on the way.
    EXPECT_TRUE(std::filesystem::is_directory(dataFolder()));
}

TEST_F(LibraryFilesTest, NoContainerMeansNoLibraryAndNoLines) {
    platform::SimGroupContainers none(std::nullopt);
    SharedDataLoader without(none, agent.standardUserDefaults());
    EXPECT_FALSE(without.dataFolder());
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
    EXPECT_EQ(printed(), (std::vector<std::string>{noSuchFile(SharedDataLoader::kLegacyLists)}));

    install("legacy/purlane-lists.plist");
    auto data = load();
    ASSERT_TRUE(data);
    EXPECT_EQ(data->user.groups.at(0).name, "Web");
    EXPECT_EQ(data->builtin.library.uuid, "##Library");
}

// --- where the container is on Linux ---

TEST(LinuxFileLocationsTest, ContainerIsUnderTheDataHomeAndIsCreated) {
    testsupport::TempDir home;
    const char* saved = std::getenv("XDG_DATA_HOME");
    const std::string previous = saved ? saved : "";
    setenv("XDG_DATA_HOME", home.path().c_str(), 1);
    const platform::LinuxFileLocations locations;
    const auto url = locations.containerURLForSecurityApplicationGroupIdentifier(
        SharedDataLoader::kGroupIdentifier);
    const auto escaping = locations.containerURLForSecurityApplicationGroupIdentifier("../x");
    if (saved)
        setenv("XDG_DATA_HOME", previous.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");

    ASSERT_TRUE(url);
    const auto expected =
        home.path() / "purlane/Library/Group Containers" / SharedDataLoader::kGroupIdentifier;
    EXPECT_EQ(url->path(), expected.string());
    EXPECT_TRUE(url->hasDirectoryPath());
    EXPECT_TRUE(std::filesystem::is_directory(expected));
    EXPECT_FALSE(escaping);
}

}  // namespace
