#include "app/windows/main_window.h"

#include <QAction>
#include <QCloseEvent>
#include <QCursor>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QStatusBar>
#include <QLayout>
#include <QResizeEvent>
#include <QStyle>
#include <QTimer>
#include <QToolBar>
#include <algorithm>
#include <QToolButton>
#include <filesystem>

#include "app/windows/coding_import_commands.h"
#include "app/windows/main_commands.h"
#include "app/windows/coding_rules_commands.h"
#include "app/windows/report_commands.h"
#include "app/windows/drawing_options_commands.h"
#include "app/windows/colour_title_commands.h"
#include "app/windows/printing_commands.h"
#include "app/windows/structure_commands.h"
#include "app/windows/database_commands.h"
#include "app/windows/exchange_commands.h"
#include "app/windows/more_exchange_commands.h"
#include "app/collection_links.h"
#include "app/windows/about_window.h"
#include "app/windows/collection_window.h"
#include "app/windows/search_commands.h"
#include "coding/windows/coding_command.h"
#include "drawing/windows/metafile_export_window.h"
#include "exchange/windows/csv_export_window.h"
#include "exchange/windows/csv_import_command.h"
#include "exchange/windows/dravel_vexto_commands.h"
#include "exchange/windows/filter_chooser_window.h"
#include "exchange/windows/fixed_width_import_command.h"
#include "exchange/windows/levels_kml_commands.h"
#include "exchange/windows/save_oracle_window.h"
#include "platform/windows/help_window.h"
#include "platform/windows/info_window.h"
#include "app/windows/tables_window.h"
#include "drawing/windows/log_window.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "store/recent_files.h"

TFMain* FMain = nullptr;

namespace {

const char* const kGeneral = "G\xC3\xA9n\xC3\xA9ral";
const char* const kRepertoire = "R\xC3\xA9pertoire";
const char* const kCrxFilter = "Carotix (*.crx)|*.crx";

std::string FolderOf(const std::string& file)
{
    const std::u8string f = std::filesystem::u8path(file).parent_path().u8string();
    return std::string(f.begin(), f.end());
}

}  // namespace

TFMain::TFMain(QWidget* parent) : QMainWindow(parent)
{
    FMain = this;
    setObjectName(QStringLiteral("TFMain"));
    setWindowTitle(QStringLiteral("Carotix"));
    clipboard_ = std::make_unique<TDirBlock>("Carotix");

    MdiArea = new QMdiArea(this);
    MdiArea->setObjectName(QStringLiteral("QMdiArea"));
    setCentralWidget(MdiArea);
    connect(MdiArea, &QMdiArea::subWindowActivated, this,
            GuardedSlot([this](QMdiSubWindow* w) { SubWindowActivated(w); }));

    menuRow_ = addToolBar(QStringLiteral("MenuRow"));
    menuRow_->setObjectName(QStringLiteral("MenuRow"));
    menuRow_->setMovable(false);
    menuRow_->setFloatable(false);
    menuRow_->toggleViewAction()->setVisible(false);
    menuRowBar_ = new QMenuBar(menuRow_);
    menuRowBar_->setObjectName(QStringLiteral("MenuRowBar"));
    menuRowBar_->setNativeMenuBar(false);
    menuRowBar_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    menuRow_->addWidget(menuRowBar_);
    menuRow_->hide();
    addToolBarBreak();
    ToolBarDefaut = addToolBar(QStringLiteral("ToolBarDefaut"));
    ToolBarDefaut->setObjectName(QStringLiteral("ToolBarDefaut"));
    for (int i = 0; i < kDefaultRows; ++i) {
        if (i > 0) addToolBarBreak();
        defaultRows_[i] = addToolBar(QStringLiteral("ToolBarDefautRow%1").arg(i + 1));
        defaultRows_[i]->setObjectName(QStringLiteral("ToolBarDefautRow%1").arg(i + 1));
        defaultRows_[i]->hide();
    }
    // The [Tables] buttons have a row of their own: beside the fixed tool bar
    // a main window as narrow as the log window leaves it would hide most of
    // them behind the overflow arrow.
    addToolBarBreak();
    ToolBarCustomIcons = addToolBar(QStringLiteral("ToolBarCustomIcons"));
    ToolBarCustomIcons->setObjectName(QStringLiteral("ToolBarCustomIcons"));
    ToolBarCustomIcons->setIconSize(QSize(16, 16));
    ToolBarLabelsBtn = addToolBar(QStringLiteral("ToolBarLabelsBtn"));
    ToolBarLabelsBtn->setObjectName(QStringLiteral("ToolBarLabelsBtn"));
    ToolBarLabelsBtn->setToolButtonStyle(Qt::ToolButtonTextOnly);
    statusBar()->setObjectName(QStringLiteral("StatusBar"));

    BuildMenus();
    { const QList<QAction*> all = menuBar()->actions(); menus_.assign(all.begin(), all.end()); }
    menuBar()->installEventFilter(this);
    BuildTableCommands();
    // What the commands need besides their items: the enabling rules of the
    // menus as they open, and the seams of the editors.
    InstallMainCommands(*this);
    InstallCodingAndImportCommands(*this);
    InstallPrintingCommands(*this);
    InstallSearchCommands(*this);
    InstallDrawingOptionsCommands(*this);
    InstallDatabaseCommands(*this);
    // The coordinate unit of the settings is the active collection's own.
    SetActiveCollectionUnitXY(
        [this]() -> std::optional<std::string> {
            if (TFChild* c = ActiveChild()) return c->GetUnitXY();
            return std::nullopt;
        },
        [this](const std::string& unit) {
            TFChild* c = ActiveChild();
            if (!c) return false;
            c->SetUnitXY(unit);
            return true;
        });
    if (Basededonne1) Basededonne1->setVisible(OptMenuBDD);
    if (TelechargeBDD1) TelechargeBDD1->setVisible(OptMenuBDD);
    resize(1024, 720);
}

