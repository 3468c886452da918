#include "agent/prefs/PLAgentPrefsDevelopController.h"

#include "agent/library/RegisteredDefaults.h"
#include "platform/workspace/Localization.h"

const std::vector<PLAgentPrefsDevelopController::Switch>&
PLAgentPrefsDevelopController::switches() {
    static const std::vector<Switch> list = {
        {kDisableNonSystemPrefIcons,
         platform::localized("Use the bundle's images in the preferences toolbar", "Develop pref")},
        {RegisteredDefaults::kShortcutIgnoreKeyValidation,
         platform::localized("Accept hot keys the system already uses", "Develop pref")},
    };
    return list;
}

std::string PLAgentPrefsDevelopController::itemLabel() const {
    return platform::localized("Develop", "Prefs Toolbar item name");
}
