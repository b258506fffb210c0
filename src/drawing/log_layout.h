// The layout of a drawn log ("coupe"): the drawing context that DessinerCoupe
// fills once per call and every column painter reads, the depth range of an
// ouvrage, the column positions and the depth-to-row mapping.
//
// Every size of a log comes from the pixel width W and height H of the target
// rectangle, so one call gives the same picture on a thumbnail, on the screen,
// on a printed page and in a metafile. Fractions of W and H are exact decimal
// fractions rounded half to even, computed in integers.
//
// Which rows of a table belong to the drawn ouvrage is decided in one place,
// RowBelongsToOuvrage: a table without a "Désign" column belongs to the whole
// borehole, and so does every row when the drawn designation is empty;
// otherwise a row belongs only when its designation equals the drawn one (a
// row without designation belongs to no named ouvrage, as the spreadsheet
// shows it under none). Every reader of the log (bounds, levels, the lithology strip,
// the technical column) uses it, so a row is never drawn by one column and
// ignored by another.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/canvas.h"
#include "platform/region.h"

class TBlock;
class TDirBlock;

// ---------------------------------------------------------------------------
// Settings of the log read outside carotix.ini's start-up globals
// ---------------------------------------------------------------------------

// Height of the picture at the bottom of the page, in percent of H (0 to 25).
// The drawing options window loads it from [Dessin] "TailleImageBas" when it is
// created at start-up and keeps it up to date; 0 until then.
extern std::int32_t OptTailleImageBas;

// ---------------------------------------------------------------------------
// Rows of the drawn ouvrage
// ---------------------------------------------------------------------------

// The "Désign" column of a table (a value child of that name), or null.
const TBlock* DesignColumn(const TDirBlock& table);
// True when row `row` belongs to the ouvrage `designation`: no "Désign" column,
// an empty `designation`, or the row's designation equals `designation`
// exactly.
bool RowBelongsToOuvrage(const TBlock* designColumn, int row, std::string_view designation);
// The row of the borehole's table "Ouvrage" that describes the ouvrage: the row
// whose "Désign" equals `designation`; row 0 when the table has no "Désign"
// column; -1 when no row has the designation (and when the table is missing).
int OuvrageRowOf(const TDirBlock& borehole, std::string_view designation);

// The elements of a table are listed from the top down: one without a top
// starts where the one before it ended (the first at the ground). The log's
// columns and the equipment picture chain their rows through it.
class DepthChain {
public:
    // The element's top, its own or the end of the one before; `to`, missing
    // or not, becomes the top of the next one without its own.
    double From(double from, double to);

private:
    double prevTo_ = 0;
};

// True when casing row `row` belongs to the drawn tube `tubeName`: an empty
// `tubeName`, no "NomTube" column, a row without a tube name or of the single
// tube, or a row whose normalised tube name is `tubeName`.
bool RowOfTube(const TBlock* tubeColumn, int row, std::string_view tubeName);

// A column of a table by name (a value child; null when missing or when the
// name is empty). Column names come from the settings and are not paths.
const TBlock* TableColumn(const TDirBlock* table, std::string_view name);
// A float cell, MissingFloat when the column is null, the row out of range, the
// cell missing or not a finite number (a NaN or an infinity stored in a file
// counts as missing, never as a depth).
double CellFloat(const TBlock* column, int row);
// A text cell, "" when the column is null or the row out of range.
std::string CellString(const TBlock* column, int row);

// ---------------------------------------------------------------------------
// Depth bounds of an ouvrage
// ---------------------------------------------------------------------------

// Widen Top and Bottom with the rows of one table ("Niveau", "Trou-nu",
// "Tubage" or "Annulaire", chosen by the table's name; any other name, or a
// missing from or to column, leaves them alone). The from column is scanned
// first, then the to column; a value below Top lowers Top, otherwise a value
// above Bottom raises Bottom. With a non-empty TubeName, a row whose normalised
// "NomTube" is neither empty, TubeName nor the single-tube name is left out.
// BornesTableDiam also raises DiamMax to every present diameter of the rows kept.
void BornesTable(const TDirBlock& TableDir, std::string_view Designation, double& Top, double& Bottom);
void BornesTubage(const TDirBlock& TableDir, std::string_view Designation, std::string_view TubeName, double& Top,
                  double& Bottom);
void BornesTableDiam(const TDirBlock& TableDir, std::string_view Designation, std::string_view TubeName, double& Top,
                     double& Bottom, double& DiamMax);

// ProfBas - ProfHaut over open hole, annulus, casing (TubeName filter) and
// levels, without the diameters; 0 when the borehole directory is missing.
double EtendueProfondeur(const TDirBlock& Root, std::string_view Path, std::string_view Designation,
                         std::string_view TubeName);