TFMain::~TFMain()
{
    // The MDI area and the collection windows are destroyed after this body
    // and signal on their way out: nothing may reach this half-destroyed
    // window any more.
    QObject::disconnect(MdiArea, nullptr, this, nullptr);
    for (TFChild* c : findChildren<TFChild*>()) QObject::disconnect(c, nullptr, this, nullptr);
    SetActiveCollectionUnitXY({}, {});
    if (FMain == this) FMain = nullptr;
}

QAction* TFMain::AddItem(QMenu* menu, const QString& caption, const QKeySequence& shortcut)
{
    QAction* a = menu->addAction(caption);
    if (!shortcut.isEmpty()) a->setShortcut(shortcut);
    return a;
}

void TFMain::BuildMenus()
{
    TFMain* m = this;
    // Every item is made here with its command, once.
    auto item = [this](QMenu* menu, const char* caption, const char* objectName, const char* hint,
                       std::function<void()> handler, const QKeySequence& shortcut = {}) {
        QAction* a = AddItem(menu, QString::fromUtf8(caption), shortcut);
        if (objectName) a->setObjectName(QString::fromUtf8(objectName));
        if (hint) a->setStatusTip(QString::fromUtf8(hint));
        connect(a, &QAction::triggered, this, GuardedSlot(std::move(handler)));
        return a;
    };
    auto run = [this](QAction* a, auto fn) { connect(a, &QAction::triggered, this, GuardedSlot(fn)); };

    // &Fichier
    Fichier1 = menuBar()->addMenu(QStringLiteral("&Fichier"));
    QAction* nouveau = AddItem(Fichier1, QStringLiteral("&Nouvelle collection"), QKeySequence(QStringLiteral("Ctrl+N")));
    run(nouveau, [this] { Nouveau1Click(); });
    QAction* ouvrir = AddItem(Fichier1, QStringLiteral("Ou&vrir..."), QKeySequence(QStringLiteral("Ctrl+O")));
    run(ouvrir, [this] { Ouvrir1Click(); });
    Ouvrirrecent1 = Fichier1->addMenu(QStringLiteral("Ouvrir r\u00E9cent"));
    QAction* enregistrer = AddItem(Fichier1, QStringLiteral("En&registrer"));
    run(enregistrer, [this] { Enregistrer1Click(); });
    QAction* sous = AddItem(Fichier1, QStringLiteral("Enregistrer &sous..."));
    run(sous, [this] { if (TFChild* c = ActiveChild()) SaveCollectionAs(c); });
    QAction* fermer = AddItem(Fichier1, QStringLiteral("Fermer"), QKeySequence(QStringLiteral("Ctrl+F4")));
    run(fermer, [this] { if (TFChild* c = ActiveChild()) c->parentWidget()->close(); });
    Fichier1->addSeparator();
    item(Fichier1, kDravelImportMenuCaption, "ImporterDravel1", kDravelImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterDravel1Click(host);
    });
    item(Fichier1, kVextoImportMenuCaption, "ImporterVexto1", kVextoImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterVexto1Click(host);
    });
    item(Fichier1, kOracleImportMenuCaption, "ImporterOracle1", kOracleImportMenuHint, [m] { ImporterOracle1Click(*m); });
    QAction* expOra = item(Fichier1, kOracleExportMenuCaption, "ExporterOracle1", kOracleExportMenuHint, [m] {
        MainExportHost host(*m);
        ExporterOracle1Click(host);
    });
    item(Fichier1, kCsvImportMenuCaption, "ImporterCsv1", kCsvImportMenuHint, [m] {
        MainOracleImportHost host(*m);
        ImporterCsv1Click(host);
    });
    QAction* expCsv = item(Fichier1, kCsvExportMenuCaption, "ExporterCsv1", kCsvExportMenuHint, [m] {
        MainExportHost host(*m);
        ExporterCsv1Click(host);
    });
    QAction* kml = item(Fichier1, kKmlExportMenuCaption, "ExporterversGoogleEarth1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        ExporterversGoogleEarth1Click(host);
    });
    Fichier1->addSeparator();
    QAction* quitter = AddItem(Fichier1, QStringLiteral("&Quitter"));
    run(quitter, [this] { close(); });
    needActive_ = {enregistrer, sous, fermer, expOra, expCsv, kml};
    connect(Fichier1, &QMenu::aboutToShow, this, GuardedSlot([this] { Fichier1Click(); }));

    // &Collection
    Collection1 = menuBar()->addMenu(QStringLiteral("&Collection"));
    QAction* all = AddItem(Collection1, QStringLiteral("S\u00E9lectionner tous les ouvrages"), QKeySequence(QStringLiteral("Ctrl+A")));
    run(all, [this] { if (TFChild* c = ActiveChild()) c->SelectAll(); });
    QAction* none = AddItem(Collection1, QStringLiteral("D\u00E9selectionner tout"), QKeySequence(QStringLiteral("Ctrl+D")));
    run(none, [this] { if (TFChild* c = ActiveChild()) c->SelectRows({}); });
    QAction* invert = AddItem(Collection1, QStringLiteral("Inverser la s\u00E9lection"), QKeySequence(QStringLiteral("Ctrl+I")));
    run(invert, [this] {
        TFChild* c = ActiveChild();
        if (!c) return;
        // Marks, not a search of the selection for every row: the square of
        // the collection's size when most rows are selected.
        std::vector<bool> selected(c->Rows().size(), false);
        for (int r : c->GetSelectedRows())
            if (r >= 0 && r < static_cast<int>(selected.size())) selected[static_cast<std::size_t>(r)] = true;
        std::vector<int> rows;
        for (int r = 0; r < static_cast<int>(selected.size()); ++r)
            if (!selected[static_cast<std::size_t>(r)]) rows.push_back(r);
        c->SelectRows(rows);
    });
    Collection1->addSeparator();
    item(Collection1, kCouperCaption, "Couperlesouvrages1", nullptr, [m] { Couper1Click(*m); },
         QKeySequence(QStringLiteral("Ctrl+X")));
    item(Collection1, kCopierCaption, "Copierlesouvrages1", nullptr, [m] { Copier1Click(*m); },
         QKeySequence(QStringLiteral("Ctrl+C")));
    item(Collection1, kCollerCaption, "Coller1", nullptr, [m] { Coller1Click(*m); },
         QKeySequence(QStringLiteral("Ctrl+V")));
    item(Collection1, kSupprimerCaption, "Supprimerlesouvrages1", nullptr, [m] { Supprimer1Click(*m); },
         QKeySequence(QStringLiteral("Ctrl+Del")));
    Collection1->addSeparator();
    item(Collection1, "Explorer la structure de la collection...", "ExplorerStructure1", nullptr,
         [m] { ExplorerStructure1Click(*m); });
    item(Collection1, "Multiplier un champ...", "MultiplierChamp1", nullptr, [m] { MultiplierChamp1Click(*m); });
    connect(Collection1, &QMenu::aboutToShow, this, GuardedSlot([this] { Ouvrage2Click(); }));

    // O&pérations
    Operations1 = menuBar()->addMenu(QStringLiteral("O&p\u00E9rations"));
    item(Operations1, kExportMetaMenuCaption, "ExporterWMF1", kExportMetaMenuHint,
         [m] { ExporterWMF1Click(m, m->ActiveChild()); });
    item(Operations1, kPrinterSetupMenuCaption, "Configurationdelimpression1", nullptr, [m] { PrinterSetup(*m); });
    item(Operations1, kPrintLogsMenuCaption, "Imprimer1", nullptr, [m] { ShowPrintWindow(*m, false); });
    item(Operations1, kPrintReportsMenuCaption, "ImpressionRapports1", nullptr, [m] { ShowPrintWindow(*m, true); });
    item(Operations1, kListeMotifsCaption, "Imprimerlalistedesmotifs1", nullptr, [m] { ImprimerListeMotifs1Click(*m); });
    item(Operations1, kCoder2Caption, "Coder2", kCoder2Hint, [m] { Coder2Click(*m); });
    item(Operations1, kCoder1Caption, "Coder1", kCoder1Hint, [m] { Coder1Click(*m); });
    item(Operations1, kRechNivMenuCaption, "RechNiv1", nullptr, [m] { RechNiv1Click(*m); });
    item(Operations1, kClearLevelsMenuCaption, "DeSelNiv1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        DeSelNiv1Click(host);
    });
    item(Operations1, kLevelsExportMenuCaption, "ExpNiv1", nullptr, [m] {
        MainLevelsKmlHost host(*m);
        ExpNiv1Click(host);
    });
    connect(Operations1, &QMenu::aboutToShow, this, GuardedSlot([this] { Ouvrage2Click(); }));

    // O&uvrage
    Edition1 = menuBar()->addMenu(QStringLiteral("O&uvrage"));
    NouvelOuvrage1 = AddItem(Edition1, QStringLiteral("Nouvel ouvrage..."));
    run(NouvelOuvrage1, [this] {
        if (!ActiveChild()) Nouveau1Click();
        NewBorehole();
    });
    Renommer1 = item(Edition1, "Renommer...", "Renommer1", nullptr, [m] { Renommer1Click(*m); });
    TelechargeBDD1 = item(Edition1, "T\xC3\xA9l\xC3\xA9" "charger de la base de donn\xC3\xA9" "es", "TelechargeBDD1", nullptr,
                          [m] { TelechargeBDD1Click(*m); });
    connect(Edition1, &QMenu::aboutToShow, this, GuardedSlot([this] { Edition1Click(); }));

    // &Affichage
    Affichage1 = menuBar()->addMenu(QStringLiteral("&Affichage"));
    Liste1 = AddItem(Affichage1, QStringLiteral("Liste"));
    Icones1 = AddItem(Affichage1, QStringLiteral("Ic\u00F4nes"));
    Logs1 = AddItem(Affichage1, QStringLiteral("Logs"));
    for (QAction* a : {Liste1, Icones1, Logs1}) a->setCheckable(true);
    run(Liste1, [this] { if (TFChild* c = ActiveChild()) c->ShowListView(); });
    run(Icones1, [this] { if (TFChild* c = ActiveChild()) c->ShowIconView(); });
    run(Logs1, [this] { if (TFChild* c = ActiveChild()) c->ShowLogView(); });
    FiltrerVides1 = AddItem(Affichage1, QStringLiteral("Filtrer les ouvrages vides"));
    FiltrerVides1->setCheckable(true);
    run(FiltrerVides1, [this] { if (TFChild* c = ActiveChild()) c->SetFilterEmpty(!c->FilterEmpty()); });
    Affichage1->addSeparator();
    Infobulle1 = AddItem(Affichage1, QStringLiteral("Afficher l'infobulle"));
    Infobulle1->setCheckable(true);
    AfficherCoupe1 = AddItem(Affichage1, QStringLiteral("Afficher la coupe"));
    AfficherCoupe1->setCheckable(true);
    run(AfficherCoupe1, [this] {
        // The click has already toggled the check mark: unchecked now means
        // the log window was shown and goes away.
        if (!AfficherCoupe1->isChecked() && FCoupe) {
            FCoupe->hide();
            return;
        }
        if (LogViewLink* link = GetLogViewLink()) link->ShowAndFocus();
    });
    AfficherImage1 = item(Affichage1, "Afficher l'image", "AfficherImage1", nullptr, [m] { AfficherImage1Click(*m); });
    AfficherImage1->setCheckable(true);
    AfficherAide1 = AddItem(Affichage1, QStringLiteral("Afficher la boite d'aide"));
    AfficherAide1->setCheckable(true);
    run(AfficherAide1, [this] {
        // The click has already toggled the check mark; the help box sets it
        // back as it shows or hides.
        if (!FHelp) return;
        if (AfficherAide1->isChecked()) FHelp->show();
        else FHelp->hide();
        AfficherAide1->setChecked(FHelp->isVisible());
    });
    Affichage1->addSeparator();
    run(AddItem(Affichage1, QStringLiteral("Fen\u00EAtres en cascade")), [this] { MdiArea->cascadeSubWindows(); });
    item(Affichage1, "Ranger horizontalement", "Rangerhorizontalement1", nullptr,
         [m] { TileDocumentWindows(*m->MdiArea, TileDirection::Horizontal); });
    item(Affichage1, "Ranger verticalement", "Rangerverticalement1", nullptr,
         [m] { TileDocumentWindows(*m->MdiArea, TileDirection::Vertical); });
    connect(Affichage1, &QMenu::aboutToShow, this, GuardedSlot([this] { AffichageClick(); }));

    // Confi&guration
    Configuration1 = menuBar()->addMenu(QStringLiteral("Confi&guration"));
    item(Configuration1, "Filtre d'import/export Ora...", "FiltredimporationOracle1", nullptr,
         [m] { FiltredimporationOracle1Click(m); });
    Basededonne1 = item(Configuration1, "Base de donn\xC3\xA9" "es...", "Basededonne1",
                        "Acc\xC3\xA8s \xC3\xA0 la base de donn\xC3\xA9" "e", [m] { Basededonne1Click(*m); });
    item(Configuration1, "Configuration du dessin et des coordonn\xC3\xA9" "es...", "Configurationdudessin1",
         "Options de dessin", [m] { ConfigurationDessin1Click(*m); });
    item(Configuration1, "Texte de l'infobulle...", "Textedelinfobulle1", nullptr, [] { TexteInfobulle1Click(); });
    item(Configuration1, kChoixCouleursCaption, "Choixdescouleurs1", nullptr, [m] { ChoixCouleurs1Click(*m); });
    item(Configuration1, kEditionBandeauCaption, "Editiondubandeau1", kEditionBandeauHint,
         [m] { EditionBandeau1Click(*m); });
    item(Configuration1, "Configuration du codage...", "Configurationducodage1",
         "Edition des descriptions pour le codage", [] { Configurationducodage1Click(); });
    item(Configuration1, "Mod\xC3\xA8les de motifs et couleurs...", "Modelesdemotifs1", nullptr,
         [m] { ModelesMotifs1Click(*m); });
    item(Configuration1, "Structure des donn\xC3\xA9" "es...", "Structuredesdonnees1", nullptr,
         [] { OpenProgramFileWithItsProgram("edition.ini"); });
    item(Configuration1, "Structure des fichiers CSV...", "StructuredesfichiersCSV1", nullptr,
         [] { OpenProgramFileWithItsProgram("csv.ini"); });
    item(Configuration1, "Configuration de l'importation Dravel...", "ConfigurationDravel1", nullptr,
         [] { OpenProgramFileWithItsProgram("dravel.ini"); });

    // Ai&de
    Aide1 = menuBar()->addMenu(QStringLiteral("Ai&de"));
    run(AddItem(Aide1, QStringLiteral("Index")), [] {
        if (FHelp && !FHelp->isVisible()) FHelp->show();
        if (FRubriques) {
            FRubriques->show();
            FRubriques->raise();
        }
    });
    run(AddItem(Aide1, QStringLiteral("A propos")), [] {
        if (FHelp) FHelp->hide();
        if (FAbout) FAbout->exec();
    });

    // The fixed tool bar: short hint before "|", the long one in the status bar.
    auto button = [this](const QString& hint, const char* objectName, const std::function<void()>& fn) {
        const QString shortHint = hint.section(QLatin1Char('|'), 0, 0);
        const QString longHint = hint.section(QLatin1Char('|'), -1);
        QAction* a = ToolBarDefaut->addAction(shortHint);
        a->setToolTip(shortHint);
        a->setStatusTip(longHint);
        if (objectName) a->setObjectName(QString::fromUtf8(objectName));
        connect(a, &QAction::triggered, this, GuardedSlot(fn));
    };
    button(QStringLiteral("Nouveau|Nouvelle collection"), nullptr, [this] { Nouveau1Click(); });
    button(QStringLiteral("Ouvrir|Ouvrir des fichiers crx"), nullptr, [this] { Ouvrir1Click(); });
    button(QStringLiteral("Enregistrer|Enregistrer fichier crx"), nullptr, [this] { Enregistrer1Click(); });
    ToolBarDefaut->addSeparator();
    button(QString::fromUtf8(kPrintLogsButtonHint), "ToolButtonImprimer", [m] { ShowPrintWindow(*m, false); });
    ToolBarDefaut->addSeparator();
    button(QStringLiteral("Couper|Couper les ouvrages s\u00E9lectionn\u00E9s"), "ToolButtonCouper", [m] { Couper1Click(*m); });
    button(QStringLiteral("Copier|Copier les ouvrages s\u00E9lectionn\u00E9s"), "ToolButtonCopier", [m] { Copier1Click(*m); });
    button(QStringLiteral("Coller|Coller dans la collection courante"), "ToolButtonColler", [m] { Coller1Click(*m); });
    ToolBarDefaut->addSeparator();
    button(QStringLiteral("Nouvel ouvrage"), nullptr, [this] {
        if (!ActiveChild()) Nouveau1Click();
        NewBorehole();
    });
    button(QString::fromUtf8(kReportButtonCaption), "ToolButtonRapport", [m] { ReportButtonClick(*m); });
}

void TFMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    FitDefaultToolBar();
}

bool TFMain::eventFilter(QObject* watched, QEvent* event)
{
    // The maximised collection window puts its buttons in the menu bar's
    // corners, which leaves the menus less room.
    const QEvent::Type t = event->type();
    if (watched == menuBar() && !menuFitPending_ &&
        (t == QEvent::ChildAdded || t == QEvent::ChildRemoved || t == QEvent::LayoutRequest)) {
        menuFitPending_ = true;
        QTimer::singleShot(0, this, [this] {
            menuFitPending_ = false;
            FitMenuBar(width());
        });
    }
    return QMainWindow::eventFilter(watched, event);
}

void TFMain::FitMenuBar(int width)
{
    if (!menuRow_ || menus_.empty()) return;
    QMenuBar* bar = menuBar();
    const QStyle* style = bar->style();
    const int spacing = style->pixelMetric(QStyle::PM_MenuBarItemSpacing, nullptr, bar);
    int room = width - 2 * (style->pixelMetric(QStyle::PM_MenuBarPanelWidth, nullptr, bar) +
                            style->pixelMetric(QStyle::PM_MenuBarHMargin, nullptr, bar));
    for (Qt::Corner c : {Qt::TopLeftCorner, Qt::TopRightCorner})
        if (const QWidget* w = bar->cornerWidget(c); w && w->isVisibleTo(bar)) room -= w->sizeHint().width() + spacing;
    // The first menus that fit, one at least.
    std::size_t fit = 0;
    int used = 0;
    for (QAction* a : menus_) {
        QMenuBar* holder = bar->actions().contains(a) ? bar : menuRowBar_;
        used += holder->actionGeometry(a).width() + spacing;
        if (fit > 0 && used > room) break;
        ++fit;
    }
    const QList<QAction*> first(menus_.begin(), menus_.begin() + static_cast<std::ptrdiff_t>(fit));
    if (bar->actions() == first) return;
    for (QAction* a : menus_) {
        bar->removeAction(a);
        menuRowBar_->removeAction(a);
    }
    for (std::size_t i = 0; i < menus_.size(); ++i) (i < fit ? bar : menuRowBar_)->addAction(menus_[i]);
    menuRow_->setVisible(fit < menus_.size());
}

