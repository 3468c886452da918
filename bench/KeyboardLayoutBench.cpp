// What asking the layout for all 128 key codes costs, as every apply does when it rebuilds its
// key table, on keymaps compiled from xkeyboard-config names.

#include <benchmark/benchmark.h>

#include <memory>

#include "platform/linux/x11/XkbKeyboardLayout.h"

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

}  // namespace

BENCHMARK_CAPTURE(translateAllKeys, us, "us", "");
BENCHMARK_CAPTURE(translateAllKeys, ru_us, "ru,us", "");
