#pragma once

#include "platform/input/Accessibility.h"

namespace platform {

// On X11 any client may post synthetic input once the XTest extension is there; that is the
// permission here. No prompt exists.
class X11Accessibility : public Accessibility {
  public:
    bool isProcessTrusted(bool prompt) override;
};

}  // namespace platform
