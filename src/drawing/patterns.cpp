// The lithology pattern renderer: walks the pattern tables of
// patterns_data.cpp and turns each figure into strokes of batch A.
//
// Exactness: a cell coordinate is held as an integer number of "units", one
// unit being 1/K of a pixel, where K is chosen per call so that every grid
// position and every element offset of the pattern is a whole number of units
// (the grid patterns use thirds, fifths, sixths, 1/10 ... 1/40, 1/13 and the
// 500/707 of the octagons and stars; the tiled ones 1/(2 Nx), 1/(2 Ny) and
// 3/(10 Nx)). The pixel of a point is then [units / K], halves to even, from
// an exact value: a point that lies exactly half way between two pixels always
// goes to the even one, whatever the rectangle's size. Cell y maps to W x y
// pixels below the top (H x y / R with R = H / W, exactly).
#include "drawing/patterns.h"

#include <algorithm>
#include <cmath>

#include "drawing/primitives.h"

namespace {

using i128 = __int128;

i128 Abs128(i128 v) { return v < 0 ? -v : v; }

// [n / d], halves to even, d > 0.
std::int64_t RoundDiv128(i128 n, i128 d)
{
    i128 q = n / d;
    i128 r = n % d;
    if (r < 0) {
        q -= 1;
        r += d;
    }
    const i128 twice = 2 * r;
    if (twice > d || (twice == d && (q & 1) != 0))
        q += 1;
    if (q > INT64_MAX / 4)
        return INT64_MAX / 4;
    if (q < INT64_MIN / 4)
        return INT64_MIN / 4;
    return static_cast<std::int64_t>(q);
}

// Least common multiple of the denominators of every grid position and
// element offset of the grid patterns: 2^5 x 3 x 5 x 7 x 11 x 13 x 101
// (101 x 7 = 707 for the 1.414 of the octagons and stars).
constexpr std::int64_t kGridUnits = 32LL * 3 * 5 * 7 * 11 * 13 * 101;

struct UPoint {
    i128 u;  // x in units
    i128 v;  // y in units
};

// One DrawMotif call.
struct Ctx {
    std::int32_t Left = 0;
    std::int32_t Top = 0;
    std::int32_t Right = 0;
    std::int32_t Bottom = 0;
    std::int64_t W = 0;
    std::int64_t H = 0;
    i128 K = 1;     // units per pixel
    i128 WK = 0;    // one cell width in units (= the right edge)
    i128 HK = 0;    // the bottom edge in units (y = R)
    std::int64_t Budget = kMaxMotifPlacements;
    int Counter = 0;  // alternate-layer counter
    // Fixed element offsets.
    i128 U24 = 0, U30 = 0, U16 = 0, U12 = 0;

