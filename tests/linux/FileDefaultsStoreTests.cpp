#include "platform/linux/FileDefaultsStore.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

#include "platform/Log.h"
#include "platform/PropertyListSerialization.h"
#include "platform/TimerQueue.h"
#include "platform/UserDefaults.h"
#include "platform/linux/LinuxPaths.h"
#include "tests/support/TempDir.h"

namespace {

namespace fs = std::filesystem;
using platform::FileDefaultsStore;
using platform::LinuxPaths;
using platform::PropertyList;
using platform::UserDefaults;

constexpr const char* kAgent = "com.halvik.purlane.agent";
constexpr const char* kGroup = "KQ4MZR7WXN.com.halvik.purlane";

// A main queue the test drives itself, on real time: polling is what is being tested.
class PumpedQueue : public platform::MainQueue {
  public:
    void async(platform::Task task) override { asyncAfter(0, std::move(task)); }
    void asyncAfter(double seconds, platform::Task task) override {
        timers_.push(now() + seconds, std::move(task));
    }
    bool isCurrent() const override { return true; }

    // Runs due work until `done` holds; false when `limit` seconds pass first.
    bool pumpUntil(const std::function<bool()>& done, double limit = 10) {
        const double end = now() + limit;
        while (!done()) {
            if (now() > end) return false;
            if (auto task = timers_.popDue(now())) {
                (*task)();
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(5));
            }
        }
        return true;
    }
    size_t pending() const { return timers_.size(); }

  private:
    static double now() {
        using namespace std::chrono;
        return duration<double>(steady_clock::now().time_since_epoch()).count();
    }
    platform::TimerQueue timers_;
};

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
    EXPECT_EQ(LinuxPaths::applicationsDirectory(), temp / "data" / "purlane" / "Applications");
    EXPECT_EQ(*LinuxPaths::preferencesFile(kGroup), library / "Group Containers" / kGroup /
                                                        "Library" / "Preferences" /
                                                        (std::string(kGroup) + ".plist"));
    EXPECT_EQ(*LinuxPaths::preferencesFile("KQ4MZR7WX.short"), prefs("KQ4MZR7WX.short"));
    EXPECT_EQ(*LinuxPaths::preferencesFile("kq4mzr7wxn.lower"), prefs("kq4mzr7wxn.lower"));
    {
        ScopedEnv relative("XDG_DATA_HOME", "relative/ignored");
        EXPECT_EQ(LinuxPaths::userLibraryDirectory(),
                  temp / "home" / ".local" / "share" / "purlane" / "Library");
    }

    fs::create_directories(temp / "run");
    auto run = LinuxPaths::runtimeDirectory();
    ASSERT_TRUE(run.ok()) << run.error().debugDescription();
    EXPECT_EQ(*run, temp / "run" / "purlane");
    EXPECT_EQ(fs::status(*run).permissions(), fs::perms::owner_all);
    // Somebody else's folder, reached through a link, is not ours to use.
    fs::remove(*run);
    fs::create_directories(temp / "elsewhere");
    fs::create_directory_symlink(temp / "elsewhere", *run);
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
    auto standard = defaults(store, kAgent);
    auto group = defaults(store, kGroup);
    standard->setBool("PreserveClipboard", true);
    standard->setString("Name", "caf\xc3\xa9");
    group->setInteger("Count", 7);
    EXPECT_TRUE(standard->boolForKey("PreserveClipboard"));

    const fs::path groupFile = *LinuxPaths::preferencesFile(kGroup);
    for (const fs::path& file : {prefs(kAgent), groupFile}) {
        ASSERT_TRUE(fs::exists(file)) << file;
        EXPECT_EQ(testsupport::readFile(file).substr(0, 8), "bplist00");
        EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write);
    }
    // Nothing but the files and their lock files is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(prefs(kAgent).parent_path()), {}), 2);

    auto fresh = defaults(std::make_shared<FileDefaultsStore>(nullptr), kAgent);
    EXPECT_TRUE(fresh->boolForKey("PreserveClipboard"));
    EXPECT_EQ(fresh->stringForKey("Name"), "caf\xc3\xa9");
    EXPECT_EQ(fresh->persistentDomainForName(kGroup)->find("Count")->asInteger(), 7);

    ASSERT_TRUE(store->setDomain(kAgent, {{"Only", "this"}}).ok());
    EXPECT_EQ(*fresh->persistentDomainForName(kAgent),
              (PropertyList::Dictionary{{"Only", "this"}}));
    fresh->removePersistentDomainForName(kAgent);
    EXPECT_FALSE(fs::exists(prefs(kAgent)));
    EXPECT_TRUE(store->domain(kAgent)->empty());
}

