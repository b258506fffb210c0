// Settings at start-up and exit, the colour table, the stratigraphic scale and
// the edition.ini section cache.
#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "store/options.h"
#include "store/recent_files.h"
#include "run_as_nobody.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) { return r + g * 256 + b * 65536; }

class OptionsTest : public ::testing::Test {
protected:
    void TearDown() override
    {
        OptionsRelease();
        SetEditionCacheClock(nullptr);
        SetActiveCollectionUnitXY(nullptr, nullptr);
    }
};

// ---------------------------------------------------------------------------
// Start-up and exit
// ---------------------------------------------------------------------------

TEST_F(OptionsTest, FirstStartInAnEmptyFolderThenOrderlyExit)
{
    TempDir dir;
    OptionsInitialize(dir.path());
    RecentLoad();
    EXPECT_EQ(ProgramFolder(), dir.path());
    EXPECT_EQ(EditionIniPath, dir.path() / "edition.ini");
    EXPECT_EQ(InfobullePath, dir.path() / "infobulle.txt");
    EXPECT_EQ(OptSymboleEau, "Sinusoïde");
    EXPECT_EQ(OptLatitudeLongitude, "Degré");
    EXPECT_EQ(OptTailleBandeau, 9);
    EXPECT_TRUE(OptSolVisible);
    EXPECT_TRUE(OptMenuBDD);
    EXPECT_FALSE(OptDesactiverLissage);
    EXPECT_EQ(OptTubageNature, "Nature");
    EXPECT_EQ(OptAnnulaireNum, "Num");
    EXPECT_EQ(ColourTable[1], Rgb(254, 254, 173));
    RecentSave();
    OptionsFinalize();
    EXPECT_FALSE(OptionsInitialized());
    EXPECT_EQ(IniCarotix, nullptr);

    EXPECT_EQ(ReadFileBytes(dir / "carotix.ini"),
              "[Couleurs]\r\n"
              "Couleur0=255 255 255\r\n"
              "Couleur1=254 254 173\r\n"
              "Couleur2=190 242 185\r\n"
              "Couleur3=255 169 83\r\n"
              "Couleur4=196 0 196\r\n"
              "Couleur5=113 113 255\r\n"
              "Couleur6=255 98 98\r\n"
              "Couleur7=245 148 234\r\n"
              "Couleur8=172 100 85\r\n"
              "Couleur9=145 174 179\r\n"
              "\r\n"
              "[G\xE9n\xE9ral]\r\n"
              "NomTubeSimple=CUVELAGE\r\n"
              "EnteteMultitube=PMT\r\n");
    // Only carotix.ini was written: the other settings files are created by
    // their first write.
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.push_back(e.path().filename().string());
    EXPECT_EQ(names, (std::vector<std::string> {"carotix.ini"}));
}

TEST_F(OptionsTest, ExitWritesTheTubeNamesChangedDuringTheRun)
{
    TempDir dir;
    WriteFileBytes(dir / "carotix.ini", "[G\xE9n\xE9ral]\r\nNomTubeSimple=TUBE\r\nEnteteMultitube=MT\r\n");
    OptionsInitialize(dir.path());
    EXPECT_EQ(OptNomTubeSimple, "TUBE");
    EXPECT_EQ(OptEnteteMultitube, "MT");
    OptNomTubeSimple = "PRINCIPAL";
    OptionsFinalize();
    TIniFile ini(dir / "carotix.ini");
    EXPECT_EQ(ini.ReadString("Général", "NomTubeSimple", ""), "PRINCIPAL");
    // A second finalisation (or one without start-up) writes nothing.
    const std::string bytes = ReadFileBytes(dir / "carotix.ini");
    OptNomTubeSimple = "AUTRE";
    OptionsFinalize();
    EXPECT_EQ(ReadFileBytes(dir / "carotix.ini"), bytes);
}

