// Sorting and printing code models, and printing the pattern list.
#include <gtest/gtest.h>

#include "drawing/code_model_sort.h"
#include "drawing/code_models.h"
#include "drawing/printing.h"
#include "platform/fake_ui_services.h"
#include "platform/recording_canvas.h"

namespace {

CodeModelGrid Model(const std::vector<std::array<const char*, 5>>& rows)
{
    CodeModelGrid g;
    g.SetRowCount(static_cast<int>(rows.size()) + 2);
    for (std::size_t r = 0; r < rows.size(); ++r)
        for (int c = 0; c < 5; ++c) g.SetCell(c + 1, static_cast<int>(r) + 1, rows[r][static_cast<std::size_t>(c)]);
    return g;
}

std::vector<std::string> Column(const StringGrid& g, int col)
{
    std::vector<std::string> out;
    for (int r = 1; r <= g.RowCount() - 2; ++r) out.push_back(g.Cell(col, r));
    return out;
}

// A4 at 254 dots per inch with no unprintable strip: 21 x 29.7 cm exactly.
TDeviceCaps A4()
{
    TDeviceCaps caps;
    caps.LogPixelsX = caps.LogPixelsY = 254;
    caps.PhysicalWidth = caps.HorzRes = 2100;
    caps.PhysicalHeight = caps.VertRes = 2970;
    return caps;
}

}  // namespace

TEST(CodeModelSort, CodeAndMotifExchangeRowsAndLeaveUnreadableRowsInPlace)
{
    CodeModelGrid g = Model({{"b", "1", "", "", ""}, {"B", "2", "", "", ""}, {"AB", "3", "", "", ""},
                             {"A", "4", "", "", ""}, {"", "5", "", "", ""}, {"A", "6", "", "", ""}});
    SortModelByCode(g);
    EXPECT_EQ(Column(g, kModelColCode), (std::vector<std::string>{"", "A", "A", "AB", "B", "b"}));
    EXPECT_EQ(Column(g, kModelColMotif), (std::vector<std::string>{"5", "4", "6", "3", "2", "1"}));
    EXPECT_EQ(g.Cell(kModelColCode, g.RowCount() - 1), "");  // the blank row stays last
    // Equal keys end where the exchanges leave them: the first B goes last.
    CodeModelGrid e = Model({{"B", "1", "", "", ""}, {"B", "2", "", "", ""}, {"A", "3", "", "", ""}});
    SortModelByCode(e);
    EXPECT_EQ(Column(e, kModelColMotif), (std::vector<std::string>{"3", "2", "1"}));
    SortModelByMotif(e);
    EXPECT_EQ(Column(e, kModelColMotif), (std::vector<std::string>{"1", "2", "3"}));

    CodeModelGrid m = Model({{"X", "7", "", "", ""}, {"Y", "", "", "", ""}, {"Z", "3", "", "", ""}});
    SortModelByMotif(m);
    EXPECT_EQ(Column(m, kModelColMotif), (std::vector<std::string>{"7", "", "3"}));
    CodeModelGrid n = Model({{"X", "7", "", "", ""}, {"Y", "3", "", "", ""}, {"Z", "5", "", "", ""},
                             {"W", "x", "", "", ""}, {"V", "2", "", "", ""}, {"U", "1", "", "", ""}});
    SortModelByMotif(n);
    EXPECT_EQ(Column(n, kModelColCode), (std::vector<std::string>{"Y", "Z", "X", "W", "U", "V"}));
}

TEST(CodeModelSort, HueAndLuminance)
{
    CodeModelGrid g = Model({{"BLEU", "", "0", "0", "255"}, {"ROUGE", "", "255", "0", "0"}, {"GRIS", "", "90", "90", "90"},
                             {"SOMBRE", "", "128", "0", "0"}, {"VERT", "", "0", "255", "0"}});
    SortModelByHue(g);
    // Greys first; red and dark red share a hue and are never exchanged.
    EXPECT_EQ(Column(g, kModelColCode), (std::vector<std::string>{"GRIS", "ROUGE", "SOMBRE", "VERT", "BLEU"}));
    SortModelByLuminance(g);
    EXPECT_EQ(Column(g, kModelColCode), (std::vector<std::string>{"SOMBRE", "BLEU", "GRIS", "ROUGE", "VERT"}));
    // The grey exchanged with red leaves dark red before red.
    CodeModelGrid e = Model({{"ROUGE", "", "255", "0", "0"}, {"SOMBRE", "", "128", "0", "0"}, {"GRIS", "", "90", "90", "90"}});
    SortModelByHue(e);
    EXPECT_EQ(Column(e, kModelColCode), (std::vector<std::string>{"GRIS", "SOMBRE", "ROUGE"}));
}

