#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <set>
#include <utility>
#include <vector>

#include "platform/core/MainQueue.h"
#include "platform/input/HotKeys.h"

namespace platform {

// Hot keys in memory. Registrations are kept in order and can be read back; a test "presses" a
// combination and every registration of it reaches the handler through the main queue, later,
// as on the real system. Combinations another client holds are refused; the system's own
// shortcuts are a set the test fills.
class SimHotKeys : public HotKeys, public SystemShortcuts {
  public:
    struct Registration {
        Ref ref = 0;
        uint16_t keyCode = 0;
        uint32_t carbonModifiers = 0;
        uint32_t signature = 0;
        uint32_t id = 0;
    };
    using Combination = std::pair<uint16_t, uint32_t>;

    explicit SimHotKeys(MainQueue& mainQueue) : mainQueue_(mainQueue) {}

    int registerHotKey(uint16_t keyCode, uint32_t carbonModifiers, uint32_t signature, uint32_t id,
                       Ref& ref) override;
    void unregisterHotKey(Ref ref) override;
    void setHandler(Handler handler) override { handler_ = std::move(handler); }
    bool isTaken(uint16_t keyCode, uint32_t carbonModifiers) override;

    // A press of the combination: one delivery per live registration of it, queued on the main
    // queue. Returns how many were queued (none without a handler).
    size_t press(uint16_t keyCode, uint32_t carbonModifiers);
    // Another client holds the combination from now on: registering it fails.
    void refuse(uint16_t keyCode, uint32_t carbonModifiers);
    void release(uint16_t keyCode, uint32_t carbonModifiers);
    // The system uses the combination as one of its own shortcuts.
    void takeBySystem(uint16_t keyCode, uint32_t carbonModifiers);

    // Live registrations, oldest first.
    const std::vector<Registration>& registrations() const { return registrations_; }
    bool isRegistered(uint16_t keyCode, uint32_t carbonModifiers) const;
    // Every register call, refused ones included, with its status.
    std::vector<std::pair<Registration, int>> attempts;

  private:
    MainQueue& mainQueue_;
    Handler handler_;
    Ref nextRef_ = 1;
    std::vector<Registration> registrations_;
    std::set<Combination> refused_;
    std::set<Combination> system_;
};

}  // namespace platform
