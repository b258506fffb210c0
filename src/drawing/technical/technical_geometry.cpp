#include "drawing/technical/technical_geometry.h"

#include <algorithm>
#include <limits>
#include <optional>

#include "drawing/patterns.h"
#include "drawing/rounding.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

// Interpolated half-width between (Y1, W1) and (Y2, W2) at row R, as an exact
// fraction rounded half to even.
std::int32_t Interpolate(std::int64_t R, std::int64_t Y1, std::int64_t W1, std::int64_t Y2, std::int64_t W2)
{
    if (W1 == W2 || Y1 == Y2)
        return static_cast<std::int32_t>(W1);
    return ClampToInt32(RoundHalfEvenDiv((R - Y1) * (W2 - W1), Y2 - Y1) + W1);
}

std::int32_t Px(std::int64_t v) { return ClampToInt32(v); }

}  // namespace

// ---------------------------------------------------------------------------
// Bands between walls
// ---------------------------------------------------------------------------

std::int32_t DemiLargeurParoi(const TScreenTubeDef& L, std::int32_t R)
{
    if (L.Y1 == L.Y2)
        return ClampToInt32((std::int64_t(L.X1) + L.X2) / 2);
    return ClampToInt32(RoundHalfEvenDiv((std::int64_t(R) - L.Y1) * (std::int64_t(L.X2) - L.X1),
                                         std::int64_t(L.Y2) - L.Y1) +
                        L.X1);
}

void BandesEntreLignes(std::int32_t Top, std::int32_t Bottom, std::int32_t N, const ArrayOfScreenTubeDef& Lines,
                       ArrayOfAnnulairePoly& Bands)
{
    Bands.clear();
    N = std::max(N, 1);

    ArrayOfScreenTubeDef clipped;
    for (const TScreenTubeDef& L : Lines) {
        if (L.Y1 <= Bottom && L.Y2 >= Top) {
            TScreenTubeDef c;
            c.Y1 = std::max(L.Y1, Top);
            c.Y2 = std::min(L.Y2, Bottom);
            c.X1 = DemiLargeurParoi(L, c.Y1);
            c.X2 = DemiLargeurParoi(L, c.Y2);
            clipped.push_back(c);
        }
    }

    std::vector<std::int32_t> rows;
    rows.reserve(clipped.size() * 2);
    for (const TScreenTubeDef& c : clipped) {
        rows.push_back(c.Y1);
        rows.push_back(c.Y2);
    }
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());

    struct Pair {
        std::int32_t a, b;
    };
    std::vector<Pair> pairs;
    for (std::size_t k = 0; k + 1 < rows.size(); ++k) {
        const std::int32_t Ra = rows[k];
        const std::int32_t Rb = rows[k + 1];
        pairs.clear();
        for (const TScreenTubeDef& c : clipped)
            if (c.Y1 <= Ra && c.Y2 >= Rb)
                pairs.push_back({DemiLargeurParoi(c, Ra), DemiLargeurParoi(c, Rb)});
        std::stable_sort(pairs.begin(), pairs.end(), [](const Pair& p, const Pair& q) {
            return std::int64_t(p.a) + p.b < std::int64_t(q.a) + q.b;
        });
        if (pairs.size() <= static_cast<std::size_t>(N))
            continue;
        const Pair& inner = pairs[static_cast<std::size_t>(N) - 1];
        const Pair& outer = pairs[static_cast<std::size_t>(N)];
        if (!Bands.empty()) {
            TAnnulairePoly& last = Bands.back();
            if (last.Y2 == Ra && last.XA2 == inner.a && last.XB2 == outer.a && last.XA1 == last.XA2 &&
                last.XB1 == last.XB2 && inner.a == inner.b && outer.a == outer.b) {
                last.Y2 = Rb;
                last.XA2 = inner.b;
                last.XB2 = outer.b;
                continue;
            }
        }
        Bands.push_back({Ra, inner.a, outer.a, Rb, inner.b, outer.b});
    }
}

// ---------------------------------------------------------------------------
// Profiles
// ---------------------------------------------------------------------------

ProfilsTechniques::ProfilsTechniques(std::int32_t XAxe, std::int32_t YHaut, std::int32_t YBas, std::int32_t PenThick,
                                     std::int32_t PenMedium)
    : xAxe_(XAxe), yHaut_(YHaut), yBas_(YBas), penThick_(PenThick), penMedium_(PenMedium)
{
    hauteurCoupe_ = YBas > YHaut ? YBas - YHaut : 0;
    const std::size_t n = YBas >= YHaut ? static_cast<std::size_t>(std::int64_t(YBas) - YHaut + 1) : 0;
    ProfilTrou.assign(n, 0);
    ProfilTubage.assign(n, 0);
}

