// The binding of the coding library: whatever lies (or does not lie) in the
// program folder, start-up goes on silently and each entry point is bound or
// absent on its own; the program-wide binding remembers codes per text.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "coding/codage_binding.h"
#include "fake_coder.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

// Runs `f` and gives back what it wrote on stdout and stderr.
template <typename F>
std::string Output(F&& f)
{
    ::testing::internal::CaptureStdout();
    ::testing::internal::CaptureStderr();
    f();
    std::string out = ::testing::internal::GetCapturedStdout();
    out += ::testing::internal::GetCapturedStderr();
    return out;
}

void ExpectNothingBound(CodingLibrary& library)
{
    EXPECT_FALSE(library.HasMakeCode());
    EXPECT_FALSE(library.HasTokenize());
    EXPECT_FALSE(library.HasLoadData());
    EXPECT_FALSE(library.HasListeNoms());
    EXPECT_FALSE(library.HasListeAdjs());
    // Calls through absent entry points answer nothing and do not crash.
    EXPECT_EQ(library.MakeCode("ARGILE"), "");
    EXPECT_TRUE(library.Tokenize("ARGILE").empty());
    library.LoadData();
    EXPECT_TRUE(library.ListeNoms().empty());
    EXPECT_TRUE(library.ListeAdjs().empty());
}

TEST(CodageBinding, NoLibraryFile)
{
    TempProgramDir folder(true, false);
    std::unique_ptr<CodingLibrary> library;
    EXPECT_EQ(Output([&] { library = BindCodingLibrary(folder.path().string()); }), "");
    ExpectNothingBound(*library);

    EXPECT_EQ(Output([&] { library = BindCodingLibrary(""); }), "");
    ExpectNothingBound(*library);
    EXPECT_EQ(Output([&] { library = BindCodingLibrary((folder.path() / "absent").string()); }), "");
    ExpectNothingBound(*library);
}

TEST(CodageBinding, FilesThatAreNotLibraries)
{
    TempDir text;
    WriteFileBytes(text / "Codage.so", "ARGILE;ARG1215;\r\n");
    TempDir truncatedElf;
    WriteFileBytes(truncatedElf / "Codage.so", std::string("\x7F" "ELF\x02\x01\x01\0\0\0\0\0\0\0\0\0", 16));
    TempDir empty;
    WriteFileBytes(empty / "Codage.so", "");
    TempDir folderInstead;
    fs::create_directory(folderInstead / "Codage.so");

    for (const TempDir* dir : {&text, &truncatedElf, &empty, &folderInstead}) {
        std::unique_ptr<CodingLibrary> library;
        EXPECT_EQ(Output([&] { library = BindCodingLibrary(dir->path().string()); }), "");
        ExpectNothingBound(*library);
    }
}

TEST(CodageBinding, ALibraryThatLacksSomeEntryPoints)
{
    TempDir folder;
    fs::copy_file(CODAGE_PARTIEL_PATH, folder / "Codage.so");
    std::unique_ptr<CodingLibrary> library;
    EXPECT_EQ(Output([&] { library = BindCodingLibrary(folder.path().string()); }), "");
    EXPECT_TRUE(library->HasMakeCode());
    EXPECT_TRUE(library->HasTokenize());
    EXPECT_FALSE(library->HasLoadData());
    EXPECT_FALSE(library->HasListeNoms());
    EXPECT_FALSE(library->HasListeAdjs());
    EXPECT_EQ(library->MakeCode("ARGILE"), "PAR1000");
    const auto tokens = library->Tokenize("ARGILE");
    ASSERT_EQ(tokens.size(), 1u);
    EXPECT_EQ(tokens[0].Text, "PARTIEL");
    EXPECT_EQ(tokens[0].Kind, 1);
    library->LoadData();
    EXPECT_TRUE(library->ListeNoms().empty());

    TCodageDLL binding;
    binding.Replace(std::move(library));
    EXPECT_TRUE(binding.MakeCodeBound());
    EXPECT_FALSE(binding.LoadDataBound());
    binding.LoadData();
    EXPECT_EQ(binding.AddrListeNoms(), nullptr);
    EXPECT_EQ(binding.AddrListeAdjs(), nullptr);
    EXPECT_EQ(binding.MakeCode("SABLE"), "PAR1000");
}

