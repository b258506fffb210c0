// The equipment picture: its scale and colours, the default hole, the water
// level, the sections drawn from a spreadsheet grid with their click regions
// and highlighting, cones and pointed ends, fills clipped to the annulus and
// between tubes, the ouvrage filter, and pictures of a screened well and a
// multi-tube piezometer written to the build's shots/ folder.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <algorithm>
#include <array>
#include <optional>

#include "drawing/code_models.h"
#include "drawing/equipment.h"
#include "drawing/primitives.h"
#include "platform/base/rtl_numbers.h"
#include "platform/qpainter_canvas.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

constexpr int kW = 200;
constexpr int kH = 400;

// A string grid in memory: row 0 the titles, then the data rows.
class GridStub final : public StringGrid {
public:
    explicit GridStub(std::vector<std::vector<std::string>> rows) : rows_(std::move(rows))
    {
        rows_.insert(rows_.begin(), std::vector<std::string>());
    }
    int ColCount() const override { return 8; }
    int RowCount() const override { return static_cast<int>(rows_.size()); }
    int FixedCols() const override { return 0; }
    int FixedRows() const override { return 1; }
    void SetRowCount(int rows) override { rows_.resize(static_cast<std::size_t>(rows)); }
    std::string Cell(int col, int row) const override
    {
        if (row < 0 || row >= RowCount()) return {};
        const auto& r = rows_[static_cast<std::size_t>(row)];
        return col >= 0 && col < static_cast<int>(r.size()) ? r[static_cast<std::size_t>(col)] : std::string();
    }
    void SetCell(int, int, const std::string&) override {}

private:
    std::vector<std::vector<std::string>> rows_;
};

TStructTable Fields(std::initializer_list<const char*> paths)
{
    TStructTable defs;
    for (const char* p : paths) defs.push_back(TFieldDef{p, p});
    return defs;
}

// The pen of the first line drawn from a to b, if any.
std::optional<TPen> LinePen(const RecordingCanvas& rec, TPoint a, TPoint b)
{
    for (const CanvasRecord& r : rec.RecordsOf(CanvasOp::Polyline))
        if (r.Points.size() == 2 && r.Points[0] == a && r.Points[1] == b) return r.Pen;
    return std::nullopt;
}

class EquipmentTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        SetDecimalSeparator(',');
    }
    void TearDown() override
    {
        ClearEquipmentRegions();
        ClearModelGrid(CurrentCodeModel());
        OptionsRelease();
    }
    QImage Picture(std::string_view table, const StringGrid* grid, const TStructTable* fields, const TDirBlock* bh,
                   const std::string& design = {}, GridRect sel = {}, int w = kW, int h = kH)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            DrawEquipment(table, canvas, w, h, grid, fields, design, bh, sel);
        }
        return img;
    }
    static TColor At(const QImage& img, int x, int y)
    {
        const QRgb p = img.pixel(x, y);
        return RGBColor(qRed(p), qGreen(p), qBlue(p));
    }

    TempProgramDir program_{true, false};
    TDirBlock root_{"Carotix"};
};

TEST(EquipmentScaleTest, SkyAlwaysShowsAndDiametersGetRoom)
{
    EquipmentScale s{0, 0.5, 80, kW, kH};
    s.Finish();
    EXPECT_EQ(s.TopDepth, -0.5);  // a shallow picture: as much sky as depth
    EXPECT_DOUBLE_EQ(s.MaxDiameter, 120);
    EquipmentScale deep{0, 40, 311, kW, kH};
    deep.Finish();
    EXPECT_EQ(deep.TopDepth, -1);
    EXPECT_DOUBLE_EQ(deep.MaxDiameter, 311 * 1.2);
    EquipmentScale none{0, 0, 100, kW, kH};
    none.Finish();
    EXPECT_EQ(none.BottomDepth, 1);
    EXPECT_EQ(none.TopDepth, -1);

    // Rows and columns round half to even.
    EquipmentScale r{0, 4, 120, kW, 10};
    EXPECT_EQ(r.DepthToY(1), 2);  // 2.5
    EXPECT_EQ(r.DepthToY(3), 8);  // 7.5
    EXPECT_EQ(r.DiamToX(100), 17);
    EXPECT_EQ(r.DiamToX(0), 100);
    EXPECT_EQ(r.DiamToX(120), 0);
    // Absurd depths stay far outside the picture instead of overflowing.
    EXPECT_GT(r.DepthToY(1e300), 1000000);
    EXPECT_LT(r.DepthToY(-1e300), -1000000);

    r.WidenDepth(-3);
    r.WidenDepth(9);
    r.WidenDiameter(150);
    r.WidenDiameter(MissingFloat);
    EXPECT_EQ(r.TopDepth, -3);
    EXPECT_EQ(r.BottomDepth, 9);
    EXPECT_EQ(r.MaxDiameter, 150);
}

