// The borehole list without widgets: rows, cells, sort keys, altitudes, tubes,
// undescribed codes, and the document (load rules, change detection, unit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <random>

#include "app/collection_document.h"
#include "app/collection_rows.h"
#include "platform/base/rtl_numbers.h"
#include "sample_boreholes.h"
#include "store/blocks.h"
#include "store/crx_file.h"
#include "store/options.h"
#include "store/recent_files.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

void SetText(TDirBlock& root, const std::string& path, int i, const std::string& v)
{
    root.SetPathString(path, i, btString, v);
}

}  // namespace

TEST(CollectionRows, BuildsOneRowPerDistinctDesignationAndOneForBoreholesWithout)
{
    TDirBlock root("Carotix");
    SetText(root, "F1\\Ouvrage\\" + kD, 0, "F1");
    SetText(root, "F1\\Niveau\\" + kD, 0, "F1");
    SetText(root, "F1\\Niveau\\" + kD, 1, "F1");
    SetText(root, "F1\\Niveau\\" + kD, 2, "F2");
    SetText(root, "A1\\Ouvrage\\" + kD, 0, "f");
    SetText(root, "A1\\Ouvrage\\" + kD, 1, "F");
    SetText(root, "NODESIGN\\Dossier\\Commune", 0, "Rennes");
    root.SetPathString("Unit\xC3\xA9XY", 0, btString, "km");  // a value at the root is not a borehole

    std::vector<CollectionRow> rows;
    BuildRowList(root, rows);
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].Indice, "F1");
    EXPECT_EQ(rows[0].Design, "F1");
    EXPECT_EQ(rows[1].Design, "F2");
    EXPECT_EQ(rows[2].Design, "f");  // listing is case-sensitive
    EXPECT_EQ(rows[3].Design, "F");
    EXPECT_EQ(rows[4].Indice, "NODESIGN");
    EXPECT_EQ(rows[4].Design, "");
    EXPECT_EQ(rows[4].ImageIndex, -1);
    // Finding is not case-sensitive: the first of the two.
    EXPECT_EQ(FindRow(rows, "a1", "F"), 2);
    EXPECT_EQ(FindRow(rows, "ZZ", ""), -1);
}

TEST(CollectionRows, GridFieldsAndCellsFollowTheDesignationOfEachTable)
{
    const std::vector<GridField> fields = ParseGridFields(kDefaultGridFields);
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[1].table, "Dossier");
    EXPECT_EQ(fields[1].column, "Lieu-Dit");
    EXPECT_EQ(GridHeaders(fields), (std::vector<std::string>{"Indice", kD, "Nature", "Lieu-Dit", "Commune"}));
    EXPECT_EQ(ParseGridFields("A\\B\\C,,X").size(), 2u);
    EXPECT_EQ(ParseGridFields("A\\B\\C")[0].table, "A\\B");

    TDirBlock root("Carotix");
    SetText(root, "F1\\Ouvrage\\" + kD, 0, "F1");
    SetText(root, "F1\\Ouvrage\\" + kD, 1, "F2");
    SetText(root, "F1\\Ouvrage\\Nom", 0, "premier");
    SetText(root, "F1\\Ouvrage\\Nom", 1, "second");
    SetText(root, "F1\\Dossier\\Commune", 0, "Rennes");   // no Désign: row 0 for every ouvrage
    root.SetPathFloat("F1\\Ouvrage\\Z", 1, btFloat, 12.5);
    const std::vector<GridField> mine = ParseGridFields("Ouvrage\\Nom,Dossier\\Commune,Ouvrage\\Z,Absente\\X");
    const CollectionRow f2{"F1", "F2", -1};
    const CollectionRow f3{"F1", "F3", -1};
    ScopedDecimalSeparator decimalSeparator(',');
    EXPECT_EQ(GridRowTexts(root, f2, mine),
              (std::vector<std::string>{"F1", "F2", "second", "Rennes", "12,5", ""}));
    // No element equal to the designation: empty, but the table without Désign still shows.
    EXPECT_EQ(GridRowTexts(root, f3, mine), (std::vector<std::string>{"F1", "F3", "", "Rennes", "", ""}));
    // A missing value shows empty.
    EXPECT_EQ(GridCellText(root, CollectionRow{"F1", "F1", -1}, mine[2]), "");
}

