#include "drawing/technical/technical_column.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "drawing/hit_maps.h"
#include "drawing/lithology_column.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

// ---------------------------------------------------------------------------
// Working state
// ---------------------------------------------------------------------------

TechColumn::TechColumn(LogContext& log)
    : Log(log), Profils(log.XAxe, log.YHaut, log.YBas, PenThick, PenMedium), HautTubageLarge(log.YHaut)
{
}

void TechColumn::Etiquette(std::int32_t Cle, std::string_view Texte, double Y, double YDebut, double YFin)
{
    AjouterEtiquette(Etiquettes, Log.YHaut, Log.YBas, Cle, Texte, Y, YDebut, YFin);
}

void TechColumn::Repere(double Depth)
{
    const double y = Log.ProfVersYReel(Depth);
    Etiquette(kCleRepere, FloatToStrFixed(Depth, 2), y, y, y);
}

double TechColumn::OuvrageFloat(std::string_view Column) const
{
    if (!Log.BoreholeDir || Log.OuvrageRow < 0)
        return MissingFloat;
    return CellFloat(TableColumn(Log.BoreholeDir->FindDir("Ouvrage"), Column), Log.OuvrageRow);
}

std::int32_t CellInt(const TBlock* Column, int Row)
{
    if (!Column || Row < 0 || Row >= Column->Count())
        return MissingInt;
    return Column->GetInt(Row);
}

// ---------------------------------------------------------------------------
// Order of the column
// ---------------------------------------------------------------------------

bool DessinerColonneTechnique(LogContext& Log)
{
    if (!Log.HasLogRows() || !Log.Target)
        return false;
    Canvas& canvas = *Log.Target;
    TechColumn T(Log);

    DessinerTrouNu(T);
    DessinerTubage(T, false);
    FlushLines();

    if (T.TrouDessine) {
        // The fill stops at the hole walls and at the casing; it is also kept
        // within the log's rows, so a page slice never shows it elsewhere.
        Region clip = T.Profils.RegionTrou;
        if (Log.LogClip)
            clip.Intersect(*Log.LogClip);
        canvas.SelectClipRegion(clip);
        DessinerAnnulaire(T);
        FlushLines();
        // Each band between tubes selects its own clip, always within the
        // log's rows; nothing of this pass may reach the title block.
        Log.SelectLogClip();
        if (DessinerAnnulaireInterne(T)) {
            // Casing drawn again over the fill between tubes, under the log's
            // clip so that a sliced page never paints casing over its title.
            Log.SelectLogClip();
            DessinerTubage(T, true);
            FlushLines();
        }
        Log.SelectLogClip();
        DessinerCentreurs(T);
        FlushLines();
    }

    if (T.TrouDessine || T.TubageDessine) {
        canvas.SelectNoClipRegion();
        DessinerGraduations(Log, Log.XEchelleTech);
        FlushLines();
        Log.SelectLogClip();
    }

    const bool annotated = !T.Etiquettes.empty();
    DessinerAnnotations(Log, T.Etiquettes, T.Profils);
    FlushLines();
    return T.TrouDessine || T.TubageDessine || annotated;
}

// ---------------------------------------------------------------------------
// Open hole
// ---------------------------------------------------------------------------

void ParcourirSections(const LogContext& Log, const TDirBlock& Table, const TBlock* From, const TBlock* To,
                       const std::function<void(int Row, double From, double To)>& Section)
{
    const TBlock* design = DesignColumn(Table);
    DepthChain chain;
    const int rows = Table.RowCount();
    for (int r = 0; r < rows; ++r) {
        if (!RowBelongsToOuvrage(design, r, Log.Designation))
            continue;
        const double to = CellFloat(To, r);
        const double from = chain.From(CellFloat(From, r), to);
        if (!IsMissingFloat(from) && !IsMissingFloat(to))
            Section(r, from, to);
    }
}

