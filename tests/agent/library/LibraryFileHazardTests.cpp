// Library files come from another program: a FIFO, a folder, a link to a device or a file we
// may not read, put where a library file belongs, fails its family like a missing file, with the
// OS's error, and the next family is tried. Nothing blocks and nothing is read without end.

#include <gtest/gtest.h>

#include <algorithm>
#include <tuple>

#include "platform/core/Log.h"
#include "tests/agent/library/LibraryTestSupport.h"
#include "tests/support/HostileFiles.h"

using namespace librarytest;
using testsupport::HostileFile;

namespace {

using L = SharedDataLoader;
using Lines = std::vector<std::string>;

std::string opened(const std::string& name, const std::string& because = {}) {
    return "The file \u201c" + name + "\u201d couldn\u2019t be opened" +
           (because.empty() ? "." : " because " + because + ".");
}
const std::string kMissing = "The data couldn\u2019t be read because it is missing.";
const std::string kNoBuiltinJson = opened(L::kBuiltinJson, "there is no such file");
const std::string kJson = "json/", kPlist = "plist/";

template <typename... Text>
Lines lines(const Text&... text) {
    return {std::string(text)...};
}

struct Family {
    const char* name;
    Lines installed;      // fixtures, as "folder/file"
    const char* planted;  // the file replaced by the hostile one
    bool version8;
    std::optional<std::string> userGroup;  // of what loads instead
    // The lines printed, with "!" standing for the refusal of the planted file.
    Lines printed;
};

const Family kFamilies[] = {
    {"JsonBuiltin", lines(kJson + L::kUserJson, kPlist + L::kBuiltinPlist, kPlist + L::kUserPlist),
     L::kBuiltinJson, false, "Letters", lines("!")},
    {"JsonUser", lines(kJson + L::kBuiltinJson, kPlist + L::kBuiltinPlist, kPlist + L::kUserPlist),
     L::kUserJson, false, "Letters", lines("!")},
    // Both property-list layouts read the same two files, so both fail on them.
    {"PropertyListBuiltin", lines(kPlist + L::kUserPlist), L::kBuiltinPlist, false, std::nullopt,
     lines(kNoBuiltinJson, "!", "!")},
    // The first layout stops at the built-in file, which is of the current layout.
    {"PropertyListUser", lines(kPlist + L::kBuiltinPlist), L::kUserPlist, false, std::nullopt,
     lines(kNoBuiltinJson, "!", kMissing)},
    {"LegacyList", lines(kJson + L::kBuiltinJson, kJson + L::kUserJson), L::kLegacyLists, true,
     std::nullopt, lines("!")},
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
    const bool unreadable = kind == HostileFile::Unreadable;
    Lines expected = family.printed;
    std::replace(
        expected.begin(), expected.end(), std::string("!"),
        opened(family.planted, unreadable ? "you don\u2019t have permission to view it" : ""));
    EXPECT_EQ(capture.sink.printed, expected);
}

INSTANTIATE_TEST_SUITE_P(Library, LibraryFileHazardTest,
                         testing::Combine(testing::ValuesIn(kFamilies),
                                          testing::ValuesIn(testsupport::kHostileFiles)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    testsupport::nameOf(std::get<1>(info.param));
                         });

}  // namespace
