// DessinerCoupe: the one entry that draws the lithological and technical log
// ("coupe") of one ouvrage of one borehole into any rectangle of any canvas:
// the log window's back buffer, a printer page, a metafile, the collection
// window's icons. Every size is derived from the rectangle's width and height
// (log_layout.h), so the picture is the same at every resolution.
//
// Order of drawing (each painter reads the LogContext of the call):
//   hit-test maps emptied (screen drawing only), canvas, pen widths, base font;
//   an empty path draws the pattern catalogue instead;
//   depth range and window; nothing more when it is empty or the rectangle is
//   smaller than 100 x 100;
//   layout; title block (only its frame and band line when the band has no
//   height, OptTailleBandeau <= 0);
//   bottom-right text; the log's clip region; technical column; depth scale
//   and lithology column; no clip; bottom picture.
//
// The title block, the technical column and the bottom picture are painters of
// their own modules (title_block.h, technical_column.h), declared again below
// with what DessinerCoupe expects of them at their places.
#pragma once

#include <cstdint>
#include <string_view>

#include "drawing/log_layout.h"

class Canvas;
class TDirBlock;

// Draws the log of ouvrage Designation (tube TubeName, empty for all) of the
// borehole at Path under Root into Left..Right x Top..Bottom (bounds
// included) of Target. DepthFrom and DepthTo (MissingFloat: automatic) are
// offsets from the automatic top depth. ResetMaps: the screen drawing that
// rebuilds the hit-test maps (hit_maps.h).
// True when the log (or the pattern catalogue) was drawn, or the rectangle was
// too small to draw in; false when the borehole directory does not exist or the
// depth range is empty (a window whose end is not below its start included).
bool DessinerCoupe(const TDirBlock& Root, std::string_view Path, std::string_view Designation,
                   std::string_view TubeName, Canvas& Target, std::int32_t Left, std::int32_t Top, std::int32_t Right,
                   std::int32_t Bottom, double DepthFrom, double DepthTo, bool ResetMaps);

// The pattern catalogue (an empty path): patterns 1 to 96 in 6 columns of 16,
// each numbered in red.
void DessinerCatalogueMotifs(const LogContext& Log);

// ---------------------------------------------------------------------------
// Hooks of the painters drawn around the columns
// ---------------------------------------------------------------------------

// The title block: the frame of the whole rectangle, the band line at
// YBandeau and the title-block objects (BandeauObjets), filled per borehole;
// appends to ZonesOuvrage and ZonesDossier when Log.ResetMaps.
void DessinerEntete(LogContext& Log);
// The technical column, called with the log's clip region selected; leaves it
// selected. False when it drew nothing (no open hole, no casing, no
// annotation): the descriptions then take the room up to 0.9 of the width.
bool DessinerColonneTechnique(LogContext& Log);
// The picture at the bottom of the page (below YPage), called without clip.
void DessinerImageBas(LogContext& Log);
