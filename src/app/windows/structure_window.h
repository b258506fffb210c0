// TFStructure: the structure browser ("Structure") of the "&Collection" menu.
// It shows every block of the active collection as a tree, the selected
// block's path, type and values, changes one value and, when the setting
// StructureLectureSeule allows it, renames blocks. The rules are
// StructureBrowser's (structure_logic.h).
#pragma once

#include <QDialog>

#include "app/structure_logic.h"

class QComboBox;
class QLabel;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

class TFStructure : public QDialog {
    Q_OBJECT
public:
    explicit TFStructure(QWidget* parent = nullptr);  // FormCreate
    ~TFStructure() override;

    void StructureFillTree(const TBlock& block, QTreeWidgetItem* parent);
    void TreeView1Change();
    void ComboBox1Click(int line);
    void BChangeClick();
    void TreeView1Edited(QTreeWidgetItem* item);
    // The node's chain of child indexes below the top node.
    StructureChain ChainOf(const QTreeWidgetItem* item) const;

    StructureBrowser Browser;
    QTreeWidget* TreeView1 = nullptr;
    QLabel* LChemin = nullptr;
    QLabel* LType = nullptr;
    QComboBox* ComboBox1 = nullptr;
    QPushButton* BChange = nullptr;

protected:
    void showEvent(QShowEvent* event) override;  // FormShow

private:
    void ApplySelection(const StructureSelection& s);
    void DisableValues();
};

extern TFStructure* FStructure;

// StructureShow: the tree of `root` loaded into the form (shown by the caller).
void StructureShow(TFStructure& form, TDirBlock& root);
