// The levels of the lithology column: pattern and colour, base-depth labels,
// descriptions and stratigraphic units.
#include "drawing/lithology_column.h"

#include <algorithm>
#include <vector>

#include "coding/codage_binding.h"
#include "drawing/hit_maps.h"
#include "drawing/patterns.h"
#include "drawing/primitives.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/options.h"

// ---------------------------------------------------------------------------
// Coding library and level style
// ---------------------------------------------------------------------------

bool LogCoderBound() { return CodageDLL().MakeCodeBound(); }

std::string LogMakeCode(std::string_view description) { return CodageDLL().MakeCode(description); }

std::string LevelKind(std::string_view cell)
{
    std::string kind = UpperCase(cell);
    return kind.empty() ? std::string("COUPE") : kind;
}

bool KindInPass(std::string_view kind, bool PassCoupe)
{
    return PassCoupe ? kind == "COUPE" : (kind == "RECEAU" || kind == "EXPEAU");
}

LevelColumns::LevelColumns(const TDirBlock* Table)
    : Design(Table ? DesignColumn(*Table) : nullptr),
      From(TableColumn(Table, OptNiveauDeb)),
      To(TableColumn(Table, OptNiveauFin)),
      Type(TableColumn(Table, OptNiveauType)),
      Code(TableColumn(Table, "CodeNiv")),
      Litho(TableColumn(Table, "Litho"))
{
}

bool LevelColumns::InPass(int Row, std::string_view Designation, bool PassCoupe) const
{
    return RowBelongsToOuvrage(Design, Row, Designation) && KindInPass(LevelKind(CellString(Type, Row)), PassCoupe);
}

double LevelColumns::Bottom(int Row, double Default) const
{
    const double to = CellFloat(To, Row);
    return IsMissingFloat(to) ? Default : to;
}

TCodeMotifColour LevelMotifColour(bool PassCoupe, const TBlock* CodeColumn, const TBlock* LithoColumn, int Row,
                                  bool CodeEmptyUsesLibrary)
{
    TCodeMotifColour mc;
    std::string code;
    if (PassCoupe && CodeColumn) {
        mc.Motif = 0;
        mc.Colour = 0xFFFFFF;
        code = CellString(CodeColumn, Row);
        if (code.empty() && CodeEmptyUsesLibrary && LithoColumn && LogCoderBound())
            code = LogMakeCode(CellString(LithoColumn, Row));
    } else {
        mc.Motif = 12;
        mc.Colour = 0xE0E0E0;
        if (LithoColumn && LogCoderBound())
            code = LogMakeCode(CellString(LithoColumn, Row));
    }
    // An empty code keeps the defaults.
    if (!code.empty())
        GetCodeMotifColour(code, mc);
    return mc;
}

// ---------------------------------------------------------------------------
// Descriptions
// ---------------------------------------------------------------------------

std::string PrepareDescription(std::string_view litho)
{
    const std::string lower = LowerCase(litho);
    std::string out;
    out.reserve(lower.size() + 8);
    for (std::size_t i = 0; i < lower.size(); ++i) {
        out += lower[i];
        if (lower[i] == ',' && (i + 1 >= lower.size() || lower[i + 1] != ' '))
            out += ' ';
    }
    return out;
}

namespace {

// The largest n in [lo, hi] with fits(n), or lo - 1 when none; fits must hold
// for every n below one that holds (text widths grow with the text).
template <class Fits>
std::ptrdiff_t LargestFitting(std::ptrdiff_t lo, std::ptrdiff_t hi, Fits fits)
{
    std::ptrdiff_t best = lo - 1;
    while (lo <= hi) {
        const std::ptrdiff_t mid = lo + (hi - lo) / 2;
        if (fits(mid)) {
            best = mid;
            lo = mid + 1;
        } else {
            hi = mid - 1;
        }
    }
    return best;
}

// Cuts `line` (wider than width) into the part that stays and the rest.
void CutLine(std::u32string& line, std::u32string& rest, std::int32_t width, const TextMeasure& measure)
{
    auto prefixWidth = [&](std::size_t n) { return measure(U32ToUtf8(std::u32string_view(line).substr(0, n))); };
    // Cut after a blank: the candidates are the prefixes ending with a blank,
    // shorter than the whole line.
    std::vector<std::size_t> blanks;
    for (std::size_t i = 0; i + 1 < line.size(); ++i)
        if (line[i] == U' ')
            blanks.push_back(i + 1);
    const std::ptrdiff_t k = LargestFitting(0, std::ptrdiff_t(blanks.size()) - 1,
                                            [&](std::ptrdiff_t j) { return prefixWidth(blanks[std::size_t(j)]) < width; });
    if (k >= 0) {
        const std::size_t n = blanks[std::size_t(k)];
        rest = U" " + line.substr(n) + rest;
        line.resize(n);
        return;
    }
    // No blank to cut at: cut hard, keeping at least one character so that
    // the breaking always ends.
    std::ptrdiff_t n = LargestFitting(1, std::ptrdiff_t(line.size()) - 1,
                                      [&](std::ptrdiff_t m) { return prefixWidth(std::size_t(m)) < width; });
    if (n < 1)
        n = 1;
    rest = line.substr(std::size_t(n)) + rest;
    line.resize(std::size_t(n));
}

}  // namespace

