// The painters of the technical column on a hand-made layout: axis at 650,
// maximum half-width 80 for a diameter of 200, log rows 100..1100 for 0..100 m
// (10 rows a metre), fixed text metrics. The painters only add to the line
// batches until the column flushes them, so the tests read the batches.
#include <gtest/gtest.h>

#include <algorithm>

#include "drawing/hit_maps.h"
#include "drawing/log_layout.h"
#include "drawing/primitives.h"
#include "drawing/technical/technical_column.h"
#include "platform/base/rtl_numbers.h"
#include "platform/recording_canvas.h"
#include "sample_boreholes.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

using Cells = std::vector<std::pair<std::string, SampleCell>>;

struct Segment {
    TPoint a, b;
};

// The segments of a batch (each polyline as its consecutive pairs).
std::vector<Segment> SegmentsOf(const LineBatch& batch)
{
    std::vector<Segment> out;
    std::int32_t at = 0;
    for (std::int32_t k = 0; k < batch.PolylineCount; ++k) {
        for (std::int32_t i = 1; i < batch.Counts[k]; ++i)
            out.push_back({batch.Points[at + i - 1], batch.Points[at + i]});
        at += batch.Counts[k];
    }
    return out;
}

bool HasSegment(const LineBatch& batch, TPoint a, TPoint b)
{
    for (const Segment& s : SegmentsOf(batch))
        if ((s.a == a && s.b == b) || (s.a == b && s.b == a))
            return true;
    return false;
}

class TechnicalColumnTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        OptionsInitialize(program_.path());
        SetDecimalSeparator(',');
        canvas.SetTextMeasurer(std::make_shared<FixedTextMetrics>(8, 16));
        SetDrawCanvas(&canvas);
        SetTextFont("Verdana", -14);
        PenThin = 1;
        PenMedium = 1;
        PenThick = 3;
        ClearLineBatches();
        ResetZonesCoupe();
        bh = &AddSampleBorehole(root, "F1");
    }
    void TearDown() override
    {
        ClearLineBatches();
        ResetZonesCoupe();
        Centreurs.clear();
        SetActiveLog(nullptr);
        SetDrawCanvas(nullptr);
        OptionsRelease();
    }

    LogContext& Log()
    {
        log.Root = &root;
        log.Path = "F1";
        log.Designation = "F1";
        log.Target = &canvas;
        log.Left = 0, log.Top = 0, log.Right = 999, log.Bottom = 1413;
        log.W = 1000, log.H = 1414;
        log.ResetMaps = true;
        log.BoreholeDir = root.FindDir("F1");
        log.OuvrageRow = OuvrageRowOf(*log.BoreholeDir, "F1");
        log.ProfHaut = 0, log.ProfBas = 100, log.Etendue = 100, log.DiamMax = 200;
        log.XEchelleTech = 500, log.XAxe = 650, log.DemiLargeurMax = 80;
        log.XNotes = 750, log.XNotesFin = 954;
        log.YBandeau = 80, log.YHaut = 100, log.YBas = 1100, log.YPage = 1300, log.HauteurCoupe = 1000;
        log.Ecart = 15, log.Centieme = 10;
        SetActiveLog(&log);
        return log;
    }

    void Casing(double from, double to, double diam, int type, int nature = 0,
                std::vector<std::pair<std::string, SampleCell>> more = {})
    {
        Cells c = {{"Deb", from}, {"Fin", to}, {"Diam", diam}, {"Type", type}, {"Nature", nature}};
        c.insert(c.end(), more.begin(), more.end());
        AppendSampleRow(*bh, "Tubage", c);
    }
    void Hole(double from, double to, double diam)
    {
        Cells c = {{"Fin", to}, {"Diam", diam}};
        if (!IsMissingFloat(from))
            c.push_back({"Deb", from});
        AppendSampleRow(*bh, "Trou-nu", c);
    }
    std::vector<std::string> Labels(const TechColumn& T) const
    {
        std::vector<std::string> out;
        for (const TEtiquette& e : T.Etiquettes)
            if (!e.EstRepere())
                out.push_back(e.Texte);
        return out;
    }
    std::vector<std::string> Marks(const TechColumn& T) const
    {
        std::vector<std::string> out;
        for (const TEtiquette& e : T.Etiquettes)
            if (e.EstRepere())
                out.push_back(e.Texte);
        return out;
    }

    TempProgramDir program_{true, false};
    RecordingCanvas canvas;
    TDirBlock root{"Carotix"};
    TDirBlock* bh = nullptr;
    LogContext log;
};

