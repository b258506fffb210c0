// The structure browser and the field multiplier: type names, the selected
// block's values and how they may be changed, renaming, the multiplier's
// field list and arithmetic (missing values, bad texts, overflow), and a
// headless round of each window through the "&Collection" menu.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>
#include <functional>
#include <memory>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/multiply_window.h"
#include "app/structure_logic.h"
#include "app/windows/structure_window.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

class StructureTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        OptionsInitialize(dir.path());
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "m");
        TDirBlock* b1 = root.ForceDir("B1");
        b1->SetPathString("Ouvrage\\" + kD, 0, btString, "F");
        b1->SetPathString("Ouvrage\\" + kD, 1, btString, "G");
        b1->SetPathInt("Ouvrage\\Zone", 1, btInt, 2);
        b1->SetPathFloat("Niveau\\Deb", 0, btFloat, 110);
        b1->SetPathFloat("Niveau\\Deb", 2, btFloat, 20);  // element 1 missing
        root.ForceDir("B2")->SetPathFloat("Ouvrage\\Z", 0, btFloat, 48);
        root.ForceDir("B3")->SetPathFloat("Niveau\\Deb", 0, btFloat, 5);
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }

    TempProgramDir dir;
    TDirBlock root{"Carotix"};
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

void OnNextModal(std::function<void(QWidget*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) return act(w);
        if (++*tries < 500) QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

QAction* MenuItem(QMenu* menu, const char* caption)
{
    for (QAction* a : menu->actions())
        if (a->text() == QString::fromUtf8(caption)) return a;
    return nullptr;
}

}  // namespace

TEST(StructureTypes, EveryCodeHasItsName)
{
    EXPECT_EQ(BlockTypeName(1), "R\xC3\xA9pertoire");
    EXPECT_EQ(BlockTypeName(5), "Chaine de caract\xC3\xA8re");
    EXPECT_EQ(BlockTypeName(8), "Chaine de caract\xC3\xA8re");
    EXPECT_EQ(BlockTypeName(9), "Nombre entier");
    EXPECT_EQ(BlockTypeName(10), "Nombre entier");
    EXPECT_EQ(BlockTypeName(11), "Nombre \xC3\xA0 virgule");
    EXPECT_EQ(BlockTypeName(12), "Nombre \xC3\xA0 virgule");
    for (int code : {0, 2, 3, 6, 7, 13}) EXPECT_EQ(BlockTypeName(code), "Inconnu");
}

TEST_F(StructureTest, SelectionOffersTheValuesAndProtectsTheDesignation)
{
    StructureBrowser b;
    b.Root = &root;
    StructureSelection s = b.Select({1, 0, 0});
    EXPECT_EQ(s.Path, "B1\\Ouvrage\\" + kD);
    EXPECT_EQ(s.Chemin, "Carotix\\B1\\Ouvrage\\" + kD);
    EXPECT_EQ(s.TypeName, "Chaine de caract\xC3\xA8re");
    EXPECT_EQ(s.Values, (std::vector<std::string>{"F", "G"}));
    EXPECT_EQ(s.Mode, StructureValuesMode::PickOnly);
    EXPECT_FALSE(s.ChangeEnabled);
    b.ReadOnly = false;
    s = b.Select({1, 0, 0});
    EXPECT_EQ(s.Mode, StructureValuesMode::Editable);
    EXPECT_TRUE(s.ChangeEnabled);

    s = b.Select({1, 0});
    EXPECT_EQ(s.TypeName, "R\xC3\xA9pertoire");
    EXPECT_EQ(s.Mode, StructureValuesMode::Disabled);
    s = b.Select({});
    EXPECT_EQ(s.Chemin, "Carotix\\");

    // Two siblings of one name stay two blocks.
    root.FindDir("B1\\Niveau")->AddChild(std::make_unique<TFloatBlock>("Deb", 7.5), true);
    s = b.Select({1, 1, 1});
    EXPECT_EQ(s.Path, "B1\\Niveau\\Deb");
    EXPECT_EQ(s.Values, std::vector<std::string>{"7,5"});
}

TEST_F(StructureTest, ChangeConvertsToTheBlocksTypeAndRenameRefusesASiblingsName)
{
    StructureBrowser b;
    b.Root = &root;
    b.ReadOnly = false;
    b.Select({1, 0, 1});  // Zone: integers, element 0 missing
    EXPECT_EQ(b.Change("12"), "12");
    const TBlock* zone = root.FindBlock("B1\\Ouvrage\\Zone");
    EXPECT_EQ(zone->BlockType(), btIntArray);
    EXPECT_EQ(zone->GetInt(0), 12);
    EXPECT_THROW(b.Change("douze"), EConvertError);
    b.Select({1, 1, 0});
    b.Choose(2);
    EXPECT_EQ(b.Change("1.5"), "1,5");
    EXPECT_EQ(root.GetPathFloat("B1\\Niveau\\Deb", 2), 1.5);

    b.Select({1, 0, 1});
    fake.AnswerMessage(MsgResult::Ok, "Renommer");
    EXPECT_FALSE(b.Rename(kD));
    EXPECT_FALSE(b.Rename(""));
    EXPECT_FALSE(b.Rename("A\\B"));
    EXPECT_TRUE(b.Rename("Zone2"));
    EXPECT_NE(root.FindBlock("B1\\Ouvrage\\Zone2"), nullptr);
    b.Select({});
    EXPECT_FALSE(b.Rename("Racine"));
    EXPECT_EQ(root.Name, "Carotix");
}

