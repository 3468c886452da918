#include "agent/ui/PLCleanerListViewController.h"

#include <algorithm>
#include <cmath>
#include <string_view>
#include <unordered_map>
#include <utility>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include "agent/engine/Lowercase.h"
#include "agent/engine/PLClientProtocol.h"
#include "agent/library/ItemColor.h"
#include "agent/library/PLClientGroupsContainer.h"
#include "platform/core/Utf8.h"
#include "platform/workspace/Localization.h"

using platform::localized;
using TextSize = CleanerListPref::TextSize;
using ColorStyle = CleanerListPref::ColorStyle;

namespace {

// The OS's system font size, which the colour box follows until the list loads.
constexpr double kSystemFontSize = 13.0;
constexpr double kCompactFontSize = 12.0;
constexpr double kStandardFontSize = 14.0;
// Cap height of the system font as a share of its point size, when no font metrics are given.
constexpr double kCapHeightRatio = 0.7;
constexpr double kColorBoxRadius = 3.0;

struct Geometry {
    double rowHeight;
    double buttonHeight;
};
constexpr Geometry kGeometry[] = {{20, 18.5}, {25, 23}, {28, 25.7}, {32, 29.3}};

const Geometry& geometryFor(TextSize size) {
    const auto index = static_cast<size_t>(size);
    return kGeometry[index < std::size(kGeometry) ? index : 1];
}

bool isSeparatorItem(const GroupItem& item) {
    return item.token == GroupItem::kSpacerToken || item.name == GroupItem::kSpacerName;
}

bool isLabelItem(const GroupItem& item) {
    return item.token.starts_with(GroupItem::kLabelPrefix);
}

// Only cleaners take part in a search: never labels or separators.
bool isSearchable(const GroupItem& item) {
    return !item.token.starts_with(GroupItem::kLabelPrefix) &&
           item.token != GroupItem::kSpacerToken && item.name != GroupItem::kSpacerName;
}

// The white space the OS splits words at: spaces and tabs, including the Unicode spaces.
bool isWhitespace(char32_t c) {
    return c == U' ' || c == U'\t' || c == 0xA0 || c == 0x1680 || (c >= 0x2000 && c <= 0x200A) ||
           c == 0x202F || c == 0x205F || c == 0x3000;
}

// Splits at every white-space character, so runs of spaces give empty words.
std::vector<std::string> splitWords(const std::string& text) {
    std::vector<std::string> words(1);
    size_t i = 0;
    while (i < text.size()) {
        char32_t c = 0;
        const size_t start = i;
        if (!platform::Utf8::next(text, i, c)) {
            words.back() += text[i++];
            continue;
        }
        if (isWhitespace(c))
            words.emplace_back();
        else
            words.back().append(text, start, i - start);
    }
    return words;
}

bool containsAnyWord(const std::string& lowerName, const std::vector<std::string>& words) {
    for (const std::string& word : words)
        if (!word.empty() && lowerName.find(word) != std::string::npos) return true;
    return false;
}

std::string uppercased(const std::string& text) {
    std::string out;
    icu::UnicodeString::fromUTF8(text).toUpper(icu::Locale::getRoot()).toUTF8String(out);
    return out;
}

std::optional<platform::RgbColor> colorOf(const GroupItem& item) {
    const SystemColor color = systemColor(item.color_tag);
    if (color.dynamic) return std::nullopt;
    return platform::RgbColor{color.red, color.green, color.blue};
}

void lowercaseNames(const Group& group, std::vector<std::string>& out) {
    out.clear();
    out.reserve(group.items.size());
    for (const GroupItem& item : group.items)
        out.push_back(isSearchable(item) ? lowercased(item.name) : std::string());
}

}  // namespace

