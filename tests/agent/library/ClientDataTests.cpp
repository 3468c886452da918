#include <gtest/gtest.h>

#include <memory>

#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "platform/Log.h"
#include "tests/agent/library/LibraryTestSupport.h"

using namespace librarytest;

namespace {

GroupItem cleaner(const std::string& token, const std::string& name) {
    return makeItem(token, name, name + " desc", ItemColor::auto_);
}

// Built-in "Standard" and "Tools", user "Mine" and "Tools" (same name as the built-in one).
SharedPurlaneData2 sampleLibrary() {
    SharedPurlaneData2 data;
    data.builtin.groups = {
        Group("Standard", "##Standard", {cleaner("trim", "Trim")}),
        Group("Tools", "##Tools", {cleaner("upper", "Upper")}),
    };
    data.builtin.library = Group("Library", "##Library",
                                 {cleaner("trim", "Trim"), cleaner("upper", "Upper"),
                                  makeItem("#SPACER", "-", "", ItemColor::auto_)});
    data.user.groups = {
        Group("Mine", "U-1", {cleaner("slug", "Slug")}),
        Group("Tools", "U-2", {cleaner("trim", "Trim")}),
    };
    // A custom cleaner that reuses a library token and name.
    data.user.ccleaners =
        Group("Custom", "##Custom", {cleaner("slug", "Slug"), cleaner("upper", "Shout")});
    return data;
}

class ClientDataTest : public testing::Test {
  protected:
    PLClientData data;
};

TEST_F(ClientDataTest, GroupListsForEachType) {
    data.update(sampleLibrary());
    using Names = std::vector<std::string>;
    EXPECT_EQ(data.groupNames(0),
              (Names{"Standard", "Tools", "Library", "Custom", "Mine", "Tools"}));
    EXPECT_EQ(data.groupNames(1), (Names{"Standard", "Tools", "Library", "Custom"}));
    EXPECT_EQ(data.groupNames(2), (Names{"Standard", "Tools", "Custom"}));
    EXPECT_EQ(data.groupNames(3), (Names{"Mine", "Tools"}));
    EXPECT_TRUE(data.groupNames(4).empty());
    EXPECT_TRUE(PLClientData().groupNames(0).empty());
}

TEST_F(ClientDataTest, LaterEntriesWinWithinOneLoad) {
    data.update(sampleLibrary());
    // The custom cleaner overrides the library cleaner with the same token.
    EXPECT_EQ(data.nameFor("upper"), "Shout");
    EXPECT_EQ(data.tokenFor("Upper"), "upper");
    EXPECT_EQ(data.tokenFor("Shout"), "upper");
    // Spacers are entered too.
    EXPECT_EQ(data.tokenFor("-"), "#SPACER");
    // The user's "Tools" wins the name; the built-in one stays reachable by uuid.
    EXPECT_EQ(data.groupNamed("Tools").uuid, "U-2");
    EXPECT_EQ(data.groupNamed("##Tools").uuid, "##Tools");
    // Unknown keys echo back.
    EXPECT_EQ(data.nameFor("nope"), "nope");
    EXPECT_EQ(data.tokenFor("Nope"), "Nope");
}

TEST_F(ClientDataTest, EarlierLoadsStayResolvable) {
    data.update(sampleLibrary());
    SharedPurlaneData2 next;
    next.builtin.library = Group("Library", "##Library", {cleaner("lower", "Lower")});
    next.user.ccleaners = Group("Custom", "##Custom");
    data.update(next);

    EXPECT_EQ(data.nameFor("trim"), "Trim");
    EXPECT_EQ(data.tokenFor("Slug"), "slug");
    EXPECT_EQ(data.groupNamed("Mine").uuid, "U-1");
    // The lists show only what the latest load has.
    EXPECT_EQ(data.groupNames(0), (std::vector<std::string>{"Library", "Custom"}));
    EXPECT_EQ(data.libraryTokenList(), (std::vector<std::string>{"lower", "#LABEL:Custom"}));
}

TEST_F(ClientDataTest, GroupNamedByNameUuidOrNothing) {
    data.update(sampleLibrary());
    EXPECT_EQ(data.groupNamed("Mine"), data.groupNamed("U-1"));
    EXPECT_EQ(tokensOf(data.groupNamed("Mine")), (std::vector<std::string>{"slug"}));

    const Group missing = data.groupNamed("No such group");
    EXPECT_EQ(missing.name, "Missing");
    EXPECT_EQ(missing.uuid, "##MISSING");
    EXPECT_TRUE(missing.items.empty());
    EXPECT_FALSE(data.groupWithUuid("No such group"));
}

TEST_F(ClientDataTest, StandardAndLibraryComeWithTheCustomCleaners) {
    data.update(sampleLibrary());
    const auto extended = std::vector<std::string>{"#LABEL:Custom", "slug", "upper"};
    for (const char* key : {"Standard", "##Library"}) {
        const Group group = data.groupNamed(key);
        ASSERT_GE(group.items.size(), 3u);
        const std::vector<std::string> tokens = tokensOf(group);
        const std::vector<std::string> tail(tokens.end() - 3, tokens.end());
        EXPECT_EQ(tail, extended) << key;
        const GroupItem& label = group.items[group.items.size() - 3];
        EXPECT_TRUE(label.isLabel());
        EXPECT_EQ(label.name, "Custom");
        EXPECT_EQ(label.desc, "");
    }
    // Asking twice does not grow the stored group; other groups come as stored.
    EXPECT_EQ(data.groupNamed("Standard").items.size(), 4u);
    EXPECT_EQ(data.groupInfo.table.at("##Standard").items.size(), 1u);
    EXPECT_EQ(tokensOf(data.groupNamed("Custom")), (std::vector<std::string>{"slug", "upper"}));
    EXPECT_EQ(tokensOf(data.groupNamed("##Tools")), (std::vector<std::string>{"upper"}));
    EXPECT_EQ(
        data.libraryTokenList(),
        (std::vector<std::string>{"trim", "upper", "#SPACER", "#LABEL:Custom", "slug", "upper"}));
}

TEST_F(ClientDataTest, WithoutACustomGroupStandardComesAsStored) {
    SharedPurlaneData2 library = sampleLibrary();
    library.user.ccleaners.uuid = "custom-elsewhere";
    data.update(library);
    EXPECT_EQ(tokensOf(data.groupNamed("Standard")), (std::vector<std::string>{"trim"}));
    EXPECT_EQ(data.groupNamed("Library"), library.builtin.library);
}

TEST(ClientGroupsContainerTest, SharesTheSnapshotAndFetchesFavoritesOnce) {
    auto snapshot = std::make_shared<PLClientData>();
    int asked = 0;
    FavoritesAndRecents& shared = FavoritesAndRecents::shared();
    PLClientGroupsContainer container(snapshot, [&]() -> FavoritesAndRecents& {
        ++asked;
        return shared;
    });
    EXPECT_EQ(asked, 0);
    snapshot->update(sampleLibrary());
    EXPECT_EQ(container.clientData().groupNamed("Mine").uuid, "U-1");
    EXPECT_EQ(&container.favoritesAndRecents(), &shared);
    EXPECT_EQ(&container.favoritesAndRecents(), &shared);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(container.favoritesAndRecents().favoritesGroup().uuid, "##Favorites");
}

class ReloadTest : public testing::Test, public LibraryEnvironment {
  protected:
    PLClientData snapshot;
    platform::ScopedLogCapture capture;
};

TEST_F(ReloadTest, NothingLoadedLeavesTheSnapshotAlone) {
    snapshot.update(sampleLibrary());
    EXPECT_FALSE(loader.reloadLibrary(snapshot));
    EXPECT_EQ(snapshot.groupNames(3), (std::vector<std::string>{"Mine", "Tools"}));
    EXPECT_EQ(capture.sink.printed.size(), 3u);
}

TEST_F(ReloadTest, LoadedLibraryIsMerged) {
    install("json/purlane9-groups-builtin.json");
    install("json/purlane9-groups-user.json");
    ASSERT_TRUE(loader.reloadLibrary(snapshot));
    EXPECT_EQ(snapshot.groupNames(1),
              (std::vector<std::string>{"Standard", "Basic", "Library", "Custom"}));
    EXPECT_EQ(snapshot.groupNames(3), (std::vector<std::string>{"Web"}));
    EXPECT_EQ(snapshot.nameFor("my-quote"), "Quote Lines");
    EXPECT_EQ(snapshot.tokenFor("Collapse Spaces"), "collapse");
}

}  // namespace
