// The coding library itself, loaded as the program loads it: the shipped
// rules on real-looking descriptions, then the behaviours of the coder on
// small word lists written for each case.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <string>
#include <vector>

#include "codage.h"
#include "coding/codage_binding.h"
#include "temp_dir.h"

namespace fs = std::filesystem;

namespace {

struct CodingCase {
    std::string description;
    std::string code;
    std::string shows;
};

void PrintTo(const CodingCase& c, std::ostream* os) { *os << '"' << c.description << "\" -> \"" << c.code << '"'; }

// A table of descriptions shared with the check from Python: the cases with
// their codes, or the corpus with main lithologies and kinds.
std::vector<CodingCase> ReadCases(const char* name = "codage_cases.tsv")
{
    std::vector<CodingCase> cases;
    std::ifstream in(fs::path(CAROTIX_SOURCE_DIR) / "tests" / "coding" / name);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;
        const size_t a = line.find('\t');
        const size_t b = line.find('\t', a + 1);
        if (a == std::string::npos || b == std::string::npos) continue;
        CodingCase c{line.substr(0, a), line.substr(a + 1, b - a - 1), line.substr(b + 1)};
        if (c.description == "\"\"") c.description.clear();
        if (c.code == "\"\"") c.code.clear();
        cases.push_back(c);
    }
    return cases;
}

std::string Lines(std::initializer_list<const char*> lines)
{
    std::string text;
    for (const char* l : lines) text += std::string(l) + "\r\n";
    return text;
}

// A program folder with the built library and word lists written by the test.
class CoderFolder {
public:
    CoderFolder() : dir_(false, true) {}

    void Write(const char* name, const std::string& content) { WriteFileBytes(dir_ / name, content); }

    // A small vocabulary that the cases below build on.
    void WriteSmallVocabulary()
    {
        Write("Noms.csv", Lines({"ARGILE;ARGILES", "SABLE;SABLES", "GRAVIER;GRAVIERS", "GALET;GALETS",
                                 "CALCAIRE;CALCAIRES", "\"TERRE VEGETALE\";\"TERRES VEGETALES\""}));
        Write("Adjectifs.csv", Lines({"SABLEUX;SABLEUX;SABLEUSE;SABLEUSES", "GRAVELEUX;GRAVELEUX;GRAVELEUSE;GRAVELEUSES",
                                      "GRIS;GRIS;GRISE;GRISES", "FIN;FINS;FINE;FINES",
                                      "CALCAIRE;CALCAIRES;CALCAIRE;CALCAIRES",
                                      "FISSURE;FISSURES;FISSUREE;FISSUREES"}));
        Write("Inhibiteurs.csv", Lines({"SANS", "PEU"}));
        Write("Activateurs.csv", Lines({"MAIS"}));
    }

    std::unique_ptr<CodingLibrary> Bind() const { return BindCodingLibrary(dir_.path().string()); }
    const fs::path& path() const { return dir_.path(); }

private:
    TempProgramDir dir_;
};

