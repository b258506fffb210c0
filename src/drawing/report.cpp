#include "drawing/report.h"

#include <algorithm>
#include <limits>
#include <stdexcept>

#include "drawing/printing.h"
#include "platform/base/ini_file.h"
#include "platform/base/text_codec.h"
#include "platform/printer_info.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/field_defs.h"
#include "store/numbers.h"
#include "store/options.h"
#include "store/templates.h"

namespace {

const char* const kNbsp = "\xC2\xA0";
const char* const kDesign = "D\xC3\xA9sign";
const char* const kPresentation = "Pr\xC3\xA9sentation";
const char* const kMotsCles = "mots-cl\xC3\xA9s";
const char* const kIndefini = "Ind\xC3\xA9" "fini";
constexpr std::int64_t kNoHeightLimit = std::numeric_limits<std::int64_t>::max() / 4;

bool IsUpperLetter(char32_t c) { return IsLetter(c) && LowerChar(c) != c; }
bool IsLowerLetter(char32_t c) { return IsLetter(c) && UpperChar(c) != c; }

std::string TrimRightBlanks(std::string text)
{
    while (!text.empty() && text.back() == ' ') text.pop_back();
    return text;
}

std::int32_t Clamp32(std::int64_t v)
{
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, -Canvas::CoordLimit, Canvas::CoordLimit));
}

// The name after the last "\" of a field's path.
std::string LastComponent(const std::string& path)
{
    const std::size_t at = path.rfind('\\');
    return at == std::string::npos ? path : path.substr(at + 1);
}

// The lexicon section of a field whose lexicon depends on the field before
// it: [Table\Column<value of the previous field>].
std::string StarSectionOf(const std::string& table, const TStructTable& defs, std::size_t i,
                          const std::vector<std::string>& rawValues)
{
    if (i == 0 || i >= defs.size() || !defs[i].StarLexicon || rawValues[i - 1].empty()) return {};
    return table + "\\" + defs[i].Path + rawValues[i - 1];
}

bool IsIntegerColumn(const TBlock& b) { return b.BlockType() == btInt || b.BlockType() == btIntArray; }

// Rows of the ouvrage: a table with a "Désign" column holds rows of several.
bool RowOfDesign(const TDirBlock& table, int r, const std::string& design)
{
    const int c = table.IndexOfName(kDesign);
    return c < 0 || table.Child(c)->GetString(r) == design;
}

}  // namespace

std::string FormatFieldValue(const TFieldDef& def, const std::string& value, const std::string& starSection)
{
    if (value.empty()) return value;
    if (def.Kind == 'E') return DigitsToDate(value);
    auto lookUp = [&value](const std::vector<std::string>& codes, const std::vector<std::string>& labels,
                           std::string& out) {
        for (std::size_t i = 0; i < codes.size() && i < labels.size(); ++i)
            if (codes[i] == value) {
                out = labels[i].empty() ? value : labels[i];
                return true;
            }
        return false;
    };
    std::string out;
    if (!starSection.empty()) {
        std::vector<std::string> codes, labels;
        LoadLexiconSection(starSection, codes, labels);
        if (lookUp(codes, labels, out)) return out;
    }
    if (lookUp(def.LexCodes, def.LexLabels, out)) return out;
    return value;
}

std::vector<std::string> RapportElementNames()
{
    std::vector<std::string> names;
    if (!IniRapport) return names;
    for (const std::string& line : IniRapport->ReadSectionValues("Titres")) names.push_back(ValuePart(line));
    return names;
}

// ---- layout -------------------------------------------------------------------

