// The block tree: paths, lookups, creators, element access and its conversions,
// missing values, ownership moves, copying and comparison.
#include "store/blocks.h"

#include "platform/base/rtl_numbers.h"

#include <gtest/gtest.h>

#include "block_dump.h"

#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>
#include <limits>

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();

std::string MessageOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

// Root "Carotix" > borehole "F1" > table "Niveau" with columns.
struct Collection {
    TDirBlock root{"Carotix"};
    TDirBlock* Table()
    {
        return root.ForceDir("F1\\Niveau");
    }
};

TEST(BlockPaths, ReadersAnswerMissingValuesForAbsentBlocks)
{
    TDirBlock root("Carotix");
    EXPECT_EQ(root.GetPathString("Niveau\\Litho", 0), "");
    EXPECT_EQ(root.GetPathInt("Niveau\\Litho", 0), MissingInt);
    EXPECT_EQ(root.GetPathFloat("Niveau\\Litho", 0), -kInf);
    EXPECT_EQ(root.IndexOfPathString("Niveau\\Litho", ""), -1);
    EXPECT_EQ(root.FindBlock("a\\b\\c"), nullptr);
    EXPECT_EQ(root.FindDir("a"), nullptr);
    EXPECT_EQ(root.ItemCount(), 0);   // nothing created by reading
}

TEST(BlockPaths, SetPathStringCreatesDirectoryAndGrowsColumn)
{
    TDirBlock root("Carotix");
    root.SetPathString("Niveau\\Litho", 3, btString, "AR");
    TDirBlock* niveau = root.FindDir("Niveau");
    ASSERT_NE(niveau, nullptr);
    TBlock* litho = root.FindBlock("Niveau\\Litho");
    ASSERT_NE(litho, nullptr);
    EXPECT_EQ(litho->BlockType(), btStringArray);
    EXPECT_EQ(litho->Count(), 4);
    for (int i = 0; i < 3; ++i) EXPECT_EQ(litho->GetString(i), "");
    EXPECT_EQ(litho->GetString(3), "AR");
    EXPECT_EQ(litho->Parent(), niveau);
}

TEST(BlockPaths, LeadingBackslashStartsAtTheTopAndTrailingBackslashIsIgnored)
{
    TDirBlock root("Carotix");
    root.SetPathInt("Info\\Code", 0, btInt, 7);
    TDirBlock* deep = root.ForceDir("F1\\Niveau");
    EXPECT_EQ(deep->GetPathInt("\\Info\\Code", 0), 7);
    EXPECT_EQ(deep->FindBlock("\\Info\\Code"), root.FindBlock("Info\\Code"));
    EXPECT_EQ(root.FindDir("F1\\Niveau\\"), deep);
    EXPECT_EQ(root.GetDir("F1\\Niveau\\"), deep);
    EXPECT_EQ(root.FindBlock("Info\\Code\\"), root.FindBlock("Info\\Code"));
    EXPECT_EQ(deep->FindDir("\\"), &root);
    EXPECT_EQ(deep->TopDir(), &root);
    // The empty path is the starting directory.
    EXPECT_EQ(deep->GetDir(""), deep);
    EXPECT_EQ(deep->ForceDir(""), deep);
    EXPECT_EQ(deep->GetBlock(""), deep);
    EXPECT_EQ(deep->FindBlock(""), nullptr);
    EXPECT_TRUE(deep->BlockExists(""));
    EXPECT_FALSE(deep->BlockExists("Nothing"));
}

TEST(BlockPaths, AVeryDeepTreeIsBuiltAndFreedWithoutExhaustingTheStack)
{
    std::string path;
    for (int k = 0; k < 100000; ++k) path += "d\\";
    auto root = std::make_unique<TDirBlock>("R");
    TDirBlock* deepest = root->ForceDir(path);
    deepest->SetPathInt("v", 0, btInt, 1);
    EXPECT_EQ(root->GetPathInt(path + "v", 0), 1);
    EXPECT_EQ(deepest->GetPathInt("\\d\\d\\d", 0), MissingInt);
    root.reset();
}

