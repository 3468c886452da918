#pragma once

#include <map>
#include <set>
#include <utility>

#include "platform/input/HotKeys.h"

// The hot-key service as the shortcut layer sees it: registrations are recorded, presses are
// delivered straight to the handler, chosen combinations are refused.
class FakeHotKeys : public platform::HotKeys, public platform::SystemShortcuts {
  public:
    struct Registration {
        uint16_t keyCode;
        uint32_t modifiers;
        uint32_t signature;
        uint32_t id;
    };

    int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature, uint32_t id,
                       Ref& ref) override {
        if (refused.contains({keyCode, carbonModifiers}))
            return platform::HotKeyStatus::kEventHotKeyExistsErr;
        ref = nextRef_++;
        live[ref] = {keyCode, carbonModifiers, signature, id};
        return platform::HotKeyStatus::kNoErr;
    }
    void unregisterHotKey(Ref ref) override { live.erase(ref); }
    void setHandler(Handler h) override { handler = std::move(h); }
    bool isTaken(uint16_t keyCode, uint32_t carbonModifiers) override {
        return systemTaken.contains({keyCode, carbonModifiers});
    }

    void press(uint32_t signature, uint32_t id) {
        if (handler) handler(signature, id);
    }

    std::map<Ref, Registration> live;
    std::set<std::pair<uint16_t, uint32_t>> refused;
    std::set<std::pair<uint16_t, uint32_t>> systemTaken;
    Handler handler;

  private:
    Ref nextRef_ = 1;
};
