// Tables: row count, row insertion and deletion across columns, appending a row
// from another table, and merging blocks into a directory.
#include "store/tables.h"

#include <gtest/gtest.h>

#include "block_dump.h"

#include <functional>

namespace {

std::string Dump(const TDirBlock& t) { return DumpColumns(t); }

std::unique_ptr<TStrArrayBlock> Texts(const char* name, std::initializer_list<const char*> items)
{
    auto a = std::make_unique<TStrArrayBlock>(name);
    for (const char* item : items) a->Append(item);
    return a;
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

TEST(Rows, InsertAndDeleteAcrossColumns)
{
    struct Case {
        const char* what;
        std::function<void(TDirBlock&)> change;
        const char* after;
    };
    const Case cases[] = {
        {"a row inserted at 0 promotes single values", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntBlock>("I", 7), false);
             t.AddChild(std::make_unique<TStrBlock>("S", "s"), false);
             t.AddChild(std::make_unique<TFloatBlock>("F", 1.5), false);
             t.InsertRow(0);
         }, "I:I=|7 S:S=|s F:F=|1.5"},
        {"further down, single values grow after their value", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TStrBlock>("S", "s"), false);
             t.AddChild(std::make_unique<TIntBlock>("I", 4), false);
             t.InsertRow(2);
         }, "S:S=s|| I:I=4||"},
        {"arrays shift or pad, directories stay", [](TDirBlock& t) {
             t.AddChild(Texts("S", {"a", "b"}), false);
             t.AddChild(std::make_unique<TIntArrayBlock>("I", std::vector<std::int32_t>{1, 2}), false);
             t.AddChild(std::make_unique<TFloatArrayBlock>("F", std::vector<double>{1.5}), false);
             t.ForceDir("D");
             t.InsertRow(1);
         }, "S:S=a||b I:I=1||2 F:F=1.5| D:D0"},
        {"beyond the last row every column is padded", [](TDirBlock& t) {
             t.AddChild(Texts("S", {"a"}), false);
             t.AddChild(std::make_unique<TFloatArrayBlock>("F", std::vector<double>{1.5, 2}), false);
             t.InsertRow(3);   // two rows padded to three, then one inserted
             t.InsertRow(-1);
         }, "S:S=a||| F:F=1.5|2||"},
        {"deleting row 0 removes one-element columns", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntArrayBlock>("One", std::vector<std::int32_t>{1}), false);
             t.AddChild(std::make_unique<TStrBlock>("Single", "x"), false);
             t.AddChild(std::make_unique<TFloatArrayBlock>("Three", std::vector<double>{1, 2, 3}), false);
             t.AddChild(std::make_unique<TIntArrayBlock>("Empty"), false);
             t.DeleteRow(0);
         }, "Three:F=2|3 Empty:I="},
        {"rows outside change nothing, single values stay below row 0", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntArrayBlock>("A", std::vector<std::int32_t>{1, 2, 3}), false);
             t.AddChild(std::make_unique<TStrBlock>("S", "x"), false);
             t.DeleteRow(5);
             t.DeleteRow(-1);
             t.DeleteRow(1);
         }, "A:I=1|3 S:s=x"},
    };
    for (const Case& c : cases) {
        TDirBlock t("T");
        c.change(t);
        EXPECT_EQ(Dump(t), c.after) << c.what;
    }
}

TEST(Rows, AppendRowFromCreatesUnknownColumnsAndConvertsIntegerColumns)
{
    TDirBlock dest("Niveau");
    dest.SetPathFloat("Bas", 1, btFloat, 4.0);   // two rows
    dest.SetPathString("Litho", 0, btString, "AR");
    dest.AddChild(std::make_unique<TIntBlock>("V", 2), false);
    TDirBlock src("Niveau");
    src.SetPathFloat("Bas", 0, btFloat, 9.5);
    src.SetPathString("Desc", 0, btString, "sable");
    src.SetPathInt("Code", 0, btInt, 3);
    src.AddChild(std::make_unique<TFloatBlock>("V", 2.7), false);
    dest.AppendRowFrom(src, 0);
    // Columns absent from the source are left as they are.
    EXPECT_EQ(Dump(dest), "Bas:F=|4|9.5 Litho:s=AR V:F=2||2.7 Desc:S=||sable Code:I=||3");
    // A table appending its own row.
    dest.AppendRowFrom(dest, 2);
    EXPECT_EQ(Dump(dest), "Bas:F=|4|9.5|9.5 Litho:S=AR||| V:F=2||2.7|2.7 Desc:S=||sable|sable Code:I=||3|3");
    // An empty array takes nothing.
    TDirBlock empty("E");
    empty.AddChild(std::make_unique<TIntArrayBlock>("V", std::vector<std::int32_t>{}), false);
    empty.AppendRowFrom(src, 0);
    EXPECT_EQ(empty.FindBlock("V")->Count(), 0);
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
    EXPECT_TRUE(root.MergeChild(std::move(incoming)));
    EXPECT_FALSE(incoming);
    EXPECT_EQ(Dump(root), "F1:D2");
    EXPECT_EQ(Dump(*root.FindDir("F1\\Niveau")), "Bas:F=1|5 Arr:F=|2");
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
    EXPECT_TRUE(t.MergeChild(std::make_unique<TIntBlock>("New", 3)));   // simply added
    EXPECT_EQ(Dump(t), "I:I=1|2 S:S=x F:F=0.5|1.5 New:i=3");
    EXPECT_EQ(t.FindBlock("I")->Parent(), &t);
}

TEST(Merge, MismatchedKindsAreRefusedAndLeftToTheCaller)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntArrayBlock>("Code", std::vector<std::int32_t>{1}), false);
    auto text = std::make_unique<TStrBlock>("Code", "AR");
    EXPECT_FALSE(t.MergeChild(std::move(text)));
    ASSERT_TRUE(text);
    EXPECT_EQ(text->Parent(), nullptr);
    EXPECT_EQ(text->Value, "AR");
    auto arr = std::make_unique<TIntArrayBlock>("Code", std::vector<std::int32_t>{2});
    EXPECT_FALSE(t.MergeChild(std::move(arr)));
    EXPECT_TRUE(arr);
    auto dir = std::make_unique<TDirBlock>("Code");
    EXPECT_FALSE(t.MergeChild(std::move(dir)));
    EXPECT_TRUE(dir);
    auto none = std::make_unique<TBlock>();
    none->Name = "Code";
    EXPECT_FALSE(t.MergeChild(std::move(none)));
    EXPECT_EQ(Dump(t), "Code:I=1");
}

}  // namespace
