#pragma once

#include <functional>
#include <string>

namespace platform {

using Task = std::function<void()>;

// The main thread's queue. Work submitted here runs on the main thread, in deadline order, FIFO
// among equal deadlines. Submitting is safe from any thread.
class MainQueue {
  public:
    virtual ~MainQueue() = default;
    virtual void async(Task task) = 0;
    virtual void asyncAfter(double seconds, Task task) = 0;
    // Whether the caller runs on the main thread.
    virtual bool isCurrent() const = 0;
};

// A queue of its own: tasks run one after another, in submission order, off the main thread.
class SerialQueue {
  public:
    virtual ~SerialQueue() = default;
    virtual const std::string& label() const = 0;
    virtual void async(Task task) = 0;
};

// Monotonic time for scheduling and waiting.
class Clock {
  public:
    virtual ~Clock() = default;
    // Seconds since an arbitrary start; never goes back.
    virtual double now() const = 0;
    // Blocks the calling thread, as the OS's sleep does: no queued work runs meanwhile.
    virtual void sleepFor(double seconds) = 0;
};

}  // namespace platform
