#pragma once

#include <functional>
#include <map>
#include <vector>

#include "platform/input/KeyEvents.h"
#include "platform/sim/SimWorld.h"

namespace platform {

// Synthetic key events in memory: every event is recorded with its target and virtual time and
// handed to the receiver registered for the target process. Events for the system stream go to
// the process named as focused.
class SimKeyEvents : public KeyEvents {
  public:
    struct Posted {
        int pid = -1;  // -1: the system stream
        KeyEvent event;
        double time = 0;
    };
    using Receiver = std::function<void(const KeyEvent&)>;

    explicit SimKeyEvents(SimWorld& world) : world_(world) {}

    bool hasEventSource() override { return eventSource; }
    void postToPid(int pid, const KeyEvent& event) override;
    void post(const KeyEvent& event) override;

    void setReceiver(int pid, Receiver receiver) { receivers_[pid] = std::move(receiver); }

    bool eventSource = true;
    int focusedPid = -1;
    std::vector<Posted> posted;

  private:
    void deliver(int pid, const KeyEvent& event);

    SimWorld& world_;
    std::map<int, Receiver> receivers_;
};

}  // namespace platform
