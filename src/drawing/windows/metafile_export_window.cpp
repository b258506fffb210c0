#include "drawing/windows/metafile_export_window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
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

TFExpMeta* FExpMeta = nullptr;

namespace fs = std::filesystem;

namespace {

constexpr int kPanelWidth = 220;
constexpr int kPanelHeight = 300;
constexpr int kMinimumHeight = 316;

std::string WithSlash(std::string folder)
{
    if (folder.empty() || folder.back() != '/') folder += '/';
    return folder;
}

// A new folder's name is one name inside the selected folder: no path
// separator, not "." or "..", nothing a file system refuses.
bool IsFolderName(const std::string& name)
{
    if (name.empty() || name == "." || name == "..") return false;
    return name.find_first_of(std::string("/\\\0", 3)) == std::string::npos;
}

}  // namespace

TFExpMeta::TFExpMeta(QWidget* parent) : QDialog(parent)
{
    FExpMeta = this;
    setObjectName(QStringLiteral("TFExpMeta"));
    setWindowTitle(QString::fromUtf8(kExpMetaCaption));
    setMinimumHeight(kMinimumHeight);

    DirTree = new TDirTree(this);
    DirTree->setObjectName(QStringLiteral("DirTree"));

    // The panel on the right is laid out from its texts' own widths, at
    // least 220 pixels wide as it was drawn, so that no caption is cut.
    Panel = new QWidget(this);
    Panel->setObjectName(QStringLiteral("Panel"));
    auto* panel = new QVBoxLayout(Panel);
    panel->setContentsMargins(0, 0, 0, 0);
    auto* nb = new QHBoxLayout;
    nb->addWidget(new QLabel(QStringLiteral("Nombre d'ouvrages :"), Panel));
    EditNb = new QLineEdit(Panel);
    EditNb->setObjectName(QStringLiteral("EditNb"));
    EditNb->setReadOnly(true);
    EditNb->setFixedWidth(60);
    nb->addWidget(EditNb);
    nb->addStretch(1);
    panel->addLayout(nb);
    panel->addWidget(new QLabel(QStringLiteral("Nom de fichier :"), Panel));
    MemoName = new QPlainTextEdit(Panel);
    MemoName->setObjectName(QStringLiteral("MemoName"));
    MemoName->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoName->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoName->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    MemoName->setFixedHeight(QFontMetrics(MemoName->font()).lineSpacing() + 12);
    MemoName->setPlainText(QString::fromUtf8(kDefaultMetafileTemplate));
    panel->addWidget(MemoName);

    GroupFormat = new QGroupBox(QStringLiteral("Format m\u00E9tafichier"), Panel);
    auto* format = new QVBoxLayout(GroupFormat);
    RadioWMF = new QRadioButton(QStringLiteral("Normal (.wmf)"), GroupFormat);
    RadioWMF->setObjectName(QStringLiteral("RadioWMF"));
    RadioEMF = new QRadioButton(QStringLiteral("Etendu (.emf)"), GroupFormat);
    RadioEMF->setObjectName(QStringLiteral("RadioEMF"));
    format->addWidget(RadioWMF);
    format->addWidget(RadioEMF);
    RadioWMF->setChecked(true);
    panel->addWidget(GroupFormat);

    GroupOptions = new QGroupBox(QStringLiteral("Options de trac\u00E9"), Panel);
    auto* options = new QGridLayout(GroupOptions);
    auto edit = [this](const char* name) {
        auto* e = new QLineEdit(GroupOptions);
        e->setObjectName(QString::fromLatin1(name));
        e->setFixedWidth(52);
        return e;
    };
    EditPMax = edit("EditPMax");
    EditTTranche = edit("EditTTranche");
    EditPTranche = edit("EditPTranche");
    int row = 0;
    for (auto [text, e] : {std::pair{"Profondeur max. (m) :", EditPMax},
                           {"Taille des tranches (m) :", EditTTranche},
                           {"Faire des tranches si prof > ", EditPTranche}}) {
        options->addWidget(new QLabel(QString::fromUtf8(text), GroupOptions), row, 0);
        options->addWidget(e, row, 1);
        ++row;
    }
    options->setColumnStretch(0, 1);
    panel->addWidget(GroupOptions);

    BOk = new QPushButton(QStringLiteral("Ok"), Panel);
    BOk->setObjectName(QStringLiteral("BOk"));
    BOk->setDefault(true);
    BAnnul = new QPushButton(QStringLiteral("Annuler"), Panel);
    BAnnul->setObjectName(QStringLiteral("BAnnul"));
    BNewFold = new QPushButton(QStringLiteral("Nouveau dossier"), Panel);
    BNewFold->setObjectName(QStringLiteral("BNewFold"));
    auto* buttons = new QHBoxLayout;
    buttons->addWidget(BOk);
    buttons->addWidget(BAnnul);
    buttons->addWidget(BNewFold);
    panel->addLayout(buttons);
    panel->addStretch(1);
    const QSize need = panel->sizeHint();
    Panel->setGeometry(0, 8, std::max(kPanelWidth, need.width()), std::max(kPanelHeight, need.height()));

    connect(BOk, &QPushButton::clicked, this, GuardedSlot([this] { BOkClick(); }));
    connect(BAnnul, &QPushButton::clicked, this, [this] { done(2); });
    connect(BNewFold, &QPushButton::clicked, this, GuardedSlot([this] { BNewFoldClick(); }));
    connect(EditPMax, &QLineEdit::editingFinished, this, GuardedSlot([this] { EditPMaxExit(); }));
    connect(EditPTranche, &QLineEdit::editingFinished, this, GuardedSlot([this] { EditPTrancheExit(); }));
    connect(EditTTranche, &QLineEdit::editingFinished, this, GuardedSlot([this] { EditTTrancheExit(); }));

    // The tree keeps the width it had beside a panel of 220 pixels.
    resize(560 + Panel->width() - kPanelWidth, std::max(kMinimumHeight, 2 * Panel->y() + Panel->height()));
    LayoutControls();
}

