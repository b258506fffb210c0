#include "exchange/windows/export_dialog.h"

#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QResizeEvent>
#include <QShowEvent>
#include <QVBoxLayout>
#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/windows/dir_tree.h"
#include "platform/windows/progress_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/base/text_codec.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/divers.h"
#include "store/options.h"

namespace fs = std::filesystem;

namespace {
const char* const kRepertoire = "R\xC3\xA9pertoire";  // "Répertoire"
}

TExportDialog::TExportDialog(QWidget* parent, const char* caption, int width, int height, int panelWidth,
                             const char* listLabel)
    : QDialog(parent)
{
    setWindowTitle(QString::fromUtf8(caption));
    resize(width, height);
    setMinimumSize(320, 240);
    Label1 = new QLabel(QStringLiteral("Dossier destination"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->move(8, 8);
    DirTree = new TDirTree(this);
    DirTree->setGeometry(8, 26, width - panelWidth - 24, height - 34);
    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setGeometry(width - panelWidth - 8, 8, panelWidth, height - 16);
    auto* layout = new QVBoxLayout(Panel1);
    layout->setContentsMargins(0, 0, 0, 0);
    Label2 = new QLabel(QString::fromUtf8(listLabel), Panel1);
    BOk = new QPushButton(QStringLiteral("Ok"), Panel1);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setDefault(true);
    BAnnul = new QPushButton(QStringLiteral("Annuler"), Panel1);
    BAnnul->setObjectName(QStringLiteral("BAnnul"));
    BNewFold = new QPushButton(QStringLiteral("Nouveau dossier"), Panel1);
    BNewFold->setObjectName(QStringLiteral("BNewFold"));
    CheckListBox = new QListWidget(Panel1);
    CheckListBox->setObjectName(QStringLiteral("CheckListBox"));
    layout->addWidget(BOk);
    layout->addWidget(BAnnul);
    layout->addWidget(BNewFold);
    layout->addWidget(Label2);
    layout->addWidget(CheckListBox, 1);
    // The panel is as wide as its captions need, and the dialog wider by as
    // much, so that the tree keeps the room it was given.
    int need = panelWidth;
    for (QWidget* w : std::initializer_list<QWidget*>{Label2, BOk, BAnnul, BNewFold})
        need = std::max(need, w->sizeHint().width());
    if (need > panelWidth) {
        resize(width + need - panelWidth, height);
        Panel1->setGeometry(this->width() - need - 8, 8, need, height - 16);
    }
    connect(BOk, &QPushButton::clicked, this, &QDialog::accept);
    connect(BAnnul, &QPushButton::clicked, this, &QDialog::reject);
    connect(BNewFold, &QPushButton::clicked, this, GuardedSlot([this] { BNewFoldClick(); }));
}

std::vector<ExportCheckItem> TExportDialog::Items() const
{
    std::vector<ExportCheckItem> items;
    for (int i = 0; i < CheckListBox->count(); ++i) {
        const QListWidgetItem* it = CheckListBox->item(i);
        items.push_back({FromQString(it->text()), it->checkState() == Qt::Checked});
    }
    return items;
}

void TExportDialog::SetItems(const std::vector<ExportCheckItem>& items)
{
    CheckListBox->clear();
    for (const ExportCheckItem& item : items) {
        auto* it = new QListWidgetItem(ToQString(item.Text), CheckListBox);
        it->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable | Qt::ItemIsSelectable);
        it->setCheckState(item.Checked ? Qt::Checked : Qt::Unchecked);
    }
}

void TExportDialog::LayoutControls()
{
    // The panel keeps its place at the top right; the tree takes the rest.
    const int panelLeft = width() - Panel1->width() - 8;
    Panel1->move(panelLeft, Panel1->y());
    Panel1->resize(Panel1->width(), std::max(120, height() - 2 * Panel1->y()));
    DirTree->resize(std::max(40, panelLeft - 16), std::max(40, height() - DirTree->y() - 8));
}

void TExportDialog::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FillList(); });
    LayoutControls();
    QDialog::showEvent(event);
}

