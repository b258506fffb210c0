#include "coding/codage_binding.h"

#include <dlfcn.h>

#include <filesystem>

#include "codage.h"

namespace {

// Beyond this many remembered codes the cache starts afresh: a collection has
// far fewer distinct descriptions, and memory stays bounded whatever happens.
constexpr size_t kMaxCachedCodes = 100000;

std::string Text(const char* s) { return s == nullptr ? std::string() : std::string(s); }

class UnboundLibrary final : public CodingLibrary {
public:
    bool HasMakeCode() const override { return false; }
    bool HasTokenize() const override { return false; }
    bool HasLoadData() const override { return false; }
    bool HasListeNoms() const override { return false; }
    bool HasListeAdjs() const override { return false; }
    std::string MakeCode(std::string_view) override { return {}; }
    TArrayOfToken Tokenize(std::string_view) override { return {}; }
    void LoadData() override {}
    std::vector<TNomEntry> ListeNoms() override { return {}; }
    std::vector<TAdjEntry> ListeAdjs() override { return {}; }
};

class LoadedLibrary final : public CodingLibrary {
public:
    explicit LoadedLibrary(void* handle) : handle_(handle)
    {
        makeCode_ = reinterpret_cast<CodageMakeCodeProc>(Symbol("MakeCode"));
        tokenize_ = reinterpret_cast<CodageTokenizeProc>(Symbol("Tokenize"));
        loadData_ = reinterpret_cast<CodageLoadDataProc>(Symbol("LoadData"));
        listeNoms_ = reinterpret_cast<CodageAddrListeNomsProc>(Symbol("AddrListeNoms"));
        listeAdjs_ = reinterpret_cast<CodageAddrListeAdjsProc>(Symbol("AddrListeAdjs"));
    }
    ~LoadedLibrary() override { dlclose(handle_); }
    LoadedLibrary(const LoadedLibrary&) = delete;
    LoadedLibrary& operator=(const LoadedLibrary&) = delete;

    bool HasMakeCode() const override { return makeCode_ != nullptr; }
    bool HasTokenize() const override { return tokenize_ != nullptr; }
    bool HasLoadData() const override { return loadData_ != nullptr; }
    bool HasListeNoms() const override { return listeNoms_ != nullptr; }
    bool HasListeAdjs() const override { return listeAdjs_ != nullptr; }

    std::string MakeCode(std::string_view description) override
    {
        if (makeCode_ == nullptr) return {};
        const std::string text(description);  // the library wants a terminated text
        const char* code = nullptr;
        makeCode_(text.c_str(), &code);
        return Text(code);
    }

    TArrayOfToken Tokenize(std::string_view text) override
    {
        TArrayOfToken result;
        if (tokenize_ == nullptr) return result;
        const std::string terminated(text);
        const CodageToken* tokens = nullptr;
        int32_t count = 0;
        tokenize_(terminated.c_str(), &tokens, &count);
        if (tokens == nullptr || count <= 0) return result;
        result.reserve(static_cast<size_t>(count));
        for (int32_t i = 0; i < count; ++i) {
            const CodageToken& t = tokens[i];
            result.push_back({t.Kind, Text(t.Text), t.Entry, t.Form, t.Flags, t.Group, t.Active, t.Reserved1,
                              t.Reserved2});
        }
        return result;
    }

    void LoadData() override
    {
        if (loadData_ != nullptr) loadData_();
    }

    std::vector<TNomEntry> ListeNoms() override
    {
        std::vector<TNomEntry> result;
        const CodageListeNoms* list = listeNoms_ == nullptr ? nullptr : listeNoms_();
        if (list == nullptr || list->Items == nullptr || list->Count <= 0) return result;
        result.reserve(static_cast<size_t>(list->Count));
        for (int32_t i = 0; i < list->Count; ++i)
            result.push_back({Text(list->Items[i].Singulier), Text(list->Items[i].Pluriel)});
        return result;
    }

