// Tables: row count, row insertion and deletion across columns, appending a row
// from another table, and merging blocks into a directory.
#include "store/tables.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

constexpr double kInf = std::numeric_limits<double>::infinity();

std::vector<std::string> Texts(const TBlock* b)
{
    std::vector<std::string> out;
    for (int i = 0; i < b->Count(); ++i) out.push_back(b->GetString(i));
    return out;
}

TEST(Rows, RowCountIsTheLongestColumn)
{
    TDirBlock t("Niveau");
    EXPECT_EQ(t.RowCount(), 0);
    t.AddChild(std::make_unique<TIntBlock>("Code", 7), false);
    t.AddChild(std::make_unique<TFloatArrayBlock>("Bas", std::vector<double>{1, 2, 3}), false);
    EXPECT_EQ(t.RowCount(), 3);
    // Subdirectories are not columns.
    TDirBlock* sub = t.ForceDir("Sub");
    for (int k = 0; k < 5; ++k) sub->GetOrCreateSubDir("d", true);
    EXPECT_EQ(t.RowCount(), 3);
}

TEST(Rows, InsertRowAtZeroPromotesSingleValues)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntBlock>("I", 7), false);
    t.AddChild(std::make_unique<TStrBlock>("S", "s"), false);
    t.AddChild(std::make_unique<TFloatBlock>("F", 1.5), false);
    t.InsertRow(0);
    const TBlock* i = t.FindBlock("I");
    ASSERT_EQ(i->BlockType(), btIntArray);
    EXPECT_EQ(static_cast<const TIntArrayBlock*>(i)->Items, (std::vector<std::int32_t>{MissingInt, 7}));
    EXPECT_EQ(Texts(t.FindBlock("S")), (std::vector<std::string>{"", "s"}));
    const TBlock* f = t.FindBlock("F");
    ASSERT_EQ(f->BlockType(), btFloatArray);
    EXPECT_EQ(f->GetFloat(0), -kInf);
    EXPECT_EQ(f->GetFloat(1), 1.5);
    EXPECT_EQ(t.RowCount(), 2);
}

TEST(Rows, InsertRowFurtherDownGrowsSingleValuesAfterTheirValue)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TStrBlock>("S", "s"), false);
    t.AddChild(std::make_unique<TIntBlock>("I", 4), false);
    t.InsertRow(2);
    EXPECT_EQ(Texts(t.FindBlock("S")), (std::vector<std::string>{"s", "", ""}));
    EXPECT_EQ(static_cast<const TIntArrayBlock*>(t.FindBlock("I"))->Items,
              (std::vector<std::int32_t>{4, MissingInt, MissingInt}));
}

TEST(Rows, InsertRowInArraysShiftsOrPads)
{
    TDirBlock t("T");
    auto s = std::make_unique<TStrArrayBlock>("S");
    s->Append("a");
    s->Append("b");
    t.AddChild(std::move(s), false);
    t.AddChild(std::make_unique<TIntArrayBlock>("I", std::vector<std::int32_t>{1, 2}), false);
    t.AddChild(std::make_unique<TFloatArrayBlock>("F", std::vector<double>{1.5}), false);
    t.ForceDir("D");
    t.InsertRow(1);
    EXPECT_EQ(Texts(t.FindBlock("S")), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_EQ(static_cast<const TIntArrayBlock*>(t.FindBlock("I"))->Items,
              (std::vector<std::int32_t>{1, MissingInt, 2}));
    EXPECT_EQ(static_cast<const TFloatArrayBlock*>(t.FindBlock("F"))->Items, (std::vector<double>{1.5, -kInf}));
    t.InsertRow(5);
    EXPECT_EQ(t.FindBlock("S")->Count(), 6);
    EXPECT_EQ(t.FindBlock("F")->Count(), 6);
    t.InsertRow(-1);
    EXPECT_EQ(t.RowCount(), 6);
    EXPECT_EQ(t.FindDir("D")->ItemCount(), 0);
}

TEST(Rows, DeleteRowZeroRemovesOneElementColumns)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntArrayBlock>("One", std::vector<std::int32_t>{1}), false);
    t.AddChild(std::make_unique<TStrBlock>("Single", "x"), false);
    t.AddChild(std::make_unique<TFloatArrayBlock>("Three", std::vector<double>{1, 2, 3}), false);
    t.AddChild(std::make_unique<TIntArrayBlock>("Empty"), false);
    t.DeleteRow(0);
    EXPECT_EQ(t.FindBlock("One"), nullptr);
    EXPECT_EQ(t.FindBlock("Single"), nullptr);
    EXPECT_EQ(static_cast<const TFloatArrayBlock*>(t.FindBlock("Three"))->Items, (std::vector<double>{2, 3}));
    EXPECT_NE(t.FindBlock("Empty"), nullptr);
}

