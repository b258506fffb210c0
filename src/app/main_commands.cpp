#include "app/main_commands.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QToolBar>
#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

#include "app/borehole_operations.h"
#include "app/collection_links.h"
#include "app/collection_window.h"
#include "app/main_window.h"
#include "drawing/windows/code_motif_coul_window.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "store/blocks.h"
#include "store/options.h"

namespace {

// The collection window as the ouvrage operations see it.
class ChildBoreholeHost final : public BoreholeHost {
public:
    explicit ChildBoreholeHost(TFChild& child) : child_(child) {}
    TDirBlock& Root() override { return child_.FRoot(); }
    const std::vector<CollectionRow>& Rows() const override { return child_.Rows(); }
    int SelectedRow() const override { return child_.SelectedRow(); }
    std::vector<int> GetSelectedRows() const override { return child_.GetSelectedRows(); }
    void RefreshList() override { child_.RefreshList(); }
    void AddBorehole(const std::string& indice, const std::string& design) override
    {
        child_.AddBorehole(indice, design);
    }
    void SetRowDesign(int row, const std::string& design) override { child_.SetRowDesign(row, design); }
    void SelectRow(const std::string& indice, const std::string& design) override
    {
        child_.SelectRow(indice, design);
    }
    bool FilterEmpty() const override { return child_.FilterEmpty(); }
    void SetFilterEmpty(bool on) override { child_.SetFilterEmpty(on); }
    void ClearLog() override
    {
        if (LogViewLink* link = GetLogViewLink()) {
            link->SetBorehole(nullptr, std::string(), std::string());
            link->Redraw();
        }
    }

private:
    TFChild& child_;
};

// Menu captions, letter for letter.
const char* const kCouper = "Couper les ouvrages";
const char* const kCopier = "Copier les ouvrages";
const char* const kColler = "Coller dans la collection courante";
const char* const kSupprimer = "Supprimer les ouvrages";

// The item of that caption among `actions`, or a new one at the end of `menu`
// (none without a menu); whatever it was connected to is replaced by `handler`.
QAction* TakeOver(TFMain& main, const QList<QAction*>& actions, QMenu* menu, const char* caption,
                  const char* objectName, std::function<void()> handler)
{
    const QString text = QString::fromUtf8(caption);
    QAction* item = nullptr;
    for (QAction* a : actions)
        if (!a->isSeparator() && a->text() == text) {
            item = a;
            break;
        }
    if (item)
        QObject::disconnect(item, &QAction::triggered, nullptr, nullptr);
    else if (menu)
        item = menu->addAction(text);
    else
        return nullptr;
    item->setObjectName(QString::fromUtf8(objectName));
    QObject::connect(item, &QAction::triggered, &main, GuardedSlot(std::move(handler)));
    return item;
}

bool HasSelection(TFChild* child) { return child && !child->GetSelectedRows().empty(); }

// Menus enable their items only while they are open: an item with a shortcut
// is enabled again when its menu closes, so that the shortcut keeps working
// whatever the selection was when the menu last opened. The commands check
// what they need themselves.
void KeepShortcutsLive(TFMain& main, QMenu* menu)
{
    QObject::connect(menu, &QMenu::aboutToHide, &main, [menu] {
        for (QAction* a : menu->actions())
            if (!a->isSeparator() && !a->shortcut().isEmpty()) a->setEnabled(true);
    });
}

void ModelesMotifs1Click(TFMain& main)
{
    if (FCodeMotifCoul) FCodeMotifCoul->exec();
    main.RedrawLog();
}

}  // namespace

// ---- the collection window's side ------------------------------------------

void TFChild::NewBorehole()
{
    ChildBoreholeHost host(*this);
    ::NewBorehole(host);
}

void TFChild::RenameBorehole()
{
    ChildBoreholeHost host(*this);
    ::RenameBorehole(host);
}

void TFChild::DeleteSelection()
{
    ChildBoreholeHost host(*this);
    ::DeleteSelection(host);
}

void TFChild::CopySelection(TDirBlock& clipboard)
{
    ChildBoreholeHost host(*this);
    ::CopySelection(host, clipboard);
}

