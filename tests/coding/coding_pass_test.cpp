// The coding pass over the levels of the selected ouvrages, with a fake coder
// installed in the program-wide binding.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "coding/codage_binding.h"
#include "coding/coding_pass.h"
#include "fake_coder.h"
#include "store/blocks.h"

namespace {

// Codes every description as "C:" + the description, so that a test sees
// what the pass handed over; an empty description gives an empty code.
class PrefixCoder final : public StubCodingLibrary {
public:
    explicit PrefixCoder(std::vector<std::string>* seen) : seen_(seen) {}
    bool HasMakeCode() const override { return true; }
    std::string MakeCode(std::string_view description) override
    {
        seen_->emplace_back(description);
        return description.empty() ? std::string() : "C:" + std::string(description);
    }

private:
    std::vector<std::string>* seen_;
};

class RecordingProgress final : public CodingProgress {
public:
    void Start(const std::string& label, int maximum) override
    {
        this->label = label;
        this->maximum = maximum;
        ++starts;
    }
    void Step(int position) override { steps.push_back(position); }
    std::string label;
    int maximum = -1;
    int starts = 0;
    std::vector<int> steps;
};

class CodingPassTest : public ::testing::Test {
protected:
    void SetUp() override { previous_ = CodageDLL().Replace(std::make_unique<PrefixCoder>(&seen_)); }
    void TearDown() override { CodageDLL().Replace(std::move(previous_)); }

    // Adds a level row to indice\Niveau.
    static void AddLevel(TDirBlock& root, const std::string& indice, int r, const std::string& design,
                         const std::string& type, const std::string& litho, const std::string& code)
    {
        TDirBlock* levels = root.ForceDir(indice + "\\Niveau");
        levels->SetPathString("Désign", r, btString, design);
        levels->SetPathString("Type", r, btString, type);
        levels->SetPathString("Litho", r, btString, litho);
        levels->SetPathString("CodeNiv", r, btString, code);
    }

    static std::string Code(const TDirBlock& root, const std::string& indice, int r)
    {
        return root.GetPathString(indice + "\\Niveau\\CodeNiv", r);
    }
    // The whole code column of a borehole, "a|b|c".
    static std::string Codes(const TDirBlock& root, const std::string& indice)
    {
        std::string out;
        const TBlock* column = root.FindBlock(indice + "\\Niveau\\CodeNiv");
        for (int r = 0; column && r < column->Count(); ++r) out += (r ? "|" : "") + column->GetString(r);
        return out;
    }

    std::vector<std::string> seen_;
    std::unique_ptr<CodingLibrary> previous_;
};

TEST_F(CodingPassTest, LevelTypesEmptyAndCoupeAreCodedOthersAreNot)
{
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "");
    AddLevel(root, "P1", 1, "F1", "coupe", "sable", "");
    AddLevel(root, "P1", 2, "F1", "FORAGE", "gravier", "");
    AddLevel(root, "P1", 3, "F1", "Coupe", "marne", "");

    const CodingPassResult result = CodeLevels(root, {{"P1", "F1"}}, false);

    EXPECT_FALSE(result.LibraryMissing);
    EXPECT_EQ(result.LevelsCoded, 3);
    EXPECT_EQ(Codes(root, "P1"), "C:ARGILE|C:SABLE||C:MARNE");
    EXPECT_TRUE(IsCodedLevelType(""));
    EXPECT_TRUE(IsCodedLevelType("cOuPe"));
    EXPECT_FALSE(IsCodedLevelType(" COUPE"));
    EXPECT_FALSE(IsCodedLevelType("FORAGE"));
}

TEST_F(CodingPassTest, DescriptionGoesToTheCoderInUpperCaseOfTheWholeRepertoire)
{
    TDirBlock root("Carotix");
    // Two levels and no code column yet.
    root.SetPathString("P1\\Niveau\\Litho", 0, btString, "Argile à silex, œil de bœuf");
    root.SetPathString("P1\\Niveau\\Litho", 1, btString, "ß et µ");
    CodeLevels(root, {{"P1", ""}}, true);
    ASSERT_EQ(seen_.size(), 2u);
    EXPECT_EQ(seen_[0], "ARGILE À SILEX, ŒIL DE BŒUF");
    EXPECT_EQ(seen_[1], "ß ET µ");
    // The codes are stored as a text column.
    const TBlock* column = root.FindBlock("P1\\Niveau\\CodeNiv");
    ASSERT_NE(column, nullptr);
    EXPECT_EQ(column->BlockType(), btStringArray);
    EXPECT_EQ(column->GetString(1), "C:ß ET µ");
}

TEST_F(CodingPassTest, CompletingKeepsExistingCodesRecodingReplacesThemEvenByEmptyCodes)
{
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "X");
    AddLevel(root, "P1", 1, "F1", "", "sable", "");
    AddLevel(root, "P1", 2, "F1", "", "", "OLD");

    CodeLevels(root, {{"P1", "F1"}}, false);
    EXPECT_EQ(Codes(root, "P1"), "X|C:SABLE|OLD");

    CodeLevels(root, {{"P1", "F1"}}, true);
    EXPECT_EQ(Codes(root, "P1"), "C:ARGILE|C:SABLE|"); // an empty description replaces the old code by none
}

