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

// As the status bar makes it: minimum the natural size, maximum 900 wide and screen high.
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
    // Enters `zone`, presses and drags by (dx, dy) screen points.
    void drag(Region zone, double dx, double dy) {
        resize.mouseEntered(tagOf(zone));
        resize.mouseDown({500, 500});
        resize.mouseDragged({500 + dx, 500 + dy});
    }
    FakeContent content;
    PopoverResize resize;
};

TEST(PopoverResize, RestoredSizeIsClampedBetweenNaturalSizeAndScreen) {
    EXPECT_EQ(PopoverResize(kNatural, {900, 600}, 0, kScreen).maxSize(), (Size{900, 600}));
    const struct {
        std::optional<Size> restored;
        Size expected;
    } cases[] = {
        {std::nullopt, kNatural},
        {Size{500, 600}, {500, 600}},
        {Size{2000, 2000}, {900, 850}},  // visible height less 25
        {Size{100, 100}, kNatural},
    };
    for (const auto& c : cases) {
        Popover p(c.restored);
        EXPECT_EQ(p.resize.contentSize(), c.expected);
        EXPECT_EQ(p.resize.bottomHeight(), c.expected.height);  // the side zones' top
    }
}

TEST(PopoverResize, FiveZonesAlongTheSidesBottomAndCorners) {
    Popover p;
    const struct {
        Region zone;
        Rect rect;
        Point inside;
    } expected[] = {
        {Region::Left, {{0, 8}, {4, 472}}, {1, 200}},
        {Region::Right, {{316, 8}, {4, 472}}, {318, 200}},
        {Region::LeftBottom, {{0, 0}, {8, 8}}, {2, 2}},
        {Region::RightBottom, {{312, 0}, {8, 8}}, {316, 1}},
        {Region::Bottom, {{8, 0}, {304, 4}}, {160, 3}},
    };
    for (size_t i = 0; i < 5; ++i) {
        const auto& track = p.resize.trackingRects()[i];
        ASSERT_TRUE(track);
        EXPECT_EQ(track->zone, expected[i].zone);
        EXPECT_EQ(track->rect, expected[i].rect);
        EXPECT_EQ(p.resize.trackingTagAt(expected[i].inside), track->tag);
    }
    EXPECT_FALSE(p.resize.trackingTagAt({160, 5}));

    PopoverResize empty(kNatural, {900, 0}, 0, kScreen);
    empty.setContentViewController(nullptr, std::nullopt);
    EXPECT_FALSE(empty.trackingRects()[0]);
}

TEST(PopoverResize, DragsWidenSymmetricallyAndLengthenDownwardsWithinTheLimits) {
    const struct {
        const char* name;
        Region zone;
        double dx, dy;
        Size expected;
        ResizeCursor cursor;
    } cases[] = {
        {"left 10 out", Region::Left, -10, 0, {340, 480}, ResizeCursor::eastWest},
        {"left 10 in", Region::Left, 10, 0, {320, 480}, ResizeCursor::eastWest},
        {"right 10 out", Region::Right, 10, 30, {340, 480}, ResizeCursor::eastWest},
        {"left far out", Region::Left, -1000, 0, {900, 480}, ResizeCursor::eastWest},
        {"bottom 50 down", Region::Bottom, 40, -50, {320, 530}, ResizeCursor::northSouth},
        {"bottom off screen", Region::Bottom, 0, -2000, {320, 850}, ResizeCursor::northSouth},
        {"bottom up", Region::Bottom, 0, 100, {320, 480}, ResizeCursor::northSouth},
        {"left-bottom", Region::LeftBottom, -5, -20, {330, 500}, ResizeCursor::northEastSouthWest},
        {"right-bottom", Region::RightBottom, 5, -20, {330, 500}, ResizeCursor::northWestSouthEast},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Popover p;
        p.drag(c.zone, c.dx, c.dy);
        EXPECT_EQ(p.resize.contentSize(), c.expected);
        EXPECT_EQ(p.resize.cursor(), c.cursor);
    }
}

TEST(PopoverResize, ADragKeepsItsZoneUntilReleaseThenTheZonesFollowTheNewSize) {
    Popover p;
    p.drag(Region::Right, 40, 0);
    p.resize.mouseEntered(p.tagOf(Region::Bottom));
    p.resize.mouseExited(p.tagOf(Region::Right));
    EXPECT_EQ(p.resize.region(), Region::Right);
    p.resize.mouseUp();
    EXPECT_EQ(p.resize.region(), Region::None);
    EXPECT_EQ(p.resize.cursor(), ResizeCursor::arrow);
    EXPECT_EQ(p.resize.trackingRects()[1]->rect.origin.x, 400 - 4);

    // A press outside the zones neither resizes nor keeps a hovered zone from being left.
    p.resize.mouseDown({100, 100});
    p.resize.mouseDragged({300, 0});
    p.resize.mouseUp();
    p.resize.mouseEntered(p.tagOf(Region::Left));
    p.resize.mouseExited(p.tagOf(Region::Left));
    EXPECT_EQ(p.resize.region(), Region::None);
    EXPECT_EQ(p.resize.contentSize(), (Size{400, 480}));
}

TEST(PopoverResize, PointerMovesInTheContentEnterAndLeaveZones) {
    Popover p;
    const struct {
        Point point;
        Region region;
    } moves[] = {{{1, 200}, Region::Left},
                 {{160, 2}, Region::Bottom},
                 {{160, 200}, Region::None},
                 {{318, 200}, Region::Right}};
    for (const auto& m : moves) {
        p.resize.mouseMovedInContent(m.point);
        EXPECT_EQ(p.resize.region(), m.region);
    }
    p.resize.mouseLeftContent();
    EXPECT_EQ(p.resize.region(), Region::None);
}

}  // namespace
