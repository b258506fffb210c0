// Every reader of a file refuses a named pipe and a folder in place of the
// file at once, without blocking: settings (at start-up too), edition.ini's
// cache, the tooltip template, filter files, fixed-width data, CSV, Dravel,
// Vexto, RTF help texts, coding rules and word lists, collections and the
// bottom picture of the logs. A pipe without a writer blocks a plain open for
// ever; an alarm turns such a hang into a failure.
#include <gtest/gtest.h>

#include <QTextDocument>

#include <csignal>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/windows/info_window.h"
#include "coding/coding_rules.h"
#include "drawing/title_block.h"
#include "exchange/csv_exchange.h"
#include "exchange/dravel_import.h"
#include "exchange/filter_file.h"
#include "exchange/fixed_width_import.h"
#include "exchange/vexto_import.h"
#include "platform/base/ini_file.h"
#include "platform/base/safe_files.h"
#include "platform/rtf_reader.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Fails the test program (rather than hanging ctest) when a reader blocks.
class HangGuard {
public:
    HangGuard() { ::alarm(60); }
    ~HangGuard() { ::alarm(0); }
};

enum class Kind { Pipe, Folder };

// Makes `file` a named pipe or a folder.
void Replace(const fs::path& file, Kind kind)
{
    std::error_code ec;
    fs::remove_all(file, ec);
    if (kind == Kind::Pipe)
        ASSERT_EQ(::mkfifo(file.c_str(), 0644), 0);
    else
        fs::create_directory(file);
}

// True when the reader refused the file: it threw, or answered false.
bool Refused(const std::function<bool()>& read)
{
    try {
        return !read();
    } catch (const std::exception&) {
        return true;
    }
}

}  // namespace

TEST(Readers, RefuseAPipeOrAFolderWithoutBlocking)
{
    HangGuard guard;
    TempProgramDir program;
    OptionsInitialize(program.path());
    TDirBlock root("Carotix");
    // Named after a table of the shipped filter, so that the fixed-width
    // import goes as far as opening its data file.
    const fs::path f = program / "ouvrage.ora";
    const std::string s = f.string();
    struct Reader {
        const char* name;
        std::function<bool()> read;
    };
    const std::vector<Reader> readers = {
        {"bounded reader", [&] { std::string b; return ReadFileBounded(f, b, nullptr); }},
        {"settings", [&] { return TIniFile(f).ReadString("Dessin", "NiveauDeb", "absent") != "absent"; }},
        {"settings write", [&] { TIniFile(f).WriteString("A", "B", "C"); return true; }},
        {"template", [&] { return !TooltipText(f, root, "F1", "F1").empty(); }},
        {"filter", [&] { ReadFilterFileText(s); return true; }},
        {"fixed-width data", [&] {
             OracleImportReport report;
             ImportOracleFile(s, &root, (program / "filtre_bss.txt").string(), report);
             return true;
         }},
        {"fields", [&] { TextFieldReader::LoadFromFile(s); return true; }},
        {"CSV", [&] { CsvReport report; ImportCsvFile(s, root, report); return true; }},
        {"Dravel", [&] { DravelReport report; ImportDravel(s, root, report); return true; }},
        {"Vexto", [&] { DravelReport report; ImportVexto(s, root, report); return true; }},
        {"RTF", [&] { QTextDocument doc; return LoadRtfFile(s, doc).ok; }},
        {"rules and word lists", [&] {
             TextGrid grid({"", "Mot"}, 1);
             LoadGridFromCsv(grid, f);
             return true;
         }},
        {"collection", [&] { TDirBlock r("Carotix"); r.LoadFromFile(s); return true; }},
        {"picture", [&] { return ChargerImageBas(f); }},
    };
    for (const Kind kind : {Kind::Pipe, Kind::Folder}) {
        Replace(f, kind);
        for (const Reader& r : readers)
            EXPECT_TRUE(Refused(r.read)) << r.name << (kind == Kind::Pipe ? " read a pipe" : " read a folder");
    }
    OptionsRelease();
}

TEST(Readers, StartUpWithSettingsFilesReplacedByPipesOrFolders)
{
    HangGuard guard;
    for (const Kind kind : {Kind::Pipe, Kind::Folder}) {
        TempProgramDir program;
        Replace(program / "carotix.ini", kind);
        Replace(program / "edition.ini", kind);
        // Start-up ends at once: it refuses the settings file with a message
        // that names it (adding the missing colours would destroy it).
        try {
            OptionsInitialize(program.path());
            ADD_FAILURE() << "a settings file that cannot be read was taken as empty";
        } catch (const EIniFileError& e) {
            EXPECT_NE(std::string(e.what()).find("carotix.ini"), std::string::npos) << e.what();
        }
        OptionsRelease();
        // edition.ini alone: its lexicons read as empty.
        Replace(program / "carotix.ini", Kind::Folder);
        fs::remove_all(program / "carotix.ini");
        OptionsInitialize(program.path());
        std::vector<std::string> lines;
        EditionSectionLoad("Niveau", lines);
        EXPECT_TRUE(lines.empty());
        OptionsRelease();
    }
}
