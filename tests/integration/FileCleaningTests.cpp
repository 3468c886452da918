// "clean file" end to end: the real agent, sample engine and purlanectl in a temporary home,
// files of each kind on disk, and what the agent logged about them.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/coding/RtfReader.h"
#include "platform/coding/Rtfd.h"
#include "platform/workspace/TypeIdentifiers.h"
#include "tests/support/AgentSession.h"

using namespace platform;
using testsupport::AgentSession;
using testsupport::RunResult;
using testsupport::Subprocess;
namespace fs = std::filesystem;

namespace {

const char* kStyled =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Helvetica;}{\\f1\\froman Times;}}"
    "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green0\\blue255;}"
    "\\f0\\fs24 plain {\\cf1 red words} {\\f1\\fs36\\cf2\\i big blue}\\par}";
const std::string kUtf8Line = "][r:Unicode (UTF-8)][w:Unicode (UTF-8)]";

// A folder nobody may write into, root included (immutable where the file system allows it,
// else read-only, which stops everybody but root).
class ReadOnlyFolder {
  public:
    explicit ReadOnlyFolder(const fs::path& folder) : folder_(folder) {
        fs::create_directories(folder);
        immutable_ = setImmutable(true);
        if (!immutable_) ::chmod(folder.c_str(), 0555);
    }
    ~ReadOnlyFolder() {
        if (immutable_) setImmutable(false);
        ::chmod(folder_.c_str(), 0755);
    }
    // Whether writing there fails for this process.
    bool effective() const { return immutable_ || ::geteuid() != 0; }

  private:
    bool setImmutable(bool on) {
        const int fd = ::open(folder_.c_str(), O_RDONLY | O_DIRECTORY);
        if (fd < 0) return false;
        int flags = 0;
        bool ok = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (ok) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            ok = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return ok;
    }
    fs::path folder_;
    bool immutable_ = false;
};

class FileCleaning : public testsupport::AgentSessionTest {
  protected:
    void SetUp() override {
        AgentSessionTest::SetUp();
        if (IsSkipped()) return;
        agent = session->startWithEngine();
        ASSERT_TRUE(agent);
        folder = session->home() / "Documents";
        fs::create_directories(folder);
    }