void ProfilsTechniques::Profile(std::vector<std::int32_t>& profile, std::int32_t Y1, std::int32_t W1,
                                std::int32_t Y2, std::int32_t W2, bool raise, std::int32_t& outY1,
                                std::int32_t& outW1, std::int32_t& outY2, std::int32_t& outW2)
{
    if (Y1 > Y2) {
        std::swap(Y1, Y2);
        std::swap(W1, W2);
    }
    // The rows are cut to the log; the widths are kept as given, so a cone cut
    // at the top keeps its slope measured from the cut row.
    Y1 = std::max(Y1, yHaut_);
    Y2 = std::min(Y2, yBas_);
    for (std::int64_t R = Y1; R <= Y2; ++R) {
        const std::int32_t V = Interpolate(R, Y1, W1, Y2, W2);
        std::int32_t& cell = profile[static_cast<std::size_t>(R - yHaut_)];
        cell = raise ? std::max(cell, V) : V;
    }
    outY1 = Y1;
    outW1 = W1;
    outY2 = Y2;
    outW2 = W2;
}

void ProfilsTechniques::AjouterParoi(std::int32_t Y1, std::int32_t W1, std::int32_t Y2, std::int32_t W2, bool Closed)
{
    Profile(ProfilTubage, Y1, W1, Y2, W2, true, Y1, W1, Y2, W2);
    // A wall wholly outside the log bounds nothing that is drawn.
    if (Y1 > Y2)
        return;
    ParoisTubage.push_back({Y1, W1, Y2, W2});
    const std::int64_t Ha = penThick_ / 2;
    const std::int64_t Hb = (penThick_ + 1) / 2;
    const std::int64_t E = Closed ? Hb : 0;
    const std::int64_t x = xAxe_;
    const std::vector<TPoint> poly = {
        {Px(x - W1 - Ha), Y1},
        {Px(x + W1 + Hb), Y1},
        {Px(x + W2 + Hb), Px(Y2 + E)},
        {Px(x - W2 - Ha), Px(Y2 + E)},
    };
    RegionTrou.Subtract(Region::FromPolygon(poly));
}

void ProfilsTechniques::AjouterParoiInterne(std::int32_t Y1, std::int32_t W1, std::int32_t Y2, std::int32_t W2)
{
    Profile(ProfilTrou, Y1, W1, Y2, W2, false, Y1, W1, Y2, W2);
    if (Y1 > Y2)
        return;
    // The inside of the walls. A wall of pen width M covers the columns
    // x - M / 2 .. x + (M - 1) / 2; the region stops short of them on both
    // sides (its right edge is left out), so no fill clipped by it paints over
    // a wall.
    const std::int64_t Ma = penMedium_ / 2;
    const std::int64_t Mb = (penMedium_ + 2) / 2;
    const std::int64_t x = xAxe_;
    const std::vector<TPoint> poly = {
        {Px(x - W1 + Mb), Y1},
        {Px(x + W1 - Ma), Y1},
        {Px(x + W2 - Ma), Y2},
        {Px(x - W2 + Mb), Y2},
    };
    RegionTrou.Unite(Region::FromPolygon(poly));
}

std::int32_t ProfilsTechniques::Extreme(const std::vector<std::int32_t>& profile, std::int32_t RowA,
                                        std::int32_t RowB, bool wantMax) const
{
    const std::int64_t A = std::max<std::int64_t>(std::int64_t(RowA) - yHaut_, 0);
    std::int64_t B = std::int64_t(RowB) - yHaut_;
    if (B >= hauteurCoupe_)
        B = std::int64_t(hauteurCoupe_) - 1;
    if (B < A || profile.empty())
        return 0;
    B = std::min<std::int64_t>(B, static_cast<std::int64_t>(profile.size()) - 1);
    if (wantMax) {
        std::int32_t m = 0;
        for (std::int64_t i = A; i <= B; ++i)
            m = std::max(m, profile[static_cast<std::size_t>(i)]);
        return m;
    }
    std::int32_t m = std::numeric_limits<std::int32_t>::max();
    for (std::int64_t i = A; i <= B; ++i)
        m = std::min(m, profile[static_cast<std::size_t>(i)]);
    return m == std::numeric_limits<std::int32_t>::max() ? 0 : m;
}

std::int32_t ProfilsTechniques::LargeurTrouMin(std::int32_t a, std::int32_t b) const
{
    return Extreme(ProfilTrou, a, b, false);
}
std::int32_t ProfilsTechniques::LargeurTrouMax(std::int32_t a, std::int32_t b) const
{
    return Extreme(ProfilTrou, a, b, true);
}
std::int32_t ProfilsTechniques::LargeurTubageMin(std::int32_t a, std::int32_t b) const
{
    return Extreme(ProfilTubage, a, b, false);
}
std::int32_t ProfilsTechniques::LargeurTubageMax(std::int32_t a, std::int32_t b) const
{
    return Extreme(ProfilTubage, a, b, true);
}

std::int32_t ProfilsTechniques::TrouA(std::int64_t Row) const
{
    return InRows(Row) ? ProfilTrou[static_cast<std::size_t>(Row - yHaut_)] : 0;
}