void TFMain::FitDefaultToolBar(int width)
{
    FitMenuBar(width < 0 ? this->width() : width);
    if (fittingBars_ || !defaultRows_[0]) return;
    fittingBars_ = true;
    // The groups of the fixed tool bar, as its separators part them.
    std::vector<std::vector<QAction*>> groups(1);
    for (QAction* a : ToolBarDefaut->actions()) {
        if (a->isSeparator()) groups.emplace_back();
        else groups.back().push_back(a);
    }
    const int room = width < 0 ? this->width() : width;
    // The rows' first groups: one row when the tool bar fits the window,
    // else as many groups on each row as fit it (one at least).
    std::vector<int> starts{0};
    if (ToolBarDefaut->sizeHint().width() > room) {
        auto widthOf = [this](const std::vector<QAction*>& g) {
            int w = 8;
            for (QAction* a : g)
                if (QWidget* b = ToolBarDefaut->widgetForAction(a); b && a->isVisible()) w += b->sizeHint().width();
            return w;
        };
        // What a tool bar takes beside its buttons: its handle and margins.
        int frame = ToolBarDefaut->sizeHint().width();
        for (const std::vector<QAction*>& g : groups) frame -= widthOf(g);
        frame = std::max(0, frame);
        int used = frame;
        for (int g = 0; g < static_cast<int>(groups.size()); ++g) {
            const int w = widthOf(groups[static_cast<std::size_t>(g)]);
            if (used + w > room && g > starts.back() && static_cast<int>(starts.size()) < kDefaultRows) {
                starts.push_back(g);
                used = frame;
            }
            used += w;
        }
    }
    if (starts != defaultStarts_) {
        defaultStarts_ = starts;
        for (QToolBar* row : defaultRows_) {
            for (QAction* a : row->actions()) {
                row->removeAction(a);
                if (a->parent() == row) a->deleteLater();
            }
            row->hide();
        }
        const bool wrapped = starts.size() > 1;
        for (int g = 0; wrapped && g < static_cast<int>(groups.size()); ++g) {
            int r = 0;
            while (r + 1 < static_cast<int>(starts.size()) && g >= starts[static_cast<std::size_t>(r) + 1]) ++r;
            QToolBar* row = defaultRows_[r];
            if (g != starts[static_cast<std::size_t>(r)]) row->addSeparator();
            for (QAction* original : groups[static_cast<std::size_t>(g)]) {
                // A button of its own that runs the fixed tool bar's action
                // and follows its caption, state and visibility.
                QAction* mirror = row->addAction(original->icon(), original->text());
                auto follow = [mirror, original] {
                    mirror->setText(original->text());
                    mirror->setIcon(original->icon());
                    mirror->setToolTip(original->toolTip());
                    mirror->setStatusTip(original->statusTip());
                    mirror->setEnabled(original->isEnabled());
                    mirror->setVisible(original->isVisible());
                    mirror->setCheckable(original->isCheckable());
                    mirror->setChecked(original->isChecked());
                };
                follow();
                connect(original, &QAction::changed, mirror, follow);
                connect(mirror, &QAction::triggered, original, [original] { original->trigger(); });
            }
            row->show();
        }
        ToolBarDefaut->setVisible(!wrapped);
        // The window's smallest size follows the rows at once.
        if (layout()) layout()->activate();
    }
    fittingBars_ = false;
}

