#include "platform/linux/FilePasteboardStore.h"
#include "platform/linux/MirroredPasteboardStore.h"

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <functional>
#include <optional>

#include "platform/core/Log.h"
#include "platform/pasteboard/Pasteboard.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::FilePasteboardStore;
using platform::Pasteboard;
using platform::PasteboardTypes;
using Store = std::shared_ptr<FilePasteboardStore>;
constexpr std::string_view kText = PasteboardTypes::kString;

using testsupport::ScopedEnv;

// Runs `body` in `n` forked children at once, each with a store of its own as another program
// would have; true when every child's `body` returned true.
bool inChildren(int n, const std::function<bool(int child, Store)>& body) {
    std::vector<pid_t> pids;
    for (int c = 0; c < n; ++c) {
        const pid_t pid = fork();
        if (pid == 0) {
            auto store = FilePasteboardStore::open();
            _exit(store.ok() && body(c, *store) ? 0 : 1);
        }
        pids.push_back(pid);
    }
    bool ok = true;
    for (pid_t pid : pids) {
        int status = 0;
        waitpid(pid, &status, 0);
        ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    }
    return ok;
}

class PasteboardStoreTest : public testing::Test {
  protected:
    void SetUp() override { fs::create_directories(temp / "run"); }

    Store open() {
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
    EXPECT_EQ(fs::status(folder.parent_path()).permissions(), fs::perms::owner_all);
    EXPECT_EQ(fs::status(folder).permissions(), fs::perms::owner_all);
    const std::string longName(1000, 'x');
    for (const std::string& name : {std::string("../../escape"), std::string(".."), std::string(""),
                                    longName, std::string("nul\0name", 8)}) {
        const fs::path file = store->fileForName(name);
        EXPECT_EQ(file.parent_path(), folder) << name;
        EXPECT_LT(file.filename().string().size(), 255u) << name;
    }
    EXPECT_NE(store->fileForName("%41"), store->fileForName("A"));
    EXPECT_NE(store->fileForName(longName), store->fileForName(longName + "y"));
}

TEST_F(PasteboardStoreTest, OtherProcessesShareContentsAndCountAndNeverLoseAChange) {
    Pasteboard general = Pasteboard::generalPasteboard(open());
    general.clearContents();
    general.setString("before");
    const int64_t before = general.changeCount();  // also fills this store's cache
    ASSERT_TRUE(inChildren(1, [&](int, Store own) {
        Pasteboard theirs = Pasteboard::generalPasteboard(own);
        if (theirs.stringForType(kText) != "before") return false;
        theirs.clearContents();
        theirs.setData("{\\rtf1 x}", "NSRTFPboardType");
        return theirs.writeObjects({"from the child"});
    }));
    EXPECT_EQ(general.changeCount(), before + 1);
    EXPECT_EQ(general.stringForType(kText), "from the child");
    EXPECT_EQ(general.dataForType(PasteboardTypes::kRTF), "{\\rtf1 x}");

    EXPECT_TRUE(inChildren(3, [](int c, Store own) {
        Pasteboard pb = Pasteboard::generalPasteboard(own);
        for (int i = 0; i < 40; ++i)
            if (pb.clearContents(); !pb.writeObjects({"child " + std::to_string(c)})) return false;
        return true;
    }));
    EXPECT_EQ(general.changeCount(), before + 121);
    for (const auto& text : general.readObjects()) EXPECT_TRUE(text.starts_with("child ")) << text;
}

TEST_F(PasteboardStoreTest, LargeContentsAndUnchangedFilesAreNotReadAgain) {
    std::string big(30 * 1024 * 1024, '\0');
    for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7919 % 251);
    Pasteboard pb = Pasteboard::pasteboardWithName(open(), "big");
    pb.clearContents();
    ASSERT_TRUE(pb.setData(big, PasteboardTypes::kTIFF));

    auto other = open();
    Pasteboard reader = Pasteboard::pasteboardWithName(other, "big");
    EXPECT_EQ(reader.dataForType(PasteboardTypes::kTIFF), big);
    const size_t parses = other->parseCount();
    EXPECT_EQ(reader.types(), std::vector<std::string>{"public.tiff"});
    EXPECT_EQ(other->parseCount(), parses);
    pb.setString("and text");
    EXPECT_EQ(reader.stringForType(kText), "and text");
    EXPECT_EQ(other->parseCount(), parses + 1);
}

