#include "platform/Bundle.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/Localization.h"
#include "platform/Log.h"
#include "platform/Url.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;
using platform::Bundle;
using platform::Localization;

namespace {

const fs::path kData = PURLANE_TEST_DATA "/bundle";

Bundle sample() {
    auto bundle = Bundle::open(kData / "Sample.app");
    EXPECT_TRUE(bundle.has_value());
    return bundle.value_or(Bundle::main());
}

TEST(Bundle, BundlePathForExecutable) {
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/X.app/Contents/MacOS/X"), "/a/X.app");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/X.app/Contents/MacOS/./X"), "/a/X.app");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/b/../X.app/Contents/MacOS/X"), "/a/X.app");
    // Anything short of the full layout is a plain tool in its folder.
    EXPECT_EQ(Bundle::bundlePathForExecutable("/build/bin/purlanectl"), "/build/bin");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/X/Contents/MacOS/X"), "/a/X/Contents/MacOS");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/X.app/MacOS/X"), "/a/X.app/MacOS");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/a/X.app/Contents/X"), "/a/X.app/Contents");
    EXPECT_EQ(Bundle::bundlePathForExecutable("/Contents/MacOS/X"), "/Contents/MacOS");
}

TEST(Bundle, MainOfAToolIsItsFolderWithNoInfo) {
    const Bundle& main = Bundle::main();
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(main.bundlePath(), exe.parent_path());
    EXPECT_TRUE(main.infoDictionary().empty());
    EXPECT_FALSE(main.bundleIdentifier());
    EXPECT_EQ(main.executablePath(), exe);
    EXPECT_EQ(&main, &Bundle::main());
}

TEST(Bundle, ReadsXmlInfo) {
    const Bundle bundle = sample();
    EXPECT_EQ(bundle.bundlePath(), kData.lexically_normal() / "Sample.app");
    EXPECT_EQ(bundle.bundleIdentifier(), "com.example.sample");
    EXPECT_EQ(bundle.infoString("CFBundleShortVersionString"), "1.2.3");
    ASSERT_NE(bundle.objectForInfoDictionaryKey("LSUIElement"), nullptr);
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("LSUIElement")->asBoolean(), true);
    EXPECT_FALSE(bundle.infoString("LSUIElement"));  // not a string
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("NoSuchKey"), nullptr);
    const auto exe = bundle.executablePath();
    ASSERT_TRUE(exe);
    EXPECT_EQ(*exe, bundle.bundlePath() / "Contents/MacOS/Sample");
    EXPECT_TRUE(fs::exists(*exe));
}

TEST(Bundle, ReadsBinaryInfo) {
    const auto bundle = Bundle::open(kData / "Binary.app");
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundleIdentifier(), "com.example.binary");
    EXPECT_EQ(bundle->objectForInfoDictionaryKey("CFBundleVersion")->asInteger(), 7);
    EXPECT_FALSE(bundle->infoString("CFBundleVersion"));
}

TEST(Bundle, MalformedInfoIsEmptyAndLogged) {
    platform::ScopedLogCapture capture;
    const auto bundle = Bundle::open(kData / "Broken.app");
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(bundle->infoDictionary().empty());
    EXPECT_FALSE(bundle->bundleIdentifier());
    EXPECT_EQ(capture.sink.logged.size(), 1u);
}

TEST(Bundle, InfoThatIsNotADictionaryIsEmpty) {
    testsupport::TempDir dir;
    dir.write("A.app/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><array><string>x</string></array>"
              "</plist>");
    platform::ScopedLogCapture capture;
    const auto bundle = Bundle::open(dir / "A.app");
    ASSERT_TRUE(bundle);
    EXPECT_TRUE(bundle->infoDictionary().empty());
    EXPECT_EQ(capture.sink.logged.size(), 1u);
}

TEST(Bundle, FolderWithoutInfoOpensWithoutIdentifier) {
    testsupport::TempDir dir;
    fs::create_directories(dir / "Plain");
    platform::ScopedLogCapture capture;
    const auto bundle = Bundle::open(dir / "Plain/");
    ASSERT_TRUE(bundle);
    EXPECT_EQ(bundle->bundlePath(), dir / "Plain");
    EXPECT_FALSE(bundle->bundleIdentifier());
    EXPECT_FALSE(bundle->executablePath());
    EXPECT_TRUE(capture.sink.logged.empty());  // not an error, just no bundle info
}

