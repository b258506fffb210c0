// Sorting the rows of a code model (by code, pattern, hue or luminance) and
// printing a model or the list of the 100 lithology patterns as pages of
// swatches.
//
// The sorts are the exchange sort of the program's models (not stable: equal
// keys end in the order its exchanges leave). A row whose key cannot be read (a
// pattern or colour cell that is not a whole integer) stays where it is; the
// rows between two such rows are sorted among themselves. Hues and luminances
// that differ by a millionth or less are never exchanged.
#pragma once

#include <cstdint>
#include <string>

#include "platform/printer_info.h"
#include "store/grid_helpers.h"

class Canvas;

// Rows First..Last of the model grid (-1: row 1, resp. RowCount - 2).
void SortModelByCode(StringGrid& Grid, int First = -1, int Last = -1);
void SortModelByMotif(StringGrid& Grid, int First = -1, int Last = -1);
void SortModelByHue(StringGrid& Grid, int First = -1, int Last = -1);
void SortModelByLuminance(StringGrid& Grid, int First = -1, int Last = -1);

// ---- printing -------------------------------------------------------------

// The area inside 1.5 cm margins (2.5 cm at the top) from the paper's edges,
// in printer pixels from the printable area's corner.
TRect PrintListArea(const TPrinterInfo& printer);

// One slot of a model page: the pattern in the row's colour, then the code
// (its first 4 characters), the swatch and the slot framed.
void PrintModelRow(Canvas& canvas, std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                   const std::string& Code, const std::string& Motif, const std::string& Rouge,
                   const std::string& Vert, const std::string& Bleu, std::int32_t Scale);
// One entry of the pattern list: the pattern on white and its number.
void PrintMotifItem(Canvas& canvas, std::int32_t X1, std::int32_t Y1, std::int32_t X2, std::int32_t Y2,
                    std::int32_t Number, std::int32_t Unit);

struct ModelPrintPlan {
    int Lines = 0;    // slots per column
    int Columns = 0;
    int Pages = 0;
    int LastRow = 0;  // rows 1..LastRow are printed
};
ModelPrintPlan PlanModelPrint(const StringGrid& Grid, const TPrinterInfo& printer);

// "Impr." of the model window: asks, then prints; returns the pages printed.
int PrintCodeModel(const StringGrid& Grid, const std::string& ModelName, const TPrinterInfo& printer,
                   PrintDocument& document);
// "Imprimer la liste des motifs...": asks, then prints the 100 patterns.
int PrintMotifList(const TPrinterInfo& printer, PrintDocument& document);