TEST(EquipmentScaleTest, FluidIsLightAboveTheWaterAndDarkensDownwards)
{
    const std::pair<int, TColor> rows[] = {{100, RGBColor(120, 176, 239)}, {200, RGBColor(48, 112, 176)},
                                           {399, RGBColor(33, 97, 161)}, {0, RGBColor(128, 192, 255)}};
    for (const auto& [y, colour] : rows) EXPECT_EQ(FluidColour(y, 200, 400), colour) << y;
}

TEST(EquipmentScaleTest, FillTexturesFollowTypeAndNature)
{
    const std::array<int, 3> textures[] = {{1, 2, 2}, {1, 4, 1},  {2, 1, 4},          {2, 4, 7},
                                           {2, 0, 4}, {3, 6, 13}, {3, MissingInt, 8}, {4, 3, 14}};
    for (const auto& [type, nature, texture] : textures) EXPECT_EQ(FillTexture(type, nature), texture) << type;
    for (int t : {0, 5, -1, MissingInt}) EXPECT_EQ(FillTexture(t, 1), 0);
    for (int i = 0; i < kEquipmentTextureCount; ++i) {
        EXPECT_EQ(EquipmentTexture(i).size(), QSize(64, 64));
        EXPECT_TRUE(EquipmentTexture(i).pixel(0, 0) != EquipmentTexture((i + 1) % 15).pixel(0, 0) ||
                    EquipmentTexture(i) != EquipmentTexture((i + 1) % 15));
    }
}

TEST_F(EquipmentTest, WithoutOpenHoleADefaultHoleReachesTheBoreholeDepthAllWater)
{
    // The "Ouvrage" table has the depth but no water-level column.
    TDirBlock& bh = AddSampleBorehole(root_, "F1");
    AppendSampleRow(bh, "Ouvrage", {{"D\xC3\xA9sign", std::string("F1")}, {"Prof", 12.0}});
    const GridStub grid({});
    const TStructTable defs = Fields({"Deb", "Fin", "Type", "Nature"});
    const QImage img = Picture("Annulaire", &grid, &defs, &bh, "F1");
    // Depth -1..12 over 400 rows: ground at row 31; diameter 100 of 120: x 17..181.
    EXPECT_EQ(At(img, 100, 20), FluidColour(20, 31, kH));   // sky: air
    EXPECT_EQ(At(img, 100, 40), FluidColour(40, 31, kH));   // hole: water from the ground down
    EXPECT_EQ(At(img, 17, 399), FluidColour(399, 31, kH));  // down to the borehole's depth
    EXPECT_EQ(At(img, 181, 300), FluidColour(300, 31, kH));
    EXPECT_NE(At(img, 16, 300), FluidColour(300, 31, kH));  // ground beside it
    EXPECT_NE(At(img, 182, 300), FluidColour(300, 31, kH));
    EXPECT_TRUE(EquipmentRegions.empty());
}

TEST_F(EquipmentTest, WaterLevelSplitsAirFromWater)
{
    TDirBlock& bh = AddSampleBorehole(root_, "F1");
    SetSampleOuvrage(bh, "F1", 12, MissingFloat, 6.0);
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 12.0}, {"Diam", 250.0}});
    const QImage img = Picture("Tout", nullptr, nullptr, &bh, "F1");
    // Tout: depth -1..12, water at 6 m = row 215.
    EXPECT_EQ(At(img, 100, 210), FluidColour(210, 215, kH));
    EXPECT_EQ(At(img, 100, 220), FluidColour(220, 215, kH));
    EXPECT_LT(qBlue(img.pixel(100, 220)), qBlue(img.pixel(100, 210)));
}

