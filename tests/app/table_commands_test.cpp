// The [Tables] commands: entries, captions, tool-bar plans, parsing, enabling
// and the dispatcher's routing and messages, against a host of our own.
#include <gtest/gtest.h>

#include <stdexcept>

#include "app/table_commands.h"
#include "platform/fake_ui_services.h"
#include "store/options.h"
#include "temp_dir.h"

TEST(TableCommands, TextButtonCaptions)
{
    EXPECT_EQ(TextButtonCaption("Informations sur l'ouvrage"), "ISO");
    EXPECT_EQ(TextButtonCaption("Dossier associ\xC3\xA9 \xC3\xA0 l'indice"), "DAI");
    EXPECT_EQ(TextButtonCaption("Tube simple"), "TS");
    EXPECT_EQ(TextButtonCaption("Annulaire interne"), "AI");
    EXPECT_EQ(TextButtonCaption("Niveau"), "Nive");
    EXPECT_EQ(TextButtonCaption("Trou-nu"), "Trou");
    EXPECT_EQ(TextButtonCaption("Eau"), "Eau");
    EXPECT_EQ(TextButtonCaption(" a b"), "a b");
    EXPECT_EQ(TextButtonCaption("essais de pompage"), "EP");  // "de" is too short a run
    EXPECT_EQ(TextButtonCaption(""), "");
}

TEST(TableCommands, ParsingAndEnabling)
{
    auto p = ParseTableCommand("Table(Niveau)");
    EXPECT_EQ(p.kind, TableCommandKind::Table);
    EXPECT_EQ(p.arg, "Niveau");
    p = ParseTableCommand("Table(Niveau");  // no ")": an empty table name
    EXPECT_EQ(p.kind, TableCommandKind::Table);
    EXPECT_EQ(p.arg, "");
    EXPECT_EQ(ParseTableCommand("Fiche(Ouvrage) x)").arg, "Ouvrage");
    EXPECT_EQ(ParseTableCommand("MotCl\xC3\xA9s(MotsCl\xC3\xA9s)").kind, TableCommandKind::MotCles);
    EXPECT_EQ(ParseTableCommand("TubeSimple(Tubage)").kind, TableCommandKind::TubeSimple);
    EXPECT_EQ(ParseTableCommand("Multitubes(Tubage)").kind, TableCommandKind::Multitubes);
    EXPECT_EQ(ParseTableCommand("table(Niveau)").kind, TableCommandKind::Unknown);  // case-sensitive
    EXPECT_EQ(ParseTableCommand("").kind, TableCommandKind::Unknown);

    EXPECT_TRUE(TableItemEnabled("Table(Niveau)", true, false));
    EXPECT_FALSE(TableItemEnabled("Table(Niveau)", false, false));
    EXPECT_FALSE(TableItemEnabled("TubeSimple(Tubage)", true, false));
    EXPECT_TRUE(TableItemEnabled("TubeSimple(Tubage)", true, true));
}

TEST(TableCommands, EntriesAndToolButtonPlan)
{
    const std::vector<TableEntry> entries = ParseTableEntries(
        {"-=S\xC3\xA9paration", "Niveau=Table(Niveau)", "Eau=Table(Eau)", "-=S\xC3\xA9paration", "A=b=c", "Vide="});
    ASSERT_EQ(entries.size(), 6u);
    EXPECT_TRUE(entries[0].IsSeparator());
    EXPECT_EQ(entries[4].name, "A");
    EXPECT_EQ(entries[4].command, "b=c");
    const std::vector<ToolButtonPlan> plan =
        PlanToolButtons(entries, {"", "niveau.bmp", "", "", "", ""}, {false, true, false, false, false, false});
    // A separator at the very start goes to the icon bar, one after a text button to the text bar.
    EXPECT_EQ(plan[0].kind, ToolButtonPlan::Kind::Separator);
    EXPECT_TRUE(plan[0].onIconBar);
    EXPECT_EQ(plan[1].kind, ToolButtonPlan::Kind::Icon);
    EXPECT_EQ(plan[2].kind, ToolButtonPlan::Kind::Text);
    EXPECT_EQ(plan[2].caption, "Eau");
    EXPECT_FALSE(plan[3].onIconBar);
}

TEST(TableCommands, ShippedSettingsListTheCommandsAndIcons)
{
    TempProgramDir dir;
    OptionsInitialize(dir.path());
    const std::vector<TableEntry> entries = ReadTableEntries();
    ASSERT_GE(entries.size(), 5u);
    EXPECT_EQ(entries[0].name, "Informations sur l'ouvrage");
    EXPECT_EQ(entries[0].command, "Fiche(Ouvrage)");
    EXPECT_EQ(LookupTableCommand("Niveau"), "Table(Niveau)");
    EXPECT_EQ(LookupTableCommand("Inconnu(X)"), "Inconnu(X)");  // a name without a line is its own command
    const std::string icon = TableIconPath("Niveau");
    EXPECT_TRUE(std::filesystem::is_regular_file(std::filesystem::u8path(icon))) << icon;
    EXPECT_EQ(TableIconPath("Essais de pompage"), "");
    OptionsRelease();
}

namespace {

// A host that records the calls and can refuse or fail.
struct RecordingHost : TableCommandHost {
    bool active = true;
    int selected = 0;
    bool createOnNewCollection = true;
    int rowAfterNewBorehole = -1;
    bool onlyDefault = true;
    std::string failWith;
    std::map<std::string, std::string> commands;
    std::vector<std::string> calls;

