#include "drawing/technical/technical_annotations.h"

#include <algorithm>
#include <cmath>

#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/rounding.h"
#include "drawing/technical/technical_geometry.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/options.h"

// ---------------------------------------------------------------------------
// Queue
// ---------------------------------------------------------------------------

bool AjouterEtiquette(std::vector<TEtiquette>& Etiquettes, double YMin, double YMax, std::int32_t Cle,
                      std::string_view Texte, double Y, double YDebut, double YFin)
{
    if (Texte.empty() || Etiquettes.size() >= kEtiquettesMax || !(Y >= YMin) || !(Y <= YMax))
        return false;
    if (Cle == kCleRepere)
        for (const TEtiquette& e : Etiquettes)
            if (e.Cle == Cle && e.Y == Y && e.Texte == Texte)
                return false;
    TEtiquette e;
    e.Cle = Cle;
    e.Texte = std::string(Texte);
    e.Y = Y;
    e.YTexte = Y;
    e.YDebut = YDebut;
    e.YFin = YFin;
    Etiquettes.push_back(std::move(e));
    return true;
}

// ---------------------------------------------------------------------------
// Placement
// ---------------------------------------------------------------------------

bool ChercherPlace(const std::vector<TEtiquette>& Ordre, std::size_t Count, double Spacing, std::int32_t Cle,
                   double YDebut, double YFin, double& Y)
{
    struct Interval {
        double lo, hi;
    };
    std::vector<Interval> free;
    free.reserve(kEtiquettesMax + 1);
    if (Spacing < YFin - YDebut)
        free.push_back({YDebut + Spacing / 2, YFin - Spacing / 2});
    else
        free.push_back({YDebut, YFin});

    const bool repere = Cle == kCleRepere;
    Count = std::min(Count, Ordre.size());
    std::vector<Interval> next;
    for (std::size_t k = 0; k < Count && !free.empty(); ++k) {
        const TEtiquette& other = Ordre[k];
        if (other.EstRepere() != repere)
            continue;
        const double blo = other.Y - Spacing;
        const double bhi = other.Y + Spacing;
        next.clear();
        for (const Interval& f : free) {
            if (f.lo >= blo && f.hi <= bhi)
                continue;  // wholly blocked
            if (f.lo < blo && f.hi > bhi) {
                next.push_back({f.lo, blo});
                next.push_back({bhi, f.hi});
            } else if (f.lo >= blo && f.lo <= bhi) {
                next.push_back({bhi, f.hi});
            } else if (f.hi >= blo && f.hi <= bhi) {
                next.push_back({f.lo, blo});
            } else {
                next.push_back(f);
            }
        }
        free.swap(next);
    }
    if (free.empty())
        return false;
    double best = 0;
    double bestDist = 0;
    bool found = false;
    for (const Interval& f : free) {
        double c = Y;
        if (Y < f.lo)
            c = f.lo;
        else if (Y > f.hi)
            c = f.hi;
        const double d = std::fabs(c - Y);
        if (!found || d < bestDist) {
            best = c;
            bestDist = d;
            found = true;
        }
    }
    Y = best;
    return true;
}

// ---------------------------------------------------------------------------
// Line breaking
// ---------------------------------------------------------------------------

namespace {

std::string Shown(const std::u32string& cps, std::size_t from, std::size_t to)
{
    std::string s;
    for (std::size_t i = from; i < to; ++i)
        AppendUtf8(s, cps[i] == U'_' ? U' ' : cps[i]);
    return s;
}

}  // namespace

std::vector<std::string> CouperEtiquette(std::string_view Texte, std::int32_t Largeur, const MesureTexte& Mesure)
{
    const std::u32string cps = Utf8ToU32(Texte);
    std::vector<std::string> lines;
    auto fits = [&](std::size_t from, std::size_t to) { return Mesure(" " + Shown(cps, from, to)) <= Largeur; };
    std::size_t start = 0;
    const std::size_t n = cps.size();
    while (start < n) {
        if (fits(start, n)) {
            lines.push_back(Shown(cps, start, n));
            break;
        }
        // The longest part ending with a blank that fits.
        std::size_t cut = 0;
        for (std::size_t p = n - 1; p > start; --p) {
            if (cps[p - 1] == U' ' && fits(start, p)) {
                cut = p;
                break;
            }
        }
        if (cut == 0) {
            // One word wider than the column: the longest part that fits,
            // at least one character, so that every label is drawn whole.
            std::size_t lo = start + 1;
            std::size_t hi = n;
            while (lo < hi) {
                const std::size_t mid = lo + (hi - lo + 1) / 2;
                if (fits(start, mid))
                    lo = mid;
                else
                    hi = mid - 1;
            }
            cut = lo;
        }
        lines.push_back(Shown(cps, start, cut));
        start = cut;
    }
    return lines;
}

