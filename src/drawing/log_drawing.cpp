#include "drawing/log_drawing.h"

#include <algorithm>
#include <cmath>

#include "drawing/hit_maps.h"
#include "drawing/lithology_column.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

// Makes the context the active one for the length of the drawing, and leaves
// no batch behind when a drawing is abandoned by an exception.
class ActiveLogScope {
public:
    explicit ActiveLogScope(LogContext* log) { SetActiveLog(log); }
    ~ActiveLogScope()
    {
        SetActiveLog(nullptr);
        if (std::uncaught_exceptions() > 0)
            ClearLineBatches();
    }
    ActiveLogScope(const ActiveLogScope&) = delete;
    ActiveLogScope& operator=(const ActiveLogScope&) = delete;
};

std::int32_t SpanOf(std::int32_t from, std::int32_t to) { return ClampToInt32(std::int64_t(to) - from + 1); }

std::string BottomTextTemplate()
{
    return IniCarotix ? IniCarotix->ReadString("Dessin", "TexteBasDroite", "%Date%") : std::string("%Date%");
}

}  // namespace

// ---------------------------------------------------------------------------
// Pattern catalogue
// ---------------------------------------------------------------------------

void DessinerCatalogueMotifs(const LogContext& Log)
{
    Canvas& c = *Log.Target;
    auto cellX = [&](std::int32_t col) { return Log.Left + RoundFraction(Log.W, col, 6); };
    auto cellY = [&](std::int32_t row) { return Log.Top + RoundFraction(Log.H, row, 16); };
    for (std::int32_t col = 0; col < 6; ++col)
        for (std::int32_t row = 0; row < 16; ++row) {
            const std::int32_t l = cellX(col), r = cellX(col + 1) - 1, t = cellY(row), b = cellY(row + 1) - 1;
            c.Pen.Color = clBlack;
            DrawMotif(l, t, r, b, 16 * col + row + 1, Log.W, Log.H, false);
            RectangleA(l, t, r, b);
        }
    FlushLines();
    for (std::int32_t col = 0; col < 6; ++col)
        for (std::int32_t row = 0; row < 16; ++row) {
            c.Font.Color = clRed;
            c.Brush = TBrush{BrushStyle::Solid, clWhite};
            c.Pen = TPen{PenStyle::Solid, clBlack, c.Pen.Width};
            TextOutFramed(cellX(col) + 2, cellY(row) + 2, 15, IntToStr(16 * col + row + 1));
        }
}

// ---------------------------------------------------------------------------
// The entry
// ---------------------------------------------------------------------------

bool DessinerCoupe(const TDirBlock& Root, std::string_view Path, std::string_view Designation,
                   std::string_view TubeName, Canvas& Target, std::int32_t Left, std::int32_t Top, std::int32_t Right,
                   std::int32_t Bottom, double DepthFrom, double DepthTo, bool ResetMaps)
{
    if (ResetMaps)
        ResetZonesCoupe();
    SetDrawCanvas(&Target);
    Target.Pen.Style = PenStyle::Solid;
    Target.Brush.Style = BrushStyle::Solid;

    LogContext log;
    log.Root = &Root;
    log.Path = std::string(Path);
    log.Designation = std::string(Designation);
    log.TubeName = std::string(TubeName);
    log.Target = &Target;
    log.Left = Left;
    log.Top = Top;
    log.Right = Right;
    log.Bottom = Bottom;
    log.ResetMaps = ResetMaps;
    log.W = SpanOf(Left, Right);
    log.H = SpanOf(Top, Bottom);

    PenThin = 1;
    PenMedium = std::max(1, log.W / 1000);
    PenThick = std::max(1, log.W / 300);
    SetTextFont("Verdana", log.H < 100 ? -1 : -(log.H / 100));

    if (Path.empty()) {
        DessinerCatalogueMotifs(log);
        FlushLines();
        return true;
    }
    log.BoreholeDir = Root.FindDir(Path);
    if (!log.BoreholeDir) {
        FlushLines();
        return false;
    }
    log.OuvrageRow = OuvrageRowOf(*log.BoreholeDir, Designation);

    ActiveLogScope active(&log);
    CalculerBornesCoupe(log);
    AppliquerFenetre(log, DepthFrom, DepthTo);

    bool result = true;
    // A window whose end is not below its start is as empty as no depth at
    // all (a reversed range would draw the log upside down).
    if (!(log.Etendue > 0)) {
        FlushLines();
        result = false;
    } else if (log.W >= 100 && log.H >= 100) {
        CalculerMiseEnPage(log);
        Target.Font.Color = clBlack;
        // The title band's grid divides by the band's size: a band of no
        // height keeps the page frame and the band line, without objects.
        if (OptTailleBandeau > 0) {
            DessinerEntete(log);
        } else {
            RectangleB(Left, Top, Right, Bottom);
            AddSegmentA(Left, log.YBandeau, Right, log.YBandeau);
        }

        std::string text;
        ExpandFields(BottomTextTemplate(), Root, Path, text, TubeName, Designation);
        TextOutAngleScaled(Right - BaseLineHeight - PenThick, log.YPage - PenThick, 10, text, 900);
        FlushLines();

        // A title band and a bottom picture that take the whole height leave
        // no rows for the columns.
        if (log.HasLogRows()) {
            TextWidthOf("");
            const std::int32_t hg = Target.TextHeight("Hg");
            log.LogClip = Region(TRect{Left, log.YHaut - hg / 2, ClampToInt32(std::int64_t(Right) + 1),
                                       ClampToInt32(std::int64_t(log.YBas) + hg / 2 + 1)});
            log.SelectLogClip();
            if (!DessinerColonneTechnique(log))
                ElargirTexte(log);
            DessinerEchelleEtLitho(log);
            FlushLines();
        }
        Target.SelectNoClipRegion();
        DessinerImageBas(log);
    }

    // What the other users of the line batches find after a log drawing.
    Target.Pen.Width = 0;
    Target.Pen.Style = PenStyle::Solid;
    PenMedium = 0;
    PenThick = 2;
    return result;
}
