// Registering the user's shortcuts: registerAll over a hundred valid records, on the sim's hot
// keys, so what is measured is the shortcut layer's own work (decoding the stored list,
// validating, the monitor's bookkeeping).

#include <benchmark/benchmark.h>

#include "agent/shortcuts/GlobalHotKeys.h"
#include "platform/sim/SimHotKeys.h"
#include "platform/sim/SimKeyboardLayout.h"
#include "platform/sim/SimProcess.h"

namespace {

using namespace platform;

void BM_RegisterAllHundred(benchmark::State& state) {
    SimWorld world;
    SimProcess& process = world.launch("com.halvik.purlane.agent");
    UserDefaults& defaults = process.standardUserDefaults();
    SimKeyboardLayout layout;
    SimHotKeys hotKeys(process.mainQueue());
    MASShortcutMonitor monitor(hotKeys, process.mainQueue());
    MASShortcutValidator validator(defaults, hotKeys, layout);
    ShortcutList list(defaults, process.notificationCenter());
    GlobalHotKeys global(monitor, validator, list, defaults);
    // A hundred distinct combinations: 25 keys with four modifier sets.
    const uint64_t modifiers[] = {0x40000, 0x140000, 0xC0000, 0x60000};
    for (int i = 0; i < 100; ++i) {
        Shortcut s = Shortcut::make();
        s.keycode = static_cast<uint64_t>(i % 25);
        s.modifiersRaw = modifiers[i / 25];
        list.list.push_back(s);
    }
    list.save();
    for (auto _ : state) {
        global.registerAll();
        benchmark::DoNotOptimize(monitor.isShortcutRegistered(MASShortcut(0, 0x40000)));
    }
}
BENCHMARK(BM_RegisterAllHundred)->Unit(benchmark::kMicrosecond);

}  // namespace
