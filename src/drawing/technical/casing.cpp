// Casing, screens and centralisers of the technical column.
#include <algorithm>

#include "drawing/hit_maps.h"
#include "drawing/log_layout.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "drawing/technical/technical_column.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

std::vector<TCentreur> Centreurs;

// ---------------------------------------------------------------------------
// Shapes, labels, centralisers
// ---------------------------------------------------------------------------

FormeTubage FormeDuType(std::int32_t Type)
{
    switch (static_cast<std::uint32_t>(Type) & 0xFFu) {
    case 3:
    case 13: return FormeTubage::Transition;
    case 4:
    case 6:
    case 8: return FormeTubage::Ferme;
    case 7: return FormeTubage::Pointe;
    case 5:
    case 9:
    case 12: return FormeTubage::DroitSansMateriau;
    default: return FormeTubage::Droit;  // 0, 1, 2, 10, 11, 14 and above
    }
}

std::string TexteTubage(std::int32_t Type, std::int32_t Nature, const std::string& DiamText, std::int32_t NbCentr)
{
    std::string s = TexteTypeTubage(Type);
    if (FormeDuType(Type) == FormeTubage::Droit) {
        const std::string m = TexteMateriauTubage(Nature);
        if (!m.empty())
            s += " " + m;
        if (!DiamText.empty())
            s += " " + DiamText + "_mm";
    }
    if (NbCentr != MissingInt && NbCentr > 0)
        s += NbCentr == 1 ? std::string(" (1_centreur)") : " (" + IntToStr(NbCentr) + "_centreurs)";
    return s;
}

std::vector<TCentreur> MarquesCentreurs(std::int32_t TopRow, std::int32_t BottomRow, std::int32_t HalfWidth,
                                        std::int32_t N)
{
    std::vector<TCentreur> marks;
    if (N <= 0 || static_cast<std::size_t>(N) > kCentreursMax)
        return marks;
    const std::int64_t span = std::int64_t(BottomRow) - TopRow + 1;
    for (std::int64_t i = 0; i < N; ++i)
        marks.push_back({ClampToInt32(TopRow + ((2 * i + 1) * span) / (2 * std::int64_t(N))),
                         ClampToInt32(span / (7 * std::int64_t(N))), HalfWidth});
    return marks;
}

bool AjouterCentreurs(std::int32_t TopRow, std::int32_t BottomRow, std::int32_t HalfWidth, std::int32_t N)
{
    if (N <= 0 || std::int64_t(Centreurs.size()) + N > std::int64_t(kCentreursMax))
        return false;
    for (const TCentreur& m : MarquesCentreurs(TopRow, BottomRow, HalfWidth, N))
        Centreurs.push_back(m);
    return true;
}

void DessinerCentreurs(TechColumn& T)
{
    const LogContext& Log = T.Log;
    const std::int64_t X = Log.XAxe;
    for (const TCentreur& m : Centreurs) {
        if (!(Log.YHaut < m.Y && m.Y < Log.YBas))
            continue;
        const std::int32_t top = ClampToInt32(std::int64_t(m.Y) - m.D);
        const std::int32_t bottom = ClampToInt32(std::int64_t(m.Y) + m.D);
        const std::int32_t hole = T.Profils.LargeurTrouMin(top, bottom);
        AddSegmentA(ClampToInt32(X + m.C), top, ClampToInt32(X + hole), m.Y);
        AddSegmentA(ClampToInt32(X + hole), m.Y, ClampToInt32(X + m.C), bottom);
        AddSegmentA(ClampToInt32(X - m.C), top, ClampToInt32(X - hole), m.Y);
        AddSegmentA(ClampToInt32(X - hole), m.Y, ClampToInt32(X - m.C), bottom);
    }
}

// ---------------------------------------------------------------------------
// Casing
// ---------------------------------------------------------------------------

namespace {

// A cone section (type 3 or 13) waits for the next drawn section, whose top
// and half-width it ends on.
struct Transition {
    std::int32_t HW = 0;
    std::int32_t Top = 0;
    std::int32_t Bottom = 0;
    std::string Label;
};

}  // namespace

