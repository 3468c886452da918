#include "agent/prefs/PLAgentPrefsAboutController.h"

#include "platform/workspace/Localization.h"

using namespace platform;

std::string PLAgentPrefsAboutController::itemLabel() const {
    return localized("About", "Prefs Toolbar item name");
}

std::string PLAgentPrefsAboutController::versionString() const {
    return localized("Version ", "Version string") +
           bundle_.infoString("CFBundleShortVersionString").value_or("") + " (" +
           bundle_.infoString("CFBundleVersion").value_or("") + ")";
}

std::string PLAgentPrefsAboutController::copyright() const {
    return bundle_.infoString("NSHumanReadableCopyright").value_or("");
}
