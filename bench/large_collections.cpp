// The commands of the main window on large collections: generated
// collections of 5,000, 20,000 and 100,000 boreholes (Ouvrage, Dossier, 8 to
// 30 described and coded levels, casing) opened in the real program
// (units, windows, log window) offscreen, one run per size: opening, sorting
// by two columns (header clicks), selecting all, inverting the selection,
// copy, paste into a new collection, recoding, a level search, the levels,
// Google Earth, fixed-width and CSV exports, a backup pass (the timer's slot),
// the empty-ouvrage filter, the three views, saving, closing, and deleting
// half of the pasted ouvrages (selected as a shift-click does). Every command
// but those noted runs through its menu item and prints its time per borehole
// at each size, wall-clock and processor; the tables end with the ratio of
// the largest size to the smallest. The program's memory with each
// collection open is measured in a program of its own that opens that
// collection and nothing else.
//
// Budgets (release build): opening 20,000 boreholes within 1 s and 100,000
// within 5 s; for every command, the time per borehole at 100,000 at most 1.5
// times the time per borehole at 5,000; the memory of the program with
// 100,000 boreholes open at most three times the file's size plus 100 MB.
//
//   bench_large_collections [size...]     (default: 5000 20000 100000)
//   bench_large_collections --memory FILE (the memory of the program with
//                                          FILE open, printed in KiB)
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "coding/windows/level_search_window.h"
#include "exchange/windows/csv_export_window.h"
#include "exchange/windows/levels_kml_commands.h"
#include "exchange/windows/save_oracle_window.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "platform/base/ini_file.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {

// ---------------------------------------------------------------------------
// The generated collection
// ---------------------------------------------------------------------------

const char* const kDescriptions[] = {
    "Terre v\xC3\xA9g\xC3\xA9tale brune",
    "Remblais divers, briques et b\xC3\xA9ton",
    "Limon brun argileux",
    "Argile sableuse grise \xC3\xA0 pass\xC3\xA9""es de graviers",
    "Sable fin \xC3\xA0 moyen, gris-beige",
    "Sable et graviers roul\xC3\xA9s, quelques galets",
    "Graviers sableux \xC3\xA0 galets calcaires",
    "Argile plastique verte",
    "Marne grise \xC3\xA0 pass\xC3\xA9""es calcaires",
    "Calcaire fissur\xC3\xA9 beige, karstique",
    "Craie blanche \xC3\xA0 silex",
    "Craie alt\xC3\xA9r\xC3\xA9""e, marneuse",
    "Alluvions sableuses et graveleuses",
    "Gr\xC3\xA8s ferrugineux roux",
    "Granite ar\xC3\xA9nis\xC3\xA9",
    "Schiste alt\xC3\xA9r\xC3\xA9 noir\xC3\xA2tre",
    "Tourbe noire",
    "Argile \xC3\xA0 silex rouge",
    "Sable glauconieux vert, coquillier",
};
const char* const kCodes[] = {"TV", "X", "LA", "AS", "S", "SG", "G", "A", "M", "C",
                              "CR", "CR", "AL", "GR", "GRA", "SC", "T", "AX", "SGL"};
const char* const kTowns[] = {"Rennes", "Vitr\xC3\xA9", "Redon", "Foug\xC3\xA8res", "Dinan", "Ch\xC3\xA2teaubriant",
                              "Lamballe", "Qu\xC3\xA9vert"};
const char* const kNatures[] = {"Forage", "Puits", "Pi\xC3\xA9zom\xC3\xA8tre", "Sondage"};

void AddText(TDirBlock& table, const char* name, const std::vector<std::string>& values)
{
    if (values.size() == 1) {
        table.AddChild(std::make_unique<TStrBlock>(name, values[0]), true);
        return;
    }
    auto a = std::make_unique<TStrArrayBlock>(name);
    for (const std::string& v : values) a->Append(v);
    table.AddChild(std::move(a), true);
}

void AddFloat(TDirBlock& table, const char* name, const std::vector<double>& values)
{
    if (values.size() == 1) table.AddChild(std::make_unique<TFloatBlock>(name, values[0]), true);
    else table.AddChild(std::make_unique<TFloatArrayBlock>(name, values), true);
}

