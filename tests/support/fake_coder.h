// Coding libraries for tests, without the built Codage.so.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "coding/codage_binding.h"

// Every entry point absent and answering nothing; fakes override what they need.
class StubCodingLibrary : public CodingLibrary {
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

// Answers fixed codes by description (none for the others), counting its
// calls and keeping the descriptions it was given.
class FakeCoder : public StubCodingLibrary {
public:
    std::vector<std::pair<std::string, std::string>> Codes;  // description -> code
    std::vector<std::string> Seen;
    int Calls = 0;
    bool HasMakeCode() const override { return true; }
    std::string MakeCode(std::string_view d) override
    {
        ++Calls;
        Seen.emplace_back(d);
        for (const auto& [k, v] : Codes)
            if (k == d) return v;
        return {};
    }
};
