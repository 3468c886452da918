#include "platform/linux/QtStatusBar.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include "platform/core/Log.h"
#include "platform/linux/QtStatusItem.h"
#include "platform/workspace/Bundle.h"

namespace platform {

QtStatusBar::QtStatusBar(const Bundle& bundle)
    : QtStatusBar(
          [bundle](const std::string& fileName) { return bundle.pathForResource(fileName, ""); }) {}

QtStatusBar::QtStatusBar(ResourceLookup resources) : resources_(std::move(resources)) {}

std::unique_ptr<StatusItem> QtStatusBar::statusItemWithLength(double) {
    // Tray icons are widgets on X11: a program without the widget toolkit has no status area.
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return nullptr;
    if (!QSystemTrayIcon::isSystemTrayAvailable() && !toldNoTray_) {
        toldNoTray_ = true;
        log("No system tray is visible yet; the status item appears once one starts");
    }
    // Trays size their icons themselves, square: the length has nothing to set here.
    return std::make_unique<QtStatusItem>(resources_);
}

}  // namespace platform
