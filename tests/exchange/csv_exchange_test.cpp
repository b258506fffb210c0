// CSV exchange: the shipped csv.ini round trip, quoting, lexicons, dates,
// designations, templates, and Python's csv module reading what we write.
#include "exchange/csv_exchange.h"

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "temp_dir.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::string kLitho = "Argile \"grise\"; sableuse";

class CsvExchange : public ::testing::Test {
protected:
    void SetUp() override { OptionsInitialize(program_.path()); }
    void TearDown() override { OptionsRelease(); }

    // Adds a section to csv.ini.
    void AddSection(const std::string& name, const std::vector<std::string>& lines)
    {
        IniCsv->WriteSection(name, lines);
    }

    std::string Export(const std::string& table, const std::vector<CsvExportRow>& rows)
    {
        CsvReport report;
        const std::string path = (out_ / (table + ".csv")).string();
        ExportCsvFile(path, table, root_, rows, report);
        return ReadFileBytes(path);
    }

    void Import(const std::string& file, const std::string& bytes, TDirBlock& into)
    {
        WriteFileBytes(out_ / file, bytes);
        CsvReport report;
        ImportCsvFile((out_ / file).string(), into, report);
    }

    ScopedDecimalSeparator comma_{','};
    TempProgramDir program_;
    TempDir out_;
    TDirBlock root_{"Carotix"};
};

void BuildSample(TDirBlock& root)
{
    root.SetPathString("P1\\Ouvrage\\D\xC3\xA9sign", 0, btString, "A");
    root.SetPathString("P1\\Ouvrage\\Nature", 0, btString, "FORAGE-GEO");
    root.SetPathInt("P1\\Ouvrage\\Zone", 0, btInt, 2);
    root.SetPathFloat("P1\\Ouvrage\\X", 0, btFloat, 601234.5);
    root.SetPathString("P1\\Ouvrage\\DateEau", 0, btString, "20010512");
    const char* design[] = {"A", "A"};
    const double deb[] = {0, 2.5}, fin[] = {2.5, 10};
    const std::string litho[] = {kLitho, "Sable 'fin'"};
    for (int r = 0; r < 2; ++r) {
        root.SetPathString("P1\\Niveau\\D\xC3\xA9sign", r, btString, design[r]);
        root.SetPathFloat("P1\\Niveau\\Deb", r, btFloat, deb[r]);
        root.SetPathFloat("P1\\Niveau\\Fin", r, btFloat, fin[r]);
        root.SetPathString("P1\\Niveau\\Litho", r, btString, litho[r]);
    }
    root.SetPathString("P1\\Annulaire\\D\xC3\xA9sign", 0, btString, "A");
    root.SetPathInt("P1\\Annulaire\\Type", 0, btInt, 1);
    root.SetPathInt("P1\\Annulaire\\Nature", 0, btInt, 2);
    root.SetPathInt("P1\\Trou-nu\\M\xC3\xA9thode", 0, btInt, 0);
    root.SetPathInt("P1\\Trou-nu\\Fluide", 0, btInt, 42);
    root.SetPathString("P2\\Niveau\\Litho", 0, btString, "Calcaire");
}

// Every value of `original` reads back the same from `imported`.
void ExpectValuesKept(const TDirBlock& original, const TDirBlock& imported, const std::string& path = "")
{
    for (const auto& child : original.Items()) {
        const std::string p = path.empty() ? child->Name : path + "\\" + child->Name;
        if (child->IsDir()) {
            ExpectValuesKept(static_cast<const TDirBlock&>(*child), imported, p);
            continue;
        }
        const TBlock* back = imported.FindBlock(p);
        ASSERT_NE(back, nullptr) << p;
        ASSERT_EQ(back->Count(), child->Count()) << p;
        for (int i = 0; i < child->Count(); ++i) EXPECT_EQ(back->GetString(i), child->GetString(i)) << p << " " << i;
    }
}

