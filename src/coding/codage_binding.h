// The program's side of the coding library (Codage.so in the program folder):
// the library is bound at start-up, each entry point on its own, and every
// caller goes through CodageDLL(), which tests can point at a fake.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// One word or sign of a tokenised text.
struct TToken {
    uint8_t Kind = 0;    // 0 other word or sign, 1 noun, 2 adjective (only the library gives 1 and 2)
    std::string Text;
    int32_t Entry = -1;  // the library's own details, which the program does not read
    uint8_t Form = 0;
    uint8_t Flags = 0;
    int32_t Group = 0;
    uint8_t Active = 0;
    uint8_t Reserved1 = 0;
    uint8_t Reserved2 = 0;
};
using TArrayOfToken = std::vector<TToken>;

// One noun of the coder's list.
struct TNomEntry {
    std::string Singulier;
    std::string Pluriel;
};

// One adjective of the coder's list.
struct TAdjEntry {
    std::string MascSg;
    std::string MascPl;
    std::string FemSg;
    std::string FemPl;
};

// The five entry points of a coding library, each present or absent.
class CodingLibrary {
public:
    virtual ~CodingLibrary() = default;

    virtual bool HasMakeCode() const = 0;
    virtual bool HasTokenize() const = 0;
    virtual bool HasLoadData() const = 0;
    virtual bool HasListeNoms() const = 0;
    virtual bool HasListeAdjs() const = 0;

    // Each answers an empty result when its entry point is absent.
    virtual std::string MakeCode(std::string_view description) = 0;
    virtual TArrayOfToken Tokenize(std::string_view text) = 0;
    virtual void LoadData() = 0;
    virtual std::vector<TNomEntry> ListeNoms() = 0;
    virtual std::vector<TAdjEntry> ListeAdjs() = 0;
};

// Binds Codage.so of `folder` (loaded by absolute path). Never null: when the
// file is missing or is not a library, every entry point is absent. Nothing
// is reported either way.
std::unique_ptr<CodingLibrary> BindCodingLibrary(const std::string& folder);

// A library with no entry point at all.
std::unique_ptr<CodingLibrary> UnboundCodingLibrary();

// The program-wide binding. It remembers the codes already given per
// description text, so that the log drawing, which asks again at every
// redraw, does not run the coder each time; LoadData forgets them.
class TCodageDLL {
public:
    TCodageDLL();
    ~TCodageDLL();

    bool MakeCodeBound() const { return library_->HasMakeCode(); }
    bool TokenizeBound() const { return library_->HasTokenize(); }
    bool LoadDataBound() const { return library_->HasLoadData(); }
    bool AddrListeNomsBound() const { return library_->HasListeNoms(); }
    bool AddrListeAdjsBound() const { return library_->HasListeAdjs(); }

    // The code of a description, "" when none or when the entry point is absent.
    std::string MakeCode(std::string_view description);
    TArrayOfToken Tokenize(std::string_view text);
    // Rereads the rules and word lists; calls the library only when bound.
    void LoadData();
    // The coder's lists, copied once per load of the rules; nullptr when the
    // entry point is absent. Valid until the next LoadData or rebinding.
    const std::vector<TNomEntry>* AddrListeNoms();
    const std::vector<TAdjEntry>* AddrListeAdjs();

    // Puts another library in place (tests install fakes); gives back the
    // previous one.
    std::unique_ptr<CodingLibrary> Replace(std::unique_ptr<CodingLibrary> library);
    void ClearCache();

private:
    std::unique_ptr<CodingLibrary> library_;
    std::unordered_map<std::string, std::string> codes_;
    std::unique_ptr<std::vector<TNomEntry>> noms_;
    std::unique_ptr<std::vector<TAdjEntry>> adjs_;
};

TCodageDLL& CodageDLL();

// Binding at start-up, before any window: Codage.so of the program folder.
// LoadData is not called; the library reads its files on first use.
void CodageDLLInitialize(const std::string& programFolder);
// Unloading at exit, after the windows are gone.
void CodageDLLFinalize();
