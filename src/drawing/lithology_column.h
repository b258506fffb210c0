// The left half of a drawn log: the depth scale captioned "Depth (m)", the
// lithology column (one rectangle per level, in the colour and pattern its
// lithology code selects), the descriptions beside it in up to three lines,
// the depth of each level's base, the stratigraphic units written upward
// between the scale and the column, and the total depth. Also the lithology
// strip: a narrow bar of the levels without text, for the collection window's
// strip view and the equipment picture.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "drawing/code_models.h"
#include "drawing/log_layout.h"

class Canvas;
class TBlock;
class TDirBlock;

// ---------------------------------------------------------------------------
// Painters of the log (read the drawing context)
// ---------------------------------------------------------------------------

// The scale, the lithology column and the total depth, with their flushes.
void DessinerEchelleEtLitho(LogContext& Log);
// Graduations along the vertical line at X from YHaut to YBas (also the
// technical column's scale at XEchelleTech).
void DessinerGraduations(LogContext& Log, std::int32_t X);
// The levels of one pass: the "COUPE" levels (PassCoupe) or the "RECEAU" and
// "EXPEAU" ones. True when at least one level of the pass's kinds belongs to
// the ouvrage, drawn or not.
bool DessinerNiveaux(LogContext& Log, bool PassCoupe);

// The lithology strip of an ouvrage into Rect of Canvas. Depth is the depth at
// the bottom of Rect (MissingFloat: the ouvrage's total depth, raised to its
// deepest level). Framed outlines each level; otherwise only its top and
// bottom lines are drawn. Pen widths and the font are used as they stand.
void DessinerBandeLitho(const TDirBlock& Root, std::string_view Path, std::string_view Designation, Canvas& Target,
                        const TRect& Rect, double Depth, bool Framed);

// ---------------------------------------------------------------------------
// Rules of the painters, open for tests
// ---------------------------------------------------------------------------

// Graduation step of a depth extent (metres): labels every Step metres, ticks
// every Step / 10. 100 m gives 50, 12 m gives 5, 70 m gives 50.
double GraduationStep(double Extent);

// The kind of a level: its kind cell upper-cased, "COUPE" when empty.
std::string LevelKind(std::string_view cell);
// Whether a kind is drawn by a pass.
bool KindInPass(std::string_view kind, bool PassCoupe);

// The columns of a borehole's table "Niveau" as the lithology column and the
// strip read them (all null without the table).
struct LevelColumns {
    explicit LevelColumns(const TDirBlock* Table);
    const TBlock* Design = nullptr;
    const TBlock* From = nullptr;
    const TBlock* To = nullptr;
    const TBlock* Type = nullptr;
    const TBlock* Code = nullptr;
    const TBlock* Litho = nullptr;
    // True when row Row belongs to the ouvrage Designation and its kind is
    // drawn by the pass.
    bool InPass(int Row, std::string_view Designation, bool PassCoupe) const;
    // The bottom of the level at Row; Default when it has none. Its top is
    // chained (DepthChain): a level without a top starts at the bottom of the
    // one before.
    double Bottom(int Row, double Default) const;
};

// The pattern and colour of a level. In the "COUPE" pass with a "CodeNiv"
// column: white without pattern, then the code's (an empty code is coded from
// the description when CodeEmptyUsesLibrary, as the strip does). Otherwise
// pattern 12 in light grey, then the code the coding library gives the
// description, when it is bound and the table has "Litho".
TCodeMotifColour LevelMotifColour(bool PassCoupe, const TBlock* CodeColumn, const TBlock* LithoColumn, int Row,
                                  bool CodeEmptyUsesLibrary);

// Text width in the font the painter writes with.
using TextMeasure = std::function<std::int32_t(std::string_view)>;

// The description as the log writes it: lower-cased, a blank after every
// comma that has none.
std::string PrepareDescription(std::string_view litho);

struct DescriptionLines {
    std::string Line1, Line2, Line3;
};
// Breaks a prepared description into at most three lines of Width: a line too
// wide is cut after its last blank that leaves it narrower than Width (the
// blank ends the line and also starts the next one); a line that has no such
// blank (one word wider than the column, or a column of width 0) is cut hard
// after its longest part narrower than Width, at least one character. A third
// line still too wide ends with "...". Only the first `Lines` lines are
// computed (the others stay empty): a thin level shows fewer.
DescriptionLines WrapDescription(std::string_view text, std::int32_t Width, const TextMeasure& measure,
                                 int Lines = 3);

// A stratigraphic unit as written: lower-cased, the first letter capital
// (ASCII letters only).
std::string FormatStratiUnit(std::string_view cell);
// The text of unit S written upward between rows A (top) and B (bottom): whole
// when it fits with 3 pixels each side, else cut with "..." when that fits in
// half the room, else cut with "." (possibly to nothing).
std::string FitStratiUnit(std::string S, std::int32_t A, std::int32_t B, const TextMeasure& measure);

// The coding library as the drawing uses it: bound or not, and the code of a
// description ("" when none).
bool LogCoderBound();
std::string LogMakeCode(std::string_view description);