TEST_F(CsvExchange, ShippedSettingsExportEveryTableAndReadItBack)
{
    BuildSample(root_);
    const std::vector<CsvExportRow> rows = {{"P1", "A"}, {"P2", ""}};
    std::vector<std::string> written;
    for (const std::string& table : CsvTableNames(*IniCsv)) {
        if (!CsvTableHasRows(*IniCsv, table, root_, rows)) continue;
        Export(table, rows);
        written.push_back(table);
    }
    EXPECT_EQ(written, (std::vector<std::string>{"Ouvrages", "Niveaux", "TrousNus", "Annulaires"}));

    const std::string ouvrages = ReadFileBytes(out_ / "Ouvrages.csv");
    EXPECT_EQ(ouvrages.substr(0, ouvrages.find("\r\n")),
              "INDICE;DESIGNATION;NATURE;USAGE;ZONE;X;Y;Z;PROFONDEUR;NIVEAU_EAU;DATE_MESURE;DIAMETRE_TUBE;ETAT;ORIGINE");
    // Lexicon labels, dates shown, the literal, the number with the separator.
    EXPECT_NE(ouvrages.find("P1;A;FORAGE-GEOTHERMIQUE;;LAMBERT-II;601234,5;;;;;12/05/2001;;;\"Export Carotix\"\r\n"),
              std::string::npos)
        << ouvrages;
    const std::string trous = ReadFileBytes(out_ / "TrousNus.csv");
    EXPECT_NE(trous.find("P1;;;;;;42;\r\n"), std::string::npos) << trous;  // NULL label, unknown code kept
    EXPECT_NE(ReadFileBytes(out_ / "Annulaires.csv").find("P1;A;;;CIMENTATION;BENTONITE-CIMENT;"), std::string::npos);

    TDirBlock back("Carotix");
    for (const std::string& table : written) {
        CsvReport report;
        ImportCsvFile((out_ / (table + ".csv")).string(), back, report);
    }
    ExpectValuesKept(root_, back);
}

TEST_F(CsvExchange, QuotesWhatNeedsItAndSplitsAsWritten)
{
    EXPECT_EQ(SplitCsvLine("P1;\"12;5\";\"a \"\"b\"\"\"; x ", false),
              (std::vector<std::string>{"P1", "12;5", "a \"b\"", " x "}));
    EXPECT_EQ(SplitCsvLine(" INDICE ; \" DE \" ;", true), (std::vector<std::string>{"INDICE", "DE", ""}));
    // A quote opens a cell only as its first character; elsewhere it is one.
    EXPECT_EQ(SplitCsvLine("BSS01;F1;Tube 8\" PVC;TV;x\"y\"z;'a'", false),
              (std::vector<std::string>{"BSS01", "F1", "Tube 8\" PVC", "TV", "x\"y\"z", "a"}));
    EXPECT_THROW(SplitCsvLine("P1;\"Terre;TV", false), ECsvError);

    AddSection("Q=Niveau", {"DESCRIPTION=Litho", "CODE=CodeNiv"});
    root_.SetPathString("P 1\\Niveau\\Litho", 0, btString, "12;5");
    root_.SetPathString("P 1\\Niveau\\Litho", 1, btString, "ligne\r\nsuivante");
    root_.SetPathString("P 1\\Niveau\\CodeNiv", 1, btString, "\xC5\x93\xE2\x86\x92");  // œ and an arrow
    CsvReport report;
    const std::string bytes = ExportCsvData(root_, {{"P 1", ""}}, FindCsvSection(*IniCsv, "q"), report);
    EXPECT_EQ(bytes, "INDICE;DESCRIPTION;CODE\r\n\"P 1\";\"12;5\";\r\n\"P 1\";\"ligne suivante\";\x9C?\r\n");
    EXPECT_EQ(report.LineBreaks, 1);
    EXPECT_EQ(report.Unmapped, 1u);

    TDirBlock back("Carotix");
    CsvReport in;
    ImportCsvData(Cp1252ToUtf8(bytes), FindCsvSection(*IniCsv, "Q"), back, "q.csv", in);
    EXPECT_EQ(back.GetPathString("P 1\\Niveau\\Litho", 0), "12;5");
    EXPECT_EQ(back.GetPathString("P 1\\Niveau\\CodeNiv", 1), "\xC5\x93?");
}