TRapportForage::TRapportForage(const TDirBlock& root, std::int32_t fontSize, Canvas* canvas, const TRect& pageRect,
                               std::optional<std::vector<std::string>> elements, std::string design,
                               std::string indice)
    : root_(&root),
      indice_(std::move(indice)),
      design_(std::move(design)),
      pageRect_(pageRect),
      area_(pageRect),
      fontSize_(fontSize),
      canvas_(canvas),
      elements_(std::move(elements))
{
    if (!canvas_) throw std::runtime_error("Rapport de forage : pas de canvas sp\xC3\xA9" "cifi\xC3\xA9");
    const int b = root.IndexOfDir(indice_);
    borehole_ = b >= 0 ? root.ChildDir(b) : nullptr;
    canvas_->SetFontSize(fontSize_);
    canvas_->Font.Weight = FW_NORMAL;
    lineHeight_ = std::max(1, canvas_->TextHeight("\xC3\x94g"));
    Build();
}

bool TRapportForage::HasError() const { return texts_.empty() && frames_.empty() && segments_.empty(); }

std::int32_t TRapportForage::TextWidth(const std::string& text, bool bold)
{
    canvas_->Font.Weight = bold ? FW_BOLD : FW_NORMAL;
    return canvas_->TextWidth(text);
}

void TRapportForage::NewPage()
{
    ++pageCount_;
    area_.Top = pageRect_.Top;
}

void TRapportForage::Build()
{
    area_ = pageRect_;
    pageCount_ = 0;
    texts_.clear();
    frames_.clear();
    segments_.clear();
    AddTitle("Rapport - " + indice_ + " " + design_);
    if (!borehole_ || !IniRapport) return;
    for (const std::string& line : IniRapport->ReadSectionValues("Titres")) {
        const std::string key = NamePart(line);
        const std::string heading = ValuePart(line);
        const int d = borehole_->IndexOfDir(key);
        if (d < 0) continue;
        if (elements_) {
            const bool chosen = std::any_of(elements_->begin(), elements_->end(), [&](const std::string& e) {
                return SameTextNoCase(e, key) || SameTextNoCase(e, heading);
            });
            if (!chosen) continue;
        }
        const TDirBlock& table = *borehole_->ChildDir(d);
        const std::string kind = LowerCase(Trim(IniRapport->ReadString(kPresentation, key, "")));
        if (kind == "fiche")
            AddFiche(table, heading);
        else if (kind == kMotsCles)
            AddMotsCles(table, heading);
        else
            AddTable(table, heading);
    }
    if (pageCount_ == 0) pageCount_ = 1;
}

void TRapportForage::AddWrappedText(const std::string& text, bool bold, bool measureOnly, std::int64_t heightLimit,
                                    std::int32_t width, int align)
{
    std::u32string rest = Utf8ToU32(text);
    while (!rest.empty()) {
        if (lineHeight_ > heightLimit) return;
        std::string line = U32ToUtf8(rest);
        std::size_t cut = rest.size();
        if (TextWidth(line, bold) > width) {
            // The longest prefix narrower than the width, by halving steps.
            std::size_t step = 1;
            while (step <= rest.size()) step *= 2;
            std::size_t len = 0;
            while (step > 1) {
                step /= 2;
                if (len + step <= rest.size() &&
                    TextWidth(U32ToUtf8(std::u32string_view(rest).substr(0, len + step)), bold) < width)
                    len += step;
            }
            // A break after a hyphen or blank, inside a word before a capital
            // that follows a small letter, or before a digit that follows a letter.
            std::size_t brk = 0;
            for (std::size_t i = std::min(len, rest.size() - 1); i >= 2; --i) {
                const char32_t c = rest[i - 1], next = rest[i];
                if (c == U'-' || c == U' ' || (IsUpperLetter(next) && IsLowerLetter(c)) ||
                    (IsDigit(next) && IsLetter(c))) {
                    brk = i;
                    break;
                }
            }
            cut = brk ? brk : std::max<std::size_t>(len, 1);
            line = TrimRightBlanks(U32ToUtf8(std::u32string_view(rest).substr(0, cut)));
        }
        if (!measureOnly) {
            if (pageCount_ == 0) pageCount_ = 1;
            if (std::int64_t(area_.Top) + lineHeight_ > area_.Bottom) NewPage();
            if (!line.empty()) {
                const std::int32_t w = TextWidth(line, bold);
                std::int64_t x = area_.Left;
                if (align == 1)
                    x = std::int64_t(area_.Left) + width - w;
                else if (align == 2)
                    x = std::int64_t(area_.Left) + (std::int64_t(width) - w) / 2;
                texts_.push_back(TRapportText{line, Clamp32(x), area_.Top, pageCount_, bold});
            }
        }
        area_.Top = Clamp32(std::int64_t(area_.Top) + lineHeight_);
        heightLimit -= lineHeight_;
        rest.erase(0, cut);
    }
}