void TFChild::Paste(const TDirBlock& clipboard)
{
    ChildBoreholeHost host(*this);
    ::Paste(host, clipboard);
}

void TFChild::SetRowDesign(int row, const std::string& design)
{
    if (row < 0 || row >= static_cast<int>(FRows.size())) return;
    FRows[static_cast<std::size_t>(row)].Design = design;
    FillView(row);
}

// ---- the main window's side ------------------------------------------------

void Couper1Click(TFMain& main)
{
    TFChild* c = main.ActiveChild();
    if (!HasSelection(c)) return;
    ChildBoreholeHost host(*c);
    CutSelection(host, *main.ClipboardBlock());
}

void Copier1Click(TFMain& main)
{
    TFChild* c = main.ActiveChild();
    if (!HasSelection(c)) return;
    c->CopySelection(*main.ClipboardBlock());
}

void Coller1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) c->Paste(*main.ClipboardBlock());
}

void Supprimer1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) c->DeleteSelection();
}

void Renommer1Click(TFMain& main)
{
    if (TFChild* c = main.ActiveChild()) c->RenameBorehole();
}

void TileDocumentWindows(QMdiArea& area, TileDirection direction)
{
    std::vector<QMdiSubWindow*> windows;
    for (QMdiSubWindow* w : area.subWindowList())
        if (w->isVisible() && !w->isMinimized()) windows.push_back(w);
    if (windows.empty()) return;
    const int n = static_cast<int>(windows.size());
    const int width = area.viewport()->width();
    const int height = area.viewport()->height();
    for (int i = 0; i < n; ++i) {
        QMdiSubWindow* w = windows[static_cast<std::size_t>(i)];
        w->showNormal();
        if (direction == TileDirection::Horizontal) {
            const int top = i * height / n;
            w->setGeometry(0, top, width, (i + 1) * height / n - top);
        } else {
            const int left = i * width / n;
            w->setGeometry(left, 0, (i + 1) * width / n - left, height);
        }
    }
}

void OpenProgramFileWithItsProgram(const std::string& name)
{
    const std::string path = PathToUtf8(ProgramFile(name));
    if (!Ui().OpenWithAssociatedProgram(path)) ShowMessage("Impossible d'ouvrir le fichier " + path);
}

void TexteInfobulle1Click()
{
    const std::filesystem::path path = InfobullePath.empty() ? ProgramFile("infobulle.txt") : InfobullePath;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        std::ofstream created(path, std::ios::binary);
        if (!created) throw std::runtime_error("Impossible de cr\xC3\xA9" "er le fichier " + PathToUtf8(path));
    }
    if (!Ui().OpenWithAssociatedProgram(PathToUtf8(path)))
        ShowMessage("Impossible d'ouvrir le fichier " + PathToUtf8(path));
}

void Ouvrage2Click(TFMain& main)
{
    TFChild* c = main.ActiveChild();
    const bool sel = HasSelection(c);
    const bool rows = c && !c->Rows().empty();
    const bool paste = c && main.ClipboardBlock() && main.ClipboardBlock()->ItemCount() > 0;
    struct Rule {
        const char* caption;
        bool enabled;
    };
    const Rule rules[] = {
        {kSupprimer, sel},
        {kCopier, sel},
        {kCouper, sel},
        {"Exporter m\xC3\xA9tafichiers (.wmf, .emf) ...", sel},
        {"D\xC3\xA9selectionner tout", sel},
        {"Recoder les ouvrages s\xC3\xA9lectionn\xC3\xA9s", sel},
        {"Compl\xC3\xA9ter les codes des ouvrages s\xC3\xA9lectionn\xC3\xA9s", sel},
        {"Boite d'impression...", rows},
        {"Inverser la s\xC3\xA9lection", rows},
        {"S\xC3\xA9lectionner tous les ouvrages", rows},
        {"D\xC3\xA9selectionner tous les niveaux", rows},
        {"Rechercher des niveaux...", rows},
        {"Exporter les niveaux lithologiques s\xC3\xA9lectionn\xC3\xA9s", rows},
        {kColler, paste},
        {"Explorer la structure de la collection...", c != nullptr},
        {"Multiplier un champ...", c != nullptr},
    };
    for (QMenu* menu : {main.Collection1, main.Operations1})
        for (QAction* a : menu->actions()) {
            if (a->isSeparator()) continue;
            for (const Rule& rule : rules)
                if (a->text() == QString::fromUtf8(rule.caption)) a->setEnabled(rule.enabled);
        }
}

