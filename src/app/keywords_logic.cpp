#include "app/keywords_logic.h"

#include <algorithm>
#include <set>

#include "platform/base/text_codec.h"
#include "store/blocks.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";

struct Lexicon {
    std::vector<std::string> codes;
    std::vector<std::string> labels;
};

// The lexicon of column k as the available list reads it: its own section,
// else the section named after it and the code chosen in the column before.
Lexicon ColumnLexicon(const std::string& table, const TStructTable& defs, std::size_t k, const std::string& previousCode)
{
    Lexicon lex;
    const std::string section = table + "\\" + defs[k].Path;
    LoadLexiconSection(section, lex.codes, lex.labels);
    if (lex.codes.empty() && k >= 1) LoadLexiconSection(section + previousCode, lex.codes, lex.labels);
    return lex;
}

}  // namespace

std::string KeywordText(std::string_view code, std::string_view label)
{
    if (label.empty() || label == code) return std::string(code);
    return "[" + std::string(code) + "] " + std::string(label);
}

std::string KeywordCode(std::string_view shown)
{
    if (!shown.empty() && shown.front() == '[') {
        const std::size_t close = shown.find(']');
        if (close != std::string_view::npos) return std::string(shown.substr(1, close - 1));
    }
    return std::string(shown);
}

std::string KeywordsEditor::ShownText(std::size_t column, const std::string& stored, const KeywordLine& before) const
{
    const std::string previous = column >= 1 && column - 1 < before.size() ? KeywordCode(before[column - 1]) : "";
    Lexicon lex = ColumnLexicon(Table, Defs, column, previous);
    if (lex.codes.empty()) lex = {Defs[column].LexCodes, Defs[column].LexLabels};
    for (std::size_t i = 0; i < lex.codes.size(); ++i)
        if (lex.codes[i] == stored) return KeywordText(stored, i < lex.labels.size() ? lex.labels[i] : "");
    return stored;
}

void KeywordsEditor::Open(TDirBlock& root, const std::string& indice, const std::string& design,
                          const std::string& table)
{
    Root = &root;
    Indice = indice;
    Table = table;
    Defs.clear();
    LoadTableDefinitions(Defs, table, "", true);
    const int d = IndexOfFieldDef(Defs, kDesign);
    HasDesign = d >= 0;
    if (HasDesign) DeleteFieldDef(Defs, d);
    Design = HasDesign ? design : std::string();
    Caption = HasDesign ? indice + " " + design + " - " + table : indice + " - " + table;
    TableDir = root.ForceDir(indice + "\\" + table);
}

bool KeywordsEditor::Prepare()
{
    Lines.clear();
    Available.clear();
    if (!TableDir) return false;
    const int rows = TableDir->RowCount();
    for (int r = 0; r < rows; ++r) {
        if (HasDesign && TableDir->GetPathString(kDesign, r) != Design) continue;
        KeywordLine line;
        for (std::size_t k = 0; k < Defs.size(); ++k)
            line.push_back(ShownText(k, TableDir->GetPathString(Defs[k].Path, r), line));
        Lines.push_back(std::move(line));
    }
    Snapshot = Lines;
    if (!Defs.empty()) {
        KeywordLine prefix;
        LoadDispo(0, prefix);
    }
    return true;
}

void KeywordsEditor::LoadDispo(std::size_t k, KeywordLine& prefix)
{
    const Lexicon lex = ColumnLexicon(Table, Defs, k, k >= 1 ? KeywordCode(prefix[k - 1]) : std::string());
    for (std::size_t i = 0; i < lex.codes.size() && Available.size() < kKeywordsMaxAvailable; ++i) {
        prefix.push_back(KeywordText(lex.codes[i], i < lex.labels.size() ? lex.labels[i] : ""));
        if (k + 1 == Defs.size()) Available.push_back(prefix);
        else LoadDispo(k + 1, prefix);
        prefix.pop_back();
    }
}

void KeywordsEditor::Add(const std::vector<int>& availableLines)
{
    for (auto it = availableLines.rbegin(); it != availableLines.rend(); ++it) {
        if (*it < 0 || *it >= static_cast<int>(Available.size())) continue;
        const KeywordLine& line = Available[static_cast<std::size_t>(*it)];
        if (std::find(Lines.begin(), Lines.end(), line) == Lines.end()) Lines.push_back(line);
    }
}

void KeywordsEditor::Remove(std::vector<int> lines)
{
    std::sort(lines.begin(), lines.end());
    lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
    for (auto it = lines.rbegin(); it != lines.rend(); ++it)
        if (*it >= 0 && *it < static_cast<int>(Lines.size())) Lines.erase(Lines.begin() + *it);
}

