// The export of selected levels and the clearing of the level marks.
//
// A level (row of a borehole's "Niveau" table) is selected when its element
// of the integer column "Sélection" is exactly 1. The export writes one
// ";"-separated line per selected level, preceded by fields of its ouvrage
// (carotix.ini [Général] "ChampsNiveaux"), in Windows-1252 with CRLF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

class TDirBlock;
class TIniFile;

// The default of [Général] "ChampsNiveaux".
inline constexpr const char* kDefaultChampsNiveaux = "Ouvrage\\Zone,Ouvrage\\X,Ouvrage\\Y,Ouvrage\\Z,Ouvrage\\Prof,Dossier\\Lieu-Dit";

// Reads [Général] "ChampsNiveaux" with its default and writes the value back
// at once, so that the default is stored on first use. Without ini, the
// default.
std::vector<std::string> LevelExportFields(TIniFile* ini);

// What an export of levels did beyond writing its lines.
struct LevelsExportReport {
    std::size_t Unmapped = 0;     // characters without a Windows-1252 byte, written "?"
    std::int64_t LineBreaks = 0;  // values whose line breaks were written as spaces
    bool HasRemarks() const { return Unmapped || LineBreaks; }
    std::string Summary() const;  // French, "" when none
};

// The text of the file (UTF-8, CRLF line ends) for the collection `root` and
// the ouvrage fields `fields` (table\column paths below a borehole). Every
// record keeps to one line: a value's line breaks are written as spaces and
// counted in `report`.
std::string BuildLevelsExport(const TDirBlock& root, const std::vector<std::string>& fields,
                              LevelsExportReport* report = nullptr);

// TFChild.ExportLevels: builds the text with the fields of IniCarotix and
// writes it safely to `fileName` in Windows-1252. Raises EExportFileError when
// the file cannot be written (any old file stays whole).
LevelsExportReport ExportLevels(const TDirBlock& root, const std::string& fileName);

// TFChild.ClearLevelSelection: removes the "Sélection" column of every
// borehole's "Niveau" table. Answers whether any was removed.
bool ClearLevelSelection(TDirBlock& root);