TEST_F(FileDefaultsStoreTest, StoresSeeEachOthersWritesAndParseOnlyChanges) {
    FileDefaultsStore a(nullptr), b(nullptr);
    ASSERT_TRUE(a.setValue(kAgent, "fromA", PropertyList(1)).ok());
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
    ASSERT_TRUE(a.setValue(kAgent, "fromB", std::nullopt).ok());
    EXPECT_FALSE(b.domain(kAgent)->contains("fromB"));
}

TEST_F(FileDefaultsStoreTest, ReadersOnOtherThreadsAlwaysSeeWholeDomains) {
    FileDefaultsStore store(nullptr);
    ASSERT_TRUE(store.setDomain(kAgent, {{"a", 0}, {"b", 0}}).ok());
    std::atomic<bool> done{false};
    std::atomic<int> torn{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 3; ++t)
        readers.emplace_back([&] {
            while (!done) {
                auto d = store.domain(kAgent);
                if (d->size() != 2 || *d->find("a") != *d->find("b")) ++torn;
            }
        });
    for (int i = 1; i <= 20; ++i) ASSERT_TRUE(store.setDomain(kAgent, {{"a", i}, {"b", i}}).ok());
    done = true;
    for (auto& r : readers) r.join();
    EXPECT_EQ(torn, 0);
}

TEST_F(FileDefaultsStoreTest, ConcurrentProcessesLoseNoWrite) {
    constexpr int kChildren = 2, kWrites = 200;
    std::vector<pid_t> children;
    for (int c = 0; c < kChildren; ++c) {
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            FileDefaultsStore store(nullptr);
            for (int i = 0; i < kWrites; ++i) {
                const std::string key = "c" + std::to_string(c) + "-" + std::to_string(i);
                if (!store.setValue(kGroup, key, PropertyList(i)).ok()) _exit(1);
            }
            _exit(0);
        }
        children.push_back(pid);
    }
    for (const pid_t pid : children) {
        int status = 0;
        ASSERT_EQ(waitpid(pid, &status, 0), pid);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    FileDefaultsStore store(nullptr);
    auto domain = store.domain(kGroup);
    EXPECT_EQ(domain->size(), static_cast<size_t>(kChildren * kWrites));
    EXPECT_EQ(domain->find("c1-199")->asInteger(), 199);
}

TEST_F(FileDefaultsStoreTest, UnreadableFileIsMovedAsideNotOverwritten) {
    auto bytes = platform::PropertyListSerialization::write(
        PropertyList(PropertyList::Dictionary{{"Old", "value"}, {"More", 12}}),
        platform::PropertyListFormat::Binary);
    ASSERT_TRUE(bytes.ok());
    const std::string truncated = bytes->substr(0, bytes->size() / 2);
    temp.write(fs::relative(prefs(kAgent), temp.path()), truncated);

    platform::ScopedLogCapture capture;
    FileDefaultsStore store(nullptr);
    EXPECT_TRUE(store.domain(kAgent)->empty());
    EXPECT_TRUE(store.domain(kAgent)->empty());
    ASSERT_EQ(capture.sink.logged.size(), 1u);  // once per file, not per read

    ASSERT_TRUE(store.setValue(kAgent, "New", PropertyList(true)).ok());
    EXPECT_EQ(*store.domain(kAgent), (PropertyList::Dictionary{{"New", true}}));
    std::vector<fs::path> aside;
    for (const auto& entry : fs::directory_iterator(prefs(kAgent).parent_path()))
        if (entry.path().filename().string().starts_with(std::string(kAgent) + ".plist.corrupt-"))
            aside.push_back(entry.path());
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(testsupport::readFile(aside[0]), truncated);
}

