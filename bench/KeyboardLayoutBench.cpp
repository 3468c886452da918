// What asking the layout for all 128 key codes costs, as every apply does when it rebuilds its
// key table, on keymaps compiled from xkeyboard-config names.

#include <benchmark/benchmark.h>

#include <memory>

#include "agent/actions/CGKeyCodeLookup.h"
#include "platform/linux/x11/XkbKeyboardLayout.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimProcess.h"

namespace {

void translateAllKeys(benchmark::State& state, const char* layoutName, const char* variant) {
    auto layout = platform::XkbKeyboardLayout::fromNames({layoutName, variant, "", "", ""});
    if (!layout) {
        state.SkipWithError("keymap does not compile (xkb-data missing?)");
        return;
    }
    for (auto _ : state) {
        for (uint16_t code = 0; code < 128; ++code)
            benchmark::DoNotOptimize(layout->translate(code));
    }
    state.SetItemsProcessed(state.iterations() * 128);
}

// The agent's whole key-table rebuild (four tables from 128 translations) on a real keymap.
void rebuildKeyTable(benchmark::State& state, const char* layoutName) {
    auto layout = platform::XkbKeyboardLayout::fromNames({layoutName, "", "", "", ""});
    if (!layout) {
        state.SkipWithError("keymap does not compile (xkb-data missing?)");
        return;
    }
    platform::SimWorld world;
    platform::SimProcess& process = world.launch("com.halvik.purlane.agent");
    platform::SimKeyEvents events(world);
    CGKeyCodeLookup lookup(*layout, events, process.standardUserDefaults(), process.clock());
    for (auto _ : state) {
        lookup.rebuildTable();
        benchmark::DoNotOptimize(lookup.info().characterKeys.size());
    }
}

}  // namespace

BENCHMARK_CAPTURE(rebuildKeyTable, us, "us");
BENCHMARK_CAPTURE(rebuildKeyTable, ru_us, "ru,us");
BENCHMARK_CAPTURE(translateAllKeys, us, "us", "");
BENCHMARK_CAPTURE(translateAllKeys, ru_us, "ru,us", "");
