#pragma once

#include <string>

namespace platform {

// The OS's Service Management login items: a helper application shipped inside the calling
// application's bundle (Contents/Library/LoginItems) that the system starts at each login.
class LoginItems {
  public:
    virtual ~LoginItems() = default;
    // Registers (or removes) the helper with `bundleIdentifier` as a login item of the user;
    // false when that could not be done. Like SMLoginItemSetEnabled, removing an item that was
    // never registered succeeds.
    virtual bool setEnabled(const std::string& bundleIdentifier, bool enabled) = 0;
};

}  // namespace platform
