#include "agent/surfaces/GlobalPopoverContent.h"

#include "agent/surfaces/ApplyOptionFromModifiers.h"
#include "platform/core/Log.h"
#include "platform/input/ModifierFlags.h"
#include "platform/workspace/Localization.h"

using namespace platform;

namespace {

std::string infoString(const PropertyList::Dictionary& info, const std::string& key) {
    const PropertyList* value = info.find(key);
    const std::string* text = value ? value->asString() : nullptr;
    return text ? *text : std::string();
}

}  // namespace

GlobalPopoverContent::GlobalPopoverContent(Collaborators collaborators, uint32_t popupOptions)
    : c_(std::move(collaborators)),
      contentController_(std::make_unique<PLCleanerListViewController>(c_.list)) {
    contentController_->setPopupOptions(popupOptions);
    buildActionMenu();
}

GlobalPopoverContent::~GlobalPopoverContent() {
    contentController_->delegate = nullptr;
}

void GlobalPopoverContent::setApplyOption(CleanerApplyOption option) {
    applyOption_ = option;
    notifyControls();
}

void GlobalPopoverContent::setOptionValue(int value) {
    setApplyOption(cleanerApplyOptionFromRaw(value).value_or(CleanerApplyOption::standard));
}

void GlobalPopoverContent::buildActionMenu() {
    actionMenu_.removeAllItems();
    actionMenu_.addItem(MenuItem("", "", " "));
    auto add = [this](const std::string& title, const char* selector, const char* key,
                      void (ApplicationActions::*action)()) {
        MenuItem item(title, selector, key);
        item.action = [this, action](MenuItem&) {
            if (c_.actions) (c_.actions->*action)();
        };
        actionMenu_.addItem(std::move(item));
    };
    add(localized("About", "Popover menu"), "showAboutPanel:", "",
        &ApplicationActions::showAboutPanel);
    add(localized("Settings", "Popover menu") + "…", "showPreferencesWindow:", ",",
        &ApplicationActions::showPreferencesWindow);
    add(localized("Launch Purlane", "Popover menu"), "launchPurlaneApp:", "l",
        &ApplicationActions::launchPurlaneApp);
    actionMenu_.addItem(MenuItem::separatorItem());
    add(localized("Check for updates…", "Popover menu"), "checkForAppUpdates:", "u",
        &ApplicationActions::checkForAppUpdates);
    add(localized("Help…", "Popover menu"), "showOnlineHelp:", "/",
        &ApplicationActions::showOnlineHelp);
    actionMenu_.addItem(MenuItem::separatorItem());
    add(localized("Quit purlaneAgent", "Popover menu"), "terminate:", "",
        &ApplicationActions::terminate);
}

void GlobalPopoverContent::viewDidLoad(Size frameSize) {
    auto& list = *contentController_;
    list.delegate = this;
    list.autoFocusOnSearch = true;
    if (list.view() && !list.isViewLoaded()) list.viewDidLoad();
    originalSize_ = frameSize;
}

void GlobalPopoverContent::viewWillAppear() {
    print("applyOption = " + std::to_string(static_cast<int>(applyOption_)));
    standardOptionTitle_ = applyOptionLabel(CleanerApplyOption::standard,
                                            delegate_ ? delegate_->frontAppName() : std::nullopt);
    pl8linkIndicatorHidden_ = !hasPl8linkIndicator() || !c_.defaults.boolForKey(kPL8ConnectKey);
    versionString_ = localized("v" + infoString(c_.info, "CFBundleShortVersionString") + " (" +
                                   infoString(c_.info, "CFBundleVersion") + ")",
                               "Version string");
    updatesNoticeHidden_ = !(c_.updateAvailable && c_.updateAvailable());
    notifyControls();
    if (contentController_->isViewLoaded()) contentController_->viewWillAppear();
}

void GlobalPopoverContent::cleanerListDidChoose(const std::string& token, const std::string&,
                                                const std::string&) {
    if (!delegate_) return;
    delegate_->applyCleaner(token, applyOption_);
    delegate_->closePopover();
}

bool GlobalPopoverContent::cleanerListDidLoad(PLCleanerListViewController& list) {
    list.setListPopupKeyEquivalent("g", ModifierFlags::command);
    return true;
}

void GlobalPopoverContent::cancelOperation() {
    if (delegate_) delegate_->closePopover();
}

void GlobalPopoverContent::actionDisplayAsMenu() {
    if (!delegate_) return;
    delegate_->displayAsMenu();
    delegate_->closePopover();
}

void GlobalPopoverContent::actionQuitApp() {
    if (c_.actions) c_.actions->terminate();
}
