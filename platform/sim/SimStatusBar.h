#pragma once

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "platform/ui/StatusItem.h"
#include "platform/ui/StatusItemButton.h"

namespace platform {

class SimStatusItem;

// The desktop's status area in memory: the icons code made, which a test can look at and click.
class SimStatusBar : public StatusBar {
  public:
    // `images`: the image names the application's bundle has.
    explicit SimStatusBar(std::set<std::string> images = {});
    ~SimStatusBar() override;
    SimStatusBar(const SimStatusBar&) = delete;
    SimStatusBar& operator=(const SimStatusBar&) = delete;

    // nullptr while `available` is false.
    std::unique_ptr<StatusItem> statusItemWithLength(double length) override;

    // The icons shown now, oldest first, and the newest of them (nullptr when none).
    const std::vector<SimStatusItem*>& items() const;
    SimStatusItem* item() const;

    bool available = true;
    std::set<std::string> images;
    int itemsCreated = 0;

  private:
    friend class SimStatusItem;
    struct Shown {
        std::vector<SimStatusItem*> items;
    };
    // Shared with the items, so either may go first.
    std::shared_ptr<Shown> shown_;
};

// One icon of a SimStatusBar.
class SimStatusItem : public StatusItem {
  public:
    ~SimStatusItem() override;

    bool setImage(const std::string& imageName) override;
    bool hasImage() const override { return !imageName_.empty(); }
    void setAction(std::function<void()> action) override { button_.setAction(std::move(action)); }
    void setMenu(Menu* menu, std::function<void()> menuNeedsUpdate) override {
        button_.setMenu(menu, std::move(menuNeedsUpdate));
    }
    Menu* menu() const override { return button_.menu(); }
    std::optional<Rect> buttonFrame() const override { return frame; }

    // The image shown, empty for none.
    const std::string& imageName() const { return imageName_; }
    double length() const { return length_; }
    bool hasAction() const { return button_.hasAction(); }

    // A user's left or right click: runs the action, or in menu mode has the menu updated and
    // returns it as it opens (nullptr when nothing opens). The action may destroy the item.
    Menu* click() { return button_.press(StatusItemButton::Press::left); }
    Menu* rightClick() { return button_.press(StatusItemButton::Press::right); }

    // Where the desktop shows the icon; nothing until a test places it.
    std::optional<Rect> frame;

  private:
    friend class SimStatusBar;
    SimStatusItem(std::shared_ptr<SimStatusBar::Shown> shown, std::set<std::string> images,
                  double length);

    std::shared_ptr<SimStatusBar::Shown> shown_;
    std::set<std::string> images_;
    double length_;
    std::string imageName_;
    StatusItemButton button_;
};

}  // namespace platform
