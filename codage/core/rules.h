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
};

class RuleSet {
public:
    void Clear();
    // Compiles a rule; a rule that names nothing it could require is left out.
    // `analysis` must hold the rule's own analysis.
    void Add(const Analysis& analysis, std::string code, uint32_t line);
    // Orders the rules for the search: most terms first, then file order.
    void Finish();

    size_t Size() const { return rules_.size(); }

    // The winning rule for the analysed description, nullptr for none: the
    // rule with the most terms whose every group is met by a distinct active
    // group of the description; among equals, the one whose first group is met
    // earliest in the description, then the one found first in the file.
    const Rule* Best(const Analysis& description, size_t nounCount);

private:
    bool Meets(const Analysis& d, uint32_t dg, const RuleGroup& rg) const;
    // Whether every group of the rule can have its own group of the
    // description with the first one met before `before`; chosen_[0] receives
    // the earliest such group for the first one.
    bool Assign(uint32_t count, uint32_t before);
    bool Completes(uint32_t from);
    bool Augment(uint32_t r, std::vector<uint8_t>& seen);

    std::vector<Rule> rules_;
    std::vector<RuleGroup> groups_;
    std::vector<int32_t> adjectives_;
    std::vector<Condition> conditions_;

    // Work space of Best.
    std::vector<uint32_t> stamp_;
    uint32_t clock_ = 0;
    std::vector<std::vector<uint32_t>> candidates_;
    std::vector<uint32_t> chosen_;
    std::vector<uint32_t> owner_;      // per description group: the rule group holding it in a trial
    std::vector<uint8_t> fixed_;       // per description group: chosen for good
    std::vector<uint8_t> seen_;        // per description group: visited by one augmenting search
};

}  // namespace codage
