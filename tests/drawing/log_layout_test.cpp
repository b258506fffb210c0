// The log's depth range, its layout in exact fractions of the drawing size,
// the depth-to-row mapping and the rows that belong to the drawn ouvrage.
#include <cmath>
#include <limits>

#include "log_test_support.h"
#include "drawing/bandeau.h"
#include "store/divers.h"

namespace {

// ---------------------------------------------------------------------------
// Rows of the drawn ouvrage
// ---------------------------------------------------------------------------

TEST(LogRows, OneRuleDecidesWhichRowsBelongToTheOuvrage)
{
    TStrArrayBlock design("Désign");
    design.Resize(4);
    design.SetString(0, "A");
    design.SetString(2, "B2");
    design.SetString(3, "A");
    // A row without designation belongs to no named ouvrage; drawing no
    // designation in particular draws every row of the borehole.
    const std::vector<std::pair<std::string, std::vector<int>>> cases = {
        {"A", {0, 3}}, {"B2", {2}}, {"B", {}}, {"", {0, 1, 2, 3}}};
    for (const auto& [ouvrage, rows] : cases) {
        std::vector<int> kept;
        for (int r = 0; r < 4; ++r)
            if (RowBelongsToOuvrage(&design, r, ouvrage)) kept.push_back(r);
        EXPECT_EQ(kept, rows) << ouvrage;
    }
    EXPECT_TRUE(RowBelongsToOuvrage(nullptr, 5, "A"));   // no "Désign" column: the whole borehole
}

TEST(LogRows, OuvrageRowIsTheDesignationsOwnRow)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "X");
    SetSampleOuvrage(bh, "A", 10.0);
    SetSampleOuvrage(bh, "B", 40.0);
    EXPECT_EQ(OuvrageRowOf(bh, "B"), 1);
    EXPECT_EQ(OuvrageRowOf(bh, "A"), 0);
    EXPECT_EQ(OuvrageRowOf(bh, "C"), -1);

    TDirBlock& plain = AddSampleBorehole(root, "Y");
    AppendSampleRow(plain, "Ouvrage", {{"Prof", 12.0}});
    EXPECT_EQ(OuvrageRowOf(plain, "Y"), 0);  // no "Désign": the table is the borehole's
    TDirBlock& none = AddSampleBorehole(root, "Z");
    EXPECT_EQ(OuvrageRowOf(none, "Z"), -1);

    // A row without designation describes no other ouvrage.
    TDirBlock& unnamed = AddSampleBorehole(root, "W");
    SetSampleOuvrage(unnamed, "A", 10.0);
    SetSampleOuvrage(unnamed, "", 20.0);
    EXPECT_EQ(OuvrageRowOf(unnamed, "Q"), -1);
    EXPECT_EQ(OuvrageRowOf(unnamed, ""), 1);
}

TEST(LogRows, CellsThatAreNotFiniteNumbersAreMissing)
{
    TFloatArrayBlock col("Fin", {1.5, std::numeric_limits<double>::quiet_NaN(),
                                 std::numeric_limits<double>::infinity(), MissingFloat});
    EXPECT_EQ(CellFloat(&col, 0), 1.5);
    EXPECT_TRUE(IsMissingFloat(CellFloat(&col, 1)));
    EXPECT_TRUE(IsMissingFloat(CellFloat(&col, 2)));
    EXPECT_TRUE(IsMissingFloat(CellFloat(&col, 3)));
    EXPECT_TRUE(IsMissingFloat(CellFloat(&col, 4)));
    EXPECT_TRUE(IsMissingFloat(CellFloat(nullptr, 0)));
}

// ---------------------------------------------------------------------------
// Depth range
// ---------------------------------------------------------------------------