    std::string write(const std::string& name, const std::string& bytes) {
        const fs::path p = folder / name;
        fs::create_directories(p.parent_path());
        std::ofstream(p, std::ios::binary) << bytes;
        return p.string();
    }
    std::string read(const std::string& name) { return testsupport::readFile(folder / name); }
    // purlanectl script 'clean file' PATH ARGS...; the command has no result.
    void cleanFile(const std::string& path, std::vector<std::string> args) {
        args.insert(args.begin(), {"clean file", path});
        const RunResult r = session->script(args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // The agent logged a line ending in `line`.
    bool logged(const std::string& line) { return agent->waitForStderr(": " + line, 10); }

    Subprocess* agent = nullptr;
    fs::path folder;
};

TEST_F(FileCleaning, PlainMarkdownHtmlAndListedExtensionsAreCleaned) {
    struct Case {
        std::string name, before, after, type;
        std::vector<std::string> args;
    };
    const Case cases[] = {
        {"notes.txt", "hello world\n", "HELLO WORLD\n", "public.plain-text", {}},
        {"readme.md", "# title\n*item*\n", "# TITLE\n*ITEM*\n", "net.daringfireball.markdown", {}},
        {"page.html", "<p>hi</p>", "<P>HI</P>", "public.html", {}},
        {"data.xml", "<a>x</a>", "<A>X</A>", "public.xml", {}},
        {"notes.foo",
         "odd one",
         "ODD ONE",
         TypeIdentifiers::preferredIdentifierForExtension("foo"),
         {"--extensions", "bar,FOO"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string p = write(c.name, c.before);
        std::vector<std::string> args = {"--cleaner", "#UPPER"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        cleanFile(p, args);
        EXPECT_EQ(read(c.name), c.after);
        EXPECT_TRUE(logged("-: " + p + "  [" + c.type + kUtf8Line)) << agent->stderrText();
    }
}

TEST_F(FileCleaning, RichTextKeepsFontsAndColoursAndRtfdIsCleanedInPlace) {
    const std::string rtf = write("notes.rtf", kStyled);
    const std::string rtfd = (folder / "notes.rtfd").string();
    write("notes.rtfd/TXT.rtf", kStyled);
    auto before = RtfReader::read(kStyled);
    ASSERT_TRUE(before.ok());

    {
        // As a user types it in the file's folder: purlanectl makes the path a file URL.
        const fs::path previous = fs::current_path();
        fs::current_path(folder);
        cleanFile("notes.rtf", {"--cleaner", "#UPPER"});
        fs::current_path(previous);
    }
    cleanFile(rtfd,
              {"--cleaner", "#UPPER", "--use-destination-folder", "true", "--dest-folder", "out"});

    auto after = RtfReader::read(read("notes.rtf"));
    ASSERT_TRUE(after.ok()) << read("notes.rtf");
    EXPECT_EQ(after->text.string(), "PLAIN RED WORDS BIG BLUE\n");
    ASSERT_EQ(after->text.runs().size(), before->text.runs().size());
    for (size_t i = 0; i < after->text.runs().size(); ++i) {
        const auto& a = after->text.runs()[i].attributes;
        const auto& b = before->text.runs()[i].attributes;
        EXPECT_EQ(a.fontFamily, b.fontFamily) << i;
        EXPECT_EQ(a.fontSize, b.fontSize) << i;
        EXPECT_EQ(a.foregroundColor, b.foregroundColor) << i;
        EXPECT_EQ(a.italic, b.italic) << i;
    }
    EXPECT_TRUE(logged("-: " + rtf + "  [public.rtf]"));

    auto folderAfter = Rtfd::read(rtfd);
    ASSERT_TRUE(folderAfter.ok());
    EXPECT_EQ(folderAfter->text.string(), "PLAIN RED WORDS BIG BLUE\n");
    EXPECT_FALSE(fs::exists(folder / "out"));
    EXPECT_TRUE(logged("-: " + rtfd + "  [com.apple.rtfd]"));
}

TEST_F(FileCleaning, NamingOptionsWriteANewFileInTheDestinationFolder) {
    const std::string p = write("notes.txt", "hello\n");
    cleanFile(p, {"--cleaner", "#UPPER", "--use-add-text-to-name", "true", "--text-to-add",
                  "-clean", "--add-text-to-name-option", "1", "--use-destination-folder", "yes",
                  "--dest-folder", "out/today"});
    EXPECT_EQ(read("notes.txt"), "hello\n");
    EXPECT_EQ(read("out/today/notes-clean.txt"), "HELLO\n");

    cleanFile(p, {"--cleaner", "#UPPER", "--dest-name-prefix", "p-", "--dest-name-ext", "md",
                  "--use-destination-folder", "true", "--dest-folder", "out"});
    EXPECT_EQ(read("out/p-notes.md"), "HELLO\n");
    EXPECT_EQ(read("notes.txt"), "hello\n");
}

TEST_F(FileCleaning, AReadOnlyDestinationLeavesTheSourceIntact) {
    const std::string p = write("notes.txt", "hello\n");
    ReadOnlyFolder out(folder / "out");
    if (!out.effective()) GTEST_SKIP() << "root on a file system without immutable folders";
    cleanFile(p,
              {"--cleaner", "#UPPER", "--use-destination-folder", "true", "--dest-folder", "out"});
    EXPECT_TRUE(
        logged("[Error] Write: You don\u2019t have permission to save the file "
               "\u201cnotes.txt\u201d in the folder \u201cout\u201d.."))
        << agent->stderrText();
    EXPECT_EQ(read("notes.txt"), "hello\n");
    EXPECT_TRUE(fs::is_empty(folder / "out"));
}

// Which encoding is read and written is the plain-text file tests' business; here the write
// that cannot be made in the asked encoding is reported and leaves the file as it was.
TEST_F(FileCleaning, AnEncodingThatCannotHoldTheTextLeavesTheFileAlone) {
    const std::string snow = write("snow.txt", "snow \xE2\x98\x83\n");
    cleanFile(snow, {"--cleaner", "#UPPER", "--write-encoding", "ISO Latin 1"});
    EXPECT_TRUE(
        logged("[Error] Write: The file \u201csnow.txt\u201d couldn\u2019t be saved using "
               "text encoding Western (ISO Latin 1).."));
    EXPECT_EQ(read("snow.txt"), "snow \xE2\x98\x83\n");
}

}  // namespace