TEST(BlockPaths, FailuresCarryTheirMessages)
{
    TDirBlock root("Carotix");
    root.ForceDir("A");
    root.SetPathString("A\\V", 0, btString, "x");
    EXPECT_EQ(MessageOf([&] { root.GetDir("A\\B\\C\\"); }), "Path not found (B\\C\\)");
    EXPECT_EQ(MessageOf([&] { root.GetBlock("A\\B\\C"); }), "Path not found (B\\C)");
    EXPECT_EQ(MessageOf([&] { root.GetBlock("A\\Z"); }), "File not found (Z)");
    EXPECT_EQ(MessageOf([&] { root.GetBlock("A\\V\\W"); }), "V is not a directory");
    EXPECT_EQ(MessageOf([&] { root.GetDir("A\\V"); }), "V is not a directory");
    EXPECT_EQ(MessageOf([&] { root.ForceBlock("A\\V\\W", btInt, ""); }), "V is not a directory");
    EXPECT_EQ(MessageOf([&] { root.ForceDir("A\\V\\W"); }), "V is not a directory");
    EXPECT_EQ(MessageOf([&] { root.ForceDir("A\\V"); }), "V n'est pas un répertoire");
    EXPECT_EQ(MessageOf([&] { root.GetOrCreateSubDir("A", false)->GetOrCreateSubDir("V", false); }),
              "V n'est pas un répertoire");
    EXPECT_EQ(MessageOf([&] { root.ForceBlock("A\\N", 4, ""); }), "Invalid constructor type");
    EXPECT_EQ(MessageOf([&] { root.ForceBlock("A", btInt, ""); }), "Block Carotix is a directory");
    root.ForceDir("F1\\Niveau");
    EXPECT_EQ(MessageOf([&] { root.GetBlock("F1\\Niveau"); }), "Block F1 is a directory");
    EXPECT_EQ(root.FindBlock("F1\\Niveau"), nullptr);
    // The finders never raise.
    EXPECT_EQ(root.FindBlock("A\\V\\W"), nullptr);
    EXPECT_EQ(root.GetPathString("A\\V\\W", 0), "");
}

TEST(BlockPaths, FindDirPassesOverValueBlocksOfTheSameName)
{
    TDirBlock root("Carotix");
    root.AddChild(std::make_unique<TStrBlock>("X", "value"), true);
    auto dir = std::make_unique<TDirBlock>("X");
    dir->AddChild(std::make_unique<TIntBlock>("Y", 3), false);
    TDirBlock* rawDir = dir.get();
    ASSERT_TRUE(root.AddChild(std::move(dir), true));
    EXPECT_EQ(root.IndexOfName("X"), 0);
    EXPECT_EQ(root.IndexOfDir("X"), 1);
    EXPECT_EQ(root.FindDir("X"), rawDir);
    // The other lookups take the first name, a value block: no path through it.
    EXPECT_EQ(root.FindBlock("X\\Y"), nullptr);
    EXPECT_EQ(root.FindBlock("X")->BlockType(), btString);
}

TEST(BlockPaths, ForceBlockReturnsWhatIsThereAndCreatesWithTheInitialText)
{
    TDirBlock root("Carotix");
    TBlock* b = root.ForceBlock("T\\I", btInt, "");
    EXPECT_EQ(b->BlockType(), btInt);
    EXPECT_EQ(b->GetInt(0), MissingInt);   // "" stores the missing integer
    EXPECT_EQ(root.ForceBlock("T\\I", btString, "zz"), b);
    EXPECT_EQ(root.ForceBlock("T\\F", btFloat, "2.5")->GetFloat(0), 2.5);
    TBlock* arr = root.ForceBlock("T\\A", btIntArray, "5");
    EXPECT_EQ(arr->BlockType(), btIntArray);
    EXPECT_EQ(arr->Count(), 0);
    EXPECT_THROW(root.ForceBlock("T\\Bad", btInt, "abc"), EConvertError);
    EXPECT_EQ(root.FindBlock("T\\Bad"), nullptr);
}