TEST_F(FileDefaultsStoreTest, FailedWriteKeepsTheOldFile) {
    FileDefaultsStore store(nullptr);
    ASSERT_TRUE(store.setValue(kAgent, "Kept", PropertyList("yes")).ok());
    const std::string before = testsupport::readFile(prefs(kAgent));

    // A file-size limit makes the write itself fail part way, even for root.
    struct rlimit old {};
    getrlimit(RLIMIT_FSIZE, &old);
    auto* previous = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 64;
    setrlimit(RLIMIT_FSIZE, &small);
    auto status = store.setValue(kAgent, "Big", PropertyList(std::string(4096, 'x')));
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, previous);

    ASSERT_FALSE(status.ok());
    EXPECT_NE(status.error().localizedDescription.find(std::string(kAgent) + ".plist"),
              std::string::npos);
    EXPECT_EQ(testsupport::readFile(prefs(kAgent)), before);
    EXPECT_FALSE(store.domain(kAgent)->contains("Big"));
    EXPECT_EQ(std::distance(fs::directory_iterator(prefs(kAgent).parent_path()), {}), 2);

    if (geteuid() != 0) {  // root writes anywhere
        fs::permissions(prefs(kAgent).parent_path(), fs::perms::owner_read | fs::perms::owner_exec);
        status = store.setValue(kAgent, "Kept", PropertyList("no"));
        fs::permissions(prefs(kAgent).parent_path(), fs::perms::owner_all);
        ASSERT_FALSE(status.ok());
        EXPECT_EQ(status.error().code, 513);
        EXPECT_EQ(testsupport::readFile(prefs(kAgent)), before);
    }
}

TEST_F(FileDefaultsStoreTest, OtherProcessesChangesReachObserversByPolling) {
    PumpedQueue queue;
    auto store = std::make_shared<FileDefaultsStore>(&queue);
    auto watched = defaults(store, kAgent, &queue);
    std::vector<std::optional<PropertyList>> values;
    const auto token = watched->observe(
        "Mode", [&](const std::optional<PropertyList>& v) { values.push_back(v); });

    FileDefaultsStore other(nullptr);
    ASSERT_TRUE(other.setValue(kAgent, "Mode", PropertyList("fast")).ok());
    ASSERT_TRUE(queue.pumpUntil([&] { return !values.empty(); }));
    EXPECT_EQ(values.back(), PropertyList("fast"));

    ASSERT_TRUE(other.removeDomain(kAgent).ok());
    ASSERT_TRUE(queue.pumpUntil([&] { return values.size() == 2; }));
    EXPECT_EQ(values.back(), std::nullopt);

    // With nobody left to tell, polling winds down.
    watched->removeObserver(token);
    watched.reset();
    EXPECT_TRUE(queue.pumpUntil([&] { return queue.pending() == 0; }, 2));

    // A poll still queued when its store goes away does nothing.
    auto observed = std::make_shared<FileDefaultsStore>(&queue);
    observed->observeChanges([](const std::string&) {});
    EXPECT_EQ(queue.pending(), 1u);
    observed.reset();
    EXPECT_TRUE(queue.pumpUntil([&] { return queue.pending() == 0; }, 2));
}

TEST_F(FileDefaultsStoreTest, OwnWritesAreReportedAtOnce) {
    FileDefaultsStore store(nullptr);
    std::vector<std::string> changed;
    const auto token = store.observeChanges([&](const std::string& d) { changed.push_back(d); });
    ASSERT_TRUE(store.setValue(kGroup, "k", PropertyList(1)).ok());
    ASSERT_TRUE(store.setValue(kGroup, "k", PropertyList(1)).ok());  // no change, no report
    ASSERT_TRUE(store.removeDomain(kGroup).ok());
    EXPECT_EQ(changed, (std::vector<std::string>{kGroup, kGroup}));
    store.removeChangeObserver(token);
}

}  // namespace
