// The .crx file: its exact bytes, byte-for-byte round trips, safe saving, and a
// reader that survives any malformed file.
#include "store/crx_file.h"

#include "platform/base/text_codec.h"
#include "small_disk.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

// An allocation bound for the reader: while it is set, any single request
// above it is refused and remembered, so that a test can tell a reader that
// checks a count against the file from one that merely fails later.
namespace {
std::atomic<std::size_t> gAllocationLimit{0};
std::atomic<std::size_t> gLargestRefused{0};

void* BoundedAllocate(std::size_t size)
{
    const std::size_t limit = gAllocationLimit.load();
    if (limit != 0 && size > limit) {
        if (size > gLargestRefused.load()) gLargestRefused.store(size);
        throw std::bad_alloc();
    }
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
}  // namespace

void* operator new(std::size_t size) { return BoundedAllocate(size); }
void* operator new[](std::size_t size) { return BoundedAllocate(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    try {
        return BoundedAllocate(size);
    } catch (...) {
        return nullptr;
    }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept { return operator new(size, tag); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }

namespace {

struct ScopedAllocationLimit {
    explicit ScopedAllocationLimit(std::size_t bytes)
    {
        gLargestRefused = 0;
        gAllocationLimit = bytes;
    }
    ~ScopedAllocationLimit() { gAllocationLimit = 0; }
};

namespace fs = std::filesystem;

std::string Hex(std::string_view bytes)
{
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        if (!out.empty()) out.push_back(' ');
        out.push_back(digits[c >> 4]);
        out.push_back(digits[c & 15]);
    }
    return out;
}

std::string ErrorOfLoading(std::string_view bytes, TBlock& into)
{
    try {
        LoadBlockFromBytes(into, bytes);
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(loaded)";
}

std::string ErrorOfLoading(std::string_view bytes)
{
    TDirBlock root;
    return ErrorOfLoading(bytes, root);
}

// Little-endian pieces of hand-made files.
std::string U8(unsigned v) { return std::string(1, static_cast<char>(v)); }
std::string U16(unsigned v) { return U8(v & 0xFF) + U8(v >> 8); }
std::string U32(std::uint32_t v) { return U16(v & 0xFFFF) + U16(v >> 16); }
std::string Name(std::string_view n) { return U8(static_cast<unsigned>(n.size())) + std::string(n); }

// The code byte that follows the name of the first child of a saved root.
std::uint8_t FirstChildCode(const std::string& bytes, std::size_t rootNameLength, std::size_t childNameLength)
{
    // root: name, code 3, u8 count; child: name, code
    return static_cast<std::uint8_t>(bytes.at(1 + rootNameLength + 2 + 1 + childNameLength));
}

TEST(CrxLayout, EachKindHasItsRecord)
{
    EXPECT_EQ(Hex(SaveBlockToBytes(TDirBlock("Carotix"))), "07 43 61 72 6F 74 69 78 03 00");
    TDirBlock root("R");
    root.AddChild(std::make_unique<TIntBlock>("i", -2), false);
    root.AddChild(std::make_unique<TFloatBlock>("f", 1.0), false);
    auto s = std::make_unique<TStrArrayBlock>("s");
    s->Append("ab");
    s->Append("");
    root.AddChild(std::move(s), false);
    root.AddChild(std::make_unique<TIntArrayBlock>("a", std::vector<std::int32_t>{1, MissingInt}), false);
    root.AddChild(std::make_unique<TFloatArrayBlock>("d", std::vector<double>{MissingFloat}), false);
    root.AddChild(std::make_unique<TStrBlock>("t", "é"), false);
    root.AddChild(std::make_unique<TBlock>(), true);
    const std::string expected = Name("R") + U8(3) + U8(7)                          //
                                 + Name("i") + U8(9) + U32(0xFFFFFFFE)              //
                                 + Name("f") + U8(11) + std::string("\0\0\0\0\0\0\xF0\x3F", 8)
                                 + Name("s") + U8(8) + U32(2) + U16(2) + "ab" + U16(0)
                                 + Name("a") + U8(10) + U32(2) + U32(1) + U32(0x80000000)
                                 + Name("d") + U8(12) + U32(1) + std::string("\0\0\0\0\0\0\xF0\xFF", 8)
                                 + Name("t") + U8(7) + U8(1) + "\xE9"   // Windows-1252 é
                                 + Name("") + U8(0);
    EXPECT_EQ(Hex(SaveBlockToBytes(root)), Hex(expected));
}

TEST(CrxLayout, TextFormsFollowTheWindows1252Length)
{
    struct Case {
        std::string value;
        std::uint8_t code;
    };
    const Case cases[] = {
        {std::string(255, 'a'), 7},  {std::string(256, 'a'), 6},   {std::string(65535, 'a'), 6},
        {std::string(65536, 'a'), 5}, {[] {
             std::string s;
             for (int k = 0; k < 255; ++k) s += "é";   // 510 UTF-8 bytes, 255 in the file
             return s;
         }(),
                                        7},
    };
    for (const Case& c : cases) {
        TDirBlock root("R");
        root.AddChild(std::make_unique<TStrBlock>("v", c.value), false);
        const std::string bytes = SaveBlockToBytes(root);
        EXPECT_EQ(FirstChildCode(bytes, 1, 1), c.code) << c.value.size();
        TDirBlock back;
        LoadBlockFromBytes(back, bytes);
        EXPECT_EQ(back.GetPathString("v", 0), c.value);
    }
}

TEST(CrxLayout, DirectoryFormsFollowTheChildCount)
{
    for (int n : {255, 256, 65535, 65536}) {
        TDirBlock root("R");
        for (int k = 0; k < n; ++k) root.AddChild(std::make_unique<TBlock>(), true);
        const std::string bytes = SaveBlockToBytes(root);
        const std::uint8_t code = static_cast<std::uint8_t>(bytes.at(2));
        EXPECT_EQ(code, n < 256 ? 3 : n < 65536 ? 2 : 1) << n;
        const std::size_t header = 3 + (n < 256 ? 1 : n < 65536 ? 2 : 4);
        EXPECT_EQ(bytes.size(), header + 2u * static_cast<std::size_t>(n));
        TDirBlock back;
        LoadBlockFromBytes(back, bytes);
        EXPECT_EQ(back.ItemCount(), n);
    }
}

TEST(CrxLayout, LongNamesAndArrayTextsAreCutAndUnmappedCharactersCounted)
{
    TDirBlock root("R");
    const std::string longName(300, 'n');
    auto named = std::make_unique<TIntBlock>("x", 1);
    named->Name = longName;   // set directly: AddChild would not cut it
    root.AddChild(std::move(named), true);
    auto arr = std::make_unique<TStrArrayBlock>("a");
    arr->Append(std::string(70000, 'e'));
    root.AddChild(std::move(arr), false);
    root.AddChild(std::make_unique<TStrBlock>("s", std::string(70000, 's')), false);
    TDirBlock back;
    LoadBlockFromBytes(back, SaveBlockToBytes(root));
    EXPECT_EQ(back.Child(0)->Name, std::string(255, 'n'));
    EXPECT_EQ(back.GetPathString("a", 0), std::string(65535, 'e'));
    EXPECT_EQ(back.GetPathString("s", 0), std::string(70000, 's'));
    // Characters without a Windows-1252 byte become question marks, counted.
    TDirBlock other("R");
    other.AddChild(std::make_unique<TStrBlock>("€", "中文 œuvre"), false);
    std::size_t unmapped = 0;
    LoadBlockFromBytes(back, SaveBlockToBytes(other, &unmapped));
    EXPECT_EQ(unmapped, 2u);
    EXPECT_EQ(back.GetPathString("€", 0), "?? œuvre");
}

TEST(CrxLoading, RootCodesAndNames)
{
    // Roots written with the word and long count forms load into a directory.
    for (unsigned code : {1u, 2u, 3u}) {
        std::string bytes = Name("Root") + U8(code);
        bytes += code == 1 ? U32(1) : code == 2 ? U16(1) : U8(1);
        bytes += Name("v") + U8(9) + U32(5);
        TDirBlock root("Carotix");
        LoadBlockFromBytes(root, bytes);
        EXPECT_EQ(root.Name, "Root");   // the stored name replaces the block's
        EXPECT_EQ(root.BlockType(), btDir);
        EXPECT_EQ(root.GetPathInt("v", 0), 5);
    }
    // A value root does not load into a directory, nor the other way round.
    EXPECT_EQ(ErrorOfLoading(Name("R") + U8(9) + U32(5)), "Invalid block type");
    TStrBlock text;
    EXPECT_EQ(ErrorOfLoading(Name("R") + U8(3) + U8(0), text), "Invalid block type");
    // A text root takes all three forms.
    for (unsigned code : {5u, 6u, 7u}) {
        std::string bytes = Name("T") + U8(code);
        bytes += code == 5 ? U32(2) : code == 6 ? U16(2) : U8(2);
        bytes += "\xE9t";
        TStrBlock t;
        LoadBlockFromBytes(t, bytes);
        EXPECT_EQ(t.Value, "ét");
        EXPECT_EQ(t.BlockType(), btString);
    }
    // Bytes after the root record are not read.
    TDirBlock root;
    LoadBlockFromBytes(root, Name("R") + U8(3) + U8(0) + "garbage");
    EXPECT_EQ(root.ItemCount(), 0);
}

TEST(CrxLoading, UnsupportedCodesStopTheDirectoryWithWhatWasRead)
{
    for (unsigned bad : {4u, 13u, 255u}) {
        const std::string bytes =
            Name("R") + U8(3) + U8(3) + Name("a") + U8(9) + U32(1) + Name("b") + U8(bad) + Name("c") + U8(0);
        TDirBlock root;
        EXPECT_EQ(ErrorOfLoading(bytes, root), "Unsupported block type");
        EXPECT_EQ(root.ItemCount(), 1);
        EXPECT_EQ(root.GetPathInt("a", 0), 1);
    }
}

TEST(CrxLoading, ACountBeyondWhatTheFileHoldsFailsBeforeAllocating)
{
    // Counts claimed by a file of a few dozen bytes: a million elements would
    // each fit in memory, so only the check against the bytes left stops the
    // reader from asking for megabytes it will never fill.
    const std::uint32_t million = 1000000;
    const std::string cases[] = {
        Name("R") + U8(1) + U32(million) + Name("a") + U8(0),                         // directory
        Name("R") + U8(1) + U32(0xFFFFFFFF),
        Name("R") + U8(3) + U8(1) + Name("s") + U8(8) + U32(million) + U16(1) + "a",  // texts
        Name("R") + U8(3) + U8(1) + Name("i") + U8(10) + U32(million) + U32(7),       // integers
        Name("R") + U8(3) + U8(1) + Name("f") + U8(12) + U32(million) + U32(0) + U32(0),
        Name("R") + U8(3) + U8(1) + Name("f") + U8(12) + U32(0xFFFFFFFF) + U32(0),
        Name("R") + U8(3) + U8(1) + Name("s") + U8(5) + U32(0xFFFFFFF0) + "abc",      // one long text
        Name("R") + U8(3) + U8(1) + Name("s") + U8(8) + U32(1) + U16(100) + "abc",    // an element
    };
    for (const std::string& bytes : cases) {
        std::string error;
        {
            ScopedAllocationLimit bound(64 * 1024);
            error = ErrorOfLoading(bytes);
        }
        EXPECT_EQ(error, "Read beyond end of file") << Hex(bytes);
        EXPECT_EQ(gLargestRefused.load(), 0u) << Hex(bytes);
    }
}

TEST(CrxLoading, DeepNestingFailsCleanly)
{
    std::string bytes;
    const int levels = 100000;
    bytes.reserve(4 * levels + 2);
    for (int k = 0; k < levels; ++k) bytes += Name("d") + U8(3) + U8(1);
    bytes += Name("d") + U8(0);
    EXPECT_EQ(ErrorOfLoading(bytes), "Too many nested blocks");

    // The deepest tree the writer accepts loads back.
    auto root = std::make_unique<TDirBlock>("R");
    TDirBlock* d = root.get();
    for (int k = 1; k < kMaxCrxDepth; ++k) d = d->GetOrCreateSubDir("d", false);
    const std::string ok = SaveBlockToBytes(*root);
    TDirBlock back;
    LoadBlockFromBytes(back, ok);
    EXPECT_TRUE(SameBlock(root.get(), &back));
    d->GetOrCreateSubDir("d", false);
    EXPECT_THROW(SaveBlockToBytes(*root), EInOutError);
}

// A tree holding every kind of block, texts of every form and length, big
// directories, every byte value in names and texts, and missing values.
std::unique_ptr<TDirBlock> EveryKindTree()
{
    auto root = std::make_unique<TDirBlock>("Carotix");
    std::string allBytes;
    for (int b = 0; b < 256; ++b) allBytes.push_back(static_cast<char>(b));
    const std::string allText = Cp1252ToUtf8(allBytes);   // every Windows-1252 byte, as UTF-8

    TDirBlock* values = root->ForceDir("Valeurs");
    values->AddChild(std::make_unique<TStrBlock>("t255", std::string(255, 'a')), false);
    values->AddChild(std::make_unique<TStrBlock>("t256", std::string(256, 'b')), false);
    values->AddChild(std::make_unique<TStrBlock>("t65535", std::string(65535, 'c')), false);
    values->AddChild(std::make_unique<TStrBlock>("t65536", std::string(65536, 'd')), false);
    values->AddChild(std::make_unique<TStrBlock>("all", allText), false);
    values->AddChild(std::make_unique<TStrBlock>("empty", ""), false);
    values->AddChild(std::make_unique<TIntBlock>("missing", MissingInt), false);
    values->AddChild(std::make_unique<TIntBlock>("max", 2147483647), false);
    values->AddChild(std::make_unique<TFloatBlock>("missingF", MissingFloat), false);
    values->AddChild(std::make_unique<TFloatBlock>("nan", std::numeric_limits<double>::quiet_NaN()), false);
    values->AddChild(std::make_unique<TFloatBlock>("negzero", -0.0), false);
    values->AddChild(std::make_unique<TFloatBlock>("tiny", 5e-324), false);
    auto texts = std::make_unique<TStrArrayBlock>("texts");
    texts->Append("");
    texts->Append(allText);
    texts->Append(std::string(65535, 'x'));
    texts->Append("fin");
    values->AddChild(std::move(texts), false);
    values->AddChild(std::make_unique<TIntArrayBlock>("ints", std::vector<std::int32_t>{MissingInt, 0, -1, 7}), false);
    values->AddChild(std::make_unique<TFloatArrayBlock>("floats", std::vector<double>{MissingFloat, 1.5, 1e300}),
                     false);
    values->AddChild(std::make_unique<TIntArrayBlock>("noInts"), false);
    values->AddChild(std::make_unique<TBlock>(), true);

    // Names made of every byte value (a "\" included: set directly).
    TDirBlock* names = root->ForceDir("Noms");
    for (int b = 0; b < 256; ++b) {
        auto v = std::make_unique<TIntBlock>("n", b);
        TBlock* raw = v.get();
        names->AddChild(std::move(v), true);
        raw->Name = Cp1252ToUtf8(std::string(1, static_cast<char>(b))) + "x";
    }
    auto allNamed = std::make_unique<TDirBlock>("placeholder");
    TDirBlock* rawDir = allNamed.get();
    root->AddChild(std::move(allNamed), false);
    rawDir->Name = Cp1252ToUtf8(allBytes.substr(1));   // 255 bytes: the longest name
    for (int k = 0; k < 255; ++k) root->ForceDir("D255")->AddChild(std::make_unique<TBlock>(), true);
    for (int k = 0; k < 256; ++k) root->ForceDir("D256")->GetOrCreateSubDir("e", true);
    return root;
}

TEST(CrxRoundTrip, SaveLoadSaveGivesTheSameBytes)
{
    auto tree = EveryKindTree();
    std::size_t unmapped = 99;
    const std::string first = SaveBlockToBytes(*tree, &unmapped);
    EXPECT_EQ(unmapped, 0u);
    TDirBlock loaded;
    LoadBlockFromBytes(loaded, first);
    EXPECT_TRUE(SameBlock(tree.get(), &loaded));
    const std::string second = SaveBlockToBytes(loaded);
    EXPECT_EQ(first.size(), second.size());
    EXPECT_TRUE(first == second);
    // Missing values still read as missing.
    EXPECT_EQ(loaded.GetPathInt("Valeurs\\missing", 0), MissingInt);
    EXPECT_TRUE(IsMissingFloat(loaded.GetPathFloat("Valeurs\\missingF", 0)));
    EXPECT_EQ(loaded.GetPathString("Valeurs\\missingF", 0), "");
    EXPECT_TRUE(IsMissingFloat(loaded.GetPathFloat("Valeurs\\floats", 0)));
    EXPECT_TRUE(std::signbit(loaded.GetPathFloat("Valeurs\\negzero", 0)));

    // The same through files.
    TempDir dir;
    const std::string file = (dir / "tout.crx").string();
    tree->SaveToFile(file);
    EXPECT_TRUE(ReadFileBytes(file) == first);
    TDirBlock fromFile;
    fromFile.LoadFromFile(file);
    EXPECT_TRUE(SameBlock(tree.get(), &fromFile));
}

TEST(CrxRoundTrip, EveryTruncatedPrefixFailsWithAnError)
{
    auto tree = std::make_unique<TDirBlock>("Carotix");
    tree->SetPathString("F1\\Ouvrage\\Désign", 0, btString, "F1");
    tree->SetPathFloat("F1\\Ouvrage\\X", 0, btFloat, 1.5);
    tree->SetPathInt("F1\\Ouvrage\\N", 0, btInt, 3);
    tree->SetPathString("F1\\Niveau\\Desc", 2, btString, "sable");
    tree->SetPathInt("F1\\Niveau\\Code", 1, btInt, 4);
    tree->SetPathFloat("F1\\Niveau\\Bas", 1, btFloat, 2.0);
    tree->SetPathString("Long", 0, btString, std::string(300, 'l'));
    tree->SetPathString("Longer", 0, btString, std::string(70000, 'L'));
    tree->AddChild(std::make_unique<TBlock>(), true);
    const std::string bytes = SaveBlockToBytes(*tree);
    for (std::size_t n = 0; n < bytes.size(); ++n) {
        TDirBlock root;
        const std::string error = ErrorOfLoading(std::string_view(bytes).substr(0, n), root);
        ASSERT_EQ(error, "Read beyond end of file") << "prefix of " << n << " bytes";
    }
    TDirBlock whole;
    EXPECT_EQ(ErrorOfLoading(bytes, whole), "(loaded)");
    EXPECT_TRUE(SameBlock(tree.get(), &whole));
}

TEST(CrxFiles, MissingFilesFoldersAndOtherThingsRaiseInputOutputErrors)
{
    TempDir dir;
    TDirBlock root;
    const auto error = [&](const fs::path& file, bool saving = false) -> std::string {
        try {
            if (saving) root.SaveToFile(file.string());
            else root.LoadFromFile(file.string());
        } catch (const EInOutError& e) {
            return e.what();
        }
        return "(no error)";
    };
    EXPECT_EQ(error(dir / "absent.crx"), "Fichier introuvable");
    // A missing folder is told apart from a missing file, as the runtime did.
    const fs::path inMissingFolder = dir / "no" / "such" / "folder.crx";
    EXPECT_EQ(error(inMissingFolder), "Chemin introuvable");
    EXPECT_EQ(error(inMissingFolder, true),
              "Impossible d'enregistrer « " + inMissingFolder.string() + " » : Fichier ou dossier introuvable.");
    // Folders, devices and pipes are no collections: refused at once, never read forever.
    ASSERT_EQ(::mkfifo((dir / "pipe.crx").c_str(), 0600), 0);
    for (const fs::path& other : {dir.path(), fs::path("/dev/zero"), dir / "pipe.crx"})
        EXPECT_NE(error(other), "(no error)") << other;
    WriteFileBytes(dir / "short.crx", "\x07" "Carot");
    EXPECT_EQ(error(dir / "short.crx"), "Read beyond end of file");
}

TEST(CrxFiles, AReadOnlyFileIsNotReplaced)
{
    // In a folder the user may write, the file's own protection holds.
    TempDir dir;
    const std::string file = (dir / "lecture.crx").string();
    TDirBlock tree("Carotix");
    tree.SaveToFile(file);
    const std::string before = ReadFileBytes(file);
    ASSERT_EQ(::chmod(file.c_str(), 0444), 0);
    tree.SetPathInt("N", 0, btInt, 1);
    const auto refused = [&] {
        try {
            tree.SaveToFile(file);
        } catch (const EInOutError& e) {
            return std::string(e.what()) == "Impossible d'enregistrer « " + file + " » : Permission refusée.";
        }
        return false;
    };
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(dir.path().c_str(), kNobodyId, kNobodyId), 0);
        ASSERT_EQ(::chown(file.c_str(), kNobodyId, kNobodyId), 0);
    }
    const std::optional<bool> ok = AsOrdinaryUser(refused);
    if (!ok) GTEST_SKIP() << "no ordinary user to become";
    EXPECT_TRUE(*ok);
    EXPECT_TRUE(ReadFileBytes(file) == before);
}

TEST(CrxFiles, ALongNameIsSavedThroughATemporaryFileAndNoneMeansNoSave)
{
    // The temporary name is short and fixed: it fits beside a name of 250
    // bytes, and the file is still replaced whole (never truncated in place).
    TempDir dir;
    const std::string file = (dir / std::string(250, 'c')).string() + ".crx";
    TDirBlock tree("Carotix");
    tree.SetPathInt("N", 0, btInt, 1);
    tree.SaveToFile(file);
    struct stat before {};
    ASSERT_EQ(::stat(file.c_str(), &before), 0);
    tree.SetPathInt("N", 0, btInt, 2);
    tree.SaveToFile(file);
    struct stat after {};
    ASSERT_EQ(::stat(file.c_str(), &after), 0);
    EXPECT_NE(before.st_ino, after.st_ino) << "written in place";
    TDirBlock back;
    back.LoadFromFile(file);
    EXPECT_EQ(back.GetPathInt("N", 0), 2);

    // A folder where no file can be created, holding a file that may be
    // written: the save is refused and the file stays byte for byte.
    SmallDisk disk("size=1m,nr_inodes=4");
    TempDir plain;
    const bool mounted = disk.Mounted();
    const fs::path folder = mounted ? disk.path() : plain.path();
    const std::string kept = (folder / "kept.crx").string();
    tree.SaveToFile(kept);
    const std::string old = ReadFileBytes(kept);
    if (mounted) {
        disk.Fill(true);
    } else {
        if (::geteuid() == 0) GTEST_SKIP() << "neither a small disk nor a read-only folder for the superuser";
        ASSERT_EQ(::chmod(folder.c_str(), 0555), 0);
    }
    tree.SetPathInt("N", 0, btInt, 3);
    try {
        tree.SaveToFile(kept);
        ADD_FAILURE() << "saved without a temporary file";
    } catch (const EInOutError& e) {
        EXPECT_NE(std::string(e.what()).find("aucun fichier temporaire"), std::string::npos) << e.what();
    }
    if (!mounted) ::chmod(folder.c_str(), 0755);
    EXPECT_TRUE(ReadFileBytes(kept) == old);
}

}  // namespace
