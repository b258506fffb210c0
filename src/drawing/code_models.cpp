// Code models: the lookup of a code's pattern and colour, modeles.ini, and the
// logic of the model window.
#include "drawing/code_models.h"

#include <algorithm>

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/options.h"

namespace {

bool IsDigitChar(char c) { return c >= '0' && c <= '9'; }
bool IsBlankByte(char c) { return static_cast<unsigned char>(c) <= 0x20; }

constexpr const char* kEmptyKey = "Empty";

}  // namespace

// ---------------------------------------------------------------------------
// The grid
// ---------------------------------------------------------------------------

CodeModelGrid::CodeModelGrid()
{
    rows_.resize(3);
    rows_[0] = {"", "Code", "Motif", "Rouge", "Vert", "Bleu"};
}

void CodeModelGrid::SetRowCount(int rows)
{
    rows_.resize(static_cast<std::size_t>(std::max(rows, 1)));
}

std::string CodeModelGrid::Cell(int col, int row) const
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= kModelColCount)
        return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void CodeModelGrid::SetCell(int col, int row, const std::string& text)
{
    if (row < 0 || row >= RowCount() || col < 0 || col >= kModelColCount)
        return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

CodeModelGrid& CurrentCodeModel()
{
    static CodeModelGrid model;
    return model;
}

// ---------------------------------------------------------------------------
// Lookup
// ---------------------------------------------------------------------------

std::string CodeFamily(std::string_view Code)
{
    std::size_t n = 0;
    while (n < Code.size() && Code[n] >= 'A' && Code[n] <= 'Z')
        ++n;
    return std::string(Code.substr(0, n));
}

TColor ModelRowColour(const StringGrid& Model, int Row, std::int32_t whenNotInteger, bool reduce)
{
    TColor colour = 0;
    const int cols[3] = {kModelColRouge, kModelColVert, kModelColBleu};
    for (int k = 0; k < 3; ++k) {
        std::int64_t v = StrToIntDef(Model.Cell(cols[k], Row), whenNotInteger);
        if (reduce)
            v &= 0xFF;
        colour += static_cast<TColor>(v << (8 * k));
    }
    return colour;
}

void GetCodeMotifColourIn(const StringGrid& Model, const std::string& Code, TCodeMotifColour& Result)
{
    // The program's own seven-character codes carry their pattern and colour
    // in their last three characters (counted as characters: a code may hold
    // accented letters, which take more than one byte).
    const std::size_t n = Code.size();
    if (n >= 7 && Utf8Length(Code) == 7 && IsDigitChar(Code[n - 3]) && IsDigitChar(Code[n - 2]) &&
        IsDigitChar(Code[n - 1])) {
        Result.Motif = (Code[n - 2] - '0') * 10 + (Code[n - 1] - '0');
        Result.Colour = ColourTable[static_cast<std::size_t>(Code[n - 3] - '0')];
    }
    const std::string family = CodeFamily(Code);
    // Every matching row applies in turn: the last one wins.
    for (int row = Model.FixedRows(); row < Model.RowCount(); ++row) {
        if (Model.Cell(kModelColCode, row) != family)
            continue;
        if (auto motif = TryStrToInt(Model.Cell(kModelColMotif, row)))
            Result.Motif = *motif;
        if (!Model.Cell(kModelColRouge, row).empty() || !Model.Cell(kModelColVert, row).empty() ||
            !Model.Cell(kModelColBleu, row).empty())
            Result.Colour = ModelRowColour(Model, row, 255, true);
    }
}

void GetCodeMotifColour(const std::string& Code, TCodeMotifColour& Result)
{
    GetCodeMotifColourIn(CurrentCodeModel(), Code, Result);
}

// ---------------------------------------------------------------------------
// Comma text
// ---------------------------------------------------------------------------

std::string ToCommaText(const std::vector<std::string>& items)
{
    std::string out;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const std::string& s = items[i];
        const bool quote = std::any_of(s.begin(), s.end(), [](char c) { return IsBlankByte(c) || c == '"' || c == ','; });
        if (quote) {
            out += '"';
            for (char c : s) {
                if (c == '"')
                    out += '"';
                out += c;
            }
            out += '"';
        } else {
            out += s;
        }
        if (i + 1 < items.size())
            out += ',';
    }
    return out;
}

