// Annular fill (between the open hole and the casing) and fill between tubes.
#include <algorithm>
#include <functional>
#include <optional>

#include "drawing/hit_maps.h"
#include "drawing/log_layout.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "drawing/regions.h"
#include "drawing/rounding.h"
#include "drawing/technical/technical_column.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

std::string TexteRemplissage(std::int32_t Type, std::int32_t Nature, bool HasGrainColumns, double GranDe,
                             double GranA)
{
    std::string label = TexteAnnulaire(Type, Nature);
    auto given = [](double v) { return !IsMissingFloat(v) && v != 0; };
    if (HasGrainColumns && (given(GranDe) || given(GranA))) {
        // A size left empty shows as "?" rather than as the text of a missing number.
        auto text = [](double v) { return IsMissingFloat(v) ? std::string("?") : FloatToStr(v); };
        label += " (" + text(GranDe) + "_à_" + text(GranA) + "_mm)";
    }
    return label;
}

namespace {

// One row of a fill table, as both painters start it.
struct LigneRemplissage {
    int Row = 0;
    std::int32_t TopRow = 0;
    std::int32_t BottomRow = 0;
    std::int32_t Mid = 0;
    std::string Label;
    std::int32_t Pattern = 0;
    const TDirBlock* Table = nullptr;
};

void ParcourirRemplissage(TechColumn& T, std::string_view tableName,
                          const std::function<void(const LigneRemplissage&)>& paint)
{
    LogContext& Log = T.Log;
    const TDirBlock* dir = Log.BoreholeDir ? Log.BoreholeDir->FindDir(tableName) : nullptr;
    const TBlock* fin = TableColumn(dir, OptAnnulaireFin);
    if (!dir || !fin)
        return;
    const TBlock* deb = TableColumn(dir, OptAnnulaireDeb);
    const TBlock* type = TableColumn(dir, OptAnnulaireType);
    const TBlock* nature = TableColumn(dir, OptAnnulaireNature);
    const TBlock* granDe = TableColumn(dir, "GranDe");
    const TBlock* granA = TableColumn(dir, "GranA");
    ParcourirSections(Log, *dir, deb, fin, [&](int r, double From, double To) {
        LigneRemplissage L;
        L.Row = r;
        L.Table = dir;
        // No fill starts above the top of the widest casing.
        L.TopRow = std::max({Log.ProfVersY(From), Log.YHaut, T.HautTubageLarge});
        L.BottomRow = Log.ProfVersY(To);
        if (From != 0)
            T.Repere(From);
        T.Repere(To);
        const std::int32_t Type = EntierOuZero(CellInt(type, r));
        const std::int32_t Nature = EntierOuZero(CellInt(nature, r));
        L.Label = TexteRemplissage(Type, Nature, granDe && granA, CellFloat(granDe, r), CellFloat(granA, r));
        L.Pattern = MotifAnnulaire(Type, Nature);
        L.Mid = ClampToInt32((std::int64_t(L.TopRow) + L.BottomRow) / 2);
        paint(L);
    });
}

}  // namespace

// ---------------------------------------------------------------------------
// Annular fill
// ---------------------------------------------------------------------------

