// The private-profile layer: what other programs and users see in the files,
// and what the program reads back from files written by hand.
#include <gtest/gtest.h>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "run_as_nobody.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> Files(const fs::path& dir)
{
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class IniFileTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path file = dir / "test.ini";
    void Put(std::string_view bytes) { WriteFileBytes(file, bytes); }
    std::string Bytes() { return ReadFileBytes(file); }
};

// ---------------------------------------------------------------------------
// Reading
// ---------------------------------------------------------------------------

TEST_F(IniFileTest, SectionsAndKeysMatchWithoutRegardToCaseAccentsIncluded)
{
    // Windows-1252 bytes: [Général] / Répertoire=/data
    Put("[G\xE9n\xE9ral]\r\nR\xE9pertoire=/data\r\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("GÉNÉRAL", "RÉPERTOIRE", "?"), "/data");
    EXPECT_EQ(ini.ReadString("général", "répertoire", "?"), "/data");
    // Accents are letters of their own, not decorations of the plain letter.
    EXPECT_EQ(ini.ReadString("General", "Repertoire", "?"), "?");

    Put("\xEF\xBB\xBF[\xC5\x92uvre]\nK=v\n");  // UTF-8 with BOM: [Œuvre]
    EXPECT_EQ(ini.ReadString("œUVRE", "k", "?"), "v");
}

TEST_F(IniFileTest, FirstOccurrenceOfSectionAndKeyWins)
{
    Put("[A]\r\nk=1\r\nK=2\r\n[B]\r\nk=3\r\n[a]\r\nk=4\r\nnew=5\r\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("A", "k", ""), "1");
    // Keys of a later copy of the section are not seen.
    EXPECT_EQ(ini.ReadString("A", "new", "none"), "none");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string> {"A", "B", "a"}));
    EXPECT_EQ(ini.ReadSection("a"), (std::vector<std::string> {"k", "K"}));
    // Raw section values keep each line's own value.
    EXPECT_EQ(ini.ReadSectionValues("A"), (std::vector<std::string> {"k=1", "K=2"}));
}

TEST_F(IniFileTest, ValuesAreTrimmedAndLoseOnePairOfMatchingQuotes)
{
    Put("[S]\n"
        "plain =  spaced value \t\n"
        "dq=\"quoted\"\n"
        "sq='single'\n"
        "twice=\"\"inner\"\"\n"
        "mixed=\"open'\n"
        "lone=\"\n"
        "inside=a \"b\" c\n"
        "empty=\n"
        "blank=   \n"
        "word\n"
        "; comment=1\n"
        "  indented = yes\n");
    TIniFile ini(file);
    // A key present with an empty value reads "", a missing one the default;
    // a line without "=" is a key without value: listed, but read as missing.
    const std::pair<const char*, const char*> cases[] = {
        {"plain", "spaced value"}, {"dq", "quoted"},     {"sq", "single"}, {"twice", "\"inner\""},
        {"mixed", "\"open'"},      {"lone", "\""},       {"inside", "a \"b\" c"}, {"empty", ""},
        {"blank", ""},             {"missing", "?"},     {"word", "?"},    {"; comment", "?"},
        {"indented", "yes"},
    };
    for (const auto& [key, value] : cases) EXPECT_EQ(ini.ReadString("S", key, "?"), value) << key;
    EXPECT_EQ(ini.ReadString("Nowhere", "plain", "?"), "?");
    EXPECT_TRUE(ini.ValueExists("S", "WORD"));
    EXPECT_EQ(ini.ReadString("S", "; comment", "?"), "?");
    EXPECT_EQ(ini.ReadString("S", "indented", "?"), "yes");
    EXPECT_EQ(ini.ReadSection("S"), (std::vector<std::string> {"plain", "dq", "sq", "twice", "mixed", "lone", "inside",
                                                                "empty", "blank", "word", "indented"}));
    EXPECT_EQ(ini.ReadSectionLines("S").back(), "indented = yes");
}

