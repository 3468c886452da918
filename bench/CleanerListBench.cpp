#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "agent/engine/PLClient.h"
#include "agent/ui/PLCleanerListViewController.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimWorld.h"

namespace {

constexpr int kCleaners = 10000;

const char* const kVerbs[] = {"Remove", "Collapse", "Convert", "Trim", "Replace",
                              "Encode", "Decode",   "Sort",    "Wrap", "Join"};
const char* const kObjects[] = {"Trailing Spaces", "Line Breaks",    "Quotes",  "Tabs",
                                "HTML Tags",       "URL Characters", "Accents", "Empty Lines",
                                "Bullets",         "Emoji"};

// Ten thousand cleaners with names as a user's library has them, all in the standard group,
// the library group holding the same cleaners.
SharedPurlaneData2 largeLibrary() {
    SharedPurlaneData2 data;
    Group standard("Standard", "##Standard");
    for (int i = 0; i < kCleaners; ++i) {
        const std::string name =
            std::string(kVerbs[i % 10]) + " " + kObjects[(i / 10) % 10] + " " + std::to_string(i);
        standard.items.push_back(makeItem("#c" + std::to_string(i), name, "Does " + name,
                                          static_cast<ItemColor>(i % 8)));
    }
    data.builtin.library = Group("Library", "##Library", standard.items);
    data.builtin.groups.push_back(std::move(standard));
    data.user.ccleaners = Group("Custom", "##Custom");
    return data;
}

// A loaded list on the sim showing the large library's standard group.
struct LoadedList {
    LoadedList() {
        client.clientData().update(largeLibrary());
        list.viewDidLoad();
    }
    platform::SimWorld world;
    platform::SimProcess& agent = world.launch("com.halvik.purlane.agent");
    platform::SimSounds sounds;
    platform::SimModifierFlags modifiers;
    PLClient client{{nullptr, nullptr, &agent.notificationCenter(), nullptr, nullptr}};
    PLCleanerListViewController list{{&client,
                                      &agent.standardUserDefaults(),
                                      &agent.notificationCenter(),
                                      &sounds,
                                      &modifiers,
                                      {}}};
};

// One keystroke of typing (or erasing) a search in a list showing a 10 000-cleaner group: the
// filter of the group and the library, the rows handed to the view.
void BM_CleanerListFilterPerKeystroke(benchmark::State& state) {
    LoadedList loaded;
    PLCleanerListViewController& list = loaded.list;

    // Typing "trailing sp" and erasing it again, one character at a time.
    const std::string typed = "trailing sp";
    std::vector<std::string> keystrokes;
    for (size_t n = 1; n <= typed.size(); ++n) keystrokes.push_back(typed.substr(0, n));
    for (size_t n = typed.size(); n-- > 0;) keystrokes.push_back(typed.substr(0, n));

    size_t next = 0;
    int64_t rows = 0;
    for (auto _ : state) {
        list.searchTextDidChange(keystrokes[next]);
        rows += list.numberOfRows();
        next = (next + 1) % keystrokes.size();
    }
    state.counters["rows/keystroke"] =
        benchmark::Counter(static_cast<double>(rows), benchmark::Counter::kAvgIterations);
}
BENCHMARK(BM_CleanerListFilterPerKeystroke)->Unit(benchmark::kMicrosecond);

// The same with a one-letter filter, which matches nearly every cleaner.
void BM_CleanerListFilterOneLetter(benchmark::State& state) {
    LoadedList loaded;
    PLCleanerListViewController& list = loaded.list;
    bool flip = false;
    for (auto _ : state) {
        list.searchTextDidChange(flip ? "e" : "r");
        flip = !flip;
    }
}
BENCHMARK(BM_CleanerListFilterOneLetter)->Unit(benchmark::kMicrosecond);

}  // namespace