// Every quote form in one table: a cell is a quoted cell only when the quote
// that opens it is closed where the cell ends; otherwise every character is
// kept as typed, whatever it ends with. Each value also goes out through the
// export and comes back as it was.
TEST_F(CsvExchange, EveryQuoteFormReadsAsTypedOrUnquoted)
{
    const struct {
        std::string typed, value;
    } cells[] = {
        // kept as typed: the opening quote closes before the cell ends
        {"\"8\" PVC", "\"8\" PVC"},
        {"\"Sable\" et \"gravier\"", "\"Sable\" et \"gravier\""},
        {"\"Tube 8\" PVC 2\"", "\"Tube 8\" PVC 2\""},
        {"\"a\"\"b\" c\"\"", "\"a\"\"b\" c\"\""},
        {"\"a\"b\"", "\"a\"b\""},
        {"Tube 8\" PVC", "Tube 8\" PVC"},
        // quoted: the closing quote ends the cell (blanks after it aside)
        {"\"a;b\"", "a;b"},
        {"\"x\"\"y\"", "x\"y"},
        {"\"\"", ""},
        {"\"\"\"\"", "\""},
        {"\"\"\"Sable\"\" et \"\"gravier\"\"\"", "\"Sable\" et \"gravier\""},
        {"\"a\" ", "a"},
        {"\"ligne\r\nsuivante\"", "ligne\r\nsuivante"},
        // an unquoted cell between apostrophes loses them, as the helpers read it
        {"'a'", "a"},
        {"'l''eau'", "l'eau"},
        // but only when the closing apostrophe ends the cell
        {"'Argile' et 'sable'", "'Argile' et 'sable'"},
        {"'a'b'", "'a'b'"},
        // blanks around a quoted cell
        {"  \"a;b\"  ", "a;b"},
        {" \"8\" PVC", " \"8\" PVC"},
    };
    AddSection("Q=Niveau", {"DESCRIPTION=Litho"});
    const CsvSection section = FindCsvSection(*IniCsv, "Q");
    for (const auto& c : cells) {
        SCOPED_TRACE(c.typed);
        EXPECT_EQ(SplitCsvLine("P1;" + c.typed + ";z", false), (std::vector<std::string>{"P1", c.value, "z"}));
        TDirBlock typed("Carotix");
        CsvReport in;
        ImportCsvData("INDICE;DESCRIPTION\r\nP1;" + c.typed + "\r\n", section, typed, "q.csv", in);
        EXPECT_EQ(typed.GetPathString("P1\\Niveau\\Litho", 0), c.value);
        if (c.value.find('\n') != std::string::npos) continue;  // written on one line, and said so
        TDirBlock sent("Carotix"), back("Carotix");
        sent.SetPathString("P1\\Niveau\\Litho", 0, btString, c.value);
        CsvReport out;
        const std::string bytes = ExportCsvData(sent, {{"P1", ""}}, section, out);
        ImportCsvData(Cp1252ToUtf8(bytes), section, back, "q.csv", in);
        EXPECT_EQ(back.GetPathString("P1\\Niveau\\Litho", 0), c.value) << bytes;
    }
}