void TFMain::BuildTableCommands()
{
    const std::vector<TableEntry> entries = ReadTableEntries();
    if (!entries.empty()) Edition1->addSeparator();
    std::vector<std::string> iconFiles;
    std::vector<bool> iconExists;
    for (const TableEntry& e : entries) {
        const std::string file = e.IsSeparator() ? std::string() : TableIconPath(e.name);
        iconFiles.push_back(file);
        std::error_code ec;
        iconExists.push_back(!file.empty() && std::filesystem::is_regular_file(std::filesystem::u8path(file), ec));
    }
    const std::vector<ToolButtonPlan> plan = PlanToolButtons(entries, iconFiles, iconExists);
    for (std::size_t i = 0; i < entries.size(); ++i) {
        const TableEntry& e = entries[i];
        const ToolButtonPlan& p = plan[i];
        QToolBar* bar = p.onIconBar ? ToolBarCustomIcons : ToolBarLabelsBtn;
        if (e.IsSeparator()) {
            Edition1->addSeparator();
            TableButtons.push_back(bar->addSeparator());
            continue;
        }
        const std::string name = e.name;
        auto click = GuardedSlot([this, name] { ExecuteTableCommand(name, -1); });  // TableItemClick
        QAction* item = Edition1->addAction(ToQString(name));
        connect(item, &QAction::triggered, this, click);
        TableItems.emplace_back(item, e.command);
        QAction* b = nullptr;
        if (p.kind == ToolButtonPlan::Kind::Icon) {
            QImage image(ToQString(p.iconFile));
            QPixmap pix = QPixmap::fromImage(image);
            // Magenta is the transparent colour of the button bitmaps.
            pix.setMask(pix.createMaskFromColor(QColor(255, 0, 255)));
            b = bar->addAction(QIcon(pix), ToQString(name));
        } else {
            b = bar->addAction(ToQString(p.caption));
        }
        b->setToolTip(ToQString(name));
        b->setObjectName(ToQString(name));
        connect(b, &QAction::triggered, this, click);
        TableButtons.push_back(b);
    }
}

