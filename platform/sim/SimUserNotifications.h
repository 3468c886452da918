#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/notifications/UserNotifications.h"

namespace platform {

// Records what was shown: title and body.
class SimUserNotifications : public UserNotifications {
  public:
    void deliver(const std::string& title, const std::string& body) override {
        delivered.emplace_back(title, body);
    }
    std::vector<std::pair<std::string, std::string>> delivered;
};

}  // namespace platform
