// What reading a preference costs when the agent asks for it on every menu update, and what a
// durable write costs, on the real files.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>

#include "platform/defaults/RegistrationDomain.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/linux/FileDefaultsStore.h"

namespace {

namespace fs = std::filesystem;

// A throw-away home for the benchmark's files; the user's own are never touched.
class TempHome {
  public:
    TempHome() {
        std::string pattern = (fs::temp_directory_path() / "purlane-bench-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
        setenv("HOME", path_.c_str(), 1);
        setenv("XDG_DATA_HOME", (path_ / "data").c_str(), 1);
    }
    ~TempHome() {
        std::error_code ec;
        if (!path_.empty()) fs::remove_all(path_, ec);
    }
    TempHome(const TempHome&) = delete;
    TempHome& operator=(const TempHome&) = delete;

  private:
    fs::path path_;
};

std::unique_ptr<platform::UserDefaults> makeDefaults() {
    auto store = std::make_shared<platform::FileDefaultsStore>(nullptr);
    return std::make_unique<platform::UserDefaults>(
        store, std::make_shared<platform::RegistrationDomain>(), "com.halvik.purlane.agent",
        nullptr);
}

void BM_BoolForKeyUnchangedDomain(benchmark::State& state) {
    TempHome home;
    auto defaults = makeDefaults();
    // A domain of realistic size, so a needless re-parse would show.
    for (int i = 0; i < 50; ++i) defaults->setString("Key" + std::to_string(i), "value");
    defaults->setBool("PreserveClipboard", true);
    for (auto _ : state) benchmark::DoNotOptimize(defaults->boolForKey("PreserveClipboard"));
}
BENCHMARK(BM_BoolForKeyUnchangedDomain);

void BM_SetBool(benchmark::State& state) {
    TempHome home;
    auto defaults = makeDefaults();
    bool value = false;
    for (auto _ : state) defaults->setBool("PreserveClipboard", value = !value);
}
BENCHMARK(BM_SetBool)->Unit(benchmark::kMillisecond);

}  // namespace
