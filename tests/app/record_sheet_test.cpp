// The record-sheet editor: fields, masks and lexicon lists from the
// definitions, the change test by kind, storing, the row of the ouvrage, the
// layout flow, the database fills through a scripted query runner, the modal
// loop with its question, and a headless round through the table command.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "app/windows/collection_window.h"
#include "app/windows/main_window.h"
#include "app/record_sheet_logic.h"
#include "app/windows/record_sheet_window.h"
#include "exchange/database_link.h"
#include "platform/base/rtl_numbers.h"
#include "platform/fake_ui_services.h"
#include "store/blocks.h"
#include "store/options.h"
#include "temp_dir.h"

namespace {

const std::string kD = "D\xC3\xA9sign";

class RecordSheetTest : public ::testing::Test {
protected:
    ScopedDecimalSeparator keepSeparator_{GetDecimalSeparator()};  // puts back what SetUp sets
    void SetUp() override
    {
        SetDecimalSeparator(',');
        WriteFileBytes(dir / "sql.ini",
                       "[OUV=Essai]\r\nDESIGNATION=\r\nPROF_TOT=Prof\r\nDATE_EAU=DateEau\r\nNATURE=Nature\r\n"
                       "INCONNU=Absent\r\n[COMMUNES.NOM=Essai\\Note]\r\nINSEE=Zone\r\nNATURE=Nature\r\n");
        OptionsInitialize(dir.path());
        IniEdition->WriteSection("Essai", {kD + "=" + kD + ":U10", "Nature=Nature:U12", "Date=DateEau:E10",
                                           "Prof=Prof:F8", "D\xC3\xA9" "bit=Debit:M8", "Zone=Zone:I2", "Note=Note:S20"});
        IniEdition->WriteSection("Essai\\Nature", {"FORAGE=FORAGE=Forage", "PUITS=PUITS=PUITS", "SOURCE=SOURCE=Source"});
        root.SetPathString("B12\\Essai\\" + kD, 0, btString, "F");
        root.SetPathString("B12\\Essai\\Nature", 0, btString, "PUITS");
        root.SetPathString("B12\\Essai\\DateEau", 0, btString, "20010512");
        root.SetPathFloat("B12\\Essai\\Prof", 0, btFloat, 48.5);
        root.SetPathFloat("B12\\Essai\\Debit", 0, btFloat, 5000);
        root.SetPathInt("B12\\Essai\\Zone", 0, btInt, 2);
        use = std::make_unique<ScopedUi>(fake);
    }
    void TearDown() override
    {
        use.reset();
        SetSheetQueryRunner({});
        OptionsRelease();
        EXPECT_TRUE(fake.Verify());
    }
    int Open(const std::string& design = "F")
    {
        opening = PrepareRecordSheet(sheet, root, "B12", design, "Essai");
        sheet.Build(root, opening.Row);
        return opening.Row;
    }
    int Field(const std::string& name) const
    {
        for (int i = 0; i < sheet.Count(); ++i)
            if (sheet.Defs[static_cast<std::size_t>(i)].Name == name) return i;
        return -1;
    }