TEST(CollectionRows, SortKeysFormAStrictWeakOrderingNumbersFirst)
{
    ScopedDecimalSeparator decimalSeparator(',');
    const std::vector<std::string> cells{"10", "abc", "9", "ABD", "", "2,5", "Abc", "-1", "1E3", "x"};
    const std::vector<int> order = SortOrder(cells);
    std::vector<std::string> sorted;
    for (int i : order) sorted.push_back(cells[static_cast<std::size_t>(i)]);
    EXPECT_EQ(sorted, (std::vector<std::string>{"-1", "2,5", "9", "10", "1E3", "", "abc", "Abc", "ABD", "x"}));

    // Irreflexive, asymmetric, transitive, and incomparability transitive, over
    // a mixed random set (the fault was a comparison that mixed numeric and
    // text order and broke std::sort).
    std::mt19937 gen(7);
    std::vector<SortKey> keys;
    const char* pool[] = {"1", "01", "1,0", "a", "A", "b", "", "-3", "z9", "9z", "1e2", "100"};
    for (int i = 0; i < 60; ++i) keys.push_back(MakeSortKey(pool[gen() % std::size(pool)]));
    for (const SortKey& a : keys) {
        EXPECT_FALSE(SortKeyLess(a, a));
        for (const SortKey& b : keys) {
            if (SortKeyLess(a, b)) EXPECT_FALSE(SortKeyLess(b, a));
            for (const SortKey& c : keys) {
                if (SortKeyLess(a, b) && SortKeyLess(b, c)) EXPECT_TRUE(SortKeyLess(a, c));
                const bool ab = !SortKeyLess(a, b) && !SortKeyLess(b, a);
                const bool bc = !SortKeyLess(b, c) && !SortKeyLess(c, b);
                if (ab && bc) EXPECT_TRUE(!SortKeyLess(a, c) && !SortKeyLess(c, a));
            }
        }
    }
    // A large sort with many equal keys stays well defined.
    std::vector<std::string> many;
    for (int i = 0; i < 5000; ++i) many.push_back(pool[gen() % std::size(pool)]);
    const std::vector<int> big = SortOrder(many);
    ASSERT_EQ(big.size(), many.size());
    std::vector<int> check(big);
    std::sort(check.begin(), check.end());
    for (int i = 0; i < static_cast<int>(check.size()); ++i) ASSERT_EQ(check[static_cast<std::size_t>(i)], i);
    for (std::size_t i = 1; i < big.size(); ++i)
        EXPECT_FALSE(SortKeyLess(MakeSortKey(many[static_cast<std::size_t>(big[i])]),
                                 MakeSortKey(many[static_cast<std::size_t>(big[i - 1])])));
}