    std::vector<TAdjEntry> ListeAdjs() override
    {
        std::vector<TAdjEntry> result;
        const CodageListeAdjs* list = listeAdjs_ == nullptr ? nullptr : listeAdjs_();
        if (list == nullptr || list->Items == nullptr || list->Count <= 0) return result;
        result.reserve(static_cast<size_t>(list->Count));
        for (int32_t i = 0; i < list->Count; ++i) {
            const CodageAdjEntry& a = list->Items[i];
            result.push_back({Text(a.MascSg), Text(a.MascPl), Text(a.FemSg), Text(a.FemPl)});
        }
        return result;
    }

private:
    void* Symbol(const char* name)
    {
        void* p = dlsym(handle_, name);
        dlerror();  // an absent entry point is no error worth keeping
        return p;
    }

    void* handle_;
    CodageMakeCodeProc makeCode_ = nullptr;
    CodageTokenizeProc tokenize_ = nullptr;
    CodageLoadDataProc loadData_ = nullptr;
    CodageAddrListeNomsProc listeNoms_ = nullptr;
    CodageAddrListeAdjsProc listeAdjs_ = nullptr;
};

}  // namespace

std::unique_ptr<CodingLibrary> UnboundCodingLibrary() { return std::make_unique<UnboundLibrary>(); }

std::unique_ptr<CodingLibrary> BindCodingLibrary(const std::string& folder)
{
    if (folder.empty()) return UnboundCodingLibrary();
    std::error_code ec;
    // An absolute path: dlopen must never search the system for a library of that name.
    const std::filesystem::path file = std::filesystem::absolute(std::filesystem::u8path(folder), ec) / "Codage.so";
    if (ec || !std::filesystem::is_regular_file(file, ec)) return UnboundCodingLibrary();
    void* handle = dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle == nullptr) {
        dlerror();
        return UnboundCodingLibrary();
    }
    return std::make_unique<LoadedLibrary>(handle);
}

TCodageDLL::TCodageDLL() : library_(UnboundCodingLibrary()) {}

TCodageDLL::~TCodageDLL() = default;

std::string TCodageDLL::MakeCode(std::string_view description)
{
    if (!library_->HasMakeCode()) return {};
    const std::string key(description);
    if (const auto it = codes_.find(key); it != codes_.end()) return it->second;
    std::string code = library_->MakeCode(description);
    if (codes_.size() >= kMaxCachedCodes) codes_.clear();
    codes_.emplace(key, code);
    return code;
}

TArrayOfToken TCodageDLL::Tokenize(std::string_view text) { return library_->Tokenize(text); }

void TCodageDLL::LoadData()
{
    ClearCache();
    if (library_->HasLoadData()) library_->LoadData();
}

const std::vector<TNomEntry>* TCodageDLL::AddrListeNoms()
{
    if (!library_->HasListeNoms()) return nullptr;
    if (!noms_) noms_ = std::make_unique<std::vector<TNomEntry>>(library_->ListeNoms());
    return noms_.get();
}

const std::vector<TAdjEntry>* TCodageDLL::AddrListeAdjs()
{
    if (!library_->HasListeAdjs()) return nullptr;
    if (!adjs_) adjs_ = std::make_unique<std::vector<TAdjEntry>>(library_->ListeAdjs());
    return adjs_.get();
}

std::unique_ptr<CodingLibrary> TCodageDLL::Replace(std::unique_ptr<CodingLibrary> library)
{
    ClearCache();
    std::unique_ptr<CodingLibrary> previous = std::move(library_);
    library_ = library ? std::move(library) : UnboundCodingLibrary();
    return previous;
}

void TCodageDLL::ClearCache()
{
    codes_.clear();
    noms_.reset();
    adjs_.reset();
}

TCodageDLL& CodageDLL()
{
    static TCodageDLL binding;
    return binding;
}

void CodageDLLInitialize(const std::string& programFolder) { CodageDLL().Replace(BindCodingLibrary(programFolder)); }

void CodageDLLFinalize() { CodageDLL().Replace(UnboundCodingLibrary()); }
