#pragma once

// The modal window of the pick-cleaner protocol (PLPickCleaner), drawn by the desktop's
// toolkit. It hosts the pick controller's cleaner list and sends its buttons and keys back to
// the controller (selectCleaner, cancel).
class PickCleanerWindow {
  public:
    // The OS's "continue" response, which keeps a modal session running.
    static constexpr int kModalResponseContinue = -1002;

    virtual ~PickCleanerWindow() = default;

    // Builds the window when it does not exist yet, attaching the list's view to the pick
    // controller's list; true when there is a window. Its close, minimise and zoom buttons are
    // hidden.
    virtual bool loadWindow() = 0;
    // Raises the window to the modal-panel level, orders it front regardless of activation
    // and runs a modal session until stopModal() ends it; then restores the level and orders
    // the window out. Returns the code stopModal() was given.
    virtual int runModal() = 0;
    virtual void stopModal(int code) = 0;
};