TEST(ElementAccess, ConversionsBetweenKinds)
{
    ScopedDecimalSeparator comma(',');
    TStrBlock text("t", "12");
    EXPECT_EQ(text.GetInt(0), 12);
    EXPECT_EQ(text.GetFloat(0), 12.0);
    text.Value = "2,5";
    EXPECT_EQ(text.GetFloat(0), 2.5);
    text.Value = "2.5";
    EXPECT_EQ(text.GetFloat(0), 2.5);
    EXPECT_EQ(text.GetInt(0), MissingInt);
    text.Value = "$1F";
    EXPECT_EQ(text.GetInt(0), 31);
    text.Value = "";
    EXPECT_EQ(text.GetInt(0), MissingInt);
    EXPECT_EQ(text.GetFloat(0), -kInf);
    text.SetFloat(0, 0.1 + 0.2);
    EXPECT_EQ(text.Value, "0,3");
    text.SetFloat(0, MissingFloat);
    EXPECT_EQ(text.Value, "");
    text.SetInt(0, -12);
    EXPECT_EQ(text.Value, "-12");
    text.SetInt(0, MissingInt);
    EXPECT_EQ(text.Value, "");

    TIntBlock i("i", MissingInt);
    EXPECT_EQ(i.GetString(0), "");
    EXPECT_EQ(i.GetFloat(0), -kInf);
    i.SetString(0, "42");
    EXPECT_EQ(i.GetString(0), "42");
    EXPECT_EQ(i.GetFloat(0), 42.0);
    i.SetString(0, "");
    EXPECT_EQ(i.Value, MissingInt);
    EXPECT_EQ(MessageOf([&] { i.SetString(0, "abc"); }), "'abc' n'est pas une valeur enti\xC3\xA8re correcte");
    i.SetFloat(0, -2.7);
    EXPECT_EQ(i.Value, -2);
    i.SetFloat(0, MissingFloat);
    EXPECT_EQ(i.Value, MissingInt);

    TFloatBlock f("f", -2.7);
    EXPECT_EQ(f.GetInt(0), -2);
    EXPECT_EQ(f.GetString(0), "-2,7");
    f.Value = MissingFloat;
    EXPECT_EQ(f.GetInt(0), MissingInt);
    EXPECT_EQ(f.GetString(0), "");
    f.SetInt(0, MissingInt);
    EXPECT_EQ(f.Value, -kInf);
    f.SetInt(0, 2147483647);
    EXPECT_EQ(f.Value, 2147483647.0);
    f.SetString(0, "");
    EXPECT_EQ(f.Value, -kInf);
}

TEST(ElementAccess, StoringTextIntoAFloatReadsTheDotWhateverTheSeparator)
{
    for (char sep : {',', '.'}) {
        ScopedDecimalSeparator s(sep);
        TFloatBlock f("f");
        f.SetString(0, "2.5");
        EXPECT_EQ(f.Value, 2.5);
        TStrBlock t("t", "2,5");
        EXPECT_EQ(t.GetFloat(0), sep == ',' ? 2.5 : MissingFloat);
    }
}

TEST(ElementAccess, OutOfRangeAndNotANumberDoublesNeverBecomeGarbageIntegers)
{
    for (double bad : {1e10, -1e10, 2147483648.0, kNaN, kInf}) {
        TFloatBlock f("f", bad);
        EXPECT_EQ(f.GetInt(0), MissingInt) << bad;
        TFloatArrayBlock fa("fa", {bad});
        EXPECT_EQ(fa.GetInt(0), MissingInt) << bad;
        TIntBlock i("i", 5);
        EXPECT_THROW(i.SetFloat(0, bad), EConvertError) << bad;
        EXPECT_EQ(i.Value, 5);
        TIntArrayBlock ia("ia", {1});
        EXPECT_THROW(ia.SetFloat(4, bad), EConvertError) << bad;
        EXPECT_EQ(ia.Items.size(), 1u);   // a failed store does not grow the array
    }
    TFloatBlock f("f", 2147483647.9);
    EXPECT_EQ(f.GetInt(0), 2147483647);
}

