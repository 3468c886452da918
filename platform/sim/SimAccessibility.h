#pragma once

#include "platform/input/Accessibility.h"

namespace platform {

// Settable trust; counts the checks and prompts.
class SimAccessibility : public Accessibility {
  public:
    bool isProcessTrusted(bool prompt) override {
        ++checks;
        if (prompt) ++prompts;
        return trusted;
    }
    bool trusted = true;
    int checks = 0;
    int prompts = 0;
};

}  // namespace platform
