// The sample collection shipped in data/Exemples/exemple.crx, and larger
// synthetic collections for the collection window's tests and benchmark.
// No Qt: links carotix_store only.
#pragma once

#include <memory>
#include <string>

#include "store/blocks.h"

// Three realistic ouvrages and one more: a shallow domestic well ("PUITS-1"),
// a deep water borehole ("F-VAL-01"), a multi-tube piezometer ("PZ-MULTI",
// tubes PMT1 to PMT3) and a second designation under the deep borehole's
// index ("F-VAL-01" / "F2", an abandoned first attempt, with its own levels,
// open hole, casing and fill in the same tables, told apart by "Désign"). Each has a record
// sheet with its ground altitude Z and a "Dossier" with nature, place and
// town, so the list, the icons and the aligned strips all have something to
// show. The root is "Carotix" and holds "UnitéXY" = "m".
std::unique_ptr<TDirBlock> BuildSampleCollection();

// `count` boreholes "S00001", ... with a "Dossier", an "Ouvrage" with Z and a
// few levels each; the same every time.
std::unique_ptr<TDirBlock> BuildSyntheticCollection(int count);