void DessinerAnnulaire(TechColumn& T)
{
    LogContext& Log = T.Log;
    const ProfilsTechniques& P = T.Profils;
    const std::int64_t X = Log.XAxe;
    auto x = [&](std::int64_t d) { return ClampToInt32(X + d); };

    ParcourirRemplissage(T, "Annulaire", [&](const LigneRemplissage& L) {
        std::int32_t casingHW = 0;
        std::int32_t holeHW = 0;
        const std::int64_t first = std::int64_t(L.TopRow) + 1;
        if (P.InRows(first)) {
            casingHW = P.TubageA(first);
            holeHW = P.TrouA(first);
        } else if (P.InRows(L.TopRow)) {
            casingHW = P.TubageA(L.TopRow);
            holeHW = P.TrouA(L.TopRow);
        }
        if (Log.ResetMaps) {
            Region zone(TRect{x(-std::int64_t(Log.DemiLargeurMax)), L.TopRow, x(Log.DemiLargeurMax), L.BottomRow});
            zone.Intersect(P.RegionTrou);
            ZonesAnnulaire.push_back({std::move(zone), L.Row});
        }

        if (!(L.TopRow > Log.YBas || L.BottomRow < Log.YHaut)) {
            const std::int32_t top = std::max(L.TopRow, Log.YHaut);
            const std::int32_t bottom = std::min(L.BottomRow, Log.YBas - 1);
            const std::int64_t minBand = 2 * std::int64_t(Log.Centieme);
            bool labelled = false;

            auto closeBand = [&](std::int32_t bandTop, std::int32_t end, std::int32_t labelRow) {
                const std::int32_t a = bandTop + 1 <= end ? bandTop + 1 : bandTop;
                casingHW = P.LargeurTubageMin(a, end);
                holeHW = P.LargeurTrouMax(a, end);
                if (holeHW <= casingHW)
                    return;
                if (!labelled && labelRow >= L.Mid) {
                    T.Etiquette(x((std::int64_t(casingHW) + holeHW) / 2), L.Label,
                                ClampCentre(L.Mid, bandTop, labelRow, Log.Centieme), L.TopRow, L.BottomRow);
                    labelled = true;
                }
                if (casingHW == 0) {
                    DrawMotif(x(-std::int64_t(holeHW)), bandTop, x(holeHW), end, L.Pattern, Log.W, Log.H, false);
                } else {
                    DrawMotif(x(-std::int64_t(holeHW)), bandTop, x(-std::int64_t(casingHW) - PenThick / 2 - 1), end,
                              L.Pattern, Log.W, Log.H, false);
                    DrawMotif(x(std::int64_t(casingHW) + (PenThick + 1) / 2), bandTop, x(holeHW), end, L.Pattern,
                              Log.W, Log.H, false);
                }
            };

            // Bands of constant geometry, none shorter than two hundredths of
            // the width: within a band the narrowest casing and the widest
            // hole are used.
            std::int32_t bandTop = top;
            std::int64_t earliest = top + minBand;
            for (std::int32_t R = top + 2; R <= bottom; ++R) {
                if (R >= earliest && (P.TubageA(R) != casingHW || P.TrouA(R) != holeHW)) {
                    closeBand(bandTop, R - 1, R);
                    bandTop = R;
                    earliest = R + minBand;
                    casingHW = P.TubageA(R);
                    holeHW = P.TrouA(R);
                }
            }
            closeBand(bandTop, bottom, bottom);
        }

        if (P.InRows(L.TopRow) && P.TrouA(L.TopRow) != 0) {
            const std::int32_t hole = P.TrouA(L.TopRow);
            const std::int32_t casing = P.TubageA(L.TopRow);
            AddSegmentA(x(-std::int64_t(hole)), L.TopRow, x(-std::int64_t(casing)), L.TopRow);
            AddSegmentA(x(hole), L.TopRow, x(casing), L.TopRow);
        }
    });
}

// ---------------------------------------------------------------------------
// Fill between tubes
// ---------------------------------------------------------------------------

