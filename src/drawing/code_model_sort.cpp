#include "drawing/code_model_sort.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <vector>

#include "drawing/code_models.h"
#include "drawing/colours.h"
#include "drawing/rounding.h"
#include "drawing/swatches.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/canvas.h"
#include "platform/ui_services.h"
#include "store/numbers.h"

// ---- sorting --------------------------------------------------------------------

namespace {

// The exchange sort users know from the program's models: position i takes, in
// turn, every later row whose key is smaller. It is not stable, and the order
// of equal keys it leaves is part of what a sorted model looks like, so it is
// kept as it is. A key that cannot be read ends the pass of position i at once:
// such a row never moves and fences the rows around it.
template <class Key, class Greater>
void ExchangeSort(StringGrid& g, int first, int last, const std::function<std::optional<Key>(int)>& keyOf,
                  Greater greater)
{
    if (first == -1) first = 1;
    if (last == -1) last = g.RowCount() - 2;
    first = std::max(first, 0);
    last = std::min(last, g.RowCount() - 1);
    if (last - 1 < first) return;
    const int cols = g.ColCount();
    std::vector<std::string> saved(static_cast<std::size_t>(std::max(cols, 0)));
    for (int i = first; i < last; ++i) {
        std::optional<Key> keyI = keyOf(i);
        if (!keyI) continue;
        for (int j = i + 1; j <= last; ++j) {
            std::optional<Key> keyJ = keyOf(j);
            if (!keyJ) break;
            if (!greater(*keyI, *keyJ)) continue;
            for (int c = 0; c < cols; ++c) saved[static_cast<std::size_t>(c)] = g.Cell(c, i);
            for (int c = 0; c < cols; ++c) g.SetCell(c, i, g.Cell(c, j));
            for (int c = 0; c < cols; ++c) g.SetCell(c, j, saved[static_cast<std::size_t>(c)]);
            keyI = std::move(keyJ);
        }
    }
}

std::optional<double> ColourKey(const StringGrid& g, int row, double (*measure)(const TVec&))
{
    const auto r = TryStrToInt(g.Cell(kModelColRouge, row));
    const auto gr = TryStrToInt(g.Cell(kModelColVert, row));
    const auto b = TryStrToInt(g.Cell(kModelColBleu, row));
    if (!r || !gr || !b) return std::nullopt;
    return measure(MakeVec(*r / 255.0, *gr / 255.0, *b / 255.0));
}

// Hues and luminances that differ by a millionth or less count as equal.
bool ColourGreater(double a, double b) { return a - b > 0.000001; }

}  // namespace

void SortModelByCode(StringGrid& Grid, int First, int Last)
{
    // Codes compare by their Windows-1252 character codes, case included.
    ExchangeSort<std::string>(
        Grid, First, Last, [&](int r) { return std::optional<std::string>(Utf8ToCp1252(Grid.Cell(kModelColCode, r))); },
        [](const std::string& a, const std::string& b) {
            return std::lexicographical_compare(b.begin(), b.end(), a.begin(), a.end(), [](char x, char y) {
                return static_cast<unsigned char>(x) < static_cast<unsigned char>(y);
            });
        });
}

void SortModelByMotif(StringGrid& Grid, int First, int Last)
{
    ExchangeSort<std::int32_t>(Grid, First, Last, [&](int r) { return TryStrToInt(Grid.Cell(kModelColMotif, r)); },
                               [](std::int32_t a, std::int32_t b) { return a > b; });
}

void SortModelByHue(StringGrid& Grid, int First, int Last)
{
    ExchangeSort<double>(Grid, First, Last, [&](int r) { return ColourKey(Grid, r, &HueOf); }, ColourGreater);
}

void SortModelByLuminance(StringGrid& Grid, int First, int Last)
{
    ExchangeSort<double>(Grid, First, Last, [&](int r) { return ColourKey(Grid, r, &Luminance); }, ColourGreater);
}

// ---- printing -------------------------------------------------------------------

