// The apply pipeline on the sim: the key table rebuilt from a layout, and a whole apply
// (copy, clean through the fake engine, paste, restore) on a fake editor. The sim's pauses are
// virtual, so the time measured is the pipeline's own work without the key-press pauses.

#include <benchmark/benchmark.h>

#include "agent/actions/GlobalActionsManager.h"
#include "platform/sim/SimKeyEvents.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimTextField.h"
#include "platform/sim/SimWorkspace.h"
#include "tests/agent/AgentSimFixture.h"

namespace {

using namespace platform;

struct ApplyWorld : agenttest::AgentSimFixture {
    void TestBody() override {}
};

void BM_KeyTableRebuild(benchmark::State& state) {
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    SimKeyboardLayout layout;
    SimKeyEvents events(world);
    CGKeyCodeLookup lookup(layout, events, process.standardUserDefaults(), process.clock());
    for (auto _ : state) {
        lookup.rebuildTable();
        benchmark::DoNotOptimize(lookup.info().characterKeys.size());
    }
}
BENCHMARK(BM_KeyTableRebuild);

void BM_ApplyOnSim(benchmark::State& state) {
    ApplyWorld w;
    SimKeyboardLayout layout;
    SimKeyEvents events(w.world);
    CGKeyCodeLookup keys(layout, events, w.defaults, w.agent.clock());
    ActiveAppTracker tracker(w.agent.workspace(), w.agent.pid());
    GlobalActionsManager manager({w.agent, w.shared, w.agent.workspace(), w.accessibility,
                                  w.world.sharedPasteboardStore(), w.client, w.sounds, keys,
                                  tracker});
    w.startEngine();
    w.connectEngine();
    SimProcess& editor = w.world.launch("org.example.Editor");
    SimTextField field(events, editor.pid(), layout, w.world.sharedPasteboardStore());
    w.shared.setBool(GlobalActionsManager::kPreserveClipboard, true);
    w.shared.removeObjectForKey(GlobalActionsManager::kPreserveClipboardExpectionList);
    const std::string text(1024, 'x');
    for (auto _ : state) {
        field.setText(text);
        field.selectAll();
        manager.applyCleaner(agenttest::kUpper, CleanerApplyOption::standard);
        w.world.runUntilIdle();
        events.posted.clear();
        w.engineRequests.clear();
    }
}
BENCHMARK(BM_ApplyOnSim)->Unit(benchmark::kMicrosecond);

}  // namespace