// ---------------------------------------------------------------------------
// Centralisers and shapes
// ---------------------------------------------------------------------------

TEST_F(TechnicalColumnTest, CentraliserMarksAreSpreadOverTheSection)
{
    EXPECT_EQ(MarquesCentreurs(100, 199, 40, 2), (std::vector<TCentreur>{{125, 7, 40}, {175, 7, 40}}));
    EXPECT_EQ(MarquesCentreurs(100, 199, 40, 1), (std::vector<TCentreur>{{150, 14, 40}}));
    EXPECT_TRUE(MarquesCentreurs(100, 199, 40, 0).empty());
    EXPECT_TRUE(MarquesCentreurs(100, 199, 40, 1000000000).empty());

    Centreurs.clear();
    EXPECT_TRUE(AjouterCentreurs(100, 199, 40, 60));
    EXPECT_TRUE(AjouterCentreurs(100, 199, 40, 4));   // 64 exactly
    EXPECT_FALSE(AjouterCentreurs(100, 199, 40, 1));  // a 65th is never queued
    EXPECT_EQ(Centreurs.size(), 64u);
}

TEST_F(TechnicalColumnTest, CentralisersAreQueuedAndNamedInTheLabel)
{
    Log();
    Hole(0, 30, 200);
    Casing(0, 9.99, 100, 1, 0, {{"NbCentr", std::int32_t(2)}});
    Casing(10, 20, 100, 1, 0, {{"NbCentr", std::int32_t(1)}});
    Casing(20, 30, 100, 1, 0, {{"NbCentr", std::int32_t(70)}});
    TechColumn T(log);
    DessinerTrouNu(T);
    DessinerTubage(T, false);
    // Rows 100..200 for the first section.
    ASSERT_EQ(Centreurs.size(), 3u);
    EXPECT_EQ(Centreurs[0], (TCentreur{125, 7, 40}));
    EXPECT_EQ(Centreurs[1], (TCentreur{175, 7, 40}));
    const std::vector<std::string> labels = Labels(T);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "tube plein 100_mm (2_centreurs)"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "tube plein 100_mm (1_centreur)"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "tube plein 100_mm (70_centreurs)"), labels.end());

    ClearLineBatches();
    DessinerCentreurs(T);
    // A chevron from the casing wall (40) out to the hole wall (80).
    EXPECT_TRUE(HasSegment(BatchA, {690, 118}, {730, 125}));
    EXPECT_TRUE(HasSegment(BatchA, {730, 125}, {690, 132}));
    EXPECT_TRUE(HasSegment(BatchA, {610, 118}, {570, 125}));
}

TEST_F(TechnicalColumnTest, ShapesFollowTheLowByteOfTheType)
{
    using F = FormeTubage;
    const std::pair<int, F> shapes[] = {{0, F::Droit},     {2, F::Droit},      {14, F::Droit},
                                        {200, F::Droit},   {-1, F::Droit},     {5, F::DroitSansMateriau},
                                        {12, F::DroitSansMateriau}, {7, F::Pointe}, {256 + 7, F::Pointe},
                                        {4, F::Ferme},     {8, F::Ferme},      {3, F::Transition},
                                        {13, F::Transition}};
    for (const auto& [type, shape] : shapes) EXPECT_EQ(FormeDuType(type), shape) << type;

    EXPECT_EQ(TexteTubage(1, 4, "160", MissingInt), "tube plein PVC 160_mm");
    EXPECT_EQ(TexteTubage(0, 0, "", 0), "tube");
    EXPECT_EQ(TexteTubage(5, 4, "160", MissingInt), "tube décanteur");
}

