// Draws whole logs of sample boreholes into images, as the log window and the
// printer get them, and writes them to the build's shots/ folder for people to
// look at. The checks are on colours of the lithology column, never on glyphs.
#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QString>

#include <map>
#include <string>

#include "coding/codage_binding.h"
#include "drawing/code_models.h"
#include "drawing/hit_maps.h"
#include "drawing/log_drawing.h"
#include "drawing/primitives.h"
#include "platform/base/rtl_numbers.h"
#include "platform/qpainter_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const QString kFolder = QStringLiteral(CAROTIX_SHOTS_DIR "/logs");

// A program folder with the shipped settings, colours, code model and coding
// library, as the program starts with them.
class LogShots : public ::testing::Test {
protected:
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        LoadModelInto(CurrentCodeModel(), *IniModeles, "Standard");
        CodageDLLInitialize(program_.path().string());
        ASSERT_TRUE(QDir().mkpath(kFolder));
    }
    void TearDown() override
    {
        CodageDLL().Replace(UnboundCodingLibrary());
        ClearModelGrid(CurrentCodeModel());
        // The drawings leave their hit maps and canvas behind.
        ResetZonesCoupe();
        SetDrawCanvas(nullptr);
        OptionsRelease();
    }

    QImage Draw(const std::string& indice, int w, int h, double from = MissingFloat, double to = MissingFloat,
                bool* drawn = nullptr)
    {
        QImage img(w, h, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            const bool ok = DessinerCoupe(root_, indice, indice, "", canvas, 0, 0, w - 1, h - 1, from, to, true);
            if (drawn)
                *drawn = ok;
        }
        SetDrawCanvas(nullptr);
        return img;
    }

    // The most frequent colour of the lithology column between two rows.
    static QRgb MainColour(const QImage& img, int x1, int x2, int y1, int y2)
    {
        std::map<QRgb, int> counts;
        for (int y = y1; y <= y2; ++y)
            for (int x = x1; x <= x2; ++x)
                ++counts[img.pixel(x, y)];
        QRgb best = 0;
        int n = -1;
        for (const auto& [c, k] : counts)
            if (k > n) {
                best = c;
                n = k;
            }
        return best;
    }

    static QRgb ToQRgb(TColor c) { return qRgb(ColorRed(c), ColorGreen(c), ColorBlue(c)); }

    ScopedDecimalSeparator separator_{','};
    TempProgramDir program_{true, true};
    TDirBlock root_{"Carotix"};
};

TEST_F(LogShots, ShallowWellShowsEachLevelInItsColour)
{
    BuildShallowWell(root_, "PZ1");
    const QImage img = Draw("PZ1", 1000, 1414);
    EXPECT_TRUE(img.save(kFolder + "/shallow_well.png"));
    // One entry per level, each with its rectangle inside the log.
    ASSERT_EQ(ZonesNiveaux.size(), 6u);
    // The sand level (2.5 to 5 m) is drawn in the colour of its code's family.
    TCodeMotifColour sand;
    GetCodeMotifColour("SAB1107", sand);
    const TRect r = ZonesNiveaux[2].Rect;
    ASSERT_FALSE(r.IsEmpty());
    const int xl = r.Left + 2, xr = r.Left + 60;
    EXPECT_EQ(MainColour(img, xl, xr, r.Top + 3, r.Bottom - 3), ToQRgb(sand.Colour));
}

TEST_F(LogShots, LevelsWithoutCodesAreCodedThroughTheLibrary)
{
    ASSERT_TRUE(CodageDLL().MakeCodeBound());
    BuildUncodedBorehole(root_, "U1");
    const QImage img = Draw("U1", 1000, 1414);
    EXPECT_TRUE(img.save(kFolder + "/uncoded_levels.png"));
    ASSERT_EQ(ZonesNiveaux.size(), 5u);
    // The sand level takes the colour its coded description selects, not the
    // light grey of a level the library could not code.
    const std::string code = CodageDLL().MakeCode("Sable grossier");
    ASSERT_FALSE(code.empty());
    TCodeMotifColour expected{12, 0xE0E0E0};
    GetCodeMotifColour(code, expected);
    const TRect r = ZonesNiveaux[1].Rect;
    EXPECT_EQ(MainColour(img, r.Left + 2, r.Left + 60, r.Top + 3, r.Bottom - 3), ToQRgb(expected.Colour));
}

