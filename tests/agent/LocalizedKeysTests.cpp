// Every text the agent shows goes through localized(key, comment[, table]); a key missing from
// the strings tables would show the bare key to users.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <set>

#include "platform/coding/StringsTable.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(PURLANE_TEST_DATA).parent_path().parent_path();

TEST(LocalizedKeys, EveryKeyUsedInTheAgentIsInItsStringsTable) {
    const std::regex call(
        R"re(localized\(\s*"((?:[^"\\]|\\.)*)"\s*,\s*"(?:[^"\\]|\\.)*"\s*(?:,\s*"([^"]*)")?)re");
    std::map<std::string, std::set<std::string>> used;  // table -> keys
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "agent")) {
        if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
        const std::string text = testsupport::readFile(entry.path());
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
            const std::string table = (*it)[2].matched ? (*it)[2].str() : "Localizable";
            // Keys carry C escapes ("\n") in the source as in the table: read them alike.
            auto key = platform::StringsTable::parse("\"" + (*it)[1].str() + "\" = \"\";");
            ASSERT_TRUE(key.ok() && key->size() == 1) << (*it)[1].str();
            used[table].insert(key->begin()->first);
        }
    }
    ASSERT_FALSE(used.empty()) << "no localized texts found under " << kSource / "agent";
    for (const auto& [table, keys] : used) {
        auto strings =
            platform::StringsTable::readFile(kSource / "resources/en.lproj" / (table + ".strings"));
        ASSERT_TRUE(strings.ok()) << table << ": " << strings.error().debugDescription();
        for (const auto& key : keys)
            EXPECT_NE(strings->find(key), nullptr) << "\"" << key << "\" missing from " << table;
    }
}

}  // namespace
