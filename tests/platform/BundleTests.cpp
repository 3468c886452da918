#include "platform/workspace/Bundle.h"

#include <gtest/gtest.h>

#include <thread>
#include <vector>

#include "platform/core/Log.h"
#include "platform/core/Url.h"
#include "platform/workspace/Localization.h"
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

std::string plist(const std::string& body) {
    return "<?xml version=\"1.0\"?><plist version=\"1.0\">" + body + "</plist>";
}

TEST(Bundle, BundlePathForExecutable) {
    const fs::path cases[][2] = {
        {"/a/X.app/Contents/MacOS/X", "/a/X.app"},
        {"/a/b/../X.app/Contents/MacOS/./X", "/a/X.app"},
        // Anything short of the full layout is a plain tool in its folder.
        {"/build/bin/purlanectl", "/build/bin"},
        {"/a/X/Contents/MacOS/X", "/a/X/Contents/MacOS"},
        {"/a/X.app/MacOS/X", "/a/X.app/MacOS"},
        {"/a/X.app/Contents/X", "/a/X.app/Contents"},
        {"/Contents/MacOS/X", "/Contents/MacOS"},
    };
    for (const auto& [exe, bundle] : cases)
        EXPECT_EQ(Bundle::bundlePathForExecutable(exe), bundle) << exe;
}

TEST(Bundle, MainOfAToolIsItsFolderWithNoInfo) {
    const Bundle& main = Bundle::main();
    const fs::path exe = fs::read_symlink("/proc/self/exe");
    EXPECT_EQ(main.bundlePath(), exe.parent_path());
    EXPECT_TRUE(main.infoDictionary().empty());
    EXPECT_EQ(main.executablePath(), exe);
}

TEST(Bundle, ReadsXmlAndBinaryInfo) {
    const Bundle bundle = sample();
    EXPECT_EQ(bundle.bundleIdentifier(), "com.example.sample");
    ASSERT_NE(bundle.objectForInfoDictionaryKey("LSUIElement"), nullptr);
    EXPECT_EQ(bundle.objectForInfoDictionaryKey("LSUIElement")->asBoolean(), true);
    EXPECT_FALSE(bundle.infoString("LSUIElement"));  // not a string
    EXPECT_EQ(bundle.executablePath(), bundle.bundlePath() / "Contents/MacOS/Sample");

    const auto binary = Bundle::open(kData / "Binary.app");
    ASSERT_TRUE(binary);
    EXPECT_EQ(binary->bundleIdentifier(), "com.example.binary");
    EXPECT_EQ(binary->objectForInfoDictionaryKey("CFBundleVersion")->asInteger(), 7);
}

TEST(Bundle, UnusableInfoIsEmptyAndLogged) {
    testsupport::TempDir dir;
    dir.write("List.app/Contents/Info.plist", plist("<array><string>x</string></array>"));
    dir.write("Escape.app/Contents/Info.plist",
              plist("<dict><key>CFBundleExecutable</key><string>../../../etc/passwd</string>"
                    "</dict>"));
    fs::create_directories(dir / "Plain");
    for (const fs::path& path : {kData / "Broken.app", dir / "List.app"}) {
        platform::ScopedLogCapture capture;
        const auto bundle = Bundle::open(path);
        ASSERT_TRUE(bundle) << path;
        EXPECT_TRUE(bundle->infoDictionary().empty()) << path;
        EXPECT_FALSE(bundle->bundleIdentifier()) << path;
        EXPECT_EQ(capture.sink.logged.size(), 1u) << path;
    }
    // A folder without Info.plist is not an error, just a bundle without info.
    platform::ScopedLogCapture capture;
    const auto plain = Bundle::open(dir / "Plain/");
    ASSERT_TRUE(plain);
    EXPECT_EQ(plain->bundlePath(), dir / "Plain");
    EXPECT_FALSE(plain->executablePath());
    EXPECT_TRUE(capture.sink.logged.empty());
    // The executable name cannot leave Contents/MacOS.
    EXPECT_FALSE(Bundle::open(dir / "Escape.app").value().executablePath());
}

TEST(Bundle, OpenByPathOrUrl) {
    EXPECT_FALSE(Bundle::open(kData / "Absent.app"));
    EXPECT_FALSE(Bundle::open(kData / "Sample.app/Contents/Info.plist"));
    EXPECT_FALSE(Bundle::open(fs::path()));
    EXPECT_EQ(Bundle::open(sample().bundleURL()).value().bundleIdentifier(), "com.example.sample");
    EXPECT_FALSE(Bundle::open(platform::Url::parse("https://example.com/Sample.app/").value()));
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
    EXPECT_EQ(strings.table("Localizable"), strings.table("Localizable"));  // read once
    // Test binaries are not bundles, so the main bundle has no tables.
    EXPECT_EQ(platform::localized("Some text", "a comment"), "Some text");
    EXPECT_EQ(platform::localized("##Standard", "group", "builtin_groups"), "##Standard");
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
    std::vector<std::string> results(8);
    std::vector<std::thread> threads;
    for (auto& r : results) threads.emplace_back([&] { r = strings.localizedString("Hello"); });
    for (auto& t : threads) t.join();
    for (const auto& r : results) EXPECT_EQ(r, "Hello, world");
}

}  // namespace
