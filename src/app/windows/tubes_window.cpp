#include "app/windows/tubes_window.h"

#include <QFontMetrics>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/table_commands.h"
#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"
#include "store/divers.h"
#include "store/options.h"

TFMultitubes* FMultitubes = nullptr;

namespace {

QLabel* WhiteLabel(QWidget* parent, const char* name)
{
    auto* l = new QLabel(parent);
    l->setObjectName(QString::fromUtf8(name));
    l->setAutoFillBackground(true);
    QPalette p = l->palette();
    p.setColor(QPalette::Window, Qt::white);
    l->setPalette(p);
    l->setMinimumWidth(120);
    return l;
}

}  // namespace

TFMultitubes::TFMultitubes(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FMultitubes"));
    setWindowTitle(QString::fromUtf8(kTubesCaption));
    auto* grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Ouvrage :"), this), 0, 0);
    LOuv = WhiteLabel(this, "LOuv");
    grid->addWidget(LOuv, 0, 1);
    auto* header = new QLabel(QString::fromUtf8("Ent\xC3\xAAte multitubes :"), this);
    grid->addWidget(header, 1, 0);
    LEnteteMulti = WhiteLabel(this, "LEnteteMulti");
    LEnteteMulti->setToolTip(QString::fromUtf8(kTubesHeaderHint));
    grid->addWidget(LEnteteMulti, 1, 1);
    grid->addWidget(new QLabel(QString::fromUtf8(kTubesListLabel), this), 2, 0, 1, 2);
    LTubes = new QListWidget(this);
    LTubes->setObjectName(QStringLiteral("LTubes"));
    LTubes->installEventFilter(this);
    grid->addWidget(LTubes, 3, 0, 1, 2);
    auto* buttons = new QVBoxLayout;
    auto button = [this, buttons](const char* name, const char* caption) {
        auto* b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromUtf8(name));
        b->setAutoDefault(false);
        buttons->addWidget(b);
        return b;
    };
    Button1 = button("Button1", "Ajouter");
    Button2 = button("Button2", "Supprimer");
    Button3 = button("Button3", "Renommer");
    BEdit = button("BEdit", "Editer...");
    BEdit->setDefault(true);
    buttons->addStretch();
    Button5 = button("Button5", "Fermer");
    Button4 = button("Button4", "?");
    Button6 = button("Button6", "Aide");
    grid->addLayout(buttons, 0, 2, 4, 1);
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    connect(Button1, &QPushButton::clicked, this, GuardedSlot([this] { Button1Click(); }));
    connect(Button2, &QPushButton::clicked, this, GuardedSlot([this] { Button2Click(); }));
    connect(Button3, &QPushButton::clicked, this, GuardedSlot([this] { Button3Click(); }));
    connect(BEdit, &QPushButton::clicked, this, GuardedSlot([this] { BEditClick(); }));
    connect(Button5, &QPushButton::clicked, this, GuardedSlot([this] { reject(); }));
    connect(Button4, &QPushButton::clicked, this, GuardedSlot([this] { Button4Click(); }));
    connect(Button6, &QPushButton::clicked, this, GuardedSlot([this] { Button6Click(); }));
    connect(LTubes, &QListWidget::itemDoubleClicked, this, GuardedSlot([this] { BEditClick(); }));
    connect(LTubes, &QListWidget::currentRowChanged, this, GuardedSlot([this](int row) { Tubes.Selected = row; }));

    EditTube = [this](const std::string& tube) {
        if (!child_) return;
        // The spreadsheet takes the tube of its opening from the main window.
        struct TubeNamed {
            explicit TubeNamed(const std::string& name)
            {
                if (FMain) FMain->SetTableTubeName(name);
            }
            ~TubeNamed()
            {
                if (FMain) FMain->SetTableTubeName("");
            }
        } named(tube);
        child_->EditTable(table_, false, -1, false);
    };
}

TFMultitubes::~TFMultitubes()
{
    if (FMultitubes == this) FMultitubes = nullptr;
}

void TFMultitubes::Open(TFChild* child, TDirBlock* root, const std::string& indice, const std::string& table,
                        const std::string& design)
{
    child_ = child;
    table_ = table;
    Tubes.Root = root;
    Tubes.TablePath = indice + "\\" + table;
    Tubes.Designation = design;
    LOuv->setText(ToQString(indice + " " + design));
}

void TFMultitubes::FormShow()
{
    Tubes.Refresh();
    FillList();
    LTubes->setFocus();
    LEnteteMulti->setText(ToQString(OptEnteteMultitube));
}

void TFMultitubes::FillList()
{
    const QSignalBlocker block(LTubes);
    LTubes->clear();
    const int height = QFontMetrics(LTubes->font()).height() + 4;  // the text height of "Hg" + 4
    for (const std::string& name : Tubes.Items) {
        auto* item = new QListWidgetItem(ToQString(name), LTubes);
        QFont f = LTubes->font();
        f.setBold(IsMultiTubeName(name, OptEnteteMultitube));
        item->setFont(f);
        item->setSizeHint(QSize(0, height));
    }
    LTubes->setCurrentRow(Tubes.Selected);
}

void TFMultitubes::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RunGuarded([this] { FormShow(); });
}

void TFMultitubes::Button1Click()
{
    if (Tubes.Add()) FillList();
}

void TFMultitubes::Button2Click()
{
    if (Tubes.Delete()) FillList();
}

void TFMultitubes::Button3Click()
{
    if (Tubes.Rename()) FillList();
}

void TFMultitubes::BEditClick()
{
    Tubes.Edit(EditTube);
    FillList();
}

void TFMultitubes::Button4Click() { ShowInformation(kTubesCaption, TubeManager::HeaderHelpText()); }

void TFMultitubes::Button6Click() { ShowInformation(kTubesCaption, TubeManager::HelpText()); }

void TFMultitubes::reject()
{
    bool close = true;
    RunGuarded([&] { close = Tubes.CanClose(); });
    if (close) QDialog::reject();
}

bool TFMultitubes::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == LTubes && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Insert || key == Qt::Key_Delete || key == Qt::Key_F2) {
            RunGuarded([&] {
                if (key == Qt::Key_Insert) Button1Click();
                else if (key == Qt::Key_Delete) Button2Click();
                else Button3Click();
            });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void MultitubesOpen(TFChild& child, const std::string& table)
{
    const int row = child.SelectedRow();
    if (row < 0 || row >= static_cast<int>(child.Rows().size())) return;
    const CollectionRow r = child.Rows()[static_cast<std::size_t>(row)];
    if (r.Indice.empty()) {
        ShowMessage(kInvalidSelectedRow);
        return;
    }
    TDirBlock& root = child.FRoot();
    const std::string path = r.Indice + "\\" + table;
    root.ForceDir(path);
    if (!FMultitubes) FMultitubes = new TFMultitubes(child.window());
    FMultitubes->Open(&child, &root, r.Indice, table, r.Design);
    FMultitubes->exec();
    FMultitubes->Open(nullptr, nullptr, std::string(), std::string(), std::string());
    // A table name that names nothing leaves the borehole itself at the path.
    if (table.empty()) return;
    // A table without any column holds nothing the editors show: it goes,
    // whatever else it was left holding.
    TDirBlock* dir = root.FindDir(path);
    if (!dir || !dir->Parent()) return;
    for (int i = 0; i < dir->ItemCount(); ++i)
        if (const TBlock* b = dir->Child(i); b && b->IsValue()) return;
    dir->Parent()->DeleteChild(dir->Parent()->IndexOf(dir));
}