void DessinerTrouNu(TechColumn& T)
{
    LogContext& Log = T.Log;
    const TDirBlock* dir = Log.BoreholeDir ? Log.BoreholeDir->FindDir("Trou-nu") : nullptr;
    if (!dir)
        return;
    const TBlock* deb = TableColumn(dir, OptTrouNuDeb);
    const TBlock* fin = TableColumn(dir, OptTrouNuFin);
    const TBlock* diam = TableColumn(dir, OptTrouNuDiam);
    const TBlock* methode = TableColumn(dir, "Méthode");
    const TBlock* fluide = TableColumn(dir, "Fluide");
    const std::int64_t X = Log.XAxe;

    std::int32_t prevHW = Log.DemiLargeurMax;
    std::optional<std::int32_t> prevBottom;
    ParcourirSections(Log, *dir, deb, fin, [&](int r, double From, double To) {
        double diameter = CellFloat(diam, r);
        std::string diamText;
        if (IsMissingFloat(diameter))
            diameter = T.OuvrageFloat("DiamTube");
        if (IsMissingFloat(diameter))
            diameter = 100;
        else
            diamText = IntToStr(RoundHalfEvenToInt32Clamped(diameter));
        T.TrouDessine = true;

        const std::string label = TexteForation(EntierOuZero(CellInt(methode, r)), EntierOuZero(CellInt(fluide, r))) +
                                  " " + diamText + "_mm";
        const std::int32_t TopRow = Log.ProfVersY(From);
        const std::int32_t HW = Log.DemiLargeur(diameter);
        if (prevBottom && TopRow == *prevBottom) {
            AddSegmentA(ClampToInt32(X - prevHW), TopRow, ClampToInt32(X - HW), TopRow);
            AddSegmentA(ClampToInt32(X + prevHW), TopRow, ClampToInt32(X + HW), TopRow);
        }
        const std::int32_t BottomRow = Log.ProfVersY(To);
        T.Repere(To);
        T.Profils.AjouterParoiInterne(TopRow, HW, BottomRow, HW);
        AddSegmentA(ClampToInt32(X - HW), TopRow, ClampToInt32(X - HW), BottomRow);
        AddSegmentA(ClampToInt32(X + HW), TopRow, ClampToInt32(X + HW), BottomRow);
        T.Etiquette(ClampToInt32(X + HW), label, double((std::int64_t(TopRow) + BottomRow) / 2), TopRow, BottomRow);
        if (Log.ResetMaps) {
            const std::int64_t reach = (3 * std::int64_t(Log.DemiLargeurMax)) / 2;
            ZonesTrouNu.push_back({TRect{ClampToInt32(X - reach), TopRow, ClampToInt32(X - HW), BottomRow},
                                   TRect{ClampToInt32(X + HW), TopRow, ClampToInt32(X + reach), BottomRow}, r});
        }
        if (OptSolVisible && From <= 0 && 0 <= To) {
            const std::int32_t row0 = Log.ProfVersY(0);
            const std::int64_t reach =
                Log.DemiLargeurMax + (X - Log.XEchelleTech - Log.DemiLargeurMax) / 2;
            AddSegmentB(ClampToInt32(X - reach), row0, ClampToInt32(X - HW), row0);
            AddSegmentB(ClampToInt32(X + reach), row0, ClampToInt32(X + HW), row0);
        }
        prevHW = HW;
        prevBottom = BottomRow;
    });
    // Only the last section is closed at the bottom: a gap between sections
    // leaves both ends open.
    if (prevBottom)
        AddSegmentA(ClampToInt32(X - prevHW), *prevBottom, ClampToInt32(X + prevHW), *prevBottom);
}

// ---------------------------------------------------------------------------
// Water level
// ---------------------------------------------------------------------------

void DessinerNiveauEau(TechColumn& T, bool Label)
{
    LogContext& Log = T.Log;
    const double depth = T.OuvrageFloat("ProfEau");
    if (IsMissingFloat(depth))
        return;
    const std::int32_t Row = Log.ProfVersY(depth);
    if (!(T.TubageDessine || T.TrouDessine) || !(Log.YHaut < Row && Row < Log.YBas))
        return;
    std::int32_t extent = T.Profils.TubageA(Row);
    if (extent == 0)
        extent = T.Profils.TrouA(Row);
    if (extent == 0)
        extent = Log.DemiLargeurMax / 2;
    const std::int64_t X = Log.XAxe;
    const std::int32_t X1 = ClampToInt32(X - extent);
    const std::int32_t X2 = ClampToInt32(X + extent);
    const std::int32_t S = BaseLineHeight;
    const std::int32_t Tt = RoundHalfEven(S / std::sqrt(3.0) / 2);
    const std::int32_t apex = ClampToInt32(std::int64_t(Row) - S / 2);

    if (OptSymboleEau == "Triangle") {
        AddSegmentA(X1, Row, X2, Row);
        AddSegmentA(Log.XAxe, Row, ClampToInt32(X - Tt), apex);
        AppendPointA(ClampToInt32(X + Tt), apex);
        AppendPointA(Log.XAxe, Row);
    } else if (OptSymboleEau == "Triangle plein") {
        AddSegmentA(X1, Row, X2, Row);
        Canvas& c = *DrawCanvas;
        const TBrush savedBrush = c.Brush;
        c.Brush = TBrush{BrushStyle::Solid, clBlack};
        c.Pen.Width = 1;
        c.Pen.Style = PenStyle::Solid;
        c.Pen.Color = clBlack;
        c.Polygon({{Log.XAxe, Row}, {ClampToInt32(X - Tt), apex}, {ClampToInt32(X + Tt), apex}});
        c.Brush = savedBrush;
    } else if (OptSymboleEau == "Sinusoïde") {
        const double span = double(X2) - X1;
        bool first = true;
        for (std::int64_t x = std::int64_t(X1) + 1; x <= X2; ++x) {
            const double a = 6 * std::numbers::pi * (double(x) - X1) / span;
            const std::int32_t D = RoundHalfEven(std::sin(a) * Log.W / 300.0);
            const std::int32_t y = ClampToInt32(std::int64_t(Row) + D);
            if (first) {
                AddSegmentA(X1, Row, static_cast<std::int32_t>(x), y);
                first = false;
            } else {
                AppendPointA(static_cast<std::int32_t>(x), y);
            }
        }
    }
    if (Label)
        T.Etiquette(X2, "water level  " + FloatToStr(depth) + "_m", Row, Row, Row);
}
