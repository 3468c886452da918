#pragma once

#include <string>

#include "platform/notifications/UserNotifications.h"

namespace platform {

// Notices through the desktop's notification server (org.freedesktop.Notifications on the
// session bus). Sent without waiting: a desktop without a server just shows nothing, and the
// log keeps the text.
class DesktopNotifications : public UserNotifications {
  public:
    explicit DesktopNotifications(std::string applicationName);
    void deliver(const std::string& title, const std::string& body) override;

  private:
    std::string applicationName_;
};

}  // namespace platform