TEST(LogBounds, TheAutomaticRangeStartsAtTheGround)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(2, 7, "", "a"), MakeSampleLevel(7, 12, "", "b")});
    double top = -1, bottom = -1;
    EXPECT_EQ(BornesNiveaux(root, "P", "P", top, bottom), 12.0);
    EXPECT_EQ(top, 0.0);
    EXPECT_EQ(EtendueProfondeur(root, "P", "P", ""), 12.0);
    EXPECT_FALSE(CoupeVide(root, "P", "P", ""));
    EXPECT_TRUE(CoupeVide(root, "absent", "P", ""));
    EXPECT_EQ(BornesNiveaux(root, "absent", "P", top, bottom), 0.0);
}

TEST(LogBounds, ALevelAboveGroundMovesTheTopAboveZero)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(-3, 1, "", "remblai"), MakeSampleLevel(1, 9, "", "sable")});
    double top = 0, bottom = 0;
    BornesNiveaux(root, "P", "P", top, bottom);
    EXPECT_EQ(top, -3.0);
    EXPECT_EQ(bottom, 9.0);
    EXPECT_EQ(EtendueProfondeur(root, "P", "P", ""), 12.0);
}

TEST(LogBounds, EachTableWidensWithItsOwnColumnsAndFilters)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 30.0}, {"Diam", 300.0}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 31.0}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 45.0}, {"Diam", 500.0}, {"NomTube", std::string("PMT2")}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 32.0}, {"Diam", 160.0}, {"NomTube", std::string("")}});
    AppendSampleRow(bh, "Tubage",
                    {{"Deb", 0.0}, {"Fin", 38.0}, {"Diam", 120.0}, {"NomTube", OptNomTubeSimple}});
    AppendSampleRow(bh, "Pompage", {{"Deb", 0.0}, {"Fin", 99.0}});  // not a table of the log
    // Every tube: the deepest casing counts.
    EXPECT_EQ(EtendueProfondeur(root, "P", "", ""), 45.0);
    // Tube PMT1: the casing of PMT2 is left out; the ones without a tube name
    // or of the single tube are kept.
    EXPECT_EQ(EtendueProfondeur(root, "P", "", "PMT1"), 38.0);

    LogContext log;
    log.BoreholeDir = root.FindDir("P");
    log.TubeName = "PMT1";
    CalculerBornesCoupe(log);
    EXPECT_EQ(log.DiamMax, 300.0);
    log.TubeName = "PMT2";
    CalculerBornesCoupe(log);
    EXPECT_EQ(log.DiamMax, 500.0);
}

TEST(LogBounds, RowsOfOtherOuvragesAreLeftOut)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "P");
    SampleLevelColumns cols;
    cols.Design = true;
    AddSampleLevels(bh,
                    {MakeSampleLevel(0, 10, "", "a", "", "", "P1"), MakeSampleLevel(0, 80, "", "b", "", "", "P2"),
                     MakeSampleLevel(10, 14, "", "c", "", "", "")},
                    cols);
    // The level without designation widens no named ouvrage's range.
    EXPECT_EQ(EtendueProfondeur(root, "P", "P1", ""), 10.0);
    EXPECT_EQ(EtendueProfondeur(root, "P", "P2", ""), 80.0);
    EXPECT_EQ(EtendueProfondeur(root, "P", "", ""), 80.0);
}

TEST(LogBounds, DiameterOfTheOuvrageOnlyRaisesTheLargest)
{
    TDirBlock root("Carotix");
    TDirBlock& bh = AddSampleBorehole(root, "P");
    SetSampleOuvrage(bh, "P", 20.0, 150.0);
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 20.0}, {"Diam", 250.0}});
    LogContext log;
    log.BoreholeDir = &bh;
    log.Designation = "P";
    log.OuvrageRow = OuvrageRowOf(bh, "P");
    CalculerBornesCoupe(log);
    EXPECT_EQ(log.DiamMax, 250.0);

    TDirBlock& bare = AddSampleBorehole(root, "Q");
    AddSampleLevels(bare, {MakeSampleLevel(0, 5, "", "a")});
    log.BoreholeDir = &bare;
    log.OuvrageRow = OuvrageRowOf(bare, "Q");
    CalculerBornesCoupe(log);
    EXPECT_EQ(log.DiamMax, 100.0);

    SetSampleOuvrage(bare, "Q", 5.0, 400.0);
    log.OuvrageRow = OuvrageRowOf(bare, "Q");
    CalculerBornesCoupe(log);
    EXPECT_EQ(log.DiamMax, 400.0);
}

