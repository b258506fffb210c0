// The sample collection shipped in data/Exemples/exemple.crx, and larger
// synthetic collections for the collection window's tests and benchmark.
// No Qt: links carotix_store only.
#pragma once

#include <memory>
#include <string>

#include "store/blocks.h"

// The shipped sample collection, as loaded from data/Exemples/exemple.crx:
// scripts/make_sample_db.py writes it from scripts/sample_collection.txt,
// which tells its four ouvrages (a shallow well "PUITS-1", a deep borehole
// "F-VAL-01" / "F1" beside its sealed first attempt "F2", a piezometer
// "PZ-MULTI" with three tubes PMT1 to PMT3), together with the sample
// database that holds the same ouvrages. The root is "Carotix".
std::unique_ptr<TDirBlock> BuildSampleCollection();

// `count` boreholes "S00001", ... with a "Dossier", an "Ouvrage" with Z and a
// few levels each; the same every time.
std::unique_ptr<TDirBlock> BuildSyntheticCollection(int count);