TEST_F(CodingPassTest, UnselectedBoreholesAndOuvragesAreLeftUnchanged)
{
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "");
    AddLevel(root, "P1", 1, "F2", "", "sable", "");
    AddLevel(root, "P2", 0, "F1", "", "gravier", "");
    const std::unique_ptr<TDirBlock> p2Before = root.FindDir("P2")->CloneDir();

    const CodingPassResult result = CodeLevels(root, {{"P1", "f1"}}, false);

    EXPECT_EQ(result.Boreholes, 1);
    EXPECT_EQ(Codes(root, "P1"), "C:ARGILE|"); // designations compare without regard to case
    EXPECT_TRUE(SameBlock(root.FindDir("P2"), p2Before.get()));
    EXPECT_EQ(seen_, std::vector<std::string>{"ARGILE"});
}

// A level without a designation belongs to every ouvrage of its borehole: the
// pass codes it as soon as one of them is selected, whichever that is.
TEST_F(CodingPassTest, LevelsWithoutDesignationBelongToEveryOuvrageOfTheirBorehole)
{
    TDirBlock root("Carotix");
    // P1 holds two ouvrages; one level is shared, one belongs to F2.
    AddLevel(root, "P1", 0, "", "", "argile", "");
    AddLevel(root, "P1", 1, "F2", "", "sable", "");
    root.SetPathString("P1\\Ouvrage\\Désign", 0, btString, "F1");
    root.SetPathString("P1\\Ouvrage\\Désign", 1, btString, "F2");
    // P2: a "Niveau" table without any "Désign" column, one named ouvrage.
    root.SetPathString("P2\\Ouvrage\\Désign", 0, btString, "PZ");
    root.SetPathString("P2\\Niveau\\Litho", 0, btString, "marne");
    root.SetPathString("P2\\Niveau\\Litho", 1, btString, "calcaire");
    // P3 is not selected: its shared level stays as it is.
    AddLevel(root, "P3", 0, "", "", "tourbe", "");

    CodeLevels(root, {{"P1", "F1"}, {"P2", "PZ"}}, false);

    EXPECT_EQ(Codes(root, "P1"), "C:ARGILE|");
    EXPECT_EQ(Codes(root, "P2"), "C:MARNE|C:CALCAIRE");
    EXPECT_EQ(Code(root, "P3", 0), "");
}

TEST_F(CodingPassTest, ProgressAdvancesByTheSelectedRowsOfEachBoreholeWithOrWithoutLevels)
{
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "");
    root.SetPathString("P2\\Ouvrage\\Désign", 0, btString, "A");  // no "Niveau" table
    root.SetPathString("P2\\Ouvrage\\Désign", 1, btString, "B");
    root.SetPathString("UnitéXY", 0, btString, "km");                  // a value at the root
    AddLevel(root, "P3", 0, "", "", "sable", "");

    RecordingProgress progress;
    const std::vector<CodingSelection> selection{{"P2", "A"}, {"P1", "F1"}, {"P2", "B"}, {"P9", "X"}};
    const CodingPassResult result = CodeLevels(root, selection, false, &progress);

    EXPECT_EQ(progress.starts, 1);
    EXPECT_EQ(progress.label, "Codage des ouvrages...");
    EXPECT_EQ(progress.maximum, 4);
    // Child order: P1 (one row), P2 (two rows); P3 has none and P9 no directory.
    EXPECT_EQ(progress.steps, (std::vector<int>{1, 3}));
    EXPECT_EQ(result.Boreholes, 2);
    EXPECT_EQ(result.LevelsCoded, 1);
    EXPECT_EQ(Code(root, "P3", 0), "");
}

TEST_F(CodingPassTest, CodeColumnIsCreatedOrGrownAndSingleValuesArePromoted)
{
    TDirBlock root("Carotix");
    // Single-value columns (one level) and a second level only in "Litho".
    root.SetPathString("P1\\Niveau\\Litho", 0, btString, "argile");
    root.SetPathString("P1\\Niveau\\CodeNiv", 0, btString, "A1");
    root.FindDir("P1\\Niveau")->SetPathString("Litho", 1, btString, "sable");
    ASSERT_EQ(root.FindDir("P1\\Niveau")->RowCount(), 2);

    CodeLevels(root, {{"P1", ""}}, false);
    EXPECT_EQ(Codes(root, "P1"), "A1|C:SABLE");
    EXPECT_EQ(root.FindBlock("P1\\Niveau\\CodeNiv")->Count(), 2);

    // A table without a code column gets one.
    root.SetPathString("P2\\Niveau\\Litho", 0, btString, "gravier");
    CodeLevels(root, {{"P2", ""}}, false);
    EXPECT_EQ(Code(root, "P2", 0), "C:GRAVIER");
}

TEST_F(CodingPassTest, WithoutTheLibraryNothingChanges)
{
    CodageDLL().Replace(UnboundCodingLibrary());
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "");
    const std::unique_ptr<TDirBlock> before = root.CloneDir();
    RecordingProgress progress;

    const CodingPassResult result = CodeLevels(root, {{"P1", "F1"}}, true, &progress);

    EXPECT_TRUE(result.LibraryMissing);
    EXPECT_TRUE(SameBlock(&root, before.get()));
    EXPECT_EQ(progress.starts, 0);
    EXPECT_TRUE(seen_.empty());
}

TEST_F(CodingPassTest, DuplicateSelectionsOfOneOuvrageCodeItsLevelsOnce)
{
    TDirBlock root("Carotix");
    AddLevel(root, "P1", 0, "F1", "", "argile", "");
    RecordingProgress progress;
    CodeLevels(root, {{"P1", "F1"}, {"P1", "F1"}}, true, &progress);
    EXPECT_EQ(seen_.size(), 1u);
    EXPECT_EQ(progress.steps, std::vector<int>{2});
}

} // namespace