std::vector<std::string> FromCommaText(std::string_view s)
{
    std::vector<std::string> items;
    std::size_t p = 0;
    const std::size_t n = s.size();
    auto skipBlanks = [&] {
        while (p < n && IsBlankByte(s[p]))
            ++p;
    };
    skipBlanks();
    while (p < n) {
        std::string item;
        if (s[p] == '"') {
            ++p;
            while (p < n) {
                if (s[p] == '"') {
                    if (p + 1 < n && s[p + 1] == '"') {
                        item += '"';
                        p += 2;
                        continue;
                    }
                    ++p;
                    break;
                }
                item += s[p++];
            }
        } else {
            const std::size_t start = p;
            while (p < n && !IsBlankByte(s[p]) && s[p] != ',')
                ++p;
            item.assign(s.substr(start, p - start));
        }
        items.push_back(std::move(item));
        skipBlanks();
        if (p < n && s[p] == ',') {
            if (p + 1 == n)
                items.emplace_back();
            ++p;
            skipBlanks();
        }
    }
    return items;
}

// ---------------------------------------------------------------------------
// Names that modeles.ini can hold
// ---------------------------------------------------------------------------

namespace {

bool HasControl(std::string_view s)
{
    return std::any_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; });
}

}  // namespace

std::string ModelCodeProblem(std::string_view Code)
{
    if (Code.empty())
        return {};
    if (HasControl(Code) || Code.find('=') != std::string_view::npos || Code.front() == ';' || Code.front() == '[' ||
        IsBlankByte(Code.front()) || IsBlankByte(Code.back()))
        return "Le code \"" + std::string(Code) +
               "\" ne peut pas être enregistré dans le modèle : il ne doit pas contenir le signe \"=\", "
               "commencer par \";\" ou \"[\", ni commencer ou finir par un espace.";
    return {};
}

std::string ModelNameProblem(std::string_view Name)
{
    if (TrimView(Name).empty())
        return "Le nom du modèle ne peut pas être vide.";
    if (HasControl(Name) || Name.find('[') != std::string_view::npos || Name.find(']') != std::string_view::npos ||
        IsBlankByte(Name.front()) || IsBlankByte(Name.back()))
        return "Le nom \"" + std::string(Name) +
               "\" ne peut pas servir de nom de modèle : il ne doit pas contenir de crochets \"[\" ou \"]\", "
               "ni commencer ou finir par un espace.";
    return {};
}

// ---------------------------------------------------------------------------
// modeles.ini
// ---------------------------------------------------------------------------

void ClearModelGrid(StringGrid& Grid)
{
    Grid.SetRowCount(3);
    for (int row = Grid.FixedRows(); row < Grid.RowCount(); ++row)
        for (int col = 0; col < Grid.ColCount(); ++col)
            Grid.SetCell(col, row, "");
}

void LoadModelInto(StringGrid& Grid, const TIniFile& Ini, const std::string& Name)
{
    struct Entry {
        std::string key, value;
    };
    std::vector<Entry> entries;
    // Raw lines, so that duplicate codes are all kept and a value that starts
    // and ends with a quote keeps them for the comma-text reading.
    for (const std::string& line : Ini.ReadSectionLines(Name)) {
        const std::size_t eq = line.find('=');
        Entry e;
        e.key = Trim(std::string_view(line).substr(0, eq));
        if (eq != std::string::npos)
            e.value = Trim(std::string_view(line).substr(eq + 1));
        if (e.key.empty())
            continue;
        if (e.key == kEmptyKey && e.value == kEmptyKey)
            continue;
        entries.push_back(std::move(e));
    }
    const int rows = std::max(static_cast<int>(entries.size()) + 2, 3);
    Grid.SetRowCount(rows);
    for (int row = Grid.FixedRows(); row < rows; ++row)
        for (int col = 0; col < Grid.ColCount(); ++col)
            Grid.SetCell(col, row, "");
    int row = Grid.FixedRows();
    for (const Entry& e : entries) {
        Grid.SetCell(kModelColCode, row, e.key);
        const std::vector<std::string> cells = FromCommaText(e.value);
        for (std::size_t k = 0; k < cells.size() && k < 4; ++k)
            Grid.SetCell(kModelColMotif + static_cast<int>(k), row, cells[k]);
        ++row;
    }
}

void SaveModelFrom(const StringGrid& Grid, TIniFile& Ini, const std::string& Name)
{
    std::vector<std::string> lines;
    for (int row = Grid.FixedRows(); row < Grid.RowCount(); ++row) {
        const std::string code = Grid.Cell(kModelColCode, row);
        if (code.empty())
            continue;
        lines.push_back(code + "=" +
                        ToCommaText({Grid.Cell(kModelColMotif, row), Grid.Cell(kModelColRouge, row),
                                     Grid.Cell(kModelColVert, row), Grid.Cell(kModelColBleu, row)}));
    }
    Ini.EraseSection(Name);
    if (lines.empty())
        lines.push_back(std::string(kEmptyKey) + "=" + kEmptyKey);
    Ini.WriteSection(Name, lines);
}

