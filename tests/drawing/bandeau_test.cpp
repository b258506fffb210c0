// Title-block objects: their stored form in carotix.ini [Bandeau], read and
// written back, and where the title block puts them on a drawing.
#include <gtest/gtest.h>

#include <QImage>

#include "drawing/bandeau.h"
#include "drawing/hit_maps.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/title_block.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "platform/base/ini_file.h"
#include "platform/base/rtl_numbers.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

class BandeauTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        BandeauObjets.clear();
        BandeauModifie = false;
        savedTaille_ = OptTailleBandeau;
    }
    void TearDown() override
    {
        BandeauObjets.clear();
        BandeauModifie = false;
        OptTailleBandeau = savedTaille_;
    }
    TIniFile MakeIni(const std::string& text)
    {
        WriteFileBytes(dir_ / "carotix.ini", text);
        return TIniFile(dir_ / "carotix.ini");
    }
    TempDir dir_;
    std::int32_t savedTaille_ = 9;
};

TBandeauObjet Texte(int x1, int y1, int x2, int y2, int size, std::string text, std::uint8_t align)
{
    TBandeauObjet o;
    o.x1 = x1, o.y1 = y1, o.x2 = x2, o.y2 = y2, o.Size = size, o.Text = std::move(text), o.Align = align;
    return o;
}

TEST_F(BandeauTest, ValueLinesFollowTheStoredForm)
{
    EXPECT_EQ(BandeauObjetToString(Texte(0, 12, 60, 12, -1, "", 0)), "0,12,60,12,-1,\"\"");
    EXPECT_EQ(BandeauObjetToString(Texte(1, 2, 33, 10, 28, "Ouvrage %Indice%", 1)), "1,2,33,10,28,\"Ouvrage %Indice%\",left");
    EXPECT_EQ(BandeauObjetToString(Texte(1, 2, 3, 4, 5, "a", 2)), "1,2,3,4,5,\"a\",center");
    EXPECT_EQ(BandeauObjetToString(Texte(1, 2, 3, 4, 5, "a", 3)), "1,2,3,4,5,\"a\",right");
    EXPECT_EQ(BandeauObjetToString(Texte(-3, 2, 3, 4, 5, "dit \"X\"", 7)), "-3,2,3,4,5,\"dit \"\"X\"\"\"");
    BandeauObjets.push_back(Texte(1, 2, 3, 4, 5, "b", 1));
    EXPECT_EQ(BandeauObjetToString(std::size_t{0}), "1,2,3,4,5,\"b\",left");
    EXPECT_EQ(BandeauObjetToString(std::size_t{1}), "");
}

TEST_F(BandeauTest, TextsWithQuotesCommasAndBlanksReadBackWhole)
{
    const std::vector<TBandeauObjet> objets = {
        Texte(0, 12, 60, 12, -1, "", 1),
        Texte(1, 2, 33, 10, 28, "Z = %Ouvrage\\Z%, prof. \"%Ouvrage\\Prof%\"", 1),
        Texte(35, 2, 59, 10, 22, "  deux  blancs, \"\" ,,", 2),
        Texte(5, 6, 7, 8, 0, "à droite", 3),
        Texte(-5, 600, 70, -8, 1000, "é\"", 1),
    };
    for (const TBandeauObjet& o : objets) {
        BandeauObjets.clear();
        ASSERT_TRUE(BandeauObjetFromString("Objet0=" + BandeauObjetToString(o))) << o.Text;
        ASSERT_EQ(BandeauObjets.size(), 1u);
        EXPECT_EQ(BandeauObjets[0], o) << o.Text;
    }
}

TEST_F(BandeauTest, AlignmentWordsIgnoreCaseAndDefaultToLeft)
{
    ASSERT_TRUE(BandeauObjetFromString("Objet0=1,2,3,4,5,\"a\",Center"));
    ASSERT_TRUE(BandeauObjetFromString("Objet1=1,2,3,4,5,\"a\",RIGHT"));
    ASSERT_TRUE(BandeauObjetFromString("Objet2=1,2,3,4,5,\"a\",milieu"));
    ASSERT_TRUE(BandeauObjetFromString("Objet3=0,1,2,3,-1,\"\",left"));
    ASSERT_TRUE(BandeauObjetFromString("Objet4=0,1,2,3,-1,\"\""));  // a line written with Align 0
    ASSERT_TRUE(BandeauObjetFromString("Objet5=1,2,3,4,5"));       // no text at all
    ASSERT_TRUE(BandeauObjetFromString("Objet6=1,2,3,4,5,\"a\",right,en,trop"));
    std::vector<int> aligns;
    for (const TBandeauObjet& o : BandeauObjets) aligns.push_back(o.Align);
    EXPECT_EQ(aligns, (std::vector<int>{2, 3, 1, 1, 1, 1, 3}));
    EXPECT_EQ(BandeauObjets[5].Text, "");
    for (const TBandeauObjet& o : BandeauObjets)
        EXPECT_EQ(o.Selected, 0);
}