// ---- collection windows ------------------------------------------------------

TFChild* TFMain::ActiveChild() const { return active_.data(); }

std::vector<TFChild*> TFMain::Children() const
{
    std::vector<TFChild*> list;
    for (QMdiSubWindow* w : MdiArea->subWindowList())
        if (auto* c = qobject_cast<TFChild*>(w->widget())) list.push_back(c);
    return list;
}

void TFMain::SubWindowActivated(QMdiSubWindow* window)
{
    // QMdiArea reports no window when the application turns to another
    // top-level window (the log window): the collection stays the active one.
    if (!window) return;
    if (auto* c = qobject_cast<TFChild*>(window->widget())) active_ = c;
}

void TFMain::ChildClosed(TFChild* child)
{
    if (active_ && active_ != child) return;
    active_ = nullptr;
    for (QMdiSubWindow* w : MdiArea->subWindowList())
        if (auto* c = qobject_cast<TFChild*>(w->widget()); c && c != child) active_ = c;
    if (QMdiSubWindow* cur = MdiArea->currentSubWindow())
        if (auto* c = qobject_cast<TFChild*>(cur->widget()); c && c != child) active_ = c;
}

TFChild* TFMain::AddChildWindow()
{
    auto* child = new TFChild();
    child->SaveAsHandler = [this](TFChild* c) { return SaveCollectionAs(c); };
    child->StatusLine = [this](const std::string& text) { statusBar()->showMessage(ToQString(text)); };
    child->TooltipsOn = [this] { return TooltipsChecked(); };
    child->OpenTablesPopup = [this] {
        if (!FTables) return;
        FTables->RunCommand = [this](const std::string& name) { ExecuteTableCommand(name, -1); };
        FTables->PopupAt(QCursor::pos());
    };
    connect(child, &TFChild::closedWindow, this, [this](TFChild* c) { ChildClosed(c); });
    const bool only = MdiArea->subWindowList().isEmpty();
    QMdiSubWindow* sub = MdiArea->addSubWindow(child);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowTitle(child->windowTitle());
    connect(child, &QWidget::windowTitleChanged, sub, &QWidget::setWindowTitle);
    const QSize client = MdiArea->viewport()->size();
    sub->resize(std::max(200, client.width() - sub->x() - 4), std::max(150, client.height() - sub->y() - 4));
    if (only) sub->showMaximized();
    else sub->showNormal();
    MdiArea->setActiveSubWindow(sub);
    active_ = child;
    return child;
}