TEST(Rows, DeleteRowOutsideChangesNothing)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntArrayBlock>("A", std::vector<std::int32_t>{1, 2, 3}), false);
    t.AddChild(std::make_unique<TStrBlock>("S", "x"), false);
    auto before = t.CloneDir();
    t.DeleteRow(5);
    t.DeleteRow(-1);
    EXPECT_TRUE(SameBlock(&t, before.get()));
    t.DeleteRow(1);   // single values are left alone below row 0
    EXPECT_EQ(static_cast<const TIntArrayBlock*>(t.FindBlock("A"))->Items, (std::vector<std::int32_t>{1, 3}));
    EXPECT_EQ(t.GetPathString("S", 0), "x");
}

TEST(Rows, AppendRowFromCreatesUnknownColumnsMissingInEarlierRows)
{
    TDirBlock dest("Niveau");
    dest.SetPathFloat("Bas", 1, btFloat, 4.0);   // two rows
    dest.SetPathString("Litho", 0, btString, "AR");
    TDirBlock src("Niveau");
    src.SetPathFloat("Bas", 0, btFloat, 9.5);
    src.SetPathString("Desc", 0, btString, "sable");
    src.SetPathInt("Code", 0, btInt, 3);
    dest.AppendRowFrom(src, 0);
    EXPECT_EQ(dest.RowCount(), 3);
    EXPECT_EQ(dest.GetPathFloat("Bas", 2), 9.5);
    EXPECT_EQ(Texts(dest.FindBlock("Desc")), (std::vector<std::string>{"", "", "sable"}));
    EXPECT_EQ(dest.GetPathInt("Code", 0), MissingInt);
    EXPECT_EQ(dest.GetPathInt("Code", 2), 3);
    EXPECT_EQ(dest.FindBlock("Litho")->Count(), 1);   // absent from the source: unchanged
}

TEST(Rows, AppendRowFromConvertsAnIntegerColumnReceivingADouble)
{
    TDirBlock dest("T");
    dest.AddChild(std::make_unique<TIntBlock>("V", 2), false);
    TDirBlock src("T");
    src.AddChild(std::make_unique<TFloatBlock>("V", 2.7), false);
    dest.AppendRowFrom(src, 0);
    const TBlock* v = dest.FindBlock("V");
    ASSERT_EQ(v->BlockType(), btFloatArray);
    EXPECT_EQ(v->GetFloat(0), 2.0);
    EXPECT_EQ(v->GetFloat(1), 2.7);
    // From an empty table: the row goes to row 0, converting there too.
    TDirBlock empty("E");
    empty.AddChild(std::make_unique<TIntArrayBlock>("V", std::vector<std::int32_t>{}), false);
    empty.AppendRowFrom(src, 0);
    EXPECT_EQ(empty.FindBlock("V")->Count(), 0);   // an empty array takes nothing
    // A table appending its own row.
    dest.AppendRowFrom(dest, 1);
    EXPECT_EQ(dest.GetPathFloat("V", 2), 2.7);
}

