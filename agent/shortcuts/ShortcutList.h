#pragma once

#include <vector>

#include "agent/shortcuts/Shortcut.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/NotificationCenter.h"

// The user's shortcuts: `list`, the working copy the preferences edit and hot keys come from,
// and `original`, what the user defaults hold.
class ShortcutList {
  public:
    static constexpr const char* kDefaultsKey = "agent.shortcuts";
    static constexpr const char* kHotkeysChanged = "com.halvik.purlane.hotkeyschanged";

    ShortcutList(platform::UserDefaults& defaults, platform::NotificationCenter& center);

    // Replaces both lists with the records of a stored dictionary; prints why and keeps them as
    // they were when it cannot be decoded.
    void load(const platform::PropertyList& stored);
    // Writes `list` when it differs from `original`, then announces the change.
    void save();
    // Whether a stored value is what `original` holds already (a write of this list's own).
    bool isOriginal(const std::optional<platform::PropertyList>& stored) const;
    // Replaces the record with the same uuid, if there is one.
    void update(const Shortcut& shortcut);

    std::vector<Shortcut> original;
    std::vector<Shortcut> list;

  private:
    platform::UserDefaults& defaults_;
    platform::NotificationCenter& center_;
};
