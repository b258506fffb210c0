// The shipped sample collection data/Exemples/exemple.crx is made by
// BuildSampleCollection (tests/support/sample_collection.cpp). Run this test
// with CAROTIX_REGENERATE_SAMPLE=1 to write the file again after changing the
// generator; without it, the test checks that the shipped file is what the
// generator describes.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "app/collection_rows.h"
#include "sample_collection.h"
#include "store/blocks.h"

namespace {

std::filesystem::path SampleFile() { return std::filesystem::path(CAROTIX_DATA_DIR) / "Exemples" / "exemple.crx"; }

}  // namespace

TEST(SampleCollection, ShippedFileMatchesItsGenerator)
{
    const std::unique_ptr<TDirBlock> built = BuildSampleCollection();
    if (const char* env = std::getenv("CAROTIX_REGENERATE_SAMPLE"); env && *env == '1') {
        std::filesystem::create_directories(SampleFile().parent_path());
        built->SaveToFile(SampleFile().string());
    }
    ASSERT_TRUE(std::filesystem::is_regular_file(SampleFile())) << SampleFile();
    TDirBlock shipped;
    shipped.LoadFromFile(SampleFile().string());
    EXPECT_EQ(shipped.Name, "Carotix");

    std::vector<CollectionRow> a, b;
    BuildRowList(*built, a);
    BuildRowList(shipped, b);
    ASSERT_EQ(a.size(), b.size()) << "regenerate the sample: CAROTIX_REGENERATE_SAMPLE=1";
    for (std::size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].Indice, b[i].Indice);
        EXPECT_EQ(a[i].Design, b[i].Design);
        EXPECT_EQ(GroundAltitude(*built, a[i].Indice, a[i].Design), GroundAltitude(shipped, b[i].Indice, b[i].Design));
        const LevelExtent ea = LevelExtentOfLevels(*built, a[i].Indice, a[i].Design);
        const LevelExtent eb = LevelExtentOfLevels(shipped, b[i].Indice, b[i].Design);
        EXPECT_EQ(ea.top, eb.top);
        EXPECT_EQ(ea.bottom, eb.bottom);
    }
    // What the sample is there to show: a shallow well, a deep borehole with
    // two ouvrages under one index, a piezometer with three tubes.
    ASSERT_EQ(b.size(), 4u);
    EXPECT_EQ(b[0].Indice, "PUITS-1");
    EXPECT_EQ(b[1].Design, "F1");
    EXPECT_EQ(b[2].Design, "F2");
    EXPECT_EQ(LevelExtentOfLevels(shipped, "F-VAL-01", "F1").bottom, 182.0);
    EXPECT_EQ(TubeList(shipped, "PZ-MULTI", "PZ-MULTI", true, "CUVELAGE", "PMT"),
              (std::vector<std::string>{"PMT1", "PMT2", "PMT3"}));
}
