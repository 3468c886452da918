#pragma once

#include <cstdint>
#include <string>

#include "platform/input/ModifierFlags.h"

struct xcb_connection_t;

namespace platform {

// The modifier keys held on the X display, read from the pointer state: Shift, Control,
// Mod1 (Alt) as Option and Mod4 (Super) as Command. Without a display nothing is held.
class X11ModifierFlags : public ModifierFlagsSource {
  public:
    // Connects to `displayName`, or to $DISPLAY when empty.
    explicit X11ModifierFlags(const std::string& displayName = {});
    ~X11ModifierFlags() override;
    X11ModifierFlags(const X11ModifierFlags&) = delete;
    X11ModifierFlags& operator=(const X11ModifierFlags&) = delete;

    bool connected() const { return connection_ != nullptr; }
    uint64_t currentModifierFlags() const override;

    // The OS flags for an X11 key-and-button mask.
    static uint64_t flagsFromX11Mask(uint16_t mask);

  private:
    xcb_connection_t* connection_ = nullptr;
    uint32_t root_ = 0;
};

}  // namespace platform
