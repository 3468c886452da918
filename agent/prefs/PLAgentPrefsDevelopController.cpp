#include "agent/prefs/PLAgentPrefsDevelopController.h"

#include "agent/library/RegisteredDefaults.h"
#include "platform/workspace/Localization.h"

const std::vector<PLAgentPrefsDevelopController::Switch>&
PLAgentPrefsDevelopController::switches() {
    static const std::vector<Switch> list = {
        {kDisableNonSystemPrefIcons, "Use the bundle's images in the preferences toolbar"},
        {RegisteredDefaults::kShortcutIgnoreKeyValidation,
         "Accept hot keys the system already uses"},
    };
    return list;
}

std::string PLAgentPrefsDevelopController::itemLabel() const {
    return platform::localized("Develop", "Prefs Toolbar item name");
}