PLCleanerListViewController::PLCleanerListViewController(Collaborators collaborators)
    : c_(std::move(collaborators)), capHeightGiven_(static_cast<bool>(c_.capHeight)) {
    if (!c_.capHeight) c_.capHeight = [](double size) { return size * kCapHeightRatio; };
    entryFontCapHeight_ = c_.capHeight(kSystemFontSize);
    const std::string label = localized("Library Matches", "lib matches label in filtered items");
    libraryLabel_ = GroupItem{};
    libraryLabel_.token = std::string(GroupItem::kLabelPrefix) + label;
    libraryLabel_.name = label;
}

PLCleanerListViewController::~PLCleanerListViewController() {
    if (libraryObserver_) c_.notificationCenter->removeObserver(libraryObserver_);
    if (displayObserver_) c_.notificationCenter->removeObserver(displayObserver_);
}

void PLCleanerListViewController::setCapHeightSource(CapHeightSource source) {
    if (!source) return;
    c_.capHeight = std::move(source);
    capHeightGiven_ = true;
}

void PLCleanerListViewController::setPopupOptions(uint32_t options) {
    showEditOption = (options & kShowEditOption) != 0;
    showUserGroups = (options & kShowUserGroups) != 0;
    showGroupPopup = (options & kShowGroupPopup) != 0;
}

void PLCleanerListViewController::setDoubleAction(std::function<void(int)> action) {
    doubleAction_ = std::move(action);
}

void PLCleanerListViewController::performDoubleAction(int clickedRow) {
    if (doubleAction_)
        doubleAction_(clickedRow);
    else
        doubleAction(clickedRow);
}

void PLCleanerListViewController::setListPopupKeyEquivalent(std::string key,
                                                            uint64_t modifierMask) {
    popupKeyEquivalent_ = std::move(key);
    popupKeyModifiers_ = modifierMask;
    if (view_) view_->popupMenuChanged();
}

void PLCleanerListViewController::setView(PLCleanerListView* view) {
    view_ = view;
}

void PLCleanerListViewController::viewDidLoad() {
    if (loaded_) return;
    loaded_ = true;
    groupList_ = std::make_unique<GroupList>(
        *c_.defaults, [this](int type) { return c_.client->grouplist(type); },
        [this](const std::string& name, bool remember) {
            // The name belongs to the menu item, which a rebuild replaces.
            const std::string chosen = name;
            chooseGroup(chosen, remember);
        },
        *c_.modifiers);
    refreshDisplayMetrics();
    groupListOrder_ = CleanerListPref::displayOrder(*c_.defaults);
    cacheLibrary();
    currentGroup_ = standardGroup();
    cacheCurrentNames();

    if (delegate) delegate->cleanerListDidLoad(*this);

    if (auto stored = c_.defaults->stringForKey(kDefaultGroupKey)) {
        bool found = false;
        Group group = lookUpGroup(*stored, &found);
        currentGroup_ = found ? std::move(group) : standardGroup();
    } else {
        currentGroup_ = standardGroup();
    }
    cacheCurrentNames();

    libraryObserver_ = c_.notificationCenter->addObserver(
        kClientInfoUpdated, nullptr, [this](const platform::Notification&) { libraryChanged(); });
    displayObserver_ = c_.notificationCenter->addObserver(
        kListDisplayOptionsUpdated, nullptr,
        [this](const platform::Notification&) { listDisplayUpdated(); });

    rebuildGroupPopup();
    refilter();
}

void PLCleanerListViewController::viewWillAppear() {
    const bool sizeChanged = refreshDisplayMetrics();
    // The order the GroupList will build with: it reads the defaults on every build.
    const auto order = CleanerListPref::displayOrder(*c_.defaults);
    const bool orderChanged = order != groupListOrder_;
    groupListOrder_ = order;
    if (sizeChanged || orderChanged) {
        rebuildGroupPopup();
        refilter();
    }
    if (view_) view_->setPopupHidden(!showGroupPopup);
    selectedRow_ = -1;
    if (view_) view_->deselectAll();
    if (autoFocusOnSearch) setFocusOnSearch();
}

