#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "agent/surfaces/PickCleanerWindow.h"
#include "agent/ui/PLCleanerListViewController.h"
#include "agent/ui/PLCleanerListViewDelegate.h"
#include "platform/workspace/Application.h"
#include "platform/workspace/Workspace.h"

// Lets the user pick one cleaner in a modal window (for the pick-cleaner script command and
// Services): the agent comes forward, the list shows the start group, and the application that
// was in front gets the focus back afterwards. The answer is a cleaner token or "#CANCEL".
// Made once and reused. Main thread only.
class PLPickCleaner : public PLCleanerListViewDelegate {
  public:
    static constexpr const char* kCancel = "#CANCEL";
    // The window's response when a cleaner was chosen.
    static constexpr int kChosen = 1;
    static constexpr int kCancelled = 0;

    using WindowFactory = std::function<std::unique_ptr<PickCleanerWindow>(PLPickCleaner&)>;

    struct Collaborators {
        PLCleanerListViewController::Collaborators list;
        platform::Workspace& workspace;
        platform::Application& application;
        // Makes the window on first use; none, or a window that cannot load, cancels.
        WindowFactory makeWindow = nullptr;
    };

    explicit PLPickCleaner(Collaborators collaborators);
    ~PLPickCleaner() override;
    PLPickCleaner(const PLPickCleaner&) = delete;
    PLPickCleaner& operator=(const PLPickCleaner&) = delete;

    // Shows the window modally and returns the chosen token, or "#CANCEL" (also for a request
    // made while the window is already up).
    std::string showPickListWithStart(const std::optional<std::string>& startGroup);

    std::string selectedCleaner = kCancel;
    std::optional<std::string> startGroup;
    PLCleanerListViewController& listController() { return *listController_; }

    // The window's actions: its choose button (the selected row), a double click (the clicked
    // row, -1 outside any), its cancel button or Escape.
    void selectCleaner();
    void doubleClicked(int clickedRow);
    void cancel();

    // PLCleanerListViewDelegate
    void cleanerListDidChoose(const std::string& token, const std::string& name,
                              const std::string& desc) override;

  private:
    void windowDidLoad();
    void showStartGroup();
    // Ends the session with the row's token; rows that are not cleaners give none.
    void chooseRow(int row);

    Collaborators c_;
    std::unique_ptr<PLCleanerListViewController> listController_;
    std::unique_ptr<PickCleanerWindow> window_;
    bool windowLoaded_ = false;
    bool sessionRunning_ = false;
};
