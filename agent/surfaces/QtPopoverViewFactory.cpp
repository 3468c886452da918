#include "agent/surfaces/QtPopoverViewFactory.h"

#include <QGuiApplication>
#include <QScreen>

#include "agent/surfaces/GlobalPopoverContent.h"
#include "agent/surfaces/GlobalPopoverView.h"
#include "agent/surfaces/PopoverWindow.h"

std::unique_ptr<PopoverView> QtPopoverViewFactory::makePopoverView(PopoverLayout layout,
                                                                   PopoverContent& content) {
    // The status bar only ever hands over the agent's own content controllers.
    auto& global = static_cast<GlobalPopoverContent&>(content);
    auto* view = new GlobalPopoverView(layout, global);
    auto window = std::make_unique<PopoverWindow>(view);
    window->setCancelHandler([&global] { global.cancelOperation(); });
    window->adjustSize();
    return window;
}

platform::Rect QtPopoverViewFactory::mainScreenVisibleFrame() const {
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return {};
    const QRect full = screen->geometry();
    const QRect area = screen->availableGeometry();
    // The OS's coordinates: y grows upwards from the bottom of the primary screen.
    return {{static_cast<double>(area.x()),
             static_cast<double>(full.height() - (area.y() + area.height()))},
            {static_cast<double>(area.width()), static_cast<double>(area.height())}};
}
