// Placing the annotations of the technical column: the queue, the search for
// a free row, line breaking and the spreading of overlapping text blocks.
#include <gtest/gtest.h>

#include <random>

#include "drawing/technical/technical_annotations.h"

namespace {

TEST(AjouterEtiquette, QueuesWithinTheLogAndDeduplicatesDepthMarks)
{
    std::vector<TEtiquette> q;
    EXPECT_TRUE(AjouterEtiquette(q, 100, 900, kCleRepere, "12,50", 300.5, 300.5, 300.5));
    EXPECT_FALSE(AjouterEtiquette(q, 100, 900, kCleRepere, "12,50", 300.5, 300.5, 300.5));  // same mark
    EXPECT_TRUE(AjouterEtiquette(q, 100, 900, kCleRepere, "12,51", 300.5, 300.5, 300.5));
    EXPECT_TRUE(AjouterEtiquette(q, 100, 900, 640, "12,50", 300.5, 300.5, 300.5));  // labels are not merged
    EXPECT_TRUE(AjouterEtiquette(q, 100, 900, 640, "12,50", 300.5, 300.5, 300.5));
    EXPECT_FALSE(AjouterEtiquette(q, 100, 900, 640, "", 300, 300, 300));
    EXPECT_FALSE(AjouterEtiquette(q, 100, 900, 640, "haut", 99.9, 99.9, 99.9));
    EXPECT_FALSE(AjouterEtiquette(q, 100, 900, 640, "bas", 900.1, 900, 900));
    EXPECT_TRUE(AjouterEtiquette(q, 100, 900, 640, "bord", 900, 900, 900));
    ASSERT_EQ(q.size(), 5u);
    EXPECT_EQ(q[0].YTexte, 300.5);
    EXPECT_EQ(q[4].YDebut, 900);
}

TEST(AjouterEtiquette, HoldsAtMost256Entries)
{
    std::vector<TEtiquette> q;
    for (int i = 0; i < 300; ++i)
        AjouterEtiquette(q, 0, 10000, 640, "label " + std::to_string(i), i, i, i);
    ASSERT_EQ(q.size(), kEtiquettesMax);
    EXPECT_EQ(q.back().Texte, "label 255");
}

TEtiquette Entry(std::int32_t cle, double y, double from, double to)
{
    TEtiquette e;
    e.Cle = cle;
    e.Texte = "x";
    e.Y = e.YTexte = y;
    e.YDebut = from;
    e.YFin = to;
    return e;
}

TEST(ChercherPlace, FindsTheNearestFreeRow)
{
    // Nothing placed before: Y stays where it is, inset by half the spacing.
    std::vector<TEtiquette> order = {Entry(640, 150, 100, 200)};
    double y = 150;
    EXPECT_TRUE(ChercherPlace(order, 0, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 150);
    y = 100;
    EXPECT_TRUE(ChercherPlace(order, 0, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 110);
    // A short element keeps its whole extent.
    y = 100;
    EXPECT_TRUE(ChercherPlace(order, 0, 20, 640, 100, 110, y));
    EXPECT_EQ(y, 100);

    // An earlier label at 150 blocks 130..170: the nearer free end wins.
    order = {Entry(640, 150, 150, 150), Entry(640, 155, 100, 200)};
    y = 155;
    EXPECT_TRUE(ChercherPlace(order, 1, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 170);
    y = 145;
    EXPECT_TRUE(ChercherPlace(order, 1, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 130);
    // A tie goes to the first interval.
    y = 150;
    EXPECT_TRUE(ChercherPlace(order, 1, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 130);
    // Depth marks do not block labels.
    order = {Entry(kCleRepere, 150, 150, 150)};
    y = 150;
    EXPECT_TRUE(ChercherPlace(order, 1, 20, 640, 100, 200, y));
    EXPECT_EQ(y, 150);
    // A wholly blocked element finds no place and keeps its row.
    order = {Entry(640, 105, 105, 105), Entry(640, 106, 100, 110)};
    y = 106;
    EXPECT_FALSE(ChercherPlace(order, 1, 20, 640, 100, 110, y));
    EXPECT_EQ(y, 106);
    // Overlaps at either end shorten the free interval.
    order = {Entry(640, 95, 95, 95), Entry(640, 210, 210, 210)};
    y = 300;
    EXPECT_TRUE(ChercherPlace(order, 2, 10, 640, 100, 200, y));
    EXPECT_EQ(y, 195);
    y = 0;
    EXPECT_TRUE(ChercherPlace(order, 2, 10, 640, 100, 200, y));
    EXPECT_EQ(y, 105);
}

double Width8(std::string_view s)
{
    std::size_t n = 0;
    for (unsigned char c : s)
        n += (c & 0xC0) != 0x80;
    return 8.0 * double(n);
}

TEST(CouperEtiquette, BreaksAfterBlanksAndKeepsUnderscoresTogether)
{
    const MesureTexte m = [](std::string_view s) { return static_cast<std::int32_t>(Width8(s)); };
    using V = std::vector<std::string>;
    // 10 characters fit in 88 pixels with the leading blank.
    EXPECT_EQ(CouperEtiquette("tube plein", 88, m), V{"tube plein"});
    EXPECT_EQ(CouperEtiquette("tube plein PVC 160_mm", 88, m), (V{"tube ", "plein PVC ", "160 mm"}));
    // A word wider than the column is cut inside it, never dropped.
    EXPECT_EQ(CouperEtiquette("abcdefghijklmnop", 48, m), (V{"abcde", "fghij", "klmno", "p"}));
    EXPECT_EQ(CouperEtiquette("abc", 0, m), (V{"a", "b", "c"}));
    EXPECT_EQ(CouperEtiquette("", 88, m), V{});
    EXPECT_EQ(CouperEtiquette("gravier_(2_à_4_mm)", 400, m), V{"gravier (2 à 4 mm)"});
}

TEtiquette* Block(std::vector<TEtiquette>& store, double y, std::int32_t h)
{
    TEtiquette e;
    e.Cle = 640;
    e.Y = e.YTexte = y;
    e.Hauteur = h;
    store.push_back(e);
    return &store.back();
}

TEST(EtalerBlocs, RunsAreStackedAroundTheirWantedRows)
{
    // Three labels of 10 rows pointing 2 rows apart.
    std::vector<TEtiquette> store;
    store.reserve(8);
    std::vector<TEtiquette*> blocs = {Block(store, 500, 10), Block(store, 502, 10), Block(store, 504, 10)};
    EtalerBlocs(blocs, 100, 1000);
    EXPECT_DOUBLE_EQ(store[0].YTexte, 492);
    EXPECT_DOUBLE_EQ(store[1].YTexte, 502);
    EXPECT_DOUBLE_EQ(store[2].YTexte, 512);
    // Centred: the stack covers the same middle as the blocks did.
    EXPECT_DOUBLE_EQ((store[0].YTexte + store[2].YTexte + 10) / 2, (500 + 514) / 2.0);

    // Near the top of the log they go down instead of above it.
    store.clear();
    blocs = {Block(store, 101, 10), Block(store, 103, 10), Block(store, 105, 10)};
    EtalerBlocs(blocs, 100, 1000);
    EXPECT_DOUBLE_EQ(store[0].YTexte, 100);
    EXPECT_DOUBLE_EQ(store[1].YTexte, 110);
    EXPECT_DOUBLE_EQ(store[2].YTexte, 120);

    // Near the bottom they end on the limit.
    store.clear();
    blocs = {Block(store, 995, 10), Block(store, 996, 10)};
    EtalerBlocs(blocs, 100, 1000);
    EXPECT_DOUBLE_EQ(store[1].YTexte + 10, 1000);
    EXPECT_DOUBLE_EQ(store[0].YTexte, 980);

    // Blocks that only touch stay where they are.
    store.clear();
    blocs = {Block(store, 300, 10), Block(store, 310, 10)};
    EtalerBlocs(blocs, 100, 1000);
    EXPECT_DOUBLE_EQ(store[0].YTexte, 300);
    EXPECT_DOUBLE_EQ(store[1].YTexte, 310);
}

TEST(EtalerBlocs, AlwaysEndsWithoutOverlapsEvenWithoutRoom)
{
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> row(50, 300);
    std::uniform_int_distribution<int> height(1, 40);
    for (int round = 0; round < 50; ++round) {
        std::vector<TEtiquette> store;
        store.reserve(256);
        std::vector<TEtiquette*> blocs;
        for (int i = 0; i < 256; ++i)
            blocs.push_back(Block(store, row(gen), height(gen)));
        std::sort(blocs.begin(), blocs.end(), [](auto* a, auto* b) { return a->Y < b->Y; });
        EtalerBlocs(blocs, 50, 320);  // far too little room for them all
        for (std::size_t i = 1; i < blocs.size(); ++i)
            EXPECT_LE(blocs[i - 1]->YTexte + blocs[i - 1]->Hauteur, blocs[i]->YTexte + 1e-9);
        EXPECT_GE(blocs.front()->YTexte, 50);
    }
}

}  // namespace