TEST(LogBounds, TheWindowIsCountedFromTheAutomaticTop)
{
    LogContext log;
    log.ProfHaut = 0;
    log.ProfBas = 50;
    log.Etendue = 50;
    AppliquerFenetre(log, 10, 20);
    EXPECT_EQ(log.ProfHaut, 10.0);
    EXPECT_EQ(log.ProfBas, 20.0);

    log.ProfHaut = -5;
    log.ProfBas = 50;
    log.Etendue = 55;
    AppliquerFenetre(log, 10, 20);
    EXPECT_EQ(log.ProfHaut, 5.0);
    EXPECT_EQ(log.ProfBas, 15.0);

    // Automatic when either end is missing or the range is empty.
    log.ProfHaut = 0;
    log.ProfBas = 50;
    log.Etendue = 50;
    AppliquerFenetre(log, MissingFloat, 20);
    EXPECT_EQ(log.ProfBas, 50.0);
    log.Etendue = 0;
    log.ProfBas = 0;
    AppliquerFenetre(log, 10, 20);
    EXPECT_EQ(log.ProfBas, 0.0);
}

// ---------------------------------------------------------------------------
// Layout
// ---------------------------------------------------------------------------

class LogLayout : public LogTest {
protected:
    LogContext Layout(int left, int top, int w, int h, double profBas)
    {
        LogContext log;
        log.Target = &canvas;
        log.Left = left;
        log.Top = top;
        log.Right = left + w - 1;
        log.Bottom = top + h - 1;
        log.W = w;
        log.H = h;
        log.ProfBas = profBas;
        log.Etendue = profBas;
        SetDrawCanvas(&canvas);
        SetTextFont("Verdana", -(h / 100));
        CalculerMiseEnPage(log);
        return log;
    }
};

TEST_F(LogLayout, FractionsOfAnA4Page)
{
    const LogContext log = Layout(0, 0, 1000, 1414, 12.0);
    EXPECT_EQ(BaseLineHeight, 16);
    // XEchelle: 2 % of W and the width of "12"; YBandeau 127.26, YBas 42.42 above the page's foot.
    const std::vector<std::int32_t> got{log.XEchelle, log.XLitho,  log.XLithoFin, log.XTexte, log.XTexteFin,
                                        log.LargeurTexte, log.XEchelleTech, log.XAxe, log.DemiLargeurMax,
                                        log.XNotes, log.XNotesFin, log.YBandeau, log.YHaut, log.YPage, log.YBas,
                                        log.HauteurCoupe, log.Ecart, log.Centieme};
    EXPECT_EQ(got, (std::vector<std::int32_t>{36, 66, 136, 146, 400, 254, 500, 650, 80, 750, 954, 127, 151, 1414,
                                              1372, 1221, 15, 10}));
}