TEST_F(OptionsTest, AUtf8CarotixIniStaysUtf8AndKeepsItsComments)
{
    TempDir dir;
    const std::string before = "; réglages de l'agence\n[Général]\n; tubes\nNomTubeSimple=CUVELAGE\n";
    WriteFileBytes(dir / "carotix.ini", before);
    OptionsInitialize(dir.path());
    EXPECT_EQ(IniCarotix->ReadText().substr(0, before.size()), before);  // colours added below
    OptEnteteMultitube = "PIÉZO";
    OptionsFinalize();
    const std::string after = ReadFileBytes(dir / "carotix.ini");
    EXPECT_EQ(after.substr(0, before.size() - 1), before.substr(0, before.size() - 1));
    EXPECT_NE(after.find("EnteteMultitube=PIÉZO\n"), std::string::npos);  // UTF-8 bytes, LF
    EXPECT_NE(after.find("[Couleurs]\nCouleur0=255 255 255\n"), std::string::npos);
}

TEST_F(OptionsTest, GlobalsAreReadFromCarotixIni)
{
    TempDir dir;
    WriteFileBytes(dir / "carotix.ini",
                   "[Dessin]\r\nTrouNuDiam=Diamètre\r\nTailleBandeau=0x0C\r\nSolVisible=0\r\n"
                   "DésactiverLissage=1\r\nSymboleEau=Triangle\r\n[Général]\r\nMenuBDD=True\r\n"
                   "[Oracle]\r\nFiltre=/srv/filtres/filtre_bss.txt\r\n"
                   "[Impression]\r\nMargeGauche=2,5\r\nMargeHaut=0.75\r\nMargeBas=1,5cm\r\n");
    OptionsInitialize(dir.path());
    EXPECT_EQ(OptTrouNuDiam, "Diamètre");
    EXPECT_EQ(OptTailleBandeau, 12);
    EXPECT_FALSE(OptSolVisible);
    EXPECT_TRUE(OptDesactiverLissage);
    EXPECT_EQ(OptSymboleEau, "Triangle");
    EXPECT_TRUE(OptMenuBDD);  // "True" is no number: the default
    EXPECT_EQ(OracleFilterName, "/srv/filtres/filtre_bss.txt");
    // Floats take both separators.
    ScopedDecimalSeparator sep(',');
    EXPECT_DOUBLE_EQ(OptReadFloat("Impression", "MargeGauche", 1.5), 2.5);
    EXPECT_DOUBLE_EQ(OptReadFloat("Impression", "MargeHaut", 1.5), 0.75);
    EXPECT_DOUBLE_EQ(OptReadFloat("Impression", "MargeBas", 9), 9);
    EXPECT_DOUBLE_EQ(OptReadFloat("Impression", "ProfMaximum", 200), 200);
}

TEST_F(OptionsTest, TheShippedProgramFolderStartsWithoutWritingAnything)
{
    TempProgramDir dir;
    const std::string before = ReadFileBytes(dir / "carotix.ini");
    OptionsInitialize(dir.path());
    EXPECT_EQ(ReadFileBytes(dir / "carotix.ini"), before);
    for (std::size_t i = 0; i < 10; ++i) EXPECT_EQ(ColourTable[i], ColourFromText(kDefaultColourTexts[i])) << i;
    EXPECT_EQ(OptNomTubeSimple, "CUVELAGE");
    EXPECT_EQ(GetDefaultUnitXY(), "m");

    // Windows-1252 with CRLF, as the program's peers read it.
    TextEncoding enc = TextEncoding::Utf8;
    DecodeTextFile(before, &enc);
    EXPECT_EQ(enc, TextEncoding::Cp1252);
    for (std::size_t i = 0; i < before.size(); ++i) {
        if (before[i] == '\n') {
            ASSERT_TRUE(i > 0 && before[i - 1] == '\r') << "bare LF at byte " << i;
        }
    }

    // The entries the log window runs, each with a command of the dispatcher.
    const std::vector<std::string> lines = IniCarotix->ReadSectionValues("Tables");
    auto command = [&](const std::string& name) { return IniCarotix->ReadString("Tables", name, ""); };
    for (const char* name : {"Informations sur l'ouvrage", "Dossier associé à l'indice", "Niveau", "Tube simple",
                             "Annulaire interne", "Annulaire", "Trou-nu"})
        EXPECT_FALSE(command(name).empty()) << name;
    EXPECT_EQ(command("Informations sur l'ouvrage"), "Fiche(Ouvrage)");
    EXPECT_EQ(command("Tube simple"), "TubeSimple(Tubage)");
    for (const std::string& line : lines) {
        const std::string value = line.substr(line.find('=') + 1);
        if (value == "Séparation") continue;
        bool known = false;
        for (const char* prefix : {"Fiche(", "Table(", "MotClés(", "TubeSimple(", "Multitubes("})
            known = known || value.rfind(prefix, 0) == 0;
        EXPECT_TRUE(known) << line;
        EXPECT_EQ(value.back(), ')') << line;
    }
    // Icons name entries of [Tables].
    for (const std::string& name : IniCarotix->ReadSection("Icônes")) {
        EXPECT_FALSE(command(name).empty()) << name;
        EXPECT_TRUE(fs::is_regular_file(dir / IniCarotix->ReadString("Icônes", name, ""))) << name;
    }
    // Help topics name shipped help texts.
    for (const std::string& line : IniCarotix->ReadSectionValues("Aide")) {
        const std::string topic = line.substr(line.find('=') + 1);
        EXPECT_TRUE(fs::is_regular_file(dir / "Aide" / (topic + ".rtf"))) << line;
    }
    EXPECT_GT(IniCarotix->ReadSection("Aide").size(), 10u);
    // The lists the collection window and the level export read.
    EXPECT_FALSE(IniCarotix->ReadString("Général", "ChampsGrille", "").empty());
}

