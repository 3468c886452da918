#include "agent/shortcuts/MASHotKey.h"

std::unique_ptr<MASHotKey> MASHotKey::registeredHotKeyWithShortcut(platform::HotKeys& hotKeys,
                                                                   const MASShortcut& shortcut,
                                                                   uint32_t carbonID) {
    // A key code no key can have (a damaged stored record) is not cut down to another key.
    if (shortcut.carbonKeyCode() > 0xFFFF) return nullptr;
    platform::HotKeys::Ref ref = 0;
    const int status = hotKeys.registerHotKey(static_cast<uint16_t>(shortcut.carbonKeyCode()),
                                              shortcut.carbonFlags(), kSignature, carbonID, ref);
    if (status != platform::HotKeyStatus::kNoErr) return nullptr;
    return std::unique_ptr<MASHotKey>(new MASHotKey(hotKeys, carbonID, ref));
}

MASHotKey::~MASHotKey() {
    hotKeys_.unregisterHotKey(hotKeyRef_);
}
