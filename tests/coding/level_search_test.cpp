// The level search: the keyword expression (NOT, AND, OR, parentheses and
// their priorities), its syntax errors, the depth test and the marks written
// into "Sélection".
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "coding/codage_binding.h"
#include "coding/level_search.h"
#include "fake_coder.h"
#include "platform/base/rtl_numbers.h"
#include "store/blocks.h"

namespace {

const std::string kSel = "S\xC3\xA9lection";
const std::string kDesign = "D\xC3\xA9sign";

// A coder that only tokenises: words of letters become nouns (Kind 1), and
// its noun list pairs ARGILE with ARGILES.
class NounCoder final : public StubCodingLibrary {
public:
    bool HasTokenize() const override { return true; }
    bool HasListeNoms() const override { return true; }
    TArrayOfToken Tokenize(std::string_view text) override
    {
        TArrayOfToken tokens = KeywordTokenize(text);
        for (TToken& t : tokens)
            if (t.Text.size() > 1 && t.Text[0] >= 'A' && t.Text[0] <= 'Z' && KeywordOperatorRank(t.Text) == 0) t.Kind = 1;
        return tokens;
    }
    std::vector<TNomEntry> ListeNoms() override { return {{"ARGILE", "ARGILES"}}; }
};

class LevelSearchTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = CodageDLL().Replace(UnboundCodingLibrary()); }
    void TearDown() override { CodageDLL().Replace(std::move(previous_)); }

    // True when the expression holds for a level described by `words`.
    static bool Holds(const std::string& expression, const std::string& words)
    {
        const TArrayOfToken e = KeywordTokenize(expression);
        return KeywordEvaluate(e, KeywordTokenize(words), 0, static_cast<int>(e.size()) - 1);
    }
    static std::string Error(const std::string& expression)
    {
        try {
            Holds(expression, "ARGILE SABLE");
        } catch (const EKeywordSyntax& e) {
            return e.what();
        }
        return "(none)";
    }

    std::unique_ptr<CodingLibrary> previous_;
};

}  // namespace

TEST_F(LevelSearchTest, TokenizerReadsWordsAndNumbersAsTheCodingLibraryDoes)
{
    auto texts = [](std::string_view text) {
        std::vector<std::string> out;
        for (const TToken& t : KeywordTokenize(text)) {
            out.push_back(t.Text);
            EXPECT_EQ(t.Kind, 0);
            EXPECT_EQ(t.Entry, -1);
        }
        return out;
    };
    // Words in capitals without accents, operators and signs on their own.
    EXPECT_EQ(texts("  ARGILE&&(SABLE2 ||\xC3\x89T\xC3\x89),x "),
              (std::vector<std::string>{"ARGILE", "&&", "(", "SABLE2", "||", "ETE", ")", ",", "X"}));
    // Numbers keep their decimal separator; an elided article its apostrophe;
    // a hyphen between words only splits them, elsewhere it is a NOT.
    EXPECT_EQ(texts("Gr\xC3\xA8s \xC5\x93uvre d'argile gris-vert 2,8 m 3. -SABLE"),
              (std::vector<std::string>{"GRES", "OEUVRE", "D'", "ARGILE", "GRIS", "VERT", "2,8", "M", "3", ".", "-",
                                        "SABLE"}));
    EXPECT_TRUE(KeywordTokenize(" \t ").empty());
    EXPECT_EQ(KeywordOperatorRank("NON"), 10);
    EXPECT_EQ(KeywordOperatorRank("&&"), 8);
    EXPECT_EQ(KeywordOperatorRank("OU"), 6);
    EXPECT_EQ(KeywordOperatorRank("ou"), 0);
}

