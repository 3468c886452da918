#include "platform/notifications/NotificationCenter.h"

#include <algorithm>

namespace platform {

ObserverToken NotificationCenter::addObserver(const std::string& name, const void* object,
                                              Callback callback, MainQueue* queue) {
    std::lock_guard lock(mutex_);
    const ObserverToken token = next_++;
    observers_.push_back(
        {token, name, object, std::make_shared<Callback>(std::move(callback)), queue});
    return token;
}

void NotificationCenter::removeObserver(ObserverToken token) {
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [token](const Observer& o) { return o.token == token; });
}

void NotificationCenter::post(const Notification& notification) {
    // Copy the matching observers first: a callback may add or remove observers.
    std::vector<Observer> matching;
    {
        std::lock_guard lock(mutex_);
        for (const auto& o : observers_) {
            if (!o.name.empty() && o.name != notification.name) continue;
            if (o.object && o.object != notification.object) continue;
            matching.push_back(o);
        }
    }
    for (const auto& o : matching) {
        if (o.queue && !o.queue->isCurrent()) {
            o.queue->async([callback = o.callback, notification] { (*callback)(notification); });
        } else {
            (*o.callback)(notification);
        }
    }
}

void NotificationCenter::post(const std::string& name, const void* object,
                              std::map<std::string, std::any> userInfo) {
    post(Notification{name, object, std::move(userInfo)});
}

NotificationCenter& NotificationCenter::defaultCenter() {
    static NotificationCenter center;
    return center;
}

}  // namespace platform
