// The metafile export: the log of each selected ouvrage, tube by tube and
// slice by slice, written as one Windows metafile (.wmf or .emf) per page
// into a folder, under names made from a template.
//
// The export window (windows/metafile_export_window.h) gathers the choices;
// everything that decides what is written, and how, is here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "drawing/printing.h"

class TDirBlock;
class MetafileCanvas;

// carotix.ini [Métafichiers]
inline constexpr const char* kMetafilesSection = "M\xC3\xA9tafichiers";
inline constexpr const char* kMetafilesFormat = "Format";               // "EMF" or anything else (WMF)
inline constexpr const char* kMetafilesFolder = "R\xC3\xA9pertoire";

// The file name template the window starts with.
inline constexpr const char* kDefaultMetafileTemplate = "%Indice% %D\xC3\xA9sign% %NomTube%";
// The tube drawn for an ouvrage without tubes.
inline constexpr const char* kMetafileDefaultTube = "CUVELAGE";

// Each page is a metafile 10000 units wide and 10000 x sqrt(2) high.
inline constexpr std::int32_t kMetafileWidth = 10000;
inline constexpr std::int32_t kMetafileHeight = 14142;

// Longest name part of a file, in bytes: with "(n)" and the extension it
// stays within what file systems take.
inline constexpr std::size_t kMaxMetafileNameBytes = 200;

// The name of a file from an expanded template: line feeds, carriage
// returns, NULs and the characters " * / : < > ? \ | are deleted (names stay
// valid on every system the files travel to), and a name longer than
// kMaxMetafileNameBytes is cut at a character boundary.
std::string CleanMetafileName(std::string_view name);

// The file for a page: folder/name.ext when that does not exist, else
// folder/name(n).ext with the smallest n from 2 whose file does not exist;
// an empty name is "Ouvrage" numbered from 1. `exists` tells whether a path
// is taken. nullopt when no number up to a bound is free.
std::optional<std::filesystem::path> MetafileFileName(const std::filesystem::path& folder, const std::string& name,
                                                      const std::string& extension,
                                                      const std::function<bool(const std::filesystem::path&)>& exists);

// A new metafile canvas of the page size, enhanced or normal.
std::unique_ptr<MetafileCanvas> MakeMetafileCanvas(bool emf);

struct MetafileExportRow {
    std::string Indice;
    std::string Design;
};

struct MetafileExportRequest {
    const TDirBlock* Root = nullptr;
    std::vector<MetafileExportRow> Rows;  // the selection, in its order
    // The tubes of an ouvrage (the collection window's tube list).
    std::function<std::vector<std::string>(const std::string& indice, const std::string& design)> Tubes;
    std::string Template = kDefaultMetafileTemplate;
    std::filesystem::path Folder;  // exists
    bool Emf = false;
    PrintSettings Settings;        // ProfMaximum, ProfTranches, TailleTranches
    // Called after each row that was not skipped, with its position in the
    // selection plus 1.
    std::function<void(int)> Progress;
};

struct MetafileExportResult {
    std::vector<std::filesystem::path> Written;
    int NotDrawn = 0;                   // pages whose log could not be drawn
    std::vector<std::string> Failures;  // files that could not be written, and why
};

// Writes the files. Empty logs are skipped; a page that cannot be drawn
// writes nothing; existing files are never overwritten. A file that cannot be
// written is noted in Failures and the export goes on.
MetafileExportResult ExportMetafiles(const MetafileExportRequest& request);
