#pragma once

#include <string>

namespace platform {

// Screen geometry in the OS's convention: points, origin at the bottom-left of the primary
// screen, y growing upwards. Views on Linux flip y at their edge.
struct Point {
    double x = 0;
    double y = 0;
    friend bool operator==(const Point&, const Point&) = default;
};

struct Size {
    double width = 0;
    double height = 0;
    friend bool operator==(const Size&, const Size&) = default;
};

struct Rect {
    Point origin;
    Size size;
    friend bool operator==(const Rect&, const Rect&) = default;

    double minX() const { return origin.x; }
    double minY() const { return origin.y; }
    double maxX() const { return origin.x + size.width; }
    double maxY() const { return origin.y + size.height; }
    bool contains(Point p) const {
        return p.x >= minX() && p.x < maxX() && p.y >= minY() && p.y < maxY();
    }
};

// The OS's size strings: "{w, h}" with the shortest form of each number ("{320, 480.5}").
std::string stringFromSize(Size size);
// Reads what stringFromSize writes, leniently as the OS does: missing or unreadable numbers
// read as 0, so "" gives a zero size.
Size sizeFromString(const std::string& text);

}  // namespace platform
