// The Vexto import: the fixed layout over the sample list of two records,
// slots that do not move to the next line, dates under the record's format,
// repeated indices and missing sections.
#include <gtest/gtest.h>
#include <string>

#include "exchange/vexto_import.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "tree_text.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

std::string Record(const std::string& index, const std::string& trouNu, const std::string& litho,
                   const std::string& design = "P1", const std::string& date = "05/03/2001",
                   const std::string& format = "jj/mm/aaaa")
{
    return "--  IDENTIFICATION  --\n" + index + "," + design + "," + date + ",,,,," + format + "\n\n\n--  LOCALISATION  --\n\n\n\n\n"
           "--  TROU NU  --\n" + trouNu + "--  TUBAGES  --\n--  ANNULAIRES  --\n--  LITHOLOGIE  --\n" + litho +
           "--  POMPAGE D'ESSAI  --\n\n";
}

TEST(VextoImport, TheSampleListGivesTwoBoreholes)
{
    ScopedDecimalSeparator decimalSeparator(',');
    TDirBlock root("Carotix");
    DravelReport report;
    std::vector<std::string> coded;
    ImportVexto(std::string(CAROTIX_TEST_DATA_DIR) + "/vexto_deux.lst", root, report);
    ASSERT_EQ(root.ItemCount(), 2);
    // Places read in the OEM code page; "0,0" leading a line lets the next slot
    // read the rest of that line; annular type 9 is gravel pack (type 3,
    // nature 4, no nature field read); an empty or "0" bottom moves on a line;
    // quoted fields are undoubled; a record without a pumping start date skips the rest.
    const std::string a = "0123-4X-0056\\", b = "0123-4X-0057\\";
    ExpectTreeLines(root, {a + "Ouvrage\\" + kD + "=F1", a + "Dossier\\DateDossier=20010305",
                           a + "Dossier\\DateMAJ=20020612", a + "Dossier\\DateFin=20010415",
                           a + "Dossier\\Entrepreneur=Forages de l'Est", a + "Dossier\\Lieu-Dit=Les Pr\xC3\xA9s",
                           a + "Dossier\\Comm=45", a + "Ouvrage\\Y=48,85", a + "Trou-nu\\Diam=215|311",
                           a + "Trou-nu\\Deb=0|12", a + "Tubage\\NbCentr=2|0", a + "Annulaire\\Type=3|2",
                           a + "Annulaire\\Nature=4|3", a + "Annulaire\\GranA=2|4",
                           a + "Niveau\\Litho=Terre v\xC3\xA9g\xC3\xA9tale|Argile \"grise\" sableuse|Craie blanche",
                           a + "Niveau\\Deb=0|1,5|12", a + "Niveau\\Type=COUPE|COUPE|COUPE",
                           a + "Pompage\\DateDeb=20/06/2001", a + "Pompage\\D\xC3\xA9" "bitSpecif=1.5E-3",
                           b + "Ouvrage\\" + kD + "=F", b + "Dossier\\DateDossier=", b + "Niveau\\Litho=Sable"});
    EXPECT_EQ(root.FindDir(b + "Trou-nu"), nullptr);
    EXPECT_EQ(root.FindDir(b + "Pompage"), nullptr);
}

TEST(VextoImport, RepeatedIndicesCoderAndMissingSections)
{
    ScopedDecimalSeparator decimalSeparator('.');
    TDirBlock root("Carotix");
    DravelReport report;
    std::string seen;
    const DravelCoder coder = [&](std::string_view d) {
        seen = std::string(d);
        return std::string("C");
    };
    ImportVextoBytes(Record("X", "100,5,,\n", "1,a,\n2,b,\n") + Record("X", "", "7, argile grise ,\n", "P2", "12/06/2002"), root,
                     coder, report);
    ASSERT_EQ(root.ItemCount(), 1);
    // The second ouvrage of X comes after the first one's rows, which stay whole.
    const TDirBlock& x = *root.FindDir("X");
    ASSERT_EQ(x.FindDir("Niveau")->RowCount(), 3);
    const char* const litho[] = {"a", "b", "argile grise"};
    const char* const design[] = {"P1", "P1", "P2"};
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(x.GetPathString("Niveau\\Litho", r), litho[r]);
        EXPECT_EQ(x.GetPathString("Niveau\\" + kD, r), design[r]);
    }
    EXPECT_DOUBLE_EQ(x.GetPathFloat("Niveau\\Deb", 2), 0);
    EXPECT_DOUBLE_EQ(x.GetPathFloat("Niveau\\Fin", 2), 7);
    ASSERT_EQ(x.FindDir("Ouvrage")->RowCount(), 2);
    EXPECT_EQ(x.GetPathString("Ouvrage\\" + kD, 0), "P1");
    EXPECT_EQ(x.GetPathString("Ouvrage\\" + kD, 1), "P2");
    // The borehole keeps one "Dossier" row, with the later record's values.
    EXPECT_EQ(x.FindDir("Dossier")->RowCount(), 1);
    EXPECT_EQ(x.GetPathString("Dossier\\DateDossier", 0), "20020612");
    EXPECT_EQ(x.FindDir("Trou-nu")->RowCount(), 1);
    EXPECT_DOUBLE_EQ(x.GetPathFloat("Trou-nu\\Diam", 0), 100);
    EXPECT_EQ(seen, "argile grise");  // coded as written
    EXPECT_EQ(x.GetPathString("Niveau\\CodeNiv", 2), "C");

    // A record without index is refused; no borehole named "" appears.
    TDirBlock none("Carotix");
    EXPECT_THROW(ImportVextoBytes(Record(" ", "", "1,a,\n"), none, {}, report), DravelRefusal);
    EXPECT_EQ(none.ItemCount(), 0);

    TDirBlock cut("Carotix");
    try {
        ImportVextoBytes(Record("Y", "", "") + "--  IDENTIFICATION  --\nZ,,,,,,,\n--  TROU NU  --\n", cut, {}, report);
        FAIL() << "no failure";
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), "Section LOCALISATION non trouv\xC3\xA9" "e");
    }
    EXPECT_NE(cut.FindDir("Y"), nullptr);  // the records before stay
    EXPECT_EQ(cut.FindDir("Z"), nullptr);  // and nothing of the one that failed
}

