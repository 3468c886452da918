#include "agent/prefs/AgentPreferencesController.h"

#include "platform/workspace/Localization.h"

using namespace platform;

namespace {
AgentPreferencesController* sharedController = nullptr;

PLPreferencesController::Panes build(const AgentPreferencesController::PaneMakers& makers,
                                     bool showDevelop) {
    PLPreferencesController::Panes panes;
    for (const std::string& name : AgentPreferencesController::paneOrder()) {
        if (name == AgentPreferencesController::kDevelop && !showDevelop) continue;
        auto maker = makers.find(name);
        if (maker == makers.end() || !maker->second) continue;
        if (auto pane = maker->second()) panes.push_back(std::move(pane));
    }
    return panes;
}
}  // namespace

const std::vector<std::string>& AgentPreferencesController::paneOrder() {
    static const std::vector<std::string> order = {"general",  "hotkeys", "services", "updates",
                                                   "advanced", "develop", "about"};
    return order;
}

std::string AgentPreferencesController::windowTitle() {
    return localized("Purlane Agent ", "pref window title") + settingsWord();
}

AgentPreferencesController::AgentPreferencesController(PaneMakers makers, UserDefaults& defaults,
                                                       DistributedNotificationCenter& center,
                                                       WindowMaker makeWindow)
    : PLPreferencesController(build(makers, defaults.boolForKey(kShowDevelop)), defaults,
                              std::move(makeWindow)),
      makers_(std::move(makers)),
      center_(center) {
    setGeneralPrefsIdentifier(kGeneral);
    setTitle(windowTitle());
}

AgentPreferencesController::~AgentPreferencesController() {
    if (developObserver_) center_.removeObserver(*developObserver_);
    if (sharedController == this) sharedController = nullptr;
}

AgentPreferencesController* AgentPreferencesController::shared() {
    return sharedController;
}

void AgentPreferencesController::setShared(AgentPreferencesController* controller) {
    sharedController = controller;
}

PLPreferencesController::Panes AgentPreferencesController::buildViewControllers() const {
    return build(makers_, defaults().boolForKey(kShowDevelop));
}

void AgentPreferencesController::closeWindow() {
    if (PLPreferencesWindow* w = loadedWindow()) {
        windowWillClose();
        w->orderOut();
    }
}

void AgentPreferencesController::windowDidLoad() {
    loadedWindow()->setCloseWithKeyboard(true);
    developObserver_ = center_.addObserver(
        kDevelopOptionChanged, std::nullopt, [this](const DistributedNotification&) {
            resetViewControllers(buildViewControllers(), kAdvanced);
        });
}
