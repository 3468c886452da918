// The icon click that opens the popover, on a real X server: from the status item's action to
// the popover's window mapped and exposed by the server. The first click builds the popover
// (content, list, window); later clicks only show it again.

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QWindow>
#include <memory>

#include "agent/engine/PLClient.h"
#include "agent/surfaces/GlobalPopoverFactory.h"
#include "agent/surfaces/PopoverWindow.h"
#include "agent/surfaces/QtPopoverViewFactory.h"
#include "agent/surfaces/StatusBar.h"
#include "platform/sim/SimModifierFlags.h"
#include "platform/sim/SimProcess.h"
#include "platform/sim/SimSounds.h"
#include "platform/sim/SimStatusBar.h"
#include "platform/sim/SimWorld.h"
#include "tests/agent/ui/CleanerListFixture.h"
#include "tests/support/XDesktop.h"

namespace {

struct PopoverOnDesktop {
    PopoverOnDesktop()
        : agent(world.launch("com.halvik.purlane.agent")),
          client({nullptr, nullptr, &agent.notificationCenter(), nullptr, nullptr}),
          contents(
              {{&client,
                &agent.standardUserDefaults(),
                &agent.notificationCenter(),
                &sounds,
                &modifiers,
                {}},
               agent.standardUserDefaults(),
               {},
               nullptr,
               nullptr},
              {&client, &agent.standardUserDefaults(), &agent.notificationCenter(), &modifiers}),
          bar({agent.standardUserDefaults(), &modifiers, &contents, &views}) {
        client.clientData().update(uitest::sampleLibrary());
        bar.statusItem = statusArea.statusItemWithLength(platform::StatusBar::kSquareLength);
    }

    // Clicks the icon and waits until the server has the popover on screen.
    bool clickAndWaitForExposure() {
        bar.menuIconClick();
        const auto* popover = bar.popover();
        if (!popover) return false;
        auto* window = dynamic_cast<PopoverWindow*>(popover->view.get());
        QElapsedTimer timer;
        timer.start();
        while (!(window && window->windowHandle() && window->windowHandle()->isExposed())) {
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
            if (timer.elapsed() > 5000) return false;
        }
        return true;
    }

    platform::SimWorld world;
    platform::SimProcess& agent;
    platform::SimSounds sounds;
    platform::SimModifierFlags modifiers;
    PLClient client;
    GlobalPopoverFactory contents;
    QtPopoverViewFactory views;
    platform::SimStatusBar statusArea;
    StatusBar bar;
};

QApplication* desktopApplication(std::unique_ptr<testsupport::XDesktop>& desktop) {
    static std::unique_ptr<testsupport::XDesktop> shared;
    static QApplication* app = nullptr;
    if (!app) {
        shared = std::make_unique<testsupport::XDesktop>();
        if (!shared->ready()) return nullptr;
        static int argc = 1;
        static char arg0[] = "purlane_bench";
        static char* argv[] = {arg0, nullptr};
        app = new QApplication(argc, argv);
    }
    (void)desktop;
    return app;
}

void BM_PopoverIconClickToShown(benchmark::State& state) {
    std::unique_ptr<testsupport::XDesktop> unused;
    if (!desktopApplication(unused)) {
        state.SkipWithError("no private X desktop (Xvfb and openbox)");
        return;
    }
    const bool first = state.range(0) == 1;
    std::unique_ptr<PopoverOnDesktop> scene;
    if (!first) {
        scene = std::make_unique<PopoverOnDesktop>();
        scene->clickAndWaitForExposure();
        scene->bar.closePopover();
    }
    for (auto _ : state) {
        if (first) {
            state.PauseTiming();
            scene = std::make_unique<PopoverOnDesktop>();
            state.ResumeTiming();
        }
        if (!scene->clickAndWaitForExposure()) {
            state.SkipWithError("the popover never appeared");
            return;
        }
        state.PauseTiming();
        scene->bar.closePopover();
        QApplication::processEvents();
        if (first) scene.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_PopoverIconClickToShown)
    ->Arg(1)
    ->Arg(0)
    ->ArgName("first")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->Iterations(20);

}  // namespace
