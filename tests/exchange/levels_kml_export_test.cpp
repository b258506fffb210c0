// The export of selected levels (header, designations, ouvrage fields,
// quoting, marks) and the KML export (selection of geographic rows, layout,
// escaping, coordinates read back by ogrinfo when it is installed).
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "exchange/exchange_files.h"
#include "exchange/kml_export.h"
#include "exchange/levels_export.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";
const std::string kSel = "Niveau\\S\xC3\xA9lection";
const std::vector<std::string> kFields = {"Ouvrage\\Zone", "Dossier\\Lieu-Dit"};

void Level(TDirBlock& root, const std::string& bh, int r, const std::string& litho, int mark)
{
    root.SetPathString(bh + "\\Niveau\\Litho", r, btString, litho);
    root.SetPathInt(bh + "\\" + kSel, r, btInt, mark);
}

TEST(LevelsExport, HeaderFieldsAndSelection)
{
    ScopedDecimalSeparator decimalSeparator(',');
    TDirBlock root("Carotix");
    Level(root, "P1", 0, "argile", 1);
    Level(root, "P1", 1, "sable; fin", 1);
    Level(root, "P1", 2, "marne", 2);  // 2 is not a mark
    root.SetPathString("P1\\Dossier\\Lieu-Dit", 0, btString, "La Motte");
    root.SetPathInt("P1\\Ouvrage\\Zone", 0, btInt, 2);
    // Without any "Désign" every field comes from row 0.
    EXPECT_EQ(BuildLevelsExport(root, kFields),
              "Indice;Zone;Lieu-Dit;Litho\r\nP1;2;La Motte;argile\r\nP1;2;La Motte;\"sable; fin\"\r\n");

    // With designations, the ouvrage fields follow the level's designation;
    // a table without "Désign" gives its row 0.
    root.SetPathString("P1\\Niveau\\" + kD, 0, btString, "F1");
    root.SetPathString("P1\\Niveau\\" + kD, 1, btString, "F9");
    root.SetPathString("P1\\Ouvrage\\" + kD, 0, btString, "F1");
    root.SetPathFloat("P2\\Niveau\\Fin", 0, btFloat, 1.5);
    root.SetPathString("P2\\Dossier\\Lieu-Dit", 0, btString, "x;y");
    root.SetPathInt("P2\\" + kSel, 0, btInt, 1);
    EXPECT_EQ(BuildLevelsExport(root, kFields),
              "Indice;" + kD + ";Zone;Lieu-Dit;Litho;Fin\r\n"
              "P1;F1;2;La Motte;argile;\r\n"
              "P1;F9;;La Motte;\"sable; fin\";\r\n"
              "P2;;;\"x;y\";;1,5\r\n");

    // No level selected: the header alone; the marks go away everywhere.
    EXPECT_TRUE(ClearLevelSelection(root));
    EXPECT_EQ(root.FindBlock("P1\\" + kSel), nullptr);
    EXPECT_EQ(root.FindBlock("P2\\" + kSel), nullptr);
    EXPECT_EQ(BuildLevelsExport(root, kFields), "Indice;" + kD + ";Zone;Lieu-Dit;Litho;Fin\r\n");
    EXPECT_FALSE(ClearLevelSelection(root));
}

TEST(LevelsExport, WrittenInWindows1252)
{
    TempDir dir;
    TDirBlock root("Carotix");
    Level(root, "P1", 0, "gr\xC3\xA8s\r\nrouge", 1);
    const std::string file = PathToUtf8(dir.path() / "niveaux.csv");
    Level(root, "P1", 1, "sable\nfin", 1);
    root.SetPathString("P1\\Dossier\\Lieu-Dit", 0, btString, "Le\nBourg");
    const LevelsExportReport report = ExportLevels(root, file);
    EXPECT_EQ(report.Unmapped, 0u);
    // A line break inside a value (CR LF as one) is written as one space, so that every
    // record keeps to one line for readers that split at line ends; each
    // value so written is counted.
    EXPECT_EQ(ReadFileBytes(dir.path() / "niveaux.csv"),
              "Indice;Zone;X;Y;Z;Prof;Lieu-Dit;Litho\r\nP1;;;;;;Le Bourg;\"gr\xE8s rouge\"\r\n"
              "P1;;;;;;Le Bourg;\"sable fin\"\r\n");
    EXPECT_EQ(report.LineBreaks, 4);
    EXPECT_EQ(report.Summary(), "4 valeur(s) sur plusieurs lignes, \xC3\xA9" "crite(s) sur une seule");
}

std::string Kml(const TDirBlock& root, const std::vector<KmlRow>& rows)
{
    return BuildKml(root, rows, "c.crx", [](const KmlRow& r) { return "Tip " + r.Indice + "\r\nB&C"; });
}

TEST(KmlExport, GeographicRowsOnly)
{
    TDirBlock root("Carotix");
    auto ouvrage = [&](const std::string& bh, int r, const std::string& design, const std::string& zone, double x,
                       double y) {
        root.SetPathString(bh + "\\Ouvrage\\" + kD, r, btString, design);
        root.SetPathString(bh + "\\Ouvrage\\Zone", r, btString, zone);
        root.SetPathFloat(bh + "\\Ouvrage\\X", r, btFloat, x);
        root.SetPathFloat(bh + "\\Ouvrage\\Y", r, btFloat, y);
    };
    ouvrage("P1", 0, "F", "09", 1, 1);
    ouvrage("P1", 1, "F", " 9", 1, 1);
    EXPECT_EQ(Kml(root, {{"P1", "F"}}), "");
    ouvrage("A<1>", 0, "R&D", "9", 2.35, 48.85);
    ouvrage("A<1>", 1, "R&D", "9", -1.5, 43);
    root.ForceDir("SANS");  // no "Ouvrage" table: nothing to place
    const std::string kml = Kml(root, {{"SANS", "F"}, {"A<1>", "R&D"}});
    EXPECT_TRUE(kml.starts_with(
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n <Folder>\n  "
              "<name>c.crx</name>\n"));
    EXPECT_NE(kml.find("  <Placemark>\n    <name>A&lt;1&gt; R&amp;D</name>\n    <description>Tip A&lt;1&gt;\nB&amp;C"
                       "</description>\n    <Point>\n      <coordinates>2.35,48.85,0</coordinates>\n    </Point>\n"
                       "  </Placemark>\n"),
              std::string::npos);
    EXPECT_NE(kml.find("<coordinates>-1.5,43,0</coordinates>"), std::string::npos);
    EXPECT_TRUE(kml.ends_with("  </Placemark>\n </Folder>\n</kml>"));

    if (std::system("command -v ogrinfo >/dev/null 2>&1") != 0) GTEST_SKIP() << "ogrinfo is not installed";
    TempDir dir;
    WriteFileReplacing(PathToUtf8(dir.path() / "points.kml"), kml);
    const std::string command = "ogrinfo -ro -al -q '" + PathToUtf8(dir.path() / "points.kml") + "' > '"
                                + PathToUtf8(dir.path() / "out.txt") + "' 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0);
    const std::string out = ReadFileBytes(dir.path() / "out.txt");
    EXPECT_NE(out.find("POINT Z (2.35 48.85 0)"), std::string::npos) << out;
    EXPECT_NE(out.find("R&D"), std::string::npos) << out;
}

}  // namespace
