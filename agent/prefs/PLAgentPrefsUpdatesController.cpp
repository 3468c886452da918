#include "agent/prefs/PLAgentPrefsUpdatesController.h"

#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using namespace platform;

std::string PLAgentPrefsUpdatesController::itemLabel() const {
    return localized("Updates", "Toolbar item name for updates pref pane");
}

void PLAgentPrefsUpdatesController::checkForUpdates(uint64_t modifierFlags) {
    if (!s_.updater) return;
    if (modifierFlags & ModifierFlags::option)
        s_.updater->checkForBetaUpdates();
    else
        s_.updater->checkForUpdates();
}

void PLAgentPrefsUpdatesController::showReleaseNotes() {
    if (s_.showReleaseNotes) s_.showReleaseNotes();
}

std::optional<std::filesystem::path> PLAgentPrefsUpdatesController::releaseNotesPage() const {
    if (!s_.bundle) return std::nullopt;
    return s_.bundle->pathForResource(kReleaseNotesPage, "");
}