TEST(CollectionRows, AltitudeRangeAlignsStripsAndAnEmptyRangeIsNoRange)
{
    TDirBlock root("Carotix");
    // A: ground at 100 m, levels 0..20 -> altitudes -100..-80 below 0 as depths.
    TDirBlock& a = AddSampleBorehole(root, "A");
    SetSampleOuvrage(a, "A", 20.0);
    root.SetPathFloat("A\\Ouvrage\\Z", 0, btFloat, 100.0);
    AddSampleLevels(a, {MakeSampleLevel(0, 5, "SAB", "sable"), MakeSampleLevel(5, 20, "ARG", "argile")});
    // B: ground at 90 m, levels 2..40.
    TDirBlock& b = AddSampleBorehole(root, "B");
    SetSampleOuvrage(b, "B", 40.0);
    root.SetPathFloat("B\\Ouvrage\\Z", 0, btFloat, 90.0);
    AddSampleLevels(b, {MakeSampleLevel(2, 40, "CAL", "calcaire")});
    // C: no Z, skipped.
    TDirBlock& c = AddSampleBorehole(root, "C");
    SetSampleOuvrage(c, "C", 500.0);
    AddSampleLevels(c, {MakeSampleLevel(0, 500, "GRA", "granite")});

    std::vector<CollectionRow> rows;
    BuildRowList(root, rows);
    const AltitudeRange range = ComputeAltitudeRange(root, rows, {});
    ASSERT_TRUE(range.Valid());
    EXPECT_DOUBLE_EQ(*range.top, -100.0);     // 0 - 100
    EXPECT_DOUBLE_EQ(*range.bottom, -50.0);   // 40 - 90
    // A starts at the top of the cell; B 10 m lower on a 50 m range of 200 px: 40 px.
    EXPECT_EQ(StripTopOffset(100.0, range, 200), 0);
    EXPECT_EQ(StripTopOffset(90.0, range, 200), 40);
    EXPECT_EQ(StripTopOffset(std::nullopt, range, 200), std::nullopt);
    // Half to even: 1 px over 2 -> 0.5 -> 0; 3 over 2 -> 1.5 -> 2.
    AltitudeRange unit;
    unit.top = 0.0;
    unit.bottom = 4.0;
    EXPECT_EQ(StripTopOffset(-0.5, unit, 4), 0);
    EXPECT_EQ(StripTopOffset(-1.5, unit, 4), 2);

    // One row whose levels have no thickness: top == bottom is no range, never a division by zero.
    TDirBlock flat("Carotix");
    TDirBlock& f = AddSampleBorehole(flat, "F");
    SetSampleOuvrage(f, "F", 0.0);
    flat.SetPathFloat("F\\Ouvrage\\Z", 0, btFloat, 10.0);
    AddSampleLevels(f, {MakeSampleLevel(3, 3, "SAB", "sable")});
    std::vector<CollectionRow> frows;
    BuildRowList(flat, frows);
    const AltitudeRange empty = ComputeAltitudeRange(flat, frows, {});
    EXPECT_FALSE(empty.Valid());
    EXPECT_EQ(StripTopOffset(10.0, empty, 300), std::nullopt);
    // No row with an altitude: no range at all.
    std::vector<CollectionRow> onlyC{CollectionRow{"C", "C", -1}};
    EXPECT_FALSE(ComputeAltitudeRange(root, onlyC, {}).Valid());
    // The drawing's own extent is used when given.
    const AltitudeRange hooked = ComputeAltitudeRange(root, rows, [](const TDirBlock&, const std::string&, const std::string&) {
        return LevelExtent{1.0, 2.0};
    });
    EXPECT_DOUBLE_EQ(*hooked.top, -99.0);
    EXPECT_DOUBLE_EQ(*hooked.bottom, -88.0);
}

TEST(CollectionRows, TubeListsAndSingleTube)
{
    TDirBlock root("Carotix");
    TDirBlock& p = AddSampleBorehole(root, "PZ");
    AppendSampleRow(p, "Tubage", {{kD, std::string("PZ")}, {"NomTube", std::string("pmt1")}});
    AppendSampleRow(p, "Tubage", {{kD, std::string("PZ")}, {"NomTube", std::string("PMT2")}});
    AppendSampleRow(p, "Tubage", {{kD, std::string("PZ")}, {"NomTube", std::string("")}});
    AppendSampleRow(p, "Tubage", {{kD, std::string("PZ")}, {"NomTube", std::string("autre")}});
    AppendSampleRow(p, "Tubage", {{kD, std::string("X")}, {"NomTube", std::string("PMT9")}});
    EXPECT_EQ(TubeList(root, "PZ", "PZ", true, "CUVELAGE", "PMT"), (std::vector<std::string>{"PMT1", "PMT2"}));
    EXPECT_EQ(TubeList(root, "PZ", "PZ", false, "CUVELAGE", "PMT"),
              (std::vector<std::string>{"PMT1", "PMT2", "CUVELAGE", "AUTRE"}));
    EXPECT_FALSE(OnlyDefaultTube(root, "PZ", "PZ", "CUVELAGE"));
    EXPECT_TRUE(OnlyDefaultTube(root, "PZ", "AUTRE", "CUVELAGE"));
    EXPECT_TRUE(OnlyDefaultTube(root, "NONE", "", "CUVELAGE"));

    TDirBlock single("Carotix");
    TDirBlock& s = AddSampleBorehole(single, "S");
    AppendSampleRow(s, "Tubage", {{kD, std::string("S")}, {"NomTube", std::string("CUVELAGE")}});
    AppendSampleRow(s, "Tubage", {{kD, std::string("S")}});
    EXPECT_EQ(TubeList(single, "S", "S", true, "CUVELAGE", "PMT"), (std::vector<std::string>{"CUVELAGE"}));
    EXPECT_TRUE(OnlyDefaultTube(single, "S", "S", "CUVELAGE"));
}

