#include "app/strati_layout.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "drawing/primitives.h"
#include "drawing/rounding.h"

namespace {

// The zoom stops doubling here, long before the sizes leave 32 bits.
constexpr std::int32_t kMaxStratiZoom = 1 << 20;

std::int64_t Duration(const TPosStrati& u) { return std::int64_t(u.end) - u.start; }

bool StartsWith(const std::string& s, const char* prefix) { return s.rfind(prefix, 0) == 0; }

// Copies the scale into the units, widening the smallest start and the
// largest end (both from 0) and marking the units that are never drawn.
void CopyScale(StratiLayout& l, const std::vector<TStratiUnit>& scale, bool ante)
{
    l.Units.clear();
    l.SmallestStart = 0;
    l.LargestEnd = 0;
    l.HighestColumn = 0;
    l.Depth = 0;
    for (const TStratiUnit& s : scale) {
        TPosStrati u;
        u.start = s.StartValue;
        u.end = s.EndValue;
        u.name = s.UnitName;
        l.SmallestStart = std::min({l.SmallestStart, u.start, u.end});
        l.LargestEnd = std::max({l.LargestEnd, u.start, u.end});
        u.hidden = u.start == u.end || StartsWith(u.name, "PH-") || StartsWith(u.name, "PHASE-") ||
                   (ante && StartsWith(u.name, "ANTE-"));
        l.Units.push_back(std::move(u));
    }
}

// The exchange procedure: visible units out of order swap places (whole
// records); hidden ones keep theirs.
template <class OutOfOrder>
void Exchange(std::vector<TPosStrati>& units, OutOfOrder outOfOrder)
{
    for (std::size_t i = 0; i + 1 < units.size(); ++i) {
        if (units[i].hidden) continue;
        for (std::size_t j = i + 1; j < units.size(); ++j)
            if (!units[j].hidden && outOfOrder(units[i], units[j])) std::swap(units[i], units[j]);
    }
}

bool SameSpan(const TPosStrati& a, const TPosStrati& b) { return a.start == b.start && a.end == b.end; }

std::int32_t FindPath(StratiLayout& l, std::int32_t from, std::int32_t to, std::int32_t budget, std::int32_t steps)
{
    if (steps > kStratiMaxRun) return -1;
    std::int32_t tried = 0;
    for (std::size_t i = 0; i < l.Units.size(); ++i) {
        TPosStrati& u = l.Units[i];
        if (u.hidden || u.placed || u.start != from) continue;
        ++tried;
        if (u.end == to) return static_cast<std::int32_t>(i);
        u.placed = true;
        const std::int32_t found = FindPath(l, u.end, to, budget - 1, steps + 1);
        l.Units[i].placed = false;
        if (found >= 0) return static_cast<std::int32_t>(i);
        if (tried >= budget) return -1;
    }
    return -1;
}

}  // namespace

TColor RandomLightColour()
{
    return static_cast<TColor>(Random(0x1000000)) | 0xC0C0C0u;
}

void LayoutStratiBySize(StratiLayout& l, const std::vector<TStratiUnit>& scale)
{
    CopyScale(l, scale, false);
    std::vector<TPosStrati>& u = l.Units;
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (u[i].hidden) continue;
        for (std::size_t j = i + 1; j < u.size(); ++j) {
            if (SameSpan(u[i], u[j])) u[j].hidden = true;
            else if (u[i].start <= u[j].start && u[j].end <= u[i].end) ++u[i].contained;
        }
    }
    Exchange(u, [](const TPosStrati& a, const TPosStrati& b) { return a.contained < b.contained; });
    Exchange(u, [](const TPosStrati& a, const TPosStrati& b) { return Duration(a) < Duration(b); });

    const double span = (double(l.LargestEnd) - double(l.SmallestStart)) / 100.0;
    for (std::size_t k = 0; k < u.size(); ++k) {
        if (u[k].hidden) continue;
        u[k].colour = l.LightColour();
        std::int32_t c = 0;
        for (;;) {
            bool overlap = false;
            bool touches = false;
            std::int64_t longest = 0;
            int count = 0;
            for (std::size_t p = 0; p < k; ++p) {
                if (!u[p].placed || u[p].column != c) continue;
                if (u[k].start < u[p].end && u[p].start < u[k].end) {
                    overlap = true;
                    break;
                }
                if (u[k].start == u[p].end || u[p].start == u[k].end) {
                    touches = true;
                    u[k].colour = u[p].colour;
                }
                longest = std::max(longest, Duration(u[p]));
                ++count;
            }
            if (overlap) {
                ++c;
                continue;
            }
            if (count > 0 && double(Duration(u[k])) * (touches ? 5.0 : 2.0) + span < double(longest)) {
                ++c;
                continue;
            }
            break;
        }
        u[k].column = c;
        u[k].placed = true;
        l.HighestColumn = std::max(l.HighestColumn, c);
    }
}