TEST_F(LogLayout, HalvesRoundToEvenAtOddWidths)
{
    // 0.07 x 150 = 10.5 -> 10 (a double product would give 11); 0.03 x 150 = 4.5 -> 4.
    LogContext log = Layout(0, 0, 150, 150, 5.0);
    EXPECT_EQ(log.XLitho - log.XEchelle, 4);
    EXPECT_EQ(log.XLithoFin - log.XLitho, 10);
    EXPECT_EQ(log.Ecart, 2);        // 2.25
    EXPECT_EQ(log.YBandeau, 14);    // 13.5 -> 14
    EXPECT_EQ(log.YBas, 150 - 4);   // 4.5 -> 4
    // 0.07 x 250 = 17.5 -> 18; 0.03 x 250 = 7.5 -> 8; 0.65 x 250 = 162.5 -> 162.
    log = Layout(0, 0, 250, 250, 5.0);
    EXPECT_EQ(log.XLithoFin - log.XLitho, 18);
    EXPECT_EQ(log.XLitho - log.XEchelle, 8);
    EXPECT_EQ(log.XAxe, 162);
    EXPECT_EQ(log.YBandeau, 22);    // 22.5 -> 22
    EXPECT_EQ(log.YBas, 250 - 8);   // 7.5 -> 8
    // 0.07 x 350 = 24.5 -> 24; 0.65 x 350 = 227.5 -> 228; 0.015 x 350 = 5.25 -> 5.
    log = Layout(7, 3, 350, 495, 5.0);
    EXPECT_EQ(log.XLithoFin - log.XLitho, 24);
    EXPECT_EQ(log.XAxe, 7 + 228);
    EXPECT_EQ(log.Ecart, 5);
    EXPECT_EQ(log.XEchelle, 7 + 7 + kCharWidth);
    EXPECT_EQ(log.Centieme, 3);
}

TEST_F(LogLayout, BandAndBottomPictureSettings)
{
    OptTailleBandeau = 0;
    LogContext log = Layout(0, 0, 1000, 1000, 10.0);
    EXPECT_EQ(log.YHaut, 24);  // one and a half lines below the top
    OptTailleImageBas = 25;
    log = Layout(0, 0, 1000, 1000, 10.0);
    EXPECT_EQ(log.YPage, 750);
    EXPECT_EQ(log.YBas, 720);  // 3 % of H above the lower quarter
    EXPECT_TRUE(log.HasLogRows());
    OptTailleBandeau = 80;
    log = Layout(0, 0, 1000, 1000, 10.0);
    EXPECT_FALSE(log.HasLogRows());
    // Settings far out of range give a layout, never an overflow.
    OptTailleBandeau = std::numeric_limits<std::int32_t>::max();
    OptTailleImageBas = std::numeric_limits<std::int32_t>::min();
    log = Layout(0, 0, 1000, 1000, 10.0);
    EXPECT_FALSE(log.HasLogRows());
}

TEST_F(LogLayout, DepthsMapToRowsWithHalvesToEven)
{
    LogContext log = Layout(0, 0, 1000, 1414, 12.0);
    log.ProfHaut = 0;
    log.ProfBas = 12;
    log.Etendue = 12;
    EXPECT_EQ(log.ProfVersY(0), log.YHaut);
    EXPECT_EQ(log.ProfVersY(12), log.YBas);
    EXPECT_DOUBLE_EQ(log.ProfVersYReel(5), 151 + 1221 * 5 / 12.0);
    EXPECT_EQ(log.ProfVersY(5), 151 + 509);  // 508.75
    // HauteurCoupe 8 over 16 m: 1 m is row 0.5 -> 0, 3 m is 1.5 -> 2.
    log.YHaut = 100;
    log.HauteurCoupe = 8;
    log.Etendue = 16;
    log.ProfBas = 16;
    EXPECT_EQ(log.ProfVersY(1), 100);
    EXPECT_EQ(log.ProfVersY(3), 102);
    // A depth a million times the range stays a row far away, without overflow.
    EXPECT_EQ(log.ProfVersY(1.0e300), 100 + LogContext::kRowLimit);
    EXPECT_EQ(log.ProfVersY(-1.0e300), 100 - LogContext::kRowLimit);
    // A diameter's half-width: [DemiLargeurMax x D / DiamMax].
    log.DemiLargeurMax = 80;
    log.DiamMax = 300;
    EXPECT_EQ(log.DemiLargeur(150), 40);
    EXPECT_EQ(log.DemiLargeur(45), 12);  // 12.0
    log.DiamMax = 320;
    EXPECT_EQ(log.DemiLargeur(100), 25);
    EXPECT_EQ(log.DemiLargeur(44), 11);  // 11.0
    EXPECT_EQ(log.DemiLargeur(46), 12);  // 11.5 -> 12
    EXPECT_EQ(log.DemiLargeur(50), 12);  // 12.5 -> 12
}