TEST_F(LevelSearchTest, PrioritiesImplicitAndNegationAndParentheses)
{
    const std::tuple<std::string, std::string, bool> cases[] = {
        // An operand after an operand is an AND.
        {"ARGILE SABLE", "ARGILE SABLE", true},
        {"ARGILE SABLE", "ARGILE", false},
        // AND binds before OR, on either side.
        {"ARGILE OU SABLE ET GRAVIER", "ARGILE", true},
        {"ARGILE OU SABLE ET GRAVIER", "SABLE", false},
        {"A ET B OU C", "C", true},
        {"A ET B OU C", "A", false},
        {"A & B | C", "A B", true},
        {"A && B || C", "A B", true},
        // Without the coding library words match whatever their case and accents,
        // and a number with its decimal comma is a keyword, not a syntax error.
        {"GR\xC3\x88S", "GR\xC3\x88S ROUGE", true},
        {"GRES", "gr\xC3\xA8s rouge", true},
        {"ARGILE 2,8", "argile \xC3\xA0 2,8 m", true},
        {"2,8", "2 8", false},
        {"GRIS-VERT", "schiste gris vert", true},
        // Parentheses.
        {"(ARGILE OU SABLE) ET GRAVIER", "ARGILE", false},
        {"ARGILE OU SABLE ET (GRAVIER OU GALET)", "SABLE GALET", true},
        {"ARGILE OU SABLE ET (GRAVIER OU GALET)", "SABLE", false},
        {"((ARGILE))", "ARGILE", true},
        // NOT.
        {"NON (ARGILE OU SABLE)", "GRAVIER", true},
        {"NON (ARGILE OU SABLE)", "SABLE", false},
        {"ARGILE ET NON SABLE ET GRAVIER", "ARGILE", false},
        {"ARGILE ET NON SABLE ET GRAVIER", "ARGILE GRAVIER", true},
        {"NON NON ARGILE", "ARGILE", true},
        {"ARGILE ~SABLE", "ARGILE", true}, // NOT between operands: and not
        {"ARGILE PAS SABLE", "ARGILE SABLE", false},
        // A NOT covers its own operand, also when a stronger operator follows it.
        {"GRAVIER OU NON ARGILE ET SABLE", "SABLE", true},
        {"GRAVIER OU NON ARGILE ET SABLE", "ARGILE SABLE", false},
        // Equal priorities bind to the left; empty expressions and empty levels.
        {"A OU B OU C", "C", true},
        {"", "ARGILE", false},
        {"ARGILE", "", false},
        {"()", "ARGILE", false},
    };
    for (const auto& [expression, level, holds] : cases) EXPECT_EQ(Holds(expression, level), holds) << expression << " / " << level;
}

TEST_F(LevelSearchTest, MalformedExpressionsRaiseTheirMessages)
{
    EXPECT_EQ(Error("(ARGILE OU SABLE"), "Fin de parenth\xC3\xA8se ')' non trouv\xC3\xA9" "e");
    EXPECT_EQ(Error("ARGILE ET (SABLE"), "Fin de parenth\xC3\xA8se ')' non trouv\xC3\xA9" "e");
    EXPECT_EQ(Error("ARGILE) OU SABLE"), "Fin de parenth\xC3\xA8se ')' non attendue");
    EXPECT_EQ(Error(")"), "Mot-cl\xC3\xA9 attendu mais ')' trouv\xC3\xA9");
    EXPECT_EQ(Error(") ARGILE"), "Fin de parenth\xC3\xA8se ')' non attendue");
    EXPECT_EQ(Error("ARGILE ET"), "Op\xC3\xA9rateur 'ET' sans op\xC3\xA9rande");
    EXPECT_EQ(Error("ARGILE OU SABLE ET"), "Op\xC3\xA9rateur 'ET' sans op\xC3\xA9rande");
    EXPECT_EQ(Error("NON"), "Op\xC3\xA9rateur \"non\" sans op\xC3\xA9rande");
    EXPECT_EQ(Error("ARGILE ET NON"), "Op\xC3\xA9rateur \"non\" sans op\xC3\xA9rande");
    EXPECT_EQ(Error("ET"), "Op\xC3\xA9rateur 'ET' sans op\xC3\xA9rande");
    EXPECT_EQ(Error("ARGILE , SABLE"), "Mot-cl\xC3\xA9 attendu mais ',' trouv\xC3\xA9");
    EXPECT_EQ(Error(std::string(300, '(') + "A" + std::string(300, ')')), "Expression trop imbriqu\xC3\xA9" "e");
    // The same error whatever the level holds.
    EXPECT_THROW(Holds("ARGILE ET", ""), EKeywordSyntax);
}