TFExpMeta::~TFExpMeta()
{
    if (FExpMeta == this) FExpMeta = nullptr;
}

void TFExpMeta::LayoutControls()
{
    // The panel keeps 8 pixels from the right edge; the tree takes the room
    // left of it, less 16 pixels.
    Panel->move(std::max(8, width() - Panel->width() - 8), Panel->y());
    DirTree->setGeometry(8, 8, std::max(40, Panel->x() - 16), std::max(40, height() - 16));
}

void TFExpMeta::FormShow()
{
    EditNb->setText(ToQString(IntToStr(collection_ ? static_cast<std::int64_t>(collection_->GetSelectedRows().size()) : 0)));
    const PrintSettings s = ReadPrintSettings();
    EditPMax->setText(ToQString(FloatToStr(s.ProfMaximum)));
    EditPTranche->setText(ToQString(FloatToStr(s.ProfTranches)));
    EditTTranche->setText(ToQString(FloatToStr(s.TailleTranches)));
    resize(width(), std::max(kMinimumHeight, 2 * Panel->y() + Panel->height()));
    LayoutControls();
    chosenFolder_ = "?";
}

void TFExpMeta::ExitEdit(QLineEdit* edit, const char* key)
{
    // A text that is not a number raises the conversion error; the setting
    // keeps its value.
    WritePrintSetting(key, StrToFloat(FromQString(edit->text())));
}

void TFExpMeta::EditPMaxExit() { ExitEdit(EditPMax, kProfMaximum); }
void TFExpMeta::EditPTrancheExit() { ExitEdit(EditPTranche, kProfTranches); }
void TFExpMeta::EditTTrancheExit() { ExitEdit(EditTTranche, kTailleTranches); }