    bool HasActiveCollection() override { return active; }
    void NewCollection() override
    {
        calls.push_back("NewCollection");
        active = createOnNewCollection;
    }
    int SelectedRow() override { return selected; }
    void NewBorehole() override
    {
        calls.push_back("NewBorehole");
        selected = rowAfterNewBorehole;
    }
    std::string CommandOf(const std::string& name) override
    {
        auto it = commands.find(name);
        return it == commands.end() ? name : it->second;
    }
    void Fail()
    {
        if (!failWith.empty()) throw std::runtime_error(failWith);
    }
    void EditSection(const std::string& s, bool db) override
    {
        calls.push_back("EditSection(" + s + "," + (db ? "1" : "0") + ")");
        Fail();
    }
    void EditTable(const std::string& t, bool drop, int row, bool db) override
    {
        calls.push_back("EditTable(" + t + "," + (drop ? "1" : "0") + "," + std::to_string(row) + "," +
                        (db ? "1" : "0") + ")");
        Fail();
    }
    void EditKeywords(const std::string& t, bool flag) override
    {
        calls.push_back("EditKeywords(" + t + "," + (flag ? "1" : "0") + ")");
        Fail();
    }
    void EditMultitubes(const std::string& t) override
    {
        calls.push_back("EditMultitubes(" + t + ")");
        Fail();
    }
    bool HasOnlyDefaultTube() override { return onlyDefault; }
    void SetTableTubeName(const std::string& tube) override { calls.push_back("Tube(" + tube + ")"); }
    void ShowSelectedBorehole() override { calls.push_back("Show"); }
    void RedrawLog() override { calls.push_back("Redraw"); }
};

}  // namespace

TEST(TableCommands, DispatcherRoutesEachKind)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    OptNomTubeSimple = "CUVELAGE";
    RecordingHost host;
    host.commands = {{"Info", "Fiche(Ouvrage)"}, {"Niveau", "Table(Niveau)"}, {"Mots", "MotCl\xC3\xA9s(MotsCl\xC3\xA9s)"},
                     {"Tube", "TubeSimple(Tubage)"}, {"Multi", "Multitubes(Tubage)"}};
    ExecuteTableCommand(host, "Info", -1);
    ExecuteTableCommand(host, "Niveau", 4);
    ExecuteTableCommand(host, "Mots", -1);
    ExecuteTableCommand(host, "Tube", -1);
    ExecuteTableCommand(host, "Multi", -1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"EditSection(Ouvrage,0)", "Redraw", "EditTable(Niveau,1,4,0)",
                                                    "Redraw", "EditKeywords(MotsCl\xC3\xA9s,1)", "Redraw",
                                                    "Tube(CUVELAGE)", "EditTable(Tubage,1,-1,0)", "Tube()", "Redraw",
                                                    "EditMultitubes(Tubage)", "Show", "Redraw"}));
    EXPECT_TRUE(fake.Prompts().empty());
}

TEST(TableCommands, DispatcherMessages)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    RecordingHost host;
    host.commands = {{"Tube", "TubeSimple(Tubage)"}, {"Niveau", "Table(Niveau)"}};

    // Unknown command: its text in a box titled "Commande inconnue"; no redraw.
    fake.AnswerMessage(MsgResult::Ok, "Commande inconnue");
    ExecuteTableCommand(host, "Pompage(X)", -1);
    EXPECT_EQ(fake.Prompts().back().text, "Pompage(X)");
    // Multi-tube ouvrage: the box, nothing opened.
    host.onlyDefault = false;
    fake.AnswerMessage(MsgResult::Ok, "Multitubes");
    ExecuteTableCommand(host, "Tube", -1);
    EXPECT_EQ(fake.Prompts().back().text, "Ce n'est pas un tube simple");
    EXPECT_TRUE(host.calls.empty());
    // A failing editor: the prefix and its message, the program goes on; the
    // tube name is cleared even then.
    host.onlyDefault = true;
    host.failWith = "boom";
    fake.AnswerMessage(MsgResult::Ok, "Carotix");
    fake.AnswerMessage(MsgResult::Ok, "Carotix");
    ExecuteTableCommand(host, "Niveau", -1);
    EXPECT_EQ(fake.Prompts().back().text, "Erreur lors de l'ex\xC3\xA9" "cution de la commande : boom");
    ExecuteTableCommand(host, "Tube", -1);
    EXPECT_EQ(host.calls.back(), "Tube()");
    EXPECT_TRUE(fake.Verify());
}

TEST(TableCommands, DispatcherCreatesACollectionAndAsksForAnOuvrage)
{
    FakeUiServices fake([](const std::string& m) { ADD_FAILURE() << m; });
    ScopedUi use(fake);
    RecordingHost host;
    host.active = false;
    host.selected = -1;
    host.commands = {{"Niveau", "Table(Niveau)"}};
    // Cancelled new-ouvrage dialog: the command ends silently.
    ExecuteTableCommand(host, "Niveau", -1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"NewCollection", "NewBorehole"}));
    // With an ouvrage created the command goes on.
    host.calls.clear();
    host.rowAfterNewBorehole = 0;
    ExecuteTableCommand(host, "Niveau", -1);
    EXPECT_EQ(host.calls, (std::vector<std::string>{"NewBorehole", "EditTable(Niveau,1,-1,0)", "Redraw"}));
    EXPECT_TRUE(fake.Prompts().empty());
}

TEST(TableCommands, MissingEditorMessageNamesTheEditor)
{
    EXPECT_NE(MissingEditorMessage("tableur Niveau (TFTableur)").find("TFTableur"), std::string::npos);
}
