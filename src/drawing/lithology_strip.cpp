// The lithology strip: the levels of an ouvrage as a narrow bar of colours and
// patterns, without text (the collection window's strip view, the equipment
// picture).
#include <algorithm>
#include <cmath>

#include "drawing/lithology_column.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

// Rows held within one strip height above and below the strip, so that a
// level far deeper than the drawn depth never reaches the canvas as an absurd
// coordinate.
std::int32_t StripRow(double depth, double bottomDepth, const TRect& rect)
{
    const std::int64_t h = std::int64_t(rect.Bottom) - rect.Top;
    double v = depth * double(h) / bottomDepth + rect.Top;
    if (std::isnan(v))
        v = rect.Top;
    const double lo = double(rect.Top) - std::llabs(h) - 1, hi = double(rect.Bottom) + std::llabs(h) + 1;
    return ClampToInt32(RoundHalfEven64(std::clamp(v, lo, hi)));
}

}  // namespace

void DessinerBandeLitho(const TDirBlock& Root, std::string_view Path, std::string_view Designation, Canvas& Target,
                        const TRect& Rect, double Depth, bool Framed)
{
    SetDrawCanvas(&Target);
    Target.Pen.Style = PenStyle::Solid;
    Target.Brush.Style = BrushStyle::Solid;

    const TDirBlock* borehole = Root.FindDir(Path);
    const TDirBlock* table = borehole ? borehole->FindDir("Niveau") : nullptr;
    const LevelColumns levels(table);
    if (!levels.To)
        return;
    // The total depth of the drawn ouvrage, at its own row of "Ouvrage".
    const double prof =
        CellFloat(TableColumn(borehole->FindDir("Ouvrage"), "Prof"), OuvrageRowOf(*borehole, Designation));
    const int rows = table->RowCount();

    if (IsMissingFloat(Depth) || !std::isfinite(Depth)) {
        Depth = prof;
        for (int r = 0; r < rows; ++r) {
            if (!RowBelongsToOuvrage(levels.Design, r, Designation))
                continue;
            for (const TBlock* col : {levels.From, levels.To}) {
                const double v = CellFloat(col, r);
                if (!IsMissingFloat(v) && v > Depth)
                    Depth = v;
            }
        }
    }
    // No depth, or a depth at or above the ground: nothing to scale the strip by.
    if (!(Depth > 0))
        return;

    for (int pass = 0; pass < 2; ++pass) {
        const bool passCoupe = pass == 0;
        bool found = false;
        DepthChain chain;
        for (int r = 0; r < rows; ++r) {
            if (!levels.InPass(r, Designation, passCoupe))
                continue;
            found = true;
            const double to = levels.Bottom(r, prof);
            // A level without a bottom, when the ouvrage has no depth either,
            // is left out and gives its top to nothing.
            if (IsMissingFloat(to))
                continue;
            const double from = chain.From(CellFloat(levels.From, r), to);
            if (to < 0 || from > Depth)
                continue;
            const TCodeMotifColour mc = LevelMotifColour(passCoupe, levels.Code, levels.Litho, r, true);
            const std::int32_t y1 = StripRow(from, Depth, Rect), y2 = StripRow(to, Depth, Rect);
            FillColorRect(Rect.Left, y1, Rect.Right, y2, mc.Colour);
            DrawMotif(Rect.Left, y1, Rect.Right, y2, mc.Motif, 4, 6, !Framed);
            if (Framed) {
                RectangleA(Rect.Left, y1, Rect.Right, y2);
            } else {
                AddSegmentA(Rect.Left, y1, Rect.Right, y1);
                AddSegmentA(Rect.Left, y2, Rect.Right, y2);
            }
        }
        if (found)
            break;
    }
    FlushLines();
}