TEST_F(TechnicalColumnTest, EachCasingTypeDrawsItsShape)
{
    Log();
    Casing(0, 10, 100, 1);   // rows 100..200, half-width 40: straight
    Casing(20, 30, 100, 7);  // 300..400: pointed
    Casing(40, 50, 100, 4);  // 500..600: closed
    TechColumn T(log);
    DessinerTubage(T, false);
    EXPECT_TRUE(HasSegment(BatchB, {610, 100}, {610, 200}));
    EXPECT_TRUE(HasSegment(BatchB, {690, 100}, {690, 200}));
    EXPECT_TRUE(HasSegment(BatchB, {610, 300}, {650, 400}));
    EXPECT_TRUE(HasSegment(BatchB, {690, 300}, {650, 400}));
    EXPECT_TRUE(HasSegment(BatchB, {610, 600}, {690, 600}));
    EXPECT_TRUE(HasSegment(BatchB, {610, 500}, {610, 600}));
    ASSERT_EQ(T.Profils.ParoisTubage.size(), 3u);
    EXPECT_EQ(T.Profils.ParoisTubage[1], (TScreenTubeDef{300, 40, 400, 0}));
    EXPECT_EQ(T.Profils.TubageA(350), 20);
    EXPECT_TRUE(T.TubageDessine);
    // A casing section starting at 0 has no depth mark at its top.
    EXPECT_EQ(Marks(T), (std::vector<std::string>{"10,00", "20,00", "30,00", "40,00", "50,00"}));
}

TEST_F(TechnicalColumnTest, ContiguousCasingSectionsAreJoined)
{
    Log();
    Casing(0, 10, 100, 1);   // half-width 40
    Casing(10, 20, 60, 1);   // half-width 24, starts on the previous bottom row
    Casing(25, 30, 100, 1);  // a gap: no joint
    TechColumn T(log);
    DessinerTubage(T, false);
    EXPECT_TRUE(HasSegment(BatchA, {610, 200}, {626, 200}));
    EXPECT_TRUE(HasSegment(BatchA, {690, 200}, {674, 200}));
    for (const Segment& s : SegmentsOf(BatchA))
        EXPECT_FALSE(s.a.Y == 350 && s.b.Y == 350);
    // The first section's top row is not taken for a previous bottom at row 0.
    for (const Segment& s : SegmentsOf(BatchA))
        EXPECT_NE(s.a.Y, 0);
}

TEST_F(TechnicalColumnTest, TransitionsRunToTheNextSectionOrEndInAPoint)
{
    Log();
    Casing(0, 10, 100, 3);   // cone from 0 m, half-width 40 ...
    Casing(12, 20, 60, 1);   // ... to the top of this one (row 220, half-width 24)
    Casing(30, 40, 100, 13);  // a last cone: a point at its bottom
    TechColumn T(log);
    DessinerTubage(T, false);
    EXPECT_TRUE(HasSegment(BatchB, {610, 100}, {626, 220}));
    EXPECT_TRUE(HasSegment(BatchB, {690, 100}, {674, 220}));
    EXPECT_TRUE(HasSegment(BatchB, {610, 400}, {650, 500}));
    EXPECT_TRUE(HasSegment(BatchB, {650, 500}, {690, 400}));
    const std::vector<std::string> labels = Labels(T);
    EXPECT_EQ(std::count(labels.begin(), labels.end(), "cône de réduction"), 0);  // lexicon label as written
    // The cone's label points between its ends; the trailing one keeps its label.
    ASSERT_EQ(labels.size(), 3u);
    const auto cone = std::find_if(T.Etiquettes.begin(), T.Etiquettes.end(),
                                   [](const TEtiquette& e) { return !e.EstRepere() && e.Y == 160; });
    ASSERT_NE(cone, T.Etiquettes.end());
    EXPECT_EQ(cone->Cle, 650 + 32);
    EXPECT_EQ(T.Profils.ParoisTubage.front(), (TScreenTubeDef{100, 40, 220, 24}));
}

