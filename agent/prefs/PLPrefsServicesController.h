#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "agent/prefs/KeyboardShortcutSettings.h"
#include "agent/prefs/PLPrefsServicesView.h"
#include "agent/prefs/PLPrefsViewController.h"
#include "agent/prefs/ServicesBuilder.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/services/ServicesMenu.h"
#include "platform/workspace/Workspace.h"

class PLClientProtocol;

// The Services pane: a popup of the user's groups, whose usable cleaners become the custom
// Services entries ("PL - " + name), a checkbox for those entries and one for the standard
// "Apply Purlane Cleaner" entry, and the list of the entries the chosen group gives. What is
// installed is read from the two bundle files before each appearance. Plain C++; its view
// (PLPrefsServicesView) draws the model and forwards the user's actions. Main thread only.
class PLPrefsServicesController : public PLPrefsViewController {
  public:
    struct Collaborators {
        PLClientProtocol& client;
        // The standard defaults, holding services.custom.group.
        platform::UserDefaults& defaults;
        platform::Workspace& workspace;
        // Where the library announces its reloads.
        platform::NotificationCenter& notificationCenter;
        // Asked to read the entries again after each change; may be null.
        platform::ServicesMenu* servicesMenu = nullptr;
        // What the system calls "~/Library".
        std::filesystem::path userLibrary;
        // The desktop's keyboard-shortcut settings; null when there are none to open.
        const KeyboardShortcutSettings* keyboardSettings = nullptr;
    };

    explicit PLPrefsServicesController(Collaborators collaborators);
    ~PLPrefsServicesController() override;

    // PLPrefsViewController
    std::string keyName() const override { return "services"; }
    std::string itemLabel() const override;
    // Reads what is installed, then the groups.
    void viewWillAppear() override;

    // Not owned; nullptr detaches.
    void setView(PLPrefsServicesView* view) { view_ = view; }
    PLPrefsServicesView* view() const { return view_; }
    // Makes the builder, trashes the obsolete standard bundle, fills the popup and follows
    // library reloads. Once.
    void viewDidLoad();
    bool isViewLoaded() const { return builder_.has_value(); }

    // Bound to the checkboxes.
    bool standardItemsInstalled() const { return standardItemsInstalled_; }
    bool customItemsInstalled() const { return customItemsInstalled_; }
    // Made on load.
    const ServicesBuilder* serviceBuilder() const { return builder_ ? &*builder_ : nullptr; }
    // Tokens of the entries the stored group gives.
    const std::vector<std::string>& servicesList() const { return servicesList_; }

    // The group popup.
    const std::vector<std::string>& groupTitles() const { return groupTitles_; }
    // -1: no item selected (the stored group is not among the titles).
    int selectedGroupIndex() const { return selectedGroup_; }
    bool groupPopupEnabled() const { return !groupTitles_.empty(); }
    // Below the table: "No Valid Items" when custom entries are on and there are none.
    const std::string& countText() const { return countText_; }

    // The table: the entries while custom entries are on, none otherwise; no row is selectable.
    int numberOfRows() const;
    // Empty for rows out of range.
    std::string titleOfRow(int row) const;
    bool shouldSelectRow(int /*row*/) const { return false; }

    // User actions: each stores the change and installs or removes the bundles.
    void chooseGroup(int index);
    void setStandardItemsInstalled(bool installed);
    void setCustomItemsInstalled(bool installed);
    void updatePreferences();
    // Opens the Services folder in the desktop's file manager.
    void showServicesFolder();
    // Opens the desktop's keyboard-shortcut settings; does nothing when none is known.
    void openKeyboardPreferences();
    bool canOpenKeyboardPreferences() const;
    void launchServicesInspector() {}

    void verifyInstallStatus();
    void updateServicesGroup();
    void resetServicesList();
    void libraryChanged();

  private:
    Collaborators c_;
    PLPrefsServicesView* view_ = nullptr;
    std::optional<ServicesBuilder> builder_;
    platform::ObserverToken libraryObserver_ = 0;
    bool standardItemsInstalled_ = false;
    bool customItemsInstalled_ = false;
    std::vector<std::string> servicesList_;
    std::vector<std::string> groupTitles_;
    int selectedGroup_ = -1;
    std::string countText_;
};