void TRapportForage::AddLine(const std::string& text)
{
    AddWrappedText(text, false, false, kNoHeightLimit, Clamp32(area_.Width()), 0);
}

void TRapportForage::AddTitle(const std::string& text)
{
    if (area_.Top != 0) area_.Top = Clamp32(std::int64_t(area_.Top) + lineHeight_);
    if (std::int64_t(area_.Top) + 4 * std::int64_t(lineHeight_) > area_.Bottom) NewPage();
    AddWrappedText(text, true, false, kNoHeightLimit, Clamp32(area_.Width()), 0);
    area_.Top = Clamp32(std::int64_t(area_.Top) + lineHeight_);
}

std::int32_t TRapportForage::MeasureTextHeight(const std::string& text, bool bold, std::int32_t width)
{
    const TRect saved = area_;
    const std::int32_t page = pageCount_;
    AddWrappedText(text, bold, true, kNoHeightLimit, width, 0);
    const std::int64_t height = std::int64_t(area_.Top) - saved.Top;
    area_ = saved;
    pageCount_ = page;
    return Clamp32(height);
}

// ---- sheets and keyword lines ---------------------------------------------------------

void TRapportForage::AddFiche(const TDirBlock& table, const std::string& heading)
{
    TStructTable defs;
    LoadTableDefinitions(defs, table.Name, "", true);
    bool headed = false;
    const int rows = table.RowCount();
    for (int r = 0; r < rows; ++r) {
        if (!RowOfDesign(table, r, design_)) continue;
        // Each row is a block of its own: values of the row before do not
        // carry over into a row that lacks them.
        for (TFieldDef& d : defs) d.Value.clear();
        std::vector<std::string> aside;
        for (int c = 0; c < table.ItemCount(); ++c) {
            const TBlock& column = *table.Child(c);
            if (column.Name == kDesign || column.IsDir()) continue;
            std::string value = column.GetString(r);
            if (value.empty()) continue;
            if (table.Name == "Ouvrage" && (column.Name == "X" || column.Name == "Y")) {
                std::string expanded;
                ExpandFields("%Ouvrage\\" + column.Name + "% %Unit\xC3\xA9XY%", *root_, indice_, expanded, "",
                             design_);
                value = expanded;
            }
            if (!headed) {
                AddTitle(heading);
                headed = true;
            }
            const int d = IndexOfFieldDef(defs, column.Name);
            if (d >= 0)
                defs[static_cast<std::size_t>(d)].Value = value;
            else
                aside.push_back(column.Name + kNbsp + ": " + value);
        }
        std::vector<std::string> raw;
        for (const TFieldDef& d : defs) raw.push_back(d.Value);
        for (std::size_t i = 0; i < defs.size(); ++i)
            if (!defs[i].Value.empty())
                AddLine(defs[i].Name + kNbsp + ": " +
                        FormatFieldValue(defs[i], defs[i].Value, StarSectionOf(table.Name, defs, i, raw)));
        for (const std::string& line : aside) AddLine(line);
    }
}