TEST_F(TechnicalColumnTest, CasingRowsFollowTheDrawnTube)
{
    Log();
    Casing(0, 10, 100, 1, 0, {{"NomTube", std::string("PMT1")}});
    Casing(0, 10, 60, 1, 0, {{"NomTube", std::string("PMT2")}});
    Casing(10, 20, 60, 1, 0, {{"NomTube", std::string("")}});
    Casing(20, 30, 60, 1, 0, {{"NomTube", std::string("CUVELAGE")}});
    log.TubeName = "PMT1";
    TechColumn T(log);
    DessinerTubage(T, false);
    ASSERT_EQ(T.Profils.ParoisTubage.size(), 3u);
    EXPECT_EQ(T.Profils.ParoisTubage[0].X1, 40);
    log.TubeName.clear();
    TechColumn all(log);
    DessinerTubage(all, false);
    EXPECT_EQ(all.Profils.ParoisTubage.size(), 4u);
}

TEST_F(TechnicalColumnTest, SectionsWithoutDiameterUseTheOuvrageOrDefaults)
{
    SetSampleOuvrage(*bh, "F1", 50, 150);
    Log();
    AppendSampleRow(*bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Type", std::int32_t(1)}});
    AppendSampleRow(*bh, "Trou-nu", {{"Deb", 0.0}, {"Fin", 10.0}});
    TechColumn T(log);
    DessinerTrouNu(T);
    DessinerTubage(T, false);
    EXPECT_EQ(T.Profils.TubageA(150), 60);  // 150 mm
    EXPECT_EQ(T.Profils.TrouA(150), 60);
    const std::vector<std::string> labels = Labels(T);
    EXPECT_NE(std::find(labels.begin(), labels.end(), "tube plein 150_mm"), labels.end());
    EXPECT_NE(std::find(labels.begin(), labels.end(), "openhole 150_mm"), labels.end());

    TDirBlock other("Carotix");
    TDirBlock& b2 = AddSampleBorehole(other, "F1");
    AppendSampleRow(b2, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"Type", std::int32_t(1)}});
    AppendSampleRow(b2, "Trou-nu", {{"Deb", 0.0}, {"Fin", 10.0}});
    log.BoreholeDir = &b2;
    log.OuvrageRow = -1;
    TechColumn U(log);
    DessinerTrouNu(U);
    DessinerTubage(U, false);
    EXPECT_EQ(U.Profils.TubageA(150), 32);  // 80 mm
    EXPECT_EQ(U.Profils.TrouA(150), 40);    // 100 mm
    EXPECT_EQ(Labels(U), (std::vector<std::string>{"openhole _mm", "tube plein"}));
}

// ---------------------------------------------------------------------------
// Open hole and water level
// ---------------------------------------------------------------------------

TEST_F(TechnicalColumnTest, OpenHoleSectionsContinueAndJoin)
{
    Log();
    Hole(MissingFloat, 10, 200);  // from 0
    Hole(MissingFloat, 20, 100);  // from 10: a step from 80 to 40
    Hole(25, 30, 100);            // a gap above
    TechColumn T(log);
    OptSolVisible = true;
    DessinerTrouNu(T);
    EXPECT_TRUE(T.TrouDessine);
    EXPECT_EQ(T.Profils.TrouA(150), 80);
    EXPECT_EQ(T.Profils.TrouA(250), 40);
    EXPECT_EQ(T.Profils.TrouA(320), 0);
    EXPECT_TRUE(HasSegment(BatchA, {570, 200}, {610, 200}));
    EXPECT_TRUE(HasSegment(BatchA, {730, 200}, {690, 200}));
    // Only the last section is closed at its bottom.
    EXPECT_TRUE(HasSegment(BatchA, {610, 400}, {690, 400}));
    EXPECT_FALSE(HasSegment(BatchA, {610, 300}, {690, 300}));
    // The ground line reaches halfway to the technical scale.
    EXPECT_TRUE(HasSegment(BatchB, {650 - 115, 100}, {570, 100}));
    EXPECT_TRUE(HasSegment(BatchB, {650 + 115, 100}, {730, 100}));
    EXPECT_EQ(Marks(T), (std::vector<std::string>{"10,00", "20,00", "30,00"}));
    ASSERT_EQ(ZonesTrouNu.size(), 3u);
    EXPECT_EQ(ZonesTrouNu[0].Gauche, (TRect{530, 100, 570, 200}));
    EXPECT_EQ(ZonesTrouNu[2].Row, 2);

    ClearLineBatches();
    OptSolVisible = false;
    TechColumn U(log);
    DessinerTrouNu(U);
    EXPECT_EQ(BatchB.PolylineCount, 0);
    OptSolVisible = true;
}