    TempProgramDir dir;
    TDirBlock root{"Carotix"};
    RecordSheet sheet;
    SheetOpening opening;
    FakeUiServices fake{[](const std::string& m) { ADD_FAILURE() << m; }};
    std::unique_ptr<ScopedUi> use;
};

// Runs `act` on the next modal window that opens.
void OnNextModal(std::function<void(QWidget*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [act, tries, poll] {
        if (QWidget* w = QApplication::activeModalWidget()) return act(w);
        if (++*tries < 500) QTimer::singleShot(10, *poll);
    };
    QTimer::singleShot(0, *poll);
}

}  // namespace

TEST_F(RecordSheetTest, LengthsMasksAndEntriesFollowTheKinds)
{
    TFieldDef d;
    d.Kind = 'D';
    d.Width = 8;
    EXPECT_EQ(SheetEditMask('D', SheetFieldLength(d)), "99/99/99");
    d.Kind = 'E';
    d.Width = 6;
    EXPECT_EQ(SheetFieldLength(d), 8);
    EXPECT_EQ(SheetEditMask('E', SheetFieldLength(d)), "99/99/99");
    d.Kind = 'F';
    EXPECT_EQ(SheetFieldLength(d), 17);
    d.Kind = 'S';
    d.Width = 3;
    d.LexCodes = {"AB", "C"};
    d.LexLabels = {"AB", "Calcaire"};
    EXPECT_EQ(SheetFieldLength(d), 10);  // "C", non-breaking space, "Calcaire"
    EXPECT_EQ(LexiconEntryText("AB", "AB"), "AB");
    EXPECT_EQ(MaskedDateValue("1 /05/    "), "01/05/");
    EXPECT_EQ(MaskedDateValue("  /  /    "), "");
    EXPECT_EQ(MaskedDateValue("12/05/2001"), "12/05/2001");
}

TEST_F(RecordSheetTest, BuildShowsTheRowAndLeavesItUnchanged)
{
    const int row = Open();
    EXPECT_EQ(row, 0);
    EXPECT_EQ(opening.Caption, "B12 F - Essai");
    ASSERT_EQ(sheet.Count(), 6);  // "Désign" is not edited
    const int nature = Field("Nature");
    const SheetField& list = sheet.Fields[static_cast<std::size_t>(nature)];
    ASSERT_TRUE(list.IsCombo);
    EXPECT_EQ(list.Entries, (std::vector<std::string>{"", "FORAGE\xC2\xA0" "Forage", "PUITS", "SOURCE\xC2\xA0Source"}));
    EXPECT_EQ(sheet.GetValue(nature), "PUITS");
    EXPECT_EQ(sheet.GetValue(Field("Date")), "12/05/2001");
    EXPECT_EQ(sheet.GetValue(Field("D\xC3\xA9" "bit")), "5");  // stored times 1000
    EXPECT_EQ(sheet.Fields[static_cast<std::size_t>(Field("Date"))].Mask, "99/99/9999");
    EXPECT_FALSE(sheet.Changed(root, row)) << sheet.ChangedLabels;

    // A code the list lacks leaves the choice as it was; the stored value is the code.
    sheet.SetValue(nature, "RIVIERE");
    sheet.SetValue(nature, "SOURCE");
    EXPECT_EQ(sheet.GetValue(nature), "SOURCE");
    sheet.SetValue(Field("Prof"), "48,5 ");
    sheet.SetValue(Field("Note"), "a voir");
    EXPECT_TRUE(sheet.Changed(root, row));
    EXPECT_EQ(sheet.ChangedLabels, "Nature, Note");

    sheet.Store(root, row);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\Nature", 0), "SOURCE");
    EXPECT_EQ(root.GetPathFloat("B12\\Essai\\Debit", 0), 5000.0);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\DateEau", 0), "20010512");
    EXPECT_FALSE(sheet.Changed(root, row));
}

TEST_F(RecordSheetTest, AStoredCodeOutsideTheLexiconIsKept)
{
    root.SetPathString("B12\\Essai\\Nature", 0, btString, "LAVOIR");
    const int row = Open();
    EXPECT_EQ(sheet.GetValue(Field("Nature")), "LAVOIR");
    EXPECT_FALSE(sheet.Changed(root, row));
    sheet.Store(root, row);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\Nature", 0), "LAVOIR");
}

TEST_F(RecordSheetTest, AFailedStoreWritesNothing)
{
    const int row = Open();
    sheet.SetValue(Field("Nature"), "FORAGE");
    sheet.SetValue(Field("Zone"), "deux");
    EXPECT_THROW(sheet.Store(root, row), std::exception);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\Nature", 0), "PUITS");
}

TEST_F(RecordSheetTest, AnOuvrageWithoutRowGetsOneThatCancellingTakesBack)
{
    const int row = Open("F2");
    EXPECT_EQ(row, 1);
    EXPECT_TRUE(opening.AppendedRow);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\" + kD, 1), "F2");
    UndoRecordSheetOpening(root, opening);
    EXPECT_EQ(root.FindDir("B12\\Essai")->RowCount(), 1);

    // A table that did not exist goes with its row.
    opening = PrepareRecordSheet(sheet, root, "C7", "P", "Essai");
    EXPECT_TRUE(opening.CreatedTable);
    UndoRecordSheetOpening(root, opening);
    EXPECT_EQ(root.FindDir("C7\\Essai"), nullptr);

    // Without a designation field the sheet edits row 0.
    IniEdition->WriteSection("Simple", {"Note=Note:S20"});
    opening = PrepareRecordSheet(sheet, root, "B12", "F", "Simple");
    EXPECT_EQ(opening.Row, 0);
    EXPECT_FALSE(opening.HasDesign);
    EXPECT_EQ(opening.Caption, "B12 - Simple");
}

TEST_F(RecordSheetTest, TheDialogLoopAsksOnlyForTheCloseBox)
{
    const int row = Open();
    sheet.SetValue(Field("Note"), "vu");
    std::vector<SheetCloseReason> closes{SheetCloseReason::CloseBox, SheetCloseReason::Annuler};
    std::size_t shown = 0;
    auto show = [&] { return closes[shown++]; };
    fake.AnswerMessage(MsgResult::Cancel, "Edition");
    EXPECT_FALSE(RunRecordSheetDialog(sheet, root, row, show));
    EXPECT_EQ(shown, 2u);
    EXPECT_EQ(fake.Prompts().back().text, "Il y a eu des modications (Note).\nVoulez-vous les conserver ?");
    EXPECT_EQ(fake.Prompts().back().buttons, MsgYesNoCancel);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\Note", 0), "");

    // Yes stores as Ok; a store that fails is shown and the form comes back.
    shown = 0;
    sheet.SetValue(Field("Zone"), "x");
    fake.AnswerMessage(MsgResult::Yes, "Edition").AnswerMessage(MsgResult::Ok, "Modifier");
    EXPECT_TRUE(RunRecordSheetDialog(sheet, root, row, [&] {
        if (shown++ == 0) return SheetCloseReason::CloseBox;
        sheet.SetValue(Field("Zone"), "3");
        return SheetCloseReason::Ok;
    }));
    EXPECT_EQ(shown, 2u);
    ASSERT_EQ(fake.Prompts().size(), 3u);
    EXPECT_EQ(fake.Prompts()[2].text.rfind(kEditionStoreFailedPrefix, 0), 0u);
    EXPECT_EQ(root.GetPathInt("B12\\Essai\\Zone", 0), 3);
    EXPECT_EQ(root.GetPathString("B12\\Essai\\Note", 0), "vu");
}

TEST(RecordSheetLayout, FieldsFlowAndWrapWithTheButtonsCentred)
{
    SheetLayoutInput in;
    in.ClientWidth = 400;
    in.CharWidth = 7;
    in.LineHeight = 14;
    in.Items = {{50, 22, 10, false}, {50, 22, 10, false}, {50, 22, 10, false}};
    SheetLayout out = LayoutRecordSheet(in);
    ASSERT_EQ(out.Items.size(), 3u);
    // 4 + 50 + 8 = 62, width 76: the second starts at 146, its field at 204.
    EXPECT_EQ(out.Items[0].EditorLeft, 62);
    EXPECT_EQ(out.Items[0].EditorWidth, 76);
    EXPECT_EQ(out.Items[1].LabelLeft, 146);
    EXPECT_EQ(out.Items[1].EditorLeft, 204);
    // The third would end at 288 + 50 + 8 + 76 > 392: next line.
    EXPECT_EQ(out.Items[2].LabelLeft, 4);
    EXPECT_EQ(out.Items[2].EditorTop, 4 + 24);
    EXPECT_EQ(out.LineHeight, 24);
    EXPECT_EQ(out.ButtonTop, 28 + 6 + 24);
    EXPECT_EQ(out.ButtonLeft[1] + in.ButtonWidth[1] + 4, 200);
    EXPECT_EQ(out.ButtonLeft[2], 200);
    EXPECT_EQ(out.ContentHeight, out.ButtonTop + in.ButtonHeight + 4);

    // Narrower: one field a line; a label wider than the window stays alone.
    in.ClientWidth = 150;
    in.Items.push_back({300, 22, 0, false});
    out = LayoutRecordSheet(in);
    for (int i = 1; i < 4; ++i) EXPECT_EQ(out.Items[static_cast<std::size_t>(i)].LabelLeft, 4);
    EXPECT_EQ(out.Items[3].EditorWidth, kSheetMinEditorWidth);
    EXPECT_EQ(out.Items[3].EditorTop, 4 + 3 * 24);
}

TEST_F(RecordSheetTest, TheDatabaseFillsTheRecordAndTheLookups)
{
    const int row = Open();
    std::vector<std::pair<std::string, std::vector<std::string>>> queries;
    std::vector<std::vector<SheetRecord>> answers{
        {{std::string("61,25"), std::string("03/02/1999"), std::nullopt}, {std::string("1"), std::string("2"), std::nullopt}}};
    SetSheetQueryRunner([&](const std::string& sql, const std::vector<std::string>& values) {
        queries.emplace_back(sql, values);
        std::vector<SheetRecord> r = answers.empty() ? std::vector<SheetRecord>() : answers.front();
        if (!answers.empty()) answers.erase(answers.begin());
        return r;
    });
    sheet.FillFromRecord();
    ASSERT_EQ(queries.size(), 1u);
    EXPECT_EQ(queries[0].first, "SELECT PROF_TOT, TO_CHAR(DATE_EAU,'dd/mm/yyyy'), NATURE FROM OUV "
                                "WHERE OUV.INDICE = ? AND OUV.DESIGNATION = ?;");
    EXPECT_EQ(queries[0].second, (std::vector<std::string>{"B12", "F"}));
    EXPECT_EQ(sheet.GetValue(Field("Prof")), "61,25");
    EXPECT_EQ(sheet.GetValue(Field("Date")), "03/02/1999");
    EXPECT_EQ(sheet.GetValue(Field("Nature")), "PUITS");  // null leaves the field
    // No record: the fields keep what was typed; the button says so, the
    // download (which tells for the whole ouvrage) does not.
    sheet.SetValue(Field("Prof"), "12");
    fake.AnswerMessage(MsgResult::Ok, kSheetNoInformationTitle);
    EXPECT_EQ(sheet.FillFromRecord(true), 0);
    EXPECT_EQ(sheet.GetValue(Field("Prof")), "12");
    EXPECT_EQ(fake.Prompts().back().text, SheetNothingFoundText("B12", "F", "Essai"));
    EXPECT_EQ(fake.Prompts().back().text,
              "La base de donn\xC3\xA9" "es ne contient rien pour l'ouvrage \xC2\xAB\xC2\xA0" "B12\xC2\xA0/\xC2\xA0" "F\xC2\xA0\xC2\xBB dans la fiche "
              "\xC2\xAB Essai \xC2\xBB : la fiche n'a pas \xC3\xA9t\xC3\xA9 modifi\xC3\xA9" "e.");
    const std::size_t told = fake.Prompts().size();
    EXPECT_EQ(sheet.FillFromRecord(), 0);
    EXPECT_EQ(fake.Prompts().size(), told);
    ASSERT_EQ(queries.size(), 3u);
    queries.resize(1);  // the counts below follow the lookups

    // The lookup asks with the fields that hold a value, and fills only on one record.
    answers = {{{std::string("Rennes")}}, {{std::string("A")}, {std::string("B")}}};
    sheet.CompleteFromLookups();
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[1].first, "select NOM from COMMUNES where INSEE = ? and NATURE = ?;");
    EXPECT_EQ(queries[1].second, (std::vector<std::string>{"2", "PUITS"}));
    EXPECT_EQ(sheet.GetValue(Field("Note")), "Rennes");
    sheet.SetValue(Field("Note"), "");
    sheet.CompleteFromLookups();
    EXPECT_EQ(sheet.GetValue(Field("Note")), "");
    sheet.SetValue(Field("Zone"), "");
    sheet.SetValue(Field("Nature"), "");
    sheet.CompleteFromLookups();
    EXPECT_EQ(queries.size(), 3u);  // no condition, no query