// What Python's csv module writes, in each of its quoting modes, and what
// LibreOffice writes (every text cell quoted, quotes doubled), reads back as
// the values written.
TEST_F(CsvExchange, FilesOfPythonAndLibreOfficeReadBack)
{
    const std::vector<std::string> values = {"\"8\" PVC", "\"Sable\" et \"gravier\"", "Tube 8\" PVC 2\"", "a;b", "x\"y",
                                             "", "l'eau", "\"a\" \"b\"", "12,5"};
    QProcess python;
    std::string program =
        "import csv,sys,io\n"
        "v=sys.argv[1].split('\\x1f')\n"
        "out=io.StringIO(newline='')\n"
        "for q in (csv.QUOTE_MINIMAL,csv.QUOTE_ALL,csv.QUOTE_NONNUMERIC):\n"
        "  w=csv.writer(out,delimiter=';',quoting=q,lineterminator='\\r\\n')\n"
        "  w.writerow(['INDICE','DESCRIPTION']) if q==csv.QUOTE_MINIMAL else None\n"
        "  for x in v: w.writerow(['P'+str(q),x])\n"
        "sys.stdout.buffer.write(out.getvalue().encode('cp1252'))\n";
    QStringList args{"-c", QString::fromStdString(program)};
    std::string joined;
    for (std::size_t i = 0; i < values.size(); ++i) joined += (i ? "\x1f" : "") + values[i];
    args << QString::fromStdString(joined);
    python.start("python3", args);
    if (!python.waitForStarted(10000)) GTEST_SKIP() << "python3 is not available";
    ASSERT_TRUE(python.waitForFinished(30000));
    std::string file = python.readAllStandardOutput().toStdString();
    // LibreOffice, "quote all text cells": numbers bare, texts quoted.
    for (const std::string& v : values) {
        std::string q;
        for (char c : v) q += c == '"' ? std::string("\"\"") : std::string(1, c);
        file += "LO;" + (v == "12,5" ? v : "\"" + q + "\"") + "\r\n";
    }
    AddSection("Q=Niveau", {"DESCRIPTION=Litho"});
    TDirBlock back("Carotix");
    CsvReport in;
    ImportCsvData(Cp1252ToUtf8(file), FindCsvSection(*IniCsv, "Q"), back, "q.csv", in);
    for (const std::string writer : {"P0", "P1", "P2", "LO"}) {
        SCOPED_TRACE(writer);
        const TBlock* litho = back.FindBlock(writer + "\\Niveau\\Litho");
        ASSERT_NE(litho, nullptr) << file;
        ASSERT_EQ(litho->Count(), static_cast<int>(values.size()));
        for (std::size_t i = 0; i < values.size(); ++i) EXPECT_EQ(litho->GetString(static_cast<int>(i)), values[i]);
    }
}

TEST_F(CsvExchange, WritesTheRowsOfEachDesignationAndDatesWithoutDigitsEmpty)
{
    AddSection("N=Niveau", {"LITHO=Litho", "DATE=DateMAJ"});
    AddSection("NIVEAU", {"DATE=DateMAJ"});  // a section name without table counts too
    IniEdition->WriteSection("Niveau", {"D\xC3\xA9sign=D\xC3\xA9sign:U10", "Litho=Litho:S80", "Date=DateMAJ:E10"});
    const char* designs[] = {"A", "B", ""};
    const char* dates[] = {"n/c", "20200101", ""};
    for (int r = 0; r < 3; ++r) {
        root_.SetPathString("P1\\Niveau\\D\xC3\xA9sign", r, btString, designs[r]);
        root_.SetPathString("P1\\Niveau\\Litho", r, btString, std::string("L") + designs[r]);
        root_.SetPathString("P1\\Niveau\\DateMAJ", r, btString, dates[r]);
    }
    CsvReport report;
    EXPECT_EQ(ExportCsvData(root_, {{"P1", "A"}, {"P1", "B"}}, FindCsvSection(*IniCsv, "N"), report),
              "INDICE;LITHO;DATE\r\nP1;LA;\r\nP1;L;\r\nP1;LB;01/01/2020\r\n");
    EXPECT_TRUE(CsvTableHasRows(*IniCsv, "n", root_, {{"P1", "B"}}));
    EXPECT_FALSE(CsvTableHasRows(*IniCsv, "n", root_, {{"P2", ""}}));
    EXPECT_FALSE(CsvTableHasRows(*IniCsv, "absente", root_, {{"P1", "A"}}));
    EXPECT_THROW(FindCsvSection(*IniCsv, "absente"), ECsvError);
}

