#pragma once

#include <optional>

#include <QPoint>
#include <QRect>

#include "platform/ui/Geometry.h"

namespace platform {

// Between Qt's global coordinates (origin at the top-left, y down) and the OS's screen
// coordinates (origin at the bottom-left of the primary screen, y up). `primary` is the primary
// screen's geometry in Qt's coordinates.
Point screenPointFromQt(QPointF point, const QRect& primary);
QPoint qtPointFromScreen(Point point, const QRect& primary);
Rect screenRectFromQt(const QRect& rect, const QRect& primary);

// The application's primary screen geometry; nothing when it has no screen.
std::optional<QRect> primaryScreenGeometry();

}  // namespace platform
