#include "platform/events/AppleEventManager.h"

#include <algorithm>

namespace platform {

namespace {
// Matches any class or ID when a handler is installed with it, as the OS's typeWildCard does.
constexpr FourCharCode kWildCard = FourCharCode::make("****");
}  // namespace

void AppleEventHandlerTable::set(FourCharCode eventClass, FourCharCode eventID,
                                 AppleEventManager::Handler handler) {
    auto shared = std::make_shared<AppleEventManager::Handler>(std::move(handler));
    for (auto& [c, i, h] : handlers_) {
        if (c == eventClass && i == eventID) {
            h = std::move(shared);
            return;
        }
    }
    handlers_.emplace_back(eventClass, eventID, std::move(shared));
}

void AppleEventHandlerTable::remove(FourCharCode eventClass, FourCharCode eventID) {
    std::erase_if(handlers_, [&](const auto& entry) {
        return std::get<0>(entry) == eventClass && std::get<1>(entry) == eventID;
    });
}

bool AppleEventHandlerTable::has(FourCharCode eventClass, FourCharCode eventID) const {
    return std::any_of(handlers_.begin(), handlers_.end(), [&](const auto& entry) {
        return std::get<0>(entry) == eventClass && std::get<1>(entry) == eventID;
    });
}

int AppleEventHandlerTable::dispatch(const AppleEvent& event, AppleEvent& reply) const {
    // The exact pair first, then a wildcard ID, then a wildcard class.
    const std::pair<FourCharCode, FourCharCode> lookups[] = {
        {event.eventClass(), event.eventID()},
        {event.eventClass(), kWildCard},
        {kWildCard, event.eventID()},
        {kWildCard, kWildCard},
    };
    std::shared_ptr<AppleEventManager::Handler> handler;
    for (const auto& [eventClass, eventID] : lookups) {
        for (const auto& [c, i, h] : handlers_) {
            if (c == eventClass && i == eventID && h && *h) {
                handler = h;
                break;
            }
        }
        if (handler) break;
    }
    // Held by a copy of the pointer, so a handler may replace or remove itself while it runs.
    const int error = handler ? (*handler)(event, reply) : OSErr::kEventNotHandled;
    if (error != OSErr::kNoErr)
        reply.setParamDescriptor(AEKeyword::kErrorNumber, AppleEventDescriptor::int32(error));
    return error;
}

}  // namespace platform
