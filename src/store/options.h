// The settings of the program: one settings object per configuration file of
// the program folder, the globals loaded from carotix.ini at start-up, the
// ten-colour table, the stratigraphic scale and the edition.ini section cache.
//
// HOW TO USE (other parts of the program)
//
//  * The program folder holds every configuration file, the crash-recovery
//    copies and the coding library. Get it with ProgramFolder() (set by
//    OptionsInitialize) and build paths with ProgramFile("name") or
//    ProgramFolder() / std::filesystem::u8path(name). The program entry passes
//    DefaultProgramFolder() ($CAROTIX_HOME when set, else the executable's
//    folder); tests pass a temporary folder (TempProgramDir).
//
//  * Settings objects are TIniFile pointers (platform/base/ini_file.h), valid
//    between OptionsInitialize and OptionsFinalize / OptionsRelease:
//        IniCarotix->ReadString("Général", "ChampsGrille", "...");
//        IniEdition->ReadSection("Niveau");
//        IniModeles->WriteSection(name, lines);
//    Every read sees the file as it is now; every write goes to the file at
//    once and throws EIniFileError (a French message for the user) when it
//    cannot be written.
//
//  * Lexicon and table sections of edition.ini are read through the short-lived
//    cache: EditionSectionLoad(name, lines) / EditionSectionLines(name).
//
//  * Order at start-up (program entry, before any window):
//        OptionsInitialize(DefaultProgramFolder());   // may throw EReadOnlyMedia
//        RecentLoad();                                // recent_files.h
//    and at exit, after the windows are gone:
//        RecentSave();
//        OptionsFinalize();                           // writes two settings
//    When OptionsInitialize throws EReadOnlyMedia the entry shows its message in
//    a box titled EReadOnlyMedia::kTitle and exits non-zero, writing nothing.
//
//  * Tests: OptionsInitialize(tempFolder) ... OptionsRelease() (no writes) or
//    OptionsFinalize(). OptionsInitialize may be called again: it first drops
//    the previous objects without writing.
#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/ini_file.h"

// ---------------------------------------------------------------------------
// Program folder
// ---------------------------------------------------------------------------

// $CAROTIX_HOME when set and not empty, otherwise the folder of the running
// executable.
std::filesystem::path DefaultProgramFolder();
// The folder given to OptionsInitialize (absolute); empty before.
const std::filesystem::path& ProgramFolder();
// ProgramFolder() / name, the name given in UTF-8.
std::filesystem::path ProgramFile(std::string_view name);

// ---------------------------------------------------------------------------
// Start-up and exit
// ---------------------------------------------------------------------------

// The program cannot run from a read-only place. what() is the text of the box.
class EReadOnlyMedia : public std::runtime_error {
public:
    static constexpr const char* kMessage = "Le programme ne peut être exécuté sur un support en lecture seule.";
    static constexpr const char* kTitle = "Carotix";
    explicit EReadOnlyMedia(std::filesystem::path path) : std::runtime_error(kMessage), path_(std::move(path)) {}
    const std::filesystem::path& path() const { return path_; }  // the file or folder that stays read-only

private:
    std::filesystem::path path_;
};

// Makes the program folder and its configuration files writable, opens the
// eight settings objects, loads the colours, the edition.ini text and the
// globals below. Throws EReadOnlyMedia (nothing opened) when the folder or one
// of the files stays read-only. A write that fails while the missing colours
// are stored back throws EIniFileError.
void OptionsInitialize(const std::filesystem::path& programFolder);
// At exit: drops the edition.ini cache, writes [Général] "NomTubeSimple" and
// "EnteteMultitube" and frees the settings objects (also when the write throws
// EIniFileError, which is passed on). Does nothing when not initialised.
void OptionsFinalize();
// Frees the settings objects without writing anything; the globals below go
// back to their defaults.
void OptionsRelease();
bool OptionsInitialized();

// A file (or folder) that exists without write permission gets it back
// (chmod u+w); when it still cannot be written, throws EReadOnlyMedia. A
// missing file is left alone.
void EnsureWritable(const std::filesystem::path& path);

// ---------------------------------------------------------------------------
// Settings objects (owned by this unit; null outside OptionsInitialize ..
// OptionsFinalize)
// ---------------------------------------------------------------------------

extern TIniFile* IniCarotix;  // carotix.ini
extern TIniFile* IniEdition;  // edition.ini (writes drop the section cache)
extern TIniFile* IniModeles;  // modeles.ini
extern TIniFile* IniSql;      // sql.ini
extern TIniFile* IniCsv;      // csv.ini
extern TIniFile* IniStrati;   // strati.ini
extern TIniFile* IniDravel;   // dravel.ini
extern TIniFile* IniRapport;  // rapport.ini
extern std::filesystem::path EditionIniPath;  // full path of edition.ini
extern std::filesystem::path InfobullePath;   // full path of infobulle.txt (read by the collection window)

// ---------------------------------------------------------------------------
// Globals loaded at start-up from carotix.ini (defaults in brackets)
// ---------------------------------------------------------------------------

