// The popover's drag zones and resize arithmetic: the zone table, the clamped restore, drags on
// each edge and corner within [min, max], and the hover and press states.

#include "agent/surfaces/PopoverResize.h"

#include "tests/agent/surfaces/SurfacesFixture.h"

using namespace platform;
using namespace surfacestest;
using Region = PopoverResize::Region;

namespace {

const Rect kScreen{{0, 0}, {1440, 875}};
const Size kNatural{320, 480};

// A popover as the status bar makes it: minimum the natural size, maximum 900 wide and as high
// as the screen allows.
struct Popover {
    explicit Popover(std::optional<Size> restored = std::nullopt)
        : content(kNatural), resize(kNatural, {900, 0}, 0, kScreen) {
        resize.setContentViewController(&content, restored);
    }
    int tagOf(Region zone) const {
        for (const auto& t : resize.trackingRects())
            if (t && t->zone == zone) return t->tag;
        return -1;
    }
    // Presses in `zone`, drags by (dx, dy) in screen points, releases.
    void drag(Region zone, double dx, double dy) {
        resize.mouseEntered(tagOf(zone));
        resize.mouseDown({500, 500});
        resize.mouseDragged({500 + dx, 500 + dy});
    }
    FakeContent content;
    PopoverResize resize;
};

TEST(PopoverResize, MaximumHeightZeroIsTheVisibleScreenLessTwentyFive) {
    EXPECT_EQ(PopoverResize(kNatural, {900, 0}, 0, kScreen).maxSize(), (Size{900, 850}));
    EXPECT_EQ(PopoverResize(kNatural, {900, 600}, 0, kScreen).maxSize(), (Size{900, 600}));
    EXPECT_EQ(PopoverResize(kNatural, {900, 0}, 0, kScreen).bottomHeight(), 0);
    EXPECT_EQ(PopoverResize(kNatural, {900, 0}, 100, kScreen).bottomHeight(), 100);
}

TEST(PopoverResize, RestoredSizeIsClampedAndNoneGivesTheNaturalSize) {
    const struct {
        const char* name;
        std::optional<Size> restored;
        Size expected;
    } cases[] = {
        {"none", std::nullopt, kNatural},
        {"inside", Size{500, 600}, {500, 600}},
        {"too large", Size{2000, 2000}, {900, 850}},
        {"too small", Size{100, 100}, kNatural},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Popover p(c.restored);
        EXPECT_EQ(p.resize.contentSize(), c.expected);
        // The side zones reach as high as the content was when set up.
        EXPECT_EQ(p.resize.bottomHeight(), c.expected.height);
    }
}

TEST(PopoverResize, FiveZonesAlongTheSidesBottomAndCorners) {
    Popover p;
    const double W = 320, H = 480;
    const struct {
        Region zone;
        Rect rect;
    } expected[] = {
        {Region::Left, {{0, 8}, {4, H - 8}}},    {Region::Right, {{W - 4, 8}, {4, H - 8}}},
        {Region::LeftBottom, {{0, 0}, {8, 8}}},  {Region::RightBottom, {{W - 8, 0}, {8, 8}}},
        {Region::Bottom, {{8, 0}, {W - 16, 4}}},
    };
    const auto& rects = p.resize.trackingRects();
    for (size_t i = 0; i < 5; ++i) {
        ASSERT_TRUE(rects[i]);
        EXPECT_EQ(rects[i]->zone, expected[i].zone);
        EXPECT_EQ(rects[i]->rect, expected[i].rect);
        EXPECT_EQ(p.resize.regionForTag(rects[i]->tag), expected[i].zone);
    }

    const struct {
        Point point;
        Region zone;
    } points[] = {
        {{1, 200}, Region::Left},        {{318, 200}, Region::Right}, {{2, 2}, Region::LeftBottom},
        {{316, 1}, Region::RightBottom}, {{160, 3}, Region::Bottom},  {{160, 5}, Region::None},
        {{160, 200}, Region::None},
    };
    for (const auto& c : points) {
        const auto tag = p.resize.trackingTagAt(c.point);
        EXPECT_EQ(tag ? p.resize.regionForTag(*tag) : Region::None, c.zone)
            << c.point.x << "," << c.point.y;
    }

    PopoverResize empty(kNatural, {900, 0}, 0, kScreen);
    empty.setContentViewController(nullptr, std::nullopt);
    for (const auto& t : empty.trackingRects()) EXPECT_FALSE(t);
}

TEST(PopoverResize, DragsWidenSymmetricallyAndLengthenDownwardsWithinTheLimits) {
    const struct {
        const char* name;
        Region zone;
        double dx, dy;
        Size expected;
    } cases[] = {
        {"left edge 10 out", Region::Left, -10, 0, {340, 480}},
        {"left edge 10 in", Region::Left, 10, 0, {320, 480}},  // not below the minimum
        {"right edge 10 out", Region::Right, 10, 30, {340, 480}},
        {"left edge far out", Region::Left, -1000, 0, {900, 480}},
        {"bottom 50 down", Region::Bottom, 40, -50, {320, 530}},
        {"bottom below the screen", Region::Bottom, 0, -2000, {320, 850}},
        {"bottom up past the minimum", Region::Bottom, 0, 100, {320, 480}},
        {"left-bottom corner", Region::LeftBottom, -5, -20, {330, 500}},
        {"right-bottom corner", Region::RightBottom, 5, -20, {330, 500}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Popover p;
        p.drag(c.zone, c.dx, c.dy);
        EXPECT_EQ(p.resize.contentSize(), c.expected);
    }
}

TEST(PopoverResize, CursorFollowsTheZone) {
    const struct {
        Region zone;
        ResizeCursor cursor;
    } cases[] = {
        {Region::Left, ResizeCursor::eastWest},
        {Region::Right, ResizeCursor::eastWest},
        {Region::LeftBottom, ResizeCursor::northEastSouthWest},
        {Region::RightBottom, ResizeCursor::northWestSouthEast},
        {Region::Bottom, ResizeCursor::northSouth},
    };
    for (const auto& c : cases) {
        Popover p;
        p.resize.mouseEntered(p.tagOf(c.zone));
        EXPECT_EQ(p.resize.region(), c.zone);
        EXPECT_EQ(p.resize.cursor(), c.cursor);
        p.resize.mouseExited(p.tagOf(c.zone));
        EXPECT_EQ(p.resize.cursor(), ResizeCursor::arrow);
    }
    EXPECT_EQ(PopoverResize::cursorResourceName(ResizeCursor::northSouth),
              "resizenorthsouth_cursor.pdf");
}

TEST(PopoverResize, ADragKeepsItsZoneUntilReleaseThenTheZonesFollowTheNewSize) {
    Popover p;
    p.drag(Region::Right, 40, 0);
    // Entering another zone or leaving this one mid-drag changes nothing.
    p.resize.mouseEntered(p.tagOf(Region::Bottom));
    p.resize.mouseExited(p.tagOf(Region::Right));
    EXPECT_EQ(p.resize.region(), Region::Right);
    p.resize.mouseDragged({560, 500});
    EXPECT_EQ(p.resize.contentSize(), (Size{440, 480}));

    const int oldTag = p.tagOf(Region::Right);
    p.resize.mouseUp();
    EXPECT_EQ(p.resize.region(), Region::None);
    EXPECT_EQ(p.resize.cursor(), ResizeCursor::arrow);
    EXPECT_FALSE(p.resize.downLocation());
    EXPECT_NE(p.tagOf(Region::Right), oldTag);
    EXPECT_EQ(p.resize.trackingRects()[1]->rect.origin.x, 440 - 4);

    // No zone, no resize.
    p.resize.mouseDown({500, 500});
    p.resize.mouseDragged({600, 400});
    EXPECT_EQ(p.resize.contentSize(), (Size{440, 480}));
}

TEST(PopoverResize, APressOutsideTheZonesDoesNotArmALaterDrag) {
    Popover p;
    p.resize.mouseDown({100, 100});
    p.resize.mouseUp();
    p.resize.mouseEntered(p.tagOf(Region::Left));
    p.resize.mouseExited(p.tagOf(Region::Left));
    EXPECT_EQ(p.resize.region(), Region::None);
}

TEST(PopoverResize, PointerMovesInTheContentEnterAndLeaveZones) {
    Popover p;
    p.resize.mouseMovedInContent({1, 200});
    EXPECT_EQ(p.resize.region(), Region::Left);
    p.resize.mouseMovedInContent({2, 210});
    EXPECT_EQ(p.resize.region(), Region::Left);
    p.resize.mouseMovedInContent({160, 2});
    EXPECT_EQ(p.resize.region(), Region::Bottom);
    p.resize.mouseMovedInContent({160, 200});
    EXPECT_EQ(p.resize.region(), Region::None);
    p.resize.mouseMovedInContent({318, 200});
    p.resize.mouseLeftContent();
    EXPECT_EQ(p.resize.region(), Region::None);
}

}  // namespace
