// Code models: which pattern and colour a lithology code is drawn with.
//
// A code of the program's own seven-character form (three capitals for the
// family, a digit, the colour digit 0-9 and the two-digit pattern number, as
// SAB1203) carries its pattern and colour in its last three digits. Any code
// can also be given a pattern and a colour by the current code model: a named
// table of modeles.ini, one section per model, one "code=Motif,Rouge,Vert,Bleu"
// line per row (comma text; empty cells stay empty; a model without codes is
// the single line "Empty=Empty").
//
// The current model lives in CurrentCodeModel(), a grid of text cells that the
// model window (TFCodeMotifCoul) shows and edits; GetCodeMotifColour reads it
// whether or not the window exists or is shown. CodeModelEditor holds the
// window's logic (model list, loading and saving, the questions, the change
// flag, the Enter and Tab rules) so that it runs and is tested without widgets.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas_types.h"
#include "store/grid_helpers.h"

class TIniFile;

// The pattern and colour of a code. Callers preset both; GetCodeMotifColour
// overwrites only what the code or the model gives.
struct TCodeMotifColour {
    std::int32_t Motif = 0;
    TColor Colour = 0xFFFFFF;
};

// Columns of the model grid.
constexpr int kModelColSwatch = 0;  // the row's swatch, no text
constexpr int kModelColCode = 1;
constexpr int kModelColMotif = 2;
constexpr int kModelColRouge = 3;
constexpr int kModelColVert = 4;
constexpr int kModelColBleu = 5;
constexpr int kModelColCount = 6;

// The model grid: a header row ("", "Code", "Motif", "Rouge", "Vert", "Bleu"),
// a fixed swatch column 0, and data rows; it always ends with a blank row.
class CodeModelGrid : public StringGrid {
public:
    CodeModelGrid();
    int ColCount() const override { return kModelColCount; }
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    int FixedCols() const override { return 1; }
    int FixedRows() const override { return 1; }
    void SetRowCount(int rows) override;
    std::string Cell(int col, int row) const override;
    void SetCell(int col, int row, const std::string& text) override;

private:
    std::vector<std::array<std::string, kModelColCount>> rows_;
};

// The model that the drawing reads (the model window's grid).
CodeModelGrid& CurrentCodeModel();

// The lookup of the drawing, the swatches and the coding-rules window, in the
// current model.
void GetCodeMotifColour(const std::string& Code, TCodeMotifColour& Result);
// The same in a given model grid.
void GetCodeMotifColourIn(const StringGrid& Model, const std::string& Code, TCodeMotifColour& Result);

// The initial run of capitals A to Z of a code ("SAB1203" -> "SAB").
std::string CodeFamily(std::string_view Code);

// The colour of a row: R + G x 256 + B x 65536, each the integer of its cell
// (`whenNotInteger` when the cell does not read as a whole integer), reduced
// to 8 bits when `reduce`.
TColor ModelRowColour(const StringGrid& Model, int Row, std::int32_t whenNotInteger, bool reduce);

// Comma text as the class library writes and reads it: items holding a blank,
// a comma or a double quote are quoted (inner quotes doubled); reading splits
// at commas and blanks outside quotes, a trailing comma giving a last empty
// item.
std::string ToCommaText(const std::vector<std::string>& items);
std::vector<std::string> FromCommaText(std::string_view text);

// Why a code or a model name cannot be stored in modeles.ini ("" when it can).
// A code (an .ini key) may not hold "=", begin with ";" or "[", or begin or end
// with a blank; an empty code is allowed (the row is simply not saved). A model
// name (a section) may not be empty, hold "[" or "]", or begin or end with a
// blank. Neither may hold a line break or another control character.
std::string ModelCodeProblem(std::string_view Code);
std::string ModelNameProblem(std::string_view Name);

// ---------------------------------------------------------------------------
// Loading and saving models (modeles.ini)
// ---------------------------------------------------------------------------