void ComputeStratiLevels(StratiLayout& l)
{
    std::vector<TPosStrati>& u = l.Units;
    for (std::size_t i = 0; i + 1 < u.size(); ++i) {
        if (u[i].hidden) continue;
        for (std::size_t j = i + 1; j < u.size(); ++j) {
            if (u[j].hidden) continue;
            const std::int64_t di = Duration(u[i]);
            const std::int64_t dj = Duration(u[j]);
            if (di > 2 * dj || dj > 2 * di) continue;
            if (SameSpan(u[i], u[j])) u[j].hidden = true;
            else if (u[i].end == u[j].start) u[i].level = std::max(u[i].level, u[j].level + 1);
            else if (u[i].start == u[j].end) u[j].level = std::max(u[j].level, u[i].level + 1);
        }
    }
}

void LayoutStratiBySuccession(StratiLayout& l, const std::vector<TStratiUnit>& scale)
{
    CopyScale(l, scale, false);
    std::vector<TPosStrati>& u = l.Units;
    Exchange(u, [](const TPosStrati& a, const TPosStrati& b) { return a.start < b.start; });
    ComputeStratiLevels(l);
    Exchange(u, [](const TPosStrati& a, const TPosStrati& b) { return a.level < b.level; });

    std::vector<StratiChain> chains;
    for (std::size_t i = 0; i < u.size(); ++i) {
        if (u[i].hidden || u[i].chained) continue;
        StratiChain chain;
        chain.units.push_back(static_cast<std::int32_t>(i));
        chain.start = u[i].start;
        chain.end = u[i].end;
        double count = 1;
        double total = double(Duration(u[i]));
        u[i].chained = true;
        for (bool grew = true; grew;) {
            grew = false;
            for (std::size_t j = i + 1; j < u.size(); ++j) {
                if (u[j].hidden || u[j].chained || u[j].start != chain.end) continue;
                const double dj = double(Duration(u[j]));
                const double average = total / count;
                if (!(2 * dj >= average && dj <= 3 * average)) continue;
                chain.units.push_back(static_cast<std::int32_t>(j));
                u[j].chained = true;
                chain.end = u[j].end;
                total += dj;
                count += 1;
                grew = true;
                break;
            }
        }
        chain.score = total / count;
        chains.push_back(std::move(chain));
    }

    std::vector<std::size_t> order(chains.size());
    for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
    for (std::size_t a = 0; a < order.size(); ++a)
        for (std::size_t b = 0; b < order.size(); ++b)
            if (chains[order[a]].score < chains[order[b]].score) std::swap(order[a], order[b]);

    for (std::size_t n : order) {
        const StratiChain& chain = chains[n];
        const TColor colour = l.LightColour();
        std::int32_t c = 0;
        for (bool moved = true; moved;) {
            moved = false;
            for (const TPosStrati& p : u)
                if (p.placed && !p.hidden && p.column >= c && p.end > chain.start && p.start < chain.end) {
                    c = p.column + 1;
                    moved = true;
                    break;
                }
        }
        for (std::int32_t k : chain.units) {
            TPosStrati& p = u[static_cast<std::size_t>(k)];
            p.placed = true;
            p.column = c;
            p.colour = colour;
        }
        l.HighestColumn = std::max(l.HighestColumn, c);
    }
    for (TPosStrati& p : u) p.column = l.HighestColumn - p.column;
}

void LayoutStratiTree(StratiLayout& l, const std::vector<TStratiUnit>& scale)
{
    CopyScale(l, scale, true);
    std::vector<TPosStrati>& u = l.Units;
    for (std::size_t i = 0; i + 1 < u.size(); ++i) {
        if (u[i].hidden) continue;
        for (std::size_t j = i + 1; j < u.size(); ++j)
            if (SameSpan(u[i], u[j])) u[j].hidden = true;
    }
    Exchange(u, [](const TPosStrati& a, const TPosStrati& b) { return Duration(a) < Duration(b); });
    CoverStratiInterval(l, l.SmallestStart, l.LargestEnd);
}

std::int32_t FindStratiPath(StratiLayout& l, std::int32_t from, std::int32_t to, std::int32_t budget)
{
    return FindPath(l, from, to, budget, 0);
}