TFChild* TFMain::Nouveau1Click()
{
    TFChild* child = AddChildWindow();
    child->SetFileName("");
    return child;
}

TFChild* TFMain::OpenCollectionFile(const std::string& path)
{
    TFChild* child = AddChildWindow();
    child->SetFileName(path);
    try {
        child->LoadCollection();
    } catch (...) {
        const std::string reason = CurrentExceptionMessage();
        // A collection that did not load is not shown at all: its window goes
        // without asking to save, so no half-read tree can be written over the
        // user's file.
        QWidget* sub = child->parentWidget();
        ChildClosed(child);
        if (auto* w = qobject_cast<QMdiSubWindow*>(sub)) {
            MdiArea->removeSubWindow(w);
            w->hide();
            w->deleteLater();
        }
        active_ = nullptr;
        ChildClosed(nullptr);
        throw ECollectionReadError(path, reason);
    }
    return child;
}

bool TFMain::SaveCollectionAs(TFChild* child)
{
    if (!child) return false;
    FileDialogRequest request;
    request.title = "Enregistrer la collection sous...";
    request.folder = IniCarotix ? IniCarotix->ReadString(kGeneral, kRepertoire, "") : std::string();
    request.filter = kCrxFilter;
    request.defaultExt = "crx";
    request.overwritePrompt = true;
    std::string file;
    if (!AskSaveFile(request, file)) return false;
    if (IniCarotix) IniCarotix->WriteString(kGeneral, kRepertoire, FolderOf(file));
    // The window takes the new name only once the file was written: a failed
    // save leaves it bound to the file it came from.
    const std::string previous = child->FFileName();
    child->Document().SetFileName(file);
    try {
        child->SaveCollection();
    } catch (...) {
        child->Document().SetFileName(previous);
        throw;
    }
    child->SetFileName(file);
    child->TakeSnapshot();
    return true;
}

void TFMain::Enregistrer1Click()
{
    TFChild* c = ActiveChild();
    if (!c) return;
    if (c->FFileName().empty()) {
        SaveCollectionAs(c);
        return;
    }
    if (!c->MayReplaceFile()) return;
    c->SaveCollection();
    c->TakeSnapshot();
}

void TFMain::Ouvrir1Click()
{
    FileDialogRequest request;
    request.folder = IniCarotix ? IniCarotix->ReadString(kGeneral, kRepertoire, "") : std::string();
    request.filter = kCrxFilter;
    request.defaultExt = "crx";
    request.mustExist = true;
    // The help box tells how to open a collection while the dialog is shown,
    // then follows the mouse again.
    ShowHelpTopic("OpenCrx");
    std::vector<std::string> files;
    try {
        files = AskOpenFiles(request);
    } catch (...) {
        HelpFollowAgain();
        throw;
    }
    HelpFollowAgain();
    if (files.empty()) return;
    if (IniCarotix) IniCarotix->WriteString(kGeneral, kRepertoire, FolderOf(files.front()));
    // A file that cannot be read is told by its name and keeps none of the
    // others from opening.
    for (const std::string& f : files) RunGuarded([&] { OpenCollectionFile(f); });
}

// ---- menus opening --------------------------------------------------------

void TFMain::Fichier1Click()
{
    const bool active = ActiveChild() != nullptr;
    for (QAction* a : needActive_) a->setEnabled(active);
    Ouvrirrecent1->clear();
    std::vector<std::string> open;
    for (TFChild* c : Children()) open.push_back(c->FFileName());
    for (const std::string& f : RecentFilesList()) {
        if (std::find(open.begin(), open.end(), f) != open.end()) continue;
        QAction* a = Ouvrirrecent1->addAction(ToQString(f));
        connect(a, &QAction::triggered, this, GuardedSlot([this, f] { OpenCollectionFile(f); }));
    }
    Ouvrirrecent1->setEnabled(!Ouvrirrecent1->isEmpty());
}