void LoadCurrentCodeModel(const TIniFile& Modeles, const TIniFile& Carotix)
{
    const std::string wanted = Carotix.ReadString(kCurrentModelSection, kCurrentModelKey, "");
    for (const std::string& name : Modeles.ReadSections())
        if (!wanted.empty() && SameTextNoCase(name, wanted)) {
            LoadModelInto(CurrentCodeModel(), Modeles, name);
            return;
        }
    ClearModelGrid(CurrentCodeModel());
}

// ---------------------------------------------------------------------------
// The model window's logic
// ---------------------------------------------------------------------------

CodeModelEditor::CodeModelEditor(StringGrid& grid, TIniFile& modeles, TIniFile& carotix)
    : grid_(grid), modeles_(modeles), carotix_(carotix)
{
}

bool CodeModelEditor::NameExists(const std::string& name) const
{
    return std::any_of(names_.begin(), names_.end(), [&](const std::string& n) { return SameTextNoCase(n, name); });
}

void CodeModelEditor::WriteCurrentName() { carotix_.WriteString(kCurrentModelSection, kCurrentModelKey, modelName_); }

void CodeModelEditor::RefreshModels()
{
    names_.clear();
    for (const std::string& s : modeles_.ReadSections())
        if (!s.empty() && !NameExists(s))
            names_.push_back(s);
    const std::string wanted = carotix_.ReadString(kCurrentModelSection, kCurrentModelKey, "");
    int index = -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (SameTextNoCase(names_[i], wanted)) {
            index = static_cast<int>(i);
            break;
        }
    itemIndex_ = index;
    ChangeModel(index);
}

void CodeModelEditor::ChangeModel(int index)
{
    if (index < 0 || index >= static_cast<int>(names_.size())) {
        itemIndex_ = -1;
        if (!modelName_.empty()) {
            AskSaveModel();
            modelName_.clear();
            ClearModelGrid(grid_);
            changed_ = false;
        }
        return;
    }
    itemIndex_ = index;
    const std::string& chosen = names_[static_cast<std::size_t>(index)];
    if (chosen == modelName_)
        return;
    AskSaveModel();
    modelName_ = chosen;
    WriteCurrentName();
    LoadModel();
}

void CodeModelEditor::LoadModel()
{
    LoadModelInto(grid_, modeles_, modelName_);
    changed_ = false;
}

void CodeModelEditor::SaveModel()
{
    if (modelName_.empty())
        return;
    SaveModelFrom(grid_, modeles_, modelName_);
}

void CodeModelEditor::AskSaveModel()
{
    // Without a current model there is no section to save into.
    if (!changed_ || modelName_.empty())
        return;
    if (AskYesNo(kCodeModelBoxTitle, "Voulez-vous sauvegarder le modèle \"" + modelName_ + "\" ?") == MsgResult::Yes)
        SaveModel();
}

std::string CodeModelEditor::ProposedNewName() const
{
    for (int n = 1;; ++n) {
        std::string name = "Modèle n°" + IntToStr(n);
        if (!NameExists(name))
            return name;
    }
}

bool CodeModelEditor::NewModel()
{
    std::string name = ProposedNewName();
    if (!AskQuestion("Nouveau modèle", "Nom :", name))
        return false;
    if (const std::string problem = ModelNameProblem(name); !problem.empty()) {
        ShowMessage(problem);
        return false;
    }
    if (NameExists(name) || modeles_.SectionExists(name)) {
        ShowMessage("Ce nom existe déjà");
        return false;
    }
    AskSaveModel();
    ClearModelGrid(grid_);
    modelName_ = name;
    SaveModel();
    changed_ = false;
    WriteCurrentName();
    // Lists the models again; the new one is current, so nothing is reloaded.
    names_.clear();
    for (const std::string& s : modeles_.ReadSections())
        if (!s.empty() && !NameExists(s))
            names_.push_back(s);
    itemIndex_ = -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == modelName_)
            itemIndex_ = static_cast<int>(i);
    return true;
}

bool CodeModelEditor::DeleteModel()
{
    if (modelName_.empty())
        return false;
    int lastCodeRow = 0;
    for (int row = grid_.FixedRows(); row < grid_.RowCount(); ++row)
        if (!grid_.Cell(kModelColCode, row).empty())
            lastCodeRow = row;
    if (lastCodeRow > 0) {
        if (AskYesNo("Suppression", "Etes-vous sûr de vouloir supprimer le modèle " + modelName_ + " ?") !=
            MsgResult::Yes)
            return false;
        if (lastCodeRow > 20 && AskYesNo("Suppression", "Etes-vous vraiment sûr ?") != MsgResult::Yes)
            return false;
    }
    modeles_.EraseSection(modelName_);
    // The deleted model must not be offered for saving when the list is
    // rebuilt: that would write it back.
    changed_ = false;
    RefreshModels();
    return true;
}

