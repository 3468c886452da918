#include "platform/sim/SimWorld.h"

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <limits>
#include <system_error>

#include "platform/sim/SimAppleEvents.h"
#include "platform/sim/SimApps.h"
#include "platform/sim/SimDefaultsStore.h"
#include "platform/sim/SimDistributedBus.h"
#include "platform/sim/SimPasteboardStore.h"
#include "platform/sim/SimProcess.h"

namespace platform {

SimWorld::SimWorld()
    : defaults_(std::make_shared<SimDefaultsStore>()),
      bus_(std::make_unique<SimDistributedBus>()),
      appleEvents_(std::make_unique<SimAppleEventBus>()),
      pasteboards_(std::make_shared<SimPasteboardStore>()),
      apps_(std::make_unique<SimApps>(*this)) {}

SimWorld::~SimWorld() {
    // Processes unregister their queues and event managers as they go.
    apps_->forget();
    processes_.clear();
    if (!scratch_.empty()) {
        std::error_code ec;
        std::filesystem::remove_all(scratch_, ec);
    }
}

void SimWorld::addQueue(TimerQueue* queue) {
    queues_.push_back(queue);
}

void SimWorld::removeQueue(TimerQueue* queue) {
    std::erase(queues_, queue);
}

bool SimWorld::runOne(double until) {
    TimerQueue* best = nullptr;
    double bestDeadline = std::numeric_limits<double>::infinity();
    for (TimerQueue* q : queues_) {
        if (auto d = q->nextDeadline(); d && *d < bestDeadline) {
            bestDeadline = *d;
            best = q;
        }
    }
    if (!best || bestDeadline > until) return false;
    if (bestDeadline > now_) now_ = bestDeadline;
    if (auto task = best->popDue(bestDeadline)) (*task)();
    return true;
}

void SimWorld::advance(double seconds) {
    const double end = now_ + std::max(seconds, 0.0);
    while (runOne(end)) {
    }
    if (now_ < end) now_ = end;
}

size_t SimWorld::runUntilIdle(size_t limit) {
    size_t ran = 0;
    while (ran < limit && runOne(std::numeric_limits<double>::infinity())) ++ran;
    return ran;
}

SimProcess& SimWorld::launch(const std::string& bundleIdentifier) {
    return launch(bundleIdentifier, SimLaunchParameters{});
}

SimProcess& SimWorld::launch(const std::string& bundleIdentifier,
                             const SimLaunchParameters& parameters) {
    processes_.push_back(
        std::make_unique<SimProcess>(*this, bundleIdentifier, nextPid(), parameters));
    SimProcess& process = *processes_.back();
    apps_->started(process, parameters.options);
    return process;
}

std::optional<std::filesystem::path> SimWorld::trashDirectory() const {
    if (!home_) return std::nullopt;
    return *home_ / ".Trash";
}

const std::filesystem::path& SimWorld::scratchDirectory() {
    if (scratch_.empty()) {
        std::error_code ec;
        std::filesystem::path base = std::filesystem::temp_directory_path(ec);
        if (ec) base = "/tmp";
        std::string pattern = (base / "purlane-sim-XXXXXX").string();
        if (::mkdtemp(pattern.data())) {
            scratch_ = pattern;
        } else {
            // Still a folder of our own, so that removing it with the world is safe.
            scratch_ = base / ("purlane-sim-" + std::to_string(::getpid()) + "-" +
                               std::to_string(reinterpret_cast<uintptr_t>(this)));
            std::filesystem::create_directories(scratch_, ec);
        }
    }
    return scratch_;
}

bool SimWorld::playSound(const std::string& name) {
    soundsPlayed_.push_back(name);
    return knownSounds_.count(name) != 0;
}

std::vector<SimProcess*> SimWorld::processes() {
    std::vector<SimProcess*> out;
    for (auto& p : processes_) out.push_back(p.get());
    return out;
}

SimMainQueue::SimMainQueue(SimWorld& world)
    : world_(world), mainThread_(std::this_thread::get_id()) {
    world_.addQueue(&queue_);
}

SimMainQueue::~SimMainQueue() {
    world_.removeQueue(&queue_);
}

void SimMainQueue::stop() {
    stopped_ = true;
    world_.removeQueue(&queue_);
}

bool SimMainQueue::isCurrent() const {
    return std::this_thread::get_id() == mainThread_;
}

SimSerialQueue::SimSerialQueue(SimWorld& world, std::string label)
    : world_(world), label_(std::move(label)) {
    world_.addQueue(&queue_);
}

SimSerialQueue::~SimSerialQueue() {
    world_.removeQueue(&queue_);
}

}  // namespace platform