void DessinerTubage(TechColumn& T, bool SecondPass)
{
    LogContext& Log = T.Log;
    T.TubageDessine = false;
    T.HautTubageLarge = Log.YHaut;
    T.DiamTubageLarge = 0;
    if (!SecondPass)
        Centreurs.clear();

    const TDirBlock* dir = Log.BoreholeDir ? Log.BoreholeDir->FindDir("Tubage") : nullptr;
    const TBlock* deb = TableColumn(dir, OptTubageDeb);
    const TBlock* fin = TableColumn(dir, OptTubageFin);
    if (dir && deb && fin) {
        T.HautTubageLarge = Log.YBas;
        const TBlock* diam = TableColumn(dir, OptTubageDiam);
        const TBlock* type = TableColumn(dir, OptTubageType);
        const TBlock* nature = TableColumn(dir, OptTubageNature);
        const TBlock* nomTube = TableColumn(dir, "NomTube");
        const TBlock* nbCentr = TableColumn(dir, "NbCentr");
        const TBlock* design = DesignColumn(*dir);
        const std::int64_t X = Log.XAxe;
        auto x = [&](std::int64_t d) { return ClampToInt32(X + d); };

        std::int32_t prevHW = 0;
        std::optional<std::int32_t> prevBottom;
        std::optional<Transition> pending;
        const int rows = dir->RowCount();
        for (int r = 0; r < rows; ++r) {
            if (!RowBelongsToOuvrage(design, r, Log.Designation))
                continue;
            if (!RowOfTube(nomTube, r, Log.TubeName))
                continue;
            const double From = CellFloat(deb, r);
            const double To = CellFloat(fin, r);
            double d = CellFloat(diam, r);
            if (IsMissingFloat(d))
                d = T.OuvrageFloat("DiamTube");
            std::int32_t Diameter = 80;
            std::string diamText;
            if (!IsMissingFloat(d)) {
                Diameter = RoundHalfEvenToInt32Clamped(d);
                diamText = IntToStr(Diameter);
            }
            if (IsMissingFloat(From) || IsMissingFloat(To))
                continue;
            T.TubageDessine = true;

            const std::int32_t TopRow = Log.ProfVersY(From);
            if (TopRow < T.HautTubageLarge && Diameter >= T.DiamTubageLarge) {
                T.HautTubageLarge = TopRow;
                T.DiamTubageLarge = Diameter;
            }
            const std::int32_t HW = Log.DemiLargeur(Diameter);
            if (prevBottom && TopRow == *prevBottom && !pending) {
                AddSegmentA(x(-std::int64_t(prevHW)), TopRow, x(-std::int64_t(HW)), TopRow);
                AddSegmentA(x(prevHW), TopRow, x(HW), TopRow);
            }
            const std::int32_t BottomRow = Log.ProfVersY(To);
            if (!SecondPass) {
                if (From != 0)
                    T.Repere(From);
                T.Repere(To);
            }
            const std::int32_t Type = EntierOuZero(CellInt(type, r));
            const std::int32_t Nature = EntierOuZero(CellInt(nature, r));
            prevHW = HW;

            std::string label;
            if (!SecondPass) {
                const std::int32_t N = CellInt(nbCentr, r);
                label = TexteTubage(Type, Nature, diamText, N);
                if (N != MissingInt && N > 0)
                    AjouterCentreurs(TopRow, BottomRow, HW, N);
            }

            const std::int32_t pattern = MotifTubage(Type, Nature);
            if (pattern != 0) {
                if (Log.ResetMaps && !SecondPass)
                    ZonesTubage.push_back({TRect{x(-std::int64_t(HW)), TopRow, x(HW), BottomRow}, r});
                DrawMotif(x(-std::int64_t(HW)), Log.ClampToBand(TopRow), x(HW), Log.ClampToBand(BottomRow), pattern,
                          Log.W, Log.H, false);
            }

            if (pending) {
                const Transition& p = *pending;
                T.Etiquette(x((std::int64_t(p.HW) + HW) / 2), p.Label, double((std::int64_t(p.Top) + TopRow) / 2),
                            p.Top, TopRow);
                AddSegmentB(x(-std::int64_t(p.HW)), p.Top, x(-std::int64_t(HW)), TopRow);
                AddSegmentB(x(p.HW), p.Top, x(HW), TopRow);
                if (!SecondPass)
                    T.Profils.AjouterParoi(p.Top, p.HW, TopRow, HW, false);
                pending.reset();
            }

            const FormeTubage shape = FormeDuType(Type);
            switch (shape) {
            case FormeTubage::Droit:
            case FormeTubage::DroitSansMateriau:
                AddSegmentB(x(-std::int64_t(HW)), TopRow, x(-std::int64_t(HW)), BottomRow);
                AddSegmentB(x(HW), TopRow, x(HW), BottomRow);
                if (!SecondPass)
                    T.Profils.AjouterParoi(TopRow, HW, BottomRow, HW, false);
                break;
            case FormeTubage::Pointe:
                AddSegmentB(x(-std::int64_t(HW)), TopRow, Log.XAxe, BottomRow);
                AddSegmentB(x(HW), TopRow, Log.XAxe, BottomRow);
                if (!SecondPass)
                    T.Profils.AjouterParoi(TopRow, HW, BottomRow, 0, true);
                break;
            case FormeTubage::Ferme:
                AddSegmentB(x(-std::int64_t(HW)), BottomRow, x(HW), BottomRow);
                AddSegmentB(x(-std::int64_t(HW)), TopRow, x(-std::int64_t(HW)), BottomRow);
                AddSegmentB(x(HW), TopRow, x(HW), BottomRow);
                if (!SecondPass)
                    T.Profils.AjouterParoi(TopRow, HW, BottomRow, HW, true);
                break;
            case FormeTubage::Transition:
                pending = Transition{HW, TopRow, BottomRow, label};
                break;
            }
            if (shape != FormeTubage::Transition)
                T.Etiquette(x(HW), label, double((std::int64_t(TopRow) + BottomRow) / 2), TopRow, BottomRow);
            prevBottom = BottomRow;
        }

        // A cone with nothing below it ends in a point, and keeps its label.
        if (pending) {
            const Transition& p = *pending;
            AddSegmentB(x(-std::int64_t(p.HW)), p.Top, Log.XAxe, p.Bottom);
            AddSegmentB(Log.XAxe, p.Bottom, x(p.HW), p.Top);
            if (!SecondPass)
                T.Profils.AjouterParoi(p.Top, p.HW, p.Bottom, 0, true);
            T.Etiquette(x(p.HW), p.Label, double((std::int64_t(p.Top) + p.Bottom) / 2), p.Top, p.Bottom);
        }

        // The water level belongs to the casing: it shows with the hole even
        // when no section of this ouvrage was drawn, but not without a casing
        // table that has its depth columns.
        DessinerNiveauEau(T, !SecondPass);
    }

    if (!T.TubageDessine)
        T.HautTubageLarge = Log.YHaut;
    if (SecondPass)
        DessinerCentreurs(T);
}