    // A table that sql.ini does not name.
    sheet.TableName = "Autre";
    fake.AnswerMessage(MsgResult::Ok, "Pas d'information");
    sheet.FillFromRecord();
    EXPECT_EQ(fake.Prompts().back().text, kSheetTableNotInSqlIni);
    EXPECT_EQ(queries.size(), 3u);

    // A sql.ini that cannot be read is named, not taken for one without the table.
    const std::string sqlIni = ReadFileBytes(ProgramFile("sql.ini"));
    WriteFileBytes(ProgramFile("sql.ini"), std::string("[OUV=Essai]\r\nPROF_TOT=Prof\0\r\n", 29));
    const std::size_t prompts = fake.Prompts().size();
    for (const std::function<void()>& command : std::vector<std::function<void()>>{
             [&] { sheet.FillFromRecord(); }, [&] { sheet.CompleteFromLookups(); }}) {
        try {
            command();
            ADD_FAILURE() << "no refusal";
        } catch (const EDatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), UnreadableEncodingMessage(ProgramFile("sql.ini")));
        }
    }
    EXPECT_EQ(fake.Prompts().size(), prompts);
    EXPECT_EQ(queries.size(), 3u);
    WriteFileBytes(ProgramFile("sql.ini"), sqlIni);

    // What sql.ini pastes into the text is checked before anything is sent.
    sheet.TableName = "Essai";
    for (const char* line : {"WHERE=pg_sleep(100) IS NULL", "FROM=OUV, pg_advisory_lock(1) L",
                             "pg_read_file('/etc/passwd')=Prof"}) {
        IniSql->EraseSection("OUV=Essai");
        IniSql->WriteSection("OUV=Essai", {"PROF_TOT=Prof", line});
        EXPECT_THROW(sheet.FillFromRecord(), EDatabaseError) << line;
    }
    // A WHERE holding OR narrows the ouvrage's record: it goes in parentheses.
    IniSql->EraseSection("OUV=Essai");
    IniSql->WriteSection("OUV=Essai", {"PROF_TOT=Prof", "WHERE=NATURE = 'A' OR ETAT = 'B'"});
    sheet.FillFromRecord();
    ASSERT_EQ(queries.size(), 4u);
    EXPECT_EQ(queries[3].first, "SELECT PROF_TOT FROM OUV WHERE OUV.INDICE = ? AND (NATURE = 'A' OR ETAT = 'B');");
    IniSql->WriteSection("COMMUNES;--.NOM=Essai\\Note", {"INSEE=Zone"});
    IniSql->EraseSection("COMMUNES.NOM=Essai\\Note");
    EXPECT_THROW(sheet.CompleteFromLookups(), EDatabaseError);
    EXPECT_EQ(queries.size(), 4u);

    // A look-up that fails after another one filled its field puts it back.
    IniSql->EraseSection("COMMUNES;--.NOM=Essai\\Note");
    IniSql->WriteSection("COMMUNES.NOM=Essai\\Note", {"INSEE=Zone"});
    IniSql->WriteSection("ZONES.CODE=Essai\\Prof", {"INSEE=Zone"});
    sheet.SetValue(Field("Zone"), "2");
    std::vector<std::string> before;
    for (int i = 0; i < sheet.Count(); ++i) before.push_back(sheet.GetValue(i));
    int calls = 0;
    SetSheetQueryRunner([&](const std::string&, const std::vector<std::string>&) -> std::vector<SheetRecord> {
        if (++calls == 2) throw EDatabaseError("refus");
        return {{std::string("rempli")}};
    });
    EXPECT_THROW(sheet.CompleteFromLookups(), EDatabaseError);
    EXPECT_EQ(calls, 2);
    for (int i = 0; i < sheet.Count(); ++i) EXPECT_EQ(sheet.GetValue(i), before[static_cast<std::size_t>(i)]) << i;
    static_cast<void>(row);
}

