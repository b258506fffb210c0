// The coder's understanding of a text: which words are nouns and adjectives,
// and how they gather into groups (a noun with its adjectives and numbers),
// each group active or inhibited.
#pragma once

#include <cstdint>
#include <vector>

#include "core/lexer.h"
#include "core/vocabulary.h"

namespace codage {

enum class ItemClass : uint8_t {
    Noun,
    Adjective,
    Inhibitor,
    Activator,
    Of,         // DE, D', DES, DU
    RangeJoin,  // A, AU, or "-" between two numbers
    Article,    // UN, UNE, LE, LA, LES, L'
    OtherWord,
    Number,
    Percent,
    Operator,         // < <= = >= > <>
    Separator,        // , : ( ) / and the like: ends an inhibition
    StrongSeparator,  // ; . ! ?: also ends a sentence
    OtherSign
};

enum class Op : uint8_t { None, Less, LessEqual, Equal, GreaterEqual, Greater, NotEqual };

// A word, a phrase of several words that the vocabulary knows as one, or a sign.
struct Item {
    ItemClass cls;
    uint32_t firstToken;
    uint32_t tokenCount;
    int32_t entry;   // noun or adjective index
    uint8_t forms;   // the forms of the entry that the text matched
    Op op;
    double value;
    uint8_t role;    // Role bits of the word
};

constexpr uint32_t kNoGroup = 0xFFFFFFFFu;

struct Group {
    int32_t noun;   // -1: any noun (a rule that names only adjectives or conditions), or
                    // in a description adjectives that qualify no noun ("horizon humifere")
    uint32_t item;  // the item that opened the group: its position in the text
    uint8_t number; // bit 0 singular, bit 1 plural
    bool active;
    uint32_t adjBegin = 0, adjCount = 0;
    uint32_t valueBegin = 0, valueCount = 0;
    // Descriptions: the lithology the group names, its noun when that heads a
    // rule, else the noun of its first active lithological adjective ("niveau
    // sableux" names SABLE); -1 for none.
    int32_t litho = -1;
};

struct AdjRef {
    uint32_t group;
    int32_t entry;
    bool active;
    uint32_t item;
};

struct ValueRef {
    uint32_t group;
    double value;
    bool percent;
    Op op;  // rules: the comparison; descriptions: None
    uint32_t item;
};

class Analysis {
public:
    // Classifies the tokens of `lexer` and builds the groups. A rule keeps only
    // what it requires: its inhibited groups and adjectives are dropped, and
    // adjectives or conditions without a noun form a group that any noun meets.
    void Run(const Lexer& lexer, const Vocabulary& vocabulary, bool rule);

    const std::vector<Item>& Items() const { return items_; }
    const std::vector<Group>& Groups() const { return groups_; }
    const std::vector<AdjRef>& Adjectives() const { return adjs_; }    // ordered by group
    const std::vector<ValueRef>& Values() const { return values_; }    // ordered by group
    // Per item: its group (kNoGroup for none) and whether it counts.
    const std::vector<uint32_t>& ItemGroups() const { return itemGroup_; }
    const std::vector<uint8_t>& ItemActive() const { return itemActive_; }

    // Descriptions: the groups in the order in which they may be the main
    // lithology, the likeliest first (see Rank); only active groups.
    const std::vector<uint32_t>& MainOrder() const { return order_; }

private:
    void Classify(const Lexer& lexer, const Vocabulary& vocabulary);
    void BuildGroups(bool rule);
    uint32_t AdjectiveTarget(size_t index, uint32_t current, uint32_t sentenceStart, bool active) const;
    void Finish(bool rule);
    void Rank(const Vocabulary& vocabulary);
    // The shares of the groups given as "sable/argile (30/70)", into share_.
    void RatioShares(uint32_t firstItem, uint32_t endItem);

    std::vector<Item> items_;
    // Per item: the first item at or after it that is not an adjective, so
    // that runs of adjectives are walked once, not once per adjective.
    std::vector<uint32_t> afterAdjectives_;
    std::vector<Group> groups_;
    std::vector<AdjRef> adjs_;
    std::vector<ValueRef> values_;
    std::vector<uint32_t> itemGroup_;
    std::vector<uint8_t> itemActive_;
    std::vector<AdjRef> sortAdjs_;
    std::vector<ValueRef> sortValues_;

    // Work space of Rank.
    std::vector<uint32_t> order_;
    std::vector<uint8_t> groupFlags_;
    std::vector<double> share_;
    std::vector<uint32_t> sentence_;
    std::vector<uint32_t> pooled_;        // per group: the group its share goes to
    std::vector<uint32_t> firstOfLitho_;  // per noun: the first group that names it
};

}  // namespace codage