// Writes the collection and answers the size of its file. The tree is built
// in a child process, so that the program's memory shows the collection it
// opens and nothing of the generator.
std::uintmax_t WriteCollection(const std::string& file, int count)
{
    std::fflush(nullptr);
    const pid_t child = ::fork();
    if (child < 0) {
        std::perror("fork");
        std::exit(2);
    }
    if (child > 0) {
        int status = 0;
        ::waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::fprintf(stderr, "the collection of %d boreholes was not written\n", count);
            std::exit(2);
        }
        return fs::file_size(file);
    }
    std::mt19937 random(12345u + static_cast<unsigned>(count));
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    TDirBlock root("Carotix");
    root.AddChild(std::make_unique<TStrBlock>("Unit\xC3\xA9XY", "m"), true);
    for (int i = 0; i < count; ++i) {
        char indice[32];
        std::snprintf(indice, sizeof indice, "0%03dX%04d", 100 + i / 10000, i % 10000);
        auto hole = std::make_unique<TDirBlock>(indice);
        const std::string design = i % 7 == 0 ? "PZ" : "F";
        const int levels = 8 + pick(23);
        std::vector<double> tops{0.0};
        for (int l = 0; l < levels; ++l) tops.push_back(tops.back() + 0.3 + pick(60) / 10.0);
        const double depth = tops.back();

        auto ouvrage = std::make_unique<TDirBlock>("Ouvrage");
        AddText(*ouvrage, "D\xC3\xA9sign", {design});
        AddText(*ouvrage, "Nature", {kNatures[pick(4)]});
        if (i % 4 == 0) {
            // Some ouvrages are placed in degrees, as Google Earth wants them.
            AddText(*ouvrage, "Zone", {"9"});
            AddFloat(*ouvrage, "X", {-2.0 + pick(20000) / 10000.0});
            AddFloat(*ouvrage, "Y", {47.5 + pick(15000) / 10000.0});
        } else {
            AddFloat(*ouvrage, "X", {300000.0 + pick(100000)});
            AddFloat(*ouvrage, "Y", {2300000.0 + pick(100000)});
        }
        AddFloat(*ouvrage, "Z", {5.0 + pick(2000) / 10.0});
        AddFloat(*ouvrage, "Prof", {depth});
        hole->AddChild(std::move(ouvrage), true);

        auto dossier = std::make_unique<TDirBlock>("Dossier");
        AddText(*dossier, "Nature", {kNatures[pick(4)]});
        AddText(*dossier, "Lieu-Dit", {"Lieu-dit " + std::to_string(pick(5000))});
        AddText(*dossier, "Commune", {kTowns[pick(8)]});
        AddText(*dossier, "Dep", {"35"});
        hole->AddChild(std::move(dossier), true);

        auto niveau = std::make_unique<TDirBlock>("Niveau");
        std::vector<std::string> designs, lithos, codes;
        std::vector<double> from, to;
        for (int l = 0; l < levels; ++l) {
            const int d = pick(19);
            designs.push_back(design);
            from.push_back(tops[static_cast<std::size_t>(l)]);
            to.push_back(tops[static_cast<std::size_t>(l) + 1]);
            lithos.push_back(kDescriptions[d]);
            codes.push_back(kCodes[d]);
        }
        AddText(*niveau, "D\xC3\xA9sign", designs);
        AddFloat(*niveau, "Deb", from);
        AddFloat(*niveau, "Fin", to);
        AddText(*niveau, "Litho", lithos);
        AddText(*niveau, "CodeNiv", codes);
        hole->AddChild(std::move(niveau), true);

        auto tubage = std::make_unique<TDirBlock>("Tubage");
        AddText(*tubage, "D\xC3\xA9sign", {design, design});
        AddFloat(*tubage, "Deb", {0.0, depth * 0.6});
        AddFloat(*tubage, "Fin", {depth * 0.6, depth});
        AddFloat(*tubage, "Diam", {160.0, 160.0});
        AddText(*tubage, "Type", {"PLEIN", "CREPINE"});
        AddText(*tubage, "Nature", {"PVC", "PVC"});
        hole->AddChild(std::move(tubage), true);

        root.AddChild(std::move(hole), true);
    }
    root.SaveToFile(file);
    std::_Exit(0);
}