TEST_F(LogShots, DeepBoreholeWholeAndThroughADepthWindow)
{
    BuildDeepBorehole(root_, "F200", 200, 480.0);
    EXPECT_TRUE(Draw("F200", 1000, 1414).save(kFolder + "/deep_borehole_200.png"));
    EXPECT_EQ(ZonesNiveaux.size(), 200u);
    bool drawn = false;
    const QImage img = Draw("F200", 1000, 1414, 100.0, 150.0, &drawn);
    EXPECT_TRUE(drawn);
    EXPECT_TRUE(img.save(kFolder + "/depth_window_100_150.png"));
    // Exactly the levels that reach into the window have a rectangle.
    ASSERT_EQ(ZonesNiveaux.size(), 200u);
    int visible = 0;
    for (int r = 0; r < 200; ++r) {
        const double from = root_.GetPathFloat("F200\\Niveau\\Deb", r), to = root_.GetPathFloat("F200\\Niveau\\Fin", r);
        EXPECT_EQ(!ZonesNiveaux[r].Rect.IsEmpty(), from < 150.0 && to > 100.0) << r;
        visible += ZonesNiveaux[r].Rect.IsEmpty() ? 0 : 1;
    }
    EXPECT_GT(visible, 10);
}

TEST_F(LogShots, SmallAndOversampledDrawings)
{
    BuildShallowWell(root_, "PZ1");
    EXPECT_TRUE(Draw("PZ1", 300, 424).save(kFolder + "/shallow_well_300.png"));
    EXPECT_TRUE(Draw("PZ1", 3000, 4242).scaled(1000, 1414, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                    .save(kFolder + "/shallow_well_smoothed.png"));
}

// The four logs of the shipped sample as a new user first sees them. F2, the
// abandoned first attempt under F-VAL-01, has its own 24 m and its own
// equipment: below 6 m only the walls of its sealed 250 mm hole (half-width
// 53 of 80 for its widest 380 mm), none of F1's.
TEST_F(LogShots, TheSampleCollectionsFourLogs)
{
    TDirBlock sample;
    sample.LoadFromFile(CAROTIX_DATA_DIR "/Exemples/exemple.crx");
    struct Shot {
        std::string indice, design, tube, file;
    };
    for (const Shot& k : {Shot{"PUITS-1", "PUITS-1", "", "puits_1"}, Shot{"F-VAL-01", "F1", "", "f_val_01_f1"},
                          Shot{"F-VAL-01", "F2", "", "f_val_01_f2"}, Shot{"PZ-MULTI", "PZ-MULTI", "PMT1", "pz_multi"}}) {
        QImage img(1000, 1414, QImage::Format_RGB32);
        img.fill(Qt::white);
        {
            QPainterCanvas canvas(&img);
            EXPECT_TRUE(DessinerCoupe(sample, k.indice, k.design, k.tube, canvas, 0, 0, 999, 1413, MissingFloat,
                                      MissingFloat, true));
        }
        SetDrawCanvas(nullptr);
        EXPECT_TRUE(img.save(kFolder + "/sample_" + QString::fromStdString(k.file) + ".png"));
        if (k.design == "F2") {
            const int mid = 1000;   // about 18 m down a log of 24 m
            EXPECT_EQ(img.pixel(650 - 53, mid), qRgb(0, 0, 0));
            EXPECT_EQ(img.pixel(650 + 53, mid), qRgb(0, 0, 0));
            EXPECT_NE(img.pixel(650 - 80, mid), qRgb(0, 0, 0));
        }
    }
}

TEST_F(LogShots, PatternCatalogue)
{
    QImage img(1200, 1600, QImage::Format_RGB32);
    img.fill(Qt::white);
    {
        QPainterCanvas canvas(&img);
        EXPECT_TRUE(DessinerCoupe(root_, "", "", "", canvas, 0, 0, 1199, 1599, MissingFloat, MissingFloat, false));
    }
    SetDrawCanvas(nullptr);
    EXPECT_TRUE(img.save(kFolder + "/pattern_catalogue.png"));
}

}  // namespace