void TFMain::Ouvrage2Click()
{
    // The commands of these two menus come with a later version; their
    // enabling follows the selection already.
    TFChild* c = ActiveChild();
    const bool sel = c && !c->GetSelectedRows().empty();
    const bool rows = c && !c->Rows().empty();
    const QList<QAction*> actions = Collection1->actions();
    for (QAction* a : actions) {
        const QString t = a->text();
        if (a->isSeparator()) continue;
        if (t.startsWith(QStringLiteral("Supprimer")) || t.startsWith(QStringLiteral("Copier")) ||
            t.startsWith(QStringLiteral("Couper")) || t.startsWith(QStringLiteral("D\u00E9selectionner tout")))
            a->setEnabled(sel);
        else if (t.startsWith(QStringLiteral("Inverser")) || t.startsWith(QStringLiteral("S\u00E9lectionner tous")))
            a->setEnabled(rows);
        else if (t.startsWith(QStringLiteral("Coller")))
            a->setEnabled(c && clipboard_->ItemCount() > 0);
        else
            a->setEnabled(c != nullptr);
    }
}

void TFMain::AffichageClick()
{
    TFChild* c = ActiveChild();
    for (QAction* a : {Liste1, Icones1, Logs1, FiltrerVides1}) a->setEnabled(c != nullptr);
    Liste1->setChecked(c && c->CurrentView() == TFChild::View::List);
    Icones1->setChecked(c && c->CurrentView() == TFChild::View::Icons);
    Logs1->setChecked(c && c->CurrentView() == TFChild::View::Logs);
    FiltrerVides1->setChecked(c && c->FilterEmpty());
    if (LogViewLink* link = GetLogViewLink()) AfficherCoupe1->setChecked(link->IsShown());
}

void TFMain::Edition1Click()
{
    TFChild* c = ActiveChild();
    const QList<QAction*> actions = Edition1->actions();
    if (c) {
        const int row = c->SelectedRow();
        const bool hasIndice = row >= 0 && !c->Rows()[static_cast<std::size_t>(row)].Indice.empty();
        const bool hasBoth = hasIndice && !c->Rows()[static_cast<std::size_t>(row)].Design.empty();
        const bool single = hasBoth && c->HasOnlyDefaultTube();
        Renommer1->setEnabled(hasIndice);
        TelechargeBDD1->setEnabled(hasBoth);
        for (auto& [action, command] : TableItems) action->setEnabled(TableItemEnabled(command, hasBoth, single));
        NouvelOuvrage1->setEnabled(true);
    } else {
        for (int i = 1; i < actions.size(); ++i) {
            QAction* a = actions[i];
            if (a->isSeparator() || a == NouvelOuvrage1) continue;
            a->setEnabled(false);
        }
    }
}

bool TFMain::TooltipsChecked() const { return Infobulle1 && Infobulle1->isChecked(); }

// ---- table commands ----------------------------------------------------------

void TFMain::ExecuteTableCommand(const std::string& name, int row) { ::ExecuteTableCommand(*this, name, row); }

bool TFMain::HasActiveCollection() { return ActiveChild() != nullptr; }
void TFMain::NewCollection() { Nouveau1Click(); }
int TFMain::SelectedRow() { return ActiveChild() ? ActiveChild()->SelectedRow() : -1; }
void TFMain::NewBorehole()
{
    if (TFChild* c = ActiveChild()) c->NewBorehole();
}
void TFMain::EditSection(const std::string& s, bool db) { ActiveChild()->EditSection(s, db); }
void TFMain::EditTable(const std::string& t, bool drop, int row, bool db) { ActiveChild()->EditTable(t, drop, row, db); }
void TFMain::EditKeywords(const std::string& t, bool flag) { ActiveChild()->EditKeywords(t, flag); }
void TFMain::EditMultitubes(const std::string& t) { ActiveChild()->EditMultitubes(t); }
bool TFMain::HasOnlyDefaultTube() { return !ActiveChild() || ActiveChild()->HasOnlyDefaultTube(); }
void TFMain::SetTableTubeName(const std::string& tube) { tableTubeName_ = tube; }
void TFMain::ShowSelectedBorehole()
{
    if (TFChild* c = ActiveChild()) c->StringGridClick();
}
void TFMain::RedrawLog()
{
    if (LogViewLink* link = GetLogViewLink()) link->Redraw();
}

// ---- closing -------------------------------------------------------------

void TFMain::closeEvent(QCloseEvent* event)
{
    MdiArea->closeAllSubWindows();
    if (!MdiArea->subWindowList().isEmpty()) {
        event->ignore();  // a collection answered "Annuler"
        return;
    }
    event->accept();
}

void TFMain::changeEvent(QEvent* event)
{
    // FormDeactivate: a tooltip shown with the mouse captured is released.
    if (event->type() == QEvent::ActivationChange && !isActiveWindow())
        if (TFChild* c = ActiveChild(); c && FInfo && FInfo->isVisible() && FInfo->Owner == c) {
            std::uint8_t state = 2;
            TooltipDeactivate(c, state);
        }
    QMainWindow::changeEvent(event);
}