void InstallMainCommands(TFMain& main)
{
    TFMain* m = &main;
    const QList<QAction*> collection = main.Collection1->actions();
    TakeOver(main, collection, main.Collection1, kCouper, "Couperlesouvrages1", [m] { Couper1Click(*m); });
    TakeOver(main, collection, main.Collection1, kCopier, "Copierlesouvrages1", [m] { Copier1Click(*m); });
    TakeOver(main, collection, main.Collection1, kColler, "Coller1", [m] { Coller1Click(*m); });
    TakeOver(main, collection, main.Collection1, kSupprimer, "Supprimerlesouvrages1", [m] { Supprimer1Click(*m); });
    if (main.Renommer1) {
        QObject::disconnect(main.Renommer1, &QAction::triggered, nullptr, nullptr);
        QObject::connect(main.Renommer1, &QAction::triggered, &main, GuardedSlot([m] { Renommer1Click(*m); }));
    }

    // The fixed tool bar runs the same commands.
    const QList<QAction*> buttons = main.ToolBarDefaut->actions();
    TakeOver(main, buttons, nullptr, "Couper", "ToolButtonCouper", [m] { Couper1Click(*m); });
    TakeOver(main, buttons, nullptr, "Copier", "ToolButtonCopier", [m] { Copier1Click(*m); });
    TakeOver(main, buttons, nullptr, "Coller", "ToolButtonColler", [m] { Coller1Click(*m); });

    const QList<QAction*> display = main.Affichage1->actions();
    TakeOver(main, display, main.Affichage1, "Ranger horizontalement", "Rangerhorizontalement1",
             [m] { TileDocumentWindows(*m->MdiArea, TileDirection::Horizontal); });
    TakeOver(main, display, main.Affichage1, "Ranger verticalement", "Rangerverticalement1",
             [m] { TileDocumentWindows(*m->MdiArea, TileDirection::Vertical); });

    const QList<QAction*> config = main.Configuration1->actions();
    TakeOver(main, config, main.Configuration1, "Texte de l'infobulle...", "Textedelinfobulle1",
             [] { TexteInfobulle1Click(); });
    TakeOver(main, config, main.Configuration1, "Mod\xC3\xA8les de motifs et couleurs...", "Modelesdemotifs1",
             [m] { ModelesMotifs1Click(*m); });
    TakeOver(main, config, main.Configuration1, "Structure des donn\xC3\xA9" "es...", "Structuredesdonnees1",
             [] { OpenProgramFileWithItsProgram("edition.ini"); });
    TakeOver(main, config, main.Configuration1, "Structure des fichiers CSV...", "StructuredesfichiersCSV1",
             [] { OpenProgramFileWithItsProgram("csv.ini"); });
    TakeOver(main, config, main.Configuration1, "Configuration de l'importation Dravel...", "ConfigurationDravel1",
             [] { OpenProgramFileWithItsProgram("dravel.ini"); });

    // Enabling when "&Collection" or "O&pérations" opens; the commands that
    // other parts install afterwards add their own rules after these.
    for (QMenu* menu : {main.Collection1, main.Operations1})
        QObject::connect(menu, &QMenu::aboutToShow, &main, GuardedSlot([m] { Ouvrage2Click(*m); }));
    KeepShortcutsLive(main, main.Collection1);
    KeepShortcutsLive(main, main.Fichier1);

    // A recent file's path is its item's caption: an "&" in it is a letter,
    // not the mark of a mnemonic.
    QObject::connect(main.Fichier1, &QMenu::aboutToShow, &main, [m] {
        for (QAction* a : m->Ouvrirrecent1->actions()) {
            QString text = a->text();
            if (text.contains(QLatin1Char('&')) && !a->property("carotixEscaped").toBool()) {
                a->setText(text.replace(QLatin1Char('&'), QStringLiteral("&&")));
                a->setProperty("carotixEscaped", true);
            }
        }
    });
}
