#include "platform/linux/FilePasteboardStore.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/Log.h"
#include "platform/Pasteboard.h"
#include "tests/support/Subprocess.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::FilePasteboardStore;
using platform::Pasteboard;
using platform::PasteboardTypes;

class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::string& value) : name_(name) {
        if (const char* old = std::getenv(name)) old_ = old;
        setenv(name, value.c_str(), 1);
    }
    ~ScopedEnv() {
        if (old_) {
            setenv(name_, old_->c_str(), 1);
        } else {
            unsetenv(name_);
        }
    }

  private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs `body` in a forked child with a store of its own, as another program would; returns the
// child's pid once it has ended, or -1 when `body` failed (returned false).
pid_t inChild(const std::function<bool(std::shared_ptr<FilePasteboardStore>)>& body) {
    const pid_t pid = fork();
    if (pid == 0) {
        auto store = FilePasteboardStore::open();
        _exit(store.ok() && body(*store) ? 0 : 1);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? pid : -1;
}

class PasteboardStoreTest : public testing::Test {
  protected:
    void SetUp() override { fs::create_directories(temp / "run"); }

    std::shared_ptr<FilePasteboardStore> open() {
        auto store = FilePasteboardStore::open();
        EXPECT_TRUE(store.ok()) << store.error().debugDescription();
        return store.ok() ? *store : nullptr;
    }

    testsupport::TempDir temp;
    ScopedEnv home{"HOME", (temp / "home").string()};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", (temp / "run").string()};
    fs::path folder = temp / "run" / "purlane" / "pasteboards";
};

TEST_F(PasteboardStoreTest, FolderIsPrivateAndNamesNeverLeaveIt) {
    auto store = open();
    ASSERT_TRUE(store);
    EXPECT_EQ(store->directory(), folder);
    EXPECT_EQ(fs::status(folder.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);

    const std::string longName(1000, 'x');
    for (const std::string& name :
         std::vector<std::string>{"../../escape", "..", ".", "", "a/b", "%41", "A", longName,
                                  std::string("nul\0name", 8)}) {
        const fs::path file = store->fileForName(name);
        EXPECT_EQ(file.parent_path(), folder) << name;
        EXPECT_LT(file.filename().string().size(), 255u) << name;
    }
    EXPECT_NE(store->fileForName("%41"), store->fileForName("A"));
    EXPECT_NE(store->fileForName(longName), store->fileForName(longName + "y"));

    Pasteboard escape = Pasteboard::pasteboardWithName(store, "../../escape");
    escape.clearContents();
    ASSERT_TRUE(escape.setString("inside"));
    EXPECT_FALSE(fs::exists(temp / "run" / "escape.pb"));
    EXPECT_EQ(Pasteboard::pasteboardWithName(open(), "../../escape")
                  .stringForType(PasteboardTypes::kString),
              "inside");
}

TEST_F(PasteboardStoreTest, AnotherProcessSeesTheSameContentsAndCount) {
    auto store = open();
    Pasteboard general = Pasteboard::generalPasteboard(store);
    general.clearContents();
    general.setString("before");
    const int64_t before = general.changeCount();  // also fills this store's cache

    ASSERT_GT(inChild([&](auto own) {
                  Pasteboard theirs = Pasteboard::generalPasteboard(own);
                  if (theirs.stringForType(PasteboardTypes::kString) != "before") return false;
                  theirs.clearContents();
                  theirs.setData("{\\rtf1 x}", "NSRTFPboardType");
                  return theirs.writeObjects({"from the child"});
              }),
              0);
    EXPECT_EQ(general.changeCount(), before + 1);
    EXPECT_EQ(general.stringForType(PasteboardTypes::kString), "from the child");
    EXPECT_EQ(general.dataForType(PasteboardTypes::kRTF), "{\\rtf1 x}");
    EXPECT_EQ(general.clearContents(), before + 2);
}

TEST_F(PasteboardStoreTest, WritersInSeveralProcessesNeverLoseAChange) {
    auto store = open();
    Pasteboard shared = Pasteboard::pasteboardWithName(store, "busy");
    const int64_t start = shared.changeCount();
    std::vector<pid_t> children;
    for (int c = 0; c < 3; ++c) {
        const pid_t pid = fork();
        if (pid == 0) {
            auto own = FilePasteboardStore::open();
            if (!own.ok()) _exit(1);
            Pasteboard pb = Pasteboard::pasteboardWithName(*own, "busy");
            for (int i = 0; i < 40; ++i) {
                pb.clearContents();
                if (!pb.writeObjects({"child " + std::to_string(c)})) _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (pid_t pid : children) {
        int status = 0;
        waitpid(pid, &status, 0);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(shared.changeCount(), start + 120);
    for (const auto& text : shared.readObjects()) EXPECT_TRUE(text.starts_with("child ")) << text;
}

TEST_F(PasteboardStoreTest, LargeContentsAndUnchangedFilesAreNotReadAgain) {
    auto store = open();
    std::string big(30 * 1024 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
    Pasteboard pb = Pasteboard::pasteboardWithName(store, "big");
    pb.clearContents();
    ASSERT_TRUE(pb.setData(big, PasteboardTypes::kTIFF));

    auto other = open();
    Pasteboard reader = Pasteboard::pasteboardWithName(other, "big");
    EXPECT_EQ(reader.dataForType(PasteboardTypes::kTIFF), big);
    const size_t parses = other->parseCount();
    EXPECT_EQ(reader.types(), std::vector<std::string>{"public.tiff"});
    EXPECT_EQ(other->parseCount(), parses);
    pb.setString("and text");
    EXPECT_EQ(reader.stringForType(PasteboardTypes::kString), "and text");
    EXPECT_EQ(other->parseCount(), parses + 1);
}

TEST_F(PasteboardStoreTest, ChangeCountOutlivesReleaseAndDamage) {
    auto store = open();
    Pasteboard pb = Pasteboard::pasteboardWithName(store, "com.halvik.find");
    pb.clearContents();
    pb.clearContents();
    const int64_t count = pb.clearContents();
    pb.setString("text");
    pb.releaseGlobally();
    EXPECT_FALSE(fs::exists(store->fileForName(pb.name())));
    Pasteboard fresh = Pasteboard::pasteboardWithName(open(), pb.name());
    EXPECT_TRUE(fresh.types().empty());
    EXPECT_EQ(fresh.changeCount(), count);
    EXPECT_EQ(fresh.clearContents(), count + 1);

    // A damaged file reads as an error, and as empty through a handle; the next writer starts
    // over without the count going back.
    fresh.setString("soon damaged");
    for (const std::string& junk : std::vector<std::string>{
             "", "PLPB", std::string("PLPB\x01\0\0\0garbage", 15), std::string(64, '\xff')}) {
        temp.write(fs::relative(store->fileForName(pb.name()), temp.path()), junk);
        platform::ScopedLogCapture quiet;
        auto other = open();
        EXPECT_FALSE(other->read(pb.name()).ok());
        Pasteboard damaged = Pasteboard::pasteboardWithName(other, pb.name());
        EXPECT_FALSE(damaged.stringForType(PasteboardTypes::kString));
        EXPECT_GT(damaged.clearContents(), count + 1);
        EXPECT_TRUE(damaged.setString("repaired"));
        EXPECT_EQ(fresh.stringForType(PasteboardTypes::kString), "repaired");
        EXPECT_EQ(quiet.sink.logged.size(), 1u) << "once per damaged file, not per read";
    }
}

TEST_F(PasteboardStoreTest, UniquePasteboardsOfEndedProcessesAreReclaimed) {
    auto store = open();
    std::string childsName;
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    ASSERT_GT(inChild([&](auto own) {
                  auto pb = Pasteboard::pasteboardWithUniqueName(own);
                  if (!pb.ok()) return false;
                  pb->clearContents();
                  pb->setString("left behind");
                  return write(fds[1], pb->name().data(), pb->name().size()) ==
                         static_cast<ssize_t>(pb->name().size());
              }),
              0);
    close(fds[1]);
    char buf[256];
    const ssize_t n = read(fds[0], buf, sizeof buf);
    close(fds[0]);
    ASSERT_GT(n, 0);
    childsName.assign(buf, static_cast<size_t>(n));
    ASSERT_TRUE(childsName.starts_with(FilePasteboardStore::kUniquePrefix));
    ASSERT_TRUE(fs::exists(store->fileForName(childsName)));

    auto mine = Pasteboard::pasteboardWithUniqueName(store);
    ASSERT_TRUE(mine.ok());
    EXPECT_NE(mine->name(), childsName);
    mine->clearContents();
    mine->setString("still mine");
    // Our own pid with another start time: a process that ended before this one got its pid.
    const std::string reused = std::string(FilePasteboardStore::kUniquePrefix) +
                               std::to_string(getpid()) + "-1-1-00000000";
    Pasteboard::pasteboardWithName(store, reused).clearContents();
    // A writer that died half way leaves its temporary file, with the lock free.
    temp.write(fs::relative(folder / ".stale.pb.AbCdEf", temp.path()), "partial");

    EXPECT_EQ(open()->reclaimAbandoned(), 0u) << "opening reclaimed them already";
    EXPECT_FALSE(fs::exists(store->fileForName(childsName)));
    EXPECT_FALSE(fs::exists(store->fileForName(reused)));
    EXPECT_FALSE(fs::exists(folder / ".stale.pb.AbCdEf"));
    EXPECT_EQ(mine->stringForType(PasteboardTypes::kString), "still mine");
    mine->releaseGlobally();
    for (const auto& entry : fs::directory_iterator(folder))
        EXPECT_EQ(entry.path().filename().string().find("unique"), std::string::npos)
            << entry.path();
}

TEST_F(PasteboardStoreTest, CommandLineRoundTrip) {
    const std::string tool = PURLANE_BUILD_DIR "/bin/purlanectl";
    auto run = [&](std::vector<std::string> args, const std::string& input = {}) {
        args.insert(args.begin(), {tool, "pasteboard"});
        return testsupport::run(args, input);
    };
    auto copied = run({"copy", "-p", "cli test"}, "line one\nline two\n");
    ASSERT_EQ(copied.status, 0) << copied.err;
    auto pasted = run({"paste", "-p", "cli test"});
    EXPECT_EQ(pasted.status, 0);
    EXPECT_EQ(pasted.out, "line one\nline two\n");
    EXPECT_EQ(
        Pasteboard::pasteboardWithName(open(), "cli test").stringForType("NSStringPboardType"),
        "line one\nline two\n");

    EXPECT_EQ(run({"copy", "-t", "NSRTFPboardType"}, "{\\rtf1}").status, 0);
    EXPECT_EQ(run({"types"}).out, "public.rtf\n");
    auto missing = run({"paste"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_TRUE(missing.out.empty());
    EXPECT_NE(missing.err.find("public.utf8-plain-text"), std::string::npos) << missing.err;
    EXPECT_EQ(run({"clear"}).status, 0);
    EXPECT_EQ(run({"types"}).out, "");
    EXPECT_EQ(run({"paste", "-t"}).status, 2);
    EXPECT_EQ(run({"move"}).status, 2);
    EXPECT_EQ(run({"--help"}).status, 0);
}

}  // namespace