TEST(CodageBinding, TheShippedLibraryFromTheProgramFolder)
{
    TempProgramDir folder(true, true);
    ASSERT_TRUE(fs::exists(folder / "Codage.so"));
    EXPECT_EQ(Output([&] { CodageDLLInitialize(folder.path().string()); }), "");
    EXPECT_TRUE(CodageDLL().MakeCodeBound());
    EXPECT_TRUE(CodageDLL().TokenizeBound());
    EXPECT_TRUE(CodageDLL().LoadDataBound());
    EXPECT_TRUE(CodageDLL().AddrListeNomsBound());
    EXPECT_TRUE(CodageDLL().AddrListeAdjsBound());
    EXPECT_EQ(CodageDLL().MakeCode("ARGILE SABLEUSE"), "ARG2204");
    const auto* noms = CodageDLL().AddrListeNoms();
    ASSERT_NE(noms, nullptr);
    EXPECT_EQ(noms->front().Singulier, "ARGILE");
    EXPECT_EQ(noms->front().Pluriel, "ARGILES");
    const auto* adjs = CodageDLL().AddrListeAdjs();
    ASSERT_NE(adjs, nullptr);
    EXPECT_EQ(adjs->front().FemSg, "SABLEUSE");

    CodageDLLFinalize();
    EXPECT_FALSE(CodageDLL().MakeCodeBound());
    EXPECT_EQ(CodageDLL().MakeCode("ARGILE SABLEUSE"), "");
    EXPECT_EQ(CodageDLL().AddrListeNoms(), nullptr);
}

// A coding library that counts its calls.
class CountingLibrary : public StubCodingLibrary {
public:
    struct Counts {
        int makeCode = 0;
        int loadData = 0;
        int listeNoms = 0;
    };
    explicit CountingLibrary(Counts& counts) : counts_(counts) {}

    bool HasMakeCode() const override { return true; }
    bool HasTokenize() const override { return true; }
    bool HasLoadData() const override { return true; }
    bool HasListeNoms() const override { return true; }
    std::string MakeCode(std::string_view description) override
    {
        ++counts_.makeCode;
        return "C" + std::to_string(version_) + std::string(description.substr(0, 3));
    }
    TArrayOfToken Tokenize(std::string_view text) override { return {TToken{1, std::string(text)}}; }
    void LoadData() override
    {
        ++counts_.loadData;
        ++version_;
    }
    std::vector<TNomEntry> ListeNoms() override
    {
        ++counts_.listeNoms;
        return {{"GALET" + std::to_string(version_), "GALETS"}};
    }

private:
    Counts& counts_;
    int version_ = 0;
};

TEST(CodageCache, TheSameTextIsCodedOnceUntilLoadData)
{
    CountingLibrary::Counts counts;
    TCodageDLL binding;
    binding.Replace(std::make_unique<CountingLibrary>(counts));

    EXPECT_EQ(binding.MakeCode("ARGILE"), "C0ARG");
    EXPECT_EQ(binding.MakeCode("ARGILE"), "C0ARG");
    EXPECT_EQ(binding.MakeCode("ARGILE"), "C0ARG");
    EXPECT_EQ(counts.makeCode, 1);
    // The text is the key as given: case and spaces count.
    EXPECT_EQ(binding.MakeCode("argile"), "C0arg");
    EXPECT_EQ(binding.MakeCode("ARGILE "), "C0ARG");
    EXPECT_EQ(counts.makeCode, 3);

    binding.LoadData();
    EXPECT_EQ(counts.loadData, 1);
    EXPECT_EQ(binding.MakeCode("ARGILE"), "C1ARG");
    EXPECT_EQ(counts.makeCode, 4);

    binding.ClearCache();
    EXPECT_EQ(binding.MakeCode("ARGILE"), "C1ARG");
    EXPECT_EQ(counts.makeCode, 5);
}

TEST(CodageCache, ListsAreCopiedOncePerLoad)
{
    CountingLibrary::Counts counts;
    TCodageDLL binding;
    binding.Replace(std::make_unique<CountingLibrary>(counts));
    const auto* noms = binding.AddrListeNoms();
    ASSERT_NE(noms, nullptr);
    EXPECT_EQ(noms->at(0).Singulier, "GALET0");
    binding.AddrListeNoms();
    EXPECT_EQ(counts.listeNoms, 1);
    EXPECT_EQ(binding.AddrListeAdjs(), nullptr);

    binding.LoadData();
    EXPECT_EQ(binding.AddrListeNoms()->at(0).Singulier, "GALET1");
    EXPECT_EQ(counts.listeNoms, 2);
}

TEST(CodageCache, ReplacingTheLibraryForgetsItsCodes)
{
    CountingLibrary::Counts first, second;
    TCodageDLL binding;
    binding.Replace(std::make_unique<CountingLibrary>(first));
    binding.MakeCode("SABLE");
    auto previous = binding.Replace(std::make_unique<CountingLibrary>(second));
    ASSERT_NE(previous, nullptr);
    binding.MakeCode("SABLE");
    EXPECT_EQ(first.makeCode, 1);
    EXPECT_EQ(second.makeCode, 1);

    // Replacing with nothing leaves every entry point absent.
    binding.Replace(nullptr);
    EXPECT_FALSE(binding.MakeCodeBound());
    EXPECT_EQ(binding.MakeCode("SABLE"), "");
    EXPECT_TRUE(binding.Tokenize("SABLE").empty());
    binding.LoadData();
    EXPECT_EQ(second.loadData, 0);
}

}  // namespace