// EtendueProfondeur(...) = 0: nothing to draw.
bool CoupeVide(const TDirBlock& Root, std::string_view Path, std::string_view Designation, std::string_view TubeName);
// Top and Bottom start at 0 and are widened by the "Niveau" rows only; returns
// Bottom. Without the borehole directory: 0, Top and Bottom untouched.
double BornesNiveaux(const TDirBlock& Root, std::string_view Path, std::string_view Designation, double& Top,
                     double& Bottom);

// ---------------------------------------------------------------------------
// The drawing context of one DessinerCoupe call
// ---------------------------------------------------------------------------

struct LogContext {
    // Arguments.
    const TDirBlock* Root = nullptr;
    std::string Path;
    std::string Designation;
    std::string TubeName;
    Canvas* Target = nullptr;
    std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool ResetMaps = false;

    // Lookups.
    const TDirBlock* BoreholeDir = nullptr;
    int OuvrageRow = -1;
    std::int32_t W = 0;  // Right - Left + 1
    std::int32_t H = 0;  // Bottom - Top + 1

    // Depth range (metres).
    double ProfHaut = 0;
    double ProfBas = 0;
    double Etendue = 0;
    double DiamMax = 100;  // never 0

    // Layout (device pixels), set by CalculerMiseEnPage.
    std::int32_t XEchelle = 0;
    std::int32_t XLitho = 0;
    std::int32_t XLithoFin = 0;
    std::int32_t XTexte = 0;
    std::int32_t XTexteFin = 0;
    std::int32_t LargeurTexte = 0;
    std::int32_t XEchelleTech = 0;
    std::int32_t XAxe = 0;
    std::int32_t DemiLargeurMax = 0;
    std::int32_t XNotes = 0;
    std::int32_t XNotesFin = 0;
    std::int32_t YBandeau = 0;
    std::int32_t YHaut = 0;
    std::int32_t YPage = 0;
    std::int32_t YBas = 0;
    std::int32_t HauteurCoupe = 0;
    std::int32_t Ecart = 0;
    std::int32_t Centieme = 0;

    // The clip region of the log's rows (set by DessinerCoupe before the
    // columns are drawn); painters that lift the clip select it again with
    // SelectLogClip.
    std::optional<Region> LogClip;

    // Row of a depth: [(Depth - ProfHaut) x HauteurCoupe / Etendue] + YHaut, the
    // product formed before the division. Depths far outside the range give
    // rows far outside the page but never overflow: the value is held within
    // +-kRowLimit.
    std::int32_t ProfVersY(double Depth) const;
    // The same, not rounded.
    double ProfVersYReel(double Depth) const;
    // The half-width of a diameter in the technical column:
    // [DemiLargeurMax x D / DiamMax].
    std::int32_t DemiLargeur(double Diameter) const;

    // True when the layout leaves rows for the log (HauteurCoupe > 0). A title
    // band and a bottom picture that take the whole height leave none: the
    // columns are then not drawn.
    bool HasLogRows() const { return HauteurCoupe > 0; }
    // Rows a drawn coordinate is held within before it reaches the canvas:
    // one page height above and below the target rectangle. Everything outside
    // is invisible (the clip region is much smaller), and holding coordinates
    // there keeps the canvas, the patterns and metafile records away from
    // absurd values (a deep level in a short depth window).
    std::int32_t BandTop() const { return Top - H; }
    std::int32_t BandBottom() const { return Bottom + H; }
    std::int32_t ClampToBand(std::int32_t Y) const;
    bool InBand(std::int32_t Y) const { return Y >= BandTop() && Y <= BandBottom(); }

    // Selects the log's clip region on the canvas (none when it is not set).
    void SelectLogClip() const;

    static constexpr std::int32_t kRowLimit = 1 << 28;
};

// The context of the drawing under way (null outside DessinerCoupe). The
// free ProfVersY / ProfVersYReel read it.
LogContext* ActiveLog();
// DessinerCoupe sets it for the length of its call.
void SetActiveLog(LogContext* log);
// Valid only during a DessinerCoupe call; 0 outside.
std::int32_t ProfVersY(double Depth);
double ProfVersYReel(double Depth);

// Sets ProfHaut, ProfBas, Etendue and DiamMax from the borehole's tables
// (open hole, annulus, casing of the drawn tube, levels, "Ouvrage\DiamTube").
void CalculerBornesCoupe(LogContext& Log);
// Applies the depth window (DepthFrom, DepthTo as offsets from the automatic
// top) when both are given and the range is not empty.
void AppliquerFenetre(LogContext& Log, double DepthFrom, double DepthTo);
// Computes the layout from W, H, the base font (BaseLineHeight, widths measured
// on DrawCanvas) and the settings OptTailleBandeau and OptTailleImageBas.
void CalculerMiseEnPage(LogContext& Log);
// XTexteFin moved to 0.9 of the width (the technical column drew nothing),
// LargeurTexte recomputed.
void ElargirTexte(LogContext& Log);
