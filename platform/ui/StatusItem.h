#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "platform/ui/Geometry.h"
#include "platform/ui/Menu.h"

namespace platform {

// One icon in the desktop's status area (the OS's status item and its button). Destroying it
// removes the icon.
class StatusItem {
  public:
    virtual ~StatusItem() = default;

    // The button's image, a template image of the application's bundle by name (resource
    // name without extension). False, and no image, when the bundle has none.
    virtual bool setImage(const std::string& imageName) = 0;
    virtual bool hasImage() const = 0;

    // What a left-button press on the icon does while no menu is attached; empty for nothing.
    virtual void setAction(std::function<void()> action) = 0;

    // Menu mode: a click opens `menu` attached to the icon. `menuNeedsUpdate` runs right
    // before each opening so the owner can rebuild the menu's items. nullptr detaches the
    // menu; the caller keeps it alive while attached.
    virtual void setMenu(Menu* menu, std::function<void()> menuNeedsUpdate) = 0;
    virtual Menu* menu() const = 0;

    // The icon's frame on screen, when the desktop tells where it is.
    virtual std::optional<Rect> buttonFrame() const = 0;
};

// The desktop's status area.
class StatusBar {
  public:
    virtual ~StatusBar() = default;
    // The OS's square length: as wide as it is high.
    static constexpr double kSquareLength = -2;
    // A new icon, shown at once; nullptr when the desktop has no status area.
    virtual std::unique_ptr<StatusItem> statusItemWithLength(double length) = 0;
};

// Menus shown on their own, outside any window or status item.
class MenuPresenter {
  public:
    virtual ~MenuPresenter() = default;
    // Where the pointer is, in screen coordinates.
    virtual Point mouseLocation() const = 0;
    // Shows `menu` at `location` (screen coordinates, no view) and returns when it closes; the
    // chosen item's action has run by then. False when the menu could not be shown.
    virtual bool popUpMenu(Menu& menu, Point location) = 0;
};

}  // namespace platform