// ---------------------------------------------------------------------------
// Spreading
// ---------------------------------------------------------------------------

void EtalerBlocs(std::vector<TEtiquette*>& Blocs, double YLimiteHaut, double YLimiteBas)
{
    struct Run {
        std::size_t first, last;  // in Blocs
        double top, bottom, sum;  // extent covered and height needed
    };
    auto restack = [&](const Run& r) {
        double y = r.top;
        for (std::size_t i = r.first; i <= r.last; ++i) {
            Blocs[i]->YTexte = y;
            y += Blocs[i]->Hauteur;
        }
    };
    // Stacks a run from the top that centres it on the extent it covers,
    // kept above the bottom limit and never above the top one.
    auto spread = [&](Run& r) {
        const double E = r.bottom - r.top;
        double top = r.top;
        if (r.sum > E)
            top -= (r.sum - E) / 2;
        if (top + r.sum > YLimiteBas)
            top = std::min(top, YLimiteBas - r.sum);
        top = std::max(top, YLimiteHaut);
        r.top = top;
        r.bottom = top + r.sum;
        restack(r);
    };

    // First the runs of blocks that overlap where they were asked for, each
    // spread at once; then runs that now overlap each other are merged and
    // spread again. Every merge joins two runs, so this ends.
    std::vector<Run> runs;
    runs.reserve(Blocs.size());
    for (std::size_t i = 0; i < Blocs.size(); ++i) {
        const double top = Blocs[i]->YTexte;
        const double h = Blocs[i]->Hauteur;
        if (!runs.empty() && runs.back().last + 1 == i && top < runs.back().bottom) {
            Run& r = runs.back();
            r.last = i;
            r.top = std::min(r.top, top);
            r.bottom = std::max(r.bottom, top + h);
            r.sum += h;
        } else {
            runs.push_back({i, i, top, top + h, h});
        }
    }
    std::vector<Run> stack;
    stack.reserve(runs.size());
    for (Run r : runs) {
        if (r.first != r.last)
            spread(r);
        stack.push_back(r);
        while (stack.size() >= 2) {
            const Run cur = stack.back();
            const Run prev = stack[stack.size() - 2];
            if (!(prev.bottom > cur.top))
                break;
            Run merged{prev.first, cur.last, std::min(prev.top, cur.top), std::max(prev.bottom, cur.bottom),
                       prev.sum + cur.sum};
            spread(merged);
            stack.pop_back();
            stack.back() = merged;
        }
    }
}

// ---------------------------------------------------------------------------
// Placing and drawing
// ---------------------------------------------------------------------------

