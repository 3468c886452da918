#include <gtest/gtest.h>

#include "platform/defaults/UserDefaults.h"
#include "platform/sim/SimDefaultsStore.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/TempDir.h"

using namespace platform;

namespace {

constexpr const char* kSuite = "KQ4MZR7WXN.com.halvik.purlane";

class UserDefaultsTest : public testing::Test {
  protected:
    SimWorld world;
    SimProcess& agent = world.launch("com.halvik.purlane.agent");
    UserDefaults& standard = agent.standardUserDefaults();
};

TEST_F(UserDefaultsTest, RegisteredDefaultsAreSeenThroughTheSuiteButNotStored) {
    standard.registerDefaults({{"PreserveClipboard", true}, {"KeystrokeDelay", 0}});
    UserDefaults& suite = agent.suite(kSuite);
    EXPECT_TRUE(suite.boolForKey("PreserveClipboard"));
    EXPECT_TRUE(standard.boolForKey("PreserveClipboard"));
    EXPECT_FALSE(suite.persistentDomainForName(kSuite));
    EXPECT_EQ(world.defaultsStore().writeCount(), 0u);

    // A stored value wins over the registered one, only in its own domain.
    suite.setBool("PreserveClipboard", false);
    EXPECT_FALSE(suite.boolForKey("PreserveClipboard"));
    EXPECT_TRUE(standard.boolForKey("PreserveClipboard"));
}

TEST_F(UserDefaultsTest, StandardAndSuiteDomainsAreKeptApart) {
    UserDefaults& suite = agent.suite(kSuite);
    standard.setString("engine.bundle.id", "com.example.wrong");
    suite.setString("engine.bundle.id", "com.halvik.purlane9");
    EXPECT_EQ(standard.stringForKey("engine.bundle.id"), "com.example.wrong");
    EXPECT_EQ(suite.stringForKey("engine.bundle.id"), "com.halvik.purlane9");

    suite.removeObjectForKey("engine.bundle.id");
    EXPECT_FALSE(suite.stringForKey("engine.bundle.id"));
    EXPECT_TRUE(standard.stringForKey("engine.bundle.id"));
}

TEST_F(UserDefaultsTest, RegistrationIsPerProcessButStorageIsShared) {
    SimProcess& engine = world.launch("com.halvik.purlane9");
    standard.registerDefaults({{"AutoSelectAll", true}});
    EXPECT_FALSE(engine.suite(kSuite).boolForKey("AutoSelectAll"));

    engine.suite(kSuite).setBool("AutoSelectAll", false);
    EXPECT_FALSE(agent.suite(kSuite).boolForKey("AutoSelectAll"));
}

struct Coercion {
    PropertyList stored;
    std::optional<std::string> asString;
    int64_t asInteger;
    double asDouble;
    bool asBool;
};

TEST_F(UserDefaultsTest, GettersCoerceAsTheOsDocuments) {
    const std::vector<Coercion> cases = {
        {PropertyList(2), "2", 2, 2.0, true},
        {PropertyList(0), "0", 0, 0.0, false},
        {PropertyList(2.5), "2.5", 2, 2.5, true},
        {PropertyList(true), "1", 1, 1.0, true},
        {PropertyList("42"), "42", 42, 42.0, true},
        {PropertyList("  -17abc"), "  -17abc", -17, -17.0, true},
        {PropertyList("3.75"), "3.75", 3, 3.75, true},
        {PropertyList("YES"), "YES", 0, 0.0, true},
        {PropertyList("true"), "true", 0, 0.0, true},
        {PropertyList("no"), "no", 0, 0.0, false},
        {PropertyList("0"), "0", 0, 0.0, false},
        {PropertyList("-007"), "-007", -7, -7.0, true},
        {PropertyList("nan"), "nan", 0, 0.0, false},
        {PropertyList("99999999999999999999"), "99999999999999999999", INT64_MAX, 1e20, true},
        {PropertyList(PropertyList::Array{PropertyList(1)}), std::nullopt, 0, 0.0, false},
        {PropertyList(PropertyList::Data{1, 2}), std::nullopt, 0, 0.0, false},
    };
    for (const auto& c : cases) {
        standard.setObject("k", c.stored);
        SCOPED_TRACE(standard.stringForKey("k").value_or("<non-text>"));
        EXPECT_EQ(standard.stringForKey("k"), c.asString);
        EXPECT_EQ(standard.integerForKey("k"), c.asInteger);
        EXPECT_DOUBLE_EQ(standard.doubleForKey("k"), c.asDouble);
        EXPECT_EQ(standard.boolForKey("k"), c.asBool);
    }
}

TEST_F(UserDefaultsTest, TypedGettersGiveNothingForOtherTypesOrAbsentKeys) {
    EXPECT_FALSE(standard.objectForKey("absent"));
    EXPECT_FALSE(standard.stringForKey("absent"));
    EXPECT_EQ(standard.integerForKey("absent"), 0);
    EXPECT_FALSE(standard.boolForKey("absent"));

    standard.setObject("mixed", PropertyList(PropertyList::Array{"a", 1}));
    EXPECT_TRUE(standard.arrayForKey("mixed"));
    EXPECT_FALSE(standard.stringArrayForKey("mixed"));
    EXPECT_FALSE(standard.dictionaryForKey("mixed"));
    EXPECT_FALSE(standard.dataForKey("mixed"));

    standard.setObject("list", PropertyList(PropertyList::Array{"", "com.apple.Terminal"}));
    EXPECT_EQ(standard.stringArrayForKey("list"),
              (std::vector<std::string>{"", "com.apple.Terminal"}));

    standard.setObject("null", PropertyList());  // null removes, as an absent value does
    EXPECT_FALSE(standard.objectForKey("null"));
}

TEST_F(UserDefaultsTest, UrlsAreReadFromUrlTextOrPaths) {
    setenv("HOME", "/home/tester", 1);
    standard.setString("web", "https://example.com/a?b=c");
    standard.setString("path", "/Applications/Engine.app");
    standard.setString("tilde", "~/Applications/Engine.app");
    standard.setString("empty", "");
    EXPECT_EQ(standard.URLForKey("web")->absoluteString(), "https://example.com/a?b=c");
    EXPECT_TRUE(standard.URLForKey("path")->isFileURL());
    EXPECT_EQ(standard.URLForKey("path")->path(), "/Applications/Engine.app");
    EXPECT_EQ(standard.URLForKey("tilde")->path(), "/home/tester/Applications/Engine.app");
    EXPECT_FALSE(standard.URLForKey("empty"));

    standard.setURL("stored", Url::fileURLWithPath("/opt/Sample Engine.app", true));
    EXPECT_EQ(standard.URLForKey("stored")->path(), "/opt/Sample Engine.app");

    // A path naming a folder gives a folder URL, ending with "/", as the OS makes it.
    testsupport::TempDir temp;
    std::filesystem::create_directories(temp / "Sample Engine.app");
    standard.setString("folder", (temp / "Sample Engine.app").string());
    standard.setString("file", temp.write("plain", "x").string());
    EXPECT_TRUE(standard.URLForKey("folder")->absoluteString().ends_with("/Sample%20Engine.app/"))
        << standard.URLForKey("folder")->absoluteString();
    EXPECT_TRUE(standard.URLForKey("folder")->hasDirectoryPath());
    EXPECT_FALSE(standard.URLForKey("file")->hasDirectoryPath());
    EXPECT_FALSE(standard.URLForKey("path")->hasDirectoryPath()) << "nothing there: a file URL";
}

TEST_F(UserDefaultsTest, ObserversHearEffectiveChangesOnTheMainQueue) {
    SimProcess& engine = world.launch("com.halvik.purlane9");
    UserDefaults& suite = agent.suite(kSuite);
    std::vector<std::optional<PropertyList>> seen;
    const auto token =
        suite.observe("PreserveClipboard", [&](const auto& v) { seen.push_back(v); });

    suite.setBool("PreserveClipboard", true);
    EXPECT_TRUE(seen.empty()) << "delivered on the main queue, not inside the write";
    world.runUntilIdle();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0], PropertyList(true));

    // Another process's write, a write of the same value, an unrelated key.
    engine.suite(kSuite).setBool("PreserveClipboard", false);
    engine.suite(kSuite).setBool("PreserveClipboard", false);
    engine.suite(kSuite).setBool("AutoSelectAll", true);
    world.runUntilIdle();
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[1], PropertyList(false));

    // Removal falls back to the registration domain.
    standard.registerDefaults({{"PreserveClipboard", true}});
    engine.suite(kSuite).removeObjectForKey("PreserveClipboard");
    world.runUntilIdle();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[2], PropertyList(true));

    suite.removeObserver(token);
    engine.suite(kSuite).setBool("PreserveClipboard", false);
    world.runUntilIdle();
    EXPECT_EQ(seen.size(), 3u);
}

TEST_F(UserDefaultsTest, RemovingADomainForgetsEverythingInIt) {
    standard.setInteger("KeystrokeDelay", 2);
    standard.setString("LastVersionRun", "900");
    standard.removePersistentDomainForName("com.halvik.purlane.agent");
    EXPECT_EQ(standard.integerForKey("KeystrokeDelay"), 0);
    EXPECT_FALSE(standard.persistentDomainForName("com.halvik.purlane.agent"));
}

}  // namespace