extern std::string OracleFilterName;      // [Oracle] Filtre ("")
extern std::string OptNiveauDeb;          // [Dessin] NiveauDeb ("Deb")
extern std::string OptNiveauFin;          // [Dessin] NiveauFin ("Fin")
extern std::string OptNiveauType;         // [Dessin] NiveauType ("Type")
extern std::string OptTrouNuDeb;          // [Dessin] TrouNuDeb ("Deb")
extern std::string OptTrouNuFin;          // [Dessin] TrouNuFin ("Fin")
extern std::string OptTrouNuDiam;         // [Dessin] TrouNuDiam ("Diam")
extern std::string OptTubageDeb;          // [Dessin] TubageDeb ("Deb")
extern std::string OptTubageFin;          // [Dessin] TubageFin ("Fin")
extern std::string OptTubageDiam;         // [Dessin] TubageDiam ("Diam")
extern std::string OptTubageType;         // [Dessin] TubageType ("Type")
extern std::string OptTubageNature;       // [Dessin] TubageNature ("Nature")
extern std::string OptAnnulaireDeb;       // [Dessin] AnnulaireDeb ("Deb")
extern std::string OptAnnulaireFin;       // [Dessin] AnnulaireFin ("Fin")
extern std::string OptAnnulaireType;      // [Dessin] AnnulaireType ("Type")
extern std::string OptAnnulaireNature;    // [Dessin] AnnulaireNature ("Nature")
extern std::string OptAnnulaireNum;       // [Dessin] AnnulaireNum ("Num")
extern std::string OptSymboleEau;         // [Dessin] SymboleEau ("Sinusoïde")
extern std::int32_t OptTailleBandeau;     // [Dessin] TailleBandeau (9)
extern std::string OptNomTubeSimple;      // [Général] NomTubeSimple ("CUVELAGE"), written back at exit
extern std::string OptEnteteMultitube;    // [Général] EnteteMultitube ("PMT"), written back at exit
extern bool OptSolVisible;                // [Dessin] SolVisible (true)
extern std::string OptLatitudeLongitude;  // [Dessin] LatitudeLongitude ("Degré")
extern bool OptMenuBDD;                   // [Général] MenuBDD (true)
extern bool OptDesactiverLissage;         // [Dessin] DésactiverLissage (false); the log window may set it for the run

// Reads the globals above from carotix.ini, in the order of their list.
void LoadOptionGlobals();

// [section] key of carotix.ini as a double: the text read tolerantly ("." or
// the process decimal separator), the default when it does not read whole.
double OptReadFloat(std::string_view section, std::string_view key, double defaultValue);

// ---------------------------------------------------------------------------
// Colours: [Couleurs] Couleur0 .. Couleur9 = "R G B" (decimal)
// ---------------------------------------------------------------------------

// Colour values are R + G * 256 + B * 65536.
extern std::array<std::uint32_t, 10> ColourTable;
extern const std::array<const char*, 10> kDefaultColourTexts;  // "255 255 255", "254 254 173", ...
// Fills ColourTable; an empty or missing key takes its default, which is
// written back under the same key.
void ColoursLoad();
// Writes the ten colours as "R G B".
void ColoursSave();
// The colour of a "R G B" text (spaces trimmed and squeezed; each part read
// tolerantly, part k weighing 256^k).
std::uint32_t ColourFromText(std::string_view text);
std::string ColourToText(std::uint32_t colour);

// ---------------------------------------------------------------------------
// Stratigraphic scale: strati.ini [Stratigraphie], name=start,end or name=value
// ---------------------------------------------------------------------------

struct TStratiUnit {
    std::int32_t StartValue = 0;
    std::int32_t EndValue = 0;
    std::string UnitName;
};
extern std::vector<TStratiUnit> StratiScale;
extern bool StratiScaleLoaded;  // false until the first StratiScaleLoad
void StratiScaleLoad();
// Rewrites the section in one write (units that share a name are all kept);
// `stepProgress`, when given, is called once per unit (the progress bar).
void StratiScaleSave(const std::function<void()>& stepProgress = {});

// ---------------------------------------------------------------------------
// Coordinate unit
// ---------------------------------------------------------------------------

// The collection windows register how to reach the active collection's unit
// ("UnitéXY" at the root of its tree): `get` answers nothing when no collection
// window is active; `set` stores the unit and answers false when there is none.
void SetActiveCollectionUnitXY(std::function<std::optional<std::string>()> get,
                               std::function<bool(const std::string&)> set);
std::string GetUnitXY();         // the active collection's unit, else GetDefaultUnitXY()
std::string GetDefaultUnitXY();  // carotix.ini [Dessin] "UnitéXY", default "km"
void SetUnitXY(const std::string& unit);  // active collection (when any) and carotix.ini

// ---------------------------------------------------------------------------
// edition.ini section cache
// ---------------------------------------------------------------------------
//
// Sections are found by their exact header (case included), their lines
// trimmed, blank lines and ";" comments dropped, and a line without "=" served
// as word=word=word. A section cached less than 3 seconds ago is served as it
// is; an older one, or one never asked for before, is served only after the
// file's stamp was compared with the text last loaded (a changed file is
// re-read and every cached section dropped). A write through IniEdition drops
// the cache at once.

// Index of the cached section (valid until the next cache call).
int EditionSectionGet(std::string_view name);
// Copies the section's lines into `lines` (replacing what it held).
void EditionSectionLoad(std::string_view name, std::vector<std::string>& lines);
std::vector<std::string> EditionSectionLines(std::string_view name);
void EditionCacheClear();
// The label of a lexicon code: the name part (before the first "=") of the
// first line whose code (between the first and the next "=", read as a leading
// integer) equals `code`, in lower case with "-" made " "; "" for "null" or
// when no line matches.
std::string LexiconLabelForCode(std::string_view section, std::int32_t code);
// The text after the first "=" of the first line whose name part equals `name`
// exactly; "" when none.
std::string LexiconValueForName(std::string_view section, std::string_view name);

// Tests: the clock of the 3-second window (steady clock by default; an empty
// function restores it).
void SetEditionCacheClock(std::function<std::chrono::steady_clock::time_point()> clock);