TEST_F(TechnicalColumnTest, WaterLevelShowsWithTheHoleWhenNoCasingOfTheOuvrageIsDrawn)
{
    SetSampleOuvrage(*bh, "F1", 30, MissingFloat, 3.5);
    Log();
    Hole(0, 30, 200);
    Casing(0, 10, 100, 0, 0, {{"D\xC3\xA9sign", std::string("F2")}});   // another ouvrage's casing
    OptSymboleEau = "Sinusoïde";
    TechColumn T(log);
    DessinerTrouNu(T);
    ClearLineBatches();
    DessinerTubage(T, false);
    // One polyline from one hole wall to the other around row 135.
    ASSERT_EQ(BatchA.PolylineCount, 1);
    EXPECT_EQ(BatchA.Counts[0], 161);
    EXPECT_EQ(BatchA.Points[0], (TPoint{570, 135}));
    EXPECT_EQ(BatchA.Points[160], (TPoint{730, 135}));
    std::int32_t lo = 135, hi = 135;
    for (std::int32_t i = 0; i < BatchA.PointCount; ++i) {
        lo = std::min(lo, BatchA.Points[i].Y);
        hi = std::max(hi, BatchA.Points[i].Y);
    }
    EXPECT_EQ(lo, 132);  // amplitude 1000 / 300
    EXPECT_EQ(hi, 138);
    EXPECT_EQ(Labels(T).back(), "water level  3,5_m");

    // Triangles point down onto the line.
    OptSymboleEau = "Triangle";
    ClearLineBatches();
    TechColumn U(log);
    DessinerTrouNu(U);
    ClearLineBatches();
    DessinerTubage(U, false);
    EXPECT_TRUE(HasSegment(BatchA, {570, 135}, {730, 135}));
    EXPECT_TRUE(HasSegment(BatchA, {650, 135}, {650 - 5, 135 - 8}));

    OptSymboleEau = "Triangle plein";
    canvas.ClearRecords();
    DessinerTubage(U, false);
    ASSERT_EQ(canvas.CountOf(CanvasOp::Polygon), 1u);
    EXPECT_EQ(canvas.RecordsOf(CanvasOp::Polygon)[0].Brush.Color, clBlack);
    OptSymboleEau = "Sinusoïde";
}