TEST(Merge, ADirectoryMergesIntoTheSameNamedDirectory)
{
    TDirBlock root("Carotix");
    root.SetPathFloat("F1\\Niveau\\Bas", 0, btFloat, 1.0);
    root.SetPathFloat("F1\\Niveau\\Arr", 1, btFloat, 2.0);   // an array
    auto incoming = std::make_unique<TDirBlock>("F1");
    incoming->SetPathFloat("Niveau\\Bas", 0, btFloat, 5.0);
    incoming->SetPathFloat("Niveau\\Arr", 1, btFloat, 7.0);   // an incoming array never merges: dropped
    incoming->SetPathString("Tubage\\Nom", 0, btString, "T");
    TDirBlock* f1 = root.FindDir("F1");
    EXPECT_TRUE(f1->Parent()->MergeChild(std::move(incoming)));
    EXPECT_FALSE(incoming);
    EXPECT_EQ(root.ItemCount(), 1);
    EXPECT_EQ(static_cast<const TFloatArrayBlock*>(root.FindBlock("F1\\Niveau\\Bas"))->Items,
              (std::vector<double>{1.0, 5.0}));
    EXPECT_EQ(root.FindBlock("F1\\Niveau\\Arr")->Count(), 2);
    EXPECT_EQ(root.GetPathString("F1\\Tubage\\Nom", 0), "T");
}

TEST(Merge, SingleValuesAppendToColumnsOfTheirKind)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntBlock>("I", 1), false);
    t.AddChild(std::make_unique<TStrArrayBlock>("S"), false);
    t.AddChild(std::make_unique<TFloatBlock>("F", 0.5), false);
    EXPECT_TRUE(t.MergeChild(std::make_unique<TIntBlock>("I", 2)));
    EXPECT_TRUE(t.MergeChild(std::make_unique<TStrBlock>("S", "x")));
    EXPECT_TRUE(t.MergeChild(std::make_unique<TFloatBlock>("F", 1.5)));
    EXPECT_EQ(static_cast<const TIntArrayBlock*>(t.FindBlock("I"))->Items, (std::vector<std::int32_t>{1, 2}));
    EXPECT_EQ(Texts(t.FindBlock("S")), (std::vector<std::string>{"x"}));
    EXPECT_EQ(static_cast<const TFloatArrayBlock*>(t.FindBlock("F"))->Items, (std::vector<double>{0.5, 1.5}));
    EXPECT_EQ(t.FindBlock("I")->Parent(), &t);
    EXPECT_TRUE(t.MergeChild(std::make_unique<TIntBlock>("New", 3)));   // simply added
    EXPECT_EQ(t.GetPathInt("New", 0), 3);
}

TEST(Merge, MismatchedKindsAreRefusedAndLeftToTheCaller)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntArrayBlock>("Code", std::vector<std::int32_t>{1}), false);
    auto before = t.CloneDir();
    auto text = std::make_unique<TStrBlock>("Code", "AR");
    EXPECT_FALSE(t.MergeChild(std::move(text)));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Parent(), nullptr);
    EXPECT_EQ(text->Value, "AR");
    EXPECT_TRUE(SameBlock(&t, before.get()));
    auto arr = std::make_unique<TIntArrayBlock>("Code", std::vector<std::int32_t>{2});
    EXPECT_FALSE(t.MergeChild(std::move(arr)));
    ASSERT_TRUE(arr);
    auto dir = std::make_unique<TDirBlock>("Code");
    EXPECT_FALSE(t.MergeChild(std::move(dir)));
    ASSERT_TRUE(dir);
    auto none = std::make_unique<TBlock>();
    none->Name = "Code";
    EXPECT_FALSE(t.MergeChild(std::move(none)));
    EXPECT_TRUE(SameBlock(&t, before.get()));
}

}  // namespace
