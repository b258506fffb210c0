// The coder's vocabulary: nouns, adjectives, inhibitors and activators, and the
// reading of the semicolon-separated files that hold them.
#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "core/lexer.h"

namespace codage {

// Fields of one line of a semicolon-separated file: spaces around a field are
// dropped, and a field that starts with a double quote runs to the closing
// quote (a doubled quote inside stands for one), so that a quoted ";" stays in
// its field.
std::vector<std::string> SplitCsvLine(std::string_view line);

// The records of a file, each cut to at most `fields` fields, in UTF-8. A file
// that is missing, unreadable or larger than `maxBytes` gives no record.
std::vector<std::vector<std::string>> ReadCsvFile(const std::filesystem::path& file, size_t fields,
                                                  size_t maxBytes = 16u << 20);

// Grammatical words the coder knows by itself.
enum class Function : uint8_t {
    None,
    Of,    // DE, D', DES, DU, D: "30 % DE SABLE" gives the number to the noun that follows
    Range,   // A, AU: "20 A 30 %"
    Article  // UN, UNE, LE, LA, LES, L': "dans une argile"
};

// What a word tells of the lithologies around it, whatever its class. The
// coder knows these words by itself, as it knows DE and A.
enum Role : uint8_t {
    kRoleWithin = 1,    // DANS, SEIN: "X dans Y" names Y as the main lithology
    kRoleDominant = 2,  // DOMINANTE, PREDOMINANCE...: "a dominante X" names X
    kRoleMinor = 4,     // PASSEE, LENTILLE, POCHE...: what they hold is not the main one
    kRoleUnder = 8      // SOUS: what lies above the level ("sous enrobe") is not it
};

// What the vocabulary says of a word or of a phrase of several words.
struct LexInfo {
    int32_t noun = -1;
    uint8_t nounForms = 0;  // bit 0 singular, bit 1 plural
    int32_t adjective = -1;
    uint8_t adjForms = 0;   // bits 0..3: masc. sg., masc. pl., fem. sg., fem. pl.
    bool inhibitor = false;
    bool activator = false;
    Function function = Function::None;
    uint8_t role = 0;  // Role bits
};

struct Phrase {
    std::vector<uint32_t> words;
    LexInfo info;
};

class Vocabulary {
public:
    Vocabulary() { Clear(); }

    void Clear();
    // Forms as read from the files; each is normalised like any text.
    void AddNoun(const std::vector<std::string>& forms);
    void AddAdjective(const std::vector<std::string>& forms);
    void AddInhibitor(std::string_view word);
    void AddActivator(std::string_view word);

    // The interned id of a normalised word, -1 when the vocabulary lacks it.
    int32_t WordId(std::string_view word) const;
    const LexInfo& Info(uint32_t id) const { return words_[id].info; }
    // Phrases of two words or more that begin with this word, longest first.
    const std::vector<uint32_t>& PhrasesFrom(uint32_t id) const { return words_[id].phrases; }
    const Phrase& GetPhrase(uint32_t index) const { return phrases_[index]; }

    // What the rules make of the words (Coder::FinishRules): the nouns that
    // head a rule name lithologies, and an adjective that names one on its
    // own ("SABLEUX", "ARGILO") stands for the noun of that lithology.
    void SetLithology(std::vector<uint8_t> lithologicalNouns, std::vector<int32_t> adjectiveNouns);
    bool IsLithological(int32_t noun) const
    {
        return noun >= 0 && static_cast<size_t>(noun) < lithoNouns_.size() && lithoNouns_[static_cast<size_t>(noun)];
    }
    // The noun an adjective stands for, -1 for none.
    int32_t AdjectiveNoun(int32_t adjective) const
    {
        return adjective >= 0 && static_cast<size_t>(adjective) < adjNouns_.size()
                   ? adjNouns_[static_cast<size_t>(adjective)]
                   : -1;
    }
    // The word an abbreviation stands for ("ARG" written "arg."): among the
    // one-word forms that begin with it, a lithology first, then the shortest,
    // then the first listed; nouns or adjectives as asked. -1 for none.
    int32_t Abbreviation(std::string_view prefix, bool adjective) const;

    // Normalised forms, as the lists show them.
    const std::vector<std::array<std::string, 2>>& Nouns() const { return nouns_; }
    const std::vector<std::array<std::string, 4>>& Adjectives() const { return adjectives_; }

private:
    struct Word {
        LexInfo info;
        std::vector<uint32_t> phrases;
    };
    struct Hash {
        using is_transparent = void;
        size_t operator()(std::string_view s) const noexcept;
    };

    uint32_t Intern(std::string_view word);
    // Where the info of a form lies: a word's or a phrase's. Held as indices,
    // since interning more words moves the tables.
    struct InfoRef {
        bool valid = false;
        bool phrase = false;
        uint32_t index = 0;
    };
    // The info that a form stands for, created on first use; invalid for an
    // empty form or one that holds signs. `normalised` receives its text.
    InfoRef InfoOf(std::string_view form, std::string& normalised);
    LexInfo& Resolve(InfoRef ref) { return ref.phrase ? phrases_[ref.index].info : words_[ref.index].info; }

    Lexer lexer_;
    std::unordered_map<std::string, uint32_t, Hash, std::equal_to<>> ids_;
    std::vector<Word> words_;
    std::vector<Phrase> phrases_;
    std::vector<std::array<std::string, 2>> nouns_;
    std::vector<std::array<std::string, 4>> adjectives_;
    std::vector<uint8_t> lithoNouns_;
    std::vector<int32_t> adjNouns_;
    // One-word singular (masculine) forms in byte order, for abbreviations.
    struct Form {
        std::string text;
        uint32_t word;
        int32_t entry;
        bool adjective;
    };
    std::vector<Form> forms_;
};

}  // namespace codage
