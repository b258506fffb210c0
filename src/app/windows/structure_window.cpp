#include "app/windows/structure_window.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "platform/ui_services.h"
#include "platform/windows/qt_ui_services.h"
#include "store/blocks.h"

TFStructure* FStructure = nullptr;

TFStructure::TFStructure(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("FStructure"));
    setWindowTitle(QString::fromUtf8(kStructureCaption));
    resize(520, 480);
    auto* grid = new QGridLayout(this);
    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName(QStringLiteral("TreeView1"));
    TreeView1->setHeaderHidden(true);
    TreeView1->setIndentation(19);
    grid->addWidget(TreeView1, 0, 0, 1, 3);
    grid->setRowStretch(0, 1);
    grid->setColumnStretch(1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Chemin :"), this), 1, 0);
    LChemin = new QLabel(this);
    LChemin->setObjectName(QStringLiteral("LChemin"));
    grid->addWidget(LChemin, 1, 1, 1, 2);
    grid->addWidget(new QLabel(QString::fromUtf8("Type de donn\xC3\xA9" "es :"), this), 2, 0);
    LType = new QLabel(this);
    LType->setObjectName(QStringLiteral("LType"));
    grid->addWidget(LType, 2, 1, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Valeurs :"), this), 3, 0);
    ComboBox1 = new QComboBox(this);
    ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
    ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    grid->addWidget(ComboBox1, 3, 1);
    BChange = new QPushButton(QStringLiteral("Changer"), this);
    BChange->setObjectName(QStringLiteral("BChange"));
    BChange->setAutoDefault(false);
    grid->addWidget(BChange, 3, 2);

    Browser.ReadOnly = StructureReadOnlySetting();
    TreeView1->setEditTriggers(Browser.ReadOnly ? QAbstractItemView::NoEditTriggers
                                                : QAbstractItemView::EditKeyPressed | QAbstractItemView::SelectedClicked);

    connect(TreeView1, &QTreeWidget::currentItemChanged, this, GuardedSlot([this] { TreeView1Change(); }));
    connect(TreeView1, &QTreeWidget::itemChanged, this, GuardedSlot([this](QTreeWidgetItem* item) { TreeView1Edited(item); }));
    connect(ComboBox1, &QComboBox::activated, this, GuardedSlot([this](int line) { ComboBox1Click(line); }));
    connect(BChange, &QPushButton::clicked, this, GuardedSlot([this] { BChangeClick(); }));
}

TFStructure::~TFStructure()
{
    if (FStructure == this) FStructure = nullptr;
}

void TFStructure::StructureFillTree(const TBlock& block, QTreeWidgetItem* parent)
{
    auto* node = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(TreeView1);
    node->setText(0, ToQString(block.Name));
    if (parent && !Browser.ReadOnly) node->setFlags(node->flags() | Qt::ItemIsEditable);
    if (!block.IsDir()) return;
    for (const auto& child : static_cast<const TDirBlock&>(block).Items()) StructureFillTree(*child, node);
}

void StructureShow(TFStructure& form, TDirBlock& root)
{
    form.Browser.Root = &root;
    const QSignalBlocker block(form.TreeView1);
    form.TreeView1->clear();
    form.StructureFillTree(root, nullptr);
}

void TFStructure::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    Browser.Reset();
    BChange->setEnabled(false);
}

StructureChain TFStructure::ChainOf(const QTreeWidgetItem* item) const
{
    StructureChain chain;
    for (; item && item->parent(); item = item->parent()) 
        chain.insert(chain.begin(), item->parent()->indexOfChild(const_cast<QTreeWidgetItem*>(item)));
    return chain;
}

void TFStructure::DisableValues()
{
    ComboBox1->clear();
    ComboBox1->setEditText(QString());
    ComboBox1->setEnabled(false);
    BChange->setEnabled(false);
}

void TFStructure::ApplySelection(const StructureSelection& s)
{
    LChemin->setText(ToQString(s.Chemin));
    LType->setText(ToQString(s.TypeName));
    if (s.Mode == StructureValuesMode::Disabled) {
        DisableValues();
        return;
    }
    ComboBox1->setEditable(s.Mode == StructureValuesMode::Editable);
    if (ComboBox1->isEditable()) ComboBox1->setInsertPolicy(QComboBox::NoInsert);
    ComboBox1->clear();
    for (const std::string& v : s.Values) ComboBox1->addItem(ToQString(v));
    ComboBox1->setEnabled(true);
    BChange->setEnabled(s.ChangeEnabled);
    ComboBox1->setCurrentIndex(Browser.Index < ComboBox1->count() ? Browser.Index : -1);
}

void TFStructure::TreeView1Change()
{
    QTreeWidgetItem* item = TreeView1->currentItem();
    if (!item) {
        DisableValues();
        return;
    }
    ApplySelection(Browser.Select(ChainOf(item)));
}

void TFStructure::ComboBox1Click(int line) { Browser.Choose(line); }

void TFStructure::BChangeClick()
{
    const std::string stored = Browser.Change(FromQString(ComboBox1->currentText()));
    if (Browser.Index < ComboBox1->count()) ComboBox1->setItemText(Browser.Index, ToQString(stored));
}

void TFStructure::TreeView1Edited(QTreeWidgetItem* item)
{
    if (!item || Browser.ReadOnly || !Browser.Root) return;
    const StructureChain chain = ChainOf(item);
    const std::string name = FromQString(item->text(0));
    const TBlock* block = BlockAtChain(*Browser.Root, chain);
    if (!block || block->Name == name) return;
    const std::string old = block->Name;
    Browser.Select(chain);
    if (!Browser.Rename(name)) {
        const QSignalBlocker blocker(TreeView1);
        item->setText(0, ToQString(old));
    }
    if (item == TreeView1->currentItem()) TreeView1Change();
}
