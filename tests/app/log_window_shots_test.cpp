// Pictures of the program as it starts: the main window with a collection and
// the log window beside it, written to the build's shots/ folder for people to
// look at. The checks are on the layout and on pixels of the log, not glyphs.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QPixmap>

#include <filesystem>
#include <string>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/windows/startup.h"
#include "drawing/bandeau.h"
#include "drawing/hit_maps.h"
#include "drawing/windows/log_window.h"
#include "platform/fake_ui_services.h"
#include "sample_boreholes.h"
#include "scoped_global.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/app");

// The screen as the two windows cover it: each window's picture at its place.
QImage Screen(const QList<QWidget*>& windows)
{
    QRect all;
    for (QWidget* w : windows) all = all.united(w->frameGeometry());
    QImage screen(all.size(), QImage::Format_RGB32);
    screen.fill(QColor(0x3A, 0x6E, 0xA5));
    QPainter p(&screen);
    for (QWidget* w : windows) p.drawPixmap(w->geometry().topLeft() - all.topLeft(), w->grab());
    return screen;
}

TEST(LogWindowShots, MainWindowWithTheLogWindowBesideIt)
{
    ScopedGlobal<std::vector<TBandeauObjet>> titleBlock(BandeauObjets);  // loaded at start
    ASSERT_TRUE(QDir().mkpath(kFolder));
    TempProgramDir program(true, true);
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    ASSERT_TRUE(InitializeUnits(program.path()));
    {
        TDirBlock root("Carotix");
        BuildShallowWell(root, "PZ1");
        BuildDeepBorehole(root, "F2", 40, 85.0);
        root.SetPathString("Unit\xC3\xA9XY", 0, btString, "km");
        root.SaveToFile((program / "forages.crx").string());
    }
    auto session = std::make_unique<ProgramSession>((program / "forages.crx").string());
    session->EndProgram = [] {};
    session->Show();
    TFMain* main = session->Main();
    TFCoupe* coupe = session->Coupe();
    ASSERT_EQ(main->Children().size(), 1u);
    TFChild* child = main->Children().front();
    child->SelectRow("PZ1", "PZ1");
    child->StringGridClick();
    coupe->View.RebuildIfNeeded();

    // Select the second drawn level and hover the third.
    std::vector<TZoneRect> levels;
    for (const TZoneRect& z : ZonesNiveaux)
        if (z.Rect.Height() > 2) levels.push_back(z);
    ASSERT_GE(levels.size(), 3u);
    coupe->View.ToolSel = true;
    coupe->View.MouseDown(LogView::Button::Left, (levels[1].Rect.Left + levels[1].Rect.Right) / 2,
                          (levels[1].Rect.Top + levels[1].Rect.Bottom) / 2);
    coupe->View.ToolSel = false;
    coupe->View.RebuildIfNeeded();
    coupe->View.MouseMove((levels[2].Rect.Left + levels[2].Rect.Right) / 2,
                          (levels[2].Rect.Top + levels[2].Rect.Bottom) / 2);
    EXPECT_EQ(coupe->View.Survol.Name, "Niveau");

    const QImage screen = Screen({main, coupe});
    EXPECT_TRUE(screen.save(kFolder + "/main_and_log.png"));
    // Side by side, without a gap: the log window starts where the main
    // window ends.
    EXPECT_EQ(main->frameGeometry().right() + 1, coupe->frameGeometry().left());
    const QImage log = coupe->Area->grab().toImage();
    // The log is drawn: the drawing area is not all white.
    int coloured = 0;
    for (int y = 0; y < log.height(); y += 4)
        for (int x = 0; x < log.width(); x += 4)
            if ((log.pixel(x, y) & 0xFFFFFF) != 0xFFFFFF) ++coloured;
    EXPECT_GT(coloured, 100);

    // The deep borehole at zoom 2, scrolled down.
    child->SelectRow("F2", "F2");
    child->StringGridClick();
    coupe->CaptionButtonPlusClick();
    coupe->View.ScrollX = 0.3;
    coupe->View.ScrollY = 0.7;
    coupe->View.Redraw();
    EXPECT_TRUE(Screen({main, coupe}).save(kFolder + "/main_and_log_zoom2.png"));

    fake.AnswerMessage(MsgResult::No);  // only if asked
    fake.SetThrowOnUnexpected(false);
    main->close();
    session.reset();
    OptionsRelease();
}

}  // namespace
