// Where a cleaned file is written: the naming options alone and together, the destination
// folder, and the two warnings.

#include <filesystem>

#include "tests/agent/files/FileCleanerFixture.h"

using namespace platform;
using filestest::FileCleanerTest;
namespace fs = std::filesystem;

namespace {

const char* kAddWarning = "WARNING: Use Add Text to Name specified, but no text provided";
const char* kFolderWarning =
    "WARNING: Use Destination Folder was specified, but no destination folder provided";

struct PathCase {
    std::string source;  // inside the folder "dir"
    PropertyList::Dictionary options;
    // Relative to the temporary folder; empty: the source itself.
    std::string result;
    std::vector<std::string> warnings;
};

class ResultPathTest : public FileCleanerTest {};

TEST_F(ResultPathTest, NewNamesTakeEffectOnlyInADestinationFolder) {
    const PropertyList::Dictionary out{{"useDestinationFolder", true}, {"destFolder", "out"}};
    auto with = [&out](PropertyList::Dictionary options) {
        for (const auto& [key, value] : out) options.set(key, value);
        return options;
    };
    const PropertyList::Dictionary addAfter{
        {"useAddTextToName", true}, {"textToAdd", "-clean"}, {"addTextToNameOption", 1}};
    const PathCase cases[] = {
        {"report.txt", {}, "", {}},
        {"report.txt", out, "dir/out/report.txt", {}},
        // Naming options without a destination folder: the file is replaced in place.
        {"report.txt", addAfter, "", {}},
        {"report.txt", {{"destNamePrefix", "p-"}}, "", {}},
        {"report.txt", with(addAfter), "dir/out/report-clean.txt", {}},
        {"README", with(addAfter), "dir/out/README-clean", {}},
        {"report.txt",
         with({{"useAddTextToName", true}, {"textToAdd", "new-"}, {"addTextToNameOption", 0}}),
         "dir/out/new-report.txt",
         {}},
        // A missing option is 0: before the name.
        {"report.txt",
         with({{"useAddTextToName", true}, {"textToAdd", "new-"}}),
         "dir/out/new-report.txt",
         {}},
        {"report.txt",
         with({{"useAddTextToName", true}, {"textToAdd", "x"}, {"addTextToNameOption", 2}}),
         "dir/out/report.txt",
         {}},
        {"report.txt",
         with({{"useAddTextToName", true}, {"addTextToNameOption", 1}}),
         "dir/out/report.txt",
         {kAddWarning}},
        // Adding text wins over prefix, suffix and extension.
        {"report.txt",
         with({{"useAddTextToName", true},
               {"textToAdd", "x"},
               {"addTextToNameOption", 1},
               {"destNamePrefix", "p-"},
               {"destNameExt", "md"}}),
         "dir/out/reportx.txt",
         {}},
        {"report.txt", with({{"destNamePrefix", "p-"}}), "dir/out/p-report.txt", {}},
        {"report.txt", with({{"destNameSuffix", "-s"}}), "dir/out/report-s.txt", {}},
        {"report.txt", with({{"destNameExt", "md"}}), "dir/out/report.md", {}},
        {"report.txt", with({{"destNameExt", ".md"}}), "dir/out/report.md", {}},
        {"report.txt",
         with({{"destNamePrefix", "p-"}, {"destNameSuffix", "-s"}, {"destNameExt", "md"}}),
         "dir/out/p-report-s.md",
         {}},
        {"report.txt",
         with({{"destNamePrefix", ""}, {"destNameExt", ""}}),
         "dir/out/report.txt",
         {}},
        {"report", with({{"destNameExt", "txt"}}), "dir/out/report.txt", {}},
        // The folder is relative to the file's folder, standardised, created with its parents.
        {"report.txt",
         {{"useDestinationFolder", true}, {"destFolder", "../up"}},
         "up/report.txt",
         {}},
        {"report.txt",
         {{"useDestinationFolder", true}, {"destFolder", "a/./b/"}},
         "dir/a/b/report.txt",
         {}},
        {"report.txt",
         {{"useDestinationFolder", true}, {"destFolder", "/abs"}},
         "dir/abs/report.txt",
         {}},
        {"report.txt", {{"useDestinationFolder", true}}, "", {kFolderWarning}},
        {"report.txt", {{"useDestinationFolder", false}, {"destFolder", "out"}}, "", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.source + " → " + c.result);
        logs.sink.logged.clear();
        const std::string source = file("dir/" + c.source, "x");
        const std::string result = cleaner.calcResultPath(source, c.options);
        EXPECT_EQ(result, c.result.empty() ? source : (temp.path() / c.result).string());
        EXPECT_TRUE(fs::is_directory(fs::path(result).parent_path()));
        EXPECT_EQ(lines(), c.warnings);
    }
}

}  // namespace
