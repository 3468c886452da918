#include "platform/core/TimerQueue.h"

namespace platform {

void TimerQueue::push(double deadline, Task task) {
    std::lock_guard lock(mutex_);
    tasks_.emplace(std::make_pair(deadline, sequence_++), std::move(task));
}

std::optional<double> TimerQueue::nextDeadline() const {
    std::lock_guard lock(mutex_);
    if (tasks_.empty()) return std::nullopt;
    return tasks_.begin()->first.first;
}

std::optional<Task> TimerQueue::popDue(double now) {
    std::lock_guard lock(mutex_);
    if (tasks_.empty() || tasks_.begin()->first.first > now) return std::nullopt;
    Task task = std::move(tasks_.begin()->second);
    tasks_.erase(tasks_.begin());
    return task;
}

bool TimerQueue::empty() const {
    std::lock_guard lock(mutex_);
    return tasks_.empty();
}

size_t TimerQueue::size() const {
    std::lock_guard lock(mutex_);
    return tasks_.size();
}

}  // namespace platform
