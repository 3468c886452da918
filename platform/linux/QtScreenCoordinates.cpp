#include "platform/linux/QtScreenCoordinates.h"

#include <QGuiApplication>
#include <QScreen>
#include <cmath>

namespace platform {

namespace {

// The primary screen's bottom edge in Qt's coordinates: y 0 of the OS's screen coordinates.
double baseline(const QRect& primary) {
    return static_cast<double>(primary.y()) + primary.height();
}

}  // namespace

Point screenPointFromQt(QPointF point, const QRect& primary) {
    return {point.x(), baseline(primary) - point.y()};
}

QPoint qtPointFromScreen(Point point, const QRect& primary) {
    return {static_cast<int>(std::lround(point.x)),
            static_cast<int>(std::lround(baseline(primary) - point.y))};
}

Rect screenRectFromQt(const QRect& rect, const QRect& primary) {
    const double bottom = static_cast<double>(rect.y()) + rect.height();
    return {{static_cast<double>(rect.x()), baseline(primary) - bottom},
            {static_cast<double>(rect.width()), static_cast<double>(rect.height())}};
}

std::optional<QRect> primaryScreenGeometry() {
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return std::nullopt;
    return screen->geometry();
}

}  // namespace platform
