#include "platform/linux/QtMenuPresenter.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>
#include <QTimer>
#include <QWindow>

#include "platform/linux/QtMenuRenderer.h"
#include "platform/linux/QtScreenCoordinates.h"

namespace platform {

namespace {

constexpr int kKeyboardGrabInterval = 50;  // ms
constexpr int kKeyboardGrabAttempts = 100;

}  // namespace

Point QtMenuPresenter::mouseLocation() const {
    const auto primary = primaryScreenGeometry();
    if (!primary) return {};
    return screenPointFromQt(QCursor::pos(), *primary);
}

bool QtMenuPresenter::popUpMenu(Menu& menu, Point location) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) return false;
    const auto primary = primaryScreenGeometry();
    if (!primary) return false;
    QMenu view;
    renderMenu(menu, view);
    bool opened = false;
    QObject::connect(&view, &QMenu::aboutToShow, &view, [&opened] { opened = true; });
    // A hot key that opens the menu still holds the keyboard (its passive grab lasts until the
    // key goes up), so the menu's own grab can fail at first and its keys would go to the
    // application in front. Ask again until the menu has the keyboard, for a while.
    QTimer grab;
    int attempts = 0;
    QObject::connect(&grab, &QTimer::timeout, &view, [&] {
        QWindow* window = view.windowHandle();
        if ((window && view.isVisible() && window->setKeyboardGrabEnabled(true)) ||
            ++attempts > kKeyboardGrabAttempts)
            grab.stop();
    });
    grab.start(kKeyboardGrabInterval);
    // The chosen item's action runs from inside exec(), before it returns.
    view.exec(qtPointFromScreen(location, *primary));
    return opened;
}

}  // namespace platform
