#include "platform/linux/QtMenuPresenter.h"

#include <QApplication>
#include <QCursor>
#include <QMenu>

#include "platform/linux/QtMenuRenderer.h"
#include "platform/linux/QtScreenCoordinates.h"

namespace platform {

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
    // The chosen item's action runs from inside exec(), before it returns.
    view.exec(qtPointFromScreen(location, *primary));
    return opened;
}

}  // namespace platform
