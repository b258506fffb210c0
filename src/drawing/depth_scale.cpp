// The depth scale of the log, and the order in which the left half of the log
// is drawn (scale, column outline, levels, total depth).
#include <cmath>

#include "drawing/lithology_column.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"

double GraduationStep(double Extent)
{
    if (!(Extent > 0) || !std::isfinite(Extent))
        return 1;
    const double L = std::log10(Extent);
    const double N = std::trunc(L);
    const double F = L - N;  // negative below 1 m
    // trunc(10^N): 0 below 1 m, so the step ends at its floor of 1.
    double step = N >= 0 ? std::floor(std::pow(10.0, N)) : 0;
    if (F > 0.8)
        step *= 5;
    if (F < 0.6)
        step = std::floor(step / 2);
    if (step < 1)
        step = 1;
    return step;
}

void DessinerGraduations(LogContext& Log, std::int32_t X)
{
    const double tick = GraduationStep(Log.ProfBas - Log.ProfHaut) / 10;
    AddSegmentA(X, Log.YHaut, X, Log.YBas);
    const double first = std::trunc(Log.ProfHaut / tick);
    const double last = std::trunc(Log.ProfBas / tick);
    // A range far from 0 in metres but short in ticks is fine; an absurd one
    // (beyond exact integers, or more ticks than rows) draws only the line.
    if (!std::isfinite(first) || !std::isfinite(last) || std::fabs(first) > 9.0e15 || std::fabs(last) > 9.0e15 ||
        last - first > 1000000)
        return;
    const std::int32_t half = static_cast<std::int32_t>(static_cast<std::uint32_t>(BaseLineHeight) >> 1);
    for (std::int64_t i = static_cast<std::int64_t>(first); i <= static_cast<std::int64_t>(last); ++i) {
        const double depth = double(i) * tick;
        const std::int32_t Y = Log.ProfVersY(depth);
        if (i % 10 == 0) {
            AddSegmentA(X, Y, X + Log.Ecart, Y);
            const std::string label = IntToStr(static_cast<std::int64_t>(std::trunc(depth))) + " ";
            TextOutScaled(X - TextWidthOf(label), Y - half, 10, label);
        } else if (i % 5 == 0) {
            AddSegmentA(X, Y, X + static_cast<std::int32_t>(static_cast<std::uint32_t>(Log.Ecart) >> 1), Y);
        } else {
            AddSegmentA(X, Y, X + static_cast<std::int32_t>(static_cast<std::uint32_t>(Log.Ecart) >> 2), Y);
        }
    }
}

void DessinerEchelleEtLitho(LogContext& Log)
{
    Canvas& c = *Log.Target;
    // The caption lies above the log, outside its clip.
    FlushLines();
    c.SelectNoClipRegion();
    TextOutScaled(Log.XEchelle, Log.YHaut - BaseLineHeight, 10, "Depth (m)");
    DessinerGraduations(Log, Log.XEchelle);
    FlushLines();
    Log.SelectLogClip();

    // The column's frame starts at depth 0: with a window below 0 its top edge
    // lies above the clip.
    RectangleA(Log.XLitho, Log.ClampToBand(Log.ProfVersY(0)), Log.XLithoFin, Log.YBas);
    if (!DessinerNiveaux(Log, true))
        DessinerNiveaux(Log, false);

    const TDirBlock* ouvrage = Log.BoreholeDir ? Log.BoreholeDir->FindDir("Ouvrage") : nullptr;
    const double prof = CellFloat(TableColumn(ouvrage, "Prof"), Log.OuvrageRow);
    if (!IsMissingFloat(prof) && prof <= Log.ProfBas) {
        FlushLines();
        c.SelectNoClipRegion();
        TextOutAngleScaled(Log.Left, Log.YPage - (2 * BaseLineHeight) / 3, 10, FloatToStrFixed(prof, 2), 450);
        Log.SelectLogClip();
        FlushLines();
    }
}
