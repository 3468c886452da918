#pragma once

#include <memory>
#include <thread>

#include "platform/core/MainQueue.h"
#include "platform/core/TimerQueue.h"

class QObject;
class QTimer;

namespace platform {

// Monotonic real time.
class SteadyClock : public Clock {
  public:
    double now() const override;
    void sleepFor(double seconds) override;
};

// The main queue on the Qt event loop. One precise timer is armed for the earliest deadline,
// so work runs in deadline order and FIFO among equal deadlines, whatever Qt does with timers
// of equal interval. Create it on the main thread once the Qt application object exists.
class QtMainQueue : public MainQueue {
  public:
    QtMainQueue();
    ~QtMainQueue() override;
    void async(Task task) override;
    void asyncAfter(double seconds, Task task) override;
    bool isCurrent() const override;

  private:
    void rearm();  // main thread only
    void fire();

    SteadyClock clock_;
    TimerQueue queue_;
    std::thread::id mainThread_;
    std::unique_ptr<QObject> context_;
    QTimer* timer_ = nullptr;  // owned by context_
};

}  // namespace platform
