#include "agent/surfaces/PopoverResize.h"

#include <algorithm>

#include "agent/surfaces/PopoverContent.h"

using platform::Point;
using platform::Rect;
using platform::Size;

namespace {

// The lower bound wins over the upper one: content never gets smaller than its minimum, even
// on a screen lower than it.
double clampTo(double value, double low, double high) {
    return std::max(std::min(value, high), low);
}

Size clampSize(Size size, Size min, Size max) {
    return {clampTo(size.width, min.width, max.width),
            clampTo(size.height, min.height, max.height)};
}

}  // namespace

PopoverResize::PopoverResize(Size min, Size max, double bottomHeight, Rect screenVisibleFrame)
    : min_(min), max_(max), bottomHeight_(bottomHeight) {
    if (max_.height == 0) max_.height = screenVisibleFrame.size.height - kScreenMargin;
}

void PopoverResize::setContentViewController(PopoverContent* controller,
                                             std::optional<Size> restoredSize) {
    content_ = controller;
    if (restoredSize)
        contentSize_ = clampSize(*restoredSize, min_, max_);
    else
        contentSize_ = controller ? controller->originalSize() : Size{};
    if (bottomHeight_ == 0) bottomHeight_ = contentSize_.height;
    rebuildTrackingRects();
}

void PopoverResize::rebuildTrackingRects() {
    if (std::all_of(tracks_.begin(), tracks_.end(), [](const auto& t) { return t.has_value(); }))
        tracks_.fill(std::nullopt);
    if (!content_) return;
    const double w = contentSize_.width;
    const double side = bottomHeight_ - CORNER_HIT;
    const std::array<std::pair<Region, Rect>, 5> zones{{
        {Region::Left, {{0, CORNER_HIT}, {SIDES_HIT, side}}},
        {Region::Right, {{w - SIDES_HIT, CORNER_HIT}, {SIDES_HIT, side}}},
        {Region::LeftBottom, {{0, 0}, {CORNER_HIT, CORNER_HIT}}},
        {Region::RightBottom, {{w - CORNER_HIT, 0}, {CORNER_HIT, CORNER_HIT}}},
        {Region::Bottom, {{CORNER_HIT, 0}, {w - 2 * CORNER_HIT, BOTTOM_HIT}}},
    }};
    for (size_t i = 0; i < zones.size(); ++i)
        tracks_[i] = TrackingRect{nextTag_++, zones[i].first, zones[i].second};
}

std::optional<int> PopoverResize::trackingTagAt(Point point) const {
    for (const auto& track : tracks_)
        if (track && track->rect.contains(point)) return track->tag;
    return std::nullopt;
}

PopoverResize::Region PopoverResize::regionForTag(int tag) const {
    for (const auto& track : tracks_)
        if (track && track->tag == tag) return track->zone;
    return Region::None;
}

void PopoverResize::mouseEntered(int trackingNumber) {
    if (region_ != Region::None) return;
    region_ = regionForTag(trackingNumber);
    updateCursor();
}

void PopoverResize::mouseExited(int) {
    if (down_) return;
    region_ = Region::None;
    updateCursor();
}

void PopoverResize::mouseDown(Point screenLocation) {
    size_ = contentSize_;
    down_ = screenLocation;
}

void PopoverResize::mouseDragged(Point screenLocation) {
    if (region_ == Region::None || !size_ || !down_) return;
    double dx = 2 * (screenLocation.x - down_->x);
    if (region_ == Region::Left || region_ == Region::LeftBottom) dx = -dx;
    const double width = clampTo(size_->width + dx, min_.width, max_.width);
    const double height =
        clampTo(size_->height - (screenLocation.y - down_->y), min_.height, max_.height);
    switch (region_) {
        case Region::Left:
        case Region::Right:
            contentSize_.width = width;
            break;
        case Region::Bottom:
            contentSize_.height = height;
            break;
        case Region::LeftBottom:
        case Region::RightBottom:
            contentSize_ = {width, height};
            break;
        case Region::None:
            break;
    }
    updateCursor();
}

void PopoverResize::mouseUp() {
    // A press outside every zone ends here too: a remembered press would keep a later hovered
    // zone from being left and let the next drag resize from it.
    down_.reset();
    size_.reset();
    if (region_ == Region::None) return;
    region_ = Region::None;
    updateCursor();
    rebuildTrackingRects();
}

void PopoverResize::mouseMovedInContent(Point point) {
    const auto tag = trackingTagAt(point);
    if (tag == hoverTag_) return;
    if (hoverTag_) mouseExited(*hoverTag_);
    hoverTag_ = tag;
    if (tag) mouseEntered(*tag);
}

void PopoverResize::mouseLeftContent() {
    if (hoverTag_) mouseExited(*hoverTag_);
    hoverTag_.reset();
}

ResizeCursor PopoverResize::cursorForRegion(Region region) {
    switch (region) {
        case Region::None:
            return ResizeCursor::arrow;
        case Region::Left:
        case Region::Right:
            return ResizeCursor::eastWest;
        case Region::LeftBottom:
            return ResizeCursor::northEastSouthWest;
        case Region::RightBottom:
            return ResizeCursor::northWestSouthEast;
        case Region::Bottom:
            return ResizeCursor::northSouth;
    }
    return ResizeCursor::arrow;
}

std::string PopoverResize::cursorResourceName(ResizeCursor cursor) {
    switch (cursor) {
        case ResizeCursor::arrow:
            return {};
        case ResizeCursor::eastWest:
            return "resizeeastwest_cursor.pdf";
        case ResizeCursor::northEastSouthWest:
            return "resizenortheastsouthwest_cursor.pdf";
        case ResizeCursor::northWestSouthEast:
            return "resizenorthwestsoutheast_cursor.pdf";
        case ResizeCursor::northSouth:
            return "resizenorthsouth_cursor.pdf";
    }
    return {};
}