TEST_F(BandeauTest, LinesWithTooFewFieldsOrBadNumbersAddNothing)
{
    EXPECT_FALSE(BandeauObjetFromString("Objet0=1,2,3,4"));
    EXPECT_FALSE(BandeauObjetFromString(""));
    EXPECT_THROW(BandeauObjetFromString("Objet0=1,2,x,4,5,\"a\""), EConvertError);
    EXPECT_THROW(BandeauObjetFromString("Objet0=1,2,3.5,4,5"), EConvertError);
    EXPECT_TRUE(BandeauObjets.empty());
    // The "=" only counts as the key's when it stands before the first quote.
    ASSERT_TRUE(BandeauObjetFromString("1,2,3,4,5,\"a=b\""));
    EXPECT_EQ(BandeauObjets.back().Text, "a=b");
}

TEST_F(BandeauTest, FieldsFollowTheCommaTextRule)
{
    using V = std::vector<std::string>;
    EXPECT_EQ(SplitBandeauFields("a,,b"), (V{"a", "", "b"}));
    EXPECT_EQ(SplitBandeauFields("a,"), (V{"a"}));
    EXPECT_EQ(SplitBandeauFields("  a b , c"), (V{"a", "b", "c"}));
    EXPECT_EQ(SplitBandeauFields("\"x, \"\"y\"\"\",z"), (V{"x, \"y\"", "z"}));
    EXPECT_EQ(SplitBandeauFields("\"unclosed, rest"), (V{"unclosed, rest"}));
    EXPECT_EQ(SplitBandeauFields(""), V{});
}

TEST_F(BandeauTest, LoadingKeepsTheFileOrderAndSkipsOnlyDamagedLines)
{
    TIniFile ini = MakeIni(
        "[Dessin]\r\nTailleBandeau=12\r\n"
        "[Bandeau]\r\n"
        "; commentaire\r\n"
        "Objet5=0,12,60,12,-1,\"\"\r\n"
        "Objet0=1,2,33,10,28,\"Ouvrage %Indice%\",left\r\n"
        "Objet1=1,2,zz,10,28,\"perdu\",left\r\n"
        "Objet2=1,2,3\r\n"
        "Objet3=35,2,59,10,22,\"Commune\",center\r\n"
        "[Autre]\r\nObjet9=1,2,3,4,5\r\n");
    BandeauObjets.push_back(Texte(9, 9, 9, 9, 9, "ancien", 1));
    BandeauModifie = true;
    const std::vector<std::string> errors = BandeauCharger(ini);
    EXPECT_FALSE(BandeauModifie);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_NE(errors[0].find("zz"), std::string::npos);
    ASSERT_EQ(BandeauObjets.size(), 3u);
    EXPECT_TRUE(BandeauObjets[0].IsLine());
    EXPECT_EQ(BandeauObjets[1].Text, "Ouvrage %Indice%");
    EXPECT_EQ(BandeauObjets[2].Text, "Commune");
    EXPECT_EQ(BandeauObjets[2].Align, 2);
}

TEST_F(BandeauTest, AnEmptyOrMissingSectionGivesAnEmptyTitleBlock)
{
    TIniFile ini = MakeIni("[Dessin]\r\nTailleBandeau=9\r\n[Bandeau]\r\n");
    EXPECT_TRUE(BandeauCharger(ini).empty());
    EXPECT_TRUE(BandeauObjets.empty());
    TIniFile none = MakeIni("[Dessin]\r\n");
    EXPECT_TRUE(BandeauCharger(none).empty());
    EXPECT_TRUE(BandeauObjets.empty());
}

