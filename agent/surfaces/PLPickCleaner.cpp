#include "agent/surfaces/PLPickCleaner.h"

#include "agent/library/Group.h"
#include "platform/workspace/Localization.h"

using namespace platform;

PLPickCleaner::PLPickCleaner(Collaborators collaborators)
    : c_(std::move(collaborators)),
      listController_(std::make_unique<PLCleanerListViewController>(c_.list)) {}

PLPickCleaner::~PLPickCleaner() {
    // The window may still hold the list's view.
    window_.reset();
    listController_->delegate = nullptr;
}

std::string PLPickCleaner::showPickListWithStart(const std::optional<std::string>& start) {
    // A request that arrives while the window is up (its session runs the event loop) would
    // restart the session the user is in the middle of.
    if (sessionRunning_) return kCancel;
    const auto front = c_.workspace.frontmostApplication();
    c_.application.activate(true);
    if (start) startGroup = start;
    selectedCleaner = kCancel;

    std::string result = kCancel;
    if (!window_ && c_.makeWindow) window_ = c_.makeWindow(*this);
    if (window_ && window_->loadWindow()) {
        if (!windowLoaded_) {
            windowLoaded_ = true;
            windowDidLoad();
        } else if (start) {
            // A reused window shows the group this request starts from.
            showStartGroup();
        }
        sessionRunning_ = true;
        const int response = window_->runModal();
        sessionRunning_ = false;
        if (response == kChosen) result = selectedCleaner;
    }
    // Also when no window could be shown: the user's application had the focus before.
    if (front) front->activate();
    return result;
}

void PLPickCleaner::windowDidLoad() {
    auto& list = *listController_;
    list.delegate = this;
    list.showEditOption = false;
    list.ignoreReturnKey = true;
    list.setDoubleAction([this](int row) { doubleClicked(row); });
    if (list.view() && !list.isViewLoaded()) list.viewDidLoad();
    showStartGroup();
}

void PLPickCleaner::showStartGroup() {
    listController_->chooseGroup(
        startGroup.value_or(localized(Group::kStandardUuid, Group::kBuiltinGroupsComment,
                                      Group::kBuiltinGroupsTable)),
        false);
}

void PLPickCleaner::chooseRow(int row) {
    const GroupItem* item = listController_->itemAt(row);
    if (item && item->isCleaner()) selectedCleaner = item->token;
    if (window_) window_->stopModal(kChosen);
}

void PLPickCleaner::selectCleaner() {
    chooseRow(listController_->selectedRow());
}

void PLPickCleaner::doubleClicked(int clickedRow) {
    chooseRow(clickedRow);
}

void PLPickCleaner::cancel() {
    selectedCleaner = kCancel;
    if (window_) window_->stopModal(kCancelled);
}

void PLPickCleaner::cleanerListDidChoose(const std::string& token, const std::string&,
                                         const std::string&) {
    selectedCleaner = token;
    if (window_) window_->stopModal(kChosen);
}
