// Sample boreholes for tests and benchmarks: a few ready-made ones and the
// small builders they are made of. No Qt: links carotix_store only.
//
// A borehole is a directory named by its index under the collection root,
// holding its tables ("Ouvrage", "Niveau", "Trou-nu", "Tubage", "Annulaire"...)
// as directories of parallel columns, with the default column names of the
// drawing settings ("Deb", "Fin", "Diam", "Type", "Nature").
//
//     TDirBlock root("Carotix");
//     TDirBlock& bh = BuildShallowWell(root, "PZ1");          // 6 levels, 0 to 12 m
//     DessinerCoupe(root, "PZ1", "PZ1", "", canvas, ...);
//
//     TDirBlock& deep = AddSampleBorehole(root, "F1");
//     SetSampleOuvrage(deep, "F1", 200.0);
//     AddSampleLevels(deep, GeneratedLevels(200, 200.0));      // 200 levels of 1 m
//
// Every builder appends rows, so calling one twice adds rows twice; cells a
// builder leaves MissingFloat / empty are stored as missing values.
#pragma once

#include <cstdint>
#include <limits>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "store/blocks.h"

// One level of the "Niveau" table.
struct SampleLevel {
    double From = MissingFloat;  // "Deb"
    double To = MissingFloat;    // "Fin"
    std::string Code;            // "CodeNiv"
    std::string Litho;           // description
    std::string Strati;          // stratigraphic unit
    std::string Type;            // level kind ("COUPE", "RECEAU", "EXPEAU"; empty = ordinary level)
    std::string Design;          // "Désign"
};

// A level in one call (the optional fields empty).
SampleLevel MakeSampleLevel(double from, double to, std::string code, std::string litho, std::string strati = {},
                            std::string type = {}, std::string design = {});

// Which columns AddSampleLevels creates. A column left out does not exist at
// all (not even empty), which the drawing treats differently from empty cells:
// without "CodeNiv" the levels are coded through the coding library.
struct SampleLevelColumns {
    bool Code = true;
    bool Strati = true;
    bool Type = false;
    bool Design = false;
};

// A cell of AppendSampleRow: a float, an integer or a text column.
using SampleCell = std::variant<double, std::int32_t, std::string>;

// The borehole directory `indice` under root (created when missing).
TDirBlock& AddSampleBorehole(TDirBlock& root, const std::string& indice);
// Appends a row to "Ouvrage": "Désign", "Prof" (total depth), "DiamTube" and
// "ProfEau" (water depth) when not missing.
void SetSampleOuvrage(TDirBlock& borehole, const std::string& design, double prof, double diamTube = MissingFloat,
                      double profEau = MissingFloat);
// Appends the levels to "Niveau" with the chosen columns.
void AddSampleLevels(TDirBlock& borehole, const std::vector<SampleLevel>& levels,
                     const SampleLevelColumns& columns = SampleLevelColumns{});
// Appends one row to the table `table` of the borehole (created when missing):
// each named cell is stored in its column, created with the cell's kind; the
// other columns get a missing value.
void AppendSampleRow(TDirBlock& borehole, const std::string& table,
                     const std::vector<std::pair<std::string, SampleCell>>& cells);

// `count` contiguous levels from 0 to totalDepth, with codes of the program's
// seven-character form, French descriptions of varying length and a
// stratigraphic unit changing every few levels; the same every time.
std::vector<SampleLevel> GeneratedLevels(int count, double totalDepth);

// A shallow well "PZ1"-like: 6 levels from 0 to 12 m with codes, descriptions
// and two stratigraphic units, total depth 12 m, DiamTube 160, water at 3.5 m,
// an open hole, plain casing and screen, and annular fill.
TDirBlock& BuildShallowWell(TDirBlock& root, const std::string& indice);
// A deep borehole of `levels` generated levels over `depth` metres.
TDirBlock& BuildDeepBorehole(TDirBlock& root, const std::string& indice, int levels, double depth);
// A borehole whose "Niveau" table has no "CodeNiv" column: 5 levels from 0 to
// 30 m known only by their descriptions (the drawing codes them through the
// coding library).
TDirBlock& BuildUncodedBorehole(TDirBlock& root, const std::string& indice);
// A screened well of 40 m, 12 generated levels, DiamTube 160, water at 8.2 m
// (none of these without `withOuvrage`): open hole 311 mm to 12 m then 250;
// casing 160 mm, plain to 24 m, screen to 36, sump to 38, bottom plug to
// 38.5; cement to 8 m, a bentonite seal to 10, gravel 2-4 mm to 38.5,
// backfill below.
TDirBlock& BuildScreenedWell(TDirBlock& root, const std::string& indice, bool withOuvrage = true);
// A multi-tube piezometer of 60 m, water at 14 m: open hole 400 mm to 20 m
// then 300; an outer casing "CUVELAGE" 320 mm to 20 m, tube "PMT1" 60 mm
// (screen 50 to 58 m) and "PMT2" 140 mm (screen 25 to 32 m); fill between
// the tubes (cement, bentonite, gravel) and around them (gravel, backfill).
TDirBlock& BuildMultiTubePiezometer(TDirBlock& root, const std::string& indice);