TEST_F(TechnicalColumnTest, WaterLevelNeedsSomethingDrawnAndARowInsideTheLog)
{
    SetSampleOuvrage(*bh, "F1", 30, MissingFloat, 3.5);
    Log();
    AppendSampleRow(*bh, "Tubage", {{"Deb", 0.0}, {"Fin", 10.0}, {"D\xC3\xA9sign", std::string("F2")}});
    TechColumn T(log);
    DessinerTubage(T, false);  // no hole, no casing
    EXPECT_EQ(BatchA.PolylineCount, 0);
    EXPECT_TRUE(T.Etiquettes.empty());

    // With the hole drawn, the level still needs a casing table with both
    // depth columns.
    struct Case {
        const char* what;
        Cells casing;
    };
    const std::vector<Case> cases = {{"no casing table", {}},
                                     {"no to column", {{"Deb", 0.0}, {"Diam", 100.0}}},
                                     {"no from column", {{"Fin", 10.0}, {"Diam", 100.0}}}};
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        TDirBlock alone("Carotix");
        TDirBlock& b = AddSampleBorehole(alone, "F1");
        SetSampleOuvrage(b, "F1", 30, MissingFloat, 3.5);
        AppendSampleRow(b, "Trou-nu", {{"Deb", 0.0}, {"Fin", 30.0}, {"Diam", 200.0}});
        if (!k.casing.empty()) AppendSampleRow(b, "Tubage", k.casing);
        log.BoreholeDir = &b;
        log.OuvrageRow = 0;
        TechColumn H(log);
        DessinerTrouNu(H);
        ClearLineBatches();
        const std::size_t labels = Labels(H).size();
        DessinerTubage(H, false);
        EXPECT_EQ(BatchA.PolylineCount, 0);
        EXPECT_EQ(Labels(H).size(), labels);
    }

    TDirBlock other("Carotix");
    TDirBlock& b2 = AddSampleBorehole(other, "F1");
    SetSampleOuvrage(b2, "F1", 30, MissingFloat, 0.0);  // on the log's top row
    AppendSampleRow(b2, "Trou-nu", {{"Deb", 0.0}, {"Fin", 30.0}, {"Diam", 200.0}});
    log.BoreholeDir = &b2;
    log.OuvrageRow = 0;
    TechColumn U(log);
    DessinerTrouNu(U);
    ClearLineBatches();
    DessinerTubage(U, false);
    EXPECT_EQ(BatchA.PolylineCount, 0);
}

// ---------------------------------------------------------------------------
// Fills
// ---------------------------------------------------------------------------

TEST_F(TechnicalColumnTest, AnnularFillWithoutCasingFillsItsTopBand)
{
    Log();
    Hole(0, 30, 200);
    AppendSampleRow(*bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 30.0}, {"Type", std::int32_t(1)}});
    TechColumn T(log);
    DessinerTrouNu(T);
    DessinerTubage(T, false);
    canvas.ClearRecords();
    DessinerAnnulaire(T);
    bool topFilled = false;
    for (const CanvasRecord& r : canvas.RecordsOf(CanvasOp::Rectangle))
        topFilled = topFilled || (r.Rect.Top == 100 && r.Rect.Left == 570);
    EXPECT_TRUE(topFilled);
    ASSERT_EQ(ZonesAnnulaire.size(), 1u);
    EXPECT_TRUE(ZonesAnnulaire[0].Rgn.Contains(650, 150));
    EXPECT_EQ(Labels(T).back(), "cimentation");
}

TEST_F(TechnicalColumnTest, AnnularFillIsSplitWhereTheCasingChanges)
{
    Log();
    Hole(0, 40, 200);
    Casing(0, 20, 100, 1);  // half-width 40
    Casing(20, 40, 60, 1);  // half-width 24
    AppendSampleRow(*bh, "Annulaire", {{"Deb", 0.0}, {"Fin", 40.0}, {"Type", std::int32_t(2)},
                                       {"Nature", std::int32_t(1)}, {"GranDe", 2.0}, {"GranA", 4.0}});
    AppendSampleRow(*bh, "Annulaire", {{"Deb", 40.0}, {"Fin", 40.0}, {"Type", std::int32_t(2)},
                                       {"GranDe", 0.0}, {"GranA", 0.0}});
    TechColumn T(log);
    DessinerTrouNu(T);
    DessinerTubage(T, false);
    T.Etiquettes.clear();
    canvas.ClearRecords();
    DessinerAnnulaire(T);
    const std::vector<std::string> labels = Labels(T);
    ASSERT_GE(labels.size(), 1u);
    EXPECT_EQ(labels[0], "gravier siliceux massif filtrant (2_à_4_mm)");
    // Row 300 still belongs to the wide casing (both sections hold it), so
    // the first band ends there and its closing row reaches the middle: the
    // label points into it, between 40 and 80, held a hundredth of the width
    // above the band's end.
    const auto it = std::find_if(T.Etiquettes.begin(), T.Etiquettes.end(),
                                 [](const TEtiquette& e) { return !e.EstRepere(); });
    EXPECT_EQ(it->Cle, 650 + (40 + 80) / 2);
    EXPECT_EQ(it->Y, 291);
    // Both bands are filled: strokes on both sides of the narrow casing below row 301.
    bool lower = false;
    for (const Segment& s : SegmentsOf(BatchA))
        lower = lower || (s.a.Y > 310 && s.a.X > 650 + 24 && s.a.X < 650 + 40);
    EXPECT_TRUE(lower);
}

