#include "agent/prefs/PLPrefsReleaseNotesController.h"

#include "agent/prefs/PLAgentPrefsUpdatesController.h"
#include "platform/workspace/Localization.h"

std::string PLPrefsReleaseNotesController::itemLabel() const {
    return platform::localized("Release Notes", "Toolbar item name for release notes pref pane");
}

std::optional<std::filesystem::path> PLPrefsReleaseNotesController::releaseNotesPage() const {
    if (!bundle_) return std::nullopt;
    return bundle_->pathForResource(PLAgentPrefsUpdatesController::kReleaseNotesPage, "");
}
