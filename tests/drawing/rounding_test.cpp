// The rounding helpers every layout formula uses.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <stdexcept>

#include "drawing/rounding.h"
#include "drawing/regions.h"

TEST(Rounding, ExactFractionsRoundHalvesToEven)
{
    EXPECT_EQ(RoundFraction(150, 7, 100), 10);  // 0.07 * 150 = 10.5 exactly; doubles would say 11
    EXPECT_EQ(RoundFraction(250, 7, 100), 18);  // 17.5 -> 18
    const std::array<std::int64_t, 3> divisions[] = {{5, 2, 2},   {7, 2, 4},  {-5, 2, -2}, {-7, 2, -4},
                                                     {5, -2, -2}, {-8, 3, -3}, {8, 3, 3}};
    for (const auto& [n, d, q] : divisions) EXPECT_EQ(RoundHalfEvenDiv(n, d), q) << n << "/" << d;
    EXPECT_EQ(RoundHalfEvenDiv(std::numeric_limits<std::int64_t>::max(), 2),
              std::numeric_limits<std::int64_t>::max() / 2 + 1);
    EXPECT_THROW(RoundHalfEvenDiv(1, 0), std::domain_error);
}

TEST(Rounding, MulDivUsesA64BitProduct)
{
    EXPECT_EQ(MulDivRound(2000000000, 3, 4), 1500000000);
    EXPECT_EQ(MulDivRound(3, 5, 2), 8);   // 7.5 -> 8
    EXPECT_EQ(MulDivRound(5, 5, 2), 12);  // 12.5 -> 12
    EXPECT_EQ(MulDivRound(-5, 5, 2), -12);
    EXPECT_EQ(MulDivTrunc(-11, 15, 10), -16);  // -16.5 truncated toward zero
    EXPECT_EQ(MulDivTrunc(-11, 5, 10), -5);
    EXPECT_THROW(MulDivRound(2000000000, 2000000000, 1), std::range_error);
    EXPECT_THROW(MulDivTrunc(1, 1, 0), std::domain_error);
}

TEST(Rounding, DoublesAreRoundedAndCheckedBeforeBecomingIntegers)
{
    EXPECT_EQ(RoundHalfEven(2.5), 2);
    EXPECT_EQ(RoundHalfEven(3.5), 4);
    EXPECT_EQ(RoundHalfEven(-2.5), -2);
    EXPECT_EQ(RoundHalfEven(2.5000001), 3);
    EXPECT_EQ(TruncChecked(-3.9), -3);
    EXPECT_THROW(RoundHalfEven(std::nan("")), std::range_error);
    EXPECT_THROW(RoundHalfEven(1e10), std::range_error);
    EXPECT_THROW(RoundHalfEven(-INFINITY), std::range_error);
    EXPECT_THROW(TruncChecked(3e9), std::range_error);
    EXPECT_EQ(RoundHalfEven64(1e12 + 0.5), 1000000000000);
    EXPECT_EQ(RoundHalfEven64(-9223372036854775808.0), std::numeric_limits<std::int64_t>::min());
    EXPECT_THROW(RoundHalfEven64(9223372036854775808.0), std::range_error);   // 2^63 has no int64
    EXPECT_EQ(ClampToInt32(5000000000), 2147483647);
    EXPECT_EQ(ClampToInt32(-5000000000), -2147483647 - 1);
}

TEST(RegionHelpers, ClampCentre)
{
    EXPECT_EQ(ClampCentre(5, 0, 10, 6), 5);    // range too small: the centre
    EXPECT_EQ(ClampCentre(1, 0, 100, 10), 10);
    EXPECT_EQ(ClampCentre(95, 0, 100, 10), 90);
    EXPECT_EQ(ClampCentre(50, 0, 100, 10), 50);
    EXPECT_EQ(ClampCentre(0, -7, 0, 6), -3);   // halved toward zero
}

TEST(RegionHelpers, BuildAndCombine)
{
    Region r = CreateEmptyRegion();
    EXPECT_TRUE(r.IsEmpty());
    RegionAddRect(r, TRect{0, 0, 10, 10});
    EXPECT_TRUE(r.Contains(9, 9));
    EXPECT_FALSE(r.Contains(10, 5));
    RegionSubtractRect(r, TRect{0, 0, 5, 10});
    EXPECT_FALSE(r.Contains(4, 5));
    EXPECT_TRUE(r.Contains(5, 5));
    RegionAddPolygon(r, {{20, 0}, {30, 0}, {30, 10}, {20, 10}});
    EXPECT_TRUE(r.Contains(25, 5));
    EXPECT_FALSE(r.Contains(30, 5));
    RegionSubtractPolygon(r, {{20, 0}, {25, 0}, {25, 10}, {20, 10}});
    EXPECT_FALSE(r.Contains(22, 5));
    EXPECT_TRUE(r.Contains(27, 5));

    EXPECT_FALSE(RectRegion(TRect{3, 4, 3, 4}).has_value());  // a point gives no region
    ASSERT_TRUE(RectRegion(TRect{3, 4, 3, 8}).has_value());   // a line gives an (empty) one
    EXPECT_TRUE(RectRegion(TRect{3, 4, 3, 8})->IsEmpty());
    EXPECT_TRUE(RectRegion(TRect{3, 4, 6, 8})->Contains(5, 7));
}

TEST(RegionHelpers, ScaleRegionRoundsEveryCoordinate)
{
    EXPECT_FALSE(ScaleRegion(Region(), 2.0).has_value());
    const Region r = Region(TRect{3, 3, 9, 12}).United(Region(TRect{20, 0, 21, 1}));
    const auto s = ScaleRegion(r, 1.0 / 3.0);
    ASSERT_TRUE(s.has_value());
    EXPECT_EQ(s->Rects(), (std::vector<TRect>{{1, 1, 3, 4}}));  // (20,0)-(21,1) -> (7,0)-(7,0) vanishes
    const auto d = ScaleRegion(Region(TRect{1, 1, 2, 2}), 2.5);  // 2.5 -> 2, 5 -> 5
    EXPECT_EQ(d->Rects(), (std::vector<TRect>{{2, 2, 5, 5}}));
    // A zero factor leaves nothing; a negative one mirrors through the origin.
    const auto zero = ScaleRegion(r, 0.0);
    ASSERT_TRUE(zero.has_value());
    EXPECT_TRUE(zero->IsEmpty());
    const auto mirrored = ScaleRegion(Region(TRect{1, 2, 3, 5}), -2.0);
    ASSERT_TRUE(mirrored.has_value());
    EXPECT_EQ(mirrored->Rects(), (std::vector<TRect>{{-6, -10, -2, -4}}));
    // An absurd factor is clamped to the region range instead of overflowing.
    const auto huge = ScaleRegion(Region(TRect{0, 0, 2, 2}), 1e300);
    ASSERT_TRUE(huge.has_value());
    EXPECT_EQ(huge->BoundingRect().Right, Region::RegionCoordLimit);
}
