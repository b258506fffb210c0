#include "drawing/log_layout.h"

#include <algorithm>
#include <cmath>

#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

std::int32_t OptTailleImageBas = 0;

namespace {

LogContext* g_activeLog = nullptr;

constexpr std::string_view kDesign = "Désign";

}  // namespace

// ---------------------------------------------------------------------------
// Rows and cells
// ---------------------------------------------------------------------------

const TBlock* TableColumn(const TDirBlock* table, std::string_view name)
{
    if (!table || name.empty())
        return nullptr;
    const int i = table->IndexOfName(name);
    if (i < 0)
        return nullptr;
    const TBlock* b = table->Child(i);
    return b && b->IsValue() ? b : nullptr;
}

const TBlock* DesignColumn(const TDirBlock& table) { return TableColumn(&table, kDesign); }

bool RowBelongsToOuvrage(const TBlock* designColumn, int row, std::string_view designation)
{
    if (!designColumn || designation.empty())
        return true;
    return designColumn->GetString(row) == designation;
}

int OuvrageRowOf(const TDirBlock& borehole, std::string_view designation)
{
    const TDirBlock* ouvrage = borehole.FindDir("Ouvrage");
    if (!ouvrage)
        return -1;
    const TBlock* design = DesignColumn(*ouvrage);
    if (!design)
        return 0;
    return design->IndexOfString(designation);
}

double CellFloat(const TBlock* column, int row)
{
    if (!column || row < 0 || row >= column->Count())
        return MissingFloat;
    const double v = column->GetFloat(row);
    return std::isfinite(v) ? v : MissingFloat;
}

std::string CellString(const TBlock* column, int row)
{
    if (!column || row < 0 || row >= column->Count())
        return {};
    return column->GetString(row);
}

bool RowOfTube(const TBlock* tubeColumn, int row, std::string_view tubeName)
{
    if (tubeName.empty() || !tubeColumn)
        return true;
    const std::string t = NormalizeTubeName(CellString(tubeColumn, row));
    return t.empty() || t == tubeName || t == OptNomTubeSimple;
}

double DepthChain::From(double from, double to)
{
    if (IsMissingFloat(from))
        from = prevTo_;
    prevTo_ = to;
    return from;
}

// ---------------------------------------------------------------------------
// Bounds
// ---------------------------------------------------------------------------

namespace {

struct BoundsColumns {
    const std::string* From = nullptr;
    const std::string* To = nullptr;
    const std::string* Diam = nullptr;
};

bool ColumnsOfTable(std::string_view name, BoundsColumns& c)
{
    if (name == "Niveau") {
        c = {&OptNiveauDeb, &OptNiveauFin, nullptr};
    } else if (name == "Trou-nu") {
        c = {&OptTrouNuDeb, &OptTrouNuFin, &OptTrouNuDiam};
    } else if (name == "Tubage") {
        c = {&OptTubageDeb, &OptTubageFin, &OptTubageDiam};
    } else if (name == "Annulaire") {
        c = {&OptAnnulaireDeb, &OptAnnulaireFin, nullptr};
    } else {
        return false;
    }
    return true;
}

void Widen(double v, double& Top, double& Bottom)
{
    if (IsMissingFloat(v))
        return;
    if (v < Top)
        Top = v;
    else if (v > Bottom)
        Bottom = v;
}

void Bounds(const TDirBlock& table, std::string_view designation, std::string_view tubeName, bool withDiam,
            double& Top, double& Bottom, double* DiamMax)
{
    BoundsColumns names;
    if (!ColumnsOfTable(table.Name, names))
        return;
    const TBlock* from = TableColumn(&table, *names.From);
    const TBlock* to = TableColumn(&table, *names.To);
    if (!from || !to)
        return;
    const TBlock* design = DesignColumn(table);
    const TBlock* tube = tubeName.empty() ? nullptr : TableColumn(&table, "NomTube");
    auto kept = [&](int r) { return RowBelongsToOuvrage(design, r, designation) && RowOfTube(tube, r, tubeName); };
    for (int r = 0; r < from->Count(); ++r)
        if (kept(r))
            Widen(CellFloat(from, r), Top, Bottom);
    for (int r = 0; r < to->Count(); ++r)
        if (kept(r))
            Widen(CellFloat(to, r), Top, Bottom);
    if (withDiam && DiamMax && names.Diam) {
        const TBlock* diam = TableColumn(&table, *names.Diam);
        if (diam)
            for (int r = 0; r < diam->Count(); ++r) {
                const double d = CellFloat(diam, r);
                if (!IsMissingFloat(d) && kept(r) && d > *DiamMax)
                    *DiamMax = d;
            }
    }
}

void BoundsOfBorehole(const TDirBlock& bh, std::string_view designation, std::string_view tubeName, double& top,
                      double& bottom, double* diamMax)
{
    if (const TDirBlock* t = bh.FindDir("Trou-nu"))
        Bounds(*t, designation, {}, diamMax != nullptr, top, bottom, diamMax);
    if (const TDirBlock* t = bh.FindDir("Annulaire"))
        Bounds(*t, designation, {}, false, top, bottom, nullptr);
    if (const TDirBlock* t = bh.FindDir("Tubage"))
        Bounds(*t, designation, tubeName, diamMax != nullptr, top, bottom, diamMax);
    if (const TDirBlock* t = bh.FindDir("Niveau"))
        Bounds(*t, designation, {}, false, top, bottom, nullptr);
}

}  // namespace

