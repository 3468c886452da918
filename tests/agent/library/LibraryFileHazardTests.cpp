// Library files come from another program: a FIFO, a folder, a link to a device or a file we
// may not read, put where a library file belongs, fails its family like a missing file, with the
// OS's error, and the next family is tried. Nothing blocks and nothing is read without end.

#include <gtest/gtest.h>

#include <tuple>

#include "platform/core/Log.h"
#include "tests/agent/library/LibraryTestSupport.h"
#include "tests/support/HostileFiles.h"

using namespace librarytest;
using testsupport::HostileFile;

namespace {

using L = SharedDataLoader;
using Lines = std::vector<std::string>;

std::string noSuchFile(const std::string& name) {
    return "The file \u201c" + name +
           "\u201d couldn\u2019t be opened because there is no such file.";
}
const std::string kMissing = "The data couldn\u2019t be read because it is missing.";

// What the loader prints for `kind` planted as `name`.
std::string refused(HostileFile kind, const std::string& name) {
    const std::string start = "The file \u201c" + name + "\u201d couldn\u2019t be opened";
    if (kind == HostileFile::Unreadable)
        return start + " because you don\u2019t have permission to view it.";
    return start + ".";
}

struct Family {
    const char* name;
    std::vector<std::string> installed;  // fixtures, as "folder/file"
    const char* planted;                 // the file replaced by the hostile one
    bool version8;
    std::optional<std::string> userGroup;  // of what loads instead
    // The lines printed, with "!" standing for the refusal of the planted file.
    Lines printed;
};

const Family kFamilies[] = {
    {"JsonBuiltin",
     {"json/" + std::string(L::kUserJson), "plist/" + std::string(L::kBuiltinPlist),
      "plist/" + std::string(L::kUserPlist)},
     L::kBuiltinJson,
     false,
     "Letters",
     {"!"}},
    {"JsonUser",
     {"json/" + std::string(L::kBuiltinJson), "plist/" + std::string(L::kBuiltinPlist),
      "plist/" + std::string(L::kUserPlist)},
     L::kUserJson,
     false,
     "Letters",
     {"!"}},
    // Both property-list layouts read the same two files, so both fail on them.
    {"PropertyListBuiltin",
     {"plist/" + std::string(L::kUserPlist)},
     L::kBuiltinPlist,
     false,
     std::nullopt,
     {noSuchFile(L::kBuiltinJson), "!", "!"}},
    // The first layout stops at the built-in file, which is of the current layout.
    {"PropertyListUser",
     {"plist/" + std::string(L::kBuiltinPlist)},
     L::kUserPlist,
     false,
     std::nullopt,
     {noSuchFile(L::kBuiltinJson), "!", kMissing}},
    {"LegacyList",
     {"json/" + std::string(L::kBuiltinJson), "json/" + std::string(L::kUserJson)},
     L::kLegacyLists,
     true,
     std::nullopt,
     {"!"}},
};

// Readable names in test listings instead of byte dumps.
void PrintTo(const Family& family, std::ostream* os) {
    *os << family.name;
}

class LibraryFileHazardTest : public testing::TestWithParam<std::tuple<Family, HostileFile>> {};

TEST_P(LibraryFileHazardTest, FailsItsFamilyWithTheOSErrorAndTheNextIsTried) {
    const auto& [family, kind] = GetParam();
    LibraryEnvironment env;
    for (const std::string& fixture : family.installed) env.install(fixture);
    ASSERT_TRUE(testsupport::plant(kind, env.dataFolder() / family.planted));
    env.agent.standardUserDefaults().setBool(L::kPL8ConnectKey, family.version8);

    testsupport::ActingAsOrdinaryUser::openToOthers(env.temp.path());
    testsupport::ActingAsOrdinaryUser user;
    if (!user.active()) GTEST_SKIP() << "root without the right to act as another user";
    platform::ScopedLogCapture capture;
    testsupport::Watchdog watchdog(30);
    const auto data = env.loader.loadSharedData();

    EXPECT_EQ(data ? std::optional(data->user.groups.at(0).name) : std::nullopt, family.userGroup);
    Lines expected = family.printed;
    for (std::string& line : expected)
        if (line == "!") line = refused(kind, family.planted);
    EXPECT_EQ(capture.sink.printed, expected);
}

INSTANTIATE_TEST_SUITE_P(Library, LibraryFileHazardTest,
                         testing::Combine(testing::ValuesIn(kFamilies),
                                          testing::Values(HostileFile::Fifo, HostileFile::Directory,
                                                          HostileFile::LinkToDevZero,
                                                          HostileFile::Unreadable)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    testsupport::nameOf(std::get<1>(info.param));
                         });

}  // namespace