TEST_F(EquipmentTest, OpenHoleGridRowsGetRegionsAndTheSelectionIsFramed)
{
    const GridStub grid({{"0", "5", "300"}, {"5", "10", "200"}, {"", " ", ""}});
    const TStructTable defs = Fields({"Deb", "Fin", "Diam"});
    RecordingCanvas rec;
    DrawEquipment("Trou-nu", rec, kW, kH, &grid, &defs, "", nullptr, GridRect{0, 2, 2, 2});
    // Depth -1..10, diameters of 360: row 1 (17, 36, 182, 218), row 2 (44, 218, 155, 400).
    ASSERT_EQ(EquipmentRegions.size(), 2u);  // the blank row is no section
    EXPECT_EQ(EquipmentRowsAt(100, 100), std::vector<int>{1});
    EXPECT_EQ(EquipmentRowsAt(100, 300), std::vector<int>{2});
    EXPECT_TRUE(EquipmentRowsAt(20, 300).empty());
    EXPECT_TRUE(EquipmentRowsAt(100, 20).empty());
    const auto frames = rec.RecordsOf(CanvasOp::Rectangle);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Rect, (TRect{45, 219, 155, 400}));
    EXPECT_EQ(frames[0].Pen.Color, clBlack);
    EXPECT_EQ(frames[1].Rect, (TRect{44, 218, 154, 399}));
    EXPECT_EQ(frames[1].Pen.Color, 0xC0C0FFu);
    EXPECT_EQ(frames[1].Brush.Style, BrushStyle::Clear);
    // The sky comes last, over anything drawn above the ground.
    EXPECT_LE(rec.RecordsOf(CanvasOp::FillRect).back().Rect.Bottom, 36);
}

TEST_F(EquipmentTest, CasingGridDrawsConesPointedEndsAndDottedScreens)
{
    const GridStub grid({{"0", "4", "200", "1"}, {"4", "5", "200", "3"}, {"5", "9", "100", "2"}, {"9", "10", "", "7"}});
    const TStructTable defs = Fields({"Deb", "Fin", "Diam", "Type"});
    RecordingCanvas rec;
    DrawEquipment("Tubage", rec, kW, kH, &grid, &defs, "", nullptr, GridRect{0, 1, 3, 1});
    // Depth -1..10, diameters of 240: 200 -> x 17, 100 -> 58, 80 -> 67, 0 -> 100.
    // The cone narrows to the next row's diameter (rows 182 to 218).
    EXPECT_TRUE(LinePen(rec, {14, 182}, {55, 218}));
    EXPECT_TRUE(LinePen(rec, {181, 182}, {140, 218}));
    // The screen's walls are dotted.
    ASSERT_TRUE(LinePen(rec, {55, 218}, {55, 364}));
    EXPECT_EQ(LinePen(rec, {55, 218}, {55, 364})->Style, PenStyle::Dot);
    EXPECT_EQ(LinePen(rec, {14, 182}, {55, 218})->Style, PenStyle::Solid);
    // The pointed end closes on the centre line; its missing diameter is 80.
    EXPECT_TRUE(LinePen(rec, {64, 364}, {97, 400}));
    EXPECT_TRUE(LinePen(rec, {131, 364}, {98, 400}));
    // The selected first row is outlined in blue, the others in black.
    ASSERT_TRUE(LinePen(rec, {14, 36}, {14, 182}));
    EXPECT_EQ(LinePen(rec, {14, 36}, {14, 182})->Color, clBlue);
    EXPECT_EQ(LinePen(rec, {14, 182}, {55, 218})->Color, clBlack);
    ASSERT_EQ(EquipmentRegions.size(), 4u);
    EXPECT_EQ(EquipmentRowsAt(16, 100), std::vector<int>{1});
    EXPECT_EQ(EquipmentRowsAt(183, 100), std::vector<int>{1});
    EXPECT_TRUE(EquipmentRowsAt(100, 100).empty());  // inside the tube
    EXPECT_EQ(EquipmentRowsAt(90, 390), std::vector<int>{4});
    EXPECT_EQ(EquipmentRowsAt(109, 390), std::vector<int>{4});
}