// ---------------------------------------------------------------------------
// The entry
// ---------------------------------------------------------------------------

TEST_F(LogTest, TooSmallADrawingDrawsNothingButSucceeds)
{
    BuildShallowWell(root, "PZ1");
    EXPECT_TRUE(Draw("PZ1", 99, 1414));
    EXPECT_EQ(canvas.CountOf(CanvasOp::PolyPolyline), 0u);
    EXPECT_EQ(canvas.CountOf(CanvasOp::TextOut), 0u);
    EXPECT_TRUE(Draw("PZ1", 500, 99));
    EXPECT_EQ(canvas.CountOf(CanvasOp::TextOut), 0u);
    EXPECT_TRUE(ZonesNiveaux.empty());
    // What the other users of the line batches find afterwards.
    EXPECT_EQ(PenMedium, 0);
    EXPECT_EQ(PenThick, 2);
    EXPECT_EQ(canvas.Pen.Width, 0);
}

TEST_F(LogTest, MissingBoreholeOrEmptyRangeFails)
{
    BuildShallowWell(root, "PZ1");
    ASSERT_TRUE(Draw("PZ1"));
    ASSERT_FALSE(ZonesNiveaux.empty());
    EXPECT_FALSE(Draw("absent"));
    EXPECT_TRUE(ZonesNiveaux.empty());  // the maps were emptied all the same
    EXPECT_EQ(canvas.CountOf(CanvasOp::PolyPolyline), 0u);

    AddSampleBorehole(root, "EMPTY");
    EXPECT_FALSE(Draw("EMPTY"));
    EXPECT_EQ(canvas.CountOf(CanvasOp::TextOut), 0u);
    // A window of no height, or one upside down, is empty too.
    EXPECT_FALSE(Draw("PZ1", 1000, 1414, 5.0, 5.0));
    EXPECT_FALSE(Draw("PZ1", 1000, 1414, 8.0, 2.0));
    EXPECT_EQ(canvas.CountOf(CanvasOp::TextOut), 0u);
}

TEST_F(LogTest, DescriptionsTakeTheRoomOfAnEmptyTechnicalColumn)
{
    // Levels only: no open hole, no casing, nothing for the technical column.
    TDirBlock& bh = AddSampleBorehole(root, "PZ1");
    AddSampleLevels(bh, {MakeSampleLevel(0, 0.4, "", "terre"), MakeSampleLevel(0.4, 12, "", "sable")});
    ASSERT_TRUE(Draw("PZ1"));
    ASSERT_EQ(ZonesNiveaux.size(), 2u);
    EXPECT_EQ(ZonesNiveaux[0].Rect.Right, 900);  // 0.9 of the width
    // The base-depth labels start there too.
    const CanvasRecord* label = FindText(" 0,40");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->Points[0].X, 900);
}

TEST_F(LogTest, BandOfNoHeightAndNoRoomForTheLog)
{
    BuildShallowWell(root, "PZ1");
    OptTailleBandeau = 0;
    ASSERT_TRUE(Draw("PZ1", 1000, 1000));
    ASSERT_EQ(ZonesNiveaux.size(), 6u);
    EXPECT_EQ(ZonesNiveaux[0].Rect.Top, 24);  // the log starts one and a half lines down
    OptTailleBandeau = -5;
    EXPECT_TRUE(Draw("PZ1", 1000, 1000));
    // A band and a bottom picture that take the whole height: no columns, but
    // the frame and the bottom text are drawn.
    OptTailleBandeau = 80;
    OptTailleImageBas = 25;
    EXPECT_TRUE(Draw("PZ1", 1000, 1000));
    EXPECT_TRUE(ZonesNiveaux.empty());
    EXPECT_EQ(FindText("Depth (m)"), nullptr);
    EXPECT_GT(canvas.CountOf(CanvasOp::PolyPolyline), 0u);
    EXPECT_EQ(canvas.CountOf(CanvasOp::TextOut), 1u);
}

