#include "platform/sim/SimMenuPresenter.h"

namespace platform {

bool SimMenuPresenter::popUpMenu(Menu& menu, Point location) {
    if (refuse) return false;
    shown.push_back({menu, location, false});
    const size_t entry = shown.size() - 1;
    std::optional<size_t> index = index_;
    if (title_) index = menu.indexOfItemWithTitle(*title_);
    if (!index) return true;
    // The action may pop up another menu, which grows `shown`: record by position.
    const bool performed = menu.performActionForItemAt(*index);
    shown[entry].performed = performed;
    return true;
}

void SimMenuPresenter::chooseTitle(std::string title) {
    title_ = std::move(title);
    index_.reset();
}

void SimMenuPresenter::chooseIndex(size_t index) {
    index_ = index;
    title_.reset();
}

void SimMenuPresenter::dismiss() {
    title_.reset();
    index_.reset();
}

}  // namespace platform
