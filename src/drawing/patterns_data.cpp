// The pattern tables: what each lithology pattern draws, as data. The drawing
// code in patterns.cpp walks these; adding or changing a pattern is a change
// of one row here.
#include <algorithm>
#include <array>

#include "drawing/patterns.h"

namespace {

constexpr MotifFrac F(std::int32_t num, std::int32_t den) { return MotifFrac{num, den}; }

// An element at the points of a grid.
constexpr MotifLayer El(char pass, int element, MotifFrac size, MotifGrid grid, int columns, bool alternate)
{
    MotifLayer l;
    l.Pass = pass;
    l.Figure = MotifFigure::Element;
    l.Element = static_cast<std::int8_t>(element);
    l.Size = size;
    l.Grid = grid;
    l.Columns = static_cast<std::int8_t>(columns);
    l.Alternate = alternate;
    return l;
}
// The one-pixel dot (element 2) has no size.
constexpr MotifLayer Dot(char pass, MotifGrid grid, int columns, bool alternate)
{
    return El(pass, 2, F(0, 1), grid, columns, alternate);
}
// Element 9, the cross, has two sizes.
constexpr MotifLayer Cross(char pass, MotifFrac sx, MotifFrac sy, MotifGrid grid, bool alternate)
{
    MotifLayer l = El(pass, 9, sx, grid, 6, alternate);
    l.SizeY = sy;
    return l;
}
// Element 7, the triangle, has a direction.
constexpr MotifLayer Triangle(char pass, MotifFrac size, int direction)
{
    MotifLayer l = El(pass, 7, size, MotifGrid::Rows6, 6, true);
    l.Direction = static_cast<std::int8_t>(direction);
    return l;
}
constexpr MotifLayer Stroke(char pass, MotifFigure figure, MotifGrid grid, bool alternate, MotifFrac width = F(0, 1))
{
    MotifLayer l;
    l.Pass = pass;
    l.Figure = figure;
    l.Grid = grid;
    l.Columns = 6;
    l.Alternate = alternate;
    l.Size = width;
    return l;
}
constexpr MotifLayer VLines(char pass, int columns)
{
    MotifLayer l;
    l.Pass = pass;
    l.Figure = MotifFigure::VerticalLines;
    l.Columns = static_cast<std::int8_t>(columns);
    return l;
}
constexpr MotifLayer FillLayer(TColor colour)
{
    MotifLayer l;
    l.Pass = 'B';
    l.Figure = MotifFigure::Fill;
    l.FillColour = colour;
    return l;
}
constexpr MotifLayer RandomDots(int rowStep)
{
    MotifLayer l;
    l.Pass = 'B';
    l.Figure = MotifFigure::RandomDots;
    l.DotRowStep = static_cast<std::int8_t>(rowStep);
    return l;
}

constexpr MotifDef M(int motif, MotifBase base)
{
    MotifDef d;
    d.Motif = motif;
    d.Base = base;
    return d;
}
constexpr MotifDef M(int motif, MotifBase base, MotifLayer a)
{
    MotifDef d = M(motif, base);
    d.LayerCount = 1;
    d.Layers[0] = a;
    return d;
}
constexpr MotifDef M(int motif, MotifBase base, MotifLayer a, MotifLayer b)
{
    MotifDef d = M(motif, base);
    d.LayerCount = 2;
    d.Layers[0] = a;
    d.Layers[1] = b;
    return d;
}

using B = MotifBase;
using G = MotifGrid;
using Fig = MotifFigure;
constexpr bool Alt = true;
constexpr bool Every = false;

// Recurring layers.
constexpr MotifLayer kJointG = Stroke('G', Fig::VerticalJoint, G::Rows6, Alt);
constexpr MotifLayer kForwardE = Stroke('E', Fig::ForwardSlant, G::Rows6, Alt);
constexpr MotifLayer kDotC6 = Dot('C', G::Rows6, 6, Alt);
constexpr MotifLayer kDotC12 = Dot('C', G::Rows12, 6, Alt);
constexpr MotifLayer kDashF = El('F', 6, F(1, 32), G::Rows6, 6, Alt);
constexpr MotifLayer kOctE = El('E', 4, F(1, 32), G::Rows6, 6, Alt);
constexpr MotifLayer kZigD = El('D', 3, F(1, 40), G::Rows6, 6, Alt);
constexpr MotifLayer kVeeD = El('D', 5, F(1, 30), G::Rows6, 6, Alt);
constexpr MotifLayer kStarD = El('D', 10, F(1, 30), G::Rows6, 6, Alt);
constexpr MotifLayer kCrossD = Cross('D', F(1, 30), F(1, 30), G::Rows6, Alt);

constexpr MotifLayer Element18()
{
    MotifLayer l = El('B', 18, F(1, 1), G::Rows12, 6, Alt);
    l.SignByColumn = true;
    return l;
}

const std::array kMotifs = {
    M(1, B::Lines12),
    M(2, B::Dashes6, Dot('B', G::Rows6, 14, Every)),
    M(3, B::Dashes6, Dot('B', G::Rows6, 10, Every)),
    M(4, B::None, kDotC12, El('D', 6, F(1, 32), G::Rows12, 6, Alt)),
    M(5, B::None, kDotC12, El('D', 3, F(1, 40), G::Rows12, 6, Alt)),
    M(6, B::None, FillLayer(0xD0D0D0)),
    M(7, B::None, RandomDots(1)),
    M(8, B::None, RandomDots(2)),
    M(9, B::None, kDotC6, kVeeD),
    M(10, B::None, kDotC6, kOctE),
    M(11, B::None, kOctE, kDashF),
    M(12, B::None, kOctE),
    M(13, B::None, El('C', 4, F(1, 24), G::Rows6, 6, Alt)),
    M(14, B::None, kDotC6, kDashF),
    M(15, B::None, El('D', 6, F(1, 32), G::Rows12, 6, Alt)),
    M(16, B::None, El('B', 6, F(1, 32), G::Rows12, 6, Every)),
    M(17, B::Lines6, El('B', 6, F(1, 32), G::Rows6, 6, Every)),
    M(18, B::Lines6, kDotC6, kDashF),
    M(19, B::Lines6, Dot('B', G::Rows6, 10, Every)),
    M(20, B::Lines6, Dot('C', G::Rows6, 6, Every)),
    M(21, B::Lines6, kDotC6),
    M(22, B::Lines6, kDashF),
    M(23, B::Lines6, kZigD),
    M(24, B::None, Dot('B', G::Rows11, 14, Every)),
    M(25, B::None, Dot('B', G::Rows11, 10, Every)),
    M(26, B::Dots10),
    M(27, B::None, Dot('B', G::Rows6, 6, Every), Dot('C', G::Rows6, 6, Every)),
    M(28, B::Dots10, kVeeD),
    M(29, B::Dots10, kZigD),
    M(30, B::Dots10, kCrossD),
    M(31, B::Lines6, Dot('B', G::Rows6, 6, Every), VLines('C', 5)),
    M(32, B::None, Triangle('C', F(1, 32), 2)),
    M(33, B::None, Triangle('C', F(1, 32), 0)),
    M(34, B::None, Triangle('C', F(1, 32), kDirectionByPoint)),
    M(35, B::Octagons35),
    M(36, B::None, El('C', 4, F(1, 32), G::Rows12, 6, Alt)),
    M(37, B::None, El('C', 8, F(1, 30), G::Rows6, 6, Alt)),
    M(38, B::None, El('C', 8, F(1, 16), G::Rows6, 6, Alt)),
    M(39, B::None, kVeeD),
    // The V figures of 40 (and the signs of 90) stand on the "rows of fifths":
    // three centred columns, rows every 1/6 down to N5 = trunc(5R) + 1.
    M(40, B::None, VLines('B', 3), El('C', 5, F(1, 20), G::Fifths, 3, Every)),
    M(41, B::Lines6, kJointG),
    M(42, B::Lines6, kDotC6, kJointG),
    M(43, B::Lines6, kVeeD, kJointG),
    M(44, B::Lines6, kOctE, kJointG),
    M(45, B::Lines6, kStarD, kJointG),
    M(46, B::Lines6, kForwardE),
    M(47, B::Lines6, kDotC6, kForwardE),
    M(48, B::Lines6, kForwardE, kDashF),
    M(49, B::Lines6, kZigD, kForwardE),
    M(50, B::Lines6, kDashF, kJointG),
    M(51, B::Lines6, kZigD, kJointG),
    M(52, B::Dashes6, kZigD, kJointG),
    M(53, B::None, kZigD),
    M(54, B::None, El('D', 3, F(1, 40), G::Rows12, 6, Alt)),
    M(55, B::None, El('B', 3, F(1, 40), G::Rows12, 6, Every)),
    M(56, B::Dashes6, El('B', 3, F(1, 40), G::Rows6, 6, Every)),
    M(57, B::None, kDotC12, El('D', 3, F(1, 40), G::Rows12, 6, Alt)),
    M(58, B::None, kDotC6, kZigD),
    M(59, B::None, kZigD, kDashF),
    M(60, B::None, kZigD, kOctE),
    M(61, B::None, kDotC6, kStarD),
    M(62, B::None, kStarD, kDashF),
    M(63, B::None, kStarD, kOctE),
    M(64, B::Dots10, kVeeD, kOctE),
    M(65, B::None, El('B', 10, F(1, 30), G::Rows6, 6, Every)),
    M(66, B::None, El('C', 10, F(1, 20), G::Rows6, 6, Alt)),
    M(67, B::None, El('C', 11, F(0, 1), G::Rows6, 6, Alt)),
    M(68, B::None, Dot('B', G::Rows11, 10, Every)),
    M(69, B::None, VLines('B', 12)),
    M(70, B::Lines12, VLines('B', 12)),
    M(71, B::None, El('C', 12, F(0, 1), G::Rows6, 6, Alt)),
    M(72, B::None, El('C', 13, F(0, 1), G::Rows6, 6, Alt)),
    M(73, B::None, El('C', 14, F(0, 1), G::Rows6, 6, Alt)),
    M(74, B::None, kDotC6, kCrossD),
    M(75, B::None, kCrossD),
    M(76, B::None, Cross('C', F(1, 20), F(1, 20), G::Rows6, Alt)),
    M(77, B::None, Cross('C', F(1, 30), F(1, 30), G::Rows12, Alt)),
    M(78, B::None, Cross('B', F(1, 30), F(1, 30), G::Rows6, Every)),
    M(79, B::None, Stroke('C', Fig::BackSlant, G::Rows6, Alt, F(1, 12)), kCrossD),
    M(80, B::None, Stroke('C', Fig::BackSlant, G::Rows6, Alt, F(1, 6)), kCrossD),
    M(81, B::None, El('C', 15, F(0, 1), G::Rows6, 6, Alt)),
    M(82, B::None, El('C', 15, F(0, 1), G::Rows12, 6, Alt)),
    M(83, B::None, Cross('C', F(1, 20), F(1, 30), G::Rows12, Alt)),
    M(84, B::None, Cross('C', F(1, 12), F(1, 30), G::Rows12, Alt)),
    M(85, B::None, kForwardE),
    M(86, B::None, Stroke('C', Fig::BackSlant, G::Rows6, Alt, F(1, 12))),
    M(87, B::None, El('C', 16, F(1, 32), G::Rows6, 6, Alt)),
    M(88, B::None, El('C', 16, F(1, 24), G::Rows6, 6, Alt)),
    M(89, B::None, El('C', 16, F(1, 32), G::Rows12, 6, Alt)),
    M(90, B::None, VLines('B', 3), El('C', 17, F(1, 20), G::Fifths, 3, Every)),
    M(91, B::None, kDashF, kJointG),
    M(92, B::None, FillLayer(0xA0A0A0)),
    M(93, B::None, Stroke('C', Fig::BackSlant, G::Rows6, Alt, F(1, 6)), kStarD),
    M(94, B::None, Stroke('C', Fig::BackSlant, G::Rows6, Alt, F(1, 12)), kOctE),
    M(95, B::None, Stroke('B', Fig::AlternatingSlant, G::Rows12, Alt)),
    M(96, B::None, Element18()),
    M(97, B::None, FillLayer(0x303030)),
    M(98, B::None, kJointG),
    M(100, B::None, kJointG),
    M(101, B::Tiles),
    M(102, B::Tiles),
    M(103, B::None, FillLayer(0x303030)),
    M(104, B::Tiles),
    M(105, B::Tiles),
    M(106, B::Tiles),
    M(107, B::Tiles),
    M(108, B::Tiles),
    M(109, B::Tiles),
    M(110, B::Tiles),
};

constexpr MotifTileDef T(int motif, int even, int odd, MotifFrac size = F(3, 10), int direction = 0)
{
    MotifTileDef t;
    t.Motif = motif;
    t.EvenElement = static_cast<std::int8_t>(even);
    t.OddElement = static_cast<std::int8_t>(odd);
    t.SizePerColumn = size;
    t.Direction = static_cast<std::int8_t>(direction);
    return t;
}

const std::array kTiles = {
    T(101, 0, 4),
    T(102, 0, 10),
    T(104, 0, 6),
    T(105, 4, 6),
    T(106, 0, 7),
    T(107, 7, 7, F(3, 10), kDirectionByTile),
    T(108, 3, 3),
    T(109, 4, 2),
    T(110, 0, 4, F(2, 10)),
};

}  // namespace

std::span<const MotifDef> MotifTable() { return kMotifs; }
std::span<const MotifTileDef> MotifTileTable() { return kTiles; }

const MotifDef* FindMotifDef(std::int32_t Motif)
{
    auto it = std::lower_bound(kMotifs.begin(), kMotifs.end(), Motif,
                               [](const MotifDef& d, std::int32_t m) { return d.Motif < m; });
    return it != kMotifs.end() && it->Motif == Motif ? &*it : nullptr;
}

const MotifTileDef* FindMotifTileDef(std::int32_t Motif)
{
    for (const auto& t : kTiles)
        if (t.Motif == Motif)
            return &t;
    return nullptr;
}
