#include "platform/ui/Menu.h"

#include <utility>

namespace platform {

MenuItem::MenuItem() = default;

MenuItem::MenuItem(std::string title, std::string actionName, std::string keyEquivalent)
    : title(std::move(title)),
      actionName(std::move(actionName)),
      keyEquivalent(std::move(keyEquivalent)) {}

MenuItem::MenuItem(const MenuItem& other)
    : title(other.title),
      titleColor(other.titleColor),
      actionName(other.actionName),
      action(other.action),
      target(other.target),
      representedObject(other.representedObject),
      keyEquivalent(other.keyEquivalent),
      keyEquivalentModifierMask(other.keyEquivalentModifierMask),
      state(other.state),
      indentationLevel(other.indentationLevel),
      enabled(other.enabled),
      hidden(other.hidden),
      tag(other.tag),
      toolTip(other.toolTip),
      viewKind(other.viewKind),
      separator_(other.separator_),
      submenu_(other.submenu_ ? std::make_unique<Menu>(*other.submenu_) : nullptr) {}

MenuItem::MenuItem(MenuItem&& other) noexcept = default;

MenuItem& MenuItem::operator=(const MenuItem& other) {
    if (this != &other) {
        MenuItem copy(other);
        *this = std::move(copy);
    }
    return *this;
}

MenuItem& MenuItem::operator=(MenuItem&& other) noexcept = default;

MenuItem::~MenuItem() = default;

MenuItem MenuItem::separatorItem() {
    MenuItem item;
    item.separator_ = true;
    item.enabled = false;
    item.keyEquivalentModifierMask = 0;
    return item;
}

void MenuItem::setSubmenu(Menu submenu) {
    submenu_ = std::make_unique<Menu>(std::move(submenu));
}

void MenuItem::removeSubmenu() {
    submenu_.reset();
}

bool MenuItem::perform() {
    if (separator_ || !enabled || !action) return false;
    // The action may replace this item's own action; run a copy.
    Action run = action;
    run(*this);
    return true;
}

Menu::Menu() = default;

Menu::Menu(std::string title) : title(std::move(title)) {}

MenuItem& Menu::addItem(MenuItem item) {
    items_.push_back(std::move(item));
    return items_.back();
}

MenuItem& Menu::addItem(std::string title, std::string actionName, std::string keyEquivalent) {
    return addItem(MenuItem(std::move(title), std::move(actionName), std::move(keyEquivalent)));
}

MenuItem& Menu::insertItem(MenuItem item, size_t index) {
    if (index >= items_.size()) return addItem(std::move(item));
    return *items_.insert(items_.begin() + static_cast<std::ptrdiff_t>(index), std::move(item));
}

void Menu::removeItemAt(size_t index) {
    if (index < items_.size()) items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(index));
}

MenuItem* Menu::itemAt(size_t index) {
    return index < items_.size() ? &items_[index] : nullptr;
}

const MenuItem* Menu::itemAt(size_t index) const {
    return index < items_.size() ? &items_[index] : nullptr;
}

MenuItem* Menu::itemWithTitle(const std::string& title) {
    const auto index = indexOfItemWithTitle(title);
    return index ? &items_[*index] : nullptr;
}

std::optional<size_t> Menu::indexOfItemWithTitle(const std::string& title) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (!items_[i].isSeparatorItem() && items_[i].title == title) return i;
    return std::nullopt;
}

std::optional<size_t> Menu::indexOfItemWithRepresentedObject(const PropertyList& object) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].representedObject == object) return i;
    return std::nullopt;
}

std::optional<size_t> Menu::indexOfItemWithTag(int64_t tag) const {
    for (size_t i = 0; i < items_.size(); ++i)
        if (items_[i].tag == tag) return i;
    return std::nullopt;
}

bool Menu::performActionForItemAt(size_t index) {
    MenuItem* item = itemAt(index);
    return item && item->perform();
}

}  // namespace platform