TEST(CollectionRows, UndescribedCodesListLogLevelFamiliesOnce)
{
    TDirBlock root("Carotix");
    TDirBlock& b = AddSampleBorehole(root, "B");
    SampleLevelColumns cols;
    cols.Type = true;
    AddSampleLevels(b,
                    {MakeSampleLevel(0, 1, "SAB12", "sable", "", ""), MakeSampleLevel(1, 2, "XYZ1", "x", "", "COUPE"),
                     MakeSampleLevel(2, 3, "QQQ", "q", "", "EXPEAU"), MakeSampleLevel(3, 4, "XYZ2", "x", "", "coupe"),
                     MakeSampleLevel(4, 5, "ARG", "argile")},
                    cols);
    const auto codes = UndescribedCodes(root, "B", [](const std::string& f) { return f == "SAB"; });
    ASSERT_TRUE(codes.has_value());
    EXPECT_EQ(*codes, (std::vector<std::string>{"XYZ", "ARG"}));
    EXPECT_EQ(UndescribedCodesText(*codes), "Codes non d\xC3\xA9" "crits : XYZ, ARG");
    EXPECT_EQ(UndescribedCodesText({}), "");
    EXPECT_FALSE(UndescribedCodes(root, "NONE", {}).has_value());
}

class CollectionDocumentTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(dir.path());
        RecentLoad();
    }
    void TearDown() override { OptionsRelease(); }
    TempProgramDir dir;
};

TEST_F(CollectionDocumentTest, NewDocumentIsModifiedByItsUnitAlone)
{
    CollectionDocument doc;
    EXPECT_EQ(doc.Root().Name, "Carotix");
    EXPECT_EQ(doc.GetUnitXY(), GetDefaultUnitXY());
    EXPECT_FALSE(doc.GetUnitXY().empty());
    EXPECT_TRUE(doc.IsModified());
    doc.TakeSnapshot();
    EXPECT_FALSE(doc.IsModified());
    doc.SetUnitXY("mile");
    EXPECT_TRUE(doc.IsModified());
    doc.TakeSnapshot();
    doc.ClearSnapshot();
    EXPECT_TRUE(doc.IsModified());
}

TEST_F(CollectionDocumentTest, LoadAcceptsRootAndCarotixRefusesOthersAndKeepsItsTree)
{
    TDirBlock root("Root");
    root.SetPathString("F1\\Ouvrage\\" + kD, 0, btString, "F1");
    const std::string file = (dir / "root.crx").string();
    root.SaveToFile(file);

    CollectionDocument doc;
    doc.SetFileName(file);
    doc.Load();
    EXPECT_EQ(doc.Root().Name, "Carotix");
    // No unit in the file: modified right after loading.
    EXPECT_TRUE(doc.IsModified());
    EXPECT_EQ(RecentFilesList().front(), file);
    doc.Save();
    TDirBlock back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.Name, "Carotix");

    TDirBlock foo("Foo");
    const std::string fooFile = (dir / "foo.crx").string();
    foo.SaveToFile(fooFile);
    CollectionDocument other;
    other.SetFileName(fooFile);
    try {
        other.Load();
        FAIL() << "a root named Foo loads";
    } catch (const std::exception& e) {
        EXPECT_STREQ(e.what(), "Format de fichier invalide");
    }
    EXPECT_NE(RecentFilesList().front(), fooFile);
    EXPECT_EQ(other.Root().ItemCount(), 1);  // only its unit: nothing of the refused file

    // A truncated file: the store's message, the document untouched.
    std::string bytes = ReadFileBytes(file);
    const std::string cut = (dir / "cut.crx").string();
    WriteFileBytes(cut, bytes.substr(0, bytes.size() - 3));
    CollectionDocument third;
    third.SetFileName(cut);
    EXPECT_THROW(third.Load(), std::exception);
    EXPECT_EQ(third.Root().ItemCount(), 1);
    EXPECT_EQ(std::count(RecentFilesList().begin(), RecentFilesList().end(), cut), 0);
}
