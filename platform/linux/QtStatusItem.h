#pragma once

#include <QPointer>
#include <QSystemTrayIcon>
#include <memory>

#include "platform/linux/QtStatusBar.h"
#include "platform/ui/StatusItemButton.h"

class QMenu;

namespace platform {

// One icon of a QtStatusBar. A press is handled once the tray's event is over, so an action
// may hide or destroy the item. In menu mode the menu is drawn by the application itself,
// rendered afresh for every opening, next to the icon when the tray tells where it is, else at
// the pointer: D-Bus hosts get no exported menu, since the owner rebuilds it as it opens and it
// may hold a search field.
class QtStatusItem : public StatusItem {
  public:
    explicit QtStatusItem(QtStatusBar::ResourceLookup resources);
    ~QtStatusItem() override;
    QtStatusItem(const QtStatusItem&) = delete;
    QtStatusItem& operator=(const QtStatusItem&) = delete;

    bool setImage(const std::string& imageName) override;
    bool hasImage() const override { return hasImage_; }
    void setAction(std::function<void()> action) override;
    void setMenu(Menu* menu, std::function<void()> menuNeedsUpdate) override;
    Menu* menu() const override { return button_.menu(); }
    std::optional<Rect> buttonFrame() const override;

    // For tests and diagnostics: the icon, and the menu while it is open.
    QSystemTrayIcon& trayIcon() { return *tray_; }
    QMenu* openMenu() const;

  private:
    void pressed(QSystemTrayIcon::ActivationReason reason);
    void showMenu(Menu& menu);
    void closeMenu();

    QtStatusBar::ResourceLookup resources_;
    // Receives the tray's signals; going first with the item drops what is still queued.
    std::unique_ptr<QObject> context_;
    std::unique_ptr<QSystemTrayIcon> tray_;
    QPointer<QMenu> menu_;
    // Menu items whose actions run right now.
    std::shared_ptr<int> performing_ = std::make_shared<int>(0);
    StatusItemButton button_;
    bool hasImage_ = false;
};

}  // namespace platform
