#include "app/windows/main_commands.h"

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
#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
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
        {kSupprimerCaption, sel},
        {kCopierCaption, sel},
        {kCouperCaption, sel},
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
        {kCollerCaption, paste},
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

void ModelesMotifs1Click(TFMain& main)
{
    if (FCodeMotifCoul) FCodeMotifCoul->exec();
    main.RedrawLog();
}

void InstallMainCommands(TFMain& main)
{
    TFMain* m = &main;
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
