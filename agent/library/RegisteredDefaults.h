#pragma once

#include "platform/coding/PropertyList.h"
#include "platform/defaults/UserDefaults.h"

// The settings the agent registers at start-up, with their keys. Two dictionaries without a
// key in common: the agent's own settings and those of the cleaner lists.
struct RegisteredDefaults {
    // Agent settings.
    static constexpr const char* kGroupSingleKeyAccess = "GroupSingleKeyAccess";
    static constexpr const char* kHideDockIcon = "HideDockIcon";
    static constexpr const char* kDisplayVersionedIcon = "DisplayVersionedIcon";
    static constexpr const char* kShortcutIgnoreKeyValidation = "ShortcutIgnoreKeyValidation";
    static constexpr const char* kLeaveOtherAgents = "LeaveOtherAgents";
    static constexpr const char* kPreserveClipboard = "PreserveClipboard";
    static constexpr const char* kNewKeyboardDriver = "NewKeyboardDriver";
    // Spelled as the engine spells it.
    static constexpr const char* kPreserveClipboardExpectionList = "PreserveClipboardExpectionList";
    static constexpr const char* kUserKeyboardList = "UserKeyboardList";
    static constexpr const char* kPL8Connect = "PL8Connect";
    static constexpr const char* kKeystrokeDelay = "KeystrokeDelay";
    static constexpr const char* kShowDevelop = "ShowDevelop";
    static constexpr const char* kDisplayLayout = "DisplayLayout";
    static constexpr const char* kUserPopoverSize = "UserPopoverSize";
    static constexpr const char* kAutoSelectAll = "AutoSelectAll";

    // Cleaner-list settings.
    static constexpr const char* kAppDefaultGroup = "AppDefaultGroup";
    static constexpr const char* kAppGroupDisplayOrder = "AppGroupDisplayOrder";
    static constexpr const char* kAppGroupDisplayCompact = "AppGroupDisplayCompact";
    static constexpr const char* kAppGroupDisplaySize = "AppGroupDisplaySize";
    static constexpr const char* kAppGroupColorStyle = "AppGroupColorStyle";

    static platform::PropertyList::Dictionary agentSettings();
    static platform::PropertyList::Dictionary cleanerListSettings();
    // Both, merged: what start-up registers.
    static platform::PropertyList::Dictionary all();
    static void registerWith(platform::UserDefaults& defaults);
};