TEST_F(PasteboardStoreTest, ChangeCountOutlivesReleaseAndDamage) {
    auto store = open();
    Pasteboard pb = Pasteboard::pasteboardWithName(store, "com.halvik.find");
    pb.clearContents();
    const int64_t count = pb.clearContents();
    pb.setString("text");
    pb.releaseGlobally();
    EXPECT_FALSE(fs::exists(store->fileForName(pb.name())));
    Pasteboard fresh = Pasteboard::pasteboardWithName(open(), pb.name());
    EXPECT_TRUE(fresh.types().empty());
    EXPECT_EQ(fresh.clearContents(), count + 1);

    // A damaged file reads as an error, and as empty through a handle; the next writer starts
    // over without the count going back.
    fresh.setString("soon damaged");
    for (const std::string& junk :
         {std::string(), std::string("PLPB"), std::string("PLPB\x01\0\0\0garbage", 15),
          std::string(64, '\xff')}) {
        temp.write(fs::relative(store->fileForName(pb.name()), temp.path()), junk);
        platform::ScopedLogCapture quiet;
        auto other = open();
        EXPECT_FALSE(other->read(pb.name()).ok());
        Pasteboard damaged = Pasteboard::pasteboardWithName(other, pb.name());
        EXPECT_FALSE(damaged.stringForType(kText));
        EXPECT_GT(damaged.clearContents(), count + 1);
        EXPECT_TRUE(damaged.setString("repaired"));
        EXPECT_EQ(fresh.stringForType(kText), "repaired");
        EXPECT_EQ(quiet.sink.logged.size(), 1u) << "once per damaged file, not per read";
    }
}

// The agent makes a unique pasteboard for every script request and lives long: releasing one
// must take all its files, the lock file too, as nothing else would while the process runs.
TEST_F(PasteboardStoreTest, ReleasingAUniquePasteboardLeavesNoFileBehind) {
    auto store = open();
    const std::string uniqueStem(
        FilePasteboardStore::encodeName(FilePasteboardStore::kUniquePrefix));
    const auto leftovers = [&] {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(folder))
            if (entry.path().filename().string().find(uniqueStem) != std::string::npos)
                names.push_back(entry.path().filename().string());
        return names;
    };
    for (int i = 0; i < 3; ++i) {
        auto pb = Pasteboard::pasteboardWithUniqueName(store);
        ASSERT_TRUE(pb.ok());
        pb->clearContents();
        ASSERT_TRUE(pb->setString("clean me"));
        ASSERT_FALSE(leftovers().empty());
        pb->releaseGlobally();
        EXPECT_EQ(leftovers(), std::vector<std::string>{});
    }
    EXPECT_EQ(store->reclaimAbandoned(), 0u);
}

TEST_F(PasteboardStoreTest, UniquePasteboardsOfEndedProcessesAreReclaimed) {
    auto store = open();
    ASSERT_TRUE(inChildren(1, [&](int, Store own) {
        auto pb = Pasteboard::pasteboardWithUniqueName(own);
        if (!pb.ok()) return false;
        pb->clearContents();
        pb->setString("left behind");
        temp.write("child-name", pb->name());
        return true;
    }));
    const std::string childsName = testsupport::readFile(temp / "child-name");
    ASSERT_TRUE(childsName.starts_with(FilePasteboardStore::kUniquePrefix));
    ASSERT_TRUE(fs::exists(store->fileForName(childsName)));

    auto mine = Pasteboard::pasteboardWithUniqueName(store);
    ASSERT_TRUE(mine.ok());
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
    EXPECT_EQ(mine->stringForType(kText), "still mine");
}

}  // namespace

namespace {

// A desktop clipboard that takes contents only while `accepts`.
class RefusingClipboard : public platform::SystemClipboard {
  public:
    bool claim(std::vector<platform::PasteboardItem> items) override {
        if (accepts) held = std::move(items);
        return accepts;
    }
    Owner owner() override { return Owner::This; }
    Generation generation() override { return 1; }
    std::optional<platform::PasteboardItem> fetch(Generation*) override { return std::nullopt; }
    bool watch(ChangeHandler) override { return false; }
    bool waitForChanges(std::chrono::milliseconds) override { return true; }
    void stopWatching() override {}
    bool accepts = true;
    std::vector<platform::PasteboardItem> held;
};

TEST_F(PasteboardStoreTest, AWriteTheDesktopRefusedFailsAndLeavesTheStoredContents) {
    auto clipboard = std::make_unique<RefusingClipboard>();
    RefusingClipboard& desktop = *clipboard;
    platform::MirroredPasteboardStore mirror(open(), std::move(clipboard),
                                             platform::MirroredPasteboardStore::Mode::Plain);
    platform::PasteboardItem first;
    first.setString("taken", kText);
    ASSERT_TRUE(mirror.replace(std::string(Pasteboard::kGeneralName), {first}).ok());
    ASSERT_EQ(desktop.held.size(), 1u);

    desktop.accepts = false;
    platform::PasteboardItem second;
    second.setString("refused", kText);
    EXPECT_FALSE(mirror.replace(std::string(Pasteboard::kGeneralName), {second}).ok());
    const auto stored = mirror.read(std::string(Pasteboard::kGeneralName));
    ASSERT_TRUE(stored.ok());
    ASSERT_EQ((*stored)->items.size(), 1u);
    EXPECT_EQ((*stored)->items[0].stringForType(kText), "taken");
}

}  // namespace