TEST(Bundle, OpenMissingOrNotAFolder) {
    EXPECT_FALSE(Bundle::open(kData / "Absent.app"));
    EXPECT_FALSE(Bundle::open(kData / "Sample.app/Contents/Info.plist"));
    EXPECT_FALSE(Bundle::open(fs::path()));
}

TEST(Bundle, OpenByUrl) {
    const Bundle bundle = sample();
    const auto url = bundle.bundleURL();
    EXPECT_TRUE(url.isFileURL());
    EXPECT_TRUE(url.hasDirectoryPath());
    EXPECT_EQ(url.path(), bundle.bundlePath().string());
    const auto again = Bundle::open(url);
    ASSERT_TRUE(again);
    EXPECT_EQ(again->bundleIdentifier(), "com.example.sample");

    const auto web = platform::Url::parse("https://example.com/Sample.app/");
    ASSERT_TRUE(web);
    EXPECT_FALSE(Bundle::open(*web));
}

TEST(Bundle, ExecutableNameCannotLeaveMacOS) {
    testsupport::TempDir dir;
    dir.write("A.app/Contents/Info.plist",
              "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleExecutable</key>"
              "<string>../../../etc/passwd</string></dict></plist>");
    const auto bundle = Bundle::open(dir / "A.app");
    ASSERT_TRUE(bundle);
    EXPECT_FALSE(bundle->executablePath());
}

TEST(Bundle, PathForResource) {
    const Bundle bundle = sample();
    const fs::path res = bundle.resourcePath();
    EXPECT_EQ(bundle.pathForResource("icon", "png"), res / "icon.png");
    EXPECT_EQ(bundle.pathForResource("icon", ".png"), res / "icon.png");
    EXPECT_EQ(bundle.pathForResource("icon.png", ""), res / "icon.png");
    // Unlocalized first, then the development localization.
    EXPECT_EQ(bundle.pathForResource("both", "txt"), res / "both.txt");
    EXPECT_EQ(bundle.pathForResource("Localizable", "strings"),
              res / "en.lproj/Localizable.strings");
    EXPECT_EQ(bundle.pathForResource("index", "html", "Help"), res / "Help/index.html");
    EXPECT_EQ(bundle.pathForResource("topic", "html", "Help"), res / "en.lproj/Help/topic.html");

    EXPECT_FALSE(bundle.pathForResource("Icon", "png"));  // names match exactly
    EXPECT_FALSE(bundle.pathForResource("icon", "jpg"));
    EXPECT_FALSE(bundle.pathForResource("index", "html"));  // lives in a subdirectory
    EXPECT_FALSE(bundle.pathForResource("", "png"));
}

TEST(Localization, LooksUpTablesOfTheBundle) {
    const Localization strings(sample());
    EXPECT_EQ(strings.localizedString("Hello"), "Hello, world");
    EXPECT_EQ(strings.localizedString("Quit %@"), "Quit \u201c%@\u201d");
    EXPECT_EQ(strings.localizedString("Not there"), "Not there");
    EXPECT_EQ(strings.localizedString("Hello", "NoSuchTable"), "Hello");
    ASSERT_NE(strings.table("Localizable"), nullptr);
    EXPECT_EQ(strings.table("Localizable"), strings.table("Localizable"));  // read once
    EXPECT_EQ(strings.table("NoSuchTable"), nullptr);
}

TEST(Localization, MalformedTableGivesKeysAndIsLoggedOnce) {
    const Localization strings(sample());
    platform::ScopedLogCapture capture;
    EXPECT_EQ(strings.localizedString("Broken", "Broken"), "Broken");
    EXPECT_EQ(strings.localizedString("Broken", "Broken"), "Broken");
    ASSERT_EQ(capture.sink.logged.size(), 1u);
    EXPECT_NE(capture.sink.logged[0].find("line 2"), std::string::npos);
}

TEST(Localization, ConcurrentFirstUse) {
    const Localization strings(sample());
    std::vector<std::thread> threads;
    std::vector<std::string> results(8);
    for (size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back([&, i] { results[i] = strings.localizedString("Hello"); });
    }
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, "Hello, world");
}

TEST(Localization, FreeFunctionFallsBackToTheKey) {
    // Test binaries are not bundles, so the main bundle has no tables.
    EXPECT_EQ(platform::localized("Some text", "a comment"), "Some text");
    EXPECT_EQ(platform::localized("##Standard", "group", "builtin_groups"), "##Standard");
}

}  // namespace
