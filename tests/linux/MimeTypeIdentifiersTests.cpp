// File types on Linux: shared-mime-info's answer mapped onto the OS's type identifiers.

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/linux/MimeTypeIdentifiers.h"
#include "platform/workspace/TypeIdentifiers.h"
#include "tests/support/TempDir.h"

using namespace platform;
namespace fs = std::filesystem;

namespace {

struct TypeCase {
    std::string name;
    std::string contents;  // "/" for a folder
    std::string type;
};

TEST(MimeTypeIdentifiers, FilesGetTheIdentifiersOfTheirMimeTypes) {
    testsupport::TempDir temp;
    const std::string binary("\x7F\x01\x02\x03\x00\xFF\xFE\x80\x81\x00", 10);
    const TypeCase cases[] = {
        {"a.txt", "hello", "public.plain-text"},
        {"empty.txt", "", "public.plain-text"},
        {"a.md", "# x", "net.daringfireball.markdown"},
        {"a.markdown", "# x", "net.daringfireball.markdown"},
        {"a.html", "<p>x</p>", "public.html"},
        {"a.HTM", "<p>x</p>", "public.html"},
        {"a.xml", "<a/>", "public.xml"},
        {"a.rtf", "{\\rtf1 x}", "public.rtf"},
        {"a.c", "int x;", "public.c-source"},
        {"a.py", "x = 1", "public.python-script"},
        {"a.json", "{}", "public.json"},
        {"a.png", "\x89PNG\r\n", "public.png"},
        // An extension nobody declared: dynamic, whatever the contents.
        {"a.foo", "plain words", TypeIdentifiers::dynamicIdentifierForExtension("foo")},
        // No extension: the contents decide.
        {"notes", "plain words\n", "public.plain-text"},
        {"blob", binary, "public.data"},
        {"doc.rtfd", "/", "com.apple.rtfd"},
        {"album", "/", "public.folder"},
    };
    MimeTypeIdentifiers types;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.contents == "/")
            fs::create_directories(temp / c.name);
        else
            temp.write(c.name, c.contents);
        auto type = types.typeOfFile((temp / c.name).string());
        ASSERT_TRUE(type.ok()) << type.error().debugDescription();
        EXPECT_EQ(*type, c.type);
    }
    // Source code and scripts are plain text to the cleaner.
    EXPECT_TRUE(TypeIdentifiers::conformsTo("public.python-script", TypeIdentifiers::kPlainText));
}

TEST(MimeTypeIdentifiers, AMissingFileIsAnError) {
    testsupport::TempDir temp;
    auto type = MimeTypeIdentifiers().typeOfFile((temp / "gone.txt").string());
    ASSERT_FALSE(type.ok());
    EXPECT_EQ(type.error().code, Error::kFileReadNoSuchFile);
    EXPECT_EQ(
        type.error().localizedDescription,
        "The file \u201cgone.txt\u201d couldn\u2019t be opened because there is no such file.");
}

}  // namespace