void TRapportForage::AddMotsCles(const TDirBlock& table, const std::string& heading)
{
    TStructTable defs;
    LoadTableDefinitions(defs, table.Name, "", true);
    if (defs.empty()) return;
    const int c = table.IndexOfName(LastComponent(defs.back().Path));
    if (c < 0) return;
    std::string line;
    for (int r = 0; r < table.RowCount(); ++r) {
        if (!RowOfDesign(table, r, design_)) continue;
        const std::string word = Trim(table.Child(c)->GetString(r));
        if (word.empty()) continue;
        if (!line.empty()) line += ", ";
        line += word;
    }
    if (line.empty()) return;
    AddTitle(heading);
    AddLine(line);
}

// ---- tables -------------------------------------------------------------------------------

std::vector<TRapportColumn> TRapportForage::BuildColumns(const TDirBlock& table, const TStructTable& defs) const
{
    std::vector<TRapportColumn> defined, others;
    for (int c = 0; c < table.ItemCount(); ++c) {
        const TBlock& column = *table.Child(c);
        if (column.Name == kDesign || column.IsDir()) continue;
        TRapportColumn col;
        col.ChildIndex = c;
        col.Label = column.Name;
        col.DefinitionIndex = IndexOfFieldDef(defs, column.Name);
        if (col.DefinitionIndex >= 0) {
            col.Label = defs[static_cast<std::size_t>(col.DefinitionIndex)].Name;
            defined.push_back(col);
        } else {
            others.push_back(col);
        }
    }
    std::stable_sort(defined.begin(), defined.end(), [](const TRapportColumn& a, const TRapportColumn& b) {
        return a.DefinitionIndex < b.DefinitionIndex;
    });
    defined.insert(defined.end(), others.begin(), others.end());
    return defined;
}

void TRapportForage::AddTable(const TDirBlock& table, const std::string& heading)
{
    const std::int32_t p = std::max(2, TextWidth("M", false) / 6);
    TStructTable defs;
    LoadTableDefinitions(defs, table.Name, "", true);
    std::vector<TRapportColumn> columns = BuildColumns(table, defs);

    // The cells of the ouvrage's rows, with each column's widths.
    std::vector<std::vector<std::string>> rows;
    for (int r = 0; r < table.RowCount(); ++r) {
        if (!RowOfDesign(table, r, design_)) continue;
        std::vector<std::string> raw(defs.size());
        for (std::size_t i = 0; i < defs.size(); ++i) {
            const int c = table.IndexOfName(LastComponent(defs[i].Path));
            if (c >= 0) raw[i] = table.Child(c)->GetString(r);
        }
        std::vector<std::string> cells;
        for (TRapportColumn& col : columns) {
            const TBlock& block = *table.Child(col.ChildIndex);
            std::string cell = block.GetString(r);
            if (block.Name == "Litho") cell = LowerCase(cell);
            if (IsIntegerColumn(block) && cell == "0") cell.clear();
            if (col.DefinitionIndex >= 0) {
                const auto d = static_cast<std::size_t>(col.DefinitionIndex);
                cell = FormatFieldValue(defs[d], cell, StarSectionOf(table.Name, defs, d, raw));
            }
            if (col.Numeric && cell == kIndefini) cell.clear();
            if (!cell.empty()) {
                col.Empty = false;
                if (Utf8Length(cell) >= 2 && IsFloatText(cell)) col.Numeric = true;
                const std::int32_t w = TextWidth(cell, false) + 2 * p;
                ++col.ValueCount;
                col.Average += w;
                col.Greatest = std::max(col.Greatest, w);
            }
            cells.push_back(std::move(cell));
        }
        rows.push_back(std::move(cells));
    }
    for (TRapportColumn& col : columns) {
        col.Least = col.Greatest;
        const std::int32_t w = TextWidth(col.Label, true) + 2 * p;
        ++col.ValueCount;
        col.Average = (col.Average + w) / col.ValueCount;
        col.Greatest = std::max(col.Greatest, w);
        col.Least = std::max<std::int32_t>(col.Least, static_cast<std::int32_t>(std::int64_t(w) * 2 / 3));
    }

    bool started = false;
    for (const std::vector<std::string>& cells : rows) {
        if (std::all_of(cells.begin(), cells.end(), [](const std::string& s) { return s.empty(); })) continue;
        if (!started) {
            AddTitle(heading);
            PlaceColumns(columns);
            AddHeaderRow(columns, p);
            started = true;
        }
        AddRow(columns, cells, false, p);
    }
}