// A borehole of two ouvrages whose table mixes rows with a designation and
// rows without: each row goes out once (a row of an ouvrage the borehole
// lacks is named), and the file reads back as the same
// rows, which go out again as the same file.
TEST_F(CsvExchange, ARowWithoutDesignationGoesOutOncePerBorehole)
{
    AddSection("M=Niveau", {"DESIGNATION=D\xC3\xA9sign", "DE=Deb", "A=Fin"});
    AddSection("MT=Trou-nu", {"DESIGNATION=D\xC3\xA9sign", "DE=Deb", "A=Fin"});
    const char* designs[] = {"A", "", "Z"};
    for (const std::string table : {"Niveau", "Trou-nu"})
        for (int r = 0; r < 3; ++r) {
            root_.SetPathString("P1\\" + table + "\\D\xC3\xA9sign", r, btString, designs[r]);
            root_.SetPathFloat("P1\\" + table + "\\Deb", r, btFloat, r);
            root_.SetPathFloat("P1\\" + table + "\\Fin", r, btFloat, r + 1);
        }
    const std::vector<CsvExportRow> listed = {{"P1", "A"}, {"P1", "B"}, {"P1", ""}};
    for (const std::string name : {"M", "MT"}) {
        SCOPED_TRACE(name);
        const CsvSection section = FindCsvSection(*IniCsv, name);
        CsvReport report;
        const std::string bytes = ExportCsvData(root_, listed, section, report);
        EXPECT_EQ(bytes, "INDICE;DESIGNATION;DE;A\r\nP1;A;0;1\r\nP1;;1;2\r\n");
        // The row of an ouvrage Z that the borehole does not have goes out
        // under no listed ouvrage: it is named.
        EXPECT_EQ(report.Summary("m.csv"), "m.csv :\n- 1 ligne(s) dont la d\xC3\xA9signation ne nomme aucun ouvrage de "
                                           "l'indice, non \xC3\xA9" "crite(s) :\n  P1 (d\xC3\xA9signation Z)");
        report = CsvReport();
        TDirBlock back("Carotix");
        ImportCsvData(Cp1252ToUtf8(bytes), section, back, "m.csv", report);
        EXPECT_EQ(back.FindBlock("P1\\" + section.TablePath + "\\Deb")->Count(), 2);
        EXPECT_EQ(ExportCsvData(back, listed, section, report), bytes);
    }
}