    void SetUnits(i128 k)
    {
        K = k;
        WK = i128(W) * K;
        HK = i128(H) * K;
        U24 = Frac(1, 24);
        U30 = Frac(1, 30);
        U16 = Frac(1, 16);
        U12 = Frac(1, 12);
    }
    // num/den of the cell width, in units (exact by the choice of K; rounded
    // half to even otherwise, which only the public double clip can meet).
    i128 Frac(i128 num, i128 den) const
    {
        const i128 n = WK * num;
        if (n % den == 0)
            return n / den;
        return RoundDiv128(n, den);
    }
    std::int32_t PixelX(i128 u) const { return ClampToInt32(Left + RoundDiv128(u, K)); }
    std::int32_t PixelY(i128 v) const { return ClampToInt32(Top + RoundDiv128(v, K)); }
    bool Inside(const UPoint& p) const { return p.u >= 0 && p.u <= WK && p.v >= 0 && p.v <= HK; }
    // Takes one placement from the budget; false once it is spent.
    bool Take()
    {
        if (Budget <= 0)
            return false;
        --Budget;
        return true;
    }
};

// ---------------------------------------------------------------------------
// Clipping
// ---------------------------------------------------------------------------

// An exact rational, d > 0. Used only for the ends that clipping moves.
struct Rat {
    i128 n;
    i128 d;
};

i128 Gcd128(i128 a, i128 b)
{
    a = Abs128(a);
    b = Abs128(b);
    while (b != 0) {
        const i128 t = a % b;
        a = b;
        b = t;
    }
    return a;
}

bool Norm(Rat& r)
{
    if (r.d == 0)
        return false;
    if (r.d < 0) {
        r.n = -r.n;
        r.d = -r.d;
    }
    const i128 g = Gcd128(r.n, r.d);
    if (g > 1) {
        r.n /= g;
        r.d /= g;
    }
    return true;
}

bool Mul(i128 a, i128 b, i128& out) { return !__builtin_mul_overflow(a, b, &out); }

bool RatSub(const Rat& a, const Rat& b, Rat& out)
{
    i128 x, y, d;
    if (!Mul(a.n, b.d, x) || !Mul(b.n, a.d, y) || !Mul(a.d, b.d, d))
        return false;
    if (__builtin_sub_overflow(x, y, &out.n))
        return false;
    out.d = d;
    return Norm(out);
}
bool RatAdd(const Rat& a, const Rat& b, Rat& out)
{
    Rat nb{-b.n, b.d};
    return RatSub(a, nb, out);
}
bool RatMul(const Rat& a, const Rat& b, Rat& out)
{
    if (!Mul(a.n, b.n, out.n) || !Mul(a.d, b.d, out.d))
        return false;
    return Norm(out);
}
bool RatDiv(const Rat& a, const Rat& b, Rat& out)
{
    if (b.n == 0)
        return false;
    if (!Mul(a.n, b.d, out.n) || !Mul(a.d, b.n, out.d))
        return false;
    return Norm(out);
}
// Sign of (a - e) for an integer e.
int RatCmp(const Rat& a, i128 e)
{
    i128 ed;
    if (!Mul(e, a.d, ed))
        return e > 0 ? -1 : 1;  // |e| beyond anything a holds
    return a.n < ed ? -1 : (a.n > ed ? 1 : 0);
}

struct RPoint {
    Rat x, y;
};

enum class MoveResult { Ok, Degenerate, Overflow };

// Moves end e along the segment towards o onto the line (axis x when onX,
// else y) = edge.
MoveResult MoveOnto(RPoint& e, const RPoint& o, bool onX, i128 edge)
{
    const Rat& ea = onX ? e.x : e.y;
    const Rat& oa = onX ? o.x : o.y;
    const Rat& eb = onX ? e.y : e.x;
    const Rat& ob = onX ? o.y : o.x;
    Rat span, toEdge, t, other, shift, moved;
    if (!RatSub(oa, ea, span))
        return MoveResult::Overflow;
    if (span.n == 0)
        return MoveResult::Degenerate;
    if (!RatSub(Rat{edge, 1}, ea, toEdge) || !RatDiv(toEdge, span, t) || !RatSub(ob, eb, other) ||
        !RatMul(other, t, shift) || !RatAdd(eb, shift, moved))
        return MoveResult::Overflow;
    if (onX) {
        e.x = Rat{edge, 1};
        e.y = moved;
    } else {
        e.y = Rat{edge, 1};
        e.x = moved;
    }
    return MoveResult::Ok;
}

MoveResult ClipEnd(RPoint& e, const RPoint& o, const Ctx& c)
{
    // Edges in the order x = 0, x = 1, y = 0, y = R.
    const struct {
        bool onX;
        bool below;
        i128 edge;
    } edges[4] = {{true, true, 0}, {true, false, c.WK}, {false, true, 0}, {false, false, c.HK}};
    for (const auto& ed : edges) {
        const Rat& a = ed.onX ? e.x : e.y;
        const int cmp = RatCmp(a, ed.edge);
        if (ed.below ? cmp < 0 : cmp > 0) {
            const MoveResult r = MoveOnto(e, o, ed.onX, ed.edge);
            if (r != MoveResult::Ok)
                return r;
        }
    }
    return MoveResult::Ok;
}

// The same clipping in long doubles, for the segments whose exact fractions
// would outgrow 128 bits (only on rectangles far beyond any device).
void ClipInLongDouble(const Ctx& c, UPoint a, UPoint b)
{
    const long double k = static_cast<long double>(c.K);
    long double p[2][2] = {{static_cast<long double>(a.u) / k, static_cast<long double>(a.v) / k},
                           {static_cast<long double>(b.u) / k, static_cast<long double>(b.v) / k}};
    const long double maxX = static_cast<long double>(c.W), maxY = static_cast<long double>(c.H);
    for (int end = 0; end < 2; ++end) {
        long double* e = p[end];
        const long double* o = p[1 - end];
        const struct {
            int axis;
            bool below;
            long double edge;
        } edges[4] = {{0, true, 0}, {0, false, maxX}, {1, true, 0}, {1, false, maxY}};
        for (const auto& ed : edges) {
            const long double v = e[ed.axis];
            if (ed.below ? v < ed.edge : v > ed.edge) {
                const long double span = o[ed.axis] - e[ed.axis];
                if (span == 0)
                    return;
                const long double t = (ed.edge - e[ed.axis]) / span;
                e[1 - ed.axis] += (o[1 - ed.axis] - e[1 - ed.axis]) * t;
                e[ed.axis] = ed.edge;
            }
        }
    }
    for (auto& q : p)
        if (q[0] < 0 || q[0] > maxX || q[1] < 0 || q[1] > maxY)
            return;
    auto px = [](long double v) { return static_cast<std::int64_t>(std::nearbyint(v)); };
    AddSegmentA(ClampToInt32(c.Left + px(p[0][0])), ClampToInt32(c.Top + px(p[0][1])),
                ClampToInt32(c.Left + px(p[1][0])), ClampToInt32(c.Top + px(p[1][1])));
}

// Clips a segment in units to the cell and adds it to batch A.
void Segment(const Ctx& c, UPoint a, UPoint b)
{
    // Wholly beyond one edge: dropped.
    if ((a.u < 0 && b.u < 0) || (a.u > c.WK && b.u > c.WK) || (a.v < 0 && b.v < 0) || (a.v > c.HK && b.v > c.HK))
        return;
    if (c.Inside(a) && c.Inside(b)) {
        AddSegmentA(c.PixelX(a.u), c.PixelY(a.v), c.PixelX(b.u), c.PixelY(b.v));
        return;
    }
    RPoint ra{{a.u, 1}, {a.v, 1}};
    RPoint rb{{b.u, 1}, {b.v, 1}};
    MoveResult r = ClipEnd(ra, rb, c);
    if (r == MoveResult::Ok)
        r = ClipEnd(rb, ra, c);
    if (r == MoveResult::Overflow) {
        ClipInLongDouble(c, a, b);
        return;
    }
    if (r == MoveResult::Degenerate)
        return;
    // A segment that passed outside a corner ends up outside after the moves:
    // it never crossed the cell.
    for (const RPoint* p : {&ra, &rb})
        if (RatCmp(p->x, 0) < 0 || RatCmp(p->x, c.WK) > 0 || RatCmp(p->y, 0) < 0 || RatCmp(p->y, c.HK) > 0)
            return;
    auto px = [&](const Rat& q, std::int32_t origin) {
        i128 d;
        if (!Mul(q.d, c.K, d))
            return ClampToInt32(origin + static_cast<std::int64_t>(std::nearbyint(
                                             static_cast<long double>(q.n) / static_cast<long double>(q.d) /
                                             static_cast<long double>(c.K))));
        return ClampToInt32(origin + RoundDiv128(q.n, d));
    };
    AddSegmentA(px(ra.x, c.Left), px(ra.y, c.Top), px(rb.x, c.Left), px(rb.y, c.Top));
}

// ---------------------------------------------------------------------------
// Elements
// ---------------------------------------------------------------------------

// The sizes of one layer in units.
struct Sizes {
    i128 S = 0;   // s (sx of the cross)
    i128 SY = 0;  // sy of the cross
    i128 C = 0;   // s / 1.414
};

Sizes SizesOf(const Ctx& c, MotifFrac s, MotifFrac sy, std::int64_t extraDen = 1)
{
    Sizes z;
    z.S = c.Frac(s.Num, i128(s.Den) * extraDen);
    z.SY = c.Frac(sy.Num, i128(sy.Den) * extraDen);
    // 1.414 as written: s / 1.414 = s x 500 / 707.
    z.C = c.Frac(i128(s.Num) * 500, i128(s.Den) * extraDen * 707);
    return z;
}

// A one-pixel dot, left out when its point lies outside the cell.
void Dot(const Ctx& c, i128 x, i128 y)
{
    const UPoint p{x, y};
    if (!c.Inside(p))
        return;
    const std::int32_t X = c.PixelX(x), Y = c.PixelY(y);
    RectangleA(X, Y, X + 1, Y + 1);
}

// Strokes P0-P1, P1-P2, ... (each its own clipped segment, so that they join).
void Chain(const Ctx& c, std::initializer_list<UPoint> pts)
{
    const UPoint* prev = nullptr;
    for (const UPoint& p : pts) {
        if (prev)
            Segment(c, *prev, p);
        prev = &p;
    }
}

void Element(const Ctx& c, int element, i128 x, i128 y, const Sizes& z, int direction, int sign)
{
    const i128 s = z.S, cc = z.C;
    switch (element) {
    case 2:
        Dot(c, x, y);
        break;
    case 3:
        Chain(c, {{x - 2 * s, y}, {x - s, y - s}, {x + s, y + s}, {x + 2 * s, y}});
        break;
    case 4:
        Chain(c, {{x - s, y}, {x - cc, y - cc}, {x, y - s}, {x + cc, y - cc}, {x + s, y}, {x + cc, y + cc},
                  {x, y + s}, {x - cc, y + cc}, {x - s, y}});
        break;
    case 5:
        Segment(c, {x, y + s}, {x - s, y - s});
        Segment(c, {x, y + s}, {x + s, y - s});
        break;
    case 6:
        Segment(c, {x - s, y}, {x + s, y});
        break;
    case 7: {
        UPoint apex, c1, c2;
        switch (direction & 3) {
        case 0:  // pointing down
            apex = {x, y + s}, c1 = {x - s, y - s}, c2 = {x + s, y - s};
            break;
        case 1:  // pointing right
            apex = {x + s, y}, c1 = {x - s, y - s}, c2 = {x - s, y + s};
            break;
        case 2:  // pointing up
            apex = {x, y - s}, c1 = {x - s, y + s}, c2 = {x + s, y + s};
            break;
        default:  // pointing left
            apex = {x - s, y}, c1 = {x + s, y - s}, c2 = {x + s, y + s};
            break;
        }
        Segment(c, apex, c1);
        Segment(c, apex, c2);
        Segment(c, c1, c2);
        break;
    }
    case 8:
        Chain(c, {{x - s, y}, {x, y - s}, {x + s, y}, {x, y + s}, {x - s, y}});
        break;
    case 9:
        Segment(c, {x - s, y}, {x + s, y});
        Segment(c, {x, y - z.SY}, {x, y + z.SY});
        break;
    case 10:
        Segment(c, {x - s, y}, {x + s, y});
        Segment(c, {x - cc, y - cc}, {x + cc, y + cc});
        Segment(c, {x - cc, y + cc}, {x + cc, y - cc});
        break;
    case 11:
        Chain(c, {{x - c.U24, y + c.U24}, {x, y - c.U24}, {x + c.U24, y + c.U24}});
        break;
    case 12:
        Dot(c, x - c.U24, y);
        Dot(c, x, y);
        Dot(c, x + c.U24, y);
        break;
    case 13:
        Dot(c, x - c.U24, y);
        Dot(c, x, y - c.U24);
        Dot(c, x, y + c.U24);
        Dot(c, x + c.U24, y);
        break;
    case 14:
        Segment(c, {x - c.U30, y}, {x - c.U16, y});
        Segment(c, {x, y - c.U30}, {x, y - c.U16});
        Segment(c, {x, y + c.U30}, {x, y + c.U16});
        Segment(c, {x + c.U30, y}, {x + c.U16, y});
        break;
    case 15:
        Segment(c, {x - c.U24, y - c.U24}, {x + c.U24, y + c.U24});
        Segment(c, {x - c.U24, y + c.U24}, {x + c.U24, y - c.U24});
        break;
    case 16:
        Chain(c, {{x + s, y - s}, {x, y - s}, {x - s, y}, {x + s, y}, {x, y + s}, {x - s, y + s}});
        break;
    case 17:
        Segment(c, {x - s, y - s}, {x - s, y + s});
        Segment(c, {x - s, y - s}, {x, y - s});
        Segment(c, {x, y - s}, {x + s, y});
        Segment(c, {x - s, y}, {x + s, y});
        Segment(c, {x, y}, {x + s, y + s});
        break;
    case 18: {
        // d = s / 24, turned the other way by a negative s.
        const i128 d = sign * s / 24;
        Segment(c, {x - d, y}, {x + d, y - d});
        Segment(c, {x - d, y}, {x + d, y + d});
        break;
    }
    default:
        break;
    }
}

// ---------------------------------------------------------------------------
// Pass A
// ---------------------------------------------------------------------------

struct RowCounts {
    std::int64_t N12, N6, N5, N11;
};

RowCounts CountRows(std::int64_t W, std::int64_t H)
{
    // trunc(k R) + 1 with R = H / W, exactly.
    auto n = [&](std::int64_t k) { return static_cast<std::int64_t>(i128(k) * H / W) + 1; };
    return {n(12), n(6), n(5), n(11)};
}

bool DrawBase(Ctx& c, MotifBase base, const RowCounts& rows)
{
    switch (base) {
    case MotifBase::Lines12:
    case MotifBase::Lines6: {
        const std::int64_t den = base == MotifBase::Lines12 ? 12 : 6;
        const std::int64_t n = base == MotifBase::Lines12 ? rows.N12 : rows.N6;
        for (std::int64_t i = 1; i <= n; ++i) {
            if (!c.Take())
                return false;
            const i128 y = c.Frac(i, den);
            Segment(c, {0, y}, {c.WK, y});
        }
        break;
    }
    case MotifBase::Dashes6: {
        // Dashes 1/13 long every 2/13: the seven dashes that start inside the
        // width (at 0, 2/13, ... 12/13); the last one ends exactly on the right
        // edge, so the row reads 0-92, 185-277, ... 1108-1200 on 1,200 pixels.
        for (std::int64_t i = 1; i <= rows.N6; ++i) {
            const i128 y = c.Frac(i, 6);
            for (int k = 0; k <= 6; ++k) {
                if (!c.Take())
                    return false;
                Segment(c, {c.Frac(2 * k, 13), y}, {c.Frac(2 * k + 1, 13), y});
            }
        }
        break;
    }
    case MotifBase::Dots10:
        for (std::int64_t i = 1; i <= rows.N6; ++i) {
            const i128 y = c.Frac(i, 6);
            for (int j = 1; j <= 9; ++j) {
                if (!c.Take())
                    return false;
                Dot(c, c.Frac(j, 10), y);
            }
        }
        break;
    case MotifBase::Octagons35: {
        const Sizes z = SizesOf(c, MotifFrac{1, 32}, MotifFrac{0, 1});
        for (std::int64_t i = 1; i <= rows.N6; ++i) {
            const i128 y = c.Frac(2 * i - 1, 12);
            for (int j = 1; j <= 5; ++j) {
                if (!c.Take())
                    return false;
                Element(c, 4, c.Frac(j, 6), y, z, 0, 1);
            }
        }
        break;
    }
    case MotifBase::None:
    case MotifBase::Tiles:
        break;
    }
    return true;
}

// ---------------------------------------------------------------------------
// Tiles
// ---------------------------------------------------------------------------

void DrawTiles(Ctx& c, const MotifTileDef& t, std::int32_t SizeX, std::int32_t SizeY)
{
    if (SizeX <= 0 || SizeY <= 0)
        return;
    const std::int64_t nx = std::min<std::int64_t>(static_cast<std::int64_t>(i128(c.W) * 100 / SizeX) + 1,
                                                   kMaxMotifTilesPerAxis);
    const std::int64_t ny = std::min<std::int64_t>(static_cast<std::int64_t>(i128(c.H) * 100 / SizeY) + 1,
                                                   kMaxMotifTilesPerAxis);
    // Units that hold (2i - 1) / (2 Nx), 3 / (10 Nx), its 500/707 and
    // (2j - 1) / (2 Ny) of the height exactly.
    c.SetUnits(i128(7070) * nx * 2 * ny);
    const Sizes z = SizesOf(c, t.SizePerColumn, MotifFrac{0, 1}, nx);
    for (std::int64_t i = 1; i <= nx; ++i) {
        const i128 x = c.WK * (2 * i - 1) / (2 * nx);
        for (std::int64_t j = 1; j <= ny; ++j) {
            const bool odd = ((i + j) & 1) != 0;
            const int element = odd ? t.OddElement : t.EvenElement;
            if (element == 0)
                continue;
            if (!c.Take())
                return;
            const i128 y = c.HK * (2 * j - 1) / (2 * ny);
            const int direction = t.Direction == kDirectionByTile ? static_cast<int>((i + j) % 4) : t.Direction;
            Element(c, element, x, y, z, direction, 1);
        }
    }
}

// ---------------------------------------------------------------------------
// Layers of passes B to G
// ---------------------------------------------------------------------------

// Patterns 7 and 8: one dot on each pixel row y = 1..H below the top (every
// second row, y = 2, 4, ..., for 8), so the first dot row is Top + 1 and the
// last the bottom edge; across, x = W x Random(1000) / 1000 rounded half to
// even, drawn from the left edge. The random draws are taken in row order
// only for the rows that get a dot, so 8 is not 7 thinned out but its own
// sequence, and both repeat after every FlushLines (which reseeds with 0).
bool DrawRandomDots(Ctx& c, int rowStep)
{
    const TColor colour = DrawCanvas ? DrawCanvas->Pen.Color : clBlack;
    for (std::int64_t y = rowStep; y <= c.H; y += rowStep) {
        if (!c.Take())
            return false;
        const std::int64_t r = Random(1000);
        const std::int32_t X = ClampToInt32(c.Left + RoundHalfEvenDiv(c.W * r, 1000));
        const std::int32_t Y = ClampToInt32(c.Top + y);
        // The dot is PenMedium pixels from its corner; it is cut at the right
        // and bottom edges so that it stays on the level's own background
        // (FillColorRect covers up to Right + 1 and Bottom + 1).
        FillColorRect(X, Y, std::min(ClampToInt32(std::int64_t(X) + PenMedium), c.Right),
                      std::min(ClampToInt32(std::int64_t(Y) + PenMedium), c.Bottom), colour);
    }
    return true;
}

bool DrawLayer(Ctx& c, const MotifLayer& l, const RowCounts& rows, bool widen)
{
    switch (l.Figure) {
    case MotifFigure::Fill:
        FillColorRect(c.Left, c.Top, c.Right, c.Bottom, l.FillColour);
        return true;
    case MotifFigure::RandomDots:
        return DrawRandomDots(c, l.DotRowStep);
    case MotifFigure::VerticalLines: {
        const int from = widen ? 0 : 1, to = widen ? l.Columns : l.Columns - 1;
        for (int j = from; j <= to; ++j) {
            if (!c.Take())
                return false;
            const i128 x = c.Frac(j, l.Columns);
            Segment(c, {x, 0}, {x, c.HK});
        }
        return true;
    }
    default:
        break;
    }

    if (l.Alternate)
        ++c.Counter;
    std::int64_t n = rows.N6;
    int jFrom = widen ? 0 : 1, jTo = widen ? l.Columns : l.Columns - 1;
    switch (l.Grid) {
    case MotifGrid::Rows6:
        n = rows.N6;
        break;
    case MotifGrid::Rows12:
        n = rows.N12;
        break;
    case MotifGrid::Rows11:
        n = rows.N11;
        break;
    case MotifGrid::Fifths:
        n = rows.N5;
        jFrom = 0;  // always the three centred columns
        jTo = 2;
        break;
    }
    const Sizes z = SizesOf(c, l.Size, l.SizeY);
    for (std::int64_t i = 1; i <= n; ++i) {
        i128 y;
        switch (l.Grid) {
        case MotifGrid::Rows6:
            y = c.Frac(2 * i - 1, 12);
            break;
        case MotifGrid::Rows12:
            y = c.Frac(i, 12);
            break;
        case MotifGrid::Rows11:
            y = c.Frac(i, 11);
            break;
        default:
            y = c.Frac(i, 6);
            break;
        }
        for (int j = jFrom; j <= jTo; ++j) {
            if (l.Alternate && ((i + j + c.Counter) & 1) == 0)
                continue;
            if (!c.Take())
                return false;
            const i128 x = l.Grid == MotifGrid::Fifths ? c.Frac(2 * j + 1, 6) : c.Frac(j, l.Columns);
            const int sign = (j & 1) != 0 ? 1 : -1;  // odd columns +1, even -1
            switch (l.Figure) {
            case MotifFigure::Element: {
                const int direction = l.Direction == kDirectionByPoint ? static_cast<int>((j / 2 + i) % 4)
                                                                       : l.Direction;
                Element(c, l.Element, x, y, z, direction, l.SignByColumn ? sign : 1);
                break;
            }
            case MotifFigure::VerticalJoint:
                Segment(c, {x, y - c.U12}, {x, y + c.U12});
                break;
            case MotifFigure::BackSlant:
                Segment(c, {x - z.S / 2, y - c.U12}, {x + z.S / 2, y + c.U12});
                break;
            case MotifFigure::ForwardSlant:
                Segment(c, {x + c.U24, y - c.U12}, {x - c.U24, y + c.U12});
                break;
            case MotifFigure::AlternatingSlant:
                Segment(c, {x - sign * c.U24, y - c.U12}, {x + sign * c.U24, y + c.U12});
                break;
            default:
                break;
            }
        }
    }
    return true;
}

}  // namespace

