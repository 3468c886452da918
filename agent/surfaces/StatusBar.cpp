#include "agent/surfaces/StatusBar.h"

#include "agent/surfaces/ApplyOptionFromModifiers.h"
#include "platform/core/Log.h"

using platform::log;
using platform::print;
using platform::Size;

StatusBar::StatusBar(Collaborators collaborators) : c_(collaborators) {}

StatusBar::~StatusBar() {
    if (statusItem) statusItem->setMenu(nullptr, {});
}

void StatusBar::updateMenu() {
    if (!statusItem) return;
    if (displayMode == StatusBarDisplayType::popover || !delegate) {
        statusItem->setMenu(nullptr, {});
        return;
    }
    statusItem->setMenu(&delegate->statusMenu(), [this] {
        if (delegate) delegate->statusMenuNeedsUpdate();
    });
}

void StatusBar::setupButton() {
    if (!statusItem) return;
    const bool versioned = c_.defaults.boolForKey(kDisplayVersionedIconKey);
    if (statusItem->setImage(versioned ? kVersionedIconImage : kIconImage))
        statusItem->setAction([this] { menuIconClick(); });
    else
        statusItem->setAction({});
}

void StatusBar::menuIconClick() {
    if (isPopoverActive) {
        closePopover();
        return;
    }
    const auto option =
        applyOptionFromModifiers(c_.modifiers ? c_.modifiers->currentModifierFlags() : 0);
    print("option = " + std::to_string(static_cast<int>(option)));
    showPopover(true, option);
}

void StatusBar::makePopover() {
    if (!c_.contents || !c_.views) {
        log("No popover here: the agent was built without its windows");
        return;
    }
    const auto layout = popoverLayoutForDisplayLayout(c_.defaults.integerForKey(kDisplayLayoutKey));
    auto made = std::make_unique<Popover>();
    made->content = c_.contents->makeContentController(layout);
    if (!made->content) return;
    made->content->setDelegate(this);
    made->view = c_.views->makePopoverView(layout, *made->content);
    if (!made->view) return;
    made->resize =
        std::make_unique<PopoverResize>(made->content->originalSize(), Size{kPopoverMaxWidth, 0}, 0,
                                        c_.views->mainScreenVisibleFrame());
    std::optional<Size> restored;
    if (auto stored = c_.defaults.stringForKey(kUserPopoverSizeKey)) {
        const Size size = platform::sizeFromString(*stored);
        if (size.width > 0) restored = size;
    }
    made->resize->setContentViewController(made->content.get(), restored);
    made->view->setResizeTracker(made->resize.get());
    made->view->setContentSize(made->resize->contentSize());
    made->view->setDismissHandler([this] { closePopover(); });
    popover_ = std::move(made);
}

void StatusBar::showPopover(bool animated, CleanerApplyOption option) {
    if (!popover_) makePopover();
    isPopoverActive = true;
    if (delegate) delegate->popoverStateChangeWithIsActive(true);
    if (!statusItem || !popover_ || popover_->view->isShown()) return;
    popover_->content->setApplyOption(option);
    popover_->content->viewWillAppear();
    popover_->view->show(statusItem->buttonFrame(), animated);
}

void StatusBar::closePopover() {
    isPopoverActive = false;
    if (delegate) delegate->popoverStateChangeWithIsActive(false);
    if (!popover_) return;
    c_.defaults.setString(kUserPopoverSizeKey,
                          platform::stringFromSize(popover_->resize->contentSize()));
    if (popover_->view->isShown()) popover_->view->close();
}

void StatusBar::applyCleaner(const std::string& cleaner, CleanerApplyOption option) {
    if (delegate) delegate->applyCleaner(cleaner, option);
}

void StatusBar::displayAsMenu() {
    if (delegate) delegate->displayAsMenu();
}

std::optional<std::string> StatusBar::frontAppName() {
    return delegate ? delegate->frontAppName() : std::nullopt;
}