void BornesTable(const TDirBlock& TableDir, std::string_view Designation, double& Top, double& Bottom)
{
    Bounds(TableDir, Designation, {}, false, Top, Bottom, nullptr);
}

void BornesTubage(const TDirBlock& TableDir, std::string_view Designation, std::string_view TubeName, double& Top,
                  double& Bottom)
{
    Bounds(TableDir, Designation, TubeName, false, Top, Bottom, nullptr);
}

void BornesTableDiam(const TDirBlock& TableDir, std::string_view Designation, std::string_view TubeName, double& Top,
                     double& Bottom, double& DiamMax)
{
    Bounds(TableDir, Designation, TubeName, true, Top, Bottom, &DiamMax);
}

double EtendueProfondeur(const TDirBlock& Root, std::string_view Path, std::string_view Designation,
                         std::string_view TubeName)
{
    const TDirBlock* bh = Root.FindDir(Path);
    if (!bh)
        return 0;
    double top = 0, bottom = 0;
    BoundsOfBorehole(*bh, Designation, TubeName, top, bottom, nullptr);
    return bottom - top;
}

bool CoupeVide(const TDirBlock& Root, std::string_view Path, std::string_view Designation, std::string_view TubeName)
{
    return EtendueProfondeur(Root, Path, Designation, TubeName) == 0;
}

double BornesNiveaux(const TDirBlock& Root, std::string_view Path, std::string_view Designation, double& Top,
                     double& Bottom)
{
    const TDirBlock* bh = Root.FindDir(Path);
    if (!bh)
        return 0;
    Top = 0;
    Bottom = 0;
    if (const TDirBlock* t = bh->FindDir("Niveau"))
        BornesTable(*t, Designation, Top, Bottom);
    return Bottom;
}

// ---------------------------------------------------------------------------
// Context
// ---------------------------------------------------------------------------

double LogContext::ProfVersYReel(double Depth) const
{
    if (Etendue == 0)
        return YHaut;
    return (Depth - ProfHaut) * HauteurCoupe / Etendue + YHaut;
}

std::int32_t LogContext::ProfVersY(double Depth) const
{
    if (Etendue == 0)
        return YHaut;
    double v = (Depth - ProfHaut) * HauteurCoupe / Etendue;
    if (std::isnan(v))
        v = 0;
    v = std::clamp(v, double(-kRowLimit), double(kRowLimit));
    return ClampToInt32(std::int64_t(RoundHalfEven(v)) + YHaut);
}

std::int32_t LogContext::DemiLargeur(double Diameter) const
{
    double v = DemiLargeurMax * Diameter / DiamMax;
    if (std::isnan(v))
        v = 0;
    return RoundHalfEven(std::clamp(v, double(-kRowLimit), double(kRowLimit)));
}

std::int32_t LogContext::ClampToBand(std::int32_t Y) const
{
    return std::clamp(Y, BandTop(), BandBottom());
}

void LogContext::SelectLogClip() const
{
    if (Target)
        Target->SetClipRegion(LogClip);
}

LogContext* ActiveLog() { return g_activeLog; }

