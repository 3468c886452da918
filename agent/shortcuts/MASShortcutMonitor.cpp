#include "agent/shortcuts/MASShortcutMonitor.h"

MASShortcutMonitor::MASShortcutMonitor(platform::HotKeys& hotKeys, platform::MainQueue& mainQueue)
    : service_(hotKeys), mainQueue_(mainQueue) {
    service_.setHandler(
        [this](uint32_t signature, uint32_t id) { handleHotKeyEvent(signature, id); });
}

MASShortcutMonitor::~MASShortcutMonitor() {
    service_.setHandler({});
    unregisterAllShortcuts();
}

bool MASShortcutMonitor::registerShortcut(const MASShortcut& shortcut, Action action) {
    auto hotKey = MASHotKey::registeredHotKeyWithShortcut(service_, shortcut, ++lastCarbonID_);
    if (!hotKey) return false;
    hotKey->setAction(std::move(action));
    hotKeys_[shortcut] = std::move(hotKey);
    return true;
}

void MASShortcutMonitor::unregisterShortcut(const MASShortcut& shortcut) {
    hotKeys_.erase(shortcut);
}

void MASShortcutMonitor::unregisterAllShortcuts() {
    hotKeys_.clear();
}

bool MASShortcutMonitor::isShortcutRegistered(const MASShortcut& shortcut) const {
    return hotKeys_.contains(shortcut);
}

void MASShortcutMonitor::handleHotKeyEvent(uint32_t signature, uint32_t id) {
    if (signature != MASHotKey::kSignature) return;
    for (const auto& [shortcut, hotKey] : hotKeys_) {
        if (hotKey->carbonID() != id) continue;
        // Not inside the hot-key service's callback: the action may register or unregister.
        if (hotKey->action()) mainQueue_.async(hotKey->action());
        return;
    }
}
