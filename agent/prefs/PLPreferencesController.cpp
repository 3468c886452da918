#include "agent/prefs/PLPreferencesController.h"

#include <algorithm>

#include "platform/workspace/Localization.h"

using namespace platform;

PLPreferencesController::PLPreferencesController(Panes viewControllers, UserDefaults& defaults,
                                                 WindowMaker makeWindow)
    : viewControllers_(std::move(viewControllers)),
      defaults_(defaults),
      makeWindow_(std::move(makeWindow)) {}

PLPreferencesController::~PLPreferencesController() = default;

std::string PLPreferencesController::settingsWord() {
    return localized("Settings", "Pref name");
}

Rect PLPreferencesController::frameForPane(const Rect& frame, Size contentSize, Size paneSize) {
    // The window's own decoration (title bar, toolbar) stays; only the content changes.
    const Size size{paneSize.width + (frame.size.width - contentSize.width),
                    paneSize.height + (frame.size.height - contentSize.height)};
    return Rect{{frame.origin.x, frame.maxY() - size.height}, size};
}

PLPreferencesWindow* PLPreferencesController::window() {
    if (window_ || loadingWindow_ || !makeWindow_) return window_.get();
    loadingWindow_ = true;
    window_ = makeWindow_(*this);
    loadingWindow_ = false;
    if (!window_) return nullptr;
    installToolbar();
    windowDidLoad();
    selectPreviousController();
    return window_.get();
}

void PLPreferencesController::installToolbar() {
    std::vector<PLPrefsToolbarItem> items;
    for (const std::string& id : toolbarItemIdentifiers())
        if (auto item = toolbarItem(id)) items.push_back(std::move(*item));
    window_->setToolbar(kToolbarIdentifier, items);
}

void PLPreferencesController::showMainWindow() {
    PLPreferencesWindow* w = window();
    if (!w) return;
    // Each time the window comes back the shown pane appears again and re-reads its state.
    if (!w->isVisible() && selected_) selected_->viewWillAppear();
    w->makeKeyAndOrderFront();
}

void PLPreferencesController::showPanelWithNamed(const std::string& name) {
    std::string identifier = name;
    const std::string prefix = kPanelPrefix;
    if (identifier.starts_with(prefix)) identifier.erase(0, prefix.size());
    PLPrefsViewController* pane = viewControllerFor(identifier);
    if (!pane) return;
    showMainWindow();
    select(pane);
}

void PLPreferencesController::selectWithIdentifier(const std::string& identifier) {
    PLPrefsViewController* pane = viewControllerFor(identifier);
    select(pane ? pane : viewControllerFor(generalPrefsIdentifier_));
}

void PLPreferencesController::resetViewControllers(Panes viewControllers,
                                                   const std::string& currentID) {
    // The old panes live until the window has let go of their views.
    Panes old = std::move(viewControllers_);
    viewControllers_ = std::move(viewControllers);
    select(firstViewController());
    if (window_) installToolbar();
    PLPrefsViewController* current = viewControllerFor(currentID);
    select(current ? current : firstViewController());
    for (auto& pane : old) {
        // A pane that refused to be left stays shown, so it stays alive.
        if (pane.get() == selected_)
            retainedSelection_ = std::move(pane);
        else if (window_)
            window_->forgetPane(*pane);
    }
}

void PLPreferencesController::selectPreviousController() {
    PLPrefsViewController* pane = viewControllerFor(selectedTabIdentifier());
    select(pane ? pane : firstViewController());
}

void PLPreferencesController::select(PLPrefsViewController* pane) {
    if (!pane || pane == selected_) return;
    PLPreferencesWindow* w = window();
    if (!w) return;
    if (selected_) {
        if (!selected_->commitEditing()) {
            w->setSelectedToolbarItem(selectedItemIdentifier_);
            return;
        }
        selected_->viewWillDisappear();
        w->showEmptyContent();
        selected_ = nullptr;
        if (retainedSelection_) {
            w->forgetPane(*retainedSelection_);
            retainedSelection_.reset();
        }
    }

    w->setTitle(!title_.empty() ? title_ : pane->itemLabel() + " " + settingsWord());

    selectedItemIdentifier_ = pane->itemIdentifier();
    w->setSelectedToolbarItem(selectedItemIdentifier_);
    defaults_.setString(kSelectedIdentifierKey, pane->prefIdentifier());

    const Size paneSize = w->paneViewSize(*pane);
    w->setFrame(frameForPane(w->frame(), w->contentSize(), paneSize), /*animate=*/true);

    selected_ = pane;
    pane->viewWillAppear();
    w->showPane(*pane);
}

PLPrefsViewController* PLPreferencesController::firstViewController() const {
    return viewControllers_.empty() ? nullptr : viewControllers_.front().get();
}

PLPrefsViewController* PLPreferencesController::viewControllerFor(
    const std::string& prefIdentifier) const {
    for (const auto& pane : viewControllers_)
        if (pane->prefIdentifier() == prefIdentifier) return pane.get();
    return nullptr;
}

PLPrefsViewController* PLPreferencesController::viewControllerForToolbarID(
    const std::string& itemIdentifier) const {
    for (const auto& pane : viewControllers_)
        if (pane->itemIdentifier() == itemIdentifier) return pane.get();
    return nullptr;
}

std::string PLPreferencesController::selectedTabIdentifier() const {
    return defaults_.stringForKey(kSelectedIdentifierKey).value_or("");
}

std::vector<std::string> PLPreferencesController::toolbarItemIdentifiers() const {
    std::vector<std::string> ids;
    for (const auto& pane : viewControllers_) ids.push_back(pane->itemIdentifier());
    return ids;
}

std::optional<PLPrefsToolbarItem> PLPreferencesController::toolbarItem(
    const std::string& itemIdentifier) const {
    PLPrefsViewController* pane = viewControllerForToolbarID(itemIdentifier);
    if (!pane) return std::nullopt;
    // The develop switch shows the bundle's own images, to check them.
    std::optional<std::string> symbol = pane->imageName11();
    if (defaults_.boolForKey(kDisableNonSystemPrefIcons)) symbol.reset();
    return PLPrefsToolbarItem{itemIdentifier, pane->itemLabel(), pane->imageName(), symbol};
}

void PLPreferencesController::toolbarItemDidClick(const std::string& itemIdentifier) {
    select(viewControllerFor(itemIdentifier));
}

bool PLPreferencesController::windowShouldClose() {
    return selected_ ? selected_->commitEditing() : true;
}

void PLPreferencesController::windowWillClose() {
    if (selected_) selected_->viewWillDisappear();
}
