// Whole logs of boreholes with equipment, drawn into images as the log window
// and the printer get them and written to the build's shots/ folder for
// people to look at: a screened well with its fills and water level, a
// multi-tube borehole with fill between tubes, a reducing cone, a borehole
// with only an open hole, and the title block with its objects and a bottom
// picture. The checks are on shapes and colours, never on glyphs.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QPainter>
#include <QString>

#include "drawing/bandeau.h"
#include "drawing/code_models.h"
#include "drawing/hit_maps.h"
#include "drawing/log_drawing.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/title_block.h"
#include "platform/base/rtl_numbers.h"
#include "platform/qpainter_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/technical");

class TechnicalShots : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        SetDecimalSeparator(',');
        LoadModelInto(CurrentCodeModel(), *IniModeles, "Standard");
        BandeauChargerCarotix();
        ASSERT_TRUE(QDir().mkpath(kFolder));
    }
    void TearDown() override
    {
        ClearModelGrid(CurrentCodeModel());
        BandeauObjets.clear();
        SetImageBas(QImage());
        OptTailleImageBas = 0;
        OptTailleBandeau = 9;
        OptSymboleEau = "Sinusoïde";
        ResetZonesCoupe();
        OptionsRelease();
    }

    QImage Draw(const std::string& indice, const std::string& tube = "", int w = 1000, int h = 1414)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            EXPECT_TRUE(DessinerCoupe(root_, indice, indice, tube, canvas, 0, 0, w - 1, h - 1, MissingFloat,
                                      MissingFloat, true));
        }
        SetDrawCanvas(nullptr);
        return img;
    }
    void Save(const QImage& img, const char* name)
    {
        EXPECT_TRUE(img.save(kFolder + "/" + name + ".png"));
    }
    // The runs of black pixels of one row across the technical column, as
    // "586 608-610": the walls are found exactly where the diameters put them
    // (XAxe 650, half-width round(80 x diameter / largest diameter)).
    static std::string DarkRuns(const QImage& img, int y, int x1 = 545, int x2 = 755)
    {
        std::string out;
        for (int x = x1; x < x2; ++x) {
            if (qGray(img.pixel(x, y)) >= 60) continue;
            int end = x;
            while (end + 1 < x2 && qGray(img.pixel(end + 1, y)) < 60) ++end;
            out += (out.empty() ? "" : " ") + std::to_string(x) + (end > x ? "-" + std::to_string(end) : "");
            x = end;
        }
        return out;
    }

    TDirBlock& Borehole(const std::string& indice, double prof, double diamTube, double water, int levels)
    {
        TDirBlock& bh = AddSampleBorehole(root_, indice);
        SetSampleOuvrage(bh, indice, prof, diamTube, water);
        AddSampleLevels(bh, GeneratedLevels(levels, prof));
        return bh;
    }

    TempProgramDir program_{true, false};
    TDirBlock root_{"Carotix"};
};

TEST_F(TechnicalShots, ScreenedWellWithFillsAndWaterLevel)
{
    BuildScreenedWell(root_, "PZ2");
    const QImage img = Draw("PZ2");
    Save(img, "screened_well");
    // Open hole 250 of 311 (half-width 64, medium pen), casing 160 (41,
    // thick pen of three columns).
    EXPECT_EQ(ActiveLog(), nullptr);
    EXPECT_EQ(DarkRuns(img, 600), "586 608-610 690-692 714");
    EXPECT_EQ(DarkRuns(img, 800), "586 608-610 690-692 714");
    // The cement beside the casing near the top is filled grey.
    const QRgb cement = img.pixel(590, 200);
    EXPECT_LT(qGray(cement), 240);
    EXPECT_GT(qGray(cement), 150);
    EXPECT_EQ(ZonesTubage.size(), 1u);  // only the screen has a pattern
    EXPECT_EQ(ZonesAnnulaire.size(), 4u);
    EXPECT_EQ(ZonesTrouNu.size(), 2u);
    // A big version, as printed.
    Save(Draw("PZ2", "", 3000, 4242), "screened_well_3000");
    OptSymboleEau = "Triangle plein";
    Save(Draw("PZ2"), "screened_well_triangle");
}