TEST_F(IniFileTest, IntegersTakeHexPrefixesAndBooleansAreIntegers)
{
    Put("[N]\nhex=0x1F\nHEX=0X10\ndollar=$ff\nspaced=  42  \nneg=-7\nbad=12abc\nempty=\nbare=0x\n"
        "upper=0X10\nt=True\nzero=0\ntwo=2\nminus=-1\nhexzero=0x0\nbig=99999999999\n");
    TIniFile ini(file);
    const std::pair<const char*, int> cases[] = {
        {"hex", 31}, {"upper", 16}, {"dollar", 255}, {"spaced", 42}, {"neg", -7},
        {"bad", -1}, {"empty", -1}, {"bare", -1},    {"big", -1},
    };
    for (const auto& [key, value] : cases) EXPECT_EQ(ini.ReadInteger("N", key, -1), value) << key;
    EXPECT_TRUE(ini.ReadBool("N", "t", true));  // "True" is not a number: the default
    EXPECT_FALSE(ini.ReadBool("N", "t", false));
    EXPECT_FALSE(ini.ReadBool("N", "zero", true));
    EXPECT_TRUE(ini.ReadBool("N", "two", false));
    EXPECT_TRUE(ini.ReadBool("N", "minus", false));  // older files write true as -1
    EXPECT_FALSE(ini.ReadBool("N", "hexzero", true));
    EXPECT_TRUE(ini.ReadBool("N", "missing", true));
}

TEST_F(IniFileTest, FloatsUseTheProcessDecimalSeparator)
{
    Put("[Impression]\nMargeGauche=2,5\nMargeHaut=2.5\nMargeBas=abc\n");
    TIniFile ini(file);
    {
        ScopedDecimalSeparator sep(',');
        EXPECT_DOUBLE_EQ(ini.ReadFloat("Impression", "MargeGauche", 1.5), 2.5);
        EXPECT_DOUBLE_EQ(ini.ReadFloat("Impression", "MargeHaut", 1.5), 1.5);
        EXPECT_DOUBLE_EQ(ini.ReadFloat("Impression", "MargeBas", 1.5), 1.5);
        ini.WriteFloat("Impression", "MargeDroite", 0.1 + 0.2);
        EXPECT_EQ(ini.ReadString("Impression", "MargeDroite", ""), "0,3");
    }
    ScopedDecimalSeparator sep('.');
    EXPECT_DOUBLE_EQ(ini.ReadFloat("Impression", "MargeHaut", 1.5), 2.5);
}

TEST_F(IniFileTest, NoLengthLimits)
{
    const std::string longValue(200000, 'x');
    const std::string longKey(5000, 'k');
    TIniFile ini(file);
    ini.WriteString("Long", longKey, longValue);
    TIniFile other(file);
    EXPECT_EQ(other.ReadString("Long", longKey, ""), longValue);
    EXPECT_EQ(other.ReadSection("Long").at(0), longKey);
}

TEST_F(IniFileTest, EveryReadSeesTheFileAsItIsNow)
{
    Put("[S]\nk=1\n");
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "1");
    // Rewritten in place at once, same size: the stamp alone may not tell.
    Put("[S]\nk=2\n");
    EXPECT_EQ(ini.ReadString("S", "k", ""), "2");
    // Replaced by another program through a rename.
    const fs::path other = dir / "other.ini";
    WriteFileBytes(other, "[S]\nk=3\n");
    fs::rename(other, file);
    EXPECT_EQ(ini.ReadString("S", "k", ""), "3");
    fs::remove(file);
    EXPECT_EQ(ini.ReadString("S", "k", "gone"), "gone");
}

// ---------------------------------------------------------------------------
// Writing
// ---------------------------------------------------------------------------

