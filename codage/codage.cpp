// The exported entry points of the coding library. Nothing of C++ crosses
// them: each catches everything and answers an empty result instead.
#define CODAGE_BUILDING_LIBRARY 1
#include "codage.h"

#include <dlfcn.h>

#include <filesystem>
#include <limits>
#include <string>
#include <vector>

#include "core/coder.h"

namespace {

struct LibraryState {
    codage::Coder coder;
    bool loaded = false;

    std::string code;
    std::string tokenTexts;
    std::vector<CodageToken> tokens;

    // The lists keep their address for the whole life of the library; their
    // items point into the coder's vocabulary and change with LoadData.
    CodageListeNoms noms{0, nullptr};
    CodageListeAdjs adjs{0, nullptr};
    std::vector<CodageNomEntry> nomItems;
    std::vector<CodageAdjEntry> adjItems;
};

// Answers of last resort, when even the state cannot be had.
const CodageListeNoms kNoNoms{0, nullptr};
const CodageListeAdjs kNoAdjs{0, nullptr};

LibraryState& State()
{
    static LibraryState state;
    return state;
}

// The folder the library was loaded from: its files lie beside it.
std::filesystem::path LibraryFolder()
{
    static const char marker = 0;
    Dl_info info{};
    if (dladdr(&marker, &info) == 0 || info.dli_fname == nullptr) return {};
    return std::filesystem::path(info.dli_fname).parent_path();
}

void Reload(LibraryState& s)
{
    s.noms = {0, nullptr};
    s.adjs = {0, nullptr};
    s.nomItems.clear();
    s.adjItems.clear();
    s.loaded = true;
    s.coder.Load(LibraryFolder());
    const auto& words = s.coder.Words();
    for (const auto& n : words.Nouns()) s.nomItems.push_back({n[0].c_str(), n[1].c_str()});
    for (const auto& a : words.Adjectives())
        s.adjItems.push_back({a[0].c_str(), a[1].c_str(), a[2].c_str(), a[3].c_str()});
    constexpr size_t kMax = static_cast<size_t>(std::numeric_limits<int32_t>::max());
    s.noms = {static_cast<int32_t>(std::min(s.nomItems.size(), kMax)), s.nomItems.data()};
    s.adjs = {static_cast<int32_t>(std::min(s.adjItems.size(), kMax)), s.adjItems.data()};
}

LibraryState& Loaded()
{
    LibraryState& s = State();
    if (!s.loaded) Reload(s);
    return s;
}

}  // namespace

extern "C" {

CODAGE_API void MakeCode(const char* description, const char** code)
{
    if (code == nullptr) return;
    *code = "";
    try {
        LibraryState& s = Loaded();
        s.code.assign(s.coder.Code(description == nullptr ? "" : description));
        *code = s.code.c_str();
    } catch (...) {
        *code = "";
    }
}

CODAGE_API void Tokenize(const char* text, const CodageToken** tokens, int32_t* count)
{
    if (tokens != nullptr) *tokens = nullptr;
    if (count != nullptr) *count = 0;
    if (tokens == nullptr || count == nullptr) return;
    try {
        LibraryState& s = Loaded();
        const auto& out = s.coder.Tokenize(text == nullptr ? "" : text);
        const size_t n = std::min(out.size(), static_cast<size_t>(std::numeric_limits<int32_t>::max()));
        // Texts first, pointers after: the buffer must not move under them.
        s.tokenTexts.clear();
        std::vector<size_t> offsets(n);
        for (size_t i = 0; i < n; ++i) {
            offsets[i] = s.tokenTexts.size();
            s.tokenTexts.append(out[i].text);
            s.tokenTexts.push_back('\0');
        }
        s.tokens.resize(n);
        for (size_t i = 0; i < n; ++i) {
            const auto& t = out[i];
            s.tokens[i] = {t.kind, s.tokenTexts.data() + offsets[i], t.entry, t.form, t.flags, t.group, t.active, 0, 0};
        }
        *tokens = s.tokens.data();
        *count = static_cast<int32_t>(n);
    } catch (...) {
        *tokens = nullptr;
        *count = 0;
    }
}

CODAGE_API void LoadData(void)
{
    try {
        Reload(State());
    } catch (...) {
        // Half-read lists must not stay visible: leave them empty.
        try {
            LibraryState& s = State();
            s.noms = {0, nullptr};
            s.adjs = {0, nullptr};
            s.coder.Clear();
        } catch (...) {
        }
    }
}

CODAGE_API const CodageListeNoms* AddrListeNoms(void)
{
    try {
        return &Loaded().noms;
    } catch (...) {
        return &kNoNoms;
    }
}

CODAGE_API const CodageListeAdjs* AddrListeAdjs(void)
{
    try {
        return &Loaded().adjs;
    } catch (...) {
        return &kNoAdjs;
    }
}

}  // extern "C"