bool IsValidUtf8(const std::string& s)
{
    size_t i = 0;
    while (i < s.size()) {
        const auto c = static_cast<unsigned char>(s[i]);
        size_t n = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The shipped rules and word lists.

class ShippedCoder : public ::testing::TestWithParam<CodingCase> {
protected:
    static void SetUpTestSuite()
    {
        folder_ = new TempProgramDir(true, true);
        library_ = BindCodingLibrary(folder_->path().string()).release();
    }
    static void TearDownTestSuite()
    {
        delete library_;
        delete folder_;
        library_ = nullptr;
        folder_ = nullptr;
    }
    static TempProgramDir* folder_;
    static CodingLibrary* library_;
};

TempProgramDir* ShippedCoder::folder_ = nullptr;
CodingLibrary* ShippedCoder::library_ = nullptr;

TEST_P(ShippedCoder, GivesTheExpectedCode)
{
    ASSERT_TRUE(library_->HasMakeCode());
    const CodingCase& c = GetParam();
    EXPECT_EQ(library_->MakeCode(c.description), c.code) << c.description << " (" << c.shows << ")";
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ShippedCoder, ::testing::ValuesIn(ReadCases()),
                         [](const ::testing::TestParamInfo<CodingCase>& info) {
                             return "case" + std::to_string(info.index);
                         });

// The main lithology of a code is its leading capitals ("ARG" of ARG2204); a
// corpus line may also ask for a whole code.
bool MainLithologyRight(const std::string& code, const std::string& expected)
{
    const bool family = !expected.empty() && expected.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ") == std::string::npos;
    if (!family) return code == expected;
    const size_t n = code.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZ");
    return code.substr(0, n) == expected;
}

TEST(ShippedCoder, NamesTheMainLithologyOfTheCorpus)
{
    // Descriptions as logs are written, that the coder is not tuned on: it
    // must name 95 % or more of their main lithologies. The score is printed
    // by kind so that a change shows where it wins or loses.
    const auto corpus = ReadCases("corpus_descriptions.tsv");
    ASSERT_GE(corpus.size(), 300u);
    TempProgramDir folder(true, true);
    auto library = BindCodingLibrary(folder.path().string());
    ASSERT_TRUE(library->HasMakeCode());

    std::map<std::string, std::pair<int, int>> byKind;
    int right = 0;
    for (const auto& c : corpus) {
        const std::string code = library->MakeCode(c.description);
        const bool ok = MainLithologyRight(code, c.code);
        right += ok ? 1 : 0;
        auto& [r, t] = byKind[c.shows];
        r += ok ? 1 : 0;
        ++t;
        if (!ok) std::cout << "  " << c.shows << ": \"" << c.description << "\" -> \"" << code << "\", main lithology " << c.code << "\n";
    }
    for (const auto& [kind, rt] : byKind) std::cout << "  " << kind << " " << rt.first << "/" << rt.second << "\n";
    const double share = 100.0 * right / static_cast<double>(corpus.size());
    std::cout << "corpus: " << right << "/" << corpus.size() << " main lithologies right (" << share << " %)\n";
    EXPECT_GE(share, 95.0);
}

TEST(ShippedWordLists, AreLargeEnoughAndFolded)
{
    const auto cases = ReadCases();
    EXPECT_GE(cases.size(), 60u);

    TempProgramDir folder(true, true);
    auto library = BindCodingLibrary(folder.path().string());
    const auto noms = library->ListeNoms();
    const auto adjs = library->ListeAdjs();
    EXPECT_GE(noms.size(), 150u);
    EXPECT_GE(adjs.size(), 150u);
    for (const auto& n : noms) EXPECT_FALSE(n.Singulier.empty() || n.Pluriel.empty()) << n.Singulier;
    for (const auto& a : adjs) EXPECT_FALSE(a.MascSg.empty() || a.FemPl.empty()) << a.MascSg;

    // Every shipped rule code has the program's own seven-character form, so
    // that the code alone gives a pattern and a colour.
    std::ifstream in(fs::path(CAROTIX_DATA_DIR) / "Descriptions.csv", std::ios::binary);
    std::string line;
    int rules = 0;
    while (std::getline(in, line)) {
        const size_t a = line.find(';');
        ASSERT_NE(a, std::string::npos) << line;
        const std::string code = line.substr(a + 1, line.find(';', a + 1) - a - 1);
        ASSERT_EQ(code.size(), 7u) << line;
        for (int i = 0; i < 3; ++i) EXPECT_TRUE(code[i] >= 'A' && code[i] <= 'Z') << line;
        for (int i = 3; i < 7; ++i) EXPECT_TRUE(code[i] >= '0' && code[i] <= '9') << line;
        ++rules;
    }
    EXPECT_GE(rules, 120);
}

TEST(ShippedTokenize, GivesWordsInOrderWithTheirKinds)
{
    TempProgramDir folder(true, true);
    auto library = BindCodingLibrary(folder.path().string());
    ASSERT_TRUE(library->HasTokenize());

    const auto tokens = library->Tokenize("Argile sableuse, 30 % de gravier");
    std::vector<std::pair<std::string, int>> seen;
    for (const auto& t : tokens) seen.emplace_back(t.Text, t.Kind);
    const std::vector<std::pair<std::string, int>> wanted{{"ARGILE", 1}, {"SABLEUSE", 2}, {",", 0}, {"30", 0},
                                                          {"%", 0},      {"DE", 0},       {"GRAVIER", 1}};
    EXPECT_EQ(seen, wanted);

    // The signs of search expressions come out whole.
    std::vector<std::string> texts;
    for (const auto& t : library->Tokenize("NON(argile||sable)&&gravier <= 20")) texts.push_back(t.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"NON", "(", "ARGILE", "||", "SABLE", ")", "&&", "GRAVIER", "<=", "20"}));

    // Elision, hyphens between letters, decimal numbers, a noun of two words.
    texts.clear();
    for (const auto& t : library->Tokenize("Terre végétale d'aspect gris-vert, 12,5 m")) texts.push_back(t.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"TERRE", "VEGETALE", "D'", "ASPECT", "GRIS", "VERT", ",", "12,5", "M"}));
    // Lower-case "z"; 0x9F alone is no UTF-8 but Windows-1252 "Ÿ"; an
    // overlong form is no UTF-8 either and reads byte by byte.
    texts.clear();
    for (const auto& t : library->Tokenize("quartz GR\x9F" "S \xC1\xA9" "A")) texts.push_back(t.Text);
    EXPECT_EQ(texts, (std::vector<std::string>{"QUARTZ", "GRYS", "A", "\xC2\xA9", "A"}));
    const auto terre = library->Tokenize("Terre végétale");
    ASSERT_EQ(terre.size(), 2u);
    EXPECT_EQ(terre[0].Kind, 1);
    EXPECT_EQ(terre[1].Kind, 1);
}