TEST_F(BandeauTest, SavingHappensOnlyWhenChangedAndRenumbersTheKeys)
{
    const std::string original =
        "[Dessin]\r\nTailleBandeau=9\r\n"
        "[Bandeau]\r\nObjet5=0,12,60,12,-1,\"\"\r\nObjet0=1,2,33,10,28,\"a, \"\"b\"\"\",right\r\n"
        "[Tables]\r\nNiveau=Table(Niveau)\r\n";
    TIniFile ini = MakeIni(original);
    BandeauCharger(ini);
    OptTailleBandeau = 15;
    BandeauEnregistrer(ini);  // not changed: nothing written
    EXPECT_EQ(ReadFileBytes(dir_ / "carotix.ini"), original);

    BandeauModifie = true;
    BandeauEnregistrer(ini);
    EXPECT_EQ(ini.ReadString("Dessin", "TailleBandeau", ""), "15");
    const std::vector<std::string> keys = ini.ReadSection("Bandeau");
    EXPECT_EQ(keys, (std::vector<std::string>{"Objet0", "Objet1"}));
    // A line read back carries Align 1, so it is written with ",left".
    EXPECT_EQ(ini.ReadSectionLines("Bandeau").at(0), "Objet0=0,12,60,12,-1,\"\",left");
    EXPECT_EQ(ini.ReadString("Tables", "Niveau", ""), "Table(Niveau)");

    const std::vector<TBandeauObjet> before = BandeauObjets;
    BandeauCharger(ini);
    EXPECT_EQ(BandeauObjets, before);
    EXPECT_EQ(BandeauObjets[1].Text, "a, \"b\"");

    // An emptied title block leaves an empty section.
    BandeauObjets.clear();
    BandeauModifie = true;
    BandeauEnregistrer(ini);
    BandeauCharger(ini);
    EXPECT_TRUE(BandeauObjets.empty());
}

// ---------------------------------------------------------------------------
// Placement on the drawing
// ---------------------------------------------------------------------------

TEST(TitleBlockGeometry, BandUnitsMapOntoTheDrawing)
{
    // 60 units across a 1000-pixel drawing (Right - Left = 999): 499.5 + 1 = 500.5 -> 500.
    EXPECT_EQ((std::vector<int>{BandeauPx(0, 0, 999), BandeauPx(60, 0, 999), BandeauPx(30, 0, 999), BandeauPx(34, 100, 1099)}),
              (std::vector<int>{1, 1000, 500, 667}));
    // 4 x 9 units down a band of 127 rows (42.33, 63.5 -> 64); a band without
    // height puts everything on its top line.
    EXPECT_EQ((std::vector<int>{BandeauPy(0, 0, 127, 9), BandeauPy(36, 0, 127, 9), BandeauPy(12, 0, 127, 9),
                                BandeauPy(18, 10, 10 + 127, 9), BandeauPy(20, 5, 5, 0), BandeauPy(20, 5, 80, -3)}),
              (std::vector<int>{0, 127, 42, 74, 5, 5}));
    // Values far outside the band do not overflow.
    EXPECT_EQ(BandeauPx(2147483647, 0, 2147483647), 2147483647);
}

std::int32_t EightPerChar(std::string_view s, void*) { return static_cast<std::int32_t>(8 * s.size()); }

TEST(TitleBlockGeometry, TooWideTextsEndWithAnEllipsis)
{
    EXPECT_EQ(TexteCellule("abcd", 32, &EightPerChar, nullptr), "abcd");
    EXPECT_EQ(TexteCellule("abcdef", 40, &EightPerChar, nullptr), "ab...");
    // Narrower than the ellipsis itself: the loop ends with nothing left.
    EXPECT_EQ(TexteCellule("abcdef", 10, &EightPerChar, nullptr), "...");
    EXPECT_EQ(TexteCellule("abcdef", -50, &EightPerChar, nullptr), "...");
}

TEST(TitleBlockGeometry, BottomPictureIsCentredBelowThePage)
{
    // 1000 x 1414, OptTailleImageBas 10: YPage 1273, PenThick 3, PenMedium 1;
    // a picture twice as wide as high.
    EXPECT_EQ(RectImageBas(0, 999, 1413, 1273, 3, 1, 400, 200), (TRect{364, 1275, 634, 1410}));
    // Very wide pictures are held to the drawing's width.
    const TRect wide = RectImageBas(0, 999, 1413, 1273, 3, 1, 100000, 10);
    EXPECT_EQ(wide.Width(), 1000 - 3 - 2);
    EXPECT_EQ(wide.Left, 2);
    EXPECT_TRUE(RectImageBas(0, 999, 1413, 1273, 3, 1, 0, 10).IsEmpty());
    EXPECT_TRUE(RectImageBas(0, 999, 1413, 1413, 3, 1, 10, 10).IsEmpty());
}

TEST(TitleBlockGeometry, BottomPictureFilesThatCannotBeReadLeaveNoPicture)
{
    TempDir dir;
    SetImageBas(QImage(4, 2, QImage::Format_RGB32));
    std::string error;
    WriteFileBytes(dir / "faux.jpg", "pas une image");
    EXPECT_FALSE(ChargerImageBas(dir / "faux.jpg", &error));
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(ImageBas().isNull());
    EXPECT_FALSE(ChargerImageBas(dir / "absente.jpg", &error));

    QImage img(40, 20, QImage::Format_RGB32);
    img.fill(Qt::blue);
    ASSERT_TRUE(img.save(QString::fromStdString((dir / "bas.jpg").string()), "JPEG"));
    EXPECT_TRUE(ChargerImageBas(dir / "bas.jpg", &error)) << error;
    EXPECT_EQ(ImageBas().width(), 40);
    EXPECT_EQ(ImageBas().height(), 20);
    EXPECT_TRUE(ChargerImageBas({}));
    EXPECT_TRUE(ImageBas().isNull());
}