TEST_F(TechnicalShots, MultiTubeBoreholeWithFillBetweenTubes)
{
    BuildMultiTubePiezometer(root_, "PMT");
    const QImage all = Draw("PMT");
    Save(all, "multi_tube_all");
    EXPECT_EQ(ZonesAnnulaireInterne.size(), 3u);
    EXPECT_FALSE(ZonesAnnulaireInterne[1].Rgn.IsEmpty());
    // Hole 300 of 400 (60), outer casing 320 (64), PMT2 140 (28), PMT1 60 (12);
    // a chosen tube hides the walls of the other.
    EXPECT_EQ(DarkRuns(all, 300), "570 585-587 621-623 637-639 661-663 677-679 713-715 730");
    EXPECT_EQ(DarkRuns(all, 600), "590 621-623 637-639 661-663 677-679 710");
    const QImage pmt1 = Draw("PMT", "PMT1");
    Save(pmt1, "multi_tube_pmt1");
    EXPECT_EQ(DarkRuns(pmt1, 600), "590 637-639 661-663 710");
    EXPECT_EQ(DarkRuns(pmt1, 300, 580, 592) + " " + DarkRuns(pmt1, 300, 710, 720), "585-587 713-715");  // the outer casing stays
    const QImage pmt2 = Draw("PMT", "PMT2");
    Save(pmt2, "multi_tube_pmt2");
    EXPECT_EQ(DarkRuns(pmt2, 600), "590 621-623 677-679 710");
}

TEST_F(TechnicalShots, ReducingConeAndPointedShoe)
{
    TDirBlock& bh = Borehole("F3", 100, MissingFloat, 22.0, 20);
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 50.0}, {"Diam", 450.0}, {"Méthode", std::int32_t(3)}});
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 50.0}, {"Fin", 100.0}, {"Diam", 250.0}, {"Méthode", std::int32_t(2)},
                                    {"Fluide", std::int32_t(1)}});
    auto casing = [&](double from, double to, double diam, int type, int nature) {
        AppendSampleRow(bh, "Tubage", {{"Deb", from}, {"Fin", to}, {"Diam", diam}, {"Type", std::int32_t(type)},
                                       {"Nature", std::int32_t(nature)}});
    };
    casing(0, 45, 350, 1, 1);
    casing(45, 50, 350, 3, 1);
    casing(50, 80, 180, 1, 3);
    casing(80, 95, 180, 2, 3);
    casing(95, 100, 180, 7, 3);
    AppendSampleRow(bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 45.0}, {"Type", std::int32_t(1)},
                                      {"Nature", std::int32_t(2)}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 45.0}, {"Fin", 100.0}, {"Type", std::int32_t(2)},
                                      {"Nature", std::int32_t(3)}, {"GranDe", 3.15}, {"GranA", 5.6}});
    const QImage img = Draw("F3");
    Save(img, "reducing_cone");
    // Hole 450 (80) then 250 (44), casing 350 (62) then 180 (32).
    EXPECT_EQ(DarkRuns(img, 500), "570 587-589 711-713 730");
    EXPECT_EQ(DarkRuns(img, 1000), "606 617-619 681-683 694");
}

TEST_F(TechnicalShots, OpenHoleOnly)
{
    TDirBlock& bh = Borehole("P4", 60, MissingFloat, 12.0, 10);
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 25.0}, {"Diam", 150.0}, {"Méthode", std::int32_t(2)},
                                    {"Fluide", std::int32_t(1)}});
    AppendSampleRow(bh, "Trou-nu", {{"Fin", 60.0}, {"Diam", 100.0}, {"Méthode", std::int32_t(2)},
                                    {"Fluide", std::int32_t(1)}});
    const QImage img = Draw("P4");
    Save(img, "open_hole_only");
    // The wide section (half-width 80) and the narrow one (53) below.
    EXPECT_EQ(DarkRuns(img, 400), "570 730");
    EXPECT_EQ(DarkRuns(img, 800), "597 703");
    EXPECT_EQ(ZonesTrouNu.size(), 2u);
    EXPECT_TRUE(ZonesTubage.empty());
}