TEST(TexteRemplissage, GrainSizes)
{
    TempProgramDir program(true, false);
    OptionsInitialize(program.path());
    ScopedDecimalSeparator decimalSeparator(',');
    EXPECT_EQ(TexteRemplissage(2, 2, true, 0.0, 0.0), "sable siliceux massif filtrant");
    EXPECT_EQ(TexteRemplissage(2, 2, true, 0.5, 1.25), "sable siliceux massif filtrant (0,5_à_1,25_mm)");
    EXPECT_EQ(TexteRemplissage(2, 2, false, 0.5, 1.25), "sable siliceux massif filtrant");
    EXPECT_EQ(TexteRemplissage(2, 2, true, MissingFloat, 3.0), "sable siliceux massif filtrant (?_à_3_mm)");
    OptionsRelease();
}

TEST_F(TechnicalColumnTest, FillBetweenTubesAndTheSecondCasingPassStayInsideTheLog)
{
    Log();
    log.LogClip = Region(TRect{0, 92, 1000, 1109});
    Hole(0, 40, 200);
    Casing(0, 40, 150, 1, 0, {{"NomTube", std::string("PMT2")}});
    Casing(0, 30, 60, 2, 0, {{"NomTube", std::string("PMT1")}});
    AppendSampleRow(*bh, "AnnulaireInterne",
                    {{"Deb", 0.0}, {"Fin", 30.0}, {"Type", std::int32_t(4)}, {"Num", std::int32_t(1)}});
    AppendSampleRow(*bh, "AnnulaireInterne",
                    {{"Deb", 0.0}, {"Fin", 30.0}, {"Type", std::int32_t(4)}, {"Num", std::int32_t(5)}});
    // A third row: the edges of the first are still pending when it starts.
    AppendSampleRow(*bh, "AnnulaireInterne",
                    {{"Deb", 10.0}, {"Fin", 20.0}, {"Type", std::int32_t(1)}, {"Num", std::int32_t(1)}});
    canvas.SetClipRegion(*log.LogClip);
    EXPECT_TRUE(DessinerColonneTechnique(log));
    ASSERT_EQ(ZonesAnnulaireInterne.size(), 3u);
    EXPECT_TRUE(ZonesAnnulaireInterne[0].Rgn.Contains(650 + 40, 200));
    EXPECT_FALSE(ZonesAnnulaireInterne[0].Rgn.Contains(650, 200));
    EXPECT_TRUE(ZonesAnnulaireInterne[1].Rgn.IsEmpty());  // no fifth space
    // Everything drawn right of the technical scale is under a clip region.
    for (const CanvasRecord& r : canvas.Records) {
        if (r.Op != CanvasOp::PolyPolyline && r.Op != CanvasOp::Rectangle)
            continue;
        bool inColumn = r.Op == CanvasOp::Rectangle && r.Rect.Left > 560;
        for (const TPoint& p : r.Points)
            inColumn = inColumn || p.X > 560;
        if (inColumn)
            EXPECT_TRUE(r.Clipped);
    }
    // The clip of the log is selected again at the end.
    ASSERT_TRUE(canvas.ClipRegion().has_value());
    EXPECT_EQ(*canvas.ClipRegion(), *log.LogClip);
}

// ---------------------------------------------------------------------------
// Annotations as drawn (fh = 16: a half line 8, two thirds 10)
// ---------------------------------------------------------------------------