TEST(ElementAccess, IndexChecksAndSelfPromotion)
{
    TStrBlock s("s", "x");
    EXPECT_EQ(s.GetString(1), "");
    EXPECT_EQ(s.GetString(-1), "");
    s.SetString(-1, "y");
    EXPECT_EQ(s.Value, "x");
    EXPECT_EQ(MessageOf([&] { s.SetString(1, "y"); }), "Unable to change self block type");
    EXPECT_EQ(MessageOf([&] { TIntBlock("i").SetInt(1, 1); }), "Unable to change self block type");
    EXPECT_EQ(MessageOf([&] { TFloatBlock("f").SetFloat(2, 1); }), "Unable to change self block type");

    TIntArrayBlock a("a", {1, 2});
    a.SetInt(4, 9);
    EXPECT_EQ(a.Items, (std::vector<std::int32_t>{1, 2, MissingInt, MissingInt, 9}));
    TFloatArrayBlock fa("fa", {1.5});
    fa.SetInt(2, 3);
    EXPECT_EQ(fa.Items[1], -kInf);
    EXPECT_EQ(fa.Items[2], 3.0);

    TBlock none;
    EXPECT_EQ(none.Count(), 0);
    none.SetString(0, "x");   // nothing happens
    EXPECT_EQ(none.GetString(0), "");
    TDirBlock dir("d");
    dir.SetString(0, "x");
    EXPECT_EQ(dir.GetString(0), "");
    EXPECT_EQ(dir.GetInt(0), MissingInt);
    // An empty array ignores every store.
    TDirBlock root("Carotix");
    TBlock* arr = root.ForceBlock("T\\A", btStringArray, "x");
    arr->SetString(0, "a");
    arr->SetString(3, "a");
    EXPECT_EQ(arr->Count(), 0);
    root.SetPathString("T\\A", 2, btString, "a");
    root.SetPathString("T\\A", 0, btString, "a");
    EXPECT_EQ(root.FindBlock("T\\A")->Count(), 0);
    TDirBlock* t = root.FindDir("T");
    EXPECT_EQ(t->EnsureElement(0, 1, btString), nullptr);
    EXPECT_EQ(t->FindBlock("A")->Count(), 0);
}

TEST(ElementAccess, TextArraysKeepEveryElementApart)
{
    TStrArrayBlock a("a");
    a.Append("one");
    a.Append("");
    a.Append("three");
    a.Insert(1, "inserted");
    a.SetItem(0, "a much longer first element");
    a.SetItem(3, "3");
    a.Delete(2);
    ASSERT_EQ(a.ItemCount(), 3);
    EXPECT_EQ(a.Item(0), "a much longer first element");
    EXPECT_EQ(a.Item(1), "inserted");
    EXPECT_EQ(a.Item(2), "3");
    a.Resize(5);
    EXPECT_EQ(a.Item(4), "");
    a.Resize(1);
    EXPECT_EQ(a.ItemCount(), 1);
    // A text taken from the array itself may be stored back into it.
    a.Resize(3);
    a.SetString(2, a.Item(0));
    a.SetString(0, a.Item(0).substr(2));
    EXPECT_EQ(a.GetString(0), "much longer first element");
    EXPECT_EQ(a.GetString(2), "a much longer first element");
    EXPECT_EQ(a.IndexOfString("a much longer first element"), 2);
    EXPECT_EQ(a.IndexOfString(""), 1);
    EXPECT_EQ(a.IndexOfString("none"), -1);
    // ...also when storing it grows the array, and by append and insert.
    a.SetString(40, a.Item(2));
    a.Append(a.Item(0));
    a.Insert(0, a.Item(41));
    ASSERT_EQ(a.ItemCount(), 43);
    EXPECT_EQ(a.Item(0), "much longer first element");
    EXPECT_EQ(a.Item(41), "a much longer first element");
    EXPECT_EQ(a.Item(42), "much longer first element");
    EXPECT_EQ(a.Item(40), "");
    const std::unique_ptr<TBlock> copy = a.Clone();
    EXPECT_TRUE(SameBlock(copy.get(), &a));
    a.Clear();
    EXPECT_EQ(a.ItemCount(), 0);
    EXPECT_EQ(copy->GetString(42), "much longer first element");
}

TEST(StoresThroughTheDirectory, ColumnsAreConvertedOrPromotedRatherThanTruncated)
{
    struct Case {
        const char* what;
        std::function<void(TDirBlock&)> store;
        const char* after;
    };
    const Case cases[] = {
        {"a float at row 0 converts integer columns", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntBlock>("Single", 7), false);
             t.AddChild(std::make_unique<TIntArrayBlock>("Array", std::vector<std::int32_t>{1, 2, MissingInt}), false);
             t.AddChild(std::make_unique<TIntBlock>("I2", 4), false);
             t.SetPathFloat("Single", 0, btFloat, 2.7);
             t.SetPathFloat("Array", 0, btFloat, 2.7);
             t.SetPathString("I2", 0, btFloat, "2.7");
             t.SetPathString("Text", 0, btFloat, "2.7");   // created as a float
         }, "Single:f=2.7 Array:F=2.7|2| I2:f=2.7 Text:f=2.7"},
        {"whole-integer text keeps an integer column", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntArrayBlock>("N", std::vector<std::int32_t>{1}), false);
             t.SetStringAt(0, 1, btFloat, "12");
         }, "N:I=1|12"},
        {"other text converts it", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TIntArrayBlock>("N", std::vector<std::int32_t>{1}), false);
             t.SetStringAt(0, 1, btFloat, "12");
             t.SetStringAt(0, 2, btFloat, "1.5");
         }, "N:F=1|12|1.5"},
        {"a single value is promoted by path, new columns padded", [](TDirBlock& t) {
             t.AddChild(std::make_unique<TStrBlock>("Desc", "sable"), false);
             t.SetPathString("Desc", 1, btString, "argile");
             t.SetPathInt("Num", 2, btInt, 5);
             t.SetPathFloat("Depth", 1, btFloat, 1.25);
         }, "Desc:S=sable|argile Num:I=||5 Depth:F=|1.25"},
    };
    for (const Case& c : cases) {
        Collection coll;
        c.store(*coll.Table());
        EXPECT_EQ(DumpColumns(*coll.Table()), c.after) << c.what;
    }
}