// ---------------------------------------------------------------------------
// The program
// ---------------------------------------------------------------------------

std::int64_t MemoryKb(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field, 0) == 0) return std::atoll(line.c_str() + std::string(field).size());
    return -1;
}

// The memory of a program that opens the file and nothing else, in KiB.
std::int64_t MemoryWithOpenKb(const std::string& file)
{
    const std::string command = "'" + fs::read_symlink("/proc/self/exe").string() + "' --memory '" + file + "'";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return -1;
    std::int64_t kb = -1;
    char line[256];
    while (std::fgets(line, sizeof line, pipe))
        if (std::string(line).rfind("memory ", 0) == 0) kb = std::atoll(line + 7);
    ::pclose(pipe);
    return kb;
}

QAction* MenuItem(TFMain& main, const QString& caption)
{
    QString wanted = caption;
    wanted.remove(QLatin1Char('&'));
    for (QMenu* menu : main.menuBar()->findChildren<QMenu*>())
        for (QAction* a : menu->actions())
            if (QString(a->text()).remove(QLatin1Char('&')) == wanted) return a;
    std::fprintf(stderr, "no menu item %s\n", caption.toUtf8().constData());
    std::exit(2);
}

// Runs a menu item as a click would: the menu's own enabling first.
void Run(TFMain& main, const QString& caption)
{
    QAction* item = MenuItem(main, caption);
    for (QMenu* menu : main.menuBar()->findChildren<QMenu*>())
        if (menu->actions().contains(item)) emit menu->aboutToShow();
    if (!item->isEnabled()) {
        std::fprintf(stderr, "menu item %s disabled\n", caption.toUtf8().constData());
        std::exit(2);
    }
    item->trigger();
}

void Settle()
{
    QApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QApplication::processEvents();
}

// Answers the next modal dialog once it shows.
void WhenDialogShows(const std::function<void(QWidget*)>& answer)
{
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [answer, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) answer(w);
        else QTimer::singleShot(1, *poll);
    };
    QTimer::singleShot(0, *poll);
}