void KeywordsEditor::SortLines(std::vector<KeywordLine>& lines, int column)
{
    if (column < 0) return;
    const auto c = static_cast<std::size_t>(column);
    std::stable_sort(lines.begin(), lines.end(), [c](const KeywordLine& a, const KeywordLine& b) {
        const std::string empty;
        return CompareTextNoCase(c < a.size() ? a[c] : empty, c < b.size() ? b[c] : empty) < 0;
    });
}

std::vector<KeywordOuvrage> KeywordsEditor::OuvragesWith(const std::vector<int>& lines) const
{
    std::vector<KeywordOuvrage> result;
    std::vector<KeywordLine> codes;
    for (int i : lines) {
        if (i < 0 || i >= static_cast<int>(Lines.size())) continue;
        KeywordLine c;
        for (const std::string& text : Lines[static_cast<std::size_t>(i)]) c.push_back(KeywordCode(text));
        if (std::find(codes.begin(), codes.end(), c) == codes.end()) codes.push_back(std::move(c));
    }
    if (codes.empty() || !Root) return result;

    // Whether the rows `rows` of a table carry every wanted line: each line
    // counts once, however many rows repeat it.
    auto carriesAll = [this, &codes](const TDirBlock& table, const std::vector<int>& rows) {
        std::size_t found = 0;
        for (const KeywordLine& c : codes) {
            const bool any = std::any_of(rows.begin(), rows.end(), [&](int r) {
                for (std::size_t k = 0; k < Defs.size(); ++k)
                    if (table.GetPathString(Defs[k].Path, r) != (k < c.size() ? c[k] : std::string())) return false;
                return true;
            });
            if (any) ++found;
        }
        return found == codes.size();
    };

    for (int b = 0; b < Root->ItemCount(); ++b) {
        const TDirBlock* borehole = Root->ChildDir(b);
        const TDirBlock* table = borehole ? borehole->FindDir(Table) : nullptr;
        if (!table) continue;
        const int rowCount = table->RowCount();
        if (!HasDesign) {
            std::vector<int> rows(static_cast<std::size_t>(rowCount));
            for (int r = 0; r < rowCount; ++r) rows[static_cast<std::size_t>(r)] = r;
            if (!carriesAll(*table, rows)) continue;
            std::vector<std::string> designs;
            const TBlock* column = borehole->FindBlock("Ouvrage\\D\xC3\xA9sign");
            for (int i = 0; column && i < column->Count(); ++i) {
                const std::string d = column->GetString(i);
                if (std::find(designs.begin(), designs.end(), d) == designs.end()) designs.push_back(d);
            }
            // A borehole that names no ouvrage is still listed, by its index.
            if (designs.empty()) designs.emplace_back();
            for (const std::string& d : designs) result.push_back({borehole->Name, d});
        } else {
            std::vector<std::string> designs;
            for (int r = 0; r < rowCount; ++r) {
                const std::string d = table->GetPathString(kDesign, r);
                if (std::find(designs.begin(), designs.end(), d) == designs.end()) designs.push_back(d);
            }
            for (const std::string& d : designs) {
                std::vector<int> rows;
                for (int r = 0; r < rowCount; ++r)
                    if (table->GetPathString(kDesign, r) == d) rows.push_back(r);
                if (carriesAll(*table, rows)) result.push_back({borehole->Name, d});
            }
        }
    }
    return result;
}

void KeywordsEditor::Store()
{
    if (!TableDir) return;
    for (int r = TableDir->RowCount() - 1; r >= 0; --r)
        if (!HasDesign || TableDir->GetPathString(kDesign, r) == Design) TableDir->DeleteRow(r);
    Snapshot = Lines;
    for (const KeywordLine& line : Lines) {
        if (line.size() != Defs.size() || Defs.empty()) continue;
        // After the rows of other ouvrages, never in their places.
        const int row = TableDir->RowCount();
        for (std::size_t k = 0; k < Defs.size(); ++k) Defs[k].Value = KeywordCode(line[k]);
        if (HasDesign) TableDir->SetPathString(kDesign, row, btString, Design);
        WriteFieldsToTable(Defs, TableDir, row);
    }
}

void KeywordsEditor::DropIfEmpty()
{
    if (!TableDir || TableDir->ItemCount() > 0) return;
    TDirBlock* borehole = TableDir->Parent();
    if (!borehole) return;
    borehole->DeleteChild(borehole->IndexOf(TableDir));
    TableDir = nullptr;
}
