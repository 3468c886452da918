#pragma once

#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <utility>

#include "platform/core/MainQueue.h"

namespace platform {

// Tasks keyed by deadline, FIFO among equal deadlines; thread-safe. Both main-queue
// implementations keep their work here, so they order it the same way.
class TimerQueue {
  public:
    void push(double deadline, Task task);
    // The earliest deadline, if any task waits.
    std::optional<double> nextDeadline() const;
    // Removes and returns the earliest task if its deadline is at or before `now`.
    std::optional<Task> popDue(double now);
    bool empty() const;
    size_t size() const;

  private:
    mutable std::mutex mutex_;
    std::map<std::pair<double, uint64_t>, Task> tasks_;
    uint64_t sequence_ = 0;
};

}  // namespace platform
