// Painters of the log that are not written yet: the title-block objects, the
// technical column and the bottom picture. Each keeps its place in the order
// of DessinerCoupe; whoever writes one moves it to its own file and deletes
// its body here.
#include "drawing/log_drawing.h"

void DessinerObjetsBandeau(LogContext&) {}

bool DessinerColonneTechnique(LogContext&) { return false; }

void DessinerImageBas(LogContext&) {}
