#include "platform/linux/FileDefaultsStore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <set>

#include "platform/core/Log.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/linux/LinuxPaths.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimWorld.h"
#include "tests/support/ScopedEnv.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::FileDefaultsStore;
using platform::LinuxPaths;
using platform::PropertyList;
using platform::UserDefaults;

constexpr const char* kAgent = "com.halvik.purlane.agent";
constexpr const char* kGroup = "KQ4MZR7WXN.com.halvik.purlane";

using testsupport::ScopedEnv;

class FileDefaultsStoreTest : public testing::Test {
  protected:
    testsupport::TempDir temp;
    ScopedEnv home{"HOME", (temp / "home").string()};
    ScopedEnv data{"XDG_DATA_HOME", (temp / "data").string()};
    ScopedEnv runtime{"XDG_RUNTIME_DIR", (temp / "run").string()};
    fs::path library = temp / "data" / "purlane" / "Library";

    fs::path prefs(const std::string& domain) {
        return library / "Preferences" / (domain + ".plist");
    }

    std::unique_ptr<UserDefaults> defaults(std::shared_ptr<FileDefaultsStore> store,
                                           const std::string& domain,
                                           platform::MainQueue* queue = nullptr) {
        return std::make_unique<UserDefaults>(
            std::move(store), std::make_shared<platform::RegistrationDomain>(), domain, queue);
    }
};

TEST_F(FileDefaultsStoreTest, PathsFollowTheEnvironment) {
    EXPECT_EQ(LinuxPaths::userLibraryDirectory(), library);
    EXPECT_EQ(LinuxPaths::preferencesFile(kGroup)->parent_path(),
              library / "Group Containers" / kGroup / "Library" / "Preferences");
    // Only a ten-character upper-case team prefix makes a group container.
    for (const char* plain : {"KQ4MZR7WX.short", "kq4mzr7wxn.lower"})
        EXPECT_EQ(*LinuxPaths::preferencesFile(plain), prefs(plain));
    {
        ScopedEnv relative("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(LinuxPaths::userLibraryDirectory(),
                  temp / "home" / ".local" / "share" / "purlane" / "Library");
    }

    // Somebody else's folder, reached through a link, is not ours to use.
    fs::create_directories(temp / "elsewhere");
    fs::create_directories(temp / "run");
    fs::create_directory_symlink(temp / "elsewhere", temp / "run" / "purlane");
    EXPECT_FALSE(LinuxPaths::runtimeDirectory().ok());
}

TEST_F(FileDefaultsStoreTest, RejectsDomainNamesThatLeaveTheFolder) {
    auto store = std::make_shared<FileDefaultsStore>(nullptr);
    const std::vector<std::string> names = {
        "", ".", "..", "a/b", "../escape", "/abs", std::string("a\0b", 3), std::string(300, 'x')};
    for (const std::string& bad : names) {
        EXPECT_FALSE(LinuxPaths::preferencesFile(bad).ok()) << bad;
        EXPECT_FALSE(LinuxPaths::groupContainerDirectory(bad).ok()) << bad;
        EXPECT_FALSE(store->setValue(bad, "k", PropertyList(1)).ok()) << bad;
        EXPECT_FALSE(store->removeDomain(bad).ok()) << bad;
        EXPECT_TRUE(store->domain(bad)->empty());
    }
    EXPECT_FALSE(fs::exists(temp / "escape.plist"));
    EXPECT_FALSE(fs::exists(library / "escape.plist"));
}

TEST_F(FileDefaultsStoreTest, UserDefaultsRoundTripLandsInBinaryFiles) {
    auto store = std::make_shared<FileDefaultsStore>(nullptr);
    defaults(store, kAgent)->setString("Name", "caf\xc3\xa9");
    defaults(store, kGroup)->setInteger("Count", 7);
    for (const fs::path& file : {prefs(kAgent), *LinuxPaths::preferencesFile(kGroup)}) {
        EXPECT_TRUE(testsupport::readFile(file).starts_with("bplist00")) << file;
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }

    auto fresh = defaults(std::make_shared<FileDefaultsStore>(nullptr), kAgent);
    EXPECT_EQ(fresh->stringForKey("Name"), "caf\xc3\xa9");
    EXPECT_EQ(fresh->persistentDomainForName(kGroup)->find("Count")->asInteger(), 7);

    fresh->removePersistentDomainForName(kAgent);
    EXPECT_FALSE(fs::exists(prefs(kAgent)));
    EXPECT_TRUE(store->domain(kAgent)->empty());
}

TEST_F(FileDefaultsStoreTest, StoresSeeEachOthersWritesAndParseOnlyChanges) {
    FileDefaultsStore a(nullptr), b(nullptr);
    std::vector<std::string> changed;  // own writes are reported at once, without polling
    a.observeChanges([&](const std::string& d) { changed.push_back(d); });
    ASSERT_TRUE(a.setValue(kAgent, "fromA", PropertyList(1)).ok());
    ASSERT_TRUE(a.setValue(kAgent, "fromA", PropertyList(1)).ok());  // no change, no report
    EXPECT_TRUE(b.domain(kAgent)->contains("fromA"));
    const size_t parses = b.parseCount();
    for (int i = 0; i < 100; ++i) b.domain(kAgent);
    EXPECT_EQ(b.parseCount(), parses);

    // a's cached copy is stale; its write must still keep b's key.
    ASSERT_TRUE(b.setValue(kAgent, "fromB", PropertyList(2)).ok());
    ASSERT_TRUE(a.setValue(kAgent, "fromA", PropertyList(3)).ok());
    auto seen = b.domain(kAgent);
    EXPECT_EQ(seen->size(), 2u);
    EXPECT_EQ(seen->find("fromA")->asInteger(), 3);
    ASSERT_TRUE(a.removeDomain(kAgent).ok());
    EXPECT_TRUE(b.domain(kAgent)->empty());
    EXPECT_EQ(changed, (std::vector<std::string>{kAgent, kAgent, kAgent}));
}