void TRapportForage::PlaceColumns(std::vector<TRapportColumn>& columns) const
{
    std::int64_t w = std::int64_t(pageRect_.Right) - pageRect_.Left - 1;
    std::int64_t sumGreatest = 0;
    for (const TRapportColumn& c : columns)
        if (!c.Empty) sumGreatest += c.Greatest;
    if (w >= sumGreatest) {
        for (TRapportColumn& c : columns) c.Width = c.Greatest;
    } else {
        std::vector<TRapportColumn*> shared;
        for (TRapportColumn& c : columns) {
            if (c.Empty) continue;
            if (c.Numeric) {
                c.Width = c.Least;
                w -= c.Least;
            } else {
                shared.push_back(&c);
            }
        }
        // Numeric columns wider than the page leave nothing to share.
        w = std::max<std::int64_t>(w, 0);
        std::int64_t sumAverage = 0;
        for (const TRapportColumn* c : shared) sumAverage += c->Average;
        std::vector<TRapportColumn*> left;
        const std::int64_t total = w;
        for (TRapportColumn* c : shared) {
            const std::int64_t share = sumAverage > 0 ? c->Average * total / sumAverage : 0;
            if (share > c->Greatest) {
                c->Width = c->Greatest;
                w -= c->Greatest;
            } else {
                left.push_back(c);
            }
        }
        std::int64_t sumLeft = 0;
        for (const TRapportColumn* c : left) sumLeft += c->Average;
        for (TRapportColumn* c : left)
            c->Width = (w >= 1 && sumLeft > 0) ? static_cast<std::int32_t>(c->Average * w / sumLeft) : 0;
    }
    // Every column keeps room for at least one character between its insets.
    std::int64_t x = pageRect_.Left;
    for (TRapportColumn& c : columns) {
        if (c.Empty) continue;
        c.Width = std::max(c.Width, 1);
        c.X = Clamp32(x);
        x += c.Width;
    }
}

void TRapportForage::AddHeaderRow(std::vector<TRapportColumn>& columns, std::int32_t inset)
{
    std::vector<std::string> labels;
    for (const TRapportColumn& c : columns) labels.push_back(c.Label);
    AddRow(columns, labels, true, inset);
}

void TRapportForage::AddRow(const std::vector<TRapportColumn>& columns, const std::vector<std::string>& cells,
                            bool header, std::int32_t inset)
{
    std::int64_t height = 0;
    for (std::size_t i = 0; i < columns.size(); ++i)
        if (!columns[i].Empty)
            height = std::max<std::int64_t>(height, MeasureTextHeight(cells[i], header, columns[i].Width - 2 * inset));
    if (height != 0) height += 2 * inset;
    if (pageCount_ == 0) pageCount_ = 1;
    const std::int64_t need = header ? std::int64_t(area_.Top) + lineHeight_ + height : std::int64_t(area_.Top) + height;
    if (need > pageRect_.Bottom) {
        NewPage();
        if (!header) {
            std::vector<std::string> labels;
            for (const TRapportColumn& c : columns) labels.push_back(c.Label);
            AddRow(columns, labels, true, inset);
        }
    }
    height = std::clamp<std::int64_t>(height, 0, std::max<std::int64_t>(0, std::int64_t(pageRect_.Bottom) - area_.Top));

    const std::int32_t top = area_.Top;
    std::int64_t total = 0;
    std::int32_t left = pageRect_.Left;
    bool first = true;
    for (const TRapportColumn& c : columns) {
        if (c.Empty) continue;
        if (first) left = c.X;
        else segments_.push_back(TRapportSegment{c.X, top, c.X, Clamp32(top + height), pageCount_, clBlack});
        first = false;
        total += c.Width;
    }
    frames_.push_back(TRapportFrame{left, top, pageCount_, Clamp32(left + total + 1), Clamp32(top + height + 1),
                                    pageCount_, header ? kRapportHeaderFill : kRapportNoFill});

    const std::int32_t savedLeft = area_.Left;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const TRapportColumn& c = columns[i];
        if (c.Empty || cells[i].empty()) continue;
        const std::int32_t w = c.Width - 2 * inset;
        const std::int64_t textHeight = MeasureTextHeight(cells[i], header, w);
        const std::int64_t offset = std::max<std::int64_t>(0, (height - textHeight) / 2);
        area_.Top = Clamp32(top + offset);
        area_.Left = Clamp32(std::int64_t(c.X) + inset);
        AddWrappedText(cells[i], header, false, height - offset, w, 2);
    }
    area_.Left = savedLeft;
    area_.Top = Clamp32(top + height);
}