TEST(ShippedCoderLimits, EmptyHugeAndBrokenTexts)
{
    TempProgramDir folder(true, true);
    auto library = BindCodingLibrary(folder.path().string());
    EXPECT_EQ(library->MakeCode(""), "");
    EXPECT_TRUE(library->Tokenize("").empty());

    // A 10 kB description: the first lithology named leads, and what its
    // later sentences say ("sable avec 5 % d'argile") does not overrule it;
    // a share said at the start does.
    std::string big = "Argile sableuse grise";
    while (big.size() < 10240) big += ", sable fin gris à passées de graviers roulés";
    EXPECT_EQ(library->MakeCode(big), "ARG2204");
    EXPECT_GT(library->Tokenize(big).size(), 1000u);
    EXPECT_EQ(library->MakeCode(big + "; sable avec 5 % d'argile"), "ARG2204");
    EXPECT_EQ(library->MakeCode("Argile 5 %, sable 95 %; " + big), "SAB1107");

    // Bytes that are not UTF-8 read as Windows-1252; what comes out is UTF-8.
    EXPECT_EQ(library->MakeCode("Gr\xE8s ferrugineux"), "GRE4821");
    for (const auto& t : library->Tokenize("Argile \xFF\xFE\x80 \xC3 s\xE9" "che \xE2\x82"))
        EXPECT_TRUE(IsValidUtf8(t.Text)) << t.Text;
}

// ---------------------------------------------------------------------------
// The coder on small word lists.

TEST(CoderFiles, MissingFilesGiveEmptyListsAndNoCode)
{
    CoderFolder folder;
    auto library = folder.Bind();
    ASSERT_TRUE(library->HasMakeCode());
    EXPECT_EQ(library->MakeCode("ARGILE SABLEUSE"), "");
    EXPECT_TRUE(library->ListeNoms().empty());
    EXPECT_TRUE(library->ListeAdjs().empty());
    for (const auto& t : library->Tokenize("ARGILE SABLEUSE")) EXPECT_EQ(t.Kind, 0);
}

