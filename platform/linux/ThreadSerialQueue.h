#pragma once

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include "platform/core/MainQueue.h"

namespace platform {

// A serial queue with one worker thread of its own. Pending work is finished before the
// queue goes away.
class ThreadSerialQueue : public SerialQueue {
  public:
    explicit ThreadSerialQueue(std::string label);
    ~ThreadSerialQueue() override;
    const std::string& label() const override { return label_; }
    void async(Task task) override;

  private:
    void run();

    std::string label_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Task> tasks_;
    bool stopping_ = false;
    std::thread worker_;
};

}  // namespace platform
