#include "agent/prefs/PLPrefsServicesController.h"

#include <algorithm>
#include <system_error>

#include "agent/engine/PLClient.h"
#include "agent/engine/PLClientProtocol.h"
#include "platform/workspace/Localization.h"

using platform::Url;

namespace {
// PLGroupType: the user's own groups.
constexpr int kUserGroups = 3;
}  // namespace

PLPrefsServicesController::PLPrefsServicesController(Collaborators collaborators)
    : c_(std::move(collaborators)) {}

PLPrefsServicesController::~PLPrefsServicesController() {
    if (libraryObserver_) c_.notificationCenter.removeObserver(libraryObserver_);
}

std::string PLPrefsServicesController::itemLabel() const {
    return platform::localized("Services", "Toolbar item name for the Services preference pane");
}

void PLPrefsServicesController::viewDidLoad() {
    if (isViewLoaded()) return;
    builder_.emplace(ServicesBuilder::Collaborators{c_.client, c_.defaults, c_.workspace,
                                                    c_.servicesMenu, c_.userLibrary},
                     ServicesBuilder::kPanePrefix, ServicesBuilder::kCustomBundleName);
    // The standard entry is the agent's own now; a bundle left from an older version would
    // show it twice. The move is not waited for.
    if (builder_->isInstalled(/*custom=*/false))
        c_.workspace.recycleURLs({builder_->bundleURL(/*custom=*/false)}, nullptr);
    updateServicesGroup();
    libraryObserver_ = c_.notificationCenter.addObserver(
        PLClient::kClientInfoUpdated, nullptr,
        [this](const platform::Notification&) { libraryChanged(); });
}

void PLPrefsServicesController::viewWillAppear() {
    viewDidLoad();
    verifyInstallStatus();
    updateServicesGroup();
}

void PLPrefsServicesController::verifyInstallStatus() {
    viewDidLoad();
    customItemsInstalled_ = builder_->isInstalled(/*custom=*/true);
    standardItemsInstalled_ = builder_->isInstalled(/*custom=*/false);
    if (view_) view_->reloadInstallStatus();
}

void PLPrefsServicesController::updateServicesGroup() {
    groupTitles_ = c_.client.grouplist(kUserGroups);
    selectedGroup_ = -1;
    if (!groupTitles_.empty()) {
        const auto stored = c_.defaults.stringForKey(ServicesBuilder::kCustomGroupKey);
        if (!stored) {
            selectedGroup_ = 0;
        } else {
            const auto found = std::find(groupTitles_.begin(), groupTitles_.end(), *stored);
            if (found != groupTitles_.end())
                selectedGroup_ = static_cast<int>(found - groupTitles_.begin());
        }
    }
    if (view_) view_->reloadGroupPopup();
    if (!groupTitles_.empty()) resetServicesList();
}

void PLPrefsServicesController::resetServicesList() {
    viewDidLoad();
    servicesList_ = builder_->customTokens();
    countText_.clear();
    if (customItemsInstalled_ && servicesList_.empty())
        countText_ = platform::localized("No Valid Items",
                                         "group does not contain any valid services items");
    if (view_) view_->reloadTable();
}

void PLPrefsServicesController::libraryChanged() {
    updateServicesGroup();
}

int PLPrefsServicesController::numberOfRows() const {
    return customItemsInstalled_ ? static_cast<int>(servicesList_.size()) : 0;
}

std::string PLPrefsServicesController::titleOfRow(int row) const {
    if (row < 0 || row >= numberOfRows()) return {};
    return c_.client.nameFor(servicesList_[static_cast<size_t>(row)]);
}

void PLPrefsServicesController::chooseGroup(int index) {
    if (index < 0 || index >= static_cast<int>(groupTitles_.size())) return;
    selectedGroup_ = index;
    updatePreferences();
}

void PLPrefsServicesController::setStandardItemsInstalled(bool installed) {
    standardItemsInstalled_ = installed;
    updatePreferences();
}

void PLPrefsServicesController::setCustomItemsInstalled(bool installed) {
    customItemsInstalled_ = installed;
    updatePreferences();
}

void PLPrefsServicesController::updatePreferences() {
    viewDidLoad();
    // With no item selected (the stored group is gone) the stored name is kept: removing it
    // would make the popup show the first group while the entries stay empty.
    if (selectedGroup_ >= 0 && selectedGroup_ < static_cast<int>(groupTitles_.size()))
        c_.defaults.setString(ServicesBuilder::kCustomGroupKey,
                              groupTitles_[static_cast<size_t>(selectedGroup_)]);
    updateServicesGroup();
    resetServicesList();
    builder_->install(/*custom=*/true, customItemsInstalled_);
    builder_->install(/*custom=*/false, standardItemsInstalled_);
}

void PLPrefsServicesController::showServicesFolder() {
    viewDidLoad();
    const Url folder = builder_->servicesFolderURL();
    // A fresh account has no Services folder yet; the file manager can only show one that is
    // there.
    std::error_code ec;
    std::filesystem::create_directories(folder.path(), ec);
    if (!c_.workspace.openFile(folder.path()))
        c_.workspace.activateFileViewerSelectingURLs({folder});
}

bool PLPrefsServicesController::canOpenKeyboardPreferences() const {
    return c_.keyboardSettings && c_.keyboardSettings->available();
}

void PLPrefsServicesController::openKeyboardPreferences() {
    // Whether it started is not reported, as with the script the OS's version runs.
    if (c_.keyboardSettings) c_.keyboardSettings->open();
}