TEST_F(LogTest, ABandOfNoHeightHasNoTitleObjects)
{
    BuildShallowWell(root, "PZ1");
    const std::vector<TBandeauObjet> saved = BandeauObjets;
    TBandeauObjet cell;
    cell.x1 = 0;
    cell.y1 = 0;
    cell.x2 = 30;
    cell.y2 = 4;
    cell.Size = 20;
    cell.Text = "Forage %Indice%";
    BandeauObjets = {cell};
    ASSERT_TRUE(Draw("PZ1"));
    EXPECT_NE(FindText("Forage PZ1"), nullptr);
    for (std::int32_t size : {0, -3}) {
        OptTailleBandeau = size;
        ASSERT_TRUE(Draw("PZ1"));
        EXPECT_EQ(FindText("Forage PZ1"), nullptr) << size;
        EXPECT_TRUE(HasSegment({0, 0}, {999, 0}));  // the frame is still drawn
    }
    BandeauObjets = saved;
}

TEST_F(LogTest, DeepLevelsInAShortWindowNeverReachTheCanvasAsAbsurdCoordinates)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 0.5, "SAB1107", "sable"),
                         MakeSampleLevel(0.5, 1.0e6, "CAL1941", "calcaire sans fin"),
                         MakeSampleLevel(-1.0e6, 0.2, "ARG1215", "argile")});
    ASSERT_TRUE(Draw("P", 1000, 1414, 0.0, 1.0));
    const std::int32_t lo = -1414 - 1, hi = 2 * 1414 + 2;
    for (const CanvasRecord& r : canvas.Records) {
        for (const TPoint& p : r.Points) {
            EXPECT_GE(p.Y, lo) << int(r.Op);
            EXPECT_LE(p.Y, hi) << int(r.Op);
        }
        if (r.Op == CanvasOp::Rectangle || r.Op == CanvasOp::FillRect) {
            EXPECT_GE(r.Rect.Top, lo);
            EXPECT_LE(r.Rect.Bottom, hi);
        }
    }
}

TEST_F(LogTest, TheBottomTextRunsUpTheRightEdge)
{
    BuildShallowWell(root, "PZ1");
    ScopedFixedClock clock(ClockReading{2024, 3, 5, 10, 0, 0});
    ASSERT_TRUE(Draw("PZ1"));
    const CanvasRecord* date = FindText("05/03/2024");
    ASSERT_NE(date, nullptr);
    EXPECT_EQ(date->Font.Escapement, 900);
    EXPECT_EQ(date->Points[0].X, 999 - 16 - 3);  // Right - BaseLineHeight - PenThick
    EXPECT_EQ(date->Points[0].Y, 1414 - 3);
}

TEST_F(LogTest, PatternCatalogueOfAnEmptyPath)
{
    EXPECT_TRUE(DessinerCoupe(root, "", "", "", canvas, 0, 0, 599, 1599, MissingFloat, MissingFloat, false));
    std::vector<std::string> numbers;
    for (const CanvasRecord& r : Texts())
        numbers.push_back(r.Text);
    ASSERT_EQ(numbers.size(), 96u);
    EXPECT_EQ(numbers.front(), "1");
    EXPECT_EQ(numbers[16], "17");
    EXPECT_EQ(numbers.back(), "96");
    const CanvasRecord* n17 = FindText("17");
    EXPECT_EQ(n17->Points[0], (TPoint{100 + 2, 0 + 2}));
    EXPECT_EQ(n17->Font.Color, clRed);
    // Each number sits in its frame, from 2 pixels above and left of the text.
    bool framed = false;
    for (const CanvasRecord& r : canvas.RecordsOf(CanvasOp::Rectangle))
        framed = framed || (r.Rect.Left == 100 && r.Rect.Top == 0 && r.Brush.Color == clWhite);
    EXPECT_TRUE(framed);
}

}  // namespace