std::int32_t MotifVariant(std::int32_t Motif)
{
    switch (Motif) {
    case 10: return 109;
    case 11: return 105;
    case 12: return 110;
    case 13: return 101;
    case 15: return 104;
    case 33: return 106;
    case 34: return 107;
    case 55: return 108;
    case 66: return 102;
    case 97: return 103;
    case 98: return 100;
    default: return Motif;
    }
}

bool MotifDraws(std::int32_t Motif) { return FindMotifDef(Motif) != nullptr; }

void DrawMotif(std::int32_t Left, std::int32_t Top, std::int32_t Right, std::int32_t Bottom, std::int32_t Motif,
               std::int32_t SizeX, std::int32_t SizeY, bool Widen)
{
    const std::int64_t W = std::int64_t(Right) - Left;
    const std::int64_t H = std::int64_t(Bottom) - Top;
    if (Motif == 0 || W <= 0 || H <= 0)
        return;
    const MotifDef* def = FindMotifDef(Motif);
    if (!def)
        return;

    Ctx c;
    c.Left = Left;
    c.Top = Top;
    c.Right = Right;
    c.Bottom = Bottom;
    c.W = W;
    c.H = H;
    c.SetUnits(kGridUnits);
    const RowCounts rows = CountRows(W, H);

    if (def->Base == MotifBase::Tiles) {
        if (const MotifTileDef* t = FindMotifTileDef(Motif))
            DrawTiles(c, *t, SizeX, SizeY);
        return;
    }
    if (!DrawBase(c, def->Base, rows))
        return;
    for (int k = 0; k < def->LayerCount; ++k)
        if (!DrawLayer(c, def->Layers[k], rows, Widen))
            return;
}

void ClipCellSegment(const MotifCell& Cell, double X1, double Y1, double X2, double Y2)
{
    if (Cell.W <= 0 || Cell.H <= 0)
        return;
    Ctx c;
    c.Left = Cell.Left;
    c.Top = Cell.Top;
    c.Right = ClampToInt32(Cell.Left + Cell.W);
    c.Bottom = ClampToInt32(Cell.Top + Cell.H);
    c.W = Cell.W;
    c.H = Cell.H;
    c.SetUnits(kGridUnits);
    const long double wk = static_cast<long double>(c.WK);
    auto units = [&](double v) -> i128 {
        const long double u = std::nearbyint(static_cast<long double>(v) * wk);
        // Far beyond the cell, a coordinate only has to stay beyond it.
        const long double lim = 1e30L;
        return static_cast<i128>(std::clamp(u, -lim, lim));
    };
    if (!std::isfinite(X1) || !std::isfinite(Y1) || !std::isfinite(X2) || !std::isfinite(Y2))
        return;
    Segment(c, {units(X1), units(Y1)}, {units(X2), units(Y2)});
}
