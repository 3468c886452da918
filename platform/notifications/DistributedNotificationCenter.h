#pragma once

#include <functional>
#include <optional>
#include <string>

#include "platform/coding/PropertyList.h"
#include "platform/notifications/NotificationCenter.h"

namespace platform {

// A notification that crosses processes: the object is a string and the user info plain
// property-list values.
struct DistributedNotification {
    std::string name;
    std::optional<std::string> object;
    PropertyList::Dictionary userInfo;
};

// Posts reach every process of the user's session, the poster included. Observers run on the
// receiving process's main queue.
class DistributedNotificationCenter {
  public:
    using Callback = std::function<void(const DistributedNotification&)>;
    virtual ~DistributedNotificationCenter() = default;

    virtual void post(const DistributedNotification& notification) = 0;
    void post(const std::string& name, std::optional<std::string> object = std::nullopt,
              PropertyList::Dictionary userInfo = {}) {
        post(DistributedNotification{name, std::move(object), std::move(userInfo)});
    }
    // An empty name observes every notification; an object filter only that object's.
    virtual ObserverToken addObserver(const std::string& name, std::optional<std::string> object,
                                      Callback callback) = 0;
    virtual void removeObserver(ObserverToken token) = 0;
};

// Observer bookkeeping shared by the implementations: matching by name and object.
class DistributedObserverList {
  public:
    ObserverToken add(const std::string& name, std::optional<std::string> object,
                      DistributedNotificationCenter::Callback callback);
    void remove(ObserverToken token);
    // The callbacks matching `n`, in registration order.
    std::vector<std::shared_ptr<DistributedNotificationCenter::Callback>> matching(
        const DistributedNotification& n) const;

  private:
    struct Observer {
        ObserverToken token;
        std::string name;
        std::optional<std::string> object;
        std::shared_ptr<DistributedNotificationCenter::Callback> callback;
    };
    mutable std::mutex mutex_;
    std::vector<Observer> observers_;
    ObserverToken next_ = 1;
};

}  // namespace platform