TEST_F(FileDefaultsStoreTest, ConcurrentProcessesLoseNoWrite) {
    pid_t children[2];
    for (int c = 0; c < 2; ++c) {
        if ((children[c] = fork()) != 0) continue;
        FileDefaultsStore store(nullptr);
        for (int i = 0; i < 200; ++i) {
            const std::string key = "c" + std::to_string(c) + "-" + std::to_string(i);
            if (!store.setValue(kGroup, key, PropertyList(i)).ok()) _exit(1);
        }
        _exit(0);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    auto domain = FileDefaultsStore(nullptr).domain(kGroup);
    EXPECT_EQ(domain->size(), 400u);
    EXPECT_EQ(domain->find("c1-199")->asInteger(), 199);
}

// What is set aside, and that nothing is lost doing so, is checked below.
TEST_F(FileDefaultsStoreTest, UnreadableFileIsReportedOnceAndWrittenAnew) {
    const std::string truncated = "bplist00\xd1\x01\x02";
    temp.write(fs::relative(prefs(kAgent), temp.path()), truncated);

    platform::ScopedLogCapture capture;
    FileDefaultsStore store(nullptr);
    EXPECT_TRUE(store.domain(kAgent)->empty() && store.domain(kAgent)->empty());
    ASSERT_EQ(capture.sink.logged.size(), 1u) << "once per file, not per read";

    ASSERT_TRUE(store.setValue(kAgent, "New", PropertyList(true)).ok());
    EXPECT_EQ(*store.domain(kAgent), (PropertyList::Dictionary{{"New", true}}));
}

// Copies are named by the second they were set aside in; more damage within one second (here,
// copies already there under the names of the next few seconds) adds copies, never replaces one.
TEST_F(FileDefaultsStoreTest, CopiesSetAsideInTheSameSecondAllSurvive) {
    std::vector<fs::path> decoys;
    const std::time_t now = std::time(nullptr);
    for (std::time_t t = now; t <= now + 3; ++t) {
        std::tm local{};
        localtime_r(&t, &local);
        char stamp[32];
        std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%S", &local);
        decoys.push_back(temp.write(
            fs::relative(prefs(kAgent), temp.path()).string() + ".corrupt-" + stamp, "earlier"));
    }
    platform::ScopedLogCapture quiet;
    const std::vector<std::string> damage = {"bplist00\xd1", "<plist>", "not a plist"};
    for (const std::string& bytes : damage) {
        temp.write(fs::relative(prefs(kAgent), temp.path()), bytes);
        ASSERT_TRUE(FileDefaultsStore(nullptr).setValue(kAgent, "k", PropertyList(1)).ok());
    }
    std::multiset<std::string> kept;
    for (const auto& entry : fs::directory_iterator(prefs(kAgent).parent_path()))
        if (entry.path().filename().string().starts_with(std::string(kAgent) + ".plist.corrupt-"))
            kept.insert(testsupport::readFile(entry.path()));
    std::multiset<std::string> expected(damage.begin(), damage.end());
    for (size_t i = 0; i < decoys.size(); ++i) expected.insert("earlier");
    EXPECT_EQ(kept, expected);
}

TEST_F(FileDefaultsStoreTest, FailedWriteKeepsTheOldFile) {
    FileDefaultsStore store(nullptr);
    ASSERT_TRUE(store.setValue(kAgent, "Kept", PropertyList("yes")).ok());
    const std::string before = testsupport::readFile(prefs(kAgent));

    // A file-size limit makes the write itself fail part way, even for root.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    const struct rlimit small { 64, old.rlim_max };
    setrlimit(RLIMIT_FSIZE, &small);
    auto status = store.setValue(kAgent, "Big", PropertyList(std::string(4096, 'x')));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);

    ASSERT_FALSE(status.ok());
    EXPECT_EQ(testsupport::readFile(prefs(kAgent)), before);
    EXPECT_FALSE(store.domain(kAgent)->contains("Big"));
    EXPECT_EQ(std::distance(fs::directory_iterator(prefs(kAgent).parent_path()), {}), 2)
        << "no temporary file left behind";
}

TEST_F(FileDefaultsStoreTest, OtherProcessesChangesReachObserversByPolling) {
    platform::SimWorld world;  // polls on virtual time; what they find is on disk
    platform::SimMainQueue& queue = world.launch(kAgent).mainQueue();
    auto store = std::make_shared<FileDefaultsStore>(&queue);
    auto watched = defaults(store, kAgent, &queue);
    std::vector<std::optional<PropertyList>> values;
    const auto token = watched->observe(
        "Mode", [&](const std::optional<PropertyList>& v) { values.push_back(v); });

    FileDefaultsStore other(nullptr);
    ASSERT_TRUE(other.setValue(kAgent, "Mode", PropertyList("fast")).ok());
    world.advance(1);
    ASSERT_TRUE(other.removeDomain(kAgent).ok());
    world.advance(1);
    EXPECT_EQ(values,
              (std::vector<std::optional<PropertyList>>{PropertyList("fast"), std::nullopt}));

    // With nobody left to tell, polling winds down.
    watched->removeObserver(token);
    watched.reset();
    EXPECT_LT(world.runUntilIdle(), 5u);

    // A poll still queued when its store goes away does nothing.
    auto observed = std::make_shared<FileDefaultsStore>(&queue);
    observed->observeChanges([](const std::string&) {});
    EXPECT_EQ(queue.pending(), 1u);
    observed.reset();
    EXPECT_EQ(world.runUntilIdle(), 1u);
}

}  // namespace
