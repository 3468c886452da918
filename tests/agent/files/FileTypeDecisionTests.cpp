// Which files the cleaner takes as rich text, as plain text or not at all, by their type
// identifiers and the caller's extra extensions; and the identifiers' conformance it relies on.

#include <filesystem>

#include "platform/workspace/TypeIdentifiers.h"
#include "tests/agent/files/FileCleanerFixture.h"

using namespace platform;
using filestest::FileCleanerTest;
using TI = platform::TypeIdentifiers;

namespace {

struct Conformance {
    std::string type, other;
    bool conforms;
};

TEST(TypeIdentifiers, ConformanceFollowsTheDeclarations) {
    const std::string markdown = TI::preferredIdentifierForExtension("md");
    const std::string unknown = TI::preferredIdentifierForExtension("foo");
    const Conformance cases[] = {
        {"public.rtf", "public.text", true},
        {"public.rtf", "public.plain-text", false},
        {"com.apple.rtfd", "public.rtf", false},
        {"com.apple.rtfd", "com.apple.package", true},
        {markdown, "public.plain-text", true},
        {"public.html", "public.plain-text", false},
        {"public.html", "public.text", true},
        {"public.c-source", "public.plain-text", true},
        {"public.utf16-external-plain-text", "public.plain-text", true},
        {"public.xhtml", "public.xml", true},
        {"PUBLIC.Plain-Text", "public.text", true},
        {"public.png", "public.text", false},
        {"public.plain-text", "public.utf8-plain-text", false},
        {unknown, "public.text", false},
        {unknown, "public.data", true},
        {unknown, unknown, true},
        {"", "public.text", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TI::conformsTo(c.type, c.other), c.conforms) << c.type << " → " << c.other;
    EXPECT_EQ(markdown, "net.daringfireball.markdown");
}

TEST(TypeIdentifiers, UndeclaredExtensionsGetADynamicIdentifierOfTheirOwn) {
    const std::string foo = TI::preferredIdentifierForExtension("foo");
    EXPECT_TRUE(foo.starts_with("dyn.a")) << foo;
    EXPECT_TRUE(TI::isDynamic(foo));
    EXPECT_FALSE(TI::isDeclared(foo));
    EXPECT_EQ(TI::preferredIdentifierForExtension("FOO"), foo);
    EXPECT_NE(TI::preferredIdentifierForExtension("bar"), foo);
    EXPECT_EQ(TI::preferredIdentifierForExtension("TXT"), "public.plain-text");
    EXPECT_EQ(TI::preferredIdentifierForExtension(""), "public.data");
    for (const auto& listed : FileCleaner::richTypes()) EXPECT_FALSE(TI::conformsTo(foo, listed));
    for (const auto& listed : FileCleaner::plainTypes()) EXPECT_FALSE(TI::conformsTo(foo, listed));
}

enum class Make { File, RtfdFolder, Folder, Nothing };

struct TypeCase {
    std::string name;
    Make make;
    std::vector<std::string> extensions;
    // The cleaner's line for the file; "$" stands for its path.
    std::string line;
    bool cleaned;
};

const char* kRtf = "{\\rtf1\\ansi\\deff0{\\fonttbl{\\f0 Helvetica;}}\\f0 hello}";

class TypeDecisionTest : public FileCleanerTest {};

TEST_F(TypeDecisionTest, FilesAreCleanedByTheirTypeInListOrder) {
    const std::string dynFoo = TI::preferredIdentifierForExtension("foo");
    const std::string plain8 = "][r:Unicode (UTF-8)][w:Unicode (UTF-8)]";
    const TypeCase cases[] = {
        {"notes.txt", Make::File, {}, "-: $  [public.plain-text" + plain8, true},
        {"page.html", Make::File, {}, "-: $  [public.html" + plain8, true},
        {"readme.md", Make::File, {}, "-: $  [net.daringfireball.markdown" + plain8, true},
        {"data.xml", Make::File, {}, "-: $  [public.xml" + plain8, true},
        // Source code is plain text to the OS.
        {"main.c", Make::File, {}, "-: $  [public.plain-text" + plain8, true},
        {"letter.rtf", Make::File, {}, "-: $  [public.rtf]", true},
        {"letter.rtfd", Make::RtfdFolder, {}, "-: $  [com.apple.rtfd]", true},
        {"photo.png", Make::File, {}, "-- $ (public.png) [unknown][unsupported]", false},
        {"notes.foo", Make::File, {}, "-- $ (" + dynFoo + ") [unknown][unsupported]", false},
        // A listed extension is plain text under the file's own type, whatever the case.
        {"notes.foo", Make::File, {"bar", "FOO"}, "-: $  [" + dynFoo + plain8, true},
        {"album", Make::Folder, {}, "-- $ (public.folder) [unknown][unsupported]", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        logs.sink.logged.clear();
        client.requests.clear();
        std::string p = path(c.name);
        if (c.make == Make::File)
            file(c.name, c.name.ends_with(".rtf") ? kRtf : "hello");
        else if (c.make == Make::RtfdFolder)
            temp.write(c.name + "/TXT.rtf", kRtf);
        else if (c.make == Make::Folder)
            std::filesystem::create_directories(p);
        PropertyList::Array extensions(c.extensions.begin(), c.extensions.end());
        cleaner.cleanSingleFile(p, {{"cleanerName", "#UPPER"}, {"extensions", extensions}});

        std::string expected = c.line;
        expected.replace(expected.find('$'), 1, p);
        EXPECT_EQ(lines(), std::vector<std::string>{expected});
        EXPECT_EQ(client.requests.size(), c.cleaned ? 1u : 0u);
        std::filesystem::remove_all(p);
    }
}

TEST_F(TypeDecisionTest, NothingIsDoneWithoutACleaner) {
    const std::string p = file("notes.txt", "hello");
    cleaner.cleanSingleFile(p, {{"cleanerName", 42}});
    EXPECT_EQ(lines(),
              std::vector<std::string>{"cleanSingleFile: cleaner undefined -- action cancelled"});
    EXPECT_TRUE(client.requests.empty());
    EXPECT_EQ(read("notes.txt"), "hello");
}

TEST_F(TypeDecisionTest, AMissingFileReportsTheTypeErrorAndIsNotCleaned) {
    const std::string p = path("gone.txt");
    cleaner.cleanSingleFile(p, {{"cleanerName", "#UPPER"}});
    EXPECT_EQ(lines(), (std::vector<std::string>{
                           "Error: The file \u201cgone.txt\u201d couldn\u2019t be opened because "
                           "there is no such file.",
                           "-- " + p + " ((null)) [unknown][unsupported]"}));

    // Listed as an extra extension it reaches the plain-text cleaner, which finds no file.
    logs.sink.logged.clear();
    cleaner.cleanSingleFile(
        p, {{"cleanerName", "#UPPER"}, {"extensions", PropertyList::Array{"txt"}}});
    EXPECT_EQ(lines().back(), "Could not locate " + p + ". Make sure the file exists.");
    EXPECT_TRUE(client.requests.empty());
}

struct Collected : FileCleanerLogger {
    void writeLog(const std::string& line) override { lines.push_back(line); }
    std::vector<std::string> lines;
};

TEST_F(TypeDecisionTest, ProgressGoesToTheLoggerWhileItLivesAndSystemLinesToTheLog) {
    auto logger = std::make_shared<Collected>();
    cleaner.setLogger(logger);
    const std::string gone = path("gone.png");
    cleaner.cleanSingleFile(gone, {{"cleanerName", "#UPPER"}});
    cleaner.writeLog(std::optional<std::string>("a %@ b"), std::optional<std::string>("x"));
    // Formats without "%@", or without a parameter, write nothing.
    cleaner.writeLog(std::optional<std::string>("plain"), std::optional<std::string>("x"));
    cleaner.writeLog(std::optional<std::string>("a %@"), std::nullopt);
    cleaner.writeLog(std::nullopt, std::optional<std::string>("x"));
    EXPECT_EQ(logger->lines, (std::vector<std::string>{
                                 "-- " + gone + " ((null)) [unknown][unsupported]", "a x b"}));
    ASSERT_EQ(lines().size(), 1u);
    EXPECT_TRUE(lines()[0].starts_with("Error: ")) << lines()[0];

    logger.reset();
    cleaner.writeLog("after");
    EXPECT_EQ(lines().back(), "after");
}

TEST_F(TypeDecisionTest, OnlyFileUrlsWithAPathAreCleaned) {
    const std::string p = file("notes.txt", "hello");
    cleaner.cleanForURL(*Url::parse("https://example.com" + p), {{"cleanerName", "#UPPER"}});
    cleaner.cleanForURL(*Url::parse("file://"), {{"cleanerName", "#UPPER"}});
    EXPECT_TRUE(client.requests.empty());
    cleaner.cleanForURL(Url::fileURLWithPath(p), {{"cleanerName", "#UPPER"}});
    EXPECT_EQ(read("notes.txt"), "HELLO");
}

}  // namespace
