#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "agent/prefs/PLPreferencesOpener.h"
#include "agent/prefs/PLPreferencesWindow.h"
#include "agent/prefs/PLPrefsViewController.h"
#include "platform/defaults/UserDefaults.h"

// A toolbar-switched settings window: one pane at a time, the toolbar built from the panes,
// the window resized to each pane with its top edge kept, and the last pane remembered.
class PLPreferencesController : public PLPreferencesOpener {
  public:
    using Panes = std::vector<std::shared_ptr<PLPrefsViewController>>;
    // Makes the window the first time it is needed; may give nullptr (no window can be made),
    // and the controller then does nothing that needs one.
    using WindowMaker =
        std::function<std::unique_ptr<PLPreferencesWindow>(PLPreferencesController&)>;

    static constexpr const char* kSelectedIdentifierKey = "prefs.selected.identifier";
    static constexpr const char* kToolbarIdentifier = "prefs";
    static constexpr const char* kWindowLayoutName = "PLPreferencesController";
    static constexpr const char* kPanelPrefix = "prefs-";
    static constexpr const char* kDisableNonSystemPrefIcons = "DevelopDisableNonSystemPrefIcons";

    // Keeps the panes; the window is made on first use.
    PLPreferencesController(Panes viewControllers, platform::UserDefaults& defaults,
                            WindowMaker makeWindow);
    ~PLPreferencesController() override;
    PLPreferencesController(const PLPreferencesController&) = delete;
    PLPreferencesController& operator=(const PLPreferencesController&) = delete;

    // The window, made (and its last pane selected) on first use.
    PLPreferencesWindow* window();
    PLPreferencesWindow* loadedWindow() const { return window_.get(); }

    void showMainWindow() override;
    // A "prefs-" prefix is dropped; the first pane whose prefIdentifier is the name is shown.
    void showPanelWithNamed(const std::string& name) override;
    // The pane with that prefIdentifier, else the general pane.
    void selectWithIdentifier(const std::string& identifier);
    // New panes and toolbar; then the pane of `currentID`, or the first one.
    void resetViewControllers(Panes viewControllers, const std::string& currentID);
    // The pane stored under prefs.selected.identifier, or the first one.
    void selectPreviousController();
    void select(PLPrefsViewController* pane);

    PLPrefsViewController* firstViewController() const;
    PLPrefsViewController* viewControllerFor(const std::string& prefIdentifier) const;
    PLPrefsViewController* viewControllerForToolbarID(const std::string& itemIdentifier) const;
    // The stored identifier, or "".
    std::string selectedTabIdentifier() const;

    // Toolbar: the panes' item identifiers in pane order (default, allowed and selectable).
    std::vector<std::string> toolbarItemIdentifiers() const;
    std::optional<PLPrefsToolbarItem> toolbarItem(const std::string& itemIdentifier) const;
    void toolbarItemDidClick(const std::string& itemIdentifier);

    // Window delegate: the shown pane decides whether its edits let the window close.
    bool windowShouldClose();
    void windowWillClose();

    const Panes& viewControllers() const { return viewControllers_; }
    PLPrefsViewController* selectedViewController() const { return selected_; }
    const std::string& selectedItemIdentifier() const { return selectedItemIdentifier_; }
    const std::string& generalPrefsIdentifier() const { return generalPrefsIdentifier_; }
    void setGeneralPrefsIdentifier(std::string identifier) {
        generalPrefsIdentifier_ = std::move(identifier);
    }
    // A fixed window title; when empty each pane titles the window with its label.
    const std::string& title() const { return title_; }
    void setTitle(std::string title) { title_ = std::move(title); }

    // The localised word the desktop uses for a program's settings.
    static std::string settingsWord();
    // The window frame that gives the content `paneSize` and keeps the top edge where it is.
    static platform::Rect frameForPane(const platform::Rect& frame, platform::Size contentSize,
                                       platform::Size paneSize);

  protected:
    // Runs once the window has been made, before the last pane is selected.
    virtual void windowDidLoad() {}
    platform::UserDefaults& defaults() const { return defaults_; }

  private:
    void installToolbar();

    Panes viewControllers_;
    platform::UserDefaults& defaults_;
    WindowMaker makeWindow_;
    std::unique_ptr<PLPreferencesWindow> window_;
    bool loadingWindow_ = false;
    PLPrefsViewController* selected_ = nullptr;
    // A shown pane that is no longer in the list (it refused to be left when the list changed).
    std::shared_ptr<PLPrefsViewController> retainedSelection_;
    std::string selectedItemIdentifier_;
    std::string generalPrefsIdentifier_;
    std::string title_;
};