TEST_F(IniFileTest, ANewFileIsWindows1252WithCrlf)
{
    TIniFile ini(file);
    ini.WriteString("Général", "Répertoire", "/home/hydro/Forages été");
    ini.WriteString("Couleurs", "Couleur0", "255 255 255");
    ini.WriteInteger("Dessin", "TailleBandeau", 12);
    ini.WriteBool("Dessin", "SolVisible", false);
    EXPECT_EQ(Bytes(), "[G\xE9n\xE9ral]\r\nR\xE9pertoire=/home/hydro/Forages \xE9t\xE9\r\n"
                       "\r\n[Couleurs]\r\nCouleur0=255 255 255\r\n"
                       "\r\n[Dessin]\r\nTailleBandeau=12\r\nSolVisible=0\r\n");
    // Nothing but the file is left in the folder.
    EXPECT_EQ(Files(dir.path()), (std::vector<std::string> {"test.ini"}));
}

TEST_F(IniFileTest, CommentsUnknownLinesAndLineEndsSurviveAWrite)
{
    const std::string before = "; Réglages de Carotix\n"
                               "garbage before any section\n"
                               "[Dessin]\n"
                               "; the column names\n"
                               "NiveauDeb = Deb\n"
                               "  odd line without equals  \n"
                               "\n"
                               "[Tables]\n"
                               "Niveau=Table(Niveau)\n"
                               "# not a comment here";
    Put(before);  // UTF-8 (it holds "é"), LF, no final line end
    TIniFile ini(file);
    ini.WriteString("Dessin", "NiveauDeb", "Début");
    ini.WriteString("Dessin", "NiveauFin", "Fin");
    ini.WriteString("Tables", "Trou-nu", "Table(Trou-nu)");
    EXPECT_EQ(Bytes(), "; Réglages de Carotix\n"
                       "garbage before any section\n"
                       "[Dessin]\n"
                       "; the column names\n"
                       "NiveauDeb=Début\n"
                       "  odd line without equals  \n"
                       "NiveauFin=Fin\n"
                       "\n"
                       "[Tables]\n"
                       "Niveau=Table(Niveau)\n"
                       "# not a comment here\n"
                       "Trou-nu=Table(Trou-nu)\n");
}

TEST_F(IniFileTest, EachFileKeepsItsEncoding)
{
    struct Case {
        const char* what;
        const char* before;
        const char* key;
        const char* value;
        const char* after;
    };
    const Case cases[] = {
        {"UTF-8 stays UTF-8", "[Dessin]\r\nSymboleEau=Sinuso\xC3\xAF" "de\r\n", "LatitudeLongitude", "Degré",
         "[Dessin]\r\nSymboleEau=Sinuso\xC3\xAF" "de\r\nLatitudeLongitude=Degr\xC3\xA9\r\n"},
        {"a BOM stays, even on pure ASCII", "\xEF\xBB\xBF[Dessin]\nk=v\n", "é", "è",
         "\xEF\xBB\xBF[Dessin]\nk=v\n\xC3\xA9=\xC3\xA8\n"},
        {"Windows-1252 stays Windows-1252", "[Dessin]\r\nSymboleEau=Sinuso\xEF" "de\r\n", "LatitudeLongitude", "Degré",
         "[Dessin]\r\nSymboleEau=Sinuso\xEF" "de\r\nLatitudeLongitude=Degr\xE9\r\n"},
        // The form the program's peers read.
        {"pure ASCII counts as Windows-1252", "[Dessin]\r\nk=v\r\n", "k", "é", "[Dessin]\r\nk=\xE9\r\n"},
    };
    for (const Case& c : cases) {
        Put(c.before);
        TIniFile(file).WriteString("Dessin", c.key, c.value);
        EXPECT_EQ(Bytes(), c.after) << c.what;
    }
}

// Windows editors save "Unicode" as UTF-16 with a byte-order mark; the
// bytes are built here unit by unit, apart from the program's own codec.
std::string Utf16File(std::u16string_view text, bool bigEndian)
{
    std::string bytes;
    for (char16_t u : std::u16string(1, u'\uFEFF') + std::u16string(text)) {
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xFF);
        bytes += bigEndian ? std::string {hi, lo} : std::string {lo, hi};
    }
    return bytes;
}

