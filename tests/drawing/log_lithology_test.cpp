// The depth scale and the lithology column: graduation steps, level passes,
// patterns and colours, base-depth labels, descriptions, stratigraphic units,
// the total depth, and the lithology strip.
#include <algorithm>

#include "drawing/lithology_column.h"
#include "log_test_support.h"

namespace {

std::int32_t TenPerChar(std::string_view t) { return static_cast<std::int32_t>(10 * Utf8Length(t)); }

// ---------------------------------------------------------------------------
// Depth scale
// ---------------------------------------------------------------------------

TEST(DepthScale, GraduationSteps)
{
    // F = 0 (100 halved), 0.079, 0.845 (10 x 5), 0.602 (neither); 1 halved to 0, then at least 1.
    const std::pair<double, int> steps[] = {{100, 50}, {12, 5}, {70, 50}, {40, 10}, {1, 1}, {0.5, 1}, {1500, 500}, {0, 1}};
    for (const auto& [range, step] : steps) EXPECT_EQ(GraduationStep(range), step) << range;
}

TEST_F(LogTest, ScaleLabelsEveryStepAndTicksEveryTenth)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 12, "", "argile")});
    ASSERT_TRUE(Draw("P"));
    for (const char* label : {"0 ", "5 ", "10 "})
        EXPECT_NE(FindText(label), nullptr) << label;
    EXPECT_EQ(FindText("15 "), nullptr);
    const CanvasRecord* caption = FindText("Depth (m)");
    ASSERT_NE(caption, nullptr);
    // The labels end at the scale line, half a line above their tick.
    const CanvasRecord* five = FindText("5 ");
    const std::int32_t xScale = caption->Points[0].X;
    EXPECT_EQ(five->Points[0].X + 2 * kCharWidth, xScale);
    const std::int32_t yHaut = caption->Points[0].Y + kLineHeight;
    const std::int32_t y5 = five->Points[0].Y + kLineHeight / 2;
    EXPECT_TRUE(HasSegment({xScale, y5}, {xScale + 15, y5}));       // long tick every 5 m
    const std::int32_t yHalf = yHaut + (y5 - yHaut) / 10;           // 0.5 m
    EXPECT_TRUE(HasSegment({xScale, yHalf}, {xScale + 3, yHalf}) ||  // short tick, a quarter of 15
                HasSegment({xScale, yHalf + 1}, {xScale + 3, yHalf + 1}) ||
                HasSegment({xScale, yHalf - 1}, {xScale + 3, yHalf - 1}));
}

// ---------------------------------------------------------------------------
// Level passes
// ---------------------------------------------------------------------------

std::vector<std::int32_t> Rows()
{
    std::vector<std::int32_t> rows;
    for (const TZoneRect& z : ZonesNiveaux)
        rows.push_back(z.Row);
    return rows;
}

TEST_F(LogTest, WaterLevelsAreDrawnOnlyWithoutOrdinaryLevels)
{
    SampleLevelColumns cols;
    cols.Type = true;
    TDirBlock& a = AddSampleBorehole(root, "A");
    AddSampleLevels(a,
                    {MakeSampleLevel(0, 5, "", "eau", "", "RECEAU"), MakeSampleLevel(5, 9, "", "x", "", "AUTRE"),
                     MakeSampleLevel(9, 12, "", "eau 2", "", "expeau")},
                    cols);
    ASSERT_TRUE(Draw("A"));
    EXPECT_EQ(Rows(), (std::vector<std::int32_t>{0, 2}));

    TDirBlock& b = AddSampleBorehole(root, "B");
    AddSampleLevels(b,
                    {MakeSampleLevel(0, 5, "", "eau", "", "RECEAU"), MakeSampleLevel(5, 9, "", "sable", "", "coupe"),
                     MakeSampleLevel(9, 12, "", "argile", "", "")},
                    cols);
    ASSERT_TRUE(Draw("B"));
    EXPECT_EQ(Rows(), (std::vector<std::int32_t>{1, 2}));  // lower-case "coupe" and an empty kind are ordinary
}