// ---- rendering and printing -------------------------------------------------------------

void TRapportForage::DrawPage(std::int32_t page, Canvas& canvas) const
{
    canvas.SetFontSize(fontSize_);
    canvas.Pen = TPen{PenStyle::Solid, clBlack, 1};
    // A frame that runs over several pages is cut at the page's edges.
    for (const TRapportFrame& f : frames_) {
        if (page < f.FirstPage || page > f.LastPage) continue;
        const std::int32_t y1 = f.FirstPage < page ? pageRect_.Top : f.Y1;
        const std::int32_t y2 = f.LastPage > page ? pageRect_.Bottom : f.Y2;
        canvas.Brush = f.FillColour == kRapportNoFill ? TBrush{BrushStyle::Clear, clWhite}
                                                      : TBrush{BrushStyle::Solid, f.FillColour};
        canvas.Rectangle(f.X1, y1, f.X2, y2);
    }
    for (const TRapportSegment& s : segments_) {
        if (s.Page != page) continue;
        canvas.Pen.Color = s.Colour;
        canvas.MoveTo(s.X1, s.Y1);
        canvas.LineTo(s.X2, s.Y2);
    }
    canvas.Pen.Color = clBlack;
    canvas.Brush = TBrush{BrushStyle::Clear, clWhite};
    for (const TRapportText& t : texts_) {
        if (t.Page != page) continue;
        canvas.Font.Weight = t.Bold ? FW_BOLD : FW_NORMAL;
        canvas.TextOut(t.X, t.Y, t.Text);
    }
    canvas.Font.Weight = FW_NORMAL;
}

bool ImprimeRapport(const TDirBlock& root, const std::string& indice, const std::string& design, bool evenPages,
                    const TRect& pageRect, PrintDocument* printer, const std::optional<std::vector<std::string>>& elements)
{
    if (!printer || !printer->Printing()) {
        ShowMessage("Impossible d'imprimer le rapport car il n'y a pas d'imprimante sp\xC3\xA9" "cifi\xC3\xA9" "e");
        return false;
    }
    TRapportForage report(root, 12, &printer->PageCanvas(), pageRect, elements, design, indice);
    if (report.HasError()) return false;
    for (std::int32_t p = 1; p <= report.PageCount(); ++p) {
        if (p > 1) printer->NewPage();
        report.DrawPage(p, printer->PageCanvas());
    }
    if (evenPages && report.PageCount() % 2 == 1) printer->NewPage();
    return true;
}

void InstallReportPrinting()
{
    ReportPrinting printing;
    printing.ElementNames = [] { return RapportElementNames(); };
    printing.PrintReport = [](const TDirBlock& root, const std::string& indice, const std::string& design,
                              bool evenPages, const TRect& pageRect, PrintDocument& document,
                              const std::vector<std::string>& elements) {
        return ImprimeRapport(root, indice, design, evenPages, pageRect, &document, elements);
    };
    SetReportPrinting(std::move(printing));
}
