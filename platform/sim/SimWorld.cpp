#include "platform/sim/SimWorld.h"

#include <algorithm>
#include <limits>

#include "platform/sim/SimDefaultsStore.h"
#include "platform/sim/SimDistributedBus.h"
#include "platform/sim/SimProcess.h"

namespace platform {

SimWorld::SimWorld()
    : defaults_(std::make_shared<SimDefaultsStore>()),
      bus_(std::make_unique<SimDistributedBus>()) {}

SimWorld::~SimWorld() {
    // Processes unregister their queues as they go.
    processes_.clear();
}

void SimWorld::addQueue(TimerQueue* queue) { queues_.push_back(queue); }

void SimWorld::removeQueue(TimerQueue* queue) { std::erase(queues_, queue); }

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
    processes_.push_back(std::make_unique<SimProcess>(*this, bundleIdentifier, nextPid()));
    return *processes_.back();
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

SimMainQueue::~SimMainQueue() { world_.removeQueue(&queue_); }

bool SimMainQueue::isCurrent() const { return std::this_thread::get_id() == mainThread_; }

SimSerialQueue::SimSerialQueue(SimWorld& world, std::string label)
    : world_(world), label_(std::move(label)) {
    world_.addQueue(&queue_);
}

SimSerialQueue::~SimSerialQueue() { world_.removeQueue(&queue_); }

}  // namespace platform