namespace {

std::int32_t Across(const TPrinterInfo& p, double cm) { return RoundHalfEven(cm / p.PageWidthCm * p.PhysicalWidth); }
std::int32_t Down(const TPrinterInfo& p, double cm) { return RoundHalfEven(cm / p.PageHeightCm * p.PhysicalHeight); }

void PlainFont(Canvas& canvas, std::int32_t height)
{
    canvas.Font.Weight = FW_NORMAL;
    canvas.Font.Italic = canvas.Font.Underline = canvas.Font.StrikeOut = false;
    canvas.Font.Escapement = 0;
    canvas.Font.Color = clBlack;
    canvas.Font.Height = height;
}

// The heading, shrunk until it fits across, centred above the area.
void WriteHeading(Canvas& canvas, const TRect& area, std::int32_t oneCm, const std::string& text)
{
    const std::int32_t width = area.Right - area.Left;
    while (canvas.TextWidth(text) > width && canvas.Font.Height >= 2) canvas.Font.Height = canvas.Font.Height * 2 / 3;
    canvas.Brush.Style = BrushStyle::Clear;
    canvas.TextOut((area.Left + area.Right - canvas.TextWidth(text)) / 2, area.Top - oneCm, text);
}

void Frames(Canvas& canvas, const TRect& swatch, const TRect& slot, std::int32_t swatchPen, std::int32_t slotPen)
{
    canvas.Brush.Style = BrushStyle::Clear;
    canvas.Pen = TPen{PenStyle::Solid, clBlack, swatchPen};
    canvas.Rectangle(swatch);
    canvas.Pen.Width = slotPen;
    canvas.Rectangle(slot);
}

std::string TwoDigits(std::int32_t n)
{
    std::string s = IntToStr(n);
    return s.size() == 1 ? "0" + s : s;
}

bool Confirm(int pages, const char* what)
{
    return AskYesNo("Mod\xC3\xA8les", "Nombres de pages \xC3\xA0 imprimer : " + IntToStr(pages) + ". Confirmez-vous l'impression " +
                                        what + " ?") == MsgResult::Yes;
}

}  // namespace

TRect PrintListArea(const TPrinterInfo& p)
{
    if (!p.Valid()) return {};
    return TRect{Across(p, 1.5 - p.OffsetXCm), Down(p, 2.5 - p.OffsetYCm), Across(p, p.PageWidthCm - p.OffsetXCm - 1.5),
                 Down(p, p.PageHeightCm - p.OffsetYCm - 1.5)};
}

void PrintModelRow(Canvas& canvas, std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                   const std::string& Code, const std::string& Motif, const std::string& Rouge,
                   const std::string& Vert, const std::string& Bleu, std::int32_t Scale)
{
    const std::string code = Utf8Length(Code) > 4 ? Utf8Substr(Code, 0, 4) : Code;
    const std::int32_t X3 = std::min(X1 + 2 * (Y2 - Y1), (X1 + X2) / 2);
    // Each component is reduced to 8 bits as the screen reduces it: a 300
    // must not spill into the next channel.
    auto component = [](const std::string& text) { return std::int64_t(StrToIntDefault(text, 255)) & 0xFF; };
    const std::int64_t colour = component(Rouge) + component(Vert) * 256 + component(Bleu) * 65536;
    DrawMotifPattern(canvas, static_cast<TColor>(colour), StrToIntVal(Motif), Scale, TRect{X1, Y1, X3, Y2});
    PlainFont(canvas, std::min(Y2 - Y1, (X2 - X3) / 3) / 2);
    canvas.Brush.Style = BrushStyle::Clear;
    if (!code.empty()) canvas.TextOut(X3, (Y1 + Y2 - canvas.TextHeight(code)) / 2, " " + code);
    Frames(canvas, TRect{X1, Y1, X3, Y2}, TRect{X1, Y1, X2, Y2}, Scale, Scale / 2);
}

void PrintMotifItem(Canvas& canvas, std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                    std::int32_t Number, std::int32_t Unit)
{
    const std::string nn = TwoDigits(Number);
    PlainFont(canvas, (Y2 - Y1) / 2);
    const std::int32_t S = std::min(X1 + (Y2 - Y1) * 3 / 2, X2 - canvas.TextWidth(" " + nn + " "));
    DrawMotifPattern(canvas, clWhite, Number, Unit, TRect{X1, Y1, S, Y2});
    PlainFont(canvas, (Y2 - Y1) / 2);
    canvas.Brush.Style = BrushStyle::Clear;
    canvas.TextOut(S, (Y1 + Y2 - canvas.TextHeight(" " + nn)) / 2, " " + nn);
    Frames(canvas, TRect{X1, Y1, S, Y2}, TRect{X1, Y1, X2, Y2}, 2 * Unit, Unit / 2);
}

ModelPrintPlan PlanModelPrint(const StringGrid& Grid, const TPrinterInfo& printer)
{
    ModelPrintPlan plan;
    int last = Grid.RowCount() - 2;
    while (last > 0 && Grid.Cell(kModelColCode, last).empty()) --last;
    plan.LastRow = std::max(last, 0);
    if (!printer.Valid()) return plan;
    plan.Lines = std::max(0, TruncChecked((printer.PageHeightCm - 2.5 - 1.5) / 1.2));
    plan.Columns = std::max(0, TruncChecked((printer.PageWidthCm - 3) / 5));
    const int P = plan.Lines * plan.Columns;
    if (P == 0) return plan;
    plan.Pages = (plan.LastRow + P - 1) / P;
    const int rest = plan.LastRow % P;
    if (rest >= 1 && rest <= 2 * plan.Columns && plan.Pages > 1) --plan.Pages;
    return plan;
}