TEST_F(CsvExchange, ImportsTemplatesLexiconsAndIgnoresUnknownHeaders)
{
    AddSection("Liste=Liste", {"DESIGN=D\xC3\xA9sign", "MOTS=%MotsCl\xC3\xA9s\\MotCl\xC3\xA9|Th\xC3\xA8me=HYDRO%",
                               "DATES=%Liste\\Jour:E%", "MINUS=Ignor\xC3\xA9"});
    const std::string file = "INDICE;DESIGN;MOTS;DATES;minus\r\n\r\n"
                             "P1;A;\"NAPPE-LIBRE, KARST,ALLUVIONS\";01/02/2003;x\r\n;A;KARST;;\r\nP/2;B;;;\r\n";
    Import("liste.csv", file, root_);
    EXPECT_EQ(root_.GetPathString("P1\\MotsCl\xC3\xA9s\\MotCl\xC3\xA9", 2), "ALLUVIONS");
    EXPECT_EQ(root_.GetPathString("P1\\MotsCl\xC3\xA9s\\Th\xC3\xA8me", 2), "HYDRO");
    EXPECT_EQ(root_.GetPathString("P1\\MotsCl\xC3\xA9s\\D\xC3\xA9sign", 1), "A");
    EXPECT_EQ(root_.GetPathString("P1\\Liste\\Jour", 0), "20030201");
    EXPECT_EQ(root_.FindBlock("P1\\Liste\\Ignor\xC3\xA9"), nullptr);
    EXPECT_NE(root_.FindDir("P/2"), nullptr);  // a "/" in an index is kept, as the store keeps it
    // The same file again appends its rows.
    Import("liste.csv", file, root_);
    EXPECT_EQ(root_.FindBlock("P1\\MotsCl\xC3\xA9s\\MotCl\xC3\xA9")->Count(), 6);

    // Lexicons on import: a label gives its code, an empty cell the code of NULL.
    // The last line counts without its line end, however short.
    Import("TrousNus.csv", "INDICE;METHODE;FLUIDE\r\nP3;ROTARY;\r\nP3;;BOUE\r\nQ", root_);
    EXPECT_EQ(root_.GetPathInt("Q\\Trou-nu\\M\xC3\xA9thode", 0), 0);
    EXPECT_EQ(root_.GetPathInt("P3\\Trou-nu\\M\xC3\xA9thode", 0), 1);
    EXPECT_EQ(root_.GetPathInt("P3\\Trou-nu\\M\xC3\xA9thode", 1), 0);
    EXPECT_EQ(root_.GetPathInt("P3\\Trou-nu\\Fluide", 1), 3);

    const std::string path = (out_ / "Niveaux.csv").string();
    for (const auto& [bytes, message] : std::vector<std::pair<std::string, std::string>>{
             {"indice;DE\r\nP1;1\r\n", "Pas de champ Indice dans '" + path + "'"},
             {"", "Le fichier '" + path + "' est vide"},
             {"\xEF\xBB\xBF \r\n\r\n", "Le fichier '" + path + "' est vide"}}) {
        try {
            Import("Niveaux.csv", bytes, root_);
            FAIL() << "no error";
        } catch (const ECsvError& e) {
            EXPECT_EQ(std::string(e.what()), message);
        }
    }
    try {
        Import("Niveaux.csv", "INDICE;DE\r\nP1;1\r\nP1;un\r\n", root_);
        FAIL() << "no error";
    } catch (const ECsvError& e) {
        EXPECT_NE(std::string(e.what()).find(", ligne 3, colonne DE :"), std::string::npos) << e.what();
    }
}

// A date column (E) and a template's date target read a short year as the
// latest such year not after today's, as the other importers do; a date
// typed with blanks around it reads as without them.
TEST_F(CsvExchange, ShortYearsOfDateColumnsFallUpToToday)
{
    AddSection("D=Niveau", {"DATE=DateMAJ", "JOURS=%Liste\\Jour:E%"});
    IniEdition->WriteSection("Niveau", {"Date=DateMAJ:E10"});
    const struct {
        int today;  // the year of today (the 7th of December)
        std::string cell, digits;
    } cases[] = {
        {2024, "05/03/85", "19850305"}, {2024, "29/02/00", "20000229"}, {2024, "05/03/24", "20240305"},
        {2024, "05/03/25", "19250305"}, {2026, "31/12/26", "20261231"}, {2026, "05/03/7", "20070305"},
        {2026, "05/03/2085", "20850305"}, {2026, "05/03/85 ", "19850305"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.today) + " " + c.cell);
        ScopedFixedClock clock{ClockReading{c.today, 12, 7, 12, 0, 0}};
        TDirBlock back("Carotix");
        CsvReport in;
        ImportCsvData("INDICE;DATE;JOURS\r\nP1;" + c.cell + ";" + c.cell + "\r\n", FindCsvSection(*IniCsv, "D"), back,
                      "d.csv", in);
        EXPECT_EQ(back.GetPathString("P1\\Niveau\\DateMAJ", 0), c.digits);
        EXPECT_EQ(back.GetPathString("P1\\Liste\\Jour", 0), c.digits);
    }
}

