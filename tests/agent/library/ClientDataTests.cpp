#include <gtest/gtest.h>

#include <memory>

#include "agent/library/PLClientData.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "platform/core/Log.h"
#include "tests/agent/library/LibraryTestSupport.h"

using namespace librarytest;

namespace {

GroupItem cleaner(const std::string& token, const std::string& name) {
    return makeItem(token, name, name + " desc", ItemColor::auto_);
}

// Built-in "Standard" and "Tools", user "Mine" and "Tools" (same name as the built-in one).
SharedPurlaneData2 sampleLibrary() {
    SharedPurlaneData2 data;
    data.builtin.groups = {Group("Standard", "##Standard", {cleaner("trim", "Trim")}),
                           Group("Tools", "##Tools", {cleaner("upper", "Upper")})};
    data.builtin.library = Group("Library", "##Library",
                                 {cleaner("trim", "Trim"), cleaner("upper", "Upper"),
                                  makeItem("#SPACER", "-", "", ItemColor::auto_)});
    data.user.groups = {Group("Mine", "U-1", {cleaner("slug", "Slug")}),
                        Group("Tools", "U-2", {cleaner("trim", "Trim")})};
    // A custom cleaner that reuses a library token and name.
    data.user.ccleaners =
        Group("Custom", "##Custom", {cleaner("slug", "Slug"), cleaner("upper", "Shout")});
    return data;
}

using Names = std::vector<std::string>;

class ClientDataTest : public testing::Test {
  protected:
    void SetUp() override { data.update(sampleLibrary()); }
    PLClientData data;
};

TEST_F(ClientDataTest, GroupListsForEachType) {
    EXPECT_EQ(data.groupNames(0),
              (Names{"Standard", "Tools", "Library", "Custom", "Mine", "Tools"}));
    EXPECT_EQ(data.groupNames(1), (Names{"Standard", "Tools", "Library", "Custom"}));
    EXPECT_EQ(data.groupNames(2), (Names{"Standard", "Tools", "Custom"}));
    EXPECT_EQ(data.groupNames(3), (Names{"Mine", "Tools"}));
    EXPECT_TRUE(data.groupNames(4).empty());
    EXPECT_TRUE(PLClientData().groupNames(0).empty());
}

TEST_F(ClientDataTest, LaterEntriesWinWithinOneLoadAndGroupsAreFoundByNameOrUuid) {
    // The custom cleaner overrides the library cleaner with the same token.
    EXPECT_EQ(data.nameFor("upper"), "Shout");
    EXPECT_EQ(data.tokenFor("Upper"), "upper");
    EXPECT_EQ(data.tokenFor("Shout"), "upper");
    EXPECT_EQ(data.tokenFor("-"), "#SPACER") << "spacers are entered too";
    // Unknown keys echo back.
    EXPECT_EQ(data.nameFor("nope"), "nope");
    EXPECT_EQ(data.tokenFor("Nope"), "Nope");

    // The user's "Tools" wins the name; the built-in one stays reachable by uuid.
    EXPECT_EQ(data.groupNamed("Tools").uuid, "U-2");
    EXPECT_EQ(data.groupNamed("##Tools").uuid, "##Tools");
    EXPECT_EQ(data.groupNamed("No such group"), Group("Missing", "##MISSING"));
    EXPECT_FALSE(data.groupWithUuid("No such group"));
}

// Groups are entered built-in, user, library, custom: for a shared name the later one wins, so
// the library and custom groups win over any ordinary group of their name.
TEST(ClientDataNamesTest, LibraryAndCustomGroupsWinTheirNames) {
    SharedPurlaneData2 data;
    data.builtin.groups = {Group("Library", "B-lib"), Group("Custom", "B-custom"),
                           Group("Shared", "B-shared")};
    data.user.groups = {Group("Custom", "U-custom"), Group("Library", "U-lib"),
                        Group("Shared", "U-shared")};
    data.builtin.library = Group("Library", "##Library");
    data.user.ccleaners = Group("Custom", "##Custom");
    PLClientData snapshot;
    snapshot.update(data);
    const std::pair<const char*, const char*> winners[] = {
        {"Library", "##Library"}, {"Custom", "##Custom"}, {"Shared", "U-shared"}};
    for (const auto& [name, uuid] : winners)
        EXPECT_EQ(snapshot.groupNamed(name).uuid, uuid) << name;
    // The losers stay reachable by uuid.
    for (const char* uuid : {"B-lib", "B-custom", "U-custom", "U-lib", "B-shared"})
        EXPECT_EQ(snapshot.groupNamed(uuid).uuid, uuid);
}

TEST_F(ClientDataTest, EarlierLoadsStayResolvable) {
    SharedPurlaneData2 next;
    next.builtin.library = Group("Library", "##Library", {cleaner("lower", "Lower")});
    next.user.ccleaners = Group("Custom", "##Custom");
    data.update(next);

    EXPECT_EQ(data.nameFor("trim"), "Trim");
    EXPECT_EQ(data.tokenFor("Slug"), "slug");
    EXPECT_EQ(data.groupNamed("Mine").uuid, "U-1");
    // The lists show only what the latest load has.
    EXPECT_EQ(data.groupNames(0), (Names{"Library", "Custom"}));
    EXPECT_EQ(data.libraryTokenList(), (Names{"lower", "#LABEL:Custom"}));
}

TEST_F(ClientDataTest, StandardAndLibraryComeWithTheCustomCleaners) {
    const Group standard = data.groupNamed("Standard");
    EXPECT_EQ(tokensOf(standard), (Names{"trim", "#LABEL:Custom", "slug", "upper"}));
    EXPECT_EQ(standard.items[1], makeItem("#LABEL:Custom", "Custom", "", ItemColor::auto_));
    EXPECT_EQ(tokensOf(data.groupNamed("##Library")),
              (Names{"trim", "upper", "#SPACER", "#LABEL:Custom", "slug", "upper"}));
    EXPECT_EQ(data.libraryTokenList(), tokensOf(data.groupNamed("##Library")));
    // Asking twice does not grow the stored group; other groups come as stored.
    EXPECT_EQ(data.groupNamed("Standard"), standard);
    EXPECT_EQ(tokensOf(data.groupNamed("Custom")), (Names{"slug", "upper"}));
    EXPECT_EQ(tokensOf(data.groupNamed("##Tools")), (Names{"upper"}));
}

TEST(ClientDataWithoutCustomTest, StandardAndLibraryComeAsStored) {
    SharedPurlaneData2 library = sampleLibrary();
    library.user.ccleaners.uuid = "custom-elsewhere";
    PLClientData data;
    data.update(library);
    EXPECT_EQ(tokensOf(data.groupNamed("Standard")), (Names{"trim"}));
    EXPECT_EQ(data.groupNamed("Library"), library.builtin.library);
}

TEST(ClientGroupsContainerTest, SharesTheSnapshotAndFetchesFavoritesOnce) {
    auto snapshot = std::make_shared<PLClientData>();
    int asked = 0;
    FavoritesAndRecents& shared = FavoritesAndRecents::shared();
    PLClientGroupsContainer container(snapshot,
                                      [&]() -> FavoritesAndRecents& { return ++asked, shared; });
    EXPECT_EQ(asked, 0);
    snapshot->update(sampleLibrary());
    EXPECT_EQ(container.clientData().groupNamed("Mine").uuid, "U-1");
    EXPECT_TRUE(&container.favoritesAndRecents() == &shared &&
                &container.favoritesAndRecents() == &shared);
    EXPECT_EQ(asked, 1);
}

TEST(ReloadTest, NothingLoadedLeavesTheSnapshotAloneAndALoadedLibraryIsMerged) {
    LibraryEnvironment env;
    platform::ScopedLogCapture quiet;
    PLClientData snapshot;
    snapshot.update(sampleLibrary());
    EXPECT_FALSE(env.loader.reloadLibrary(snapshot));
    EXPECT_EQ(snapshot.groupNames(3), (Names{"Mine", "Tools"}));

    env.install("json/purlane9-groups-builtin.json");
    env.install("json/purlane9-groups-user.json");
    ASSERT_TRUE(env.loader.reloadLibrary(snapshot));
    EXPECT_EQ(snapshot.groupNames(1), (Names{"Standard", "Basic", "Library", "Custom"}));
    EXPECT_EQ(snapshot.groupNames(3), (Names{"Web"}));
    EXPECT_EQ(snapshot.nameFor("my-quote"), "Quote Lines");
    EXPECT_EQ(snapshot.nameFor("slug"), "Slug") << "the earlier load stays resolvable";
}

}  // namespace