TEST_F(LogTest, MissingDepthsFollowThePreviousLevelAndTheRangeBottom)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 4, "", "a"), MakeSampleLevel(MissingFloat, 8, "", "b"),
                         MakeSampleLevel(8, MissingFloat, "", "c"), MakeSampleLevel(2, 10, "", "d")});
    ASSERT_TRUE(Draw("P"));
    ASSERT_EQ(ZonesNiveaux.size(), 4u);
    EXPECT_EQ(ZonesNiveaux[1].Rect.Top, ZonesNiveaux[0].Rect.Bottom);  // from the previous level's base
    EXPECT_NE(FindText(" 10,00"), nullptr);                          // the open-ended level ends at the bottom
    EXPECT_EQ(ZonesNiveaux[2].Rect.Bottom, ZonesNiveaux[3].Rect.Bottom);
}

TEST_F(LogTest, NoLevelsWithoutTheBaseColumn)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 4, "", "a")});
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 10.0}});
    OptNiveauFin = "Base";
    ASSERT_TRUE(Draw("P"));
    EXPECT_TRUE(ZonesNiveaux.empty());
    EXPECT_NE(FindText("Depth (m)"), nullptr);
}

// ---------------------------------------------------------------------------
// Pattern and colour
// ---------------------------------------------------------------------------

// The colour of the background filled for the level whose rectangle starts at
// row `top` (the whole width of the lithology column, 72 pixels with the one
// FillColorRect adds; pattern dots are far smaller).
std::optional<TColor> FillAt(const RecordingCanvas& c, std::int32_t top)
{
    for (const CanvasRecord& r : c.Records)
        if (r.Op == CanvasOp::Rectangle && r.Pen.Style == PenStyle::Clear && r.Rect.Top == top &&
            r.Rect.Width() == 72)
            return r.Brush.Color;
    return std::nullopt;
}

TEST_F(LogTest, LevelColoursComeFromTheirCodes)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 4, "SAB1107", "sable"), MakeSampleLevel(4, 8, "", "argile")});
    ASSERT_TRUE(Draw("P"));
    ASSERT_EQ(ZonesNiveaux.size(), 2u);
    EXPECT_EQ(FillAt(canvas, ZonesNiveaux[0].Rect.Top), ColourTable[1]);
    EXPECT_EQ(FillAt(canvas, ZonesNiveaux[1].Rect.Top), clWhite);  // an empty code: white, no pattern
}

TEST_F(LogTest, LevelsWithoutACodeColumnAreCodedThroughTheLibrary)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 4, "", "Sable fin"), MakeSampleLevel(4, 8, "", "Roche inconnue")},
                    SampleLevelColumns{false, false, false, false});
    // Without the library: light grey with pattern 12.
    ASSERT_TRUE(Draw("P"));
    EXPECT_EQ(FillAt(canvas, ZonesNiveaux[0].Rect.Top), TColor(0xE0E0E0));

    auto coder = std::make_unique<FakeCoder>();
    coder->Codes = {{"Sable fin", "SAB1507"}};
    CodageDLL().Replace(std::move(coder));
    ASSERT_TRUE(Draw("P"));
    EXPECT_EQ(FillAt(canvas, ZonesNiveaux[0].Rect.Top), ColourTable[5]);
    EXPECT_EQ(FillAt(canvas, ZonesNiveaux[1].Rect.Top), TColor(0xE0E0E0));  // not coded: the defaults
}

