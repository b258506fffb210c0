#include "store/options.h"

#include <cstdlib>
#include <fcntl.h>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------
// Globals
// ---------------------------------------------------------------------------

TIniFile* IniCarotix = nullptr;
TIniFile* IniEdition = nullptr;
TIniFile* IniModeles = nullptr;
TIniFile* IniSql = nullptr;
TIniFile* IniCsv = nullptr;
TIniFile* IniStrati = nullptr;
TIniFile* IniDravel = nullptr;
TIniFile* IniRapport = nullptr;
fs::path EditionIniPath;
fs::path InfobullePath;

std::string OracleFilterName;
std::string OptNiveauDeb = "Deb";
std::string OptNiveauFin = "Fin";
std::string OptNiveauType = "Type";
std::string OptTrouNuDeb = "Deb";
std::string OptTrouNuFin = "Fin";
std::string OptTrouNuDiam = "Diam";
std::string OptTubageDeb = "Deb";
std::string OptTubageFin = "Fin";
std::string OptTubageDiam = "Diam";
std::string OptTubageType = "Type";
std::string OptTubageNature = "Nature";
std::string OptAnnulaireDeb = "Deb";
std::string OptAnnulaireFin = "Fin";
std::string OptAnnulaireType = "Type";
std::string OptAnnulaireNature = "Nature";
std::string OptAnnulaireNum = "Num";
std::string OptSymboleEau = "Sinusoïde";
std::int32_t OptTailleBandeau = 9;
std::string OptNomTubeSimple = "CUVELAGE";
std::string OptEnteteMultitube = "PMT";
bool OptSolVisible = true;
std::string OptLatitudeLongitude = "Degré";
bool OptMenuBDD = true;
bool OptDesactiverLissage = false;

const std::array<const char*, 10> kDefaultColourTexts = {
    "255 255 255", "254 254 173", "190 242 185", "255 169 83",  "196 0 196",
    "113 113 255", "255 98 98",   "245 148 234", "172 100 85",  "145 174 179"};
std::array<std::uint32_t, 10> ColourTable = {};

std::vector<TStratiUnit> StratiScale;
bool StratiScaleLoaded = false;

namespace {

fs::path gProgramFolder;
bool gInitialized = false;

// The settings objects, owned here; the globals above point into them.
struct IniObjects {
    std::unique_ptr<TIniFile> carotix, edition, modeles, sql, csv, strati, dravel, rapport;
};
IniObjects gIni;

std::function<std::optional<std::string>()> gActiveUnitGet;
std::function<bool(const std::string&)> gActiveUnitSet;

// edition.ini cache ---------------------------------------------------------

using CacheClock = std::chrono::steady_clock;
constexpr auto kSectionLifetime = std::chrono::seconds(3);

struct CachedSection {
    std::string name;
    std::vector<std::string> lines;
    CacheClock::time_point cachedAt;
};

struct EditionCacheState {
    bool loaded = false;
    std::string text;  // "\n" followed by every line of the file, each ended by "\n"
    FileStamp stamp;
    std::int64_t loadedAtNs = 0;
    std::vector<CachedSection> sections;
};
EditionCacheState gCache;
std::function<CacheClock::time_point()> gCacheClock;

CacheClock::time_point CacheNow() { return gCacheClock ? gCacheClock() : CacheClock::now(); }

void LoadEditionText()
{
    gCache.stamp = EditionIniPath.empty() ? FileStamp {} : StatFileStamp(EditionIniPath);
    gCache.loadedAtNs = RealtimeNowNs();
    std::string bytes;
    if (!gCache.stamp.exists || !ReadFileBounded(EditionIniPath, bytes, nullptr)) bytes.clear();
    // A file the settings layer refuses (NUL bytes without a UTF-16 mark)
    // serves no lexicon, as its settings object reads nothing from it.
    if (!IsReadableTextFile(bytes)) bytes.clear();
    const std::string decoded = DecodeTextFile(bytes);
    std::string text = "\n";
    text.reserve(decoded.size() + 2);
    std::size_t start = 0;
    while (start < decoded.size()) {
        std::size_t nl = decoded.find('\n', start);
        std::size_t end = nl == std::string::npos ? decoded.size() : nl;
        std::size_t cut = end;
        if (cut > start && decoded[cut - 1] == '\r') --cut;
        text.append(decoded, start, cut - start);
        text += '\n';
        start = nl == std::string::npos ? decoded.size() : nl + 1;
    }
    gCache.text = std::move(text);
    gCache.loaded = true;
}

// Compares the file with the text last loaded; when it changed, reloads the
// text and drops every cached section. Answers whether it changed.
bool RefreshEditionTextIfChanged()
{
    const FileStamp now = EditionIniPath.empty() ? FileStamp {} : StatFileStamp(EditionIniPath);
    if (gCache.loaded && now == gCache.stamp && !FileStampIsRacy(now, gCache.loadedAtNs)) return false;
    const bool wasLoaded = gCache.loaded;
    const std::string previous = std::move(gCache.text);
    LoadEditionText();
    if (wasLoaded && gCache.text == previous) return false;
    gCache.sections.clear();
    return true;
}

std::vector<std::string> BuildSection(const std::string& text, std::string_view name)
{
    std::vector<std::string> lines;
    const std::string header = "\n[" + std::string(name) + "]";
    const std::size_t at = text.find(header);
    if (at == std::string::npos) return lines;
    const std::size_t headerEnd = text.find('\n', at + 1);  // the text always ends with "\n"
    if (headerEnd == std::string::npos) return lines;
    std::size_t end = text.find("\n[", headerEnd);
    if (end == std::string::npos) end = text.size();
    std::size_t start = headerEnd + 1;
    while (start < end) {
        std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos || nl > end) nl = end;
        const std::string_view line = TrimView(std::string_view(text).substr(start, nl - start));
        start = nl + 1;
        if (line.empty() || line.front() == ';') continue;
        if (line.find('=') == std::string_view::npos) {
            // A lexicon entry given by its word alone serves as word=word=word.
            std::string w(line);
            lines.push_back(w + "=" + w + "=" + w);
        } else {
            lines.emplace_back(line);
        }
    }
    return lines;
}