std::optional<std::string> CodeModelEditor::CopyModel()
{
    std::optional<std::string> text = GridCopyAll(grid_);
    ShowBox("Copier",
            "Le modèle a été copié sous forme de tableau dans le presse-papier.\n"
            "Il peut être copié/collé dans un tableur.",
            MsgIcon::Information, MsgOk);
    return text;
}

bool CodeModelEditor::PasteModel(const std::string& clipboardText)
{
    if (grid_.RowCount() > 3 &&
        AskYesNo("Coller",
                 "Voulez-vous remplacer le contenu du modèle par la table contenue dans le presse-papier\u00a0?") !=
            MsgResult::Yes)
        return false;
    CodeModelGrid pasted;
    ClearModelGrid(pasted);
    GridPasteReplace(pasted, clipboardText);
    for (int row = pasted.FixedRows(); row < pasted.RowCount(); ++row)
        if (const std::string problem = ModelCodeProblem(pasted.Cell(kModelColCode, row)); !problem.empty()) {
            ShowMessage(problem);
            return false;
        }
    grid_.SetRowCount(pasted.RowCount());
    for (int row = grid_.FixedRows(); row < pasted.RowCount(); ++row)
        for (int col = 0; col < grid_.ColCount(); ++col)
            grid_.SetCell(col, row, pasted.Cell(col, row));
    GridEnsureEmptyLastRow(grid_);
    changed_ = true;
    return true;
}

bool CodeModelEditor::SetEditText(int col, int row, const std::string& text)
{
    if (row < grid_.FixedRows() || col < grid_.FixedCols() || row >= grid_.RowCount() || col >= grid_.ColCount())
        return false;
    if (col == kModelColCode) {
        if (const std::string problem = ModelCodeProblem(text); !problem.empty()) {
            ShowMessage(problem);
            return false;
        }
    }
    grid_.SetCell(col, row, text);
    changed_ = true;
    GridEnsureEmptyLastRow(grid_);
    return true;
}

bool CodeModelEditor::EnterKey(int col, int row)
{
    if (col != kModelColCode || row < grid_.FixedRows() || row >= grid_.RowCount())
        return false;
    TCodeMotifColour found;
    found.Motif = 0;
    found.Colour = 0xFFFFFF;
    GetCodeMotifColourIn(grid_, grid_.Cell(kModelColCode, row), found);
    bool filled = false;
    if (grid_.Cell(kModelColMotif, row).empty()) {
        grid_.SetCell(kModelColMotif, row, IntToStr(found.Motif));
        filled = true;
    }
    if (grid_.Cell(kModelColRouge, row).empty() && grid_.Cell(kModelColVert, row).empty() &&
        grid_.Cell(kModelColBleu, row).empty()) {
        grid_.SetCell(kModelColRouge, row, IntToStr(found.Colour & 255));
        grid_.SetCell(kModelColVert, row, IntToStr((found.Colour >> 8) & 255));
        grid_.SetCell(kModelColBleu, row, IntToStr((found.Colour >> 16) & 255));
        filled = true;
    }
    if (filled) {
        // The filled cells are part of the model like typed ones.
        changed_ = true;
        GridEnsureEmptyLastRow(grid_);
    }
    return filled;
}

void CodeModelEditor::TabKey(bool back, int& col, int& row) const
{
    const int lastCol = grid_.ColCount() - 1;
    const int lastRow = grid_.RowCount() - 1;
    const int firstCol = grid_.FixedCols();
    const int firstRow = grid_.FixedRows();
    if (!back) {
        if (col < lastCol)
            ++col;
        else if (row < lastRow) {
            col = firstCol;
            ++row;
        }
    } else {
        if (col > firstCol)
            --col;
        else if (row > firstRow) {
            col = lastCol;
            --row;
        }
    }
}

bool CodeModelEditor::CloseQuery()
{
    if (!changed_ || modelName_.empty())
        return true;
    switch (AskYesNoCancel(kCodeModelBoxTitle, "Sauvegarder le modèle \"" + modelName_ + "\" ?")) {
    case MsgResult::Yes:
        SaveModel();
        changed_ = false;
        return true;
    case MsgResult::No:
        LoadModel();
        return true;
    default:
        return false;
    }
}