TEST_F(LevelSearchTest, NounsMatchInSingularAndPluralWithTheCodersList)
{
    CodageDLL().Replace(std::make_unique<NounCoder>());
    const TArrayOfToken e = KeywordTokens("ARGILE");
    EXPECT_TRUE(KeywordEvaluate(e, KeywordTokens("ARGILES SABLEUSES"), 0, 0));
    EXPECT_FALSE(KeywordEvaluate(e, KeywordTokens("SABLES"), 0, 0));
    EXPECT_TRUE(KeywordNounMatch("ARGILES", "ARGILE"));
    EXPECT_FALSE(KeywordNounMatch("SABLE", "SABLE"));  // with a list, only its entries
    CodageDLL().Replace(UnboundCodingLibrary());
    EXPECT_TRUE(KeywordNounMatch("SABLE", "SABLE"));
    EXPECT_FALSE(KeywordAdjectiveMatch("GRIS", "GRISE"));
}

TEST_F(LevelSearchTest, DepthRangeCriteriaAndStrictInclusion)
{
    ScopedDecimalSeparator decimalSeparator(',');
    LevelSearchCriteria c = ReadLevelSearchCriteria("", "10", "20,0", false);
    EXPECT_TRUE(c.DepthValid);
    EXPECT_TRUE(LevelSearchCanRun(c));
    EXPECT_TRUE(LevelDepthMatches(c, 5, 15));
    EXPECT_TRUE(LevelDepthMatches(c, 10, 15));
    EXPECT_TRUE(LevelDepthMatches(c, 12, 30));
    EXPECT_FALSE(LevelDepthMatches(c, 21, 30));
    EXPECT_TRUE(LevelDepthMatches(c, MissingFloat, 12));   // tested as 12 to 12
    EXPECT_FALSE(LevelDepthMatches(c, MissingFloat, MissingFloat));
    c.Strict = true;
    EXPECT_TRUE(LevelDepthMatches(c, 5, 15));
    EXPECT_FALSE(LevelDepthMatches(c, 10, 15));
    EXPECT_FALSE(LevelDepthMatches(c, 15, 20));

    EXPECT_FALSE(ReadLevelSearchCriteria("", "10", "", false).DepthValid);
    EXPECT_FALSE(ReadLevelSearchCriteria("", "1x", "5", false).DepthValid);
    EXPECT_FALSE(LevelSearchCanRun(ReadLevelSearchCriteria("  ", "", "", false)));
    EXPECT_TRUE(LevelSearchCanRun(ReadLevelSearchCriteria("ARGILE", "", "", true)));
}

