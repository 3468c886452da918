#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "agent/library/CleanerListPref.h"
#include "agent/library/Group.h"
#include "agent/library/GroupItem.h"
#include "agent/library/GroupList.h"
#include "agent/ui/CleanerListRow.h"
#include "agent/ui/PLCleanerListTableCommandDelegate.h"
#include "agent/ui/PLCleanerListView.h"
#include "agent/ui/PLCleanerListViewDelegate.h"
#include "platform/defaults/UserDefaults.h"
#include "platform/input/ModifierFlags.h"
#include "platform/notifications/NotificationCenter.h"
#include "platform/ui/Menu.h"
#include "platform/ui/Sounds.h"

class PLClientProtocol;

// The cleaner list every surface embeds: a search field, a group popup and a table of the
// current group's rows, filtered by the search text. It decides everything the list shows and
// does; its view (PLCleanerListView) only draws the model and forwards the user's actions.
// Choosing a row only tells the delegate; the list never applies a cleaner. Main thread only.
class PLCleanerListViewController : public PLCleanerListTableCommandDelegate {
  public:
    static constexpr const char* kListDisplayOptionsUpdated =
        "com.purlane.listDisplayOptionsUpdated";
    static constexpr const char* kClientInfoUpdated = "com.purlane.clientinfoUpdated";
    static constexpr const char* kDefaultGroupKey = "AppDefaultGroup";
    static constexpr const char* kColorStyleKey = "AppGroupColorStyle";
    static constexpr const char* kDisplayCompactKey = "AppGroupDisplayCompact";
    static constexpr const char* kCustomizeAction = "chooseCustomize:";

    // Bits of the option set hosts pass to set the three popup flags together.
    enum PopupOptions : uint32_t {
        kShowEditOption = 1,
        kShowUserGroups = 2,
        kShowGroupPopup = 4,
    };

    // Cap height of the system font at a point size.
    using CapHeightSource = std::function<double(double pointSize)>;

    struct Collaborators {
        // The client whose `groups` and `grouplist:` the list reads (normally PLClient::shared()).
        PLClientProtocol* client = nullptr;
        // The agent's standard defaults: display options and "AppDefaultGroup".
        platform::UserDefaults* defaults = nullptr;
        // The process's default centre: library and display-option changes.
        platform::NotificationCenter* notificationCenter = nullptr;
        platform::Sounds* sounds = nullptr;
        // Option and Command held while a group is chosen make it the default group.
        const platform::ModifierFlagsSource* modifiers = nullptr;
        // Empty: an estimate from the point size (the system font's usual proportion).
        CapHeightSource capHeight;
    };

    explicit PLCleanerListViewController(Collaborators collaborators);
    ~PLCleanerListViewController() override;
    PLCleanerListViewController(const PLCleanerListViewController&) = delete;
    PLCleanerListViewController& operator=(const PLCleanerListViewController&) = delete;

    // --- Host settings (set before the view loads unless noted) ---
    PLCleanerListViewDelegate* delegate = nullptr;
    bool hoverHighlight = true;
    // The search field takes the focus each time the list is about to be shown.
    bool autoFocusOnSearch = false;
    // The group popup ends with "Customize…".
    bool showEditOption = true;
    // A separator precedes "Customize…".
    bool showUserGroups = true;
    // Return in the table does not choose the selected row.
    bool ignoreReturnKey = false;
    bool showGroupPopup = true;
    double separatorHeight = 10.0;

    // Font metrics given later (the widget gives its toolkit's when the host gave none); they
    // count from the next display-metrics refresh.
    void setCapHeightSource(CapHeightSource source);
    bool hasCapHeightSource() const { return capHeightGiven_; }

    // Sets showEditOption, showUserGroups and showGroupPopup from PopupOptions bits.
    void setPopupOptions(uint32_t options);

    // The double action of the table; by default doubleAction(). A host may take it over
    // (the pick window stops its modal session with the clicked row).
    void setDoubleAction(std::function<void(int clickedRow)> action);
    // What the view calls for a double click on `clickedRow` (-1 outside any row).
    void performDoubleAction(int clickedRow);

    // The group popup's key equivalent (the popover gives it Command-G).
    void setListPopupKeyEquivalent(std::string key, uint64_t modifierMask);
    const std::string& listPopupKeyEquivalent() const { return popupKeyEquivalent_; }
    uint64_t listPopupKeyEquivalentModifierMask() const { return popupKeyModifiers_; }

    // --- Life cycle ---
    // The view to drive; null detaches it. The view must outlive its attachment.
    void setView(PLCleanerListView* view);
    PLCleanerListView* view() const { return view_; }
    bool isViewLoaded() const { return loaded_; }
    // Builds the list once the view exists: group list, display metrics, the "##Standard"
    // group, the delegate's cleanerListDidLoad, the default group, observers, popup, rows.
    void viewDidLoad();
    // Before each appearance: display metrics, popup visibility, selection and focus.
    void viewWillAppear();

    // --- State ---
    const Group& currentGroup() const { return currentGroup_; }
    // Stores the group, rebuilds the popup and refilters.
    void setCurrentGroup(Group group);
    // A group by name, or by uuid when the string begins with "##" (as the group popup
    // chooses); `remember` stores the string as the default group. False when no group was
    // found (only a "##" uuid can be missing; unknown names give the "Missing" group).
    bool chooseGroup(const std::string& nameOrUuid, bool remember);