bool DessinerAnnulaireInterne(TechColumn& T)
{
    LogContext& Log = T.Log;
    Canvas& canvas = *Log.Target;
    const ProfilsTechniques& P = T.Profils;
    const std::int64_t X = Log.XAxe;
    auto x = [&](std::int64_t d) { return ClampToInt32(X + d); };
    bool filled = false;

    ParcourirRemplissage(T, "AnnulaireInterne", [&](const LigneRemplissage& L) {
        const TBlock* numColumn = TableColumn(L.Table, OptAnnulaireNum);
        const std::int32_t Num = numColumn ? EntierOuZero(CellInt(numColumn, L.Row)) : 1;
        Region rowRegion;
        ArrayOfAnnulairePoly bands;
        BandesEntreLignes(L.TopRow, L.BottomRow, Num, P.ParoisTubage, bands);
        bool labelled = false;
        for (const TAnnulairePoly& b : bands) {
            const std::int32_t inner = std::min(b.XA1, b.XA2);
            const std::int32_t outer = std::max(b.XB1, b.XB2);
            filled = true;
            // Lines still pending (the edges of the previous row) are drawn
            // before the band's clip is selected, within the log's rows.
            Log.SelectLogClip();
            FlushLines();
            // The band only ever shows through the log's clip: it is cut to
            // the clip's bounds before its region is built, so that a band
            // reaching far off the page costs no more than its visible part.
            const std::optional<TRect> within =
                Log.LogClip ? std::optional<TRect>(Log.LogClip->BoundingRect()) : std::nullopt;
            auto polygon = [&](const std::vector<TPoint>& pts) {
                return within ? Region::FromPolygon(pts, *within) : Region::FromPolygon(pts);
            };
            Region band;
            if (inner == 0) {
                band = polygon({{x(-std::int64_t(b.XB1)), b.Y1},
                                {x(b.XB1), b.Y1},
                                {x(b.XB2), b.Y2},
                                {x(-std::int64_t(b.XB2)), b.Y2}});
            } else {
                band = polygon({{x(-std::int64_t(b.XB1)), b.Y1},
                                {x(-std::int64_t(b.XA1)), b.Y1},
                                {x(-std::int64_t(b.XA2)), b.Y2},
                                {x(-std::int64_t(b.XB2)), b.Y2}});
                band.Unite(polygon({{x(b.XB1), b.Y1}, {x(b.XA1), b.Y1}, {x(b.XA2), b.Y2}, {x(b.XB2), b.Y2}}));
            }
            Region clip = band;
            if (Log.LogClip)
                clip.Intersect(*Log.LogClip);
            canvas.SelectClipRegion(clip);
            if (inner == 0) {
                DrawMotif(x(-std::int64_t(outer)), b.Y1, x(outer), b.Y2 - 1, L.Pattern, Log.W, Log.H, false);
            } else {
                DrawMotif(x(-std::int64_t(outer)), b.Y1, x(-std::int64_t(inner)), b.Y2 - 1, L.Pattern, Log.W, Log.H,
                          false);
                DrawMotif(x(inner), b.Y1, x(outer), b.Y2 - 1, L.Pattern, Log.W, Log.H, false);
            }
            FlushLines();
            Log.SelectLogClip();
            if (Log.ResetMaps)
                rowRegion.Unite(band);
            if (!labelled && b.Y1 <= L.Mid && L.Mid <= b.Y2) {
                T.Etiquette(x((std::int64_t(inner) + outer) / 2), L.Label, L.Mid, b.Y1, b.Y2);
                labelled = true;
            }
        }
        if (Log.ResetMaps)
            ZonesAnnulaireInterne.push_back({std::move(rowRegion), L.Row});
        if (bands.empty())
            return;
        if (!labelled) {
            const TAnnulairePoly& b = bands.front();
            const std::int32_t inner = std::min(b.XA1, b.XA2);
            const std::int32_t outer = std::max(b.XB1, b.XB2);
            T.Etiquette(x((std::int64_t(inner) + outer) / 2), L.Label, double((std::int64_t(b.Y1) + b.Y2) / 2), b.Y1,
                        b.Y2);
        }
        auto edge = [&](std::int32_t y, std::int32_t in, std::int32_t out) {
            if (out == 0)
                return;
            if (in == 0) {
                AddSegmentA(x(-std::int64_t(out)), y, x(out), y);
            } else {
                AddSegmentA(x(-std::int64_t(out)), y, x(-std::int64_t(in)), y);
                AddSegmentA(x(out), y, x(in), y);
            }
        };
        edge(bands.front().Y1, bands.front().XA1, bands.front().XB1);
        edge(bands.back().Y2, bands.back().XA2, bands.back().XB2);
    });
    return filled;
}
