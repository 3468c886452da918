#pragma once

namespace platform {

// Whether this process may post synthetic input to other applications.
class Accessibility {
  public:
    virtual ~Accessibility() = default;
    // `prompt`: the system may ask the user to grant the permission.
    virtual bool isProcessTrusted(bool prompt) = 0;
};

}  // namespace platform
