#include "agent/ui/GroupListViewController.h"

#include <algorithm>
#include <utility>

#include "agent/engine/PLClientProtocol.h"
#include "agent/ui/PLCleanerListViewController.h"

GroupListViewController::GroupListViewController(Collaborators collaborators)
    : c_(collaborators),
      groupList_(
          *c_.defaults, [client = c_.client](int type) { return client->grouplist(type); }, {},
          *c_.modifiers) {}

GroupListViewController::~GroupListViewController() {
    if (displayObserver_) c_.notificationCenter->removeObserver(displayObserver_);
    if (libraryObserver_) c_.notificationCenter->removeObserver(libraryObserver_);
}

void GroupListViewController::setView(GroupListView* view) {
    view_ = view;
}

void GroupListViewController::viewDidLoad() {
    if (loaded_) return;
    loaded_ = true;
    displayObserver_ = c_.notificationCenter->addObserver(
        PLCleanerListViewController::kListDisplayOptionsUpdated, nullptr,
        [this](const platform::Notification&) { reload(); });
    // A new or renamed group must show up in the sidebar as it does in the popup.
    libraryObserver_ =
        c_.notificationCenter->addObserver(PLCleanerListViewController::kClientInfoUpdated, nullptr,
                                           [this](const platform::Notification&) { reload(); });
    if (view_) view_->setHeader(headerVisible(), columnTitle_);
    reload();
}

void GroupListViewController::reload() {
    entries_ = groupList_.groupNames();
    if (!view_) return;
    view_->reloadTable();
    view_->selectRow(selectedRow());
}

void GroupListViewController::setColumnTitle(std::string title) {
    columnTitle_ = std::move(title);
    if (view_ && loaded_) view_->setHeader(headerVisible(), columnTitle_);
}

void GroupListViewController::setCurrent(std::string name) {
    current_ = std::move(name);
    if (view_ && loaded_) view_->selectRow(selectedRow());
}

std::string GroupListViewController::titleOfRow(int row) const {
    if (row < 0 || row >= numberOfRows()) return {};
    return entries_[static_cast<size_t>(row)];
}

bool GroupListViewController::isSeparatorRow(int row) const {
    return row >= 0 && row < numberOfRows() &&
           entries_[static_cast<size_t>(row)] == GroupList::kSeparatorEntry;
}

bool GroupListViewController::shouldSelectRow(int row) const {
    return row >= 0 && row < numberOfRows() && !isSeparatorRow(row);
}

int GroupListViewController::selectedRow() const {
    if (current_.empty()) return -1;
    const auto it = std::find(entries_.begin(), entries_.end(), current_);
    return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
}

void GroupListViewController::chooseRow(int row) {
    if (!shouldSelectRow(row)) {
        // The row cannot be chosen: keep showing the current one selected.
        if (view_) view_->selectRow(selectedRow());
        return;
    }
    setCurrent(entries_[static_cast<size_t>(row)]);
    const std::string name = current_;
    if (delegate)
        delegate->groupListDidSelectGroup(name);
    else if (cleanerList)
        cleanerList->chooseGroup(name, false);
}
