#include "agent/prefs/PLAgentPrefsGeneralController.h"

#include <algorithm>

#include "agent/library/CleanerListPref.h"
#include "agent/library/RegisteredDefaults.h"
#include "platform/core/Log.h"
#include "platform/core/Url.h"
#include "platform/workspace/Localization.h"
#include "platform/workspace/Workspace.h"

using namespace platform;

PLAgentPrefsGeneralController::PLAgentPrefsGeneralController(Services services)
    : s_(std::move(services)), loginItem_(s_.loginItems, s_.defaults, s_.bundleIdentifier) {
    loginItemEnabled_ = loginItem_.isEnabled();
}

std::string PLAgentPrefsGeneralController::itemLabel() const {
    return localized("General", "Prefs Toolbar item name");
}

void PLAgentPrefsGeneralController::viewWillAppear() {
    loginItemEnabled_ = loginItem_.isEnabled();
}

void PLAgentPrefsGeneralController::toggleLoginItem() {
    if (loginItemEnabled_)
        loginItem_.enable();
    else
        loginItem_.disable();
    // A refused registration keeps the remembered choice; the checkbox shows that, not the wish.
    loginItemEnabled_ = loginItem_.isEnabled();
}

void PLAgentPrefsGeneralController::relaunchApp() {
    s_.defaults.setString(kNextLaunchAction, "showPrefs");
    s_.defaults.synchronize();
    const Url bundle = Url::fileURLWithPath(s_.application.bundle().bundlePath().string(),
                                            /*isDirectory=*/true);
    auto launched =
        s_.application.workspace().launchApplicationAtURL(bundle, LaunchOption::kNewInstance, {});
    if (!launched.ok()) {
        // Ending now would leave the user with no agent at all: this one stays.
        log("Couldn't relaunch: " + launched.error().debugDescription());
        s_.defaults.removeObjectForKey(kNextLaunchAction);
        return;
    }
    s_.application.terminate();
}

void PLAgentPrefsGeneralController::changeIconDisplay() {
    s_.center.post(kMenuIconChanged);
}

void PLAgentPrefsGeneralController::changedLayout() {
    s_.center.post(kChangePopoverLayout);
}

void PLAgentPrefsGeneralController::reloadLibraryUI() {
    s_.center.post(kListDisplayOptionsUpdated);
}

void PLAgentPrefsGeneralController::restoreDefaults() {
    // The login item's remembered choice goes with the domain; the registration goes too, or the
    // agent would still start at login behind an unchecked box.
    if (loginItem_.isEnabled()) loginItem_.disable();
    s_.defaults.removePersistentDomainForName(s_.bundleIdentifier);
    loginItemEnabled_ = loginItem_.isEnabled();
}

int64_t PLAgentPrefsGeneralController::displayLayout() const {
    return s_.defaults.integerForKey(RegisteredDefaults::kDisplayLayout);
}

void PLAgentPrefsGeneralController::setDisplayLayout(int64_t layout) {
    s_.defaults.setInteger(RegisteredDefaults::kDisplayLayout, layout);
    changedLayout();
}

bool PLAgentPrefsGeneralController::displayVersionedIcon() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kDisplayVersionedIcon);
}

void PLAgentPrefsGeneralController::setDisplayVersionedIcon(bool on) {
    s_.defaults.setBool(RegisteredDefaults::kDisplayVersionedIcon, on);
    changeIconDisplay();
}

bool PLAgentPrefsGeneralController::hideDockIcon() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kHideDockIcon);
}

void PLAgentPrefsGeneralController::setHideDockIcon(bool on) {
    // Read at start-up only: the pane offers the relaunch beside it.
    s_.defaults.setBool(RegisteredDefaults::kHideDockIcon, on);
}

int64_t PLAgentPrefsGeneralController::colorStyle() const {
    return static_cast<int64_t>(CleanerListPref::colorStyle(s_.defaults));
}

void PLAgentPrefsGeneralController::setColorStyle(int64_t style) {
    s_.defaults.setInteger(RegisteredDefaults::kAppGroupColorStyle, style);
    reloadLibraryUI();
}

int64_t PLAgentPrefsGeneralController::displayOrder() const {
    return static_cast<int64_t>(CleanerListPref::displayOrder(s_.defaults));
}

void PLAgentPrefsGeneralController::setDisplayOrder(int64_t order) {
    s_.defaults.setInteger(RegisteredDefaults::kAppGroupDisplayOrder, order);
    reloadLibraryUI();
}

bool PLAgentPrefsGeneralController::displayCompact() const {
    return s_.defaults.boolForKey(RegisteredDefaults::kAppGroupDisplayCompact);
}

void PLAgentPrefsGeneralController::setDisplayCompact(bool on) {
    s_.defaults.setBool(RegisteredDefaults::kAppGroupDisplayCompact, on);
    reloadLibraryUI();
}

std::string PLAgentPrefsGeneralController::defaultGroup() const {
    return s_.defaults.stringForKey(RegisteredDefaults::kAppDefaultGroup).value_or("");
}

void PLAgentPrefsGeneralController::setDefaultGroup(const std::string& group) {
    s_.defaults.setString(RegisteredDefaults::kAppDefaultGroup, group);
    reloadLibraryUI();
}

std::vector<PLAgentPrefsGeneralController::GroupChoice>
PLAgentPrefsGeneralController::defaultGroupChoices() const {
    std::vector<GroupChoice> choices;
    if (s_.groupChoices) choices = s_.groupChoices();
    const std::string current = defaultGroup();
    const bool listed = std::any_of(choices.begin(), choices.end(),
                                    [&](const GroupChoice& c) { return c.second == current; });
    // A built-in group is stored by its uuid ("##Standard"); before the library is loaded it is
    // shown by the name the uuid carries.
    if (!current.empty() && !listed)
        choices.insert(choices.begin(),
                       {current.starts_with("##") ? current.substr(2) : current, current});
    return choices;
}
