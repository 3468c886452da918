#pragma once

#include <QWidget>

#include "agent/prefs/PLAgentPrefsDevelopController.h"

// The Develop pane: one checkbox per develop switch.
class DevelopPrefsView : public QWidget {
  public:
    DevelopPrefsView(PLAgentPrefsDevelopController& pane, QWidget* parent);
};
