#include "platform/sim/SimHotKeys.h"

#include <algorithm>

namespace platform {

int SimHotKeys::registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature,
                               uint32_t id, Ref& ref) {
    Registration r{0, keyCode, carbonModifiers, signature, id};
    int status = HotKeyStatus::kNoErr;
    if (refused_.contains({keyCode, carbonModifiers})) {
        status = HotKeyStatus::kEventHotKeyExistsErr;
    } else {
        r.ref = nextRef_++;
        ref = r.ref;
        registrations_.push_back(r);
    }
    attempts.emplace_back(r, status);
    return status;
}

void SimHotKeys::unregisterHotKey(Ref ref) {
    std::erase_if(registrations_, [&](const Registration& r) { return r.ref == ref; });
}

bool SimHotKeys::isTaken(uint16_t keyCode, uint32_t carbonModifiers) {
    return system_.contains({keyCode, carbonModifiers});
}

size_t SimHotKeys::press(uint16_t keyCode, uint32_t carbonModifiers) {
    if (!handler_) return 0;
    size_t queued = 0;
    for (const Registration& r : registrations_) {
        if (r.keyCode != keyCode || r.carbonModifiers != carbonModifiers) continue;
        // The handler of the moment of the press, as the real system's dispatcher has it.
        mainQueue_.async(
            [handler = handler_, signature = r.signature, id = r.id] { handler(signature, id); });
        ++queued;
    }
    return queued;
}

void SimHotKeys::refuse(uint16_t keyCode, uint32_t carbonModifiers) {
    refused_.insert({keyCode, carbonModifiers});
}

void SimHotKeys::release(uint16_t keyCode, uint32_t carbonModifiers) {
    refused_.erase({keyCode, carbonModifiers});
}

void SimHotKeys::takeBySystem(uint16_t keyCode, uint32_t carbonModifiers) {
    system_.insert({keyCode, carbonModifiers});
}

bool SimHotKeys::isRegistered(uint16_t keyCode, uint32_t carbonModifiers) const {
    return std::ranges::any_of(registrations_, [&](const Registration& r) {
        return r.keyCode == keyCode && r.carbonModifiers == carbonModifiers;
    });
}

}  // namespace platform