bool PLCleanerListViewController::refreshDisplayMetrics() {
    entryColorStyle_ = CleanerListPref::colorStyle(*c_.defaults);
    const bool compact = c_.defaults->boolForKey(kDisplayCompactKey);
    const TextSize size = compact ? TextSize::compact : TextSize::standard;
    entryFontCapHeight_ = c_.capHeight(compact ? kCompactFontSize : kStandardFontSize);
    const bool changed = size != activeDisplaySize_;
    activeDisplaySize_ = size;
    return changed;
}

double PLCleanerListViewController::entryFontSize() const {
    return activeDisplaySize_ == TextSize::compact ? kCompactFontSize : kStandardFontSize;
}

double PLCleanerListViewController::rowHeightFor(TextSize size) {
    return geometryFor(size).rowHeight;
}

double PLCleanerListViewController::buttonHeightFor(TextSize size) {
    return std::floor(geometryFor(size).buttonHeight);
}

// --- Groups ---

Group PLCleanerListViewController::standardGroup() const {
    return c_.client->groups().clientData().groupNamed(Group::kStandardUuid);
}

Group PLCleanerListViewController::lookUpGroup(const std::string& nameOrUuid, bool* found) const {
    const PLClientData& data = c_.client->groups().clientData();
    if (nameOrUuid.starts_with("##")) {
        auto group = data.groupWithUuid(nameOrUuid);
        *found = group.has_value();
        return group ? std::move(*group) : Group();
    }
    *found = true;
    return data.groupNamed(nameOrUuid);
}

void PLCleanerListViewController::setCurrentGroup(Group group) {
    currentGroup_ = std::move(group);
    cacheCurrentNames();
    rebuildGroupPopup();
    refilter();
}

bool PLCleanerListViewController::chooseGroup(const std::string& nameOrUuid, bool remember) {
    bool found = false;
    Group group = lookUpGroup(nameOrUuid, &found);
    if (found) setCurrentGroup(std::move(group));
    if (remember) c_.defaults->setString(kDefaultGroupKey, nameOrUuid);
    return found;
}

void PLCleanerListViewController::rebuildGroupPopup() {
    platform::MenuItem title =
        popupMenu_.numberOfItems() > 0 ? *popupMenu_.itemAt(0) : platform::MenuItem();
    title.title = currentGroup_.name;
    // The old items stay alive until the next rebuild: one of them may be running its action.
    retiredMenu_ = std::move(popupMenu_);
    popupMenu_ = platform::Menu(retiredMenu_.title);
    popupMenu_.addItem(std::move(title));
    if (groupList_)
        for (platform::MenuItem& item : groupList_->menuItems(currentGroup_.name))
            popupMenu_.addItem(std::move(item));
    if (showEditOption) {
        if (showUserGroups) popupMenu_.addItem(platform::MenuItem::separatorItem());
        platform::MenuItem customize(localized("Customize…", "Cleaner List Customize Menu Item"),
                                     kCustomizeAction);
        customize.target = this;
        customize.action = [this](platform::MenuItem&) { chooseCustomize(); };
        popupMenu_.addItem(std::move(customize));
    }
    if (view_) view_->popupMenuChanged();
}

void PLCleanerListViewController::chooseCustomize() {
    if (delegate) delegate->cleanerListWantsCustomize();
}

// --- Filtering ---

void PLCleanerListViewController::cacheCurrentNames() {
    lowercaseNames(currentGroup_, currentNames_);
    indexTokens();
}

void PLCleanerListViewController::cacheLibrary() {
    library_ = c_.client->groups().clientData().groupNamed(Group::kLibraryUuid);
    lowercaseNames(library_, libraryNames_);
    indexTokens();
}

void PLCleanerListViewController::indexTokens() {
    std::unordered_map<std::string_view, uint32_t> ids;
    const auto number = [&](const Group& group, std::vector<uint32_t>& out) {
        out.clear();
        out.reserve(group.items.size());
        for (const GroupItem& item : group.items)
            out.push_back(
                ids.try_emplace(item.token, static_cast<uint32_t>(ids.size())).first->second);
    };
    number(currentGroup_, currentTokenIds_);
    number(library_, libraryTokenIds_);
    tokenStamps_.assign(ids.size(), 0);
    stampGeneration_ = 0;
}

