#include "platform/notifications/DistributedNotificationCenter.h"

namespace platform {

ObserverToken DistributedObserverList::add(const std::string& name,
                                           std::optional<std::string> object,
                                           DistributedNotificationCenter::Callback callback) {
    std::lock_guard lock(mutex_);
    const ObserverToken token = next_++;
    observers_.push_back(
        {token, name, std::move(object),
         std::make_shared<DistributedNotificationCenter::Callback>(std::move(callback))});
    return token;
}

void DistributedObserverList::remove(ObserverToken token) {
    std::lock_guard lock(mutex_);
    std::erase_if(observers_, [token](const Observer& o) { return o.token == token; });
}

std::vector<std::shared_ptr<DistributedNotificationCenter::Callback>>
DistributedObserverList::matching(const DistributedNotification& n) const {
    std::lock_guard lock(mutex_);
    std::vector<std::shared_ptr<DistributedNotificationCenter::Callback>> out;
    for (const auto& o : observers_) {
        if (!o.name.empty() && o.name != n.name) continue;
        if (o.object && o.object != n.object) continue;
        out.push_back(o.callback);
    }
    return out;
}

}  // namespace platform