TEST_F(StructureTest, TheMultiplierChangesEveryPresentValueOnce)
{
    EXPECT_EQ(MultiplyFieldList(root), (std::vector<std::string>{"Niveau\\Deb", "Ouvrage\\Z"}));
    MultiplyField(root, "Niveau\\Deb", "0", "1", "0");
    EXPECT_EQ(root.GetPathFloat("B1\\Niveau\\Deb", 0), 110.0);
    MultiplyField(root, "Niveau\\Deb", "100", "0,3048", "0");
    EXPECT_EQ(root.GetPathString("B1\\Niveau\\Deb", 0), "3,048");
    EXPECT_TRUE(IsMissingFloat(root.GetPathFloat("B1\\Niveau\\Deb", 1)));
    EXPECT_EQ(root.GetPathFloat("B3\\Niveau\\Deb", 0), (5.0 - 100) * 0.3048);
    EXPECT_EQ(root.GetPathFloat("B2\\Ouvrage\\Z", 0), 48.0);  // no Niveau\Deb there
    MultiplyField(root, "Niveau\\Deb", "0", "2.5", "1");       // "." read too
    EXPECT_DOUBLE_EQ(root.GetPathFloat("B1\\Niveau\\Deb", 0), 3.048 * 2.5 + 1);

    const double before = root.GetPathFloat("B1\\Niveau\\Deb", 0);
    EXPECT_THROW(MultiplyField(root, "Niveau\\Deb", "0", "x", "0"), EConvertError);
    EXPECT_THROW(MultiplyField(root, "Niveau\\Deb", "0", "1E308", "0"), std::runtime_error);
    EXPECT_THROW(MultiplyField(root, "Ouvrage\\Z", "0", "1E307", "0"), std::runtime_error);
    EXPECT_EQ(root.GetPathFloat("B1\\Niveau\\Deb", 0), before);
    EXPECT_EQ(root.GetPathFloat("B2\\Ouvrage\\Z", 0), 48.0);
}

TEST_F(StructureTest, TheTwoWindowsThroughTheCollectionMenu)
{
    TFMain main;
    TFChild* child = main.Nouveau1Click();
    for (int i = 0; i < root.ItemCount(); ++i)
        if (const TDirBlock* d = root.ChildDir(i)) ASSERT_TRUE(child->FRoot().AddChild(d->CloneDir(), false));
    child->RefreshList();

    bool seen = false;
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TFStructure*>(w);
        ASSERT_NE(form, nullptr);
        seen = true;
        EXPECT_FALSE(form->BChange->isEnabled());
        QTreeWidgetItem* top = form->TreeView1->topLevelItem(0);
        ASSERT_NE(top, nullptr);
        QTreeWidgetItem* b1 = nullptr;
        for (int i = 0; i < top->childCount(); ++i)
            if (top->child(i)->text(0) == QStringLiteral("B1")) b1 = top->child(i);
        ASSERT_NE(b1, nullptr);
        QTreeWidgetItem* ouvrage = b1->child(0);
        form->TreeView1->setCurrentItem(ouvrage->child(0));  // Désign
        EXPECT_EQ(form->LType->text(), QString::fromUtf8("Chaine de caract\xC3\xA8re"));
        EXPECT_FALSE(form->ComboBox1->isEditable());
        EXPECT_TRUE(form->ComboBox1->isEnabled());
        EXPECT_FALSE(form->BChange->isEnabled());
        form->TreeView1->setCurrentItem(ouvrage->child(1));  // Zone
        EXPECT_EQ(form->LChemin->text(), QStringLiteral("Carotix\\B1\\Ouvrage\\Zone"));
        EXPECT_TRUE(form->ComboBox1->isEditable());
        form->ComboBox1->setCurrentIndex(1);
        emit form->ComboBox1->activated(1);
        form->ComboBox1->setEditText(QStringLiteral("7"));
        form->BChange->click();
        EXPECT_EQ(form->ComboBox1->itemText(1), QStringLiteral("7"));
        form->TreeView1->setCurrentItem(ouvrage);
        EXPECT_FALSE(form->ComboBox1->isEnabled());
        form->accept();
    });
    MenuItem(main.Collection1, "Explorer la structure de la collection...")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(child->FRoot().GetPathInt("B1\\Ouvrage\\Zone", 1), 7);

    seen = false;
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TFMultiply*>(w);
        ASSERT_NE(form, nullptr);
        seen = true;
        EXPECT_EQ(form->windowTitle(), QStringLiteral("Multiplier un champ"));
        ASSERT_EQ(form->CChamp->count(), 2);
        form->CChamp->setCurrentIndex(1);  // Ouvrage\Z
        form->EMul->setText(QStringLiteral("2"));
        form->BEff->click();
        EXPECT_TRUE(form->isVisible());  // the dialog stays open
        form->BFermer->click();
    });
    fake.AnswerMessage(MsgResult::Ok, "Multiplication");
    MenuItem(main.Collection1, "Multiplier un champ...")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_EQ(fake.Prompts().back().text, "Effectu\xC3\xA9");
    EXPECT_EQ(child->FRoot().GetPathFloat("B2\\Ouvrage\\Z", 0), 96.0);
    child->TakeSnapshot();
}
