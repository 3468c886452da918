#include "platform/sim/SimStatusBar.h"

#include <algorithm>

namespace platform {

SimStatusBar::SimStatusBar(std::set<std::string> images)
    : images(std::move(images)), shown_(std::make_shared<Shown>()) {}

SimStatusBar::~SimStatusBar() = default;

std::unique_ptr<StatusItem> SimStatusBar::statusItemWithLength(double length) {
    if (!available) return nullptr;
    ++itemsCreated;
    std::unique_ptr<SimStatusItem> item(new SimStatusItem(shown_, images, length));
    shown_->items.push_back(item.get());
    return item;
}

const std::vector<SimStatusItem*>& SimStatusBar::items() const {
    return shown_->items;
}

SimStatusItem* SimStatusBar::item() const {
    return shown_->items.empty() ? nullptr : shown_->items.back();
}

SimStatusItem::SimStatusItem(std::shared_ptr<SimStatusBar::Shown> shown,
                             std::set<std::string> images, double length)
    : shown_(std::move(shown)), images_(std::move(images)), length_(length) {}

SimStatusItem::~SimStatusItem() {
    auto& items = shown_->items;
    items.erase(std::remove(items.begin(), items.end(), this), items.end());
}

bool SimStatusItem::setImage(const std::string& imageName) {
    const bool found = images_.count(imageName) != 0;
    imageName_ = found ? imageName : std::string();
    return found;
}

}  // namespace platform