const CanvasRecord* TextAt(const RecordingCanvas& c, const std::string& text)
{
    for (const CanvasRecord& r : c.Records)
        if (r.Op == CanvasOp::TextOut && r.Text == text)
            return &r;
    return nullptr;
}

TEST_F(TechnicalColumnTest, DepthMarksAndLabelsAreWrittenBesideTheColumn)
{
    Log();
    ASSERT_EQ(BaseLineHeight, 16);
    OptSolVisible = true;
    TechColumn T(log);
    T.Profils.AjouterParoiInterne(100, 80, 1100, 80);
    T.Repere(10);   // row 200: "10,00 " is 48 wide, 48 + 80 fits in 650 - 515
    T.Repere(0.5);  // row 105: too close to the ground line at row 100
    T.Repere(60);   // row 700
    T.Etiquette(690, "tube plein", 300, 250, 350);
    T.Etiquette(690, "crépine_PVC (2_centreurs)", 450, 450, 450);
    canvas.ClearRecords();
    DessinerAnnotations(log, T.Etiquettes, T.Profils);

    const CanvasRecord* ten = TextAt(canvas, "10,00 ");
    ASSERT_NE(ten, nullptr);
    EXPECT_EQ(ten->Points[0], (TPoint{570 - 48, 192}));
    // Below the ground line (row 100 + the thick pen 3) rather than across it.
    const CanvasRecord* half = TextAt(canvas, "0,50 ");
    ASSERT_NE(half, nullptr);
    EXPECT_EQ(half->Points[0].Y, 103);
    // A leader runs from the wall to the moved mark.
    bool leader = false;
    for (const CanvasRecord& r : canvas.RecordsOf(CanvasOp::PolyPolyline))
        for (std::size_t i = 0; i + 1 < r.Points.size(); ++i)
            leader = leader || (r.Points[i] == TPoint{570, 105} && r.Points[i + 1] == TPoint{562, 111});
    EXPECT_TRUE(leader);

    const CanvasRecord* tube = TextAt(canvas, " tube plein");
    ASSERT_NE(tube, nullptr);
    EXPECT_EQ(tube->Points[0], (TPoint{750, 292}));
    // The second line in parentheses gets a third of a line more: 5 / 2 above.
    const CanvasRecord* first = TextAt(canvas, " crépine PVC ");
    const CanvasRecord* second = TextAt(canvas, " (2 centreurs)");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->Points[0].Y - first->Points[0].Y, 10 + 2);
    OptSolVisible = true;
}

TEST_F(TechnicalColumnTest, DepthMarksWithoutRoomBecomeLabels)
{
    Log();
    log.XEchelleTech = 560;  // room 650 - 575 = 75
    TechColumn T(log);
    T.Profils.AjouterParoiInterne(100, 40, 1100, 40);
    T.Repere(10);  // "10,00 " 48 + 40 > 75
    canvas.ClearRecords();
    DessinerAnnotations(log, T.Etiquettes, T.Profils);
    ASSERT_EQ(T.Etiquettes.size(), 1u);
    EXPECT_EQ(T.Etiquettes[0].Cle, 690);
    const CanvasRecord* mark = TextAt(canvas, " 10,00");
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->Points[0].X, 750);
}

TEST_F(TechnicalColumnTest, NothingToDrawReturnsFalse)
{
    Log();
    EXPECT_FALSE(DessinerColonneTechnique(log));
    AppendSampleRow(*bh, "Tubage", {{"Deb", 0.0}, {"Type", std::int32_t(1)}});  // no "Fin" column
    EXPECT_FALSE(DessinerColonneTechnique(log));
    // A row whose end depth is missing draws nothing and does not count as a
    // drawn casing (the descriptions keep the room of the empty column).
    AppendSampleRow(*bh, "Tubage", {{"Deb", 5.0}, {"Fin", MissingFloat}, {"Type", std::int32_t(1)}});
    EXPECT_FALSE(DessinerColonneTechnique(log));
    Casing(0, 10, 100, 1);
    EXPECT_TRUE(DessinerColonneTechnique(log));
}

}  // namespace