void TFExpMeta::BNewFoldClick()
{
    const std::string selected = DirTree->GetSelectedPath();
    const std::string folder = WithSlash(selected);
    std::string name = "Nouveau";
    if (!AskQuestion(kNewFolderTitle, "Nom du dossier :", name)) return;
    const std::string path = folder + name;
    std::error_code ec;
    const bool made = selected != "?" && IsFolderName(name) && fs::create_directory(Utf8ToPath(path), ec) && !ec;
    if (!made) {
        ShowBox(kNewFolderTitle, "Impossible de cr\xC3\xA9" "er le dossier " + path);
        return;
    }
    DirTree->Reload();
    DirTree->SetSelectedPath(path);
}

void TFExpMeta::BOkClick()
{
    result_ = MetafileExportResult{};
    if (!collection_) {
        done(1);
        return;
    }
    const FolderChooser chooser = [](const std::string& caption) -> std::optional<std::string> {
        std::string chosen;
        if (!AskFolder(caption, "", chosen)) return std::nullopt;
        return chosen;
    };
    // A folder that does not exist is asked for; cancelling ends the export
    // with the chooser's message.
    const std::string folder = WithSlash(EnsureDirectory(DirTree->GetSelectedPath(), kExpMetaFolderCaption, chooser));
    chosenFolder_ = folder;

    CollectionView& child = *collection_;
    MetafileExportRequest request;
    request.Root = &child.FRoot();
    for (int r : child.GetSelectedRows())
        if (r >= 0 && r < child.RowCount()) {
            const CollectionViewRow row = child.RowAt(r);
            request.Rows.push_back({row.Indice, row.Design});
        }
    request.Tubes = [&child](const std::string& indice, const std::string& design) {
        return child.FillTubeList(indice, design, true);
    };
    request.Template = FromQString(MemoName->toPlainText());
    request.Folder = Utf8ToPath(folder);
    request.Emf = RadioEMF->isChecked();
    request.Settings = ReadPrintSettings();
    {
        BusyCursor busy;
        if (FProgress) FProgress->Start("Progression...", kExpMetaProgressLabel, 0, static_cast<int>(request.Rows.size()));
        request.Progress = [](int position) {
            if (FProgress) FProgress->SetPosition(position);
        };
        struct HideProgress {
            ~HideProgress()
            {
                if (FProgress) FProgress->hide();
            }
        } hide;
        result_ = ExportMetafiles(request);
    }
    done(1);
    if (!result_.Failures.empty())
        ShowErrorBox(kExpMetaCaption, IntToStr(static_cast<std::int64_t>(result_.Failures.size())) +
                                          " fichier(s) n'ont pas pu \xC3\xAAtre \xC3\xA9" "crits :\n" +
                                          result_.Failures.back());
}

void TFExpMeta::showEvent(QShowEvent* event)
{
    RunGuarded([this] { FormShow(); });
    QDialog::showEvent(event);
}

void TFExpMeta::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayoutControls();
}

// ---- the main window's command ------------------------------------------------

void ExporterWMF1Click(QWidget* parent, CollectionView* active)
{
    if (!active) return;
    if (!FExpMeta) FExpMeta = new TFExpMeta(parent);
    TFExpMeta& w = *FExpMeta;
    const std::string format = IniCarotix ? IniCarotix->ReadString(kMetafilesSection, kMetafilesFormat, "WMF") : "WMF";
    if (format == "EMF")
        w.RadioEMF->setChecked(true);
    else
        w.RadioWMF->setChecked(true);
    const std::string folder = IniCarotix ? IniCarotix->ReadString(kMetafilesSection, kMetafilesFolder, "") : "";
    try {
        w.DirTree->SetSelectedPath(folder);
    } catch (...) {
        // No folder stored yet: the tree keeps its selection.
    }
    w.SetCollection(active);
    const int result = w.exec();
    if (result == 1 && w.ChosenFolder() != "?" && IniCarotix) {
        IniCarotix->WriteString(kMetafilesSection, kMetafilesFolder, w.ChosenFolder());
        IniCarotix->WriteString(kMetafilesSection, kMetafilesFormat, w.RadioEMF->isChecked() ? "EMF" : "WMF");
    }
}