TEST(LevelStyle, TheStripCodesEmptyCodesTheColumnDoesNot)
{
    TStrArrayBlock code("CodeNiv");
    code.Resize(1);
    TStrArrayBlock litho("Litho");
    litho.Resize(1);
    litho.SetString(0, "Sable fin");
    auto coder = std::make_unique<FakeCoder>();
    coder->Codes = {{"Sable fin", "SAB1203"}};
    CodageDLL().Replace(std::move(coder));
    EXPECT_EQ(LevelMotifColour(true, &code, &litho, 0, false).Motif, 0);
    EXPECT_EQ(LevelMotifColour(true, &code, &litho, 0, true).Motif, 3);
    // The water-level pass ignores the code column.
    code.SetString(0, "ARG1215");
    EXPECT_EQ(LevelMotifColour(false, &code, &litho, 0, false).Motif, 3);
    EXPECT_EQ(LevelMotifColour(false, &code, nullptr, 0, false).Motif, 12);
    CodageDLL().Replace(UnboundCodingLibrary());
    CodageDLL().ClearCache();
}

// ---------------------------------------------------------------------------
// Labels and descriptions
// ---------------------------------------------------------------------------

TEST_F(LogTest, LabelsOfThinLevelsStepDown)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", "a"), MakeSampleLevel(10, 10.05, "", "b"),
                         MakeSampleLevel(10.05, 10.1, "", "c"), MakeSampleLevel(10.1, 20, "", "d")});
    ASSERT_TRUE(Draw("P"));
    const CanvasRecord* a = FindText(" 10,00");
    const CanvasRecord* b = FindText(" 10,05");
    const CanvasRecord* c = FindText(" 10,10");
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(b->Points[0].Y, a->Points[0].Y + 12);  // three quarters of a line
    EXPECT_EQ(c->Points[0].Y, b->Points[0].Y + 12);
    // Thin levels show no description.
    EXPECT_EQ(FindText("b"), nullptr);
    EXPECT_NE(FindText("a"), nullptr);
}

TEST_F(LogTest, DescriptionsSitBesideTheirLevels)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", "ARGILE,Sable"), MakeSampleLevel(10, 20, "", "Marne")});
    ASSERT_TRUE(Draw("P"));
    const CanvasRecord* d = FindText("argile, sable");
    ASSERT_NE(d, nullptr);
    const TRect r = ZonesNiveaux[0].Rect;
    // One line: centred on the level, a tenth of a line higher.
    EXPECT_EQ(d->Points[0].Y, (r.Top + r.Bottom - 16) / 2 - 1);
    EXPECT_GT(d->Points[0].X, r.Left);
}

TEST_F(LogTest, LongDescriptionsWrapIntoThreeLinesEndingWithDots)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    std::string litho;
    for (int i = 0; i < 60; ++i)
        litho += "calcaire ";
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", litho), MakeSampleLevel(10, 20, "", "x")});
    ASSERT_TRUE(Draw("P"));
    std::vector<CanvasRecord> lines;
    for (const CanvasRecord& t : Texts())
        if (t.Text.find("calcaire") != std::string::npos)
            lines.push_back(t);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].Points[0].Y - lines[0].Points[0].Y, 12);
    EXPECT_EQ(lines[2].Points[0].Y - lines[1].Points[0].Y, 12);
    EXPECT_EQ(lines[2].Text.substr(lines[2].Text.size() - 3), "...");
    EXPECT_EQ(lines[1].Text[0], ' ');  // the blank at the cut also starts the next line
}

TEST(Descriptions, PreparedLowerCaseWithBlanksAfterCommas)
{
    EXPECT_EQ(PrepareDescription("ARGILE,Sable ,ÉBOULIS,"), "argile, sable , éboulis, ");
    EXPECT_EQ(PrepareDescription("a, b"), "a, b");
}