void PLCleanerListViewController::filterInto(const std::string& filter,
                                             std::vector<const GroupItem*>& out) const {
    out.clear();
    if (filter.empty()) {
        out.reserve(currentGroup_.items.size());
        for (const GroupItem& item : currentGroup_.items) out.push_back(&item);
        return;
    }
    const std::vector<std::string> words = splitWords(lowercased(filter));
    if (++stampGeneration_ == 0) {
        std::fill(tokenStamps_.begin(), tokenStamps_.end(), 0);
        stampGeneration_ = 1;
    }
    for (size_t i = 0; i < currentGroup_.items.size(); ++i) {
        const GroupItem& item = currentGroup_.items[i];
        // Names of labels and separators are cached empty: they never match.
        if (!containsAnyWord(currentNames_[i], words)) continue;
        out.push_back(&item);
        tokenStamps_[currentTokenIds_[i]] = stampGeneration_;
    }

    const size_t groupCount = out.size();
    for (size_t i = 0; i < library_.items.size(); ++i) {
        const GroupItem& item = library_.items[i];
        if (!containsAnyWord(libraryNames_[i], words)) continue;
        if (tokenStamps_[libraryTokenIds_[i]] == stampGeneration_) continue;
        if (out.size() == groupCount) out.push_back(&libraryLabel_);
        out.push_back(&item);
    }
}

std::vector<GroupItem> PLCleanerListViewController::filteredList(const std::string& filter) const {
    std::vector<const GroupItem*> rows;
    filterInto(filter, rows);
    std::vector<GroupItem> items;
    items.reserve(rows.size());
    for (const GroupItem* item : rows) items.push_back(*item);
    return items;
}

void PLCleanerListViewController::refilter() {
    if (view_) view_->setSearchText(lastFilter_);
    filterInto(lastFilter_, filteredItems_);
    // The rows are new: an old selection would point at another item.
    selectedRow_ = -1;
    if (view_) view_->reloadTable();
}

void PLCleanerListViewController::searchTextDidChange(const std::string& text) {
    if (text == lastFilter_) return;
    lastFilter_ = text;
    refilter();
}

// --- Rows ---

const GroupItem* PLCleanerListViewController::itemAt(int row) const {
    if (row < 0 || row >= numberOfRows()) return nullptr;
    return filteredItems_[static_cast<size_t>(row)];
}

std::vector<GroupItem> PLCleanerListViewController::filteredItems() const {
    std::vector<GroupItem> items;
    items.reserve(filteredItems_.size());
    for (const GroupItem* item : filteredItems_) items.push_back(*item);
    return items;
}

CleanerListRowKind PLCleanerListViewController::rowKind(const GroupItem& item) {
    if (isSeparatorItem(item)) return CleanerListRowKind::separator;
    if (isLabelItem(item)) return CleanerListRowKind::label;
    return CleanerListRowKind::cleaner;
}

CleanerListRow PLCleanerListViewController::rowDisplay(int row) const {
    CleanerListRow display;
    display.rowHeight = heightOfRow(row);
    display.buttonHeight = buttonHeightFor(activeDisplaySize_);
    const GroupItem* item = itemAt(row);
    if (!item) return display;
    display.kind = rowKind(*item);
    display.toolTip = item->desc;
    switch (display.kind) {
        case CleanerListRowKind::separator:
            break;
        case CleanerListRowKind::label:
            display.title = uppercased(item->name);
            break;
        case CleanerListRowKind::cleaner: {
            display.canSelect = true;
            display.title = item->name;
            const auto color = colorOf(*item);
            if (entryColorStyle_ != ColorStyle::bubble) display.titleColor = color;
            display.colorBoxHidden = entryColorStyle_ == ColorStyle::text;
            if (!display.colorBoxHidden) {
                display.colorBoxColor = color;
                display.colorBoxHeight = entryFontCapHeight_;
                display.colorBoxRadius = kColorBoxRadius;
                display.colorBoxShape = ShapeType::roundedrect;
            }
            break;
        }
    }
    return display;
}

