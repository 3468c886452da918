#pragma once

#include <QWidget>

#include "agent/prefs/PLAgentPrefsAdvancedController.h"

class QCheckBox;
class QSpinBox;

// The Advanced pane's controls.
class AdvancedPrefsView : public QWidget {
  public:
    AdvancedPrefsView(PLAgentPrefsAdvancedController& pane, QWidget* parent);
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    PLAgentPrefsAdvancedController& pane_;
    QCheckBox* pl8_;
    QCheckBox* leaveOthers_;
    QCheckBox* selectAll_;
    QCheckBox* preserve_;
    QSpinBox* delay_;
    QCheckBox* develop_;
};