void TExportDialog::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutControls();
}

void TExportDialog::BNewFoldClick()
{
    std::string folder = DirTree->GetSelectedPath();
    if (folder.empty() || folder.back() != '/') folder += '/';
    std::string name = "Nouveau";
    if (!AskQuestion(kNewFolderCaption, "Nom du dossier :", name)) return;
    const std::string path = folder + name;
    std::error_code ec;
    const bool made = folder != "?/" && IsPlainFileName(name) && fs::create_directory(Utf8ToPath(path), ec) && !ec;
    if (!made) {
        ShowBox(kNewFolderCaption, "Impossible de créer le dossier " + path);
        return;
    }
    DirTree->Reload();
    DirTree->SetSelectedPath(path);
}

// ---- host ------------------------------------------------------------------

bool ExportHost::RunDialog(QDialog& dialog)
{
    return dialog.exec() == QDialog::Accepted;
}

void ExportHost::ProgressStart(const std::string& label, int maximum)
{
    if (FProgress) FProgress->Start("Progression...", label, 0, maximum);
}

void ExportHost::ProgressStep(int position)
{
    if (FProgress) FProgress->SetPosition(position);
}

void ExportHost::ProgressEnd()
{
    if (FProgress) FProgress->hide();
}

// ---- the end of an export --------------------------------------------------

void SelectStoredFolder(TExportDialog& dialog, const std::string& section)
{
    const std::string folder = IniCarotix ? IniCarotix->ReadString(section, kRepertoire, "") : std::string();
    try {
        dialog.DirTree->SetSelectedPath(folder);
    } catch (...) {
        // No folder stored yet: the tree keeps its selection.
    }
}

void RunExportItems(ExportHost& host, ExportRun& run, TExportDialog& dialog, const std::string& section,
                    const std::string& folderCaption, const std::string& suffix, const std::string& progressLabel,
                    const std::function<std::string(const std::string& file, const std::string& item)>& write,
                    const std::function<std::string()>& closing)
{
    const FolderChooser chooser = [](const std::string& caption) -> std::optional<std::string> {
        std::string chosen;
        if (!AskFolder(caption, "", chosen)) return std::nullopt;
        return chosen;
    };
    std::string folder = dialog.DirTree->GetSelectedPath();
    folder = EnsureDirectory(folder, folderCaption, chooser);
    if (IniCarotix) IniCarotix->WriteString(section, kRepertoire, folder);
    folder = WithTrailingSlash(folder);
    run.Folder = folder;

    const std::vector<ExportCheckItem> items = dialog.Items();
    const std::string existing = ExistingExportFiles(folder, items, suffix);
    if (!existing.empty()
        && ShowBox(kExportOverwriteTitle, kExportOverwriteText + existing, MsgIcon::Warning, MsgOkCancel) != MsgResult::Ok)
        return;
    run.Accepted = true;

    std::string lastFailure;
    std::string remarks;
    {
        BusyCursor busy;
        host.ProgressStart(progressLabel, static_cast<int>(items.size()));
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (!items[i].Checked) continue;
            const std::string file = folder + items[i].Text + suffix;
            try {
                const std::string remark = write(file, items[i].Text);
                run.Files.push_back(file);
                if (!remark.empty()) remarks += (remarks.empty() ? "" : "\n\n") + remark;
            } catch (...) {
                lastFailure = CurrentExceptionMessage();
                run.Failures.push_back(lastFailure);
            }
            host.ProgressStep(static_cast<int>(i) + 1);
        }
        if (closing)
            if (const std::string remark = closing(); !remark.empty())
                remarks += (remarks.empty() ? "" : "\n\n") + remark;
        host.ProgressEnd();
    }
    if (!lastFailure.empty()) ShowErrorBox(kExportFailureTitle, lastFailure);
    ShowBox(kExportCountTitle, IntToStr(static_cast<std::int64_t>(run.Files.size())) + kExportCountSuffix);
    if (!remarks.empty()) ShowInformation(kExportCountTitle, remarks);
}
