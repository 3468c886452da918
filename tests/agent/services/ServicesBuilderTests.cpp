// The Services builder on the sim: the entries of the two bundles, the custom group lookup, the
// written bundle, and removal through the trash, each followed by a rescan.

#include <filesystem>

#include "agent/library/SharedDataLoader.h"
#include "agent/prefs/ServicesBuilder.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/sim/SimServicesMenu.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"
#include "tests/support/ServicesBundle.h"

using namespace platform;

namespace {

namespace fs = std::filesystem;
using Strings = std::vector<std::string>;

// A user group with a heading, a cleaner, a spacer, a cleaner named "-" and another cleaner.
const char* kUserLibrary = R"({
  "groups": [{"uuid": "0B8E3D52-6A41-4C8F-9E0B-2A7F55C1D9E4", "name": "Web",
              "tokens": ["#LABEL:Tidy", "trim", "#SPACER", "dash", "my-quote"],
              "colortags": [0, 2, 0, 0, 4]}],
  "special": {"uuid": "##Custom", "name": "Custom", "tokens": ["my-slug", "my-quote"],
              "colortags": [7, 4]},
  "lookup": {"#LABEL:Tidy": ["Tidy", ""], "trim": ["Trim", ""], "#SPACER": ["-", ""],
             "dash": ["-", ""], "my-slug": ["Slug", ""], "my-quote": ["Quote Lines", ""]}
})";

class ServicesBuilderTest : public agenttest::AgentSimFixture {
  public:
    ServicesBuilderTest() {
        installLibrary();
        writeLibraryFile(SharedDataLoader::kUserJson, kUserLibrary);
        client.updateSharedData();
    }

    fs::path servicesFolder() const { return temp.path() / "Library/Services"; }
    fs::path bundle(bool custom) const {
        return servicesFolder() /
               (custom ? ServicesBuilder::kCustomBundleName : ServicesBuilder::kStandardBundleName);
    }
    // The entries of a written bundle, read back from its file.
    PropertyList::Array written(bool custom) {
        const std::string bytes = testsupport::readFile(bundle(custom) / "info.plist");
        EXPECT_TRUE(bytes.starts_with("<?xml")) << bytes;
        auto plist = PropertyListSerialization::read(bytes);
        EXPECT_TRUE(plist.ok());
        const PropertyList* services = plist.ok() ? plist->get("NSServices") : nullptr;
        EXPECT_TRUE(services && services->asArray());
        return services && services->asArray() ? *services->asArray() : PropertyList::Array{};
    }
    static Strings field(const PropertyList::Array& entries, const std::string& key) {
        Strings out;
        for (const auto& e : entries) {
            const PropertyList* v = e.get(key);
            if (key == "NSMenuItem") v = v ? v->get("default") : nullptr;
            out.push_back(v && v->asString() ? *v->asString() : "?");
        }
        return out;
    }

    SimServicesMenu menu{agent, servicesFolder()};
    ServicesBuilder builder{{client, defaults, agent.workspace(), &menu, temp.path() / "Library"},
                            ServicesBuilder::kPanePrefix};
};

TEST_F(ServicesBuilderTest, OnlyUsableCleanersOfTheGroupBecomeEntriesInGroupOrder) {
    defaults.setString(ServicesBuilder::kCustomGroupKey, "Web");
    builder.install(/*custom=*/true, /*installed=*/true);

    const PropertyList::Array entries = written(true);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0], testsupport::servicesEntry("PL - Trim", "trim"));
    EXPECT_EQ(field(entries, "NSMenuItem"), (Strings{"PL - Trim", "PL - Quote Lines"}));
    EXPECT_EQ(field(entries, "NSUserData"), (Strings{"trim", "my-quote"}));
    // The bundle is a folder holding its one file, and no temporary item is left beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(bundle(true)), fs::directory_iterator()), 1);
    EXPECT_EQ(std::distance(fs::directory_iterator(servicesFolder()), fs::directory_iterator()), 1);
    // The system read the Services again and offers the new entries, routed to the agent.
    EXPECT_EQ(menu.readings(), 1);
    EXPECT_EQ(menu.entries().size(), 2u);
}

TEST_F(ServicesBuilderTest, TheStoredGroupIsFoundByUuidOrNameAndTheBundleWrittenEvenWhenEmpty) {
    const struct {
        std::optional<std::string> stored;
        Strings userData;
    } cases[] = {
        {std::nullopt, {}}, {"Web", {"trim", "my-quote"}}, {"##Custom", {"my-slug", "my-quote"}},
        {"##Nowhere", {}},  // an unknown uuid: no group
        {"Nowhere", {}},    // an unknown name: the empty "Missing" group
    };
    for (const auto& c : cases) {
        if (c.stored)
            defaults.setString(ServicesBuilder::kCustomGroupKey, *c.stored);
        else
            defaults.removeObjectForKey(ServicesBuilder::kCustomGroupKey);
        builder.install(true, true);
        EXPECT_EQ(field(written(true), "NSUserData"), c.userData) << c.stored.value_or("none");
        EXPECT_EQ(builder.customTokens(), c.userData);
    }
}

TEST_F(ServicesBuilderTest, TheStandardBundleHasTheOnePickingEntry) {
    builder.install(/*custom=*/false, /*installed=*/true);
    const PropertyList::Array entries = written(false);
    EXPECT_EQ(field(entries, "NSMenuItem"), Strings{"PL - Apply Purlane Cleaner"});
    EXPECT_EQ(field(entries, "NSUserData"), Strings{"#cleanText"});
    EXPECT_EQ(field(entries, "NSMessage"), Strings{"cleanText"});
    EXPECT_TRUE(builder.isInstalled(false));
    EXPECT_FALSE(builder.isInstalled(true));
}

TEST_F(ServicesBuilderTest, SwitchingOffMovesTheBundleToTheTrashAndRescans) {
    builder.install(true, true);
    builder.install(true, false);
    EXPECT_FALSE(fs::exists(bundle(true)));
    EXPECT_TRUE(fs::exists(*world.trashDirectory() / ServicesBuilder::kCustomBundleName));
    EXPECT_EQ(menu.readings(), 2);
    // Nothing to remove: only the rescan.
    builder.install(false, false);
    EXPECT_EQ(menu.readings(), 3);
    EXPECT_TRUE(menu.entries().empty());
}

TEST_F(ServicesBuilderTest, AWriteErrorIsPrintedAndNothingElseChanges) {
    temp.write("Library/Services", "a file where the folder belongs");
    builder.install(true, true);
    const auto lines = printed("The file \u201cpurlaneCustom.pldynamicservice\u201d");
    EXPECT_EQ(lines.size(), 1u);
    EXPECT_EQ(menu.readings(), 1);
}

}  // namespace