TEST(TitleBlockGeometry, BottomPictureNamedInTheSettings)
{
    TempProgramDir program(true, false);
    OptionsInitialize(program.path());
    EXPECT_TRUE(ChargerImageBasReglages());  // shipped empty
    EXPECT_TRUE(ImageBas().isNull());
    QImage img(30, 10, QImage::Format_RGB32);
    img.fill(Qt::red);
    ASSERT_TRUE(img.save(QString::fromStdString((program.path() / "logo.jpg").string()), "JPEG"));
    IniCarotix->WriteString("Dessin", "ImageBas", "logo.jpg");
    EXPECT_TRUE(ChargerImageBasReglages());
    EXPECT_EQ(ImageBas().width(), 30);
    IniCarotix->WriteString("Dessin", "ImageBas", "absente.jpg");
    std::string error;
    EXPECT_FALSE(ChargerImageBasReglages(&error));
    EXPECT_TRUE(ImageBas().isNull());
    OptionsRelease();
}

TEST_F(BandeauTest, TitleBlockCellsAreFilledAlignedAndCut)
{
    RecordingCanvas canvas;
    canvas.SetTextMeasurer(std::make_shared<FixedTextMetrics>(8, 16));
    SetDrawCanvas(&canvas);
    SetTextFont("Verdana", -14);
    ClearLineBatches();
    ResetZonesCoupe();
    OptTailleBandeau = 9;
    ScopedDecimalSeparator decimalSeparator(',');
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "PZ1");
    SetSampleOuvrage(bh, "PZ1", 12.5);
    LogContext log;
    log.Root = &root;
    log.Path = "PZ1";
    log.Designation = "PZ1";
    log.Target = &canvas;
    log.Left = 0, log.Top = 0, log.Right = 599, log.Bottom = 999;
    log.W = 600, log.H = 1000;
    log.YBandeau = 90;
    log.ResetMaps = true;

    // Cells 10 units (100 pixels) wide: 12 characters of 8 pixels fit.
    BandeauObjets = {
        Texte(0, 12, 60, 12, -1, "", 0),
        Texte(0, 0, 10, 12, 20, "%Indice%", 2),                      // "PZ1": centred
        Texte(10, 0, 20, 12, 20, "P = %Ouvrage\\Prof%", 3),          // right-aligned
        Texte(20, 0, 30, 12, 20, "%Dossier\\Commune% et un texte trop long", 3),
    };
    DessinerEntete(log);
    const std::vector<CanvasRecord> texts = canvas.RecordsOf(CanvasOp::TextRect);
    ASSERT_EQ(texts.size(), 3u);
    // px(x) = [x / 60 x 599 + 1], py(y) = [y / 36 x 90].
    EXPECT_EQ(texts[0].Rect, (TRect{1, 0, 101, 30}));
    EXPECT_EQ(texts[0].Text, "PZ1");
    EXPECT_EQ(texts[0].Points[0], (TPoint{(1 + 101 - 24) / 2, 0}));
    EXPECT_EQ(texts[0].Font.Height, 12);  // [599 / 1000 x 20]
    EXPECT_EQ(texts[0].Brush.Style, BrushStyle::Clear);
    EXPECT_EQ(texts[1].Text, "P = 12,5");
    EXPECT_EQ(texts[1].Points[0].X, 201 - 64);
    // Too wide: cut with "..." and written at the left whatever the alignment.
    EXPECT_EQ(texts[2].Text, " et un te...");
    EXPECT_EQ(texts[2].Points[0].X, 201);
    EXPECT_EQ(ZonesOuvrage.size(), 1u);
    EXPECT_EQ(ZonesDossier.size(), 1u);
    EXPECT_EQ(ZonesDossier[0], (TRect{201, 0, 300, 30}));
    // The frame (thick), the band line and the line object (medium).
    EXPECT_EQ(BatchB.PolylineCount, 4);
    EXPECT_EQ(BatchA.PolylineCount, 2);
    EXPECT_EQ(canvas.Brush.Style, BrushStyle::Solid);
    ClearLineBatches();
    ResetZonesCoupe();
    SetDrawCanvas(nullptr);
}

}  // namespace
