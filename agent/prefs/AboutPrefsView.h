#pragma once

#include <QWidget>

#include "agent/prefs/PLAgentPrefsAboutController.h"

class QLabel;

// The About pane: icon, name, version, copyright and the vendor's pages.
class AboutPrefsView : public QWidget {
  public:
    AboutPrefsView(PLAgentPrefsAboutController& pane, const platform::Bundle* bundle,
                   QWidget* parent);
    QLabel* versionField() const { return versionField_; }
    QLabel* copyrightField() const { return copyrightField_; }

  private:
    QLabel* versionField_;
    QLabel* copyrightField_;
};