TEST_F(RecordSheetTest, TheTableCommandOpensTheSheetAndTheCloseBoxAsks)
{
    IniCarotix->WriteString("Tables", "Fiche essai", "Fiche(Essai)");
    TFMain main;
    TFChild* child = main.Nouveau1Click();
    ASSERT_TRUE(child->FRoot().AddChild(root.FindDir("B12")->CloneDir(), false));
    child->RefreshList();
    child->SelectRow("B12", "F");
    ASSERT_EQ(child->SelectedRow(), 0);

    bool seen = false;
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TFEdition*>(w);
        ASSERT_NE(form, nullptr);
        seen = true;
        EXPECT_EQ(form->windowTitle(), QStringLiteral("B12 F - Essai"));
        EXPECT_GE(form->width(), kSheetMinWidth);
        EXPECT_EQ(form->BDatabase->isEnabled(), SheetDatabaseAvailable());
        auto* combo = qobject_cast<QComboBox*>(form->Editors[0]);
        ASSERT_NE(combo, nullptr);
        combo->setCurrentIndex(1);  // FORAGE
        auto* note = qobject_cast<QLineEdit*>(form->Editors[5]);
        ASSERT_NE(note, nullptr);
        note->setText(QStringLiteral("eau claire"));
        form->close();  // the close box
    });
    fake.AnswerMessage(MsgResult::Yes, "Edition");
    main.ExecuteTableCommand("Fiche essai", -1);
    EXPECT_TRUE(seen);
    EXPECT_EQ(fake.Prompts().front().text, "Il y a eu des modications (Nature, Note).\nVoulez-vous les conserver ?");
    EXPECT_EQ(child->FRoot().GetPathString("B12\\Essai\\Nature", 0), "FORAGE");
    EXPECT_EQ(child->FRoot().GetPathString("B12\\Essai\\Note", 0), "eau claire");

    // "Annuler" drops the changes without asking.
    OnNextModal([&](QWidget* w) {
        auto* form = qobject_cast<TFEdition*>(w);
        ASSERT_NE(form, nullptr);
        qobject_cast<QLineEdit*>(form->Editors[5])->setText(QStringLiteral("autre"));
        form->BAnnul->click();
    });
    main.ExecuteTableCommand("Fiche essai", -1);
    EXPECT_EQ(child->FRoot().GetPathString("B12\\Essai\\Note", 0), "eau claire");
    child->TakeSnapshot();
}

TEST_F(RecordSheetTest, FromTheDatabaseTheSheetIsFilledAndStoredWithoutShowing)
{
    TFMain main;
    TFChild* child = main.Nouveau1Click();
    ASSERT_TRUE(child->FRoot().AddChild(root.FindDir("B12")->CloneDir(), false));
    child->RefreshList();
    child->SelectRow("B12", "F");
    SetSheetQueryRunner([](const std::string&, const std::vector<std::string>&) {
        return std::vector<SheetRecord>{{std::string("75"), std::string("01/02/2000"), std::string("SOURCE")}};
    });
    child->EditSection("Essai", true);
    EXPECT_EQ(child->FRoot().GetPathFloat("B12\\Essai\\Prof", 0), 75.0);
    EXPECT_EQ(child->FRoot().GetPathString("B12\\Essai\\DateEau", 0), "20000201");
    EXPECT_EQ(child->FRoot().GetPathString("B12\\Essai\\Nature", 0), "SOURCE");
    EXPECT_EQ(child->FRoot().GetPathFloat("B12\\Essai\\Debit", 0), 5000.0);  // not fetched: unchanged
    child->TakeSnapshot();
}
