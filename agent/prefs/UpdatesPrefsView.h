#pragma once

#include <QWidget>

#include "agent/prefs/PLAgentPrefsUpdatesController.h"
#include "platform/workspace/Workspace.h"

class WebViewController;

// The Updates pane: the check button and the release notes below it.
class UpdatesPrefsView : public QWidget {
  public:
    UpdatesPrefsView(PLAgentPrefsUpdatesController& pane, platform::Workspace& workspace,
                     QWidget* parent);
    WebViewController* notesContainer() const { return notes_; }

  private:
    PLAgentPrefsUpdatesController& pane_;
    WebViewController* notes_;
};
