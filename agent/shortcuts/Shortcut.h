#pragma once

#include <cstdint>
#include <string>

#include "platform/coding/Decoder.h"
#include "platform/coding/PropertyList.h"

// What a user shortcut does.
enum class ActionType : int { cleantext = 0, showmenu = 1, showpalette = 2 };

// One user shortcut: a key combination bound to an action.
struct Shortcut {
    std::string uuid;
    uint64_t keycode = 0;
    uint64_t modifiersRaw = 0;
    // The group of the show-menu action; "#current" is the global menu's current group.
    std::string group = "#current";
    // The cleaner of the clean-text action.
    std::string cleaner = "#SCRUB";
    ActionType type = ActionType::cleantext;

    // A new record with a fresh identity.
    static Shortcut make();

    platform::PropertyList encode() const;
    // All six keys are required; a type outside 0-2 fails.
    static Shortcut decode(platform::Decoder& decoder);

    friend bool operator==(const Shortcut&, const Shortcut&) = default;
};
