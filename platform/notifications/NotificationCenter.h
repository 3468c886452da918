#pragma once

#include <any>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/core/MainQueue.h"

namespace platform {

// An in-process notification: a name, the posting object (compared by identity) and user info
// holding any values.
struct Notification {
    std::string name;
    const void* object = nullptr;
    std::map<std::string, std::any> userInfo;
};

using ObserverToken = uint64_t;

// Named notifications within one process. `post` delivers synchronously, in registration order,
// on the posting thread; an observer added with a main queue runs on the main thread instead
// (at once when posted there, otherwise as soon as the main queue gets to it).
class NotificationCenter {
  public:
    using Callback = std::function<void(const Notification&)>;

    NotificationCenter() = default;
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    // An empty name observes every notification; a non-null object only that sender's.
    ObserverToken addObserver(const std::string& name, const void* object, Callback callback,
                              MainQueue* queue = nullptr);
    void removeObserver(ObserverToken token);

    void post(const Notification& notification);
    void post(const std::string& name, const void* object = nullptr,
              std::map<std::string, std::any> userInfo = {});

    // The process's default centre, for programs; tests build their own.
    static NotificationCenter& defaultCenter();

  private:
    struct Observer {
        ObserverToken token;
        std::string name;
        const void* object;
        std::shared_ptr<Callback> callback;
        MainQueue* queue;
    };
    std::mutex mutex_;
    std::vector<Observer> observers_;
    ObserverToken next_ = 1;
};

}  // namespace platform