TEST_F(IniFileTest, Utf16WithItsMarkIsReadAndWrittenBackInUtf16WithTheMark)
{
    for (const bool bigEndian : {false, true}) {
        SCOPED_TRACE(bigEndian ? "big-endian" : "little-endian");
        Put(Utf16File(u"[G\u00E9n\u00E9ral]\r\nR\u00E9pertoire=/donn\u00E9es\r\n", bigEndian));
        TIniFile ini(file);
        EXPECT_EQ(ini.ReadString("G\xC3\xA9n\xC3\xA9ral", "R\xC3\xA9pertoire", "?"), "/donn\xC3\xA9" "es");
        // Characters Windows-1252 lacks have a UTF-16 form: nothing is
        // written as "?", a character beyond 16 bits included.
        ini.WriteString("Dessin", "SymboleEau", "\xCE\x94 \xF0\x9D\x84\x9E");
        EXPECT_EQ(Bytes(), Utf16File(u"[G\u00E9n\u00E9ral]\r\nR\u00E9pertoire=/donn\u00E9es\r\n\r\n[Dessin]\r\n"
                                     u"SymboleEau=\u0394 \U0001D11E\r\n",
                                     bigEndian));
        EXPECT_EQ(TIniFile(file).ReadString("Dessin", "SymboleEau", "?"), "\xCE\x94 \xF0\x9D\x84\x9E");
    }
}

// NUL bytes without a UTF-16 mark: UTF-16 saved without one, UTF-32, a
// binary file. Read as Windows-1252 they would give nothing, and the lines a
// write added would make the file one of two encodings.
TEST_F(IniFileTest, NulBytesWithoutAUtf16MarkAreRefusedAndNothingIsWritten)
{
    const std::string utf16 = Utf16File(u"[A]\r\nk=1\r\n", false);
    const std::string utf32 = std::string("\xFF\xFE\0\0[\0\0\0A\0\0\0]\0\0\0", 16);
    const std::pair<const char*, std::string> cases[] = {
        {"UTF-16 without its mark", utf16.substr(2)},
        {"UTF-32 with its mark", utf32},
        {"a UTF-16 mark over an odd count of bytes", utf16 + "x"},
        {"a binary file", std::string("[A]\r\nk=1\r\n\0\x01\x02", 13)},
    };
    for (const auto& [what, bytes] : cases) {
        SCOPED_TRACE(what);
        Put(bytes);
        TIniFile ini(file);
        EXPECT_EQ(ini.ReadString("A", "k", "default"), "default");
        try {
            ini.WriteString("A", "k2", "2");
            ADD_FAILURE() << "written";
        } catch (const EIniFileError& e) {
            const std::string reason = "\xC2\xAB " + file.string() +
                                       " \xC2\xBB : son encodage n'est ni UTF-8, ni Windows-1252, ni UTF-16 avec "
                                       "marque d'ordre des octets.";
            EXPECT_NE(std::string(e.what()).find(reason), std::string::npos) << e.what();
        }
        EXPECT_EQ(Bytes(), bytes);
        EXPECT_EQ(Files(dir.path()), (std::vector<std::string> {"test.ini"}));
    }
}

