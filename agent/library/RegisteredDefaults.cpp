#include "agent/library/RegisteredDefaults.h"

using platform::PropertyList;

PropertyList::Dictionary RegisteredDefaults::agentSettings() {
    return {
        {kGroupSingleKeyAccess, false},
        {kHideDockIcon, false},
        {kDisplayVersionedIcon, false},
        {kShortcutIgnoreKeyValidation, false},
        {kLeaveOtherAgents, false},
        {kPreserveClipboard, true},
        {kNewKeyboardDriver, true},
        {kPreserveClipboardExpectionList, PropertyList::Array{""}},
        {kUserKeyboardList, PropertyList::Array{}},
        {kPL8Connect, false},
        {kKeystrokeDelay, 0},
        {kShowDevelop, false},
        {kDisplayLayout, 1},
        {kUserPopoverSize, ""},
        {kAutoSelectAll, false},
    };
}

PropertyList::Dictionary RegisteredDefaults::cleanerListSettings() {
    return {
        {kAppDefaultGroup, "##Standard"}, {kAppGroupDisplayOrder, 0},
        {kAppGroupDisplayCompact, false}, {kAppGroupDisplaySize, 1},
        {kAppGroupColorStyle, 0},
    };
}

PropertyList::Dictionary RegisteredDefaults::all() {
    PropertyList::Dictionary merged = agentSettings();
    for (const auto& [key, value] : cleanerListSettings()) merged.set(key, value);
    return merged;
}

void RegisteredDefaults::registerWith(platform::UserDefaults& defaults) {
    defaults.registerDefaults(all());
}