TEST(CoderFiles, QuotedFieldsCodePagesAndBlankLines)
{
    CoderFolder folder;
    // Windows-1252 bytes (É), a quoted field holding ";", blank lines.
    folder.Write("Noms.csv", "ARGILE;ARGILES\r\n\r\n\"B\xC9TON\";\"B\xC9TONS\"\r\n  \r\n\"TERRE VEGETALE\";\"TERRES VEGETALES\"\r\n");
    folder.Write("Adjectifs.csv", "\xEF\xBB\xBFGRIS;GRIS;GRISE;GRISES\n");
    folder.Write("Descriptions.csv",
                 "ARGILE;\"ARG;1\";\r\n\"BETON\";BET1006;\r\n\"TERRE VEGETALE\";TER1896;\r\n;VIDE1;\r\nARGILE GRISE;;\r\n");
    auto library = folder.Bind();
    EXPECT_EQ(library->MakeCode("argile"), "ARG;1");
    EXPECT_EQ(library->MakeCode("Béton armé"), "BET1006");
    EXPECT_EQ(library->MakeCode("terres végétales"), "TER1896");
    // A rule without a code or without a description is left out.
    EXPECT_EQ(library->MakeCode("Argile grise"), "ARG;1");

    const auto noms = library->ListeNoms();
    ASSERT_EQ(noms.size(), 3u);
    EXPECT_EQ(noms[1].Singulier, "BETON");
    EXPECT_EQ(noms[2].Pluriel, "TERRES VEGETALES");
    const auto adjs = library->ListeAdjs();
    ASSERT_EQ(adjs.size(), 1u);
    EXPECT_EQ(adjs[0].FemPl, "GRISES");
}

// The table of coder_rules.tsv: groups of rules, each with the descriptions
// it must code.
TEST(CoderRules, EveryCaseOfTheTable)
{
    std::ifstream in(fs::path(CAROTIX_SOURCE_DIR) / "tests" / "coding" / "coder_rules.tsv");
    std::unique_ptr<CoderFolder> folder;
    std::unique_ptr<CodingLibrary> library;
    std::string line, rules;
    int cases = 0;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::vector<std::string> f;
        for (size_t at = 0;;) {
            const size_t tab = line.find('\t', at);
            f.push_back(line.substr(at, tab - at));
            if (tab == std::string::npos) break;
            at = tab + 1;
        }
        if (f[0] == "rules") {
            folder = std::make_unique<CoderFolder>();
            folder->WriteSmallVocabulary();
            rules.clear();
            for (size_t k = 1; k < f.size(); ++k) rules += f[k] + "\r\n";
            folder->Write("Descriptions.csv", rules);
            library = folder->Bind();
            continue;
        }
        ASSERT_TRUE(library && f.size() == 3) << line;
        EXPECT_EQ(library->MakeCode(f[0]), f[1] == "\"\"" ? "" : f[1]) << f[0] << " (" << f[2] << ") with\n" << rules;
        ++cases;
    }
    EXPECT_GE(cases, 55);
}

TEST(CoderRules, TokensOfInhibitorsActivatorsAndShortWords)
{
    CoderFolder folder;
    folder.WriteSmallVocabulary();
    folder.Write("Descriptions.csv", Lines({"ARGILE;A1;", "\"ARGILE SABLEUX\";A2;"}));
    auto library = folder.Bind();
    auto tokens = library->Tokenize("Sable sans graviers mais argile");
    ASSERT_EQ(tokens.size(), 5u);
    EXPECT_EQ(tokens[0].Active, 1);
    EXPECT_EQ(tokens[1].Flags, CODAGE_FLAG_INHIBITOR);
    EXPECT_EQ(tokens[2].Active, 0);
    EXPECT_EQ(tokens[3].Flags, CODAGE_FLAG_ACTIVATOR);
    EXPECT_EQ(tokens[4].Active, 1);
    EXPECT_EQ(tokens[4].Group, 3);
    tokens = library->Tokenize("Arg. sableuse");
    ASSERT_EQ(tokens.size(), 3u);
    EXPECT_EQ(tokens[0].Kind, CODAGE_KIND_NOUN);
    EXPECT_EQ(tokens[1].Text, ".");
    EXPECT_EQ(tokens[1].Kind, CODAGE_KIND_OTHER);
    EXPECT_EQ(tokens[2].Group, tokens[0].Group);
}

