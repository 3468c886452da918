#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>

#include "agent/shortcuts/MASHotKey.h"
#include "agent/shortcuts/MASShortcut.h"
#include "platform/core/MainQueue.h"
#include "platform/input/HotKeys.h"

// The process's system-wide shortcuts: registers each on the hot-key service and runs the
// action of whichever one is pressed, later on the main queue. It is the hot-key service's one
// handler for as long as it lives.
class MASShortcutMonitor {
  public:
    using Action = MASHotKey::Action;

    MASShortcutMonitor(platform::HotKeys& hotKeys, platform::MainQueue& mainQueue);
    ~MASShortcutMonitor();
    MASShortcutMonitor(const MASShortcutMonitor&) = delete;
    MASShortcutMonitor& operator=(const MASShortcutMonitor&) = delete;

    // False, and nothing kept, when the system refuses the combination. An equal shortcut
    // registered before is replaced (and unregistered).
    bool registerShortcut(const MASShortcut& shortcut, Action action);
    void unregisterShortcut(const MASShortcut& shortcut);
    void unregisterAllShortcuts();
    bool isShortcutRegistered(const MASShortcut& shortcut) const;

  private:
    void handleHotKeyEvent(uint32_t signature, uint32_t id);

    platform::HotKeys& service_;
    platform::MainQueue& mainQueue_;
    // Identifiers are never reused, so a late press of a replaced hot key finds nothing.
    uint32_t lastCarbonID_ = 0;
    std::unordered_map<MASShortcut, std::unique_ptr<MASHotKey>> hotKeys_;
};