// Reads of a refused file tell it once, again after it has read well in
// between; a caller that shows the refusal itself keeps the reads quiet, and
// so does a failed write, whose message tells it.
TEST_F(IniFileTest, ARefusedFileIsToldOnceByItsReads)
{
    std::vector<std::string> reports;
    TIniFile::SetReportHandler([&](const std::string& m) { reports.push_back(m); });
    const std::string refused = Utf16File(u"[A]\r\nk=1\r\n", false).substr(2);
    const std::string told = UnreadableEncodingMessage(file);
    Put(refused);
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    EXPECT_EQ(TIniFile(file).ReadSections(), std::vector<std::string>{});
    EXPECT_EQ(reports, std::vector<std::string>{told});
    Put("[A]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "1");
    EXPECT_EQ(ini.Refusal(), "");
    Put(refused + "  ");
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    EXPECT_EQ(reports, (std::vector<std::string>{told, told}));

    Put("[A]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "1");
    Put(refused);
    EXPECT_EQ(ini.Refusal(), told);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    Put("[A]\r\nk=1\r\n");
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "1");
    Put(refused + "  ");
    EXPECT_THROW(ini.RequireReadable(), EIniFileError);
    EXPECT_THROW(ini.WriteString("A", "k", "2"), EIniFileError);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    TIniFile::SetReportHandler(nullptr);
    EXPECT_EQ(reports.size(), 2u);
}

TEST_F(IniFileTest, CharactersWithoutWindows1252ByteAreReportedNotDropped)
{
    std::vector<std::string> reports;
    TIniFile::SetReportHandler([&](const std::string& m) { reports.push_back(m); });
    Put("[A]\r\nk=v\r\n");
    TIniFile ini(file);
    ini.WriteString("A", "k", "a≤b");
    // Told once for the file, however often such names are written again.
    ini.WriteString("B", "k", "c≤d");
    ini.WriteString("A", "k", "a≤b");
    TIniFile::SetReportHandler(nullptr);
    EXPECT_EQ(Bytes(), "[A]\r\nk=a?b\r\n\r\n[B]\r\nk=c?d\r\n");
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_NE(reports[0].find("test.ini"), std::string::npos);
}

TEST_F(IniFileTest, WrittenValuesReadBackExactly)
{
    TIniFile ini(file);
    const std::vector<std::string> values = {" padded ", "\"quoted\"", "'single'", "\"", "",
                                             "a=b=c",    "; not a comment", "[not a section]", "\t"};
    for (std::size_t i = 0; i < values.size(); ++i) ini.WriteString("V", "k" + std::to_string(i), values[i]);
    TIniFile fresh(file);
    for (std::size_t i = 0; i < values.size(); ++i)
        EXPECT_EQ(fresh.ReadString("V", "k" + std::to_string(i), "?"), values[i]) << i;
    // A line break cannot live inside an .ini line: it must not start a new
    // line that would read as a section or a key of its own.
    ini.WriteString("V", "multi", "one\r\ntwo\n[Tables]\nX=Y");
    EXPECT_EQ(fresh.ReadString("V", "multi", "?"), "one two [Tables] X=Y");
    EXPECT_EQ(fresh.ReadSections(), (std::vector<std::string> {"V"}));
}

TEST_F(IniFileTest, NamesThatAnIniLineCannotHoldAreRefused)
{
    Put("[A]\r\nk=v\r\n");
    const std::string before = Bytes();
    TIniFile ini(file);
    for (const char* key : {"", "  ", "a=b", "[x", ";x", "a\nb"})
        EXPECT_THROW(ini.WriteString("A", key, "v"), EIniFileError) << key;
    EXPECT_THROW(ini.WriteString("A\nB", "k", "v"), EIniFileError);
    EXPECT_THROW(ini.WriteSection("A", {"[B]"}), EIniFileError);
    EXPECT_EQ(Bytes(), before);
}

TEST_F(IniFileTest, WriteUpdatesTheFirstOccurrenceAndKeepsTheKeySpelling)
{
    Put("[Général]\r\nAIDE = 1 \r\naide=2\r\n");
    TIniFile ini(file);
    ini.WriteBool("général", "Aide", false);
    EXPECT_EQ(Bytes(), "[Général]\r\nAIDE=0\r\naide=2\r\n");
}

TEST_F(IniFileTest, AWriteThatChangesNothingLeavesTheFileAlone)
{
    Put("[A]\r\nk = v \r\n");
    const FileStamp before = StatFileStamp(file);
    TIniFile ini(file);
    ini.WriteString("A", "K", "v");
    EXPECT_EQ(StatFileStamp(file), before);
    EXPECT_EQ(Bytes(), "[A]\r\nk = v \r\n");
}

TEST_F(IniFileTest, EraseDeleteAndWholeSectionWrites)
{
    Put("[Récent]\r\nFichier0=a\r\n\r\n[Tables]\r\n; keep me?\r\nNiveau=Table(Niveau)\r\n-=Séparation\r\n"
        "-=Séparation\r\n\r\n[RÉCENT]\r\nFichier9=z\r\n[Fin]\r\nx=1\r\n");
    TIniFile ini(file);
    // Every copy of the section goes.
    ini.EraseSection("récent");
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string> {"Tables", "Fin"}));
    // Duplicated keys are all listed, and all deleted.
    EXPECT_EQ(ini.ReadSectionValues("Tables"),
              (std::vector<std::string> {"Niveau=Table(Niveau)", "-=Séparation", "-=Séparation"}));
    ini.DeleteKey("Tables", "-");
    EXPECT_EQ(ini.ReadSection("Tables"), (std::vector<std::string> {"Niveau"}));
    // A whole section in one write; its blank separator and the next section stay.
    ini.WriteSection("Tables", {"Trou-nu=Table(Trou-nu)", "Niveau=Table(Niveau)", "-=Séparation", "-=Séparation"});
    EXPECT_EQ(Bytes(), "[Tables]\r\nTrou-nu=Table(Trou-nu)\r\nNiveau=Table(Niveau)\r\n-=Séparation\r\n"
                       "-=Séparation\r\n\r\n[Fin]\r\nx=1\r\n");
    ini.WriteSection("Nouvelle", {"a=1"});
    ini.WriteSection("Fin", {});
    EXPECT_EQ(ini.ReadSections(), (std::vector<std::string> {"Tables", "Fin", "Nouvelle"}));
    EXPECT_TRUE(ini.ReadSection("Fin").empty());
    EXPECT_FALSE(ini.SectionExists("Fin"));
    EXPECT_TRUE(ini.SectionExists("nouvelle"));
    EXPECT_TRUE(ini.ValueExists("Nouvelle", "A"));
    EXPECT_FALSE(ini.ValueExists("Nouvelle", "b"));
}

