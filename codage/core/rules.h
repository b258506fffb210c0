// The coding rules: each a description compiled into the groups it requires,
// with the code it gives; and the choice of the rule that codes a text.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "core/analysis.h"

namespace codage {

struct Condition {
    Op op;
    double value;
    bool percent;
};

struct RuleGroup {
    int32_t noun;  // -1: any noun
    uint32_t adjBegin, adjCount;
    uint32_t condBegin, condCount;
};

struct Rule {
    std::string code;
    uint32_t line;      // record number in the rules file: the last tie-break
    uint32_t terms;     // nouns + adjectives + conditions it names
    uint32_t groupBegin, groupCount;
    bool namesNoun;     // its first group names a noun
};

class RuleSet {
public:
    void Clear();
    // Compiles a rule; a rule that names nothing it could require is left out.
    // `analysis` must hold the rule's own analysis.
    void Add(const Analysis& analysis, std::string code, uint32_t line);
    // Orders the rules for the search: most terms first, then those that
    // name their noun before those that name only adjectives, then file order.
    void Finish();

    size_t Size() const { return rules_.size(); }
    const std::vector<Rule>& Rules() const { return rules_; }
    const RuleGroup& GroupOf(const Rule& rule, uint32_t k) const { return groups_[rule.groupBegin + k]; }
    int32_t AdjectiveOf(const RuleGroup& group, uint32_t k) const { return adjectives_[group.adjBegin + k]; }

    // The winning rule for the analysed description, nullptr for none. The
    // groups of the description are tried as the main lithology in their
    // order (Analysis::MainOrder); for the first one that some rule fits, the
    // first rule in the search order whose first group that group meets (by
    // its noun or the lithology it names) and whose other groups are met by
    // distinct other active groups.
    const Rule* Best(const Analysis& description, size_t nounCount);

private:
    bool Meets(const Analysis& d, uint32_t dg, const RuleGroup& rg, bool main) const;
    // Whether the other groups of the rule (1 to count - 1) can each have
    // their own group of the description.
    bool Completes(uint32_t count);
    bool Augment(uint32_t r, std::vector<uint8_t>& seen);

    std::vector<Rule> rules_;
    std::vector<RuleGroup> groups_;
    std::vector<int32_t> adjectives_;
    std::vector<Condition> conditions_;

    // Work space of Best.
    std::vector<uint32_t> stamp_;
    uint32_t clock_ = 0;
    std::vector<std::vector<uint32_t>> candidates_;
    std::vector<uint32_t> owner_;      // per description group: the rule group holding it in a trial
    std::vector<uint8_t> seen_;        // per description group: visited by one augmenting search
};

}  // namespace codage