// A solid fill inside an open hole stops at the inside of both walls: the
// walls' own pixel columns stay black on the left and on the right, at the
// screen's width (one-pixel pens) and at a printed one (three-pixel pens).
TEST_F(TechnicalShots, SolidFillInAnOpenHoleLeavesBothWallsVisible)
{
    TDirBlock& bh = Borehole("P6", 40, MissingFloat, MissingFloat, 4);
    AppendSampleRow(bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 40.0}, {"Diam", 200.0}});
    AppendSampleRow(bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 40.0}, {"Type", std::int32_t(1)}, {"Nature", std::int32_t(1)}});
    struct Case {
        int w, h;
        int axis, halfWidth, pen;  // XAxe = 0.65 W, half-width = DemiLargeurMax = 0.08 W, PenMedium = W div 1000
        int row;
    };
    for (const Case c : {Case{1000, 1414, 650, 80, 1, 700}, Case{3000, 4242, 1950, 240, 3, 2100}}) {
        SCOPED_TRACE(c.w);
        const QImage img = Draw("P6", "", c.w, c.h);
        if (c.w == 1000) Save(img, "open_hole_solid_fill");
        const QRgb fill = img.pixel(c.axis, c.row);
        ASSERT_LT(qGray(fill), 240);
        ASSERT_GT(qGray(fill), 100);
        // A pen of width p is drawn over the columns x - p / 2 .. x + (p - 1) / 2.
        for (const int wall : {c.axis - c.halfWidth, c.axis + c.halfWidth}) {
            for (int x = wall - c.pen / 2; x <= wall + (c.pen - 1) / 2; ++x)
                for (const int y : {c.row - 200, c.row, c.row + 200})
                    EXPECT_EQ(img.pixel(x, y), qRgb(0, 0, 0)) << "wall column " << x << ", row " << y;
        }
        // The fill reaches the walls from inside.
        for (const int y : {c.row - 200, c.row, c.row + 200}) {
            EXPECT_EQ(img.pixel(c.axis - c.halfWidth + (c.pen + 1) / 2 + 1, y), fill);
            EXPECT_EQ(img.pixel(c.axis + c.halfWidth - c.pen / 2 - 2, y), fill);
        }
    }
}

TEST_F(TechnicalShots, TitleBlockWithItsObjectsAndABottomPicture)
{
    TDirBlock& bh = BuildScreenedWell(root_, "PZ2", false);
    AppendSampleRow(bh, "Ouvrage", {{"Désign", std::string("PZ2")}, {"Prof", 40.0}, {"DiamTube", 160.0},
                                    {"ProfEau", 8.2}, {"X", 619352.5}, {"Y", 6754123.25}, {"Z", 112.4}});
    AppendSampleRow(bh, "Dossier", {{"Commune", std::string("Orléans")}, {"Lieu-Dit", std::string("Les Aubrais")},
                                    {"Nature", std::int32_t(1)}});
    ASSERT_EQ(BandeauObjets.size(), 9u);
    // A fourth row of the band with a centred text, a right-aligned one and
    // one far too long for its cell.
    OptTailleBandeau = 12;
    ASSERT_TRUE(BandeauObjetFromString("Objet9=0,36,60,36,-1,\"\""));
    ASSERT_TRUE(BandeauObjetFromString("Objet10=1,38,20,46,22,\"Désign : %Désign%\",center"));
    ASSERT_TRUE(BandeauObjetFromString("Objet11=21,38,40,46,22,\"Eau à %Ouvrage\\ProfEau% m\",right"));
    ASSERT_TRUE(BandeauObjetFromString(
        "Objet12=41,38,59,46,22,\"%Dossier\\Commune%, %Dossier\\Lieu-Dit%, prof. %Ouvrage\\Prof% m\",right"));

    QImage picture(400, 200, QImage::Format_RGB32);
    {
        QPainter p(&picture);
        p.fillRect(picture.rect(), QColor(40, 90, 160));
        p.fillRect(QRect(0, 100, 400, 100), QColor(200, 170, 90));
    }
    SetImageBas(picture);
    OptTailleImageBas = 10;
    const QImage img = Draw("PZ2");
    Save(img, "title_block");
    // The picture fills (364, 1275)-(634, 1410): blue above, sand below.
    EXPECT_EQ(qBlue(img.pixel(500, 1300)), 160);
    EXPECT_EQ(qRed(img.pixel(500, 1400)), 200);
    EXPECT_EQ(img.pixel(360, 1300), qRgb(255, 255, 255));
    EXPECT_EQ(img.pixel(640, 1300), qRgb(255, 255, 255));
    // The band's lines: 12 units down of 48 in a band of 170 rows.
    EXPECT_LT(qGray(img.pixel(300, 42)), 100);
    EXPECT_LT(qGray(img.pixel(300, 128)), 100);
    // A cell naming both tables counts as an ouvrage cell.
    EXPECT_EQ(ZonesOuvrage.size(), 4u);
    EXPECT_EQ(ZonesDossier.size(), 3u);
}

}  // namespace
