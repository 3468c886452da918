#pragma once

#include <atomic>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "platform/core/MainQueue.h"
#include "platform/core/TimerQueue.h"

namespace platform {

class SimAppleEventBus;
class SimApps;
class SimDefaultsStore;
class SimDistributedBus;
class SimPasteboardStore;
class SimProcess;
struct SimLaunchParameters;

// Something a process handed to the desktop instead of an application of the world: a web or
// mail URL, a file to open, items to show in the file viewer.
struct SimDesktopRequest {
    enum class Kind { OpenURL, OpenFile, Reveal };
    Kind kind = Kind::OpenURL;
    std::string target;  // URL text or path
    std::optional<std::string> application;
    int requesterPid = 0;
};

// One simulated machine for unit tests: a virtual clock, the defaults store, the distributed
// notification bus, Apple-event routing, pasteboards, installed applications and any number of
// simulated processes. Nothing waits on real time: work runs only when a test calls advance()
// or runUntilIdle().
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

    // Starts a process. An installed bundle's launch function runs, then the delegate's
    // will-finish and did-finish when one is set; the process becomes frontmost unless the
    // options say otherwise.
    SimProcess& launch(const std::string& bundleIdentifier);
    SimProcess& launch(const std::string& bundleIdentifier, const SimLaunchParameters& parameters);
    // Every process ever launched, terminated ones too.
    std::vector<SimProcess*> processes();
    SimDefaultsStore& defaultsStore() { return *defaults_; }
    std::shared_ptr<SimDefaultsStore> sharedDefaultsStore() { return defaults_; }
    SimDistributedBus& distributedBus() { return *bus_; }
    SimAppleEventBus& appleEventBus() { return *appleEvents_; }
    SimPasteboardStore& pasteboardStore() { return *pasteboards_; }
    std::shared_ptr<SimPasteboardStore> sharedPasteboardStore() { return pasteboards_; }
    SimApps& apps() { return *apps_; }

    // The user's home, where the trash is; tests give a temporary folder. Without one nothing
    // can be recycled.
    void setHomeDirectory(std::filesystem::path home) { home_ = std::move(home); }
    const std::optional<std::filesystem::path>& homeDirectory() const { return home_; }
    std::optional<std::filesystem::path> trashDirectory() const;
    // A private temporary folder, made on first use and removed with the world.
    const std::filesystem::path& scratchDirectory();

    // Sounds, recorded with the virtual time they were made at. playSound() finds only the
    // sounds added, as Linux has none of the OS's named sounds.
    void beep() { beeps_.push_back(now_); }
    const std::vector<double>& beeps() const { return beeps_; }
    void addSound(const std::string& name) { knownSounds_.insert(name); }
    bool playSound(const std::string& name);
    const std::vector<std::string>& soundsPlayed() const { return soundsPlayed_; }

    void handToDesktop(SimDesktopRequest request) { desktop_.push_back(std::move(request)); }
    const std::vector<SimDesktopRequest>& desktopRequests() const { return desktop_; }

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
    std::unique_ptr<SimAppleEventBus> appleEvents_;
    std::shared_ptr<SimPasteboardStore> pasteboards_;
    std::unique_ptr<SimApps> apps_;
    std::optional<std::filesystem::path> home_;
    std::filesystem::path scratch_;
    std::vector<double> beeps_;
    std::set<std::string> knownSounds_;
    std::vector<std::string> soundsPlayed_;
    std::vector<SimDesktopRequest> desktop_;
    std::vector<std::unique_ptr<SimProcess>> processes_;
};

// A main queue that runs when the world is advanced.
class SimMainQueue : public MainQueue {
  public:
    explicit SimMainQueue(SimWorld& world);
    ~SimMainQueue() override;
    void async(Task task) override {
        if (!stopped_) queue_.push(world_.now(), std::move(task));
    }
    void asyncAfter(double seconds, Task task) override {
        if (!stopped_) queue_.push(world_.now() + (seconds > 0 ? seconds : 0), std::move(task));
    }
    // The sim is one thread; another thread (a test's std::thread) is "off the main thread".
    bool isCurrent() const override;
    size_t pending() const { return queue_.size(); }
    // The process is gone: nothing more runs here, and new work is dropped.
    void stop();
    bool isStopped() const { return stopped_; }

  private:
    SimWorld& world_;
    TimerQueue queue_;
    std::thread::id mainThread_;
    std::atomic<bool> stopped_ = false;
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