TEST_F(EquipmentTest, AnnularFillStaysBetweenHoleAndCasingAndTypeZeroIsNotClickable)
{
    TDirBlock& bh = AddSampleBorehole(root_, "F1");
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 300.0}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 100.0}, {"Type", std::int32_t(1)}});
    const GridStub grid({{"0", "3", "0", "1"}, {"3", "10", "2", "1"}});
    const TStructTable defs = Fields({"Deb", "Fin", "Type", "Nature"});
    RecordingCanvas rec;
    DrawEquipment("Annulaire", rec, kW, kH, &grid, &defs, "", &bh, GridRect{0, 2, 3, 2});
    // Hole x 17..181, tube walls 69..72 and 126..129.
    ASSERT_EQ(EquipmentRegions.size(), 2u);
    EXPECT_TRUE(EquipmentRegions[0].Rgn.IsEmpty());
    EXPECT_TRUE(EquipmentRowsAt(30, 100).empty());
    EXPECT_EQ(EquipmentRowsAt(30, 300), std::vector<int>{2});
    EXPECT_EQ(EquipmentRowsAt(170, 300), std::vector<int>{2});
    EXPECT_TRUE(EquipmentRowsAt(100, 300).empty());  // inside the tube
    EXPECT_TRUE(EquipmentRowsAt(10, 300).empty());   // beyond the hole
    const auto frames = rec.RecordsOf(CanvasOp::FrameRegion);
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0].Colour, clBlack);
    EXPECT_EQ(*frames[0].Rgn, EquipmentRegions[1].Rgn.Offsetted(1, 1));
    EXPECT_EQ(frames[1].Colour, 0xC0C0FFu);
    // The texture is tiled under the region as the clip.
    const auto clips = rec.RecordsOf(CanvasOp::Draw);
    ASSERT_FALSE(clips.empty());
    EXPECT_TRUE(clips.back().Clipped);
}

TEST_F(EquipmentTest, FillBetweenTubesLiesBetweenTheNumberedWalls)
{
    TDirBlock& bh = AddSampleBorehole(root_, "F1");
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 300.0}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 200.0}, {"NomTube", std::string("A")}});
    AppendSampleRow(bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 80.0}, {"NomTube", std::string("B")}});
    const GridStub grid({{"0", "10", "1", "4", ""}});
    const TStructTable defs = Fields({"Deb", "Fin", "Num", "Type", "Nature"});
    RecordingCanvas rec;
    DrawEquipment("AnnulaireInterne", rec, kW, kH, &grid, &defs, "", &bh);
    // Right edges: the small tube at 121, the large one at 155.
    ASSERT_EQ(EquipmentRegions.size(), 1u);
    EXPECT_EQ(EquipmentRowsAt(140, 200), std::vector<int>{1});
    EXPECT_EQ(EquipmentRowsAt(60, 200), std::vector<int>{1});  // and its mirror on the left
    EXPECT_TRUE(EquipmentRowsAt(100, 200).empty());
    EXPECT_TRUE(EquipmentRowsAt(170, 200).empty());
    // The tubes are drawn again over the fills.
    const auto& records = rec.Records;
    const auto lastDraw = std::find_if(records.rbegin(), records.rend(),
                                       [](const CanvasRecord& r) { return r.Op == CanvasOp::Draw; });
    ASSERT_NE(lastDraw, records.rend());
    EXPECT_GE(std::count_if(records.rbegin(), lastDraw, [](const CanvasRecord& r) { return r.Op == CanvasOp::Polyline; }),
              20);
}

