#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/coding/PropertyList.h"
#include "platform/input/ModifierFlags.h"

namespace platform {

// A colour for a menu item's title, 8 bits a channel.
struct RgbColor {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const RgbColor& a, const RgbColor& b) {
        return a.red == b.red && a.green == b.green && a.blue == b.blue;
    }
};

class Menu;

// One entry of a menu, the plain model the OS's menu items are: the code that builds menus fills
// it in, a view renders it and calls perform() when the user picks it.
class MenuItem {
  public:
    // The OS's control state values.
    enum class State : int { mixed = -1, off = 0, on = 1 };
    // Called with the item itself as the sender.
    using Action = std::function<void(MenuItem& sender)>;

    MenuItem();
    explicit MenuItem(std::string title, std::string actionName = {},
                      std::string keyEquivalent = {});
    MenuItem(const MenuItem& other);
    MenuItem(MenuItem&& other) noexcept;
    MenuItem& operator=(const MenuItem& other);
    MenuItem& operator=(MenuItem&& other) noexcept;
    ~MenuItem();

    // A separator line: no title, no action, disabled.
    static MenuItem separatorItem();

    std::string title;
    // The colour of an attributed title; nothing draws the title in the menu's text colour.
    std::optional<RgbColor> titleColor;
    // The selector name ("chooseGroup:"), for the record and for tests; `action` is what runs.
    std::string actionName;
    Action action;
    // Who handles the action; opaque, never dereferenced here.
    const void* target = nullptr;
    // Null when the item represents nothing; tokens and group names are strings.
    PropertyList representedObject;
    std::string keyEquivalent;
    // New items get Command, as the OS's do.
    uint64_t keyEquivalentModifierMask = ModifierFlags::command;
    State state = State::off;
    int indentationLevel = 0;
    bool enabled = true;
    bool hidden = false;
    int64_t tag = 0;
    std::string toolTip;
    // A view shown in place of the title, by kind (kSearchFieldView); empty for a plain item.
    std::string viewKind;
    static constexpr const char* kSearchFieldView = "searchField";

    bool isSeparatorItem() const { return separator_; }
    // The represented object when it is a string, else nullptr.
    const std::string* representedString() const { return representedObject.asString(); }

    bool hasSubmenu() const { return submenu_ != nullptr; }
    Menu* submenu() { return submenu_.get(); }
    const Menu* submenu() const { return submenu_.get(); }
    // The item owns its submenu; copies of the item copy it.
    void setSubmenu(Menu submenu);
    void removeSubmenu();

    // What a click does: runs the action with this item as sender. False (and nothing runs)
    // when the item is a separator, disabled or has no action.
    bool perform();

  private:
    bool separator_ = false;
    std::unique_ptr<Menu> submenu_;
};

// A titled list of items. References returned by the item accessors stay valid only until the
// list changes.
class Menu {
  public:
    Menu();
    explicit Menu(std::string title);

    std::string title;

    const std::vector<MenuItem>& items() const { return items_; }
    std::vector<MenuItem>& items() { return items_; }
    size_t numberOfItems() const { return items_.size(); }

    MenuItem& addItem(MenuItem item);
    MenuItem& addItem(std::string title, std::string actionName, std::string keyEquivalent);
    // `index` past the end appends.
    MenuItem& insertItem(MenuItem item, size_t index);
    void removeItemAt(size_t index);
    void removeAllItems() { items_.clear(); }

    // nullptr when out of range or not found.
    MenuItem* itemAt(size_t index);
    const MenuItem* itemAt(size_t index) const;
    MenuItem* itemWithTitle(const std::string& title);
    std::optional<size_t> indexOfItemWithTitle(const std::string& title) const;
    std::optional<size_t> indexOfItemWithRepresentedObject(const PropertyList& object) const;
    std::optional<size_t> indexOfItemWithTag(int64_t tag) const;

    // Picks the item at `index` as the user would; false when nothing ran.
    bool performActionForItemAt(size_t index);

  private:
    std::vector<MenuItem> items_;
};

}  // namespace platform