double PLCleanerListViewController::heightOfRow(int row) const {
    const GroupItem* item = itemAt(row);
    if (item && rowKind(*item) == CleanerListRowKind::separator) return separatorHeight;
    return rowHeightFor(activeDisplaySize_);
}

bool PLCleanerListViewController::shouldSelectRow(int row) const {
    const GroupItem* item = itemAt(row);
    return item && rowKind(*item) == CleanerListRowKind::cleaner;
}

bool PLCleanerListViewController::isGroupRow(int row) const {
    const GroupItem* item = itemAt(row);
    return item && rowKind(*item) == CleanerListRowKind::label;
}

std::string PLCleanerListViewController::toolTipForRow(int row) const {
    const GroupItem* item = itemAt(row);
    return item ? item->desc : std::string();
}

// --- Choosing ---

void PLCleanerListViewController::chooseRow(int row) {
    const GroupItem* item = itemAt(row);
    if (!item) {
        c_.sounds->beep();
        return;
    }
    if (!delegate) return;
    // Copies: the host may change the list (and so the rows) while it handles the choice.
    const GroupItem chosen = *item;
    delegate->cleanerListDidChoose(chosen.token, chosen.name, chosen.desc);
}

void PLCleanerListViewController::applyCleanerButton(int row) {
    chooseRow(row);
}

void PLCleanerListViewController::doubleAction(int clickedRow) {
    // A double click below the last row or on the header chooses nothing, silently.
    if (clickedRow < 0) return;
    chooseRow(clickedRow);
}

void PLCleanerListViewController::toggleStar(int row) {
    (void)row;
}

void PLCleanerListViewController::selectRowInternal(int row) {
    selectedRow_ = row;
    if (view_) view_->selectRow(row);
}

void PLCleanerListViewController::tableSelectionDidChange(int row) {
    selectedRow_ = itemAt(row) ? row : -1;
}

void PLCleanerListViewController::setFocusOnSearch() {
    if (view_) view_->focusSearchField();
}

bool PLCleanerListViewController::doCommandBySelector(const std::string& selector) {
    if (selector != "moveDown:" && selector != "insertTab:") return false;
    if (selectedRow_ < 0) selectRowInternal(0);
    if (view_) view_->focusTable();
    return true;
}

bool PLCleanerListViewController::tableViewProcessCommand(CleanerListCommand command) {
    switch (command) {
        case CleanerListCommand::escape:
            selectedRow_ = -1;
            if (view_) view_->deselectAll();
            setFocusOnSearch();
            return true;
        case CleanerListCommand::return_: {
            if (ignoreReturnKey) return false;
            const int row = selectedRow_;
            chooseRow(row);
            selectedRow_ = -1;
            if (view_) view_->deselectAll();
            return true;
        }
        case CleanerListCommand::up:
            if (selectedRow_ != 0) return false;
            selectedRow_ = -1;
            if (view_) view_->deselectAll();
            setFocusOnSearch();
            return true;
    }
    return false;
}

// --- Notifications ---

void PLCleanerListViewController::libraryChanged() {
    cacheLibrary();
    if (auto fresh = c_.client->groups().clientData().groupWithUuid(currentGroup_.uuid)) {
        currentGroup_ = std::move(*fresh);
        cacheCurrentNames();
    }
    rebuildGroupPopup();
    refilter();
}

void PLCleanerListViewController::listDisplayUpdated() {
    refreshDisplayMetrics();
    groupListOrder_ = CleanerListPref::displayOrder(*c_.defaults);
    rebuildGroupPopup();
    refilter();
}