std::int32_t ProfilsTechniques::TubageA(std::int64_t Row) const
{
    return InRows(Row) ? ProfilTubage[static_cast<std::size_t>(Row - yHaut_)] : 0;
}

// ---------------------------------------------------------------------------
// Labels
// ---------------------------------------------------------------------------

std::string TexteForation(std::int32_t Method, std::int32_t Fluid)
{
    std::string text = LexiconLabelForCode("Trou-nu\\Méthode", Method);
    if (text.empty())
        text = "openhole";
    else if (text == "m.f.t.")
        text = "marteau fond de trou";
    else if (text == "foncage")
        text = "fonçage";
    else if (text == "tariere")
        text = "tarière";
    std::string f = LexiconLabelForCode("Trou-nu\\Fluide", Fluid);
    if (!f.empty()) {
        if (f == "air")
            f = "with air";
        else if (f == "eau claire")
            f = "w/clear water";
        else if (f == "boue")
            f = "with mud";
        else if (f == "mousse")
            f = "with foam";
        else if (f == "bentonite")
            f = "with bentonite";
        else if (f == "boue polymere")
            f = "with polymer mud";
        else if (f == "boue reversible")
            f = "with reversible mud";
        text = f + " " + text;
    }
    return text;
}

std::string TexteTypeTubage(std::int32_t Type)
{
    std::string t = LexiconLabelForCode("Tubage\\" + OptTubageType, Type);
    if (t.empty())
        return "tube";
    if (t == "crepine")
        return "crépine";
    if (t == "cone reducteur")
        return "cône réducteur";
    if (t == "tube decanteur")
        return "tube décanteur";
    if (t == "raccord dielectrique")
        return "raccord diélectrique";
    return t;
}

std::string TexteMateriauTubage(std::int32_t Nature)
{
    std::string t = LexiconLabelForCode("Tubage\\" + OptTubageNature, Nature);
    if (t == "beton")
        return "béton";
    if (t.starts_with("p.v.c."))
        return "PVC";
    if (t.starts_with("(steel"))
        return "(steel)";
    if (t.starts_with("(inox"))
        return "(inox)";
    return t;
}

std::string TexteAnnulaire(std::int32_t Type, std::int32_t Nature)
{
    const std::string T = LexiconLabelForCode("Annulaire\\" + OptAnnulaireType, Type);
    std::string U = LexiconLabelForCode("Annulaire\\" + OptAnnulaireNature + IntToStr(Type), Nature);
    if (T.empty())
        return U;
    if (U.empty())
        return T;
    if (U == "eboulement")
        U = "éboulement";
    else if (U == "decantation")
        U = "décantation";
    if (T == "cimentation")
        return U;
    return U + " " + T;
}

// ---------------------------------------------------------------------------
// Patterns
// ---------------------------------------------------------------------------

namespace {

// The [Figurés] value of a key when it reads entirely as an integer.
std::optional<std::int32_t> Figure(const std::string& key)
{
    const std::string v = LexiconValueForName("Figurés", key);
    if (v.empty())
        return std::nullopt;
    return TryStrToInt(v);
}

}  // namespace

std::int32_t EntierOuZero(std::int32_t Value) { return Value == MissingInt ? 0 : Value; }

std::int32_t MotifAnnulaireParType(std::int32_t Type)
{
    switch (Type) {
    case 1: return 6;
    case 2: return 13;
    case 4: return 97;
    default: return 0;
    }
}

std::int32_t MotifRemblaiParNature(std::int32_t Nature)
{
    switch (Nature) {
    case 0:
    case 1: return 33;
    case 2: return 10;
    case 3: return 7;
    case 4: return 92;
    case 5: return 34;
    case 6: return 55;
    default: return 0;
    }
}

std::int32_t MotifAnnulaire(std::int32_t Type, std::int32_t Nature)
{
    const std::string typeKey = "Annulaire\\" + OptAnnulaireType + ":" + IntToStr(Type);
    if (auto v = Figure(typeKey + "&" + OptAnnulaireNature + ":" + IntToStr(Nature)))
        return MotifVariant(*v);
    if (LexiconLabelForCode("Annulaire\\" + OptAnnulaireType, Type) == "remblai" && MotifRemblaiParNature(Nature) != 0)
        return MotifVariant(MotifRemblaiParNature(Nature));
    if (auto v = Figure(typeKey))
        return MotifVariant(*v);
    return MotifVariant(MotifAnnulaireParType(Type));
}

std::int32_t MotifTubage(std::int32_t Type, std::int32_t Nature)
{
    const std::string typeKey = "Tubage\\" + OptTubageType + ":" + IntToStr(Type);
    if (auto v = Figure(typeKey + "&" + OptTubageNature + ":" + IntToStr(Nature)))
        return MotifVariant(*v);
    if (auto v = Figure(typeKey))
        return MotifVariant(*v);
    return Type == 2 ? MotifVariant(98) : 0;
}
