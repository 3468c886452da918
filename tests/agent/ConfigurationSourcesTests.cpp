// The agent's configuration is its user defaults: nothing in the agent reads the environment.
// Variables the Linux platform honours are settings of the platform, read in platform/linux.

#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

const fs::path kSource = fs::path(PURLANE_TEST_DATA).parent_path().parent_path();

TEST(ConfigurationSources, NothingInTheAgentReadsTheEnvironment) {
    const std::regex reads(R"(\b(getenv|secure_getenv|environ|qgetenv|qEnvironmentVariable\w*|)"
                           R"(QProcessEnvironment|PURLANE_[A-Z_]+)\b)");
    size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(kSource / "agent")) {
        if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
        ++files;
        const std::string text = testsupport::readFile(entry.path());
        std::smatch found;
        EXPECT_FALSE(std::regex_search(text, found, reads))
            << fs::relative(entry.path(), kSource) << " uses " << found.str();
    }
    EXPECT_GT(files, 20u) << "no agent sources under " << kSource / "agent";
}

// The platform's own variables stay in its Linux implementation.
TEST(ConfigurationSources, PlatformVariablesAreReadOnlyOnLinux) {
    const std::regex reads(R"(getenv\(\s*"PURLANE_)");
    for (const char* folder : {"platform", "tools", "launcher", "launchwatcher"}) {
        if (!fs::exists(kSource / folder)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(kSource / folder)) {
            if (entry.path().extension() != ".cpp" && entry.path().extension() != ".h") continue;
            const fs::path relative = fs::relative(entry.path(), kSource);
            if (relative.string().starts_with("platform/linux/")) continue;
            EXPECT_FALSE(std::regex_search(testsupport::readFile(entry.path()), reads)) << relative;
        }
    }
}

}  // namespace
