// What the collection windows need of windows and drawing code that live
// elsewhere: the log window beside the main window, and the log drawing that
// makes the thumbnails of the icon view and the strips of the log-strip view.
//
// Both are reached through small links so that the collection window neither
// includes those windows nor waits for them: the log window registers itself
// with SetLogViewLink (drawing/log_view_link.h) when it is created, and the
// entry points of the log drawing are used unless a test installs others with
// SetCollectionDrawing. Until the log window registers, it is simply absent.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "app/collection_rows.h"
#include "drawing/log_view_link.h"
#include "platform/canvas_types.h"

class Canvas;
class TDirBlock;

// The log drawing's entry points used by the collection windows.
struct CollectionDrawing {
    // The whole log of an ouvrage into a rectangle (no tube, automatic depth
    // range); false when it could not be drawn.
    std::function<bool(Canvas& canvas, const TDirBlock& root, const std::string& indice, const std::string& design,
                       const TRect& rect)>
        drawLog;
    // The thin lithology strip of an ouvrage into a rectangle, down to a depth
    // (MissingFloat for its own bottom).
    std::function<void(Canvas& canvas, const TDirBlock& root, const std::string& indice, const std::string& design,
                       const TRect& rect, double depthTo)>
        drawStrip;
    // The drawing's empty-log test (the filter of empty ouvrages).
    std::function<bool(const TDirBlock& root, const std::string& indice, const std::string& design)> isLogEmpty;
    // The depth extent of an ouvrage's levels.
    LevelExtentFunction levelExtent;
    // Whether the coding rules describe a code family (the status line of
    // undescribed codes).
    std::function<bool(const std::string& family)> codeDescribed;
};
// Installs drawing entry points (tests); a member left empty keeps the
// program's own: DessinerCoupe for thumbnails, DessinerBandeLitho for strips,
// CoupeVide for the filter and BornesNiveaux for the level extent.
void SetCollectionDrawing(CollectionDrawing drawing);
// Puts the program's own entry points back.
void ResetCollectionDrawing();
const CollectionDrawing& GetCollectionDrawing();