TEST(CodeModelPrint, PagesSlotsAndHeadings)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    const TPrinterInfo printer(A4());
    std::vector<std::array<const char*, 5>> rows(65, {"ABCDEF", "3", "255", "0", "0"});
    CodeModelGrid g = Model(rows);
    ModelPrintPlan plan = PlanModelPrint(g, printer);
    EXPECT_EQ(plan.Lines, 21);
    EXPECT_EQ(plan.Columns, 3);
    EXPECT_EQ(plan.Pages, 1);
    rows.resize(70, {"X", "1", "", "", ""});
    EXPECT_EQ(PlanModelPrint(Model(rows), printer).Pages, 2);

    fake.AnswerMessage(MsgResult::Yes, "Mod\xC3\xA8les");
    RecordingPrintDocument doc(A4());
    EXPECT_EQ(PrintCodeModel(g, "Base", printer, doc), 1);
    EXPECT_EQ(fake.Prompts()[0].text,
              "Nombres de pages \xC3\xA0 imprimer : 1. Confirmez-vous l'impression du mod\xC3\xA8le affich\xC3\xA9 ?");
    EXPECT_EQ(doc.Title, "Carotix - Codes motifs couleurs");
    ASSERT_EQ(doc.Pages.size(), 1u);
    int codes = 0;
    for (const CanvasRecord& r : doc.Pages[0]->RecordsOf(CanvasOp::TextOut)) {
        if (r.Text == " ABCD") ++codes;
        if (r.Text.starts_with("Mod")) EXPECT_EQ(r.Text, "Mod\xC3\xA8le : Base - Code et motifs associ\xC3\xA9s - page 1/1");
    }
    EXPECT_EQ(codes, 65);
    // 3 columns of 22 slots: two frames each, the last slot empty.
    EXPECT_EQ(doc.Pages[0]->RecordsOf(CanvasOp::Rectangle).size() >= 132u, true);

    fake.Reset();
    fake.AnswerMessage(MsgResult::Ok, "Impression");
    RecordingPrintDocument none(A4());
    EXPECT_EQ(PrintCodeModel(Model({{"", "1", "", "", ""}}), "Vide", printer, none), 0);
    EXPECT_EQ(fake.Prompts()[0].text, "Rien \xC3\xA0 imprimer");
    EXPECT_EQ(none.DocState, RecordingPrintDocument::State::NotBegun);

    // Paper too small for one slot: a message, no division by zero.
    TDeviceCaps tiny = A4();
    tiny.PhysicalWidth = tiny.HorzRes = 700;
    fake.Reset();
    fake.AnswerMessage(MsgResult::Ok, "Impression");
    EXPECT_EQ(PrintCodeModel(g, "Base", TPrinterInfo(tiny), none), 0);
    EXPECT_TRUE(fake.Verify());
}

TEST(CodeModelPrint, PatternListOnOnePage)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    fake.AnswerMessage(MsgResult::No, "Mod\xC3\xA8les").AnswerMessage(MsgResult::Yes, "Mod\xC3\xA8les");
    RecordingPrintDocument doc(A4());
    const TPrinterInfo printer(A4());
    EXPECT_EQ(PrintMotifList(printer, doc), 0);
    EXPECT_EQ(doc.DocState, RecordingPrintDocument::State::NotBegun);
    EXPECT_EQ(PrintMotifList(printer, doc), 1);
    EXPECT_EQ(doc.Title, "Carotix - Motifs");
    ASSERT_EQ(doc.Pages.size(), 1u);
    const auto texts = doc.Pages[0]->RecordsOf(CanvasOp::TextOut);
    ASSERT_EQ(texts.size(), 101u);
    EXPECT_EQ(texts[0].Text, "Liste des motifs - page 1/1");
    EXPECT_EQ(texts[1].Text, " 00");
    EXPECT_EQ(texts[20].Text, " 19");
    EXPECT_EQ(texts[100].Text, " 99");
    // Column 4 starts at 80, in the last fifth of the area.
    EXPECT_GT(texts[81].Points[0].X, texts[61].Points[0].X);
    // 254 dpi: unit 2, swatch frames 4 pixels wide, entry frames 1.
    const auto rects = doc.Pages[0]->RecordsOf(CanvasOp::Rectangle);
    ASSERT_FALSE(rects.empty());
    EXPECT_EQ(rects[rects.size() - 2].Pen.Width, 4);
    EXPECT_EQ(rects.back().Pen.Width, 1);
    EXPECT_TRUE(fake.Verify());
}

TEST(CodeModelPrint, ComponentsAreReducedAsOnScreen)
{
    // Green 300 and blue 255: on screen the green is reduced to 44, the blue
    // stays whole; printed it must be the same colour, not a spill into blue.
    const CodeModelGrid g = Model({{"AB", "0", "0", "300", "255"}, {"CD", "0", "-1", "", "256"}});
    for (int row = 1; row <= 2; ++row) {
        RecordingCanvas canvas;
        PrintModelRow(canvas, 0, 0, 400, 40, g.Cell(kModelColCode, row), g.Cell(kModelColMotif, row),
                      g.Cell(kModelColRouge, row), g.Cell(kModelColVert, row), g.Cell(kModelColBleu, row), 1);
        const auto fills = canvas.RecordsOf(CanvasOp::FillRect);
        ASSERT_FALSE(fills.empty());
        EXPECT_EQ(fills[0].Brush.Color, ModelRowColour(g, row, 255, true)) << row;
    }
    EXPECT_EQ(ModelRowColour(g, 1, 255, true), RGBColor(0, 44, 255));
}