DescriptionLines WrapDescription(std::string_view text, std::int32_t Width, const TextMeasure& measure, int Lines)
{
    DescriptionLines out;
    if (text.empty() || Lines < 1)
        return out;
    std::u32string l1 = Utf8ToU32(text), l2, l3;
    if (measure(text) > Width)
        CutLine(l1, l2, Width, measure);
    out.Line1 = U32ToUtf8(l1);
    if (Lines < 2)
        return out;
    if (!l2.empty() && measure(U32ToUtf8(l2)) > Width)
        CutLine(l2, l3, Width, measure);
    out.Line2 = U32ToUtf8(l2);
    if (Lines < 3)
        return out;
    if (!l3.empty() && measure(U32ToUtf8(l3)) > Width) {
        const std::ptrdiff_t n = LargestFitting(0, std::ptrdiff_t(l3.size()) - 1, [&](std::ptrdiff_t m) {
            return measure(U32ToUtf8(std::u32string_view(l3).substr(0, std::size_t(m))) + "...") <= Width;
        });
        l3.resize(std::size_t(std::max<std::ptrdiff_t>(n, 0)));
        l3 += U"...";
    }
    out.Line3 = U32ToUtf8(l3);
    return out;
}

// ---------------------------------------------------------------------------
// Stratigraphic units
// ---------------------------------------------------------------------------

std::string FormatStratiUnit(std::string_view cell)
{
    std::string s = LowerCaseAscii(cell);
    if (!s.empty() && s[0] >= 'a' && s[0] <= 'z')
        s[0] = static_cast<char>(s[0] - 'a' + 'A');
    return s;
}

std::string FitStratiUnit(std::string S, std::int32_t A, std::int32_t B, const TextMeasure& measure)
{
    const std::int64_t room = std::int64_t(B) - 3 - (std::int64_t(A) + 3);
    auto fits = [&](const std::string& t) { return measure(t) <= room; };
    if (fits(S))
        return S;
    std::u32string u = Utf8ToU32(S);
    auto prefix = [&](std::ptrdiff_t n) { return U32ToUtf8(std::u32string_view(u).substr(0, std::size_t(n))); };
    if (measure("...") <= (std::int64_t(B) - A - 6) / 2) {
        const std::ptrdiff_t n =
            LargestFitting(0, std::ptrdiff_t(u.size()) - 1, [&](std::ptrdiff_t m) { return fits(prefix(m) + "..."); });
        return prefix(std::max<std::ptrdiff_t>(n, 0)) + "...";
    }
    const std::ptrdiff_t n =
        LargestFitting(1, std::ptrdiff_t(u.size()), [&](std::ptrdiff_t m) { return fits(prefix(m) + "."); });
    return n >= 1 ? prefix(n) + "." : std::string();
}

// ---------------------------------------------------------------------------
// The levels
// ---------------------------------------------------------------------------

namespace {

std::int32_t HalfUnsigned(std::int32_t v) { return static_cast<std::int32_t>(static_cast<std::uint32_t>(v) >> 1); }

void WriteStratiUnit(LogContext& Log, const std::string& unit, std::int32_t A, std::int32_t B)
{
    const std::string s = FitStratiUnit(unit, A, B, [](std::string_view t) { return TextWidthOf(t); });
    if (s.empty())
        return;
    const std::int64_t y = std::int64_t(A) + 3 + TextWidthOf(s);
    if (y < Log.BandTop() || y > Log.BandBottom())
        return;
    TextOutAngleScaled(Log.XLitho - BaseLineHeight - 1, static_cast<std::int32_t>(y), 10, s, 900);
}

void WriteDescription(LogContext& Log, const std::string& litho, std::int32_t Y1, std::int32_t Y2)
{
    const std::int32_t h = BaseLineHeight;
    const std::int64_t room = std::int64_t(Y2) - Y1 + 2;
    int lines = 0;
    if ((2 * h) / 3 <= room)
        lines = 1;
    if ((4 * h) / 3 <= room)
        lines = 2;
    if (2 * h <= room)
        lines = 3;
    if (lines == 0 || litho.empty())
        return;
    const DescriptionLines d = WrapDescription(PrepareDescription(litho), Log.LargeurTexte,
                                               [](std::string_view t) { return TextWidthOf(t); }, lines);
    const std::string* text[3] = {&d.Line1, &d.Line2, &d.Line3};
    int count = 0;
    while (count < 3 && !text[count]->empty())
        ++count;
    std::int64_t yc = (std::int64_t(Y1) + Y2 - h) / 2 - h / 10;
    std::int64_t ys[3] = {yc, 0, 0};
    if (count == 2) {
        yc -= (3 * h) / 8;
        ys[0] = yc;
        ys[1] = yc + (3 * h) / 4;
    } else if (count == 3) {
        yc -= (3 * h) / 4;
        ys[0] = yc;
        ys[1] = yc + (3 * h) / 4;
        ys[2] = yc + (3 * h) / 2;
    }
    for (int i = 0; i < count; ++i)
        if (ys[i] >= Log.YHaut - h / 2 && ys[i] <= Log.YBas + h / 2)
            TextOutScaled(Log.XTexte, static_cast<std::int32_t>(ys[i]), 10, *text[i]);
}

TRect Intersection(const TRect& a, const TRect& b)
{
    TRect r{std::max(a.Left, b.Left), std::max(a.Top, b.Top), std::min(a.Right, b.Right),
            std::min(a.Bottom, b.Bottom)};
    return r.IsEmpty() ? TRect{} : r;
}

}  // namespace

