#pragma once

#include <QWidget>
#include <optional>
#include <string>

#include "agent/help/AgentNavigator.h"
#include "agent/help/NavDestinationConfig.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/ui/Sounds.h"
#include "platform/workspace/Workspace.h"

class QTextBrowser;
class QToolButton;
class QUrl;

// A help or release-notes window: back, forward and home over a local page viewer, with the
// navigation rules of its configuration. Pages are local files; a link the rules let through
// that the viewer cannot show (a web page) goes to the user's browser. The frame is kept in the
// defaults under the autosave name.
class DocWindowController : public QWidget, public NavWindow {
  public:
    struct Services {
        const platform::Bundle& bundle;
        platform::Workspace& workspace;
        platform::Sounds& sounds;
        platform::UserDefaults& defaults;
    };

    static constexpr const char* kAutosaveName = "DocWindowController";

    DocWindowController(Services services, NavDestinationConfig config,
                        std::string autosaveName = kAutosaveName);
    ~DocWindowController() override;

    void showWindow() override;

    void navigateHome();
    // 0 goes back, 1 forward; other segments do nothing.
    void navigateAction(int segment);
    void newWindowForTab() {}

    const NavDestinationConfig& config() const { return config_; }
    QTextBrowser* webView() const { return webView_; }
    // What a link click does; also what a click in the view runs.
    void linkClicked(const QUrl& url);
    // The defaults key of the frame: "NSWindow Frame <autosave name>".
    std::string frameKey() const;

  protected:
    void hideEvent(QHideEvent* event) override;

  private:
    void loadHome();
    void saveFrame();
    void restoreFrame();
    void updateButtons();

    Services s_;
    NavDestinationConfig config_;
    std::string autosaveName_;
    std::string siteBase_;
    QTextBrowser* webView_ = nullptr;
    QToolButton* back_ = nullptr;
    QToolButton* forward_ = nullptr;
    QToolButton* home_ = nullptr;
    bool loaded_ = false;
};
