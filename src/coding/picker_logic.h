// The rules of the two pickers of the spreadsheet editor, without widgets:
// the lexicon picker ("Lexique": identifier and label) and the list of
// lithology codes ("Liste des codes lithologiques": code, swatch and
// description). Each line is a caption (its first column) and sub-items (the
// other columns).
#pragma once

#include <string>
#include <utility>
#include <vector>

struct PickerItem {
    std::string Caption;
    std::vector<std::string> SubItems;
};

// ListView1Compare: column 0 compares the captions, column c the sub-items
// c - 1, without regard to case (Windows-1252 rules); equal when either
// line lacks that sub-item. <0, 0, >0.
int ComparePickerItems(const PickerItem& a, const PickerItem& b, int column);
// ListView1ColumnClick: ascending by the column, every time (lines that
// compare equal keep their order).
void SortPickerItems(std::vector<PickerItem>& items, int column);

// One line per lexicon entry: the code, then its label.
std::vector<PickerItem> LexiconPickerItems(const std::vector<std::string>& codes,
                                           const std::vector<std::string>& labels);
// The code list from the coding rules' (code, description) pairs in rule
// order: each code once (its first rule), an empty "Motif" column, then the
// description. Rules without a code are passed over.
std::vector<PickerItem> CodeListItems(const std::vector<std::pair<std::string, std::string>>& rules);
