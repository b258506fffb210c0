// Borehole reports ("Rapport de forage"): the contents of one ouvrage (one
// Indice and one Désign) laid out page by page from rapport.ini, as sheets of
// "label : value" lines, keyword lines and framed tables.
//
// rapport.ini (never written by the program):
//   [Titres]        table directory = heading, in report order
//   [Présentation]  table directory = "fiche" (sheet), "mots-clés" (keyword
//                   line); anything else makes the element a table
//
// TRapportForage lays the report out once, for a canvas, a page rectangle and
// a font size, into a display list of texts, frames and segments tagged with
// their page; DrawPage then renders any page on any canvas (the preview, a
// printed page, a recording canvas in tests).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/canvas.h"

class TDirBlock;
class PrintDocument;
struct TFieldDef;

// The frame colour that means "no fill".
inline constexpr TColor kRapportNoFill = 0x1FFFFFFF;
// The fill of a table's header row.
inline constexpr TColor kRapportHeaderFill = 0xC0C0C0;

struct TRapportText {
    std::string Text;
    std::int32_t X = 0;
    std::int32_t Y = 0;
    std::int32_t Page = 0;  // from 1
    bool Bold = false;
};

struct TRapportFrame {
    std::int32_t X1 = 0, Y1 = 0, FirstPage = 0;
    std::int32_t X2 = 0, Y2 = 0, LastPage = 0;
    TColor FillColour = kRapportNoFill;
};

struct TRapportSegment {
    std::int32_t X1 = 0, Y1 = 0, X2 = 0, Y2 = 0;
    std::int32_t Page = 0;
    TColor Colour = clBlack;
};

// One column of a table element while it is laid out.
struct TRapportColumn {
    std::int32_t ChildIndex = 0;
    std::string Label;
    bool Empty = true;     // until the column holds a value
    bool Numeric = false;  // a value of two characters or more read as a number
    std::int32_t X = 0;
    std::int32_t Width = 0;
    std::int32_t HeaderHeight = 0;
    std::int32_t DefinitionIndex = -1;
    std::int64_t Average = 0;
    std::int32_t ValueCount = 0;
    std::int32_t Greatest = 0;
    std::int32_t Least = 0;
};

class TRapportForage {
public:
    // Lays the report out on `canvas` (not owned, kept for measuring) inside
    // `pageRect`. `elements`: the directory names or headings to print
    // (compared without regard to case); nullopt for all. Throws
    // std::runtime_error "Rapport de forage : pas de canvas spécifié" without
    // a canvas.
    TRapportForage(const TDirBlock& root, std::int32_t fontSize, Canvas* canvas, const TRect& pageRect,
                   std::optional<std::vector<std::string>> elements, std::string design, std::string indice);

    // True when the layout holds no text, no frame and no segment.
    bool HasError() const;
    std::int32_t PageCount() const { return pageCount_; }
    // Renders one page (from 1).
    void DrawPage(std::int32_t page, Canvas& canvas) const;

    const std::vector<TRapportText>& Texts() const { return texts_; }
    const std::vector<TRapportFrame>& Frames() const { return frames_; }
    const std::vector<TRapportSegment>& Segments() const { return segments_; }
    std::int32_t LineHeight() const { return lineHeight_; }
    const TRect& PageRect() const { return pageRect_; }

private:
    void Build();
    void AddWrappedText(const std::string& text, bool bold, bool measureOnly, std::int64_t heightLimit,
                        std::int32_t width, int align);
    void AddLine(const std::string& text);
    void AddTitle(const std::string& text);
    std::int32_t MeasureTextHeight(const std::string& text, bool bold, std::int32_t width);
    void AddFiche(const TDirBlock& table, const std::string& heading);
    void AddMotsCles(const TDirBlock& table, const std::string& heading);
    void AddTable(const TDirBlock& table, const std::string& heading);
    std::vector<TRapportColumn> BuildColumns(const TDirBlock& table, const std::vector<TFieldDef>& defs) const;
    void AddHeaderRow(std::vector<TRapportColumn>& columns, std::int32_t inset);
    void PlaceColumns(std::vector<TRapportColumn>& columns) const;
    void AddRow(const std::vector<TRapportColumn>& columns, const std::vector<std::string>& cells, bool header,
                std::int32_t inset);
    void NewPage();
    std::int32_t TextWidth(const std::string& text, bool bold);

    std::vector<TRapportText> texts_;
    std::vector<TRapportFrame> frames_;
    std::vector<TRapportSegment> segments_;
    const TDirBlock* root_;
    const TDirBlock* borehole_ = nullptr;
    std::string indice_;
    std::string design_;
    TRect pageRect_;
    // The place of the next text: left, cursor y, right, bottom.
    TRect area_;
    std::int32_t pageCount_ = 0;
    std::int32_t fontSize_;
    std::int32_t lineHeight_ = 0;
    Canvas* canvas_;
    std::optional<std::vector<std::string>> elements_;
};

// The value of a field as a report shows it: dates stored as digits with
// slashes, lexicon codes as their labels (the code itself without a label).
// `starSection`: for a field whose lexicon depends on another column, the
// section of that column's value ("" for none).
std::string FormatFieldValue(const TFieldDef& def, const std::string& value, const std::string& starSection = {});

// The headings of the report's elements, from rapport.ini [Titres], in order.
std::vector<std::string> RapportElementNames();

// Prints one report into an open print document, from its current page on:
// a new page before every page but the first, and with `evenPages` one empty
// page more after an odd count. Font size 12. False (nothing drawn) when the
// report has nothing to print; without a document, also says so in a box.
bool ImprimeRapport(const TDirBlock& root, const std::string& indice, const std::string& design, bool evenPages,
                    const TRect& pageRect, PrintDocument* printer, const std::optional<std::vector<std::string>>& elements);

// Installs report printing into the print window's runs (printing.h).
void InstallReportPrinting();
