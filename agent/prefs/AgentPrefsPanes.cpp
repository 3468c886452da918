#include "agent/prefs/AgentPrefsPanes.h"

#include "agent/help/WebViewController.h"
#include "agent/prefs/AboutPrefsView.h"
#include "agent/prefs/AdvancedPrefsView.h"
#include "agent/prefs/DevelopPrefsView.h"
#include "agent/prefs/GeneralPrefsView.h"
#include "agent/prefs/PLAgentPrefsAboutController.h"
#include "agent/prefs/PLAgentPrefsAdvancedController.h"
#include "agent/prefs/PLAgentPrefsDevelopController.h"
#include "agent/prefs/PLAgentPrefsUpdatesController.h"
#include "agent/prefs/PLPrefsReleaseNotesController.h"
#include "agent/prefs/UpdatesPrefsView.h"
#include "platform/core/Url.h"

namespace {

// Gives `pane` a view made by `make(pane, parent)`; the view never outlives its pane, since
// the window drops a pane's view before the pane goes.
template <class Pane, class Make>
std::shared_ptr<PLPrefsViewController> withView(std::shared_ptr<Pane> pane, Make make) {
    Pane* raw = pane.get();
    pane->setViewMaker([raw, make](QWidget* parent) -> QWidget* { return make(*raw, parent); });
    return pane;
}

}  // namespace

AgentPreferencesController::PaneMakers AgentPrefsPanes::makers(const Services& s) {
    AgentPreferencesController::PaneMakers makers;
    makers["general"] = [s] {
        return withView(
            std::make_shared<PLAgentPrefsGeneralController>(PLAgentPrefsGeneralController::Services{
                s.defaults, s.center, s.loginItems, s.application, s.bundleIdentifier,
                s.groupChoices}),
            [](PLAgentPrefsGeneralController& pane, QWidget* parent) {
                return new GeneralPrefsView(pane, parent);
            });
    };
    makers["updates"] = [s] {
        return withView(
            std::make_shared<PLAgentPrefsUpdatesController>(PLAgentPrefsUpdatesController::Services{
                s.updater, &s.application.bundle(), s.showReleaseNotes}),
            [&app = s.application](PLAgentPrefsUpdatesController& pane, QWidget* parent) {
                return new UpdatesPrefsView(pane, app.workspace(), parent);
            });
    };
    makers["advanced"] = [s] {
        return withView(std::make_shared<PLAgentPrefsAdvancedController>(
                            PLAgentPrefsAdvancedController::Services{
                                s.defaults, s.settings, s.distributedCenter,
                                s.application.workspace(), s.application.bundle()}),
                        [](PLAgentPrefsAdvancedController& pane, QWidget* parent) {
                            return new AdvancedPrefsView(pane, parent);
                        });
    };
    makers["develop"] = [s] {
        return withView(std::make_shared<PLAgentPrefsDevelopController>(s.defaults),
                        [](PLAgentPrefsDevelopController& pane, QWidget* parent) {
                            return new DevelopPrefsView(pane, parent);
                        });
    };
    makers["about"] = [s] {
        return withView(
            std::make_shared<PLAgentPrefsAboutController>(s.application.bundle(), s.vendorPages),
            [&app = s.application](PLAgentPrefsAboutController& pane, QWidget* parent) {
                return new AboutPrefsView(pane, &app.bundle(), parent);
            });
    };
    return makers;
}

std::shared_ptr<PLPrefsViewController> AgentPrefsPanes::makeReleaseNotesPane(
    const platform::Bundle* bundle, platform::Workspace& workspace) {
    return withView(std::make_shared<PLPrefsReleaseNotesController>(bundle),
                    [&workspace](PLPrefsReleaseNotesController& pane, QWidget* parent) {
                        auto* notes = new WebViewController(workspace, parent);
                        notes->setObjectName("notesContainer");
                        notes->setMinimumSize(520, 360);
                        if (auto page = pane.releaseNotesPage())
                            notes->setUrl(platform::Url::fileURLWithPath(page->string()));
                        return notes;
                    });
}
