#pragma once

#include <cstdint>
#include <functional>
#include <memory>

#include "agent/shortcuts/MASShortcut.h"
#include "platform/core/FourCharCode.h"
#include "platform/input/HotKeys.h"

// One live system-wide registration of a shortcut; destroying it unregisters it.
class MASHotKey {
  public:
    using Action = std::function<void()>;

    // Every hot key of this layer carries this signature, so presses of other code's hot keys
    // can be told apart.
    static constexpr uint32_t kSignature = platform::FourCharCode::make("MASS").value();

    // Registers `shortcut` under `carbonID`; nullptr when the system refuses the combination.
    static std::unique_ptr<MASHotKey> registeredHotKeyWithShortcut(platform::HotKeys& hotKeys,
                                                                   const MASShortcut& shortcut,
                                                                   uint32_t carbonID);
    ~MASHotKey();
    MASHotKey(const MASHotKey&) = delete;
    MASHotKey& operator=(const MASHotKey&) = delete;

    uint32_t carbonID() const { return carbonID_; }
    const Action& action() const { return action_; }
    void setAction(Action action) { action_ = std::move(action); }

  private:
    MASHotKey(platform::HotKeys& hotKeys, uint32_t carbonID, platform::HotKeys::Ref ref)
        : hotKeys_(hotKeys), carbonID_(carbonID), hotKeyRef_(ref) {}

    platform::HotKeys& hotKeys_;
    uint32_t carbonID_;
    platform::HotKeys::Ref hotKeyRef_;
    Action action_;
};