TEST(Descriptions, WrappingAtBlanksAlwaysEnds)
{
    struct Case {
        const char* text;
        int width, lines;
        const char *l1, *l2, *l3;
    } cases[] = {
        {"aaa bbb", 100, 3, "aaa bbb", "", ""},
        {"aaa bbb ccc", 75, 3, "aaa ", " bbb ", " ccc"},
        // Narrower than the width, strictly: "aaaa " is not narrower than 50, cut hard.
        {"aaaa bbbb", 51, 1, "aaaa ", "", ""},
        {"aaaa bbbb", 50, 1, "aaaa", "", ""},
        // One word wider than the column is cut hard; a column of no width still ends.
        {"abcdefghijklmnop", 55, 3, "abcde", "fghij", "kl..."},
        {"argile sableuse", 0, 3, "a", "r", "..."},
        {"argile sableuse", -40, 3, "a", "r", "..."},
        // Only the lines asked for are computed; characters, not bytes.
        {"aaa bbb ccc", 75, 1, "aaa ", "", ""},
        {"\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9\xC3\xA9", 35, 1, "\xC3\xA9\xC3\xA9\xC3\xA9", "", ""},
    };
    for (const Case& c : cases) {
        const DescriptionLines d = WrapDescription(c.text, c.width, TenPerChar, c.lines);
        EXPECT_EQ(d.Line1 + "/" + d.Line2 + "/" + d.Line3, std::string(c.l1) + "/" + c.l2 + "/" + c.l3) << c.text;
    }
}

// ---------------------------------------------------------------------------
// Stratigraphic units
// ---------------------------------------------------------------------------

TEST(StratiUnits, NamesAndFitting)
{
    EXPECT_EQ(FormatStratiUnit("JURASSIQUE moyen"), "Jurassique moyen");
    EXPECT_EQ(FormatStratiUnit("éocène"), "éocène");  // ASCII letters only
    EXPECT_EQ(FormatStratiUnit(""), "");
    EXPECT_EQ(FitStratiUnit("Lias", 0, 100, TenPerChar), "Lias");
    EXPECT_EQ(FitStratiUnit("Quaternaire", 0, 100, TenPerChar), "Quater...");
    EXPECT_EQ(FitStratiUnit("Quaternaire", 0, 40, TenPerChar), "Qu.");
    EXPECT_EQ(FitStratiUnit("Quaternaire", 0, 10, TenPerChar), "");
}

TEST_F(LogTest, OneUnitNameOverConsecutiveLevelsAndATickAtTheNext)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "", "a", "LIAS"), MakeSampleLevel(10, 20, "", "b", "lias"),
                         MakeSampleLevel(20, 30, "", "c", "Lias"), MakeSampleLevel(30, 40, "", "d", "DOGGER")});
    ASSERT_TRUE(Draw("P"));
    std::vector<CanvasRecord> units;
    for (const CanvasRecord& t : Texts())
        if (t.Font.Escapement == 900 && (t.Text.rfind("Lias", 0) == 0 || t.Text.rfind("Dogger", 0) == 0))
            units.push_back(t);
    ASSERT_EQ(units.size(), 2u);
    EXPECT_EQ(units[0].Text, "Lias");
    EXPECT_EQ(units[1].Text, "Dogger ");  // the last unit gets a blank
    const TRect top = ZonesNiveaux[0].Rect;
    EXPECT_EQ(units[0].Points[0].Y, top.Top + 3 + 4 * kCharWidth);  // reading upward, ending 3 pixels below
    const std::int32_t y4 = ZonesNiveaux[3].Rect.Top;
    const CanvasRecord* caption = FindText("Depth (m)");
    ASSERT_NE(caption, nullptr);
    EXPECT_TRUE(HasSegment({caption->Points[0].X, y4}, {top.Left, y4}));
}

// ---------------------------------------------------------------------------
// Total depth
// ---------------------------------------------------------------------------

TEST_F(LogTest, TotalDepthOnlyWhenWithinTheDrawnRange)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    SetSampleOuvrage(bh, "P", 50.0);
    AddSampleLevels(bh, {MakeSampleLevel(0, 50, "", "a")});
    ASSERT_TRUE(Draw("P"));
    const CanvasRecord* t = FindText("50,00");
    ASSERT_NE(t, nullptr);
    EXPECT_EQ(t->Font.Escapement, 450);
    ASSERT_TRUE(Draw("P", 1000, 1414, 10, 20));
    EXPECT_EQ(FindText("50,00"), nullptr);
}