TEST(StoresThroughTheDirectory, EnsureElementReplacesTheChildInPlace)
{
    TDirBlock t("T");
    t.AddChild(std::make_unique<TIntBlock>("A", MissingInt), false);
    t.AddChild(std::make_unique<TStrBlock>("B", "b"), false);
    TBlock* floats = t.EnsureElement(0, 0, btFloat);
    ASSERT_EQ(floats, t.Child(0));
    EXPECT_EQ(floats->BlockType(), btFloat);
    EXPECT_EQ(floats->GetFloat(0), -kInf);
    EXPECT_EQ(floats->Name, "A");
    EXPECT_EQ(floats->Parent(), &t);
    TBlock* grown = t.EnsureElement(1, 2, btNone);
    EXPECT_EQ(grown, t.Child(1));
    EXPECT_EQ(grown->BlockType(), btStringArray);
    EXPECT_EQ(grown->Count(), 3);
    EXPECT_EQ(t.EnsureElement(2, 0, btNone), nullptr);
    EXPECT_EQ(t.EnsureElement(0, -1, btNone), nullptr);
    t.SetTextAt(1, 0, "x");
    EXPECT_EQ(t.Child(1)->GetString(0), "x");
}

TEST(StoresThroughTheDirectory, GetPathIntReadsTextTolerantly)
{
    TDirBlock root("R");
    root.SetPathString("T", 0, btString, "12abc");
    EXPECT_EQ(root.GetPathInt("T", 0), 12);
    EXPECT_EQ(root.FindBlock("T")->GetInt(0), MissingInt);
    root.SetPathString("T", 0, btString, "-7x");
    EXPECT_EQ(root.GetPathInt("T", 0), 7);
    root.SetPathString("T", 0, btString, "-12");
    EXPECT_EQ(root.GetPathInt("T", 0), -12);
    root.SetPathString("T", 0, btString, "");
    EXPECT_EQ(root.GetPathInt("T", 0), 0);
    root.SetPathString("T", 0, btString, "$10");
    EXPECT_EQ(root.GetPathInt("T", 0), 16);
    EXPECT_EQ(root.GetPathInt("T", 1), MissingInt);
}

TEST(Children, AddChildWithABackslashGoesIntoTheSubdirectory)
{
    TDirBlock root("R");
    ASSERT_TRUE(root.AddChild(std::make_unique<TIntBlock>("X\\Y", 1), false));
    TDirBlock* x = root.FindDir("X");
    ASSERT_NE(x, nullptr);
    EXPECT_EQ(x->GetPathInt("Y", 0), 1);
    // The directory is reused, and the shortened name kept.
    auto second = std::make_unique<TIntBlock>("X\\Z", 2);
    TBlock* raw = second.get();
    ASSERT_TRUE(root.AddChild(std::move(second), false));
    EXPECT_EQ(root.ItemCount(), 1);
    EXPECT_EQ(raw->Name, "Z");
    EXPECT_EQ(raw->Parent(), x);
    // A clash inside answers false, with the name already cut.
    auto third = std::make_unique<TIntBlock>("X\\Y", 3);
    EXPECT_FALSE(root.AddChild(std::move(third), true));
    ASSERT_TRUE(third);
    EXPECT_EQ(third->Name, "Y");
    root.AddChild(std::make_unique<TIntBlock>("V", 3), false);
    EXPECT_EQ(MessageOf([&] { root.AddChild(std::make_unique<TIntBlock>("V\\W", 3), false); }),
              "V n'est pas un répertoire");
}

