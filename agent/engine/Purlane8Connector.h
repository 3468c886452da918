#pragma once

#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/events/AppleEventManager.h"
#include "platform/pasteboard/Pasteboard.h"

// Requests to the version-8 engine: a keyed-archived command dictionary in a "Purl"/"plS2"
// event.
class Purlane8Connector {
  public:
    static constexpr const char* kDefaultBundleID = "com.halvik.purlane8";

    explicit Purlane8Connector(platform::AppleEventManager& events,
                               std::string appBundleID = kDefaultBundleID);

    const std::string& appBundleID() const { return appBundleID_; }
    void setAppBundleID(std::string id) { appBundleID_ = std::move(id); }

    std::optional<platform::PropertyList> sendRemoteCommand(
        const std::string& command, const std::optional<std::string>& param1 = std::nullopt,
        const std::optional<std::string>& param2 = std::nullopt, bool waitForReply = true);
    std::optional<platform::PropertyList> cleanPasteboard(const platform::Pasteboard& pasteboard,
                                                          const std::string& cleanerName);

  private:
    platform::AppleEventManager& events_;
    std::string appBundleID_;
};
