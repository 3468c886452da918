#pragma once

#include <QWidget>

#include "agent/prefs/PLAgentPrefsGeneralController.h"

class QCheckBox;
class QComboBox;

// The General pane's controls; each change goes to the pane, which stores and announces it.
class GeneralPrefsView : public QWidget {
  public:
    GeneralPrefsView(PLAgentPrefsGeneralController& pane, QWidget* parent);
    // Shows the stored values again (after each appearance and after restoring defaults).
    void refresh();

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    PLAgentPrefsGeneralController& pane_;
    QCheckBox* login_;
    QCheckBox* versionedIcon_;
    QCheckBox* hideDock_;
    QComboBox* layout_;
    QComboBox* colorStyle_;
    QComboBox* order_;
    QCheckBox* compact_;
    QComboBox* defaultGroup_;
};