void SetActiveLog(LogContext* log) { g_activeLog = log; }

std::int32_t ProfVersY(double Depth) { return g_activeLog ? g_activeLog->ProfVersY(Depth) : 0; }

double ProfVersYReel(double Depth) { return g_activeLog ? g_activeLog->ProfVersYReel(Depth) : 0; }

// ---------------------------------------------------------------------------
// Range and layout
// ---------------------------------------------------------------------------

void CalculerBornesCoupe(LogContext& Log)
{
    Log.ProfHaut = 0;
    Log.ProfBas = 0;
    Log.DiamMax = 0;
    if (Log.BoreholeDir)
        BoundsOfBorehole(*Log.BoreholeDir, Log.Designation, Log.TubeName, Log.ProfHaut, Log.ProfBas, &Log.DiamMax);
    Log.Etendue = Log.ProfBas - Log.ProfHaut;
    if (Log.BoreholeDir) {
        const TDirBlock* ouvrage = Log.BoreholeDir->FindDir("Ouvrage");
        const double d = CellFloat(TableColumn(ouvrage, "DiamTube"), Log.OuvrageRow);
        if (!IsMissingFloat(d) && Log.DiamMax < d)
            Log.DiamMax = d;
    }
    if (Log.DiamMax == 0)
        Log.DiamMax = 100;
}

void AppliquerFenetre(LogContext& Log, double DepthFrom, double DepthTo)
{
    // A window given as anything but two finite numbers is automatic.
    if (Log.Etendue == 0 || !std::isfinite(DepthFrom) || !std::isfinite(DepthTo))
        return;
    const double top = Log.ProfHaut;
    Log.ProfHaut = top + DepthFrom;
    Log.ProfBas = top + DepthTo;
    Log.Etendue = Log.ProfBas - Log.ProfHaut;
}

void CalculerMiseEnPage(LogContext& Log)
{
    const std::int32_t W = Log.W, H = Log.H, Left = Log.Left, Top = Log.Top;
    const std::int64_t bas = RoundHalfEven64(std::clamp(Log.ProfBas, -9.0e18, 9.0e18));
    Log.XEchelle = Left + RoundFraction(W, 2, 100) + TextWidthOf(IntToStr(bas));
    Log.XLitho = Log.XEchelle + RoundFraction(W, 3, 100);
    Log.XLithoFin = Log.XLitho + RoundFraction(W, 7, 100);
    Log.XTexte = Log.XLitho + RoundFraction(W, 8, 100);
    Log.XTexteFin = Left + RoundFraction(W, 4, 10);
    Log.LargeurTexte = Log.XTexteFin - Log.XTexte;
    Log.XEchelleTech = Left + RoundFraction(W, 5, 10);
    Log.XAxe = Left + RoundFraction(W, 65, 100);
    Log.DemiLargeurMax = RoundFraction(W, 8, 100);
    Log.XNotes = Left + RoundFraction(W, 75, 100);
    Log.XNotesFin = Left + RoundFraction(W, 97, 100) - BaseLineHeight;
    // The two percentages come from settings files: any value is accepted, and
    // values that leave no room for the log simply leave it without rows.
    auto percentOfH = [H](std::int64_t percent) {
        return RoundHalfEvenDiv(std::int64_t(H) * std::clamp<std::int64_t>(percent, -100000, 100000), 100);
    };
    Log.YBandeau = ClampToInt32(std::int64_t(Top) + percentOfH(OptTailleBandeau));
    Log.YHaut = ClampToInt32(std::int64_t(Log.YBandeau) + (3 * std::int64_t(BaseLineHeight)) / 2);
    Log.YPage = ClampToInt32(std::int64_t(Top) + percentOfH(100 - std::int64_t(OptTailleImageBas)));
    Log.YBas = Log.YPage - RoundFraction(H, 3, 100);
    Log.HauteurCoupe = ClampToInt32(std::int64_t(Log.YBas) - Log.YHaut);
    Log.Ecart = RoundFraction(W, 15, 1000);
    Log.Centieme = W / 100;
}

void ElargirTexte(LogContext& Log)
{
    Log.XTexteFin = Log.Left + RoundFraction(Log.W, 9, 10);
    Log.LargeurTexte = Log.XTexteFin - Log.XTexte;
}