TEST_F(IniFileTest, WholeSectionWriteRemovesLaterCopies)
{
    Put("[M]\nA=1\n[N]\nx=1\n[m]\nB=2\n");
    TIniFile ini(file);
    ini.WriteSection("M", {"C=3"});
    EXPECT_EQ(Bytes(), "[M]\nC=3\n[N]\nx=1\n");
}

// ---------------------------------------------------------------------------
// Failures
// ---------------------------------------------------------------------------

TEST_F(IniFileTest, WritingIntoAReadOnlyPlaceFailsWithAClearMessage)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    Put("[A]\r\nk=1\r\n");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    const int code = RunAsNobody([&] {
        TIniFile ini(file);
        if (ini.ReadString("A", "k", "") != "1") return 1;
        try {
            ini.WriteString("A", "k", "2");
            return 2;
        } catch (const EIniFileError& e) {
            const std::string m = e.what();
            if (m.find("lecture seule") == std::string::npos) return 3;
            if (m.find("test.ini") == std::string::npos) return 4;
        }
        // A new file in a folder that cannot be written fails the same way.
        TIniFile fresh(dir / "new.ini");
        try {
            fresh.WriteString("A", "k", "1");
            return 5;
        } catch (const EIniFileError&) {
        }
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
    EXPECT_EQ(Files(dir.path()), (std::vector<std::string> {"test.ini"}));
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNotOverwritten)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    Put("[A]\r\nk=1\r\n");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_write);
    const int code = RunAsNobody([&] {
        TIniFile ini(file);
        if (ini.ReadString("A", "k", "default") != "default") return 1;  // reads never fail
        try {
            ini.WriteString("B", "x", "1");
            return 2;
        } catch (const EIniFileError&) {
            return 0;
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(Bytes(), "[A]\r\nk=1\r\n");
}

TEST_F(IniFileTest, AFolderInPlaceOfTheFileReadsEmptyAndRefusesWrites)
{
    fs::create_directory(file);
    TIniFile ini(file);
    EXPECT_EQ(ini.ReadString("A", "k", "d"), "d");
    EXPECT_THROW(ini.WriteString("A", "k", "v"), EIniFileError);
}

}  // namespace
