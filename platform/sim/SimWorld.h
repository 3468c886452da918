#pragma once

#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "platform/MainQueue.h"
#include "platform/TimerQueue.h"

namespace platform {

class SimDefaultsStore;
class SimDistributedBus;
class SimProcess;

// One simulated machine for unit tests: a virtual clock, the defaults store, the distributed
// notification bus and any number of simulated processes. Nothing waits on real time: work
// runs only when a test calls advance() or runUntilIdle().
class SimWorld {
public:
    SimWorld();
    ~SimWorld();
    SimWorld(const SimWorld&) = delete;
    SimWorld& operator=(const SimWorld&) = delete;

    // Virtual seconds since the world began.
    double now() const { return now_; }
    // Moves the clock on without running anything (a blocked main thread).
    void sleep(double seconds) { now_ += seconds; }
    // Runs, in deadline order, everything due within the next `seconds`, then sets the clock to
    // the end of the interval.
    void advance(double seconds);
    // Runs everything scheduled, moving the clock to each deadline, until no work is left.
    // Returns the number of tasks run; stops after `limit` tasks (a task that reschedules
    // itself forever).
    size_t runUntilIdle(size_t limit = 100000);

    SimProcess& launch(const std::string& bundleIdentifier);
    std::vector<SimProcess*> processes();
    SimDefaultsStore& defaultsStore() { return *defaults_; }
    std::shared_ptr<SimDefaultsStore> sharedDefaultsStore() { return defaults_; }
    SimDistributedBus& distributedBus() { return *bus_; }

    // Queues whose work the world runs (each process's main queue, serial queues).
    void addQueue(TimerQueue* queue);
    void removeQueue(TimerQueue* queue);

    int nextPid() { return nextPid_++; }

private:
    // Runs the earliest task due at or before `until`; false when there is none.
    bool runOne(double until);

    double now_ = 0;
    int nextPid_ = 501;
    std::vector<TimerQueue*> queues_;
    std::shared_ptr<SimDefaultsStore> defaults_;
    std::unique_ptr<SimDistributedBus> bus_;
    std::vector<std::unique_ptr<SimProcess>> processes_;
};

// A main queue that runs when the world is advanced.
class SimMainQueue : public MainQueue {
public:
    explicit SimMainQueue(SimWorld& world);
    ~SimMainQueue() override;
    void async(Task task) override { queue_.push(world_.now(), std::move(task)); }
    void asyncAfter(double seconds, Task task) override {
        queue_.push(world_.now() + (seconds > 0 ? seconds : 0), std::move(task));
    }
    // The sim is one thread; another thread (a test's std::thread) is "off the main thread".
    bool isCurrent() const override;
    size_t pending() const { return queue_.size(); }

private:
    SimWorld& world_;
    TimerQueue queue_;
    std::thread::id mainThread_;
};

class SimSerialQueue : public SerialQueue {
public:
    SimSerialQueue(SimWorld& world, std::string label);
    ~SimSerialQueue() override;
    const std::string& label() const override { return label_; }
    void async(Task task) override { queue_.push(world_.now(), std::move(task)); }

private:
    SimWorld& world_;
    std::string label_;
    TimerQueue queue_;
};

class SimClock : public Clock {
public:
    explicit SimClock(SimWorld& world) : world_(world) {}
    double now() const override { return world_.now(); }
    void sleepFor(double seconds) override { world_.sleep(seconds > 0 ? seconds : 0); }

private:
    SimWorld& world_;
};

}  // namespace platform