    CleanerListPref::TextSize activeDisplaySize() const { return activeDisplaySize_; }
    CleanerListPref::ColorStyle entryColorStyle() const { return entryColorStyle_; }
    CleanerListPref::DisplayOrder groupListOrder() const { return groupListOrder_; }
    double entryFontCapHeight() const { return entryFontCapHeight_; }
    // Point size of the entry font for the active display size (12 compact, else 14).
    double entryFontSize() const;
    const std::string& lastFilter() const { return lastFilter_; }
    // Null until the view loads.
    GroupList* groupList() const { return groupList_.get(); }

    // Row and button heights for a text size; the button height is floored to whole points.
    static double rowHeightFor(CleanerListPref::TextSize size);
    static double buttonHeightFor(CleanerListPref::TextSize size);
    // Intercell spacing of the table.
    static constexpr double kIntercellWidth = 3.0;
    static constexpr double kIntercellHeight = 0.75;

    // --- Group popup model: item 0 is the title item (the current group's name) ---
    platform::Menu& listPopupMenu() { return popupMenu_; }
    const platform::Menu& listPopupMenu() const { return popupMenu_; }
    bool listPopupHidden() const { return !showGroupPopup; }

    // --- Table model ---
    int numberOfRows() const { return static_cast<int>(filteredItems_.size()); }
    // Out-of-range rows give nullptr.
    const GroupItem* itemAt(int row) const;
    // The rows as items (copies).
    std::vector<GroupItem> filteredItems() const;
    static CleanerListRowKind rowKind(const GroupItem& item);
    // How row `row` is drawn; an empty cleaner row when out of range.
    CleanerListRow rowDisplay(int row) const;
    double heightOfRow(int row) const;
    bool shouldSelectRow(int row) const;
    bool isGroupRow(int row) const;
    std::string toolTipForRow(int row) const;
    // The selected row, -1 when none.
    int selectedRow() const { return selectedRow_; }

    // The rows for filter text `filter` on the current group, library matches appended.
    std::vector<GroupItem> filteredList(const std::string& filter) const;

    // --- Actions the view forwards ---
    // The search text changed (`controlTextDidChange:`).
    void searchTextDidChange(const std::string& text);
    // A command of the search field's editor by selector ("moveDown:", "insertTab:", …);
    // true when handled.
    bool doCommandBySelector(const std::string& selector);
    // The user selected a row in the table (-1: none).
    void tableSelectionDidChange(int row);
    // A cleaner row's button was clicked (-1 when its row could not be found).
    void applyCleanerButton(int row);
    // The table's own double action: choose the clicked row; nothing outside any row.
    void doubleAction(int clickedRow);
    void chooseCustomize();
    void setFocusOnSearch();
    // The star of a row was clicked; stars change nothing.
    void toggleStar(int row);
    // PLCleanerListTableCommandDelegate
    bool tableViewProcessCommand(CleanerListCommand command) override;

    // --- Notification handlers ---
    void libraryChanged();
    void listDisplayUpdated();

  private:
    struct Matcher;

    // True when activeDisplaySize changed.
    bool refreshDisplayMetrics();
    Group lookUpGroup(const std::string& nameOrUuid, bool* found) const;
    Group standardGroup() const;
    void rebuildGroupPopup();
    void refilter();
    void chooseRow(int row);
    void selectRowInternal(int row);
    void cacheCurrentNames();
    void cacheLibrary();
    void indexTokens();
    void filterInto(const std::string& filter, std::vector<const GroupItem*>& out) const;

    Collaborators c_;
    bool capHeightGiven_ = false;
    PLCleanerListView* view_ = nullptr;
    bool loaded_ = false;
    std::unique_ptr<GroupList> groupList_;
    platform::Menu popupMenu_;
    // The menu before the last rebuild: a choice made in it rebuilds the menu from its action.
    platform::Menu retiredMenu_;
    std::string popupKeyEquivalent_;
    uint64_t popupKeyModifiers_ = 0;
    std::function<void(int)> doubleAction_;

    Group currentGroup_{"EMPTY", "#EMPTY"};
    CleanerListPref::TextSize activeDisplaySize_ = CleanerListPref::TextSize::standard;
    CleanerListPref::ColorStyle entryColorStyle_ = CleanerListPref::ColorStyle::text;
    CleanerListPref::DisplayOrder groupListOrder_ = CleanerListPref::DisplayOrder::standard;
    double entryFontCapHeight_ = 0;
    std::string lastFilter_;
    int selectedRow_ = -1;

    // Rows point into currentGroup_, library_ or libraryLabel_; rebuilt whenever those change.
    std::vector<const GroupItem*> filteredItems_;
    // Lower-cased names, one per item, so a keystroke does not lower-case the whole group.
    std::vector<std::string> currentNames_;
    Group library_;
    std::vector<std::string> libraryNames_;
    // Each token as a small number, so a keystroke finds the library cleaners already listed
    // from the group without comparing strings: a token's stamp is the filter's generation
    // when a group row with it matched.
    std::vector<uint32_t> currentTokenIds_;
    std::vector<uint32_t> libraryTokenIds_;
    mutable std::vector<uint32_t> tokenStamps_;
    mutable uint32_t stampGeneration_ = 0;
    GroupItem libraryLabel_;

    platform::ObserverToken libraryObserver_ = 0;
    platform::ObserverToken displayObserver_ = 0;
};
