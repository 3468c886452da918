#pragma once

#include <array>
#include <optional>
#include <string>

#include "platform/ui/Geometry.h"

class PopoverContent;

// Which resize cursor shows over a drag zone.
enum class ResizeCursor : int {
    arrow,
    eastWest,
    northEastSouthWest,
    northWestSouthEast,
    northSouth,
};

// The resize arithmetic of the popover: five drag zones along its left, right and bottom edges
// and bottom corners, the drag that widens symmetrically (the popover stays centred under its
// icon) and lengthens downwards, clamped to a minimum and maximum content size. The view
// forwards pointer events here and applies contentSize() and cursor(). Coordinates follow the
// OS: content-view points with the origin bottom-left, screen points with y growing upwards.
class PopoverResize {
  public:
    static constexpr double SIDES_HIT = 4.0;
    static constexpr double BOTTOM_HIT = 4.0;
    static constexpr double CORNER_HIT = 8.0;
    // Room kept below a popover as tall as the screen.
    static constexpr double kScreenMargin = 25.0;
    // The resource names of the cursors (bundle images) and their hot spot.
    static constexpr double kCursorHotSpot = 9.0;

    enum class Region : int {
        None = 0,
        Left = 1,
        LeftBottom = 2,
        Bottom = 3,
        Right = 4,
        RightBottom = 5
    };

    struct TrackingRect {
        int tag = 0;
        Region zone = Region::None;
        platform::Rect rect;
    };

    // A maximum height of 0 means the screen's visible height less 25. `bottomHeight` 0 takes
    // the content height when the content is set.
    PopoverResize(platform::Size min, platform::Size max, double bottomHeight,
                  platform::Rect screenVisibleFrame);

    // Sets the content; its size is `restoredSize` clamped to [min, max], or the controller
    // view's size when none is given. Rebuilds the drag zones.
    void setContentViewController(PopoverContent* controller,
                                  std::optional<platform::Size> restoredSize);
    PopoverContent* contentViewController() const { return content_; }

    platform::Size contentSize() const { return contentSize_; }
    platform::Size minSize() const { return min_; }
    platform::Size maxSize() const { return max_; }
    double bottomHeight() const { return bottomHeight_; }
    Region region() const { return region_; }
    ResizeCursor cursor() const { return cursor_; }
    const std::optional<platform::Point>& downLocation() const { return down_; }

    // The five zones, empty while there is no content.
    const std::array<std::optional<TrackingRect>, 5>& trackingRects() const { return tracks_; }
    // The zone's tag under `point` (content coordinates); nothing outside every zone.
    std::optional<int> trackingTagAt(platform::Point point) const;
    Region regionForTag(int tag) const;

    // The OS's tracking events.
    void mouseEntered(int trackingNumber);
    void mouseExited(int trackingNumber);
    // Screen locations.
    void mouseDown(platform::Point screenLocation);
    void mouseDragged(platform::Point screenLocation);
    void mouseUp();

    // For views without tracking areas: the pointer moved to `point` (content coordinates)
    // without a button held; sends the entered and exited events its zones would.
    void mouseMovedInContent(platform::Point point);
    // The pointer left the content view.
    void mouseLeftContent();

    static ResizeCursor cursorForRegion(Region region);
    // "resizeeastwest_cursor.pdf" and the like; empty for the arrow, which is the system's.
    static std::string cursorResourceName(ResizeCursor cursor);

  private:
    void rebuildTrackingRects();
    void updateCursor() { cursor_ = cursorForRegion(region_); }

    platform::Size min_;
    platform::Size max_;
    double bottomHeight_ = 20.0;
    platform::Size contentSize_;
    PopoverContent* content_ = nullptr;
    Region region_ = Region::None;
    ResizeCursor cursor_ = ResizeCursor::arrow;
    std::optional<platform::Point> down_;
    std::optional<platform::Size> size_;
    // Left, right, left-bottom, right-bottom, bottom.
    std::array<std::optional<TrackingRect>, 5> tracks_;
    int nextTag_ = 1;
    std::optional<int> hoverTag_;
};