TEST(VextoImport, DatesReadUnderTheRecordsFormat)
{
    EXPECT_EQ(VextoDateToDate("05/03/2001", "jj/mm/aaaa"), "05/03/2001");
    EXPECT_EQ(VextoDateToDate("03/05/2001", "mm/jj/aaaa"), "05/03/2001");
    EXPECT_EQ(VextoDateToDate("2001-03-05", "aaaa-mm-jj"), "05/03/2001");
    EXPECT_EQ(VextoDateToDate("5/3/01", "jj/mm/aa"), "05/03/2001");
    EXPECT_EQ(VextoDateToDate("néant", "jj/mm/aaaa"), "");
    EXPECT_EQ(VextoDateToDate("31/02/2001", "jj/mm/aaaa"), "");
    EXPECT_EQ(VextoDateToDate("12/2001", "jj/mm/aaaa"), "");
}

// A year of two digits is the latest such year not after today's: a
// dossier's dates are in the past. Decided against today, whatever today is.
TEST(VextoImport, TwoDigitYearsFallInTheCenturyUpToToday)
{
    const struct {
        int today;           // the year of today (the 1st of July)
        std::string typed;   // read as jj/mm/aa
        std::string date;    // as dd/mm/yyyy
    } cases[] = {
        {2024, "05/03/85", "05/03/1985"}, {2024, "12/06/99", "12/06/1999"}, {2024, "01/01/01", "01/01/2001"},
        {2024, "31/12/24", "31/12/2024"}, {2024, "01/01/25", "01/01/1925"}, {2024, "01/01/00", "01/01/2000"},
        {2024, "5/3/1", "05/03/2001"},    {2099, "05/03/85", "05/03/2085"}, {2099, "05/03/99", "05/03/2099"},
        {2100, "05/03/99", "05/03/2099"}, {2100, "05/03/00", "05/03/2100"}, {2100, "05/03/01", "05/03/2001"},
        {2000, "05/03/00", "05/03/2000"}, {2000, "05/03/01", "05/03/1901"}, {2030, "05/03/85", "05/03/1985"},
        {2030, "05/03/30", "05/03/2030"}, {2030, "05/03/31", "05/03/1931"},
        {2024, "05/03/5", "05/03/2005"},  {2024, "05/03/7", "05/03/2007"},  {2024, "29/02/00", "29/02/2000"},
        {2026, "31/12/26", "31/12/2026"}, {2026, "01/01/27", "01/01/1927"}, {2027, "01/01/27", "01/01/2027"},
    };
    for (const auto& c : cases) {
        ScopedFixedClock clock{ClockReading{c.today, 7, 1, 12, 0, 0}};
        EXPECT_EQ(VextoDateToDate(c.typed, "jj/mm/aa"), c.date) << c.today << " " << c.typed;
        // A four-digit year is what it says.
        EXPECT_EQ(VextoDateToDate("05/03/2085", "jj/mm/aaaa"), "05/03/2085");
        // The CSV import reads its dates (dd/mm/yy) the same way.
        if (c.typed.size() >= 7 && c.typed[2] == '/') {
            EXPECT_EQ(NormalizePastDate(c.typed), NormalizeDate(c.date)) << c.today << " " << c.typed;
        }
    }
    // A whole record: the Dossier's dates and the pumping test's start.
    ScopedFixedClock clock{ClockReading{2024, 7, 1, 12, 0, 0}};
    TDirBlock root("Carotix");
    DravelReport report;
    ImportVextoBytes(Record("V", "", "", "V", "05/03/85", "jj/mm/aa"), root, {}, report);
    EXPECT_EQ(root.GetPathString("V\\Dossier\\DateDossier", 0), "19850305");
}

}  // namespace