// Section [Name] into the grid, keys in file order, duplicates kept; the key
// "Empty" of value "Empty" is dropped. RowCount = keys + 2 (3 at least).
void LoadModelInto(StringGrid& Grid, const TIniFile& Ini, const std::string& Name);
// The grid's rows that hold a code, as section [Name] in one write; a grid
// without codes is written as "Empty=Empty".
void SaveModelFrom(const StringGrid& Grid, TIniFile& Ini, const std::string& Name);
// Header kept, 3 rows, every data cell emptied.
void ClearModelGrid(StringGrid& Grid);
// Loads the model named by carotix.ini [Général] "ModèleMotifCouleur" into
// CurrentCodeModel() (emptied when none is named or the name is not a model
// of modeles.ini), as the model window does when it is created; for a program
// run or a test that draws without the window.
void LoadCurrentCodeModel(const TIniFile& Modeles, const TIniFile& Carotix);

// ---------------------------------------------------------------------------
// The model window's logic
// ---------------------------------------------------------------------------

class CodeModelEditor {
public:
    // `modeles` is modeles.ini, `carotix` carotix.ini (its [Général]
    // "ModèleMotifCouleur" names the current model). Prompts go through Ui().
    CodeModelEditor(StringGrid& grid, TIniFile& modeles, TIniFile& carotix);

    StringGrid& Grid() { return grid_; }
    // The names in the combo box and the selected one (-1: none).
    const std::vector<std::string>& ModelNames() const { return names_; }
    int ItemIndex() const { return itemIndex_; }
    const std::string& ModelName() const { return modelName_; }
    bool Changed() const { return changed_; }
    void SetChanged(bool changed) { changed_ = changed; }

    // Lists the models, selects the one of [Général] "ModèleMotifCouleur" and
    // loads it as a change of the combo box does.
    void RefreshModels();
    // The user picked entry `index` of the combo box (-1: none).
    void ChangeModel(int index);
    void LoadModel();          // the current model from modeles.ini, change flag cleared
    void SaveModel();          // the grid as the current model
    // When the change flag is set and a model is current, asks whether to save
    // it (yes/no) and saves on yes.
    void AskSaveModel();

    // "Nouv.": asks a name; false when cancelled or refused.
    bool NewModel();
    // "Suppr.": false when the user said no (or there is no current model).
    bool DeleteModel();
    // "Copier": the clipboard text of the model, after the confirmation box;
    // nothing (the clipboard is left alone) when every row is empty.
    std::optional<std::string> CopyModel();
    // "Coller": replaces the model by a clipboard text table; false when the
    // user said no or a code of the table is refused.
    bool PasteModel(const std::string& clipboardText);

    // The user typed `text` into cell (col, row). A code that modeles.ini
    // cannot hold is refused with a message (the cell keeps its old text and
    // false is returned). Otherwise the cell takes the text, the change flag is
    // set and the grid still ends with a blank row.
    bool SetEditText(int col, int row, const std::string& text);
    // Enter in the Code column of a data row: fills an empty Motif cell and
    // three empty colour cells from the code's lookup. True when it filled
    // anything.
    bool EnterKey(int col, int row);
    // Tab (Shift+Tab when `back`): moves (col, row) within the data cells;
    // the key is always consumed, so it never leaves the grid.
    void TabKey(bool back, int& col, int& row) const;
    // Closing the window: false to keep it open (cancel).
    bool CloseQuery();

    // The proposed name of a new model: "Modèle n°" + the first free number.
    std::string ProposedNewName() const;

private:
    bool NameExists(const std::string& name) const;
    void WriteCurrentName();

    StringGrid& grid_;
    TIniFile& modeles_;
    TIniFile& carotix_;
    std::vector<std::string> names_;
    int itemIndex_ = -1;
    std::string modelName_;
    bool changed_ = false;
};

// Texts of the model window.
inline constexpr const char* kCodeModelCaption = "Motifs et couleurs associés aux codes";
inline constexpr const char* kCodeModelBoxTitle = "Motifs et couleurs";
inline constexpr const char* kCodeModelStatus =
    "Bouton droit pour afficher la liste des motifs ou des couleurs disponibles";
inline constexpr const char* kCurrentModelSection = "Général";
inline constexpr const char* kCurrentModelKey = "ModèleMotifCouleur";