TEST(CoderLoadData, RereadsTheFilesAndChangesTheLists)
{
    CoderFolder folder;
    folder.WriteSmallVocabulary();
    folder.Write("Descriptions.csv", Lines({"ARGILE;A1;"}));

    // The C interface itself: the lists keep their address, their contents change.
    const fs::path file = folder.path() / "Codage.so";
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto makeCode = reinterpret_cast<CodageMakeCodeProc>(dlsym(handle, "MakeCode"));
    auto loadData = reinterpret_cast<CodageLoadDataProc>(dlsym(handle, "LoadData"));
    auto listeNoms = reinterpret_cast<CodageAddrListeNomsProc>(dlsym(handle, "AddrListeNoms"));
    auto listeAdjs = reinterpret_cast<CodageAddrListeAdjsProc>(dlsym(handle, "AddrListeAdjs"));
    ASSERT_TRUE(makeCode && loadData && listeNoms && listeAdjs);

    const char* code = nullptr;
    makeCode("Argile", &code);
    EXPECT_STREQ(code, "A1");
    const CodageListeNoms* noms = listeNoms();
    ASSERT_EQ(noms->Count, 6);
    EXPECT_STREQ(noms->Items[0].Singulier, "ARGILE");

    folder.Write("Noms.csv", Lines({"LIMON;LIMONS", "ARGILE;ARGILES"}));
    folder.Write("Descriptions.csv", Lines({"ARGILE;A9;", "LIMON;L1;"}));
    // Nothing changes before LoadData.
    makeCode("Limons", &code);
    EXPECT_STREQ(code, "");
    loadData();
    makeCode("Limons", &code);
    EXPECT_STREQ(code, "L1");
    makeCode("Argile", &code);
    EXPECT_STREQ(code, "A9");
    EXPECT_EQ(listeNoms(), noms);
    ASSERT_EQ(noms->Count, 2);
    EXPECT_STREQ(noms->Items[0].Pluriel, "LIMONS");
    EXPECT_EQ(listeAdjs()->Count, 6);

    // Files gone: empty lists, no code.
    for (const char* name : {"Noms.csv", "Adjectifs.csv", "Descriptions.csv"}) fs::remove(folder.path() / name);
    loadData();
    EXPECT_EQ(listeNoms(), noms);
    EXPECT_EQ(noms->Count, 0);
    EXPECT_EQ(listeAdjs()->Count, 0);
    makeCode("Argile", &code);
    EXPECT_STREQ(code, "");
    dlclose(handle);
}

TEST(CoderLoadData, ThroughTheBindingTheCachedCodesAreForgotten)
{
    CoderFolder folder;
    folder.WriteSmallVocabulary();
    folder.Write("Descriptions.csv", Lines({"ARGILE;A1;"}));
    TCodageDLL binding;
    binding.Replace(folder.Bind());
    EXPECT_EQ(binding.MakeCode("Argile"), "A1");
    ASSERT_NE(binding.AddrListeNoms(), nullptr);
    EXPECT_EQ(binding.AddrListeNoms()->size(), 6u);

    folder.Write("Noms.csv", Lines({"ARGILE;ARGILES"}));
    folder.Write("Descriptions.csv", Lines({"ARGILE;A2;"}));
    binding.LoadData();
    EXPECT_EQ(binding.MakeCode("Argile"), "A2");
    EXPECT_EQ(binding.AddrListeNoms()->size(), 1u);
}

TEST(CoderInterface, NullArgumentsAreHarmless)
{
    CoderFolder folder;
    folder.WriteSmallVocabulary();
    void* handle = dlopen((folder.path() / "Codage.so").c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    auto makeCode = reinterpret_cast<CodageMakeCodeProc>(dlsym(handle, "MakeCode"));
    auto tokenize = reinterpret_cast<CodageTokenizeProc>(dlsym(handle, "Tokenize"));
    const char* code = "x";
    makeCode(nullptr, &code);
    EXPECT_STREQ(code, "");
    makeCode("ARGILE", nullptr);
    const CodageToken* tokens = nullptr;
    int32_t count = 5;
    tokenize(nullptr, &tokens, &count);
    EXPECT_EQ(count, 0);
    tokenize("ARGILE", nullptr, &count);
    EXPECT_EQ(count, 0);
    tokenize("ARGILE", &tokens, nullptr);
    EXPECT_EQ(tokens, nullptr);
    dlclose(handle);
}

}  // namespace