TEST_F(OptionsTest, ProgramFolderComesFromCarotixHome)
{
    const char* old = std::getenv("CAROTIX_HOME");
    const std::string saved = old ? old : "";
    ::setenv("CAROTIX_HOME", "/opt/carotix-test", 1);
    EXPECT_EQ(DefaultProgramFolder(), fs::path("/opt/carotix-test"));
    ::setenv("CAROTIX_HOME", "", 1);
    EXPECT_EQ(DefaultProgramFolder(), fs::read_symlink("/proc/self/exe").parent_path());
    if (old) {
        ::setenv("CAROTIX_HOME", saved.c_str(), 1);
    } else {
        ::unsetenv("CAROTIX_HOME");
    }
}

// ---------------------------------------------------------------------------
// Read-only program folders
// ---------------------------------------------------------------------------

TEST_F(OptionsTest, AReadOnlyFileIsMadeWritable)
{
    TempDir dir;
    WriteFileBytes(dir / "edition.ini", "[Niveau]\r\n");
    fs::permissions(dir / "edition.ini", fs::perms::owner_read | fs::perms::group_read);
    OptionsInitialize(dir.path());
    EXPECT_NE(fs::status(dir / "edition.ini").permissions() & fs::perms::owner_write, fs::perms::none);
}

TEST_F(OptionsTest, AFolderThatStaysReadOnlyStopsTheStartWithoutWriting)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    WriteFileBytes(dir / "carotix.ini", "[Dessin]\r\nNiveauDeb=Deb\r\n");
    fs::permissions(dir.path(), fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    fs::permissions(dir / "carotix.ini", fs::perms::owner_read | fs::perms::owner_write | fs::perms::others_read);
    const int code = RunAsNobody([&] {
        try {
            OptionsInitialize(dir.path());
            return 1;
        } catch (const EReadOnlyMedia& e) {
            if (std::string(e.what()) != "Le programme ne peut être exécuté sur un support en lecture seule.") return 2;
            if (std::string(EReadOnlyMedia::kTitle) != "Carotix") return 3;
        }
        if (OptionsInitialized() || IniCarotix) return 4;
        OptionsFinalize();  // nothing to write
        return 0;
    });
    EXPECT_EQ(code, 0);
    EXPECT_EQ(ReadFileBytes(dir / "carotix.ini"), "[Dessin]\r\nNiveauDeb=Deb\r\n");
}

TEST_F(OptionsTest, AFileOwnedBySomeoneElseStopsTheStart)
{
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    WriteFileBytes(dir / "strati.ini", "[Stratigraphie]\r\n");
    fs::permissions(dir.path(), fs::perms::all);
    fs::permissions(dir / "strati.ini", fs::perms::owner_read | fs::perms::others_read);
    const int code = RunAsNobody([&] {
        try {
            OptionsInitialize(dir.path());
            return 1;
        } catch (const EReadOnlyMedia& e) {
            return e.path() == dir / "strati.ini" ? 0 : 2;
        }
    });
    EXPECT_EQ(code, 0);
    EXPECT_FALSE(fs::exists(dir / "carotix.ini"));
}

// ---------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------