TEST_F(LevelSearchTest, SearchSelectsDeselectsAndInvertsTheMatchedLevelsOfTheRowsOuvrages)
{
    TDirBlock root("Carotix");
    const char* litho[] = {"argile grise", "sable fin", "argile sableuse", "gravier"};
    for (int r = 0; r < 4; ++r) {
        root.SetPathString("P1\\Niveau\\" + kDesign, r, btString, r < 3 ? "A" : "B");
        root.SetPathString("P1\\Niveau\\Litho", r, btString, litho[r]);
        root.SetPathFloat("P1\\Niveau\\Deb", r, btFloat, r * 5.0);
        root.SetPathFloat("P1\\Niveau\\Fin", r, btFloat, r * 5.0 + 5);
    }
    // A borehole whose level table has no designation: its levels belong to
    // both of its ouvrages and are taken once.
    root.SetPathString("P2\\Niveau\\Litho", 0, btString, "argile");
    root.SetPathString("P2\\Niveau\\Litho", 1, btString, "craie");
    const std::vector<LevelSearchRow> rows{{"P1", "A"}, {"P1", "B"}, {"P2", "X"}, {"P2", "Y"}, {"ABSENT", ""}};

    // Without the library, "GRES" finds "Grès" as it does with it.
    root.SetPathString("P3\\Niveau\\Litho", 0, btString, "Gr\xC3\xA8s fin, 2,8 % d'argile");
    EXPECT_EQ(RunLevelSearch(root, {{"P3", ""}}, ReadLevelSearchCriteria("GRES ET 2,8", "", "", false),
                             LevelAction::Select)
                  .MatchedLevels,
              1);

    LevelSearchCriteria c = ReadLevelSearchCriteria("ARGILE", "", "", false);
    LevelSearchResult res = RunLevelSearch(root, rows, c, LevelAction::Select);
    EXPECT_EQ(res.MatchedLevels, 3);
    EXPECT_EQ(res.MatchedRows, (std::vector<int>{0, 2}));
    const TBlock* sel = root.FindBlock("P1\\Niveau\\" + kSel);
    ASSERT_NE(sel, nullptr);
    EXPECT_EQ(sel->BlockType(), btIntArray);
    EXPECT_EQ(sel->GetInt(0), 1);
    EXPECT_TRUE(IsMissingInt(sel->GetInt(1)));
    EXPECT_EQ(sel->GetInt(2), 1);
    EXPECT_EQ(root.GetPathInt("P2\\Niveau\\" + kSel, 0), 1);

    // Invert over the depth range 0 to 12: every level of A meets it.
    c = ReadLevelSearchCriteria("ARGILE OU SABLE", "0", "12", false);
    RunLevelSearch(root, {{"P1", "A"}}, c, LevelAction::Invert);
    sel = root.FindBlock("P1\\Niveau\\" + kSel);
    EXPECT_EQ(sel->GetInt(0), 0);
    EXPECT_EQ(sel->GetInt(1), 1);
    EXPECT_EQ(sel->GetInt(2), 0);

    // Deselect; a value of 2 counts as selected when inverted.
    root.SetPathInt("P1\\Niveau\\" + kSel, 1, btInt, 2);
    RunLevelSearch(root, {{"P1", "A"}}, ReadLevelSearchCriteria("SABLE", "", "", false), LevelAction::Invert);
    EXPECT_EQ(root.GetPathInt("P1\\Niveau\\" + kSel, 1), 0);
    RunLevelSearch(root, {{"P1", "A"}}, ReadLevelSearchCriteria("ARGILE", "", "", false), LevelAction::Deselect);
    EXPECT_EQ(root.GetPathInt("P1\\Niveau\\" + kSel, 0), 0);

    // The depth range alone chooses levels; the mark itself is not a keyword.
    res = RunLevelSearch(root, {{"P1", "B"}}, ReadLevelSearchCriteria("", "14", "16", true), LevelAction::Select);
    EXPECT_EQ(res.MatchedLevels, 1);
    EXPECT_EQ(root.GetPathInt("P1\\Niveau\\" + kSel, 3), 1);
    res = RunLevelSearch(root, rows, ReadLevelSearchCriteria("1", "", "", false), LevelAction::Select);
    EXPECT_EQ(res.MatchedLevels, 0);

    // A syntax error stops the search; what was written stays.
    EXPECT_THROW(RunLevelSearch(root, rows, ReadLevelSearchCriteria("ARGILE ET", "", "", false), LevelAction::Select),
                 EKeywordSyntax);
    // Nothing to evaluate, nothing to raise.
    EXPECT_NO_THROW(RunLevelSearch(root, {}, ReadLevelSearchCriteria("(", "", "", false), LevelAction::Select));
}
