#include "agent/prefs/PLAgentPrefsAdvancedController.h"

#include <algorithm>
#include <filesystem>

#include "agent/library/RegisteredDefaults.h"
#include "platform/core/Url.h"
#include "platform/workspace/Localization.h"

using namespace platform;

std::string PLAgentPrefsAdvancedController::itemLabel() const {
    return localized("Advanced", "Prefs Toolbar item name");
}

void PLAgentPrefsAdvancedController::togglePL8CompatibilityMode() {
    s_.center.post(kGroupsChanged);
}

void PLAgentPrefsAdvancedController::toggleDevelopOption() {
    s_.center.post("com.purlane.develop.optionchanged");
}

bool PLAgentPrefsAdvancedController::launchPurlaneWatcher() {
    const std::filesystem::path support = s_.bundle.sharedSupportPath();
    std::error_code ec;
    if (!std::filesystem::is_directory(support, ec)) return false;
    const Url watcher =
        Url::fileURLWithPath((support / kLaunchWatcher).string(), /*isDirectory=*/true);
    return s_.workspace.launchApplicationAtURL(watcher, 0, {}).ok();
}

bool PLAgentPrefsAdvancedController::pl8Connect() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kPL8Connect);
}

void PLAgentPrefsAdvancedController::setPL8Connect(bool on) {
    s_.defaults.setBool(RegisteredDefaults::kPL8Connect, on);
    togglePL8CompatibilityMode();
}

bool PLAgentPrefsAdvancedController::showDevelop() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kShowDevelop);
}

void PLAgentPrefsAdvancedController::setShowDevelop(bool on) {
    s_.defaults.setBool(RegisteredDefaults::kShowDevelop, on);
    toggleDevelopOption();
}

bool PLAgentPrefsAdvancedController::leaveOtherAgents() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kLeaveOtherAgents);
}

void PLAgentPrefsAdvancedController::setLeaveOtherAgents(bool on) {
    s_.defaults.setBool(RegisteredDefaults::kLeaveOtherAgents, on);
}

int64_t PLAgentPrefsAdvancedController::keystrokeDelay() const {
    return std::clamp<int64_t>(s_.defaults.integerForKey(RegisteredDefaults::kKeystrokeDelay), 0,
                               kMaxKeystrokeDelay);
}

void PLAgentPrefsAdvancedController::setKeystrokeDelay(int64_t delay) {
    s_.defaults.setInteger(RegisteredDefaults::kKeystrokeDelay,
                           std::clamp<int64_t>(delay, 0, kMaxKeystrokeDelay));
}

bool PLAgentPrefsAdvancedController::autoSelectAll() const {
    return s_.settings.boolForKey(RegisteredDefaults::kAutoSelectAll);
}

void PLAgentPrefsAdvancedController::setAutoSelectAll(bool on) {
    s_.settings.setBool(RegisteredDefaults::kAutoSelectAll, on);
}

bool PLAgentPrefsAdvancedController::preserveClipboard() const {
    return s_.settings.boolForKey(RegisteredDefaults::kPreserveClipboard);
}

void PLAgentPrefsAdvancedController::setPreserveClipboard(bool on) {
    s_.settings.setBool(RegisteredDefaults::kPreserveClipboard, on);
}