// ---------------------------------------------------------------------------
// Lithology strip
// ---------------------------------------------------------------------------

class LithologyStrip : public LogTest {
protected:
    void Strip(const std::string& indice, const std::string& design, double depth, bool framed)
    {
        canvas.ClearRecords();
        PenMedium = 1;
        PenThick = 3;
        DessinerBandeLitho(root, indice, design, canvas, TRect{10, 100, 40, 500}, depth, framed);
    }
    std::vector<TRect> Fills() const
    {
        std::vector<TRect> out;
        for (const CanvasRecord& r : canvas.Records)
            if (r.Op == CanvasOp::Rectangle && r.Pen.Style == PenStyle::Clear && r.Rect.Left == 10 &&
                r.Rect.Right == 42)
                out.push_back(r.Rect);
        return out;
    }
};

TEST_F(LithologyStrip, LevelsScaledToTheTotalDepth)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    SetSampleOuvrage(bh, "P", 40.0);
    AddSampleLevels(bh, {MakeSampleLevel(0, 10, "SAB1107", "a"), MakeSampleLevel(10, 20, "ARG1215", "b")});
    Strip("P", "P", MissingFloat, true);
    const std::vector<TRect> f = Fills();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Top, 100);
    EXPECT_EQ(f[0].Bottom, 200 + 2);  // FillColorRect covers one more row
    EXPECT_EQ(f[1].Bottom, 300 + 2);
    // Given a depth, the strip ends there.
    Strip("P", "P", 20.0, false);
    ASSERT_EQ(Fills().size(), 2u);
    EXPECT_EQ(Fills()[1].Bottom, 500 + 2);
    EXPECT_TRUE(HasSegment({10, 300}, {40, 300}));
}

TEST_F(LithologyStrip, TotalDepthFromTheOuvragesOwnRow)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    SetSampleOuvrage(bh, "A", 10.0);
    SetSampleOuvrage(bh, "B", 40.0);
    SampleLevelColumns cols;
    cols.Design = true;
    AddSampleLevels(bh, {MakeSampleLevel(0, 5, "", "a", "", "", "B"), MakeSampleLevel(5, MissingFloat, "", "b", "", "", "B")},
                    cols);
    Strip("P", "B", MissingFloat, true);
    const std::vector<TRect> f = Fills();
    ASSERT_EQ(f.size(), 2u);
    EXPECT_EQ(f[0].Bottom, 150 + 2);  // 5 m of 40 m over 400 rows
    EXPECT_EQ(f[1].Bottom, 500 + 2);  // the open level ends at B's total depth

    TDirBlock& plain = AddSampleBorehole(root, "Q");
    AppendSampleRow(plain, "Ouvrage", {{"Prof", 20.0}});
    AddSampleLevels(plain, {MakeSampleLevel(0, 5, "", "a")});
    Strip("Q", "Q", MissingFloat, true);
    ASSERT_EQ(Fills().size(), 1u);
    EXPECT_EQ(Fills()[0].Bottom, 200 + 2);
}

TEST_F(LithologyStrip, NothingWithoutADepth)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, MissingFloat, "", "a")});
    Strip("P", "P", MissingFloat, true);
    EXPECT_TRUE(Fills().empty());
    Strip("P", "P", 0.0, true);
    EXPECT_TRUE(Fills().empty());
    Strip("absent", "P", 10.0, true);
    EXPECT_TRUE(Fills().empty());
}

TEST_F(LithologyStrip, DeepLevelsAreHeldNearTheStrip)
{
    TDirBlock& bh = AddSampleBorehole(root, "P");
    AddSampleLevels(bh, {MakeSampleLevel(0, 1.0e12, "", "a")});
    Strip("P", "P", 10.0, true);
    ASSERT_EQ(Fills().size(), 1u);
    EXPECT_LE(Fills()[0].Bottom, 500 + 400 + 4);
}

}  // namespace
