// The main window's status bar as a person reads it: the long hint of the
// menu item or tool button under the mouse, whole, and the collection
// window's line of undescribed codes; nothing about crash copies while this
// instance keeps them itself.
#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>
#include <QToolButton>

#include <filesystem>
#include <string>
#include <vector>

#include "app/windows/main_window.h"
#include "e2e_program.h"
#include "store/blocks.h"

namespace {

class StatusBarE2e : public E2eTest {
protected:
    QStatusBar* Bar() { return Main().statusBar(); }
    std::string Message() { return Bar()->currentMessage().toStdString(); }

    // Nothing of the bar covers the message: every widget shown in it lies
    // right of the message's text.
    void ExpectWhole(const std::string& what)
    {
        const QString text = Bar()->currentMessage();
        const int end = 6 + Bar()->fontMetrics().horizontalAdvance(text);
        EXPECT_LE(end, Bar()->width() - 12) << what << ": wider than the bar";
        for (QWidget* w : Bar()->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
            if (w->isVisible()) EXPECT_LE(end, w->x() - 2) << what << ": covered by " << w->objectName().toStdString();
    }

    // No text of the bar speaks of crash copies.
    void ExpectNoCopiesText()
    {
        EXPECT_EQ(Message().find("Copies de secours"), std::string::npos);
        for (QLabel* l : Bar()->findChildren<QLabel*>())
            if (l->isVisible()) EXPECT_EQ(l->text().indexOf(QStringLiteral("Copies de secours")), -1) << l->text().toStdString();
    }

    // The visible tool button of the main window whose action has this
    // caption (the fixed tool bar may be shown on several rows).
    QToolButton* ToolButton(const QString& caption)
    {
        for (QToolButton* b : Main().findChildren<QToolButton*>())
            if (b->isVisible() && b->defaultAction() && b->defaultAction()->text() == caption) return b;
        return nullptr;
    }
};

TEST_F(StatusBarE2e, TheHintUnderTheMouseShowsWhole)
{
    Start();
    Settle(50);
    ExpectNoCopiesText();

    struct MenuHint {
        std::vector<std::string> path;
    };
    // The longest hints of the menus.
    const std::vector<MenuHint> items = {
        {{"&Fichier", "Importer fichiers &Ora..."}},
        {{"&Fichier", "Importer &Csv..."}},
        {{"&Fichier", "Importer &Dravel..."}},
    };
    for (const MenuHint& item : items) {
        QAction* a = FindMenuItem(&Main(), item.path);
        ASSERT_TRUE(a) << item.path.back();
        ASSERT_FALSE(a->statusTip().isEmpty()) << item.path.back();
        ASSERT_TRUE(HoverMenu(item.path)) << item.path.back();
        EXPECT_EQ(Bar()->currentMessage(), a->statusTip()) << item.path.back();
        ExpectWhole(item.path.back());
        ExpectNoCopiesText();
        CloseMenus();
    }

    for (const char* caption : {"Ouvrir", "Couper", "Coller"}) {
        QToolButton* button = ToolButton(QString::fromUtf8(caption));
        ASSERT_TRUE(button) << caption;
        Hover(button);
        EXPECT_EQ(Bar()->currentMessage(), button->defaultAction()->statusTip()) << caption;
        EXPECT_FALSE(Bar()->currentMessage().isEmpty()) << caption;
        ExpectWhole(caption);
        ExpectNoCopiesText();
        Hover(Main().centralWidget());
    }
}

TEST_F(StatusBarE2e, TheUndescribedCodesOfTheChosenBoreholeShowWhole)
{
    // A borehole whose levels carry codes that no coding rule describes.
    TDirBlock root("Carotix");
    root.SetPathString("F1\\Ouvrage\\D\xC3\xA9sign", 0, btString, "F1");
    root.SetPathString("F1\\Niveau\\D\xC3\xA9sign", 0, btString, "F1");
    root.SetPathString("F1\\Niveau\\D\xC3\xA9sign", 1, btString, "F1");
    root.SetPathString("F1\\Niveau\\CodeNiv", 0, btString, "XQZW");
    root.SetPathString("F1\\Niveau\\CodeNiv", 1, btString, "YKJV");
    const std::filesystem::path file = SavePath("codes.crx");
    root.SaveToFile(file.string());

    Start();
    TFChild& c = Open(file);
    ClickRow(c, 0);
    EXPECT_EQ(Message(), "Codes non d\xC3\xA9" "crits : XQZW, YKJV");
    ExpectWhole("codes");
    ExpectNoCopiesText();
}

}  // namespace
