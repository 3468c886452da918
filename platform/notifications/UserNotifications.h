#pragma once

#include <string>

namespace platform {

// Notices shown to the user by the desktop (a banner that goes by itself), for things the user
// must know but need not answer.
class UserNotifications {
  public:
    virtual ~UserNotifications() = default;
    virtual void deliver(const std::string& title, const std::string& body) = 0;
};

}  // namespace platform