TEST_F(OptionsTest, MissingOrEmptyColoursTakeTheirDefaultAndAreWrittenBack)
{
    TempDir dir;
    WriteFileBytes(dir / "carotix.ini",
                   "[Couleurs]\r\nCouleur0=0 0 0\r\nCouleur4=\r\nCouleur5=  10   20  30 \r\nCouleur6=abc 7x -1\r\n"
                   "Couleur7=1 2 3 4 5\r\n");
    OptionsInitialize(dir.path());
    EXPECT_EQ(ColourTable[0], 0u);
    EXPECT_EQ(ColourTable[4], Rgb(196, 0, 196));
    EXPECT_EQ(ColourTable[5], Rgb(10, 20, 30));
    EXPECT_EQ(ColourTable[3], Rgb(255, 169, 83));
    // Parts that are not numbers give what the tolerant reader reads.
    EXPECT_EQ(ColourTable[6], Rgb(0, 7, 0) + static_cast<std::uint32_t>(-1) * 65536u);
    EXPECT_EQ(ColourTable[7], Rgb(1, 2, 3) + (4u << 24));
    TIniFile ini(dir / "carotix.ini");
    EXPECT_EQ(ini.ReadString("Couleurs", "Couleur4", ""), "196 0 196");
    EXPECT_EQ(ini.ReadString("Couleurs", "Couleur3", ""), "255 169 83");
    EXPECT_EQ(ini.ReadString("Couleurs", "Couleur5", ""), "10   20  30");  // present: left as it was

    ColourTable[2] = Rgb(1, 2, 3);
    ColoursSave();
    EXPECT_EQ(ini.ReadString("Couleurs", "Couleur2", ""), "1 2 3");
    EXPECT_EQ(ini.ReadString("Couleurs", "Couleur5", ""), "10 20 30");
}

// ---------------------------------------------------------------------------
// Stratigraphic scale
// ---------------------------------------------------------------------------

TEST_F(OptionsTest, StratiScaleLinesGiveStartAndEnd)
{
    TempDir dir;
    WriteFileBytes(dir / "strati.ini", "[Stratigraphie]\r\nQuaternaire=0,2580\r\nPH-Glaciation=800\r\n"
                                       "Bizarre= 12 , x\r\nVide=\r\nSeul\r\n");
    OptionsInitialize(dir.path());
    EXPECT_FALSE(StratiScaleLoaded);
    StratiScaleLoad();
    std::vector<std::string> read;
    for (const TStratiUnit& u : StratiScale)
        read.push_back(u.UnitName + " " + std::to_string(u.StartValue) + "-" + std::to_string(u.EndValue));
    EXPECT_EQ(read, (std::vector<std::string> {"Quaternaire 0-2580", "PH-Glaciation 800-800", "Bizarre 12-0",
                                               "Vide 0-0", "Seul 0-0"}));
}

TEST_F(OptionsTest, StratiScaleSaveKeepsUnitsThatShareAName)
{
    TempDir dir;
    WriteFileBytes(dir / "strati.ini", "; \xE9" "chelle locale\r\n[Stratigraphie]\r\nA=1,2\r\n[Autre]\r\nx=1\r\n");
    OptionsInitialize(dir.path());
    StratiScale = {{0, 10, "Supérieur"}, {10, 20, "Inférieur"}, {30, 40, "SUPÉRIEUR"}};
    int steps = 0;
    StratiScaleSave([&] { ++steps; });
    EXPECT_EQ(steps, 3);
    EXPECT_EQ(ReadFileBytes(dir / "strati.ini"),
              "; \xE9" "chelle locale\r\n[Stratigraphie]\r\nSup\xE9rieur=0,10\r\nInf\xE9rieur=10,20\r\n"
              "SUP\xC9RIEUR=30,40\r\n[Autre]\r\nx=1\r\n");
    StratiScaleLoad();
    ASSERT_EQ(StratiScale.size(), 3u);
    EXPECT_EQ(StratiScale[2].UnitName, "SUPÉRIEUR");
    EXPECT_EQ(StratiScale[2].StartValue, 30);
}