bool DessinerNiveaux(LogContext& Log, bool PassCoupe)
{
    const TDirBlock* table = Log.BoreholeDir ? Log.BoreholeDir->FindDir("Niveau") : nullptr;
    const LevelColumns levels(table);
    if (!levels.To)
        return false;
    const TBlock* stratiCol = TableColumn(table, "Strati");

    const std::int32_t h = BaseLineHeight;
    bool found = false;
    DepthChain chain;
    std::int64_t lastLabelY = -2147483647;
    std::int32_t unitTop = Log.YHaut;
    std::string prevUnit;
    const int rows = table->RowCount();
    for (int r = 0; r < rows; ++r) {
        if (!levels.InPass(r, Log.Designation, PassCoupe))
            continue;
        found = true;
        const double to = levels.Bottom(r, Log.ProfBas);
        const double from = chain.From(CellFloat(levels.From, r), to);

        // Every level of the pass has its entry, in the order of the rows; a
        // level outside the drawn range keeps an empty rectangle and is
        // never hit.
        TZoneRect* zone = nullptr;
        if (Log.ResetMaps) {
            ZonesNiveaux.push_back(TZoneRect{TRect{}, r});
            zone = &ZonesNiveaux.back();
        }
        if (to < Log.ProfHaut || from > Log.ProfBas)
            continue;
        const std::int32_t Y1 = Log.ProfVersY(from);
        const std::int32_t Y2 = Log.ProfVersY(to);

        if (Y1 <= Log.YBas && Y2 >= Log.YHaut) {
            if (zone)
                zone->Rect = Intersection(TRect{Log.XLitho, Y1, Log.XTexteFin, Y2},
                                          TRect{Log.XLitho, Log.YHaut, Log.XTexteFin, Log.YBas});
            const TCodeMotifColour mc = LevelMotifColour(PassCoupe, levels.Code, levels.Litho, r, false);
            const std::int32_t top = Log.ClampToBand(Y1), bottom = Log.ClampToBand(Y2);
            FillColorRect(Log.XLitho, top, Log.XLithoFin, bottom, mc.Colour);
            DrawMotif(Log.XLitho, top, Log.XLithoFin, bottom, mc.Motif, Log.W, Log.H, false);
            RectangleA(Log.XLitho, top, Log.XLithoFin, bottom);
        }
        if (Log.InBand(Y2))
            AddSegmentC(Log.XLithoFin, Y2, Log.XTexteFin, Y2);

        // Labels of thin levels step down by three quarters of a line
        // instead of overlapping.
        std::int64_t ty = std::int64_t(Y2) - HalfUnsigned(h);
        const std::int64_t minY = lastLabelY + (3 * std::int64_t(h)) / 4;
        if (ty < minY)
            ty = minY;
        lastLabelY = ty;
        if (ty >= Log.BandTop() && ty <= Log.BandBottom())
            TextOutScaled(Log.XTexteFin, static_cast<std::int32_t>(ty), 10, " " + FloatToStrFixed(to, 2));

        WriteDescription(Log, CellString(levels.Litho, r), Y1, Y2);

        const std::string unit = stratiCol ? FormatStratiUnit(CellString(stratiCol, r)) : std::string();
        if (unit != prevUnit) {
            if (!prevUnit.empty()) {
                WriteStratiUnit(Log, prevUnit, unitTop, Y1);
                if (Log.InBand(Y1))
                    AddSegmentA(Log.XEchelle, Y1, Log.XLitho, Y1);
            }
            unitTop = Y1;
            prevUnit = unit;
        }
    }
    if (!prevUnit.empty()) {
        TextWidthOf("");
        const std::int32_t hg = Log.Target->TextHeight("Hg");
        WriteStratiUnit(Log, prevUnit + " ", unitTop, Log.YBas + hg / 2);
    }
    return found;
}