TEST(Children, ATakenNameLeavesTheBlockWhereItWas)
{
    TDirBlock a("A"), b("B");
    a.AddChild(std::make_unique<TIntBlock>("N", 1), false);
    b.AddChild(std::make_unique<TIntBlock>("N", 2), false);
    TBlock* moving = a.Child(0);
    EXPECT_FALSE(b.AddChild(moving, false));
    EXPECT_EQ(moving->Parent(), &a);
    EXPECT_EQ(a.ItemCount(), 1);
    EXPECT_EQ(b.ItemCount(), 1);
    auto owned = std::make_unique<TIntBlock>("N", 3);
    EXPECT_FALSE(b.AddChild(std::move(owned), false));
    ASSERT_TRUE(owned);   // still ours
    // Allowed duplicates move it, between trees too.
    EXPECT_TRUE(b.AddChild(moving, true));
    EXPECT_EQ(moving->Parent(), &b);
    EXPECT_EQ(a.ItemCount(), 0);
    EXPECT_EQ(b.ItemCount(), 2);
    // Already a child: false.
    EXPECT_FALSE(b.AddChild(moving, true));
    TIntBlock loose("L");
    EXPECT_THROW(b.AddChild(static_cast<TBlock*>(&loose), true), std::logic_error);
}

TEST(Children, ADirectoryIsNeverAddedIntoItselfOrBelowItself)
{
    TDirBlock root("R");
    TDirBlock* a = root.ForceDir("A");
    TDirBlock* deep = root.ForceDir("A\\B\\C");
    EXPECT_FALSE(deep->AddChild(static_cast<TBlock*>(a), false));
    EXPECT_FALSE(a->AddChild(static_cast<TBlock*>(a), true));
    EXPECT_EQ(a->Parent(), &root);
    EXPECT_EQ(root.FindDir("A\\B\\C"), deep);
    // A sibling may still go below it.
    TDirBlock* other = root.ForceDir("O");
    EXPECT_TRUE(deep->AddChild(static_cast<TBlock*>(other), false));
    EXPECT_EQ(root.FindDir("A\\B\\C\\O"), other);
}

TEST(Children, RemoveDeleteRename)
{
    TDirBlock d("D");
    d.AddChild(std::make_unique<TIntBlock>("a", 1), false);
    d.AddChild(std::make_unique<TIntBlock>("b", 2), false);
    d.AddChild(std::make_unique<TIntBlock>("c", 3), false);
    EXPECT_EQ(d.RemoveAt(7), nullptr);
    std::unique_ptr<TBlock> b = d.RemoveAt(1);
    ASSERT_TRUE(b);
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_EQ(d.ItemCount(), 2);
    TBlock* c = d.Child(1);
    std::unique_ptr<TBlock> c2 = d.RemoveChild(c);
    EXPECT_EQ(c2.get(), c);
    EXPECT_EQ(d.RemoveChild(c), nullptr);
    d.DeleteChild(5);
    d.DeleteChild(0);
    EXPECT_EQ(d.ItemCount(), 0);

    d.AddChild(std::make_unique<TIntBlock>("x", 1), false);
    d.AddChild(std::make_unique<TIntBlock>("y", 2), false);
    EXPECT_TRUE(d.RenameChild(0, "x", false));
    EXPECT_FALSE(d.RenameChild(0, "y", false));
    EXPECT_EQ(d.Child(0)->Name, "x");
    EXPECT_TRUE(d.RenameChild(0, "y", true));
    EXPECT_EQ(d.IndexOfName("y"), 0);
    EXPECT_TRUE(d.RenameChild(1, "Unité", false));
    EXPECT_EQ(d.IndexOfName("Unité"), 1);
    EXPECT_EQ(d.IndexOfName("unité"), -1);   // case counts
    EXPECT_EQ(d.IndexOf(d.Child(1)), 1);
}

// A tree holding every kind of block, NaN and missing values included.
std::unique_ptr<TDirBlock> SampleTree()
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    root->SetPathString("UnitéXY", 0, btString, "m");
    root->SetPathString("F1\\Ouvrage\\Désign", 0, btString, "F1");
    root->SetPathFloat("F1\\Ouvrage\\X", 0, btFloat, kNaN);
    root->SetPathInt("F1\\Ouvrage\\N", 0, btInt, MissingInt);
    root->SetPathFloat("F1\\Niveau\\Bas", 2, btFloat, 12.5);
    root->SetPathInt("F1\\Niveau\\Code", 1, btInt, 4);
    root->SetPathString("F1\\Niveau\\Desc", 1, btString, "sable fin");
    root->ForceDir("F1\\Vide");
    root->FindDir("F1")->AddChild(std::make_unique<TBlock>(), true);
    return root;
}