int PrintCodeModel(const StringGrid& Grid, const std::string& ModelName, const TPrinterInfo& printer,
                   PrintDocument& document)
{
    const ModelPrintPlan plan = PlanModelPrint(Grid, printer);
    const int P = plan.Lines * plan.Columns;
    if (plan.LastRow > 0 && printer.Valid() && P == 0) {
        // No column or line fits on such paper: nothing can be laid out.
        ShowBox("Impression", "La page de l'imprimante est trop petite pour imprimer le mod\xC3\xA8le.");
        return 0;
    }
    if (plan.Pages == 0) {
        ShowBox("Impression", "Rien \xC3\xA0 imprimer");
        return 0;
    }
    if (!Confirm(plan.Pages, "du mod\xC3\xA8le affich\xC3\xA9")) return 0;
    if (!document.BeginDoc("Carotix - Codes motifs couleurs")) return 0;
    const TRect area = PrintListArea(printer);
    const std::int32_t W = area.Right - area.Left, H = area.Bottom - area.Top;
    const std::int32_t D = Down(printer, 1);
    const std::int32_t scale = RoundHalfEven(printer.LogPixelsX / 150.0);
    int row = 1;
    for (int p = 1; p <= plan.Pages; ++p) {
        if (p > 1) document.NewPage();
        Canvas& canvas = document.PageCanvas();
        PlainFont(canvas, RoundHalfEven(0.5 * D));
        WriteHeading(canvas, area, D,
                     "Mod\xC3\xA8le : " + ModelName + " - Code et motifs associ\xC3\xA9s - page " + IntToStr(p) + "/" +
                         IntToStr(plan.Pages));
        int lines = plan.Lines;
        const int left = plan.LastRow - row + 1;
        if (p == plan.Pages && left > P) lines = (left + plan.Columns - 1) / plan.Columns;
        for (int c = 0; c < plan.Columns; ++c)
            for (int k = 0; k < lines; ++k) {
                const std::int32_t x1 = MulDivRound(c, W, plan.Columns) + area.Left;
                const std::int32_t x2 = MulDivRound(std::int64_t(c) * 100 + 85, W, plan.Columns * 100) + area.Left;
                const std::int32_t y1 = MulDivRound(k, H, lines) + area.Top;
                const std::int32_t y2 = MulDivRound(k + 1, H, lines) + area.Top;
                if (row <= plan.LastRow) {
                    PrintModelRow(canvas, x1, y1, x2, y2, Grid.Cell(kModelColCode, row), Grid.Cell(kModelColMotif, row),
                                  Grid.Cell(kModelColRouge, row), Grid.Cell(kModelColVert, row),
                                  Grid.Cell(kModelColBleu, row), scale);
                    ++row;
                } else {
                    PrintModelRow(canvas, x1, y1, x2, y2, "", "", "", "", "", scale);
                }
            }
    }
    document.EndDoc();
    return plan.Pages;
}

int PrintMotifList(const TPrinterInfo& printer, PrintDocument& document)
{
    constexpr int kEntries = 100, kRows = 20, kColumns = 5, kPerPage = kRows * kColumns;
    int pages = (kEntries + kPerPage - 1) / kPerPage;
    const int rest = kEntries % kPerPage;
    if (rest >= 1 && rest <= 10 && pages > 1) --pages;
    const TRect area = PrintListArea(printer);
    if (pages == 0 || area.IsEmpty()) {
        ShowBox("Impression", "Rien \xC3\xA0 imprimer");
        return 0;
    }
    if (!Confirm(pages, "de la liste des motifs")) return 0;
    if (!document.BeginDoc("Carotix - Motifs")) return 0;
    const std::int32_t W = area.Right - area.Left, H = area.Bottom - area.Top;
    const std::int32_t oneCm = Down(printer, 1);
    const std::int32_t unit = RoundHalfEven(printer.LogPixelsX / 150.0);
    int k = 0;
    for (int p = 1; p <= pages; ++p) {
        if (p > 1) document.NewPage();
        Canvas& canvas = document.PageCanvas();
        PlainFont(canvas, RoundHalfEven(0.5 * oneCm));
        WriteHeading(canvas, area, oneCm, "Liste des motifs - page " + IntToStr(p) + "/" + IntToStr(pages));
        int rows = kRows;
        if (p == pages && kEntries - k > kPerPage) rows = (kEntries - k + kColumns - 1) / kColumns;
        for (int c = 0; c < kColumns; ++c)
            for (int r = 0; r < rows && k < kEntries; ++r, ++k) {
                const std::int32_t x1 = area.Left + MulDivRound(c, W, kColumns);
                const std::int32_t x2 = area.Left + MulDivRound(std::int64_t(c) * 100 + 95, W, kColumns * 100);
                const std::int32_t y1 = area.Top + MulDivRound(r, H, rows);
                const std::int32_t y2 = area.Top + MulDivRound(r + 1, H, rows);
                PrintMotifItem(canvas, x1, y1, x2, y2, k, unit);
            }
    }
    document.EndDoc();
    return pages;
}