// Python's csv module reads our files as any spreadsheet would.
TEST_F(CsvExchange, PythonsCsvModuleReadsTheFile)
{
    BuildSample(root_);
    Export("Niveaux", {{"P1", "A"}, {"P2", ""}});
    QProcess python;
    python.start("python3", {"-c",
                             "import csv,sys\n"
                             "rows=list(csv.reader(open(sys.argv[1],encoding='cp1252',newline=''),delimiter=';'))\n"
                             "sys.stdout.buffer.write('\\n'.join('|'.join(r) for r in rows).encode('utf-8'))\n",
                             QString::fromStdString((out_ / "Niveaux.csv").string())});
    if (!python.waitForStarted(10000)) GTEST_SKIP() << "python3 is not available";
    ASSERT_TRUE(python.waitForFinished(30000));
    const std::string text = python.readAllStandardOutput().toStdString();
    EXPECT_EQ(text,
              "INDICE|DESIGNATION|DE|A|DESCRIPTION|CODE|TYPE|STRATIGRAPHIE|AQUIFERE|VENUE_EAU\n"
              "P1|A|0|2,5|" + kLitho + "|||||\n"
              "P1|A|2,5|10|Sable 'fin'|||||\n"
              "P2||||Calcaire|||||");
}

// A file is read as its bytes decode: Windows-1252, UTF-8 with or without its
// mark, UTF-16 with its mark; a plain ASCII file, used as its own text, reads
// as the decoded one would, NUL bytes and lines ended by CR alone included.
TEST_F(CsvExchange, FilesReadAsTheirBytesDecode)
{
    AddSection("E=Niveau", {"LITHO=Litho"});
    // Latin-1 bytes as UTF-16LE, behind its mark.
    const auto Utf16Le = [](const std::string& latin1) {
        std::string out = "\xFF\xFE";
        for (char ch : latin1) out += std::string{ch, '\0'};
        return out;
    };
    const struct {
        std::string bytes;
        std::vector<std::string> litho;  // P1's, then P2's when it has one
    } cases[] = {
        {"INDICE;LITHO\r\nP1;B\xE9ton\r\n", {"B\xC3\xA9ton"}},
        {"\xEF\xBB\xBFINDICE;LITHO\r\nP1;B\xC3\xA9ton\r\n", {"B\xC3\xA9ton"}},
        {"INDICE;LITHO\r\nP1;B\xC3\xA9ton\r\n", {"B\xC3\xA9ton"}},
        {Utf16Le("INDICE;LITHO\r\nP1;B\xE9ton\r\n"), {"B\xC3\xA9ton"}},
        {"INDICE;LITHO\rP1;Sable\rP2;Argile\r", {"Sable", "Argile"}},
        {std::string("INDICE;LITHO\r\nP1;Sa\0ble\r\nP2;Argile\r\n", 36), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        TDirBlock file("Carotix"), decoded("Carotix");
        CsvReport a, b;
        std::string failed, failedDecoded;
        WriteFileBytes(out_ / "E.csv", c.bytes);
        try {
            ImportCsvFile((out_ / "E.csv").string(), file, a);
        } catch (const std::exception& e) {
            failed = e.what();
        }
        try {
            ImportCsvData(DecodeTextFile(c.bytes), FindCsvSection(*IniCsv, "E"), decoded, (out_ / "E.csv").string(), b);
        } catch (const std::exception& e) {
            failedDecoded = e.what();
        }
        EXPECT_EQ(failed, failedDecoded);
        EXPECT_TRUE(SameBlock(&file, &decoded));
        EXPECT_EQ(a.Summary("E.csv"), b.Summary("E.csv"));
        for (std::size_t i = 0; i < c.litho.size(); ++i)
            EXPECT_EQ(file.GetPathString("P" + std::to_string(i + 1) + "\\Niveau\\Litho", 0), c.litho[i]);
    }
}

}  // namespace