// A large directory answers its look-ups through a name index: after every
// kind of change, each look-up must give what a scan in child order gives.
TEST(Children, LookUpsInALargeDirectoryStayRightThroughEveryChange)
{
    TDirBlock root("Carotix");
    TDirBlock& big = *root.ForceDir("Big");
    TDirBlock other("Other");
    for (int k = 0; k < 40; ++k) {
        const std::string name = "B" + std::to_string(k);
        if (k % 5 == 0) big.AddChild(std::make_unique<TStrBlock>(name, "v"), true);
        else big.AddChild(std::make_unique<TDirBlock>(name), true);
    }
    const std::vector<std::string> names{"B0", "B1", "B5", "B10", "B7", "B38", "B39", "N", "V", "X", "Y", "Z", "Absent", ""};
    auto check = [&](const std::string& step) {
        SCOPED_TRACE(step);
        for (int k = 0; k < big.ItemCount(); ++k) ASSERT_EQ(big.IndexOf(big.Child(k)), k);
        EXPECT_EQ(big.IndexOf(&other), -1);
        for (const std::string& name : names) {
            int first = -1, firstDir = -1;
            for (int k = big.ItemCount() - 1; k >= 0; --k)
                if (big.Child(k)->Name == name) {
                    first = k;
                    if (big.Child(k)->IsDir()) firstDir = k;
                }
            EXPECT_EQ(big.IndexOfName(name), first) << name;
            EXPECT_EQ(big.IndexOfDir(name), firstDir) << name;
            if (!name.empty())   // the empty path is the directory itself
                EXPECT_EQ(big.FindDir(name), firstDir < 0 ? nullptr : big.Child(firstDir)) << name;
        }
    };
    const std::vector<std::pair<std::string, std::function<void()>>> steps{
        {"built", [] {}},
        {"a duplicate dir after a value block of its name", [&] { big.AddChild(std::make_unique<TDirBlock>("B5"), true); }},
        {"a duplicate of the first child", [&] { big.AddChild(std::make_unique<TDirBlock>("B0"), true); }},
        {"a taken name refused", [&] { EXPECT_FALSE(big.AddChild(std::make_unique<TDirBlock>("B1"), false)); }},
        {"a value then a dir named V", [&] {
             big.AddChild(std::make_unique<TIntBlock>("V", 1), false);
             big.AddChild(std::make_unique<TDirBlock>("V"), true);
         }},
        {"a path name X\\Y", [&] { big.AddChild(std::make_unique<TDirBlock>("X\\Y"), false); }},
        {"a child named with a path moved out", [&] {
             big.AddChild(std::make_unique<TDirBlock>("Q"), true);
             EXPECT_TRUE(big.RenameChild(big.IndexOfName("Q"), "Z\\B38", false));
             EXPECT_TRUE(other.AddChild(big.Child(big.IndexOfName("Z\\B38")), false));
             EXPECT_NE(other.FindDir("Z\\B38"), nullptr);
         }},
        {"the first child deleted", [&] { big.DeleteChild(0); }},
        {"a middle child deleted", [&] { big.DeleteChild(big.IndexOfName("B7")); }},
        {"the last child deleted", [&] { big.DeleteChild(big.ItemCount() - 1); }},
        {"a child moved to another directory", [&] { EXPECT_TRUE(other.AddChild(big.Child(big.IndexOfName("B1")), false)); }},
        {"a child moved back", [&] { EXPECT_TRUE(big.AddChild(other.Child(0), false)); }},
        {"renamed to a taken name", [&] { EXPECT_TRUE(big.RenameChild(3, "B38", true)); }},
        {"renamed away from a duplicate", [&] { EXPECT_TRUE(big.RenameChild(big.IndexOfName("B38"), "N", false)); }},
        {"a rename refused", [&] { EXPECT_FALSE(big.RenameChild(0, "B39", false)); }},
        {"a single value promoted", [&] { big.SetPathString("B10", 2, btString, "w"); }},
        {"an integer column converted", [&] { big.SetPathFloat("V", 0, btFloat, 2.5); }},
        {"a merge into a directory and a new one", [&] {
             EXPECT_TRUE(big.MergeChild(std::make_unique<TDirBlock>("B39")));
             EXPECT_TRUE(big.MergeChild(std::make_unique<TDirBlock>("Y")));
         }},
        {"row 0 of every column deleted", [&] { big.DeleteRow(0); }},
        {"cleared and filled again", [&] {
             big.Clear();
             for (int k = 39; k >= 0; --k) big.AddChild(std::make_unique<TDirBlock>("B" + std::to_string(k % 20)), true);
         }},
        {"read again from a file", [&] {
             const std::string file = ::testing::TempDir() + "name_index.crx";
             big.SaveToFile(file);
             big.Clear();
             big.AddChild(std::make_unique<TDirBlock>("Y"), true);
             for (int k = 0; k < 40; ++k) big.IndexOfName("Y");
             big.LoadFromFile(file);
         }},
    };
    for (const auto& [label, step] : steps) {
        step();
        check(label);
    }
}

