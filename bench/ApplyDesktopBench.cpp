// The apply pipeline on a real X server: from the script command's request to the cleaned text
// in a Qt editor's window, for a 1 KB selection. The agent and the sample engine of the build
// run in a temporary home on a desktop of their own (Xvfb and openbox); the request goes through
// purlanectl, so its start-up is included, and the mandated pauses (0.1 s after each synthetic
// key, two keys) are part of what is measured.
//
// It needs a session bus of its own:
//   dbus-run-session -- build/bin/purlane_bench --benchmark_filter=ApplyOnDesktop

#include <benchmark/benchmark.h>

#include <filesystem>
#include <memory>

#include "tests/support/AgentSession.h"
#include "tests/support/XDesktop.h"

namespace {

using testsupport::AgentSession;
using testsupport::Subprocess;
using testsupport::XDesktop;

void BM_ApplyOnDesktop(benchmark::State& state) {
    if (!AgentSession::runnerHasSessionBus()) {
        state.SkipWithError("needs a session bus: run under dbus-run-session");
        return;
    }
    XDesktop desktop;
    AgentSession session(desktop.display());
    if (!desktop.ready() || !session.ready() || session.registerEngine().status != 0 ||
        !session.startAgent()) {
        state.SkipWithError("the desktop or the agent did not start");
        return;
    }
    std::string text;
    while (text.size() < 1024) text += "clean me up please ";
    text.resize(1024);
    std::string upper = text;
    for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));

    Subprocess editor(
        {(std::filesystem::path(PURLANE_BUILD_DIR) / "bin/purlane_textwindow").string(), text});
    if (!AgentSession::waitFor([&] {
            const auto w = desktop.windowOfProcess(editor.pid());
            return w && desktop.activeWindow() == w;
        })) {
        state.SkipWithError("the editor did not come up");
        return;
    }
    bool lower = false;
    for (auto _ : state) {
        const std::string& want = lower ? text : upper;
        session.script({"apply cleaner", lower ? "#LOWER" : "#UPPER"});
        std::optional<std::string> line;
        while ((line = editor.readLine(AgentSession::kWait)) && *line != "text: " + want) {
        }
        if (!line) {
            state.SkipWithError("the cleaned text did not arrive");
            return;
        }
        state.PauseTiming();
        testsupport::run({"/usr/bin/xdotool", "key", "ctrl+a"});
        lower = !lower;
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ApplyOnDesktop)->Unit(benchmark::kMillisecond)->Iterations(20)->UseRealTime();

}  // namespace
