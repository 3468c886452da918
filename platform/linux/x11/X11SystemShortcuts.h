#pragma once

#include "platform/input/HotKeys.h"
#include "platform/linux/x11/X11HotKeys.h"

namespace platform {

// X11 has no list of the system's shortcuts: a combination is the system's when another client
// (the window manager, the desktop's key daemon) holds a grab of it. Ours never count.
class X11SystemShortcuts : public SystemShortcuts {
  public:
    explicit X11SystemShortcuts(X11HotKeys& hotKeys) : hotKeys_(hotKeys) {}
    bool isTaken(uint16_t keyCode, uint32_t carbonModifiers) override {
        return hotKeys_.heldByAnotherClient(keyCode, carbonModifiers);
    }

  private:
    X11HotKeys& hotKeys_;
};

}  // namespace platform
