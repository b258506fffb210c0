// Empty painters of the log for the modules that are not part of the program
// yet: each body exists only while its module's header is absent, so that the
// log draws its own columns meanwhile and the module, once added, replaces
// the body without any change here. Delete this file when both modules exist.
#include "drawing/log_drawing.h"
#include "drawing/primitives.h"

#if !__has_include("drawing/title_block.h")
void DessinerEntete(LogContext& Log)
{
    // The frame and the band line, without the title-block objects.
    RectangleB(Log.Left, Log.Top, Log.Right, Log.Bottom);
    AddSegmentA(Log.Left, Log.YBandeau, Log.Right, Log.YBandeau);
}
void DessinerImageBas(LogContext&) {}
#endif

#if !__has_include("drawing/technical_column.h")
bool DessinerColonneTechnique(LogContext&) { return false; }
#endif
