// Regions: the pixel sets that clip fills and remember clickable shapes.
#include <gtest/gtest.h>

#include <limits>

#include "platform/region.h"

TEST(Region, RectanglesLeaveOutRightAndBottomAndAreNormalised)
{
    const Region r(TRect{10, 20, 15, 30});
    EXPECT_TRUE(r.Contains(10, 20));
    EXPECT_TRUE(r.Contains(14, 29));
    EXPECT_FALSE(r.Contains(15, 25));
    EXPECT_FALSE(r.Contains(12, 30));
    EXPECT_EQ(r.BoundingRect(), (TRect{10, 20, 15, 30}));
    EXPECT_EQ(Region(TRect{15, 30, 10, 20}), r);
    EXPECT_TRUE(Region(TRect{5, 5, 5, 9}).IsEmpty());
    EXPECT_EQ(Region().BoundingRect(), TRect{});
}

TEST(Region, PolygonsUseTheAlternateFillRule)
{
    // A square with a second, inner square traced in the same polygon: the
    // inner one is crossed twice and stays outside under the alternate rule.
    const std::vector<TPoint> ring = {{0, 0}, {30, 0}, {30, 30}, {0, 30}, {0, 0},
                                      {10, 10}, {20, 10}, {20, 20}, {10, 20}, {10, 10}};
    const Region r = Region::FromPolygon(ring);
    EXPECT_TRUE(r.Contains(5, 5));
    EXPECT_FALSE(r.Contains(15, 15));
    EXPECT_TRUE(r.Contains(25, 25));
    // Right and bottom edges are left out as for rectangles.
    const Region sq = Region::FromPolygon(std::vector<TPoint>{{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    EXPECT_EQ(sq, Region(TRect{0, 0, 10, 10}));
    EXPECT_TRUE(Region::FromPolygon(std::vector<TPoint>{{0, 0}, {10, 0}}).IsEmpty());
}

TEST(Region, CombineAndOffset)
{
    const Region a(TRect{0, 0, 10, 10});
    const Region b(TRect{5, 5, 15, 15});
    EXPECT_TRUE(a.United(b).Contains(14, 14));
    EXPECT_TRUE(a.Intersected(b).Contains(7, 7));
    EXPECT_FALSE(a.Intersected(b).Contains(2, 2));
    EXPECT_FALSE(a.Subtracted(b).Contains(7, 7));
    EXPECT_TRUE(a.Subtracted(b).Contains(2, 2));
    EXPECT_FALSE(a.Xored(b).Contains(7, 7));
    EXPECT_TRUE(a.Xored(b).Contains(12, 12));
    Region c = a;
    c.Offset(100, 50);
    EXPECT_TRUE(c.Contains(100, 50));
    EXPECT_FALSE(c.Contains(0, 0));
    EXPECT_TRUE(a.Contains(0, 0));  // copies are independent
    EXPECT_EQ(c.Offsetted(-100, -50), a);
    EXPECT_NE(a, b);
}

TEST(Region, FrameBandLiesInsideTheRegion)
{
    // An L shape: the band follows every edge, inside.
    Region l(TRect{0, 0, 10, 20});
    l.Unite(Region(TRect{10, 10, 20, 20}));
    const Region band = l.FrameBand();
    EXPECT_TRUE(band.Subtracted(l).IsEmpty());
    EXPECT_TRUE(band.Contains(0, 5));
    EXPECT_TRUE(band.Contains(9, 5));    // the inner edge of the upright
    EXPECT_TRUE(band.Contains(15, 10));  // top of the foot
    EXPECT_TRUE(band.Contains(19, 15));
    EXPECT_FALSE(band.Contains(5, 5));
    EXPECT_FALSE(band.Contains(15, 15));
    const Region thick = Region(TRect{0, 0, 10, 10}).FrameBand(2, 3);
    EXPECT_TRUE(thick.Contains(1, 5));
    EXPECT_FALSE(thick.Contains(2, 5));
    EXPECT_TRUE(thick.Contains(5, 2));
    EXPECT_FALSE(thick.Contains(5, 3));
}

TEST(Region, RectsListTheRegion)
{
    Region r(TRect{0, 0, 4, 2});
    r.Unite(Region(TRect{0, 2, 2, 4}));
    const auto rects = r.Rects();
    ASSERT_EQ(rects.size(), 2u);
    EXPECT_EQ(rects[0], (TRect{0, 0, 4, 2}));
    EXPECT_EQ(rects[1], (TRect{0, 2, 2, 4}));
}

TEST(Region, HugeCoordinatesAreClippedNotTrusted)
{
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();
    const Region r(TRect{kMin, kMin, kMax, kMax});
    EXPECT_TRUE(r.Contains(0, 0));
    EXPECT_TRUE(r.Contains(-1000000, 1000000));
    // Polygons reaching the ends of the range are cut to the region range, so
    // building them neither overflows nor walks four billion rows; the part
    // near the devices keeps its shape (the slanted edge still crosses x = 0
    // at the middle row).
    const Region flat = Region::FromPolygon(std::vector<TPoint>{{kMin, 0}, {kMax, 0}, {kMax, 100}});
    EXPECT_TRUE(flat.Contains(10, 40));
    EXPECT_FALSE(flat.Contains(-10, 60));
    const Region tall = Region::FromPolygon(std::vector<TPoint>{{0, kMin}, {10, kMin}, {10, kMax}, {0, kMax}});
    EXPECT_TRUE(tall.Contains(5, 20000));
    EXPECT_TRUE(tall.Contains(5, -20000));
    Region moved = r;
    moved.Offset(kMax, kMax);
    EXPECT_FALSE(moved.IsEmpty());
}

TEST(Region, PolygonKeptToABoxIsTheVisiblePartOfThePolygon)
{
    // A slanted triangle reaching far off a small device: built within the
    // device it holds exactly the device's part of the whole polygon, and the
    // rows off the device are never walked.
    const std::vector<TPoint> tri = {{-6000, -6000}, {6000, -5000}, {100, 6000}};
    const TRect device{0, 0, 2000, 2828};
    const Region kept = Region::FromPolygon(tri, device);
    const Region whole = Region::FromPolygon(tri).Intersected(Region(device));
    std::size_t differing = 0;
    for (std::int32_t y = 0; y < 2828; y += 11)
        for (std::int32_t x = 0; x < 2000; x += 13)
            differing += kept.Contains(x, y) != whole.Contains(x, y);
    EXPECT_EQ(differing, 0u);
    EXPECT_EQ(kept.BoundingRect(), whole.BoundingRect());
    EXPECT_TRUE(Region::FromPolygon(tri, TRect{30000, 0, 30010, 10}).IsEmpty());
    EXPECT_TRUE(Region::FromPolygon(tri, TRect{5, 5, 5, 50}).IsEmpty());
}
