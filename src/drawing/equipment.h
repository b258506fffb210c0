// The equipment picture of a borehole: the open hole as a column of air and
// water, the casing as tubes with shaded walls, the annular fill and the fill
// between tubes as textured bands, the ground as a texture and the sky above
// it. The spreadsheet editor shows it beside the grid of a technical table
// (drawing that table from the grid, so that unsaved edits show at once), and
// the equipment picture window shows the whole equipment of the ouvrage in the
// log window.
//
// The picture has its own depth and diameter scale, filling the image; it does
// not depend on the log drawing. For the edited table it records one region
// per grid row in EquipmentRegions, which the spreadsheet hit-tests to select
// the row under a click.
#pragma once

#include <QImage>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/canvas.h"
#include "platform/region.h"
#include "store/field_defs.h"
#include "store/grid_helpers.h"

class TDirBlock;

// One clickable shape of the last picture and the grid row it stands for.
struct TEquipmentRegion {
    Region Rgn;
    std::int32_t Row = 0;
};
// The shapes of the last picture drawn from a grid, in drawing order. Emptied
// by every DrawEquipment and kept until the next one, so the spreadsheet can
// hit-test the picture it shows.
extern std::vector<TEquipmentRegion> EquipmentRegions;
// The grid rows whose regions hold the pixel (x, y), in region order.
std::vector<int> EquipmentRowsAt(std::int32_t x, std::int32_t y);
void ClearEquipmentRegions();

// Draws the equipment picture into the rectangle (0, 0, Width, Height) of the
// canvas. Table is "Trou-nu", "Tubage", "Annulaire" or "AnnulaireInterne"
// (that table read from Grid, whose column i is described by Fields[i], data
// rows 1 to RowCount - 1, the rows Selection.Top..Selection.Bottom drawn
// highlighted) or "Tout" (everything read from the blocks, no grid). Any other
// table draws nothing. Rows of the block tables whose "Désign" differs from
// Designation are left out (an empty Designation keeps every row). Borehole is
// the borehole's directory; null reads nothing from the blocks.
void DrawEquipment(std::string_view Table, Canvas& Target, std::int32_t Width, std::int32_t Height,
                   const StringGrid* Grid, const TStructTable* Fields, std::string_view Designation,
                   const TDirBlock* Borehole, GridRect Selection = {});

// ---------------------------------------------------------------------------
// Textures
// ---------------------------------------------------------------------------

// The 64 x 64 textures of the picture: 0 the ground, 1 to 14 the fills.
constexpr int kEquipmentTextureSize = 64;
constexpr int kEquipmentTextureCount = 15;
const QImage& EquipmentTexture(int index);

// The texture of a fill section: 0 (nothing drawn) unless Type is 1 to 4.
// Type 1 (cement): Nature 1 to 3, else 1; type 2 (gravel pack): 3 + Nature
// for Nature 1 to 4, else 4; type 3 (backfill): 7 + Nature for Nature 1 to 6,
// else 8; type 4 (seal): 14.
int FillTexture(std::int32_t Type, std::int32_t Nature);

// ---------------------------------------------------------------------------
// Scale, open for tests
// ---------------------------------------------------------------------------

// The depth and diameter scale of one picture.
struct EquipmentScale {
    double TopDepth = 0;
    double BottomDepth = 1.0;
    double MaxDiameter = 100;
    std::int32_t Width = 0;
    std::int32_t Height = 0;

    // (D - TopDepth) / (BottomDepth - TopDepth) x Height, rounded half to
    // even (far-off values are held a long way outside the image).
    std::int32_t DepthToY(double D) const;
    // (1 - D / MaxDiameter) x Width / 2, rounded: the left edge of an element
    // of diameter D centred in the image (its right edge: Width - 1 - X).
    std::int32_t DiamToX(double D) const;
    // A depth below TopDepth lowers it, else one above BottomDepth raises it.
    void WidenDepth(double D);
    void WidenDiameter(double D);
    // BottomDepth 0 becomes 1; TopDepth goes down to -1 (BottomDepth above 1
    // m) or -BottomDepth, so that some sky always shows; MaxDiameter is raised
    // to 100 and given a fifth more room.
    void Finish();
};

// The colour of pixel row Y of a fluid column: air above WaterRow, water at
// and below it, both darkening downwards.
TColor FluidColour(std::int32_t Y, std::int32_t WaterRow, std::int32_t Height);
