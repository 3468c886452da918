#include "platform/core/WholeFile.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "platform/coding/Json.h"
#include "platform/coding/PropertyListSerialization.h"
#include "platform/coding/StringsTable.h"
#include "platform/events/ScriptingDefinition.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::Error;
using platform::WholeFile;
using testsupport::HostileFile;
using Outcome = WholeFile::Outcome;

constexpr int kFlags = O_RDONLY | O_NONBLOCK;

std::string opened(const std::string& name, const std::string& because = {}) {
    return "The file \u201c" + name + "\u201d couldn\u2019t be opened" +
           (because.empty() ? "." : " because " + because + ".");
}

TEST(WholeFileTest, ReadsRegularFilesThroughLinksUpToTheLimitExactly) {
    testsupport::TempDir temp;
    const fs::path file = temp.write("f", std::string(16, 'x'));
    fs::create_symlink(file, temp / "link");
    for (const fs::path& path : {file, temp / "link"}) {
        const WholeFile read = WholeFile::read(path, kFlags, 16);
        EXPECT_EQ(read.outcome, Outcome::Read) << path;
        EXPECT_EQ(read.bytes, std::string(16, 'x'));
        EXPECT_TRUE(read.identity.id.exists);
    }
    EXPECT_EQ(WholeFile::read(file, kFlags, 15).outcome, Outcome::TooLarge);
    EXPECT_EQ(WholeFile::read(temp / "none", kFlags, 16).outcome, Outcome::Missing);
    EXPECT_EQ(WholeFile::read(file / "below", kFlags, 16).outcome, Outcome::Missing)
        << "a path through a file";
}

TEST(WholeFileTest, ASparseGiantIsRefusedBeforeAnythingIsRead) {
    testsupport::TempDir temp;
    const fs::path file = temp.write("giant", "");
    ASSERT_EQ(::truncate(file.c_str(), WholeFile::kDefaultMaxSize + 1), 0);
    auto read = WholeFile::contents(file);
    ASSERT_FALSE(read.ok());
    EXPECT_EQ(read.error().localizedDescription, opened("giant", "it is too large"));
    EXPECT_EQ(read.error().code, Error::kFileReadTooLarge);
}

TEST(WholeFileTest, AFileThatOutgrowsItsStatedSizeIsReadWholeOrRefused) {
    // Regular, stated as empty, yet with contents: like a file that grows while being read.
    const fs::path file = "/proc/self/status";
    const WholeFile whole = WholeFile::read(file, kFlags, 1 << 20);
    ASSERT_EQ(whole.outcome, Outcome::Read);
    ASSERT_GT(whole.bytes.size(), 16u);
    EXPECT_EQ(WholeFile::read(file, kFlags, 16).outcome, Outcome::TooLarge)
        << "the first 16 bytes are no whole file";
    EXPECT_EQ(WholeFile::read(file, kFlags, 16).bytes, "");
}

class HostileFileTest : public testing::TestWithParam<HostileFile> {};

// Every reader of outside files gives the same error for the same failure, and none of them
// blocks on a FIFO or reads /dev/zero until memory runs out.
TEST_P(HostileFileTest, EveryReaderRefusesItWithTheOSError) {
    testsupport::TempDir temp;
    const fs::path file = temp / "lib.json";
    ASSERT_TRUE(testsupport::plant(GetParam(), file));
    testsupport::ActingAsOrdinaryUser::openToOthers(temp.path());
    testsupport::ActingAsOrdinaryUser user;
    if (!user.active()) GTEST_SKIP() << "root without the right to act as another user";
    testsupport::Watchdog watchdog(30);

    // The file of mode 000 does not open; the others open but are no regular files.
    const bool unreadable = GetParam() == HostileFile::Unreadable;
    EXPECT_EQ(WholeFile::read(file, kFlags, 1024).outcome,
              unreadable ? Outcome::OpenFailed : Outcome::NotAFile);
    for (const Error& e :
         {WholeFile::contents(file).error(), platform::Json::readFile(file).error(),
          platform::PropertyListSerialization::readFile(file).error(),
          platform::StringsTable::readFile(file).error(),
          platform::ScriptingDefinition::readFile(file).error()}) {
        EXPECT_EQ(
            e.localizedDescription,
            opened("lib.json", unreadable ? "you don\u2019t have permission to view it" : ""));
        EXPECT_EQ(e.code, unreadable ? Error::kFileReadNoPermission : Error::kFileReadUnknown);
        EXPECT_EQ(e.domain, "NSCocoaErrorDomain");
    }
}

INSTANTIATE_TEST_SUITE_P(Files, HostileFileTest, testing::ValuesIn(testsupport::kHostileFiles),
                         [](const auto& info) { return testsupport::nameOf(info.param); });

}  // namespace
