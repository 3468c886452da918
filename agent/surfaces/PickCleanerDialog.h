#pragma once

#include <QDialog>

#include "agent/surfaces/PLCustomCloseWindow.h"
#include "agent/surfaces/PickCleanerWindow.h"

class PLPickCleaner;
class CleanerListWidget;

// The pick-cleaner window on the desktop: a dialog without close, minimise and zoom buttons,
// kept above other windows, holding the pick controller's cleaner list with Cancel and Choose
// buttons. Closing it through the window manager, Escape and Cancel all cancel.
class PickCleanerDialog : public QDialog, public PickCleanerWindow {
  public:
    explicit PickCleanerDialog(PLPickCleaner& pick);
    ~PickCleanerDialog() override;

    CleanerListWidget* list() const { return list_; }

    // PickCleanerWindow
    bool loadWindow() override;
    int runModal() override;
    void stopModal(int code) override;

    // Cancels through the controller (Escape, the window manager's close).
    void reject() override;

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    PLPickCleaner& pick_;
    CleanerListWidget* list_ = nullptr;
    PLCustomCloseWindow closeRule_{platform::ModifierFlags::control};
    bool stopping_ = false;
};
