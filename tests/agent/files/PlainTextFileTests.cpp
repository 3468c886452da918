// Plain-text files: reading in a named or detected encoding, writing in the requested one (or
// the one read), the failures and their lines, and what stays on disk after them.

#include <sys/stat.h>

#include <filesystem>

#include "platform/coding/StringEncodings.h"
#include "tests/agent/files/FileCleanerFixture.h"

using namespace platform;
using filestest::FileCleanerTest;
namespace fs = std::filesystem;

namespace {

const std::string kUtf8 = "Unicode (UTF-8)";
const std::string kLatin1 = "Western (ISO Latin 1)";
// Long enough for charset detection to be sure of it.
const std::string kFrenchLatin1 =
    "Le caf\xE9 de la gar\xE7on est tr\xE8s \xE9l\xE9gant; il a d\xE9j\xE0 pr\xE9par\xE9 la "
    "cr\xE8me br\xFBl\xE9"
    "e et les cr\xEApes pour la f\xEAte de No\xEBl \xE0 l'h\xF4tel.\n";
const std::string kFrenchLatin1Upper =
    "LE CAF\xE9 DE LA GAR\xE7ON EST TR\xE8S \xE9L\xE9GANT; IL A D\xE9J\xE0 PR\xE9PAR\xE9 LA "
    "CR\xE8ME BR\xFBL\xE9"
    "E ET LES CR\xEAPES POUR LA F\xEATE DE NO\xEBL \xE0 L'H\xF4TEL.\n";

struct ReadCase {
    std::string label;
    std::string bytes;
    PropertyList::Dictionary options;
    std::string written;    // the file's bytes afterwards
    std::string encodings;  // "r:…][w:…" of the line, or the read error's description
};

// UTF-16 with a byte-order mark, big- or little-endian.
std::string utf16(const std::u16string& text, bool bigEndian) {
    std::string out = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (char16_t c : text) {
        const char high = static_cast<char>(c >> 8), low = static_cast<char>(c & 0xFF);
        out += bigEndian ? high : low;
        out += bigEndian ? low : high;
    }
    return out;
}

class PlainTextFileTest : public FileCleanerTest {
  protected:
    void clean(const std::string& p, PropertyList::Dictionary options) {
        if (!options.find("cleanerName")) options.set("cleanerName", "#UPPER");
        cleaner.cleanSingleFile(p, options);
    }
    std::vector<std::string> folderContents(const fs::path& folder) {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(folder))
            names.push_back(e.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }
};

TEST_F(PlainTextFileTest, ReadsInTheNamedOrDetectedEncodingAndWritesInTheOneAskedOrRead) {
    const std::string undetermined =
        "The file \u201cnotes.txt\u201d couldn\u2019t be opened because the text encoding of its "
        "contents can\u2019t be determined.";
    const ReadCase cases[] = {
        {"UTF-8",
         "h\xC3\xA9llo w\xC3\xB6rld",
         {},
         "H\xC3\xA9LLO W\xC3\xB6RLD",
         "r:" + kUtf8 + "][w:" + kUtf8},
        {"UTF-8 mark dropped", "\xEF\xBB\xBFhi", {}, "HI", "r:" + kUtf8 + "][w:" + kUtf8},
        // Written back with a mark in the machine's order, as the OS writes UTF-16.
        {"UTF-16 with mark",
         utf16(u"h\u00e9 \u2603", false),
         {},
         utf16(u"H\u00e9 \u2603", false),
         "r:Unicode (UTF-16)][w:Unicode (UTF-16)"},
        {"UTF-16 big-endian",
         utf16(u"hi", true),
         {{"readEncoding", "Automatic"}},
         utf16(u"HI", false),
         "r:Unicode (UTF-16)][w:Unicode (UTF-16)"},
        {"Latin-1 detected stays Latin-1",
         kFrenchLatin1,
         {},
         kFrenchLatin1Upper,
         "r:" + kLatin1 + "][w:" + kLatin1},
        {"Automatic is UTF-8 first, then detection",
         kFrenchLatin1,
         {{"readEncoding", "Automatic"}},
         kFrenchLatin1Upper,
         "r:" + kLatin1 + "][w:" + kLatin1},
        {"a named encoding that does not fit falls back to detection",
         kFrenchLatin1,
         {{"readEncoding", "utf-8"}},
         kFrenchLatin1Upper,
         "r:" + kLatin1 + "][w:" + kLatin1},
        {"named read, written as UTF-8",
         "caf\xE9",
         {{"readEncoding", "ISO Latin 1"}, {"writeEncoding", "Automatic"}},
         "CAF\xC3\xA9",
         "r:" + kLatin1 + "][w:" + kUtf8},
        {"named write",
         "caf\xC3\xA9",
         {{"writeEncoding", "western (iso latin 1)"}},
         "CAF\xE9",
         "r:" + kUtf8 + "][w:" + kLatin1},
        {"unknown write name is UTF-8",
         "caf\xE9",
         {{"readEncoding", "ISO Latin 1"}, {"writeEncoding", "Klingon"}},
         "CAF\xC3\xA9",
         "r:" + kLatin1 + "][w:" + kUtf8},
        {"undecodable: a UTF-16 mark before an unpaired surrogate",
         std::string("\xFE\xFF\xD8\x00\x00\x41", 6),
         {},
         std::string("\xFE\xFF\xD8\x00\x00\x41", 6),
         undetermined},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        logs.sink.logged.clear();
        const std::string p = file("notes.txt", c.bytes);
        clean(p, c.options);
        EXPECT_EQ(read("notes.txt"), c.written);
        ASSERT_EQ(lines().size(), 1u);
        if (c.encodings.starts_with("r:"))
            EXPECT_EQ(lines()[0], "-: " + p + "  [public.plain-text][" + c.encodings + "]");
        else
            EXPECT_EQ(lines()[0], "[Error] could not read file: " + p + " - (" + c.encodings + ")");
        // The private pasteboard is gone after each clean.
        EXPECT_TRUE(store->names().empty());
    }
}

TEST_F(PlainTextFileTest, NamesBecomeTokensForPlainText) {
    const std::string p = file("notes.txt", "abc");
    clean(p, {{"cleanerName", "Upper Case"}});
    ASSERT_EQ(client.requests.size(), 1u);
    EXPECT_EQ(client.requests[0].cleaner, "#UPPER");
    EXPECT_EQ(client.requests[0].types, std::vector<std::string>{"public.utf8-plain-text"});
    EXPECT_EQ(read("notes.txt"), "ABC");
}

TEST_F(PlainTextFileTest, AFailedWriteLeavesNoPartialFileAndTheSourceIntact) {
    const std::string p = file("notes.txt", "abc");
    // A file where the destination folder should be: the folder cannot be made.
    file("out", "not a folder");
    clean(p, {{"useDestinationFolder", true}, {"destFolder", "out"}});
    ASSERT_EQ(lines().size(), 2u);
    EXPECT_EQ(lines()[1], "[Error] Write: The folder \u201cout\u201d doesn\u2019t exist..");
    EXPECT_EQ(read("notes.txt"), "abc");
    EXPECT_EQ(read("out"), "not a folder");
    EXPECT_EQ(folderContents(temp.path()), (std::vector<std::string>{"notes.txt", "out"}));
}

TEST_F(PlainTextFileTest, AReplacedFileKeepsItsPermissions) {
    const std::string p = file("notes.txt", "abc");
    ASSERT_EQ(::chmod(p.c_str(), 0640), 0);
    clean(p, {});
    EXPECT_EQ(read("notes.txt"), "ABC");
    struct stat st {};
    ASSERT_EQ(::stat(p.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST(StringEncodingsFiles, EncodingFailsInsteadOfSubstituting) {
    EXPECT_EQ(StringEncodings::encode("caf\xC3\xA9", 0x0201), "caf\xE9");
    EXPECT_EQ(StringEncodings::encode("\xE2\x98\x83", 0x0201), std::nullopt);
    EXPECT_EQ(StringEncodings::encode("\xE2\x98\x83", 0x0600), std::nullopt);
    EXPECT_EQ(StringEncodings::encode("hi", StringEncodings::kUTF16), utf16(u"hi", false));
    EXPECT_EQ(StringEncodings::decode("\xEF\xBB\xBFhi", StringEncodings::kUTF8), "hi");
    EXPECT_EQ(StringEncodings::decode("\xE9", StringEncodings::kUTF8), std::nullopt);
}

}  // namespace