// The wall-clock time and the processor time of the program: on a busy
// machine the second shows the work of the command alone.
double CpuNow()
{
    timespec t{};
    ::clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

struct Clock {
    struct time_point {
        std::chrono::steady_clock::time_point wall;
        double cpu;
    };
    static time_point now() { return {std::chrono::steady_clock::now(), CpuNow()}; }
};

struct Elapsed {
    double wall;
    double cpu;
};

Elapsed Seconds(Clock::time_point since)
{
    return {std::chrono::duration<double>(std::chrono::steady_clock::now() - since.wall).count(), CpuNow() - since.cpu};
}

struct Results {
    std::map<std::string, std::map<int, Elapsed>> seconds;   // command -> size -> s
    std::map<std::string, std::map<int, int>> boreholes;     // command -> size -> boreholes it acted on
    std::vector<std::string> order;
    // `acted` is the number of boreholes the command acted on, the size of
    // the collection unless told.
    void Add(const std::string& command, int size, Elapsed s, int acted = 0)
    {
        if (acted <= 0) acted = size;
        if (!seconds.count(command)) order.push_back(command);
        seconds[command][size] = s;
        boreholes[command][size] = acted;
        std::printf("  %-30s %8.3f s %8.2f us/borehole   processor %8.3f s %8.2f us/borehole\n", command.c_str(),
                    s.wall, s.wall * 1e6 / acted, s.cpu, s.cpu * 1e6 / acted);
        std::fflush(stdout);
    }
    void Table(const std::vector<int>& sizes, bool cpu) const
    {
        std::printf("\n%-30s", cpu ? "processor us/borehole" : "wall-clock us/borehole");
        for (int n : sizes) std::printf(" %9d", n);
        std::printf("   largest/smallest\n");
        for (const std::string& command : order) {
            std::printf("%-30s", command.c_str());
            const auto& by = seconds.at(command);
            const auto& acted = boreholes.at(command);
            auto per = [&](int n) { return (cpu ? by.at(n).cpu : by.at(n).wall) * 1e6 / acted.at(n); };
            for (int n : sizes) std::printf(" %9.2f", per(n));
            const double ratio = per(sizes.back()) / per(sizes.front());
            std::printf("   %5.2f%s\n", ratio, ratio > 1.5 ? "  OVER 1.5" : "");
        }
    }
};

void ExpectFile(const fs::path& file, std::uintmax_t atLeast)
{
    std::error_code ec;
    const std::uintmax_t bytes = fs::file_size(file, ec);
    if (ec || bytes < atLeast) {
        std::fprintf(stderr, "%s: %ju bytes written\n", file.string().c_str(), ec ? 0 : bytes);
        std::exit(2);
    }
}

void ExpectFolder(const fs::path& folder, std::uintmax_t atLeast)
{
    std::uintmax_t bytes = 0;
    for (const auto& e : fs::directory_iterator(folder)) bytes += e.file_size();
    if (bytes < atLeast) {
        std::fprintf(stderr, "%s: %ju bytes written\n", folder.string().c_str(), bytes);
        std::exit(2);
    }
}

void RunSize(ProgramSession& session, FakeUiServices& ui, const fs::path& work, int count, Results& results)
{
    TFMain& main = *session.Main();
    const std::string file = (work / ("collection_" + std::to_string(count) + ".crx")).string();
    const std::uintmax_t bytes = WriteCollection(file, count);
    std::printf("%d boreholes, %.1f MB\n", count, bytes / 1e6);
    // The memory first, in a program of its own: in this one the heap still
    // holds what the smaller collections left.
    const std::int64_t rss = MemoryWithOpenKb(file);
    const double budget = (3.0 * static_cast<double>(bytes) + 100e6) / 1048576.0;
    std::printf("  memory of the program with the collection open: %.1f MiB; budget %.1f MiB (three times the file "
                "plus 100 MB)%s\n",
                rss / 1024.0, budget, rss / 1024.0 > budget ? "  OVER BUDGET" : "");

    // Opening: the list filled and the first ouvrage's log drawn.
    Clock::time_point t = Clock::now();
    TFChild* child = main.OpenCollectionFile(file);
    Settle();
    results.Add("ouvrir", count, Seconds(t));
    if (child->Rows().size() != static_cast<std::size_t>(count)) {
        std::fprintf(stderr, "%zu rows listed for %d boreholes\n", child->Rows().size(), count);
        std::exit(2);
    }
    if (count == 20000 || count == 100000) {
        const double limit = count == 20000 ? 1.0 : 5.0;
        const double took = results.seconds["ouvrir"][count].wall;
        std::printf("  opening budget %.0f s: %.3f s%s\n", limit, took, took > limit ? "  OVER BUDGET" : "");
    }

    // Sorting by the "Commune" column, then by the "Lieu-Dit" column.
    t = Clock::now();
    child->HeaderClicked(4);
    Settle();
    results.Add("trier (Commune)", count, Seconds(t));
    t = Clock::now();
    child->HeaderClicked(3);
    Settle();
    results.Add("trier (Lieu-Dit)", count, Seconds(t));

    // Select all, copy, a new collection, paste.
    t = Clock::now();
    Run(main, QString::fromUtf8("S\xC3\xA9lectionner tous les ouvrages"));
    Settle();
    results.Add("tout s\xC3\xA9lectionner", count, Seconds(t));
    // The first half selected (as a shift-click does), the selection
    // inverted twice, then every ouvrage selected again.
    std::vector<int> half;
    for (int r = 0; r < count / 2; ++r) half.push_back(r);
    child->SelectRows(half);
    Settle();
    t = Clock::now();
    Run(main, QString::fromUtf8("Inverser la s\xC3\xA9lection"));
    Settle();
    Run(main, QString::fromUtf8("Inverser la s\xC3\xA9lection"));
    Settle();
    results.Add("inverser (deux fois)", count, Seconds(t));
    if (child->GetSelectedRows() != half) {
        std::fprintf(stderr, "%zu rows selected after inverting twice\n", child->GetSelectedRows().size());
        std::exit(2);
    }
    Run(main, QString::fromUtf8("S\xC3\xA9lectionner tous les ouvrages"));
    Settle();
    t = Clock::now();
    Run(main, QStringLiteral("Copier les ouvrages"));
    Settle();
    results.Add("copier", count, Seconds(t));
    t = Clock::now();
    Run(main, QStringLiteral("&Nouvelle collection"));
    Run(main, QStringLiteral("Coller dans la collection courante"));
    Settle();
    results.Add("coller (nouvelle collection)", count, Seconds(t));
    TFChild* pasted = main.ActiveChild();
    if (pasted == child || pasted->Rows().size() != static_cast<std::size_t>(count)) {
        std::fprintf(stderr, "the paste listed %zu rows\n", pasted->Rows().size());
        std::exit(2);
    }

    // Back to the opened collection: recode every level.
    main.MdiArea->setActiveSubWindow(qobject_cast<QMdiSubWindow*>(child->parentWidget()));
    Settle();
    Run(main, QString::fromUtf8("S\xC3\xA9lectionner tous les ouvrages"));
    t = Clock::now();
    Run(main, QString::fromUtf8("Recoder les ouvrages s\xC3\xA9lectionn\xC3\xA9s"));
    Settle();
    results.Add("recoder", count, Seconds(t));

    // The level search on every ouvrage.
    WhenDialogShows([](QWidget* w) {
        auto* dialog = qobject_cast<TFRechNiv*>(w);
        if (!dialog) return;
        dialog->RTousOuvr->setChecked(true);
        dialog->EMotsCles->setText(QStringLiteral("ARGILE"));
        dialog->BOk->click();
    });
    t = Clock::now();
    Run(main, QString::fromUtf8("Rechercher des niveaux..."));
    Settle();
    results.Add("rechercher des niveaux", count, Seconds(t));

    // The levels the search selected, to a CSV file.
    const fs::path levelsFile = work / ("niveaux_" + std::to_string(count) + ".csv");
    ui.AnswerFile(levelsFile.string());
    t = Clock::now();
    Run(main, QString::fromUtf8(kLevelsExportMenuCaption));
    Settle();
    results.Add("exporter niveaux", count, Seconds(t));
    ExpectFile(levelsFile, count * 50);

    // The ouvrages placed in degrees, to a KML file.
    const fs::path kmlFile = work / ("points_" + std::to_string(count) + ".kml");
    ui.AnswerFile(kmlFile.string());
    t = Clock::now();
    Run(main, QString::fromUtf8(kKmlExportMenuCaption));
    Settle();
    results.Add("exporter Google Earth", count, Seconds(t));
    ExpectFile(kmlFile, count * 30);

    // The fixed-width files of the BSS filter, into a folder of their own.
    const fs::path oraFolder = work / ("ora_" + std::to_string(count));
    fs::create_directories(oraFolder);
    OracleFilterName = (work / "programme" / "filtre_bss.txt").string();
    IniCarotix->WriteString("Oracle", "R\xC3\xA9pertoire", oraFolder.string());
    WhenDialogShows([](QWidget* w) {
        if (auto* dialog = qobject_cast<TFSaveOracle*>(w)) dialog->BOk->click();
    });
    t = Clock::now();
    Run(main, QString::fromUtf8(kOracleExportMenuCaption));
    Settle();
    results.Add("exporter fichiers Ora", count, Seconds(t));
    ExpectFolder(oraFolder, count * 200);

    // One pass of the crash-recovery copies, both collections open.
    t = Clock::now();
    const BackupPassResult pass = session.TimerSauvegardeTimer();
    results.Add("passe de sauvegarde", count, Seconds(t));
    if (pass.written != 2) {
        std::fprintf(stderr, "the backup pass wrote %d copies\n", pass.written);
        std::exit(2);
    }

    // The empty-ouvrage filter on, then off.
    t = Clock::now();
    Run(main, QStringLiteral("Filtrer les ouvrages vides"));
    Settle();
    Run(main, QStringLiteral("Filtrer les ouvrages vides"));
    Settle();
    results.Add("filtrer (deux fois)", count, Seconds(t));

    // The icon view, the log-strip view, back to the list.
    t = Clock::now();
    Run(main, QString::fromUtf8("Ic\xC3\xB4nes"));
    Settle();
    results.Add("vue Ic\xC3\xB4nes", count, Seconds(t));
    t = Clock::now();
    Run(main, QStringLiteral("Logs"));
    Settle();
    results.Add("vue Logs", count, Seconds(t));
    t = Clock::now();
    Run(main, QStringLiteral("Liste"));
    Settle();
    results.Add("vue Liste", count, Seconds(t));

    // CSV export of the listed ouvrages into a folder of its own.
    const fs::path csvFolder = work / ("csv_" + std::to_string(count));
    fs::create_directories(csvFolder);
    IniCarotix->WriteString("CSV", "R\xC3\xA9pertoire", csvFolder.string());
    WhenDialogShows([](QWidget* w) {
        if (auto* dialog = qobject_cast<TFExpCsv*>(w)) dialog->BOk->click();
    });
    t = Clock::now();
    Run(main, QStringLiteral("Exporter &Csv..."));
    Settle();
    results.Add("exporter Csv", count, Seconds(t));
    ExpectFolder(csvFolder, count * 100);

    t = Clock::now();
    Run(main, QStringLiteral("En&registrer"));
    Settle();
    results.Add("enregistrer", count, Seconds(t));

    // Closing: the saved collection, then the pasted one (not saved).
    t = Clock::now();
    Run(main, QStringLiteral("Fermer"));
    Settle();
    results.Add("fermer", count, Seconds(t));

    // In the pasted collection, the first half of the ouvrages selected (as
    // a shift-click does) and deleted.
    pasted->SelectRows(half);
    Settle();
    ui.AnswerMessage(MsgResult::Yes, "Suppression");
    t = Clock::now();
    Run(main, QStringLiteral("Supprimer les ouvrages"));
    Settle();
    results.Add("supprimer (la moiti\xC3\xA9)", count, Seconds(t), count / 2);
    if (pasted->Rows().size() != static_cast<std::size_t>(count - count / 2)) {
        std::fprintf(stderr, "%zu rows left after the deletion\n", pasted->Rows().size());
        std::exit(2);
    }

    ui.AnswerMessage(MsgResult::No);
    t = Clock::now();
    Run(main, QStringLiteral("Fermer"));
    Settle();
    results.Add("fermer sans enregistrer", count, Seconds(t), count - count / 2);
    if (!main.Children().empty()) {
        std::fprintf(stderr, "a collection window stayed open\n");
        std::exit(2);
    }
    fs::remove(file);
    fs::remove(levelsFile);
    fs::remove(kmlFile);
    fs::remove_all(csvFolder);
    fs::remove_all(oraFolder);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const bool memoryOnly = argc == 3 && std::string(argv[1]) == "--memory";
    std::vector<int> sizes;
    for (int i = 1; i < argc && !memoryOnly; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {5000, 20000, 100000};

    FakeUiServices ui;
    ui.SetAutoOk(true);
    ui.SetThrowOnUnexpected(false);
    ScopedUi useUi(ui);

    std::random_device rd;
    const fs::path work = fs::temp_directory_path() / ("carotix-bench-large-" + std::to_string(rd()));
    const fs::path program = work / "programme";
    fs::create_directories(program);
    fs::copy(CAROTIX_DATA_DIR, program, fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    const fs::path library = fs::path(CAROTIX_PROGRAM_DIR) / "Codage.so";
    if (fs::exists(library)) fs::copy_file(library, program / "Codage.so", fs::copy_options::overwrite_existing);

    int status = 0;
    if (!InitializeUnits(program)) {
        std::fprintf(stderr, "the units did not start\n");
        return 2;
    }
    {
        auto session = std::make_unique<ProgramSession>();
        session->EndProgram = [] {};
        session->Show();
        // The bench runs the backup pass itself: left to its timer, a pass
        // would fall into whichever command was being timed.
        if (session->TimerSauvegarde) session->TimerSauvegarde->stop();
        Settle();
        if (memoryOnly) {
            TFChild* child = session->Main()->OpenCollectionFile(argv[2]);
            Settle();
            if (child->Rows().empty()) status = 2;
            std::printf("memory %lld\n", static_cast<long long>(MemoryKb("VmRSS:")));
            std::fflush(stdout);
            ui.AnswerMessage(MsgResult::No);
        } else {
            Results results;
            for (int n : sizes) RunSize(*session, ui, work, n, results);
            results.Table(sizes, false);
            results.Table(sizes, true);
        }
        session->Main()->close();
        session.reset();
    }
    FinalizeUnits();
    std::error_code ec;
    fs::remove_all(work, ec);
    return status;
}
