#pragma once

#include <cstdint>

namespace platform {

// One synthetic key event: a virtual key code, down or up, and the modifier flags it carries
// (ModifierFlags; Command is the platform's clipboard-shortcut modifier).
struct KeyEvent {
    uint16_t keyCode = 0;
    bool down = true;
    uint64_t flags = 0;
};

// Posting synthetic key events, as the OS's event services do.
class KeyEvents {
  public:
    virtual ~KeyEvents() = default;
    // Whether an event source can be made; without one nothing can be posted.
    virtual bool hasEventSource() = 0;
    // To the process `pid`: the events reach that application's focused window, brought to the
    // input focus first where the platform cannot address a process directly.
    virtual void postToPid(int pid, const KeyEvent& event) = 0;
    // To the system event stream: whatever has the input focus gets them.
    virtual void post(const KeyEvent& event) = 0;
};

}  // namespace platform