bool CoverStratiInterval(StratiLayout& l, std::int32_t from, std::int32_t to)
{
    if (l.Depth > kStratiMaxRun) return false;
    const TColor colour = l.LightColour();
    std::int32_t cur = from;
    for (;;) {
        const std::int32_t k = FindStratiPath(l, cur, to, 3);
        if (k < 0) return false;
        auto unit = [&l](std::int32_t i) -> TPosStrati& { return l.Units[static_cast<std::size_t>(i)]; };
        unit(k).placed = true;
        unit(k).colour = colour;
        unit(k).column = l.Depth;
        l.HighestColumn = std::max(l.HighestColumn, l.Depth);
        ++l.Depth;
        std::int32_t standing = k;
        if (!CoverStratiInterval(l, unit(k).start, unit(k).end)) {
            const std::int32_t k2 = FindStratiPath(l, cur, to, 3);
            if (k2 >= 0) {
                unit(k).hidden = true;
                unit(k).placed = false;
                unit(k2).placed = true;
                unit(k2).colour = colour;
                if (CoverStratiInterval(l, unit(k2).start, unit(k2).end)) {
                    unit(k2).column = l.Depth - 1;
                    standing = k2;
                } else {
                    unit(k2).hidden = true;
                    unit(k2).placed = false;
                    unit(k).hidden = false;
                    unit(k).placed = true;
                    unit(k).colour = colour;
                }
            }
        }
        --l.Depth;
        cur = unit(standing).end;
        if (cur == to) return true;
    }
}

// ---- view ------------------------------------------------------------------

StratiFrame ComputeStratiFrame(std::int32_t clientWidth, std::int32_t clientHeight, std::int32_t toolBarHeight,
                               std::int32_t margin, const StratiView& view)
{
    const double root = std::sqrt(double(std::clamp(view.Zoom, 1, kMaxStratiZoom)));
    StratiFrame f;
    f.W = RoundHalfEven(double(clientWidth) * root) - 2 * margin;
    f.H = RoundHalfEven(double(clientHeight - toolBarHeight) * root) - 2 * margin;
    if (f.W <= 0) f.W = 1;
    if (f.H <= 0) f.H = 1;
    f.X0 = clientWidth / 2 - RoundHalfEven(double(f.W) * double(view.ViewX));
    f.Y0 = (clientHeight + toolBarHeight) / 2 - RoundHalfEven(double(f.H) * double(view.ViewY));
    return f;
}

TRect StratiUnitRect(const StratiLayout& l, const TPosStrati& u, const StratiFrame& f)
{
    const std::int64_t columns = std::int64_t(l.HighestColumn) + 1;
    const std::int64_t range = std::int64_t(l.LargestEnd) - l.SmallestStart + 1;
    TRect r;
    r.Left = ClampToInt32(std::int64_t(u.column) * f.W / columns + f.X0);
    r.Right = ClampToInt32((std::int64_t(u.column) + 1) * f.W / columns + f.X0 + 1);
    r.Top = ClampToInt32(std::int64_t(u.start) * f.H / range + f.Y0);
    r.Bottom = ClampToInt32(std::int64_t(u.end) * f.H / range + f.Y0 + 1);
    return r;
}

void PlaceStratiBounds(StratiLayout& l, const StratiFrame& f)
{
    for (TPosStrati& u : l.Units) u.bounds = (u.placed && !u.hidden) ? StratiUnitRect(l, u, f) : TRect{};
}

std::int32_t StratiUnitAt(const StratiLayout& l, std::int32_t x, std::int32_t y)
{
    for (std::size_t i = 0; i < l.Units.size(); ++i)
        if (l.Units[i].bounds.Contains(x, y)) return static_cast<std::int32_t>(i);
    return -1;
}

void StratiZoomIn(StratiView& v)
{
    if (v.Zoom < kMaxStratiZoom) v.Zoom *= 2;
}

void StratiZoomOut(StratiView& v)
{
    if (v.Zoom > 1) v.Zoom /= 2;
    if (v.Zoom == 1) {
        v.ViewX = 0.5f;
        v.ViewY = 0.5f;
    }
}

void StratiDrag(StratiView& v, std::int32_t dx, std::int32_t dy, const StratiFrame& f)
{
    v.ViewX = std::clamp(v.ViewX - float(dx) / float(f.W), 0.0f, 1.0f);
    v.ViewY = std::clamp(v.ViewY - float(dy) / float(f.H), 0.0f, 1.0f);
}
