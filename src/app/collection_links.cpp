#include "app/collection_links.h"

#include <algorithm>
#include <cmath>

#include "drawing/lithology_column.h"
#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "platform/canvas.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

CollectionDrawing ProgramDrawing()
{
    CollectionDrawing d;
    d.drawLog = [](Canvas& canvas, const TDirBlock& root, const std::string& indice, const std::string& design,
                   const TRect& rect) {
        return DessinerCoupe(root, indice, design, "", canvas, rect.Left, rect.Top, rect.Right - 1, rect.Bottom - 1,
                             MissingFloat, MissingFloat, false);
    };
    d.drawStrip = [](Canvas& canvas, const TDirBlock& root, const std::string& indice, const std::string& design,
                     const TRect& rect, double depthTo) {
        DessinerBandeLitho(root, indice, design, canvas, rect, depthTo, true);
    };
    d.isLogEmpty = [](const TDirBlock& root, const std::string& indice, const std::string& design) {
        return CoupeVide(root, indice, design, "");
    };
    d.levelExtent = [](const TDirBlock& root, const std::string& indice, const std::string& design) {
        double top = 0.0;
        double bottom = 0.0;
        LevelExtent e;
        if (root.IndexOfDir(indice) < 0) return e;
        BornesNiveaux(root, indice, design, top, bottom);
        e.top = top;
        e.bottom = bottom;
        return e;
    };
    // The coding rules' own lookup is installed by the coding pass; until then
    // every code counts as described and the status line stays quiet.
    d.codeDescribed = [](const std::string&) { return true; };
    return d;
}

CollectionDrawing gDrawing = ProgramDrawing();

}  // namespace

void SetCollectionDrawing(CollectionDrawing drawing)
{
    CollectionDrawing d = ProgramDrawing();
    if (drawing.drawLog) d.drawLog = std::move(drawing.drawLog);
    if (drawing.drawStrip) d.drawStrip = std::move(drawing.drawStrip);
    if (drawing.isLogEmpty) d.isLogEmpty = std::move(drawing.isLogEmpty);
    if (drawing.levelExtent) d.levelExtent = std::move(drawing.levelExtent);
    if (drawing.codeDescribed) d.codeDescribed = std::move(drawing.codeDescribed);
    gDrawing = std::move(d);
}

void ResetCollectionDrawing() { gDrawing = ProgramDrawing(); }

const CollectionDrawing& GetCollectionDrawing() { return gDrawing; }
