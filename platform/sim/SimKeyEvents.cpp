#include "platform/sim/SimKeyEvents.h"

namespace platform {

void SimKeyEvents::postToPid(int pid, const KeyEvent& event) {
    posted.push_back({pid, event, world_.now()});
    deliver(pid, event);
}

void SimKeyEvents::post(const KeyEvent& event) {
    posted.push_back({-1, event, world_.now()});
    deliver(focusedPid, event);
}

void SimKeyEvents::deliver(int pid, const KeyEvent& event) {
    const auto found = receivers_.find(pid);
    if (found != receivers_.end()) found->second(event);
}

}  // namespace platform