void DessinerAnnotations(LogContext& Log, std::vector<TEtiquette>& Etiquettes, const ProfilsTechniques& P)
{
    if (Etiquettes.empty())
        return;
    const std::int32_t fh = BaseLineHeight;
    const std::int32_t half = fh / 2;
    const std::int32_t Third = fh / 3;
    const std::int32_t TwoThirds = (2 * fh) / 3;
    const MesureTexte mesure = [](std::string_view t) { return TextWidthOf(t); };
    auto largeurAuRang = [&](std::int32_t R) {
        std::int32_t Wd = P.LargeurTrouMax(R, R + fh);
        if (Wd == 0)
            Wd = P.LargeurTubageMax(R, R + fh);
        return Wd;
    };
    auto rowOf = [](double y) { return RoundHalfEven(std::clamp(y, -1e9, 1e9)); };

    // The most constrained first.
    std::stable_sort(Etiquettes.begin(), Etiquettes.end(), [](const TEtiquette& a, const TEtiquette& b) {
        return a.YFin - a.YDebut < b.YFin - b.YDebut;
    });

    // Depth marks that do not fit between the technical scale and the hole
    // become labels pointing at the hole wall.
    const std::int64_t room = std::int64_t(Log.XAxe) - (std::int64_t(Log.XEchelleTech) + Log.Ecart);
    for (TEtiquette& e : Etiquettes) {
        if (!e.EstRepere())
            continue;
        const std::int32_t R = rowOf(e.Y) - half;
        const std::int32_t Wd = largeurAuRang(R);
        if (std::int64_t(mesure(e.Texte + " ")) + Wd > room)
            e.Cle = ClampToInt32(std::int64_t(Log.XAxe) + Wd);
    }

    const std::int32_t spacings[4] = {fh, (2 * fh) / 3, fh / 2, fh / 4};
    for (std::size_t i = 0; i < Etiquettes.size(); ++i) {
        TEtiquette& e = Etiquettes[i];
        if (e.YFin == e.YDebut)
            continue;
        for (std::int32_t s : spacings) {
            double y = e.Y;
            if (ChercherPlace(Etiquettes, i, s, e.Cle, e.YDebut, e.YFin, y)) {
                e.Y = y;
                break;
            }
        }
    }
    for (TEtiquette& e : Etiquettes)
        e.YTexte = e.Y;

    std::stable_sort(Etiquettes.begin(), Etiquettes.end(),
                     [](const TEtiquette& a, const TEtiquette& b) { return a.Y < b.Y; });

    const std::int32_t largeurNotes = Log.XNotesFin - Log.XNotes;
    for (TEtiquette& e : Etiquettes) {
        if (e.EstRepere()) {
            e.Hauteur = TwoThirds;
            continue;
        }
        e.Lignes = CouperEtiquette(e.Texte, largeurNotes, mesure);
        e.Hauteur = 0;
        for (std::size_t k = 0; k < e.Lignes.size(); ++k) {
            e.Hauteur += TwoThirds;
            if (k > 0 && e.Lignes[k].find_first_of("()") != std::string::npos)
                e.Hauteur += Third;
        }
    }

    const double limiteBas = double(Log.YBas) + half;
    for (bool reperes : {false, true}) {
        std::vector<TEtiquette*> blocs;
        for (TEtiquette& e : Etiquettes)
            if (e.EstRepere() == reperes)
                blocs.push_back(&e);
        EtalerBlocs(blocs, Log.YHaut, limiteBas);
    }

    // Depth marks, right-aligned against the hole (or casing) wall.
    const std::int32_t row0 = Log.ProfVersY(0);
    std::int32_t lastMark = Log.YHaut - half;
    for (const TEtiquette& e : Etiquettes) {
        if (!e.EstRepere())
            continue;
        std::string text = e.Texte;
        if (auto v = TryStrToFloat(e.Texte))
            text = FloatToStrFixed(*v, 2);
        text += " ";
        std::int32_t R = std::max(rowOf(e.YTexte) - half, Log.YHaut - half);
        if (OptSolVisible && R < std::int64_t(row0) + PenThick && std::int64_t(row0) - 2 * PenThick < R + TwoThirds)
            R = ClampToInt32(std::int64_t(row0) + PenThick);
        R = std::max(R, lastMark);
        lastMark = ClampToInt32(std::int64_t(R) + TwoThirds);
        std::int32_t X = ClampToInt32(std::int64_t(Log.XAxe) - largeurAuRang(R));
        const std::int32_t y = rowOf(e.Y);
        if (y != R + half) {
            AddSegmentC(X, y, X - half, R + half);
            X -= half;
        }
        TextOutScaled(X - TextWidthOf(text), R, 10, text);
    }

    // Labels in the annotation column, with their leaders.
    std::int32_t lastLabel = Log.YHaut - half;
    for (const TEtiquette& e : Etiquettes) {
        if (e.EstRepere())
            continue;
        std::int32_t R = std::max(rowOf(e.YTexte) - half, lastLabel);
        const std::int32_t y = rowOf(e.Y);
        AddSegmentC(e.Cle, y, Log.XNotes - half, y);
        AddSegmentC(Log.XNotes - half, y, Log.XNotes, R + half);
        for (std::size_t k = 0; k < e.Lignes.size(); ++k) {
            const bool parens = k > 0 && e.Lignes[k].find_first_of("()") != std::string::npos;
            if (parens)
                R += Third / 2;
            TextOutScaled(Log.XNotes, R, 10, " " + e.Lignes[k]);
            if (parens)
                R += (Third + 1) / 2;
            R += TwoThirds;
        }
        lastLabel = R;
    }
    FlushLines();
}