TEST(CopyAndCompare, ATreeEqualsItsCloneNaNIncluded)
{
    auto tree = SampleTree();
    std::unique_ptr<TDirBlock> copy = tree->CloneDir();
    EXPECT_TRUE(SameBlock(tree.get(), copy.get()));
    EXPECT_EQ(copy->Parent(), nullptr);
    EXPECT_EQ(copy->FindDir("F1\\Niveau")->Parent(), copy->FindDir("F1"));
    EXPECT_EQ(copy->FindBlock("F1\\Niveau\\Bas")->Parent(), copy->FindDir("F1\\Niveau"));
    // A deep copy: changing it leaves the original.
    copy->SetPathString("F1\\Niveau\\Desc", 0, btString, "argile");
    EXPECT_FALSE(SameBlock(tree.get(), copy.get()));
    EXPECT_EQ(tree->GetPathString("F1\\Niveau\\Desc", 0), "");
    std::unique_ptr<TBlock> sub = tree->FindBlock("F1\\Niveau\\Bas")->Clone();
    EXPECT_EQ(sub->Parent(), nullptr);
    EXPECT_TRUE(SameBlock(sub.get(), tree->FindBlock("F1\\Niveau\\Bas")));
}

// The digest of a tree tells the same as SameBlock.
TEST(CopyAndCompare, SameBlockAndTheDigestLookAtOrderNamesTypesAndValues)
{
    EXPECT_TRUE(SameBlock(nullptr, nullptr));
    auto same = [](const TBlock& a, const TBlock& b) {
        const bool digests = DigestOf(a) == DigestOf(b);
        EXPECT_EQ(digests, SameBlock(&a, &b)) << a.Name;
        return digests;
    };
    TDirBlock a("D"), b("D");
    EXPECT_FALSE(SameBlock(&a, nullptr));
    EXPECT_TRUE(same(a, b));
    a.AddChild(std::make_unique<TIntBlock>("x", 1), false);
    a.AddChild(std::make_unique<TIntBlock>("y", 2), false);
    b.AddChild(std::make_unique<TIntBlock>("y", 2), false);
    b.AddChild(std::make_unique<TIntBlock>("x", 1), false);
    EXPECT_FALSE(same(a, b));   // order counts
    TIntBlock i("v", 1);
    TFloatBlock f("v", 1.0);
    EXPECT_FALSE(same(i, f));
    TIntBlock j("V", 1);
    EXPECT_FALSE(same(i, j));
    TFloatArrayBlock fa("a", {1.0, kNaN, MissingFloat, 0.0}), fb("a", {1.0, -kNaN, MissingFloat, -0.0});
    EXPECT_TRUE(same(fa, fb));
    fb.Items[2] = 0;
    EXPECT_FALSE(same(fa, fb));
    TStrArrayBlock sa("s"), sb("s");
    sa.Append("ab");
    sa.Append("c");
    sb.Append("a");
    sb.Append("bc");
    EXPECT_FALSE(same(sa, sb));
    // A directory's children against the same values one level down.
    TDirBlock nested("D"), flat("D");
    nested.ForceDir("E")->AddChild(std::make_unique<TStrBlock>("t", "x"), false);
    flat.AddChild(std::make_unique<TDirBlock>("E"), false);
    flat.AddChild(std::make_unique<TStrBlock>("t", "x"), false);
    EXPECT_FALSE(same(nested, flat));
    EXPECT_TRUE(same(nested, *nested.Clone()));
}

}  // namespace