// A settings file refused for its encoding reads as empty and says so once,
// when it is first read: strati.ini when the scale is loaded, each other file
// at its first read.
TEST_F(OptionsTest, ASettingsFileRefusedForItsEncodingIsToldOnceWhenRead)
{
    std::vector<std::string> reports;
    TIniFile::SetReportHandler([&](const std::string& m) { reports.push_back(m); });
    TempDir dir;
    const std::string utf16WithoutMark("[\0A\0]\0\r\0\n\0k\0=\0v\0", 16);
    const std::pair<const char*, TIniFile**> files[] = {
        {"strati.ini", &IniStrati}, {"csv.ini", &IniCsv},         {"dravel.ini", &IniDravel}, {"edition.ini", &IniEdition},
        {"modeles.ini", &IniModeles}, {"rapport.ini", &IniRapport}, {"sql.ini", &IniSql},
    };
    for (const auto& [name, ini] : files) WriteFileBytes(dir / name, utf16WithoutMark);
    OptionsInitialize(dir.path());
    EXPECT_TRUE(reports.empty());

    StratiScaleLoad();
    StratiScaleLoad();
    EXPECT_TRUE(StratiScale.empty());
    EXPECT_EQ(reports, std::vector<std::string>{UnreadableEncodingMessage(dir / "strati.ini")});
    for (const auto& [name, ini] : files) {
        reports.clear();
        EXPECT_EQ((*ini)->ReadString("A", "k", "vide"), "vide") << name;
        EXPECT_TRUE((*ini)->ReadSections().empty()) << name;
        const std::vector<std::string> once{UnreadableEncodingMessage(dir / name)};
        EXPECT_EQ(reports, name == std::string("strati.ini") ? std::vector<std::string>{} : once) << name;
    }
    TIniFile::SetReportHandler(nullptr);
}

TEST_F(OptionsTest, TheShippedScaleIsWellFormed)
{
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    StratiScaleLoad();
    ASSERT_GT(StratiScale.size(), 30u);
    bool quaternary = false;
    for (const TStratiUnit& u : StratiScale) {
        EXPECT_LE(u.StartValue, u.EndValue) << u.UnitName;
        EXPECT_GE(u.StartValue, 0) << u.UnitName;
        quaternary = quaternary || u.UnitName == "Quaternaire";
    }
    EXPECT_TRUE(quaternary);
}

// ---------------------------------------------------------------------------
// Coordinate unit
// ---------------------------------------------------------------------------

TEST_F(OptionsTest, UnitXYGoesToTheActiveCollectionAndToTheSettings)
{
    TempDir dir;
    OptionsInitialize(dir.path());
    EXPECT_EQ(GetUnitXY(), "km");
    std::optional<std::string> active;
    SetActiveCollectionUnitXY([&] { return active; },
                              [&](const std::string& u) {
                                  if (!active) return false;
                                  active = u;
                                  return true;
                              });
    SetUnitXY("m");
    EXPECT_FALSE(active.has_value());
    EXPECT_EQ(GetUnitXY(), "m");
    active = "km";
    EXPECT_EQ(GetUnitXY(), "km");
    SetUnitXY("mm");
    EXPECT_EQ(active, "mm");
    EXPECT_EQ(GetDefaultUnitXY(), "mm");
}

// ---------------------------------------------------------------------------
// edition.ini cache
// ---------------------------------------------------------------------------

class EditionCacheTest : public OptionsTest {
protected:
    TempDir dir;
    std::chrono::steady_clock::time_point now = std::chrono::steady_clock::time_point() + std::chrono::hours(1);
    void Start(std::string_view edition)
    {
        WriteFileBytes(dir / "edition.ini", edition);
        SetEditionCacheClock([this] { return now; });
        OptionsInitialize(dir.path());
    }
};

