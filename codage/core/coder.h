// The coder: the word lists and rules of one folder, and the coding and
// tokenising of texts against them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis.h"
#include "core/lexer.h"
#include "core/rules.h"
#include "core/vocabulary.h"

namespace codage {

// One token as the library hands it out; the text lies in the coder and stays
// valid until its next call.
struct OutToken {
    uint8_t kind;   // 0 other, 1 noun, 2 adjective
    std::string_view text;
    int32_t entry;
    uint8_t form;
    uint8_t flags;
    int32_t group;  // 1-based, 0 for none
    uint8_t active;
};

class Coder {
public:
    // Longest rule description kept, in bytes.
    static constexpr size_t kMaxRuleBytes = 2000;

    // Reads Noms.csv, Adjectifs.csv, Inhibiteurs.csv, Activateurs.csv and
    // Descriptions.csv of the folder; a missing file is an empty list.
    void Load(const std::filesystem::path& folder);
    void Clear();

    // Builds the word lists and rules from texts, as the files would give them.
    void AddNoun(const std::vector<std::string>& forms) { vocabulary_.AddNoun(forms); }
    void AddAdjective(const std::vector<std::string>& forms) { vocabulary_.AddAdjective(forms); }
    void AddInhibitor(std::string_view word) { vocabulary_.AddInhibitor(word); }
    void AddActivator(std::string_view word) { vocabulary_.AddActivator(word); }
    // Rules must come after the words they name; FinishRules once at the end.
    void AddRule(std::string_view description, std::string code);
    // Orders the rules and tells the vocabulary which words name lithologies.
    void FinishRules();

    // The code of a description, "" when no rule applies.
    std::string_view Code(std::string_view text);
    const std::vector<OutToken>& Tokenize(std::string_view text);

    const Vocabulary& Words() const { return vocabulary_; }
    size_t RuleCount() const { return rules_.Size(); }

private:
    Vocabulary vocabulary_;
    RuleSet rules_;
    uint32_t ruleLines_ = 0;
    Lexer lexer_;
    Analysis analysis_;
    std::vector<OutToken> tokens_;
};

}  // namespace codage
