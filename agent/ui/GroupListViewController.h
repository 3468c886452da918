#pragma once

#include <memory>
#include <string>
#include <vector>

#include "agent/library/GroupList.h"
#include "agent/ui/GroupListView.h"
#include "agent/ui/GroupListViewDelegate.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/ModifierFlags.h"
#include "platform/notifications/NotificationCenter.h"

class PLClientProtocol;
class PLCleanerListViewController;

// The group sidebar of the split popover: one row per group name of the GroupList, "-" rows as
// separators that cannot be selected, the `current` name selected. Choosing a row makes it
// current and tells the delegate; when no delegate is set and a cleaner list is attached, the
// list shows the group (as its popup does, without remembering it). Main thread only.
class GroupListViewController {
  public:
    struct Collaborators {
        PLClientProtocol* client = nullptr;
        // Holds the display order the names follow.
        const platform::UserDefaults* defaults = nullptr;
        platform::NotificationCenter* notificationCenter = nullptr;
        const platform::ModifierFlagsSource* modifiers = nullptr;
    };

    explicit GroupListViewController(Collaborators collaborators);
    ~GroupListViewController();
    GroupListViewController(const GroupListViewController&) = delete;
    GroupListViewController& operator=(const GroupListViewController&) = delete;

    GroupListViewDelegate* delegate = nullptr;
    // The list that shows the chosen group when there is no delegate; may stay null.
    PLCleanerListViewController* cleanerList = nullptr;

    void setView(GroupListView* view);
    GroupListView* view() const { return view_; }
    // Observes the display options and loads the entries.
    void viewDidLoad();
    bool isViewLoaded() const { return loaded_; }

    // Re-reads the names, redraws, selects `current`.
    void reload();

    const std::string& columnTitle() const { return columnTitle_; }
    void setColumnTitle(std::string title);
    bool headerVisible() const { return !columnTitle_.empty(); }

    const std::string& current() const { return current_; }
    // Selects the row of `name` (none when it is not listed).
    void setCurrent(std::string name);

    const std::vector<std::string>& entries() const { return entries_; }
    int numberOfRows() const { return static_cast<int>(entries_.size()); }
    // Empty for rows out of range.
    std::string titleOfRow(int row) const;
    bool isSeparatorRow(int row) const;
    bool shouldSelectRow(int row) const;
    // The row of `current`, -1 when it is not listed.
    int selectedRow() const;

    // The user chose a row (click or keyboard); separators and rows out of range do nothing.
    void chooseRow(int row);

  private:
    Collaborators c_;
    GroupListView* view_ = nullptr;
    bool loaded_ = false;
    GroupList groupList_;
    std::string columnTitle_;
    std::string current_;
    std::vector<std::string> entries_;
    platform::ObserverToken displayObserver_ = 0;
    platform::ObserverToken libraryObserver_ = 0;
};