TEST_F(EditionCacheTest, SectionsAreTrimmedLinesWithWordsTripled)
{
    Start("[Niveau]\r\nProfondeur=Prof:F8\r\n[Niveau\\Litho]\r\n  SABLE-FIN=12=Sable fin \t\r\n\r\nARGILE\r\n"
          "; commentaire\r\nNULL=0=\r\n  [pas une section]\r\n[niveau\\Couleur]\r\nX=1\r\n"
          "[Trou-nu\\Fluide]\r\nNULL=0=\r\nEAU-CLAIRE=1=Eau claire\r\n");
    EXPECT_EQ(EditionSectionLines("Niveau\\Litho"),
              (std::vector<std::string> {"SABLE-FIN=12=Sable fin", "ARGILE=ARGILE=ARGILE", "NULL=0=",
                                         "[pas une section]=[pas une section]=[pas une section]"}));
    // Headers match exactly, case included.
    EXPECT_TRUE(EditionSectionLines("Niveau\\couleur").empty());
    EXPECT_EQ(EditionSectionLines("niveau\\Couleur"), (std::vector<std::string> {"X=1"}));
    EXPECT_TRUE(EditionSectionLines("Absente").empty());
    std::vector<std::string> lines = {"stale"};
    EditionSectionLoad("Niveau", lines);
    EXPECT_EQ(lines, (std::vector<std::string> {"Profondeur=Prof:F8"}));

    EXPECT_EQ(LexiconLabelForCode("Niveau\\Litho", 12), "sable fin");
    // A word alone reads as code 0 and stands before NULL=0.
    EXPECT_EQ(LexiconLabelForCode("Niveau\\Litho", 0), "argile");
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Fluide", 0), "");  // "null"
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Fluide", 1), "eau claire");
    EXPECT_EQ(LexiconLabelForCode("Niveau\\Litho", 7), "");
    EXPECT_EQ(LexiconValueForName("Niveau\\Litho", "SABLE-FIN"), "12=Sable fin");
    EXPECT_EQ(LexiconValueForName("Niveau\\Litho", "sable-fin"), "");
    EXPECT_EQ(LexiconValueForName("Niveau\\Litho", "ARGILE"), "ARGILE=ARGILE");
}

TEST_F(EditionCacheTest, LexiconCodesAreLeadingIntegers)
{
    Start("[Tubage\\Type]\nPLEIN=1 plein=Tube plein\nCR\xC9PIN\xC9=2x\nNUL\n\xC9QUIPEMENT-DIVERS= 5\n");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Type", 1), "plein");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Type", 2), "crépiné");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Type", 5), "équipement divers");
    EXPECT_EQ(LexiconLabelForCode("Tubage\\Type", 0), "nul");  // "NUL" reads as no number: 0
}

TEST_F(EditionCacheTest, CachedSectionsLiveThreeSecondsButNewSectionsAreNeverOlderThanTheFile)
{
    SetEditionCacheClock([this] { return now; });
    OptionsInitialize(dir.path());
    EXPECT_TRUE(EditionSectionLines("A").empty());   // no file yet
    WriteFileBytes(dir / "edition.ini", "[A]\nk=1\n[B]\nk=1\n");
    EXPECT_TRUE(EditionSectionLines("A").empty());   // cached less than 3 s ago
    now += std::chrono::seconds(5);
    EXPECT_EQ(EditionSectionLines("A"), (std::vector<std::string> {"k=1"}));
    WriteFileBytes(dir / "edition.ini", "[A]\nk=22\n[B]\nk=22\n");  // edited in another program

    now += std::chrono::seconds(2);
    EXPECT_EQ(EditionSectionLines("A"), (std::vector<std::string> {"k=1"}));  // a burst shares one copy
    // Never asked for before: built from the file as it is now, not from the
    // text loaded before the edit.
    EXPECT_EQ(EditionSectionLines("B"), (std::vector<std::string> {"k=22"}));
    now += std::chrono::seconds(4);
    EXPECT_EQ(EditionSectionLines("A"), (std::vector<std::string> {"k=22"}));
    // Older than 3 s and the file unchanged: the same section is served.
    now += std::chrono::seconds(10);
    const int index = EditionSectionGet("A");
    EXPECT_EQ(EditionSectionGet("A"), index);
    WriteFileBytes(dir / "edition.ini", "[A]\nk=2\n");
    EXPECT_EQ(EditionSectionLines("A"), (std::vector<std::string> {"k=2"}));
}

TEST_F(EditionCacheTest, AWriteThroughIniEditionShowsAtOnce)
{
    Start("[Trou-nu\\M\xE9thode]\r\nROTARY=1=Rotary\r\n");
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Méthode", 2), "");
    IniEdition->WriteString("Trou-nu\\Méthode", "MFT", "2=Marteau fond de trou");
    EXPECT_EQ(LexiconLabelForCode("Trou-nu\\Méthode", 2), "mft");
    EditionCacheClear();
    EXPECT_EQ(EditionSectionLines("Trou-nu\\Méthode").size(), 2u);
}

}  // namespace