TEST_F(EquipmentTest, OtherOuvragesAndOtherTablesAreLeftOut)
{
    TDirBlock& bh = AddSampleBorehole(root_, "F1");
    AppendSampleRow(bh, "Trou-nu", {{"D\xC3\xA9sign", std::string("A")}, {"Deb", 0.0}, {"Fin", 10.0}, {"Diam", 300.0}});
    AppendSampleRow(bh, "Trou-nu", {{"D\xC3\xA9sign", std::string("B")}, {"Deb", 0.0}, {"Fin", 20.0}, {"Diam", 100.0}});
    // Only A's hole sets the bottom: it reaches the foot of the picture.
    const QImage a = Picture("Tout", nullptr, nullptr, &bh, "A");
    EXPECT_EQ(At(a, 100, kH - 2), FluidColour(kH - 2, 36, kH));
    // Without a designation every row counts: A's hole ends half-way.
    const QImage all = Picture("Tout", nullptr, nullptr, &bh, "");
    EXPECT_NE(At(all, 20, kH - 2), FluidColour(kH - 2, 19, kH));
    EXPECT_EQ(At(all, 100, kH - 2), FluidColour(kH - 2, 19, kH));

    const GridStub grid({{"0", "5", "300"}});
    const TStructTable defs = Fields({"Deb", "Fin", "Diam"});
    RecordingCanvas rec;
    DrawEquipment("Trou-nu", rec, kW, kH, &grid, &defs, "", nullptr);
    ASSERT_FALSE(EquipmentRegions.empty());
    rec.ClearRecords();
    DrawEquipment("Niveau", rec, kW, kH, &grid, &defs, "", nullptr);
    EXPECT_TRUE(EquipmentRegions.empty());
    EXPECT_TRUE(rec.Records.empty());
}

// ---- pictures for people to look at ----

class EquipmentShots : public EquipmentTest {
protected:
    void SetUp() override
    {
        EquipmentTest::SetUp();
        LoadModelInto(CurrentCodeModel(), *IniModeles, "Standard");
        ASSERT_TRUE(QDir().mkpath(kFolder));
    }
    void Save(const QImage& img, const char* name) { EXPECT_TRUE(img.save(kFolder + "/" + name + ".png")); }
    const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/equipment");
};

TEST_F(EquipmentShots, ScreenedWell)
{
    TDirBlock& bh = BuildScreenedWell(root_, "PZ2");
    const QImage img = Picture("Tout", nullptr, nullptr, &bh, "PZ2", {}, 260, 560);
    Save(img, "screened_well");
    // Sky at the top, the gravel pack's texture beside the screen, water inside it.
    EXPECT_GT(qBlue(img.pixel(130, 3)), 200);
    EXPECT_NE(At(img, 70, 450), At(img, 70, 100));
    // Each fill keeps to its own clip: inside the tube at 4 m there is air.
    EXPECT_EQ(At(img, 130, 68), FluidColour(68, 126, 560));
    const TStructTable defs = Fields({"Deb", "Fin", "Diam", "Type"});
    const GridStub grid({{"-0,5", "24", "160", "1"}, {"24", "36", "160", "2"}, {"36", "38", "160", "5"},
                         {"38", "38,5", "160", "4"}, {"", "", "", ""}});
    Save(Picture("Tubage", &grid, &defs, &bh, "PZ2", GridRect{0, 2, 3, 2}, 260, 560), "screened_well_casing_grid");
}

TEST_F(EquipmentShots, MultiTubePiezometer)
{
    TDirBlock& bh = BuildMultiTubePiezometer(root_, "PMT");
    const QImage img = Picture("Tout", nullptr, nullptr, &bh, "PMT", {}, 300, 600);
    Save(img, "multi_tube");
    // The fill between the two inner tubes is textured, not water.
    const EquipmentScale s{-1, 60, 480, 300, 600};
    const int y = s.DepthToY(10);
    const int between = (s.DiamToX(60) + s.DiamToX(140)) / 2;
    EXPECT_NE(At(img, between, y), FluidColour(y, s.DepthToY(14), 600));
    const TStructTable defs = Fields({"Deb", "Fin", "Num", "Type", "Nature"});
    const GridStub grid({{"0", "20", "2", "1", "1"}, {"0", "23", "1", "4", "2"}, {"23", "32", "1", "2", "1"}});
    Save(Picture("AnnulaireInterne", &grid, &defs, &bh, "PMT", GridRect{0, 3, 4, 3}, 300, 600),
         "multi_tube_inner_grid");
    EXPECT_EQ(EquipmentRegions.size(), 3u);
}

}  // namespace
