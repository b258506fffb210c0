// The sample collection shipped in data/Exemples/exemple.crx, and larger
// synthetic collections for the collection window's tests and benchmark.
// No Qt: links carotix_store only.
#pragma once

#include <memory>
#include <string>

#include "store/blocks.h"

// Three realistic ouvrages and one more: a shallow domestic well ("PUITS-1")
// on the Armorican massif, a deep drinking-water borehole of the Paris basin
// ("F-VAL-01" / "F1"), a piezometer with three tubes in one hole ("PZ-MULTI",
// tubes PMT1 to PMT3, each screened in its own aquifer within its own
// gravel pack sealed with bentonite) and a second designation under the deep
// borehole's index ("F-VAL-01" / "F2", an abandoned first attempt sealed
// back). Every table of an ouvrage (levels, open hole, casing, fill) names
// its rows by "Désign", as the program's own tables do, so that the exports
// and imports keep the ouvrages apart; only "Dossier" belongs to the whole
// index. Each ouvrage has a record sheet with its Lambert-93 place, ground
// altitude Z, nature, use and state (edition.ini lexicon codes), and each
// index a "Dossier" with nature, place, town and département, so the list,
// the icons and the aligned strips all have something to show. The root is
// "Carotix" and holds "UnitéXY" = "m".
std::unique_ptr<TDirBlock> BuildSampleCollection();

// `count` boreholes "S00001", ... with a "Dossier", an "Ouvrage" with Z and a
// few levels each; the same every time.
std::unique_ptr<TDirBlock> BuildSyntheticCollection(int count);