std::string SqueezeSpaces(std::string_view text)
{
    std::string out;
    for (char c : text) {
        if (c == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += c;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

void ResetGlobals()
{
    OracleFilterName.clear();
    OptNiveauDeb = "Deb";
    OptNiveauFin = "Fin";
    OptNiveauType = "Type";
    OptTrouNuDeb = "Deb";
    OptTrouNuFin = "Fin";
    OptTrouNuDiam = "Diam";
    OptTubageDeb = "Deb";
    OptTubageFin = "Fin";
    OptTubageDiam = "Diam";
    OptTubageType = "Type";
    OptTubageNature = "Nature";
    OptAnnulaireDeb = "Deb";
    OptAnnulaireFin = "Fin";
    OptAnnulaireType = "Type";
    OptAnnulaireNature = "Nature";
    OptAnnulaireNum = "Num";
    OptSymboleEau = "Sinusoïde";
    OptTailleBandeau = 9;
    OptNomTubeSimple = "CUVELAGE";
    OptEnteteMultitube = "PMT";
    OptSolVisible = true;
    OptLatitudeLongitude = "Degré";
    OptMenuBDD = true;
    OptDesactiverLissage = false;
    ColourTable = {};
    StratiScale.clear();
    StratiScaleLoaded = false;
}

}  // namespace

// ---------------------------------------------------------------------------
// Program folder
// ---------------------------------------------------------------------------

fs::path DefaultProgramFolder()
{
    if (const char* home = std::getenv("CAROTIX_HOME"); home && *home) return fs::path(home);
    std::error_code ec;
    const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    if (!ec && !exe.empty()) return exe.parent_path();
    return fs::current_path(ec);
}

const fs::path& ProgramFolder() { return gProgramFolder; }

fs::path ProgramFile(std::string_view name) { return gProgramFolder / fs::u8path(name); }

// ---------------------------------------------------------------------------
// Start-up and exit
// ---------------------------------------------------------------------------

void EnsureWritable(const fs::path& path)
{
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return;  // missing: its settings object creates it on the first write
    if ((st.st_mode & S_IWUSR) == 0) ::chmod(path.c_str(), (st.st_mode & 07777) | S_IWUSR);
    if (::faccessat(AT_FDCWD, path.c_str(), W_OK, AT_EACCESS) != 0) throw EReadOnlyMedia(path);
}

void OptionsRelease()
{
    gCache = EditionCacheState {};
    IniCarotix = IniEdition = IniModeles = IniSql = IniCsv = IniStrati = IniDravel = IniRapport = nullptr;
    gIni = IniObjects {};
    EditionIniPath.clear();
    InfobullePath.clear();
    // The globals loaded from the files go back to their defaults with them:
    // nothing read from a folder outlives the objects that read it (tests open
    // one temporary folder after another in the same process).
    ResetGlobals();
    gInitialized = false;
}

bool OptionsInitialized() { return gInitialized; }

void OptionsInitialize(const fs::path& programFolder)
{
    OptionsRelease();
    ResetGlobals();
    std::error_code ec;
    fs::path dir = fs::absolute(programFolder, ec);
    if (ec) dir = programFolder;

    // Every setting is written through a temporary file renamed over the old
    // one, so the folder itself must be writable as well as each file.
    EnsureWritable(dir);
    for (const char* name : {"carotix.ini", "edition.ini", "modeles.ini", "sql.ini", "csv.ini", "strati.ini",
                             "dravel.ini", "infobulle.txt"})
        EnsureWritable(dir / name);

    gProgramFolder = dir;
    try {
        // The keys start-up adds (missing colours...) go to each file in one
        // rewrite, however large the file.
        IniWriteBatch batch;
        gIni.carotix = std::make_unique<TIniFile>(dir / "carotix.ini");
        IniCarotix = gIni.carotix.get();
        // Start-up stores the missing colours: a carotix.ini that cannot be
        // read back whole stops it with the message of that write, before a
        // read tells the same once more.
        IniCarotix->RequireReadable();
        OracleFilterName = IniCarotix->ReadString("Oracle", "Filtre", "");
        ColoursLoad();

        EditionIniPath = dir / "edition.ini";
        gIni.edition = std::make_unique<TIniFile>(EditionIniPath);
        IniEdition = gIni.edition.get();
        IniEdition->SetAfterWrite([] {
            // The program's own change must show at once, whatever the age of
            // the cached sections.
            gCache.sections.clear();
            gCache.loaded = false;
        });
        LoadEditionText();

        gIni.modeles = std::make_unique<TIniFile>(dir / "modeles.ini");
        gIni.sql = std::make_unique<TIniFile>(dir / "sql.ini");
        gIni.csv = std::make_unique<TIniFile>(dir / "csv.ini");
        gIni.strati = std::make_unique<TIniFile>(dir / "strati.ini");
        gIni.dravel = std::make_unique<TIniFile>(dir / "dravel.ini");
        gIni.rapport = std::make_unique<TIniFile>(dir / "rapport.ini");
        IniModeles = gIni.modeles.get();
        IniSql = gIni.sql.get();
        IniCsv = gIni.csv.get();
        IniStrati = gIni.strati.get();
        IniDravel = gIni.dravel.get();
        IniRapport = gIni.rapport.get();
        InfobullePath = dir / "infobulle.txt";

        LoadOptionGlobals();
        batch.Commit();
    } catch (...) {
        OptionsRelease();
        throw;
    }
    gInitialized = true;
}

void OptionsFinalize()
{
    if (!gInitialized) return;
    EditionCacheClear();
    try {
        IniCarotix->WriteString("Général", "NomTubeSimple", OptNomTubeSimple);
        IniCarotix->WriteString("Général", "EnteteMultitube", OptEnteteMultitube);
    } catch (...) {
        OptionsRelease();
        throw;
    }
    OptionsRelease();
}

void LoadOptionGlobals()
{
    if (!IniCarotix) return;
    const TIniFile& ini = *IniCarotix;
    OptNiveauDeb = ini.ReadString("Dessin", "NiveauDeb", "Deb");
    OptNiveauFin = ini.ReadString("Dessin", "NiveauFin", "Fin");
    OptNiveauType = ini.ReadString("Dessin", "NiveauType", "Type");
    OptTrouNuDeb = ini.ReadString("Dessin", "TrouNuDeb", "Deb");
    OptTrouNuFin = ini.ReadString("Dessin", "TrouNuFin", "Fin");
    OptTrouNuDiam = ini.ReadString("Dessin", "TrouNuDiam", "Diam");
    OptTubageDeb = ini.ReadString("Dessin", "TubageDeb", "Deb");
    OptTubageFin = ini.ReadString("Dessin", "TubageFin", "Fin");
    OptTubageDiam = ini.ReadString("Dessin", "TubageDiam", "Diam");
    OptTubageType = ini.ReadString("Dessin", "TubageType", "Type");
    OptTubageNature = ini.ReadString("Dessin", "TubageNature", "Nature");
    OptAnnulaireDeb = ini.ReadString("Dessin", "AnnulaireDeb", "Deb");
    OptAnnulaireFin = ini.ReadString("Dessin", "AnnulaireFin", "Fin");
    OptAnnulaireType = ini.ReadString("Dessin", "AnnulaireType", "Type");
    OptAnnulaireNature = ini.ReadString("Dessin", "AnnulaireNature", "Nature");
    OptAnnulaireNum = ini.ReadString("Dessin", "AnnulaireNum", "Num");
    OptSymboleEau = ini.ReadString("Dessin", "SymboleEau", "Sinusoïde");
    OptTailleBandeau = ini.ReadInteger("Dessin", "TailleBandeau", 9);
    OptNomTubeSimple = ini.ReadString("Général", "NomTubeSimple", "CUVELAGE");
    OptEnteteMultitube = ini.ReadString("Général", "EnteteMultitube", "PMT");
    OptSolVisible = ini.ReadBool("Dessin", "SolVisible", true);
    OptLatitudeLongitude = ini.ReadString("Dessin", "LatitudeLongitude", "Degré");
    OptMenuBDD = ini.ReadBool("Général", "MenuBDD", true);
    OptDesactiverLissage = ini.ReadBool("Dessin", "DésactiverLissage", false);
}

double OptReadFloat(std::string_view section, std::string_view key, double defaultValue)
{
    if (!IniCarotix) return defaultValue;
    std::string text = IniCarotix->ReadString(section, key, "");
    // Both "." and the user's decimal separator read, as everywhere numbers are
    // typed by hand.
    const char sep = GetDecimalSeparator();
    for (char& c : text)
        if (c == sep) c = '.';
    int errorPos = 0;
    const double v = ValFloat(text, errorPos);
    return errorPos == 0 ? v : defaultValue;
}

// ---------------------------------------------------------------------------
// Colours
// ---------------------------------------------------------------------------

std::uint32_t ColourFromText(std::string_view text)
{
    const std::string squeezed = SqueezeSpaces(text);
    std::uint32_t colour = 0;
    std::uint32_t weight = 1;  // 256^k, wrapping to 0 from the fifth part on
    std::size_t start = 0;
    while (start <= squeezed.size() && !squeezed.empty()) {
        std::size_t space = squeezed.find(' ', start);
        if (space == std::string::npos) space = squeezed.size();
        int errorPos = 0;
        const std::int32_t part = ValInt(std::string_view(squeezed).substr(start, space - start), errorPos);
        colour += static_cast<std::uint32_t>(part) * weight;
        weight *= 256u;
        start = space + 1;
    }
    return colour;
}

std::string ColourToText(std::uint32_t colour)
{
    return IntToStr(colour & 0xFF) + " " + IntToStr((colour >> 8) & 0xFF) + " " + IntToStr((colour >> 16) & 0xFF);
}

void ColoursLoad()
{
    if (!IniCarotix) return;
    for (std::size_t i = 0; i < ColourTable.size(); ++i) {
        const std::string key = "Couleur" + IntToStr(static_cast<std::int64_t>(i));
        std::string text = SqueezeSpaces(IniCarotix->ReadString("Couleurs", key, ""));
        if (text.empty()) {
            text = kDefaultColourTexts[i];
            IniCarotix->WriteString("Couleurs", key, text);
        }
        ColourTable[i] = ColourFromText(text);
    }
}

void ColoursSave()
{
    if (!IniCarotix) return;
    for (std::size_t i = 0; i < ColourTable.size(); ++i)
        IniCarotix->WriteString("Couleurs", "Couleur" + IntToStr(static_cast<std::int64_t>(i)),
                                ColourToText(ColourTable[i]));
}

// ---------------------------------------------------------------------------
// Stratigraphic scale
// ---------------------------------------------------------------------------

void StratiScaleLoad()
{
    StratiScale.clear();
    StratiScaleLoaded = true;
    if (!IniStrati) return;
    for (const std::string& line : IniStrati->ReadSectionValues("Stratigraphie")) {
        TStratiUnit unit;
        const std::size_t eq = line.find('=');
        unit.UnitName = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        int errorPos = 0;
        const std::size_t comma = value.find(',');
        if (comma != std::string::npos) {
            unit.StartValue = ValInt(std::string_view(value).substr(0, comma), errorPos);
            unit.EndValue = ValInt(std::string_view(value).substr(comma + 1), errorPos);
        } else {
            unit.StartValue = unit.EndValue = ValInt(value, errorPos);
        }
        StratiScale.push_back(std::move(unit));
    }
}

void StratiScaleSave(const std::function<void()>& stepProgress)
{
    if (!IniStrati) return;
    std::vector<std::string> lines;
    lines.reserve(StratiScale.size());
    for (const TStratiUnit& unit : StratiScale) {
        lines.push_back(unit.UnitName + "=" + IntToStr(unit.StartValue) + "," + IntToStr(unit.EndValue));
        if (stepProgress) stepProgress();
    }
    // One write of the whole section: writing key by key would merge units
    // that share a name (keys match without regard to case).
    IniStrati->WriteSection("Stratigraphie", lines);
}

// ---------------------------------------------------------------------------
// Coordinate unit
// ---------------------------------------------------------------------------

void SetActiveCollectionUnitXY(std::function<std::optional<std::string>()> get,
                               std::function<bool(const std::string&)> set)
{
    gActiveUnitGet = std::move(get);
    gActiveUnitSet = std::move(set);
}

std::string GetDefaultUnitXY() { return IniCarotix ? IniCarotix->ReadString("Dessin", "UnitéXY", "km") : "km"; }

std::string GetUnitXY()
{
    if (gActiveUnitGet)
        if (std::optional<std::string> unit = gActiveUnitGet()) return *unit;
    return GetDefaultUnitXY();
}

void SetUnitXY(const std::string& unit)
{
    if (gActiveUnitSet) gActiveUnitSet(unit);
    if (IniCarotix) IniCarotix->WriteString("Dessin", "UnitéXY", unit);
}

// ---------------------------------------------------------------------------
// edition.ini cache
// ---------------------------------------------------------------------------

void SetEditionCacheClock(std::function<CacheClock::time_point()> clock) { gCacheClock = std::move(clock); }

int EditionSectionGet(std::string_view name)
{
    const auto now = CacheNow();
    for (std::size_t i = 0; i < gCache.sections.size(); ++i) {
        CachedSection& s = gCache.sections[i];
        if (s.name != name) continue;
        if (now - s.cachedAt <= kSectionLifetime) return static_cast<int>(i);
        // Older: served again only while the file is unchanged; its time is
        // not renewed, so every later request compares again.
        if (!RefreshEditionTextIfChanged()) return static_cast<int>(i);
        break;  // the file changed: every section was dropped
    }
    // A section never asked for is built from a text checked against the file
    // first: a text loaded long ago must not be served as current.
    RefreshEditionTextIfChanged();
    gCache.sections.push_back(CachedSection {std::string(name), BuildSection(gCache.text, name), now});
    return static_cast<int>(gCache.sections.size() - 1);
}

void EditionSectionLoad(std::string_view name, std::vector<std::string>& lines)
{
    lines = gCache.sections[static_cast<std::size_t>(EditionSectionGet(name))].lines;
}

std::vector<std::string> EditionSectionLines(std::string_view name)
{
    return gCache.sections[static_cast<std::size_t>(EditionSectionGet(name))].lines;
}

void EditionCacheClear() { gCache.sections.clear(); }

std::string LexiconLabelForCode(std::string_view section, std::int32_t code)
{
    const std::vector<std::string>& lines = gCache.sections[static_cast<std::size_t>(EditionSectionGet(section))].lines;
    for (const std::string& line : lines) {
        const std::size_t eq = line.find('=');
        std::string_view rest = eq == std::string::npos ? std::string_view() : std::string_view(line).substr(eq + 1);
        if (const std::size_t next = rest.find('='); next != std::string_view::npos) rest = rest.substr(0, next);
        int errorPos = 0;
        if (ValInt(rest, errorPos) != code) continue;
        std::string label = LowerCase(std::string_view(line).substr(0, eq));
        for (char& c : label)
            if (c == '-') c = ' ';
        return label == "null" ? std::string() : label;
    }
    return {};
}

std::string LexiconValueForName(std::string_view section, std::string_view name)
{
    const std::vector<std::string>& lines = gCache.sections[static_cast<std::size_t>(EditionSectionGet(section))].lines;
    for (const std::string& line : lines) {
        const std::size_t eq = line.find('=');
        if (eq == std::string::npos) continue;
        if (std::string_view(line).substr(0, eq) == name) return line.substr(eq + 1);
    }
    return {};
}
