#include "core/rules.h"

#include <algorithm>

namespace codage {

namespace {

bool Compare(double value, const Condition& c)
{
    switch (c.op) {
    case Op::Less: return value < c.value;
    case Op::LessEqual: return value <= c.value;
    case Op::GreaterEqual: return value >= c.value;
    case Op::Greater: return value > c.value;
    case Op::NotEqual: return value != c.value;
    case Op::Equal:
    case Op::None: break;
    }
    return value == c.value;
}

}  // namespace

void RuleSet::Clear()
{
    rules_.clear();
    groups_.clear();
    adjectives_.clear();
    conditions_.clear();
}

void RuleSet::Add(const Analysis& analysis, std::string code, uint32_t line)
{
    if (code.empty()) return;
    const size_t groupMark = groups_.size(), adjMark = adjectives_.size(), condMark = conditions_.size();
    uint32_t terms = 0;
    const auto& adjs = analysis.Adjectives();
    const auto& values = analysis.Values();
    for (const Group& g : analysis.Groups()) {
        RuleGroup rg{g.noun, static_cast<uint32_t>(adjectives_.size()), 0, static_cast<uint32_t>(conditions_.size()), 0};
        // An adjective named twice is required once.
        for (uint32_t k = g.adjBegin; k < g.adjBegin + g.adjCount; ++k) adjectives_.push_back(adjs[k].entry);
        const auto first = adjectives_.begin() + rg.adjBegin;
        std::sort(first, adjectives_.end());
        adjectives_.erase(std::unique(first, adjectives_.end()), adjectives_.end());
        rg.adjCount = static_cast<uint32_t>(adjectives_.size() - rg.adjBegin);
        for (uint32_t k = g.valueBegin; k < g.valueBegin + g.valueCount; ++k) {
            conditions_.push_back({values[k].op, values[k].value, values[k].percent});
            ++rg.condCount;
        }
        if (rg.noun < 0 && rg.adjCount == 0 && rg.condCount == 0) continue;
        terms += (rg.noun >= 0 ? 1 : 0) + rg.adjCount + rg.condCount;
        groups_.push_back(rg);
    }
    if (terms == 0) {
        groups_.resize(groupMark);
        adjectives_.resize(adjMark);
        conditions_.resize(condMark);
        return;
    }
    rules_.push_back({std::move(code), line, terms, static_cast<uint32_t>(groupMark),
                      static_cast<uint32_t>(groups_.size() - groupMark), groups_[groupMark].noun >= 0});
}

void RuleSet::Finish()
{
    // "TOURBE ARGILEUSE": the rule of the peat, not the rule of the clayey.
    std::stable_sort(rules_.begin(), rules_.end(), [](const Rule& a, const Rule& b) {
        return a.terms != b.terms ? a.terms > b.terms : a.namesNoun && !b.namesNoun;
    });
}

bool RuleSet::Meets(const Analysis& d, uint32_t dg, const RuleGroup& rg, bool main) const
{
    const Group& g = d.Groups()[dg];
    if (!g.active) return false;
    // The main group meets a rule's first group by the lithology it names too:
    // "niveau sableux" meets SABLE.
    if (rg.noun >= 0 && g.noun != rg.noun && !(main && g.litho == rg.noun)) return false;
    const auto& adjs = d.Adjectives();
    for (uint32_t i = rg.adjBegin; i < rg.adjBegin + rg.adjCount; ++i) {
        bool found = false;
        for (uint32_t k = g.adjBegin; k < g.adjBegin + g.adjCount && !found; ++k)
            found = adjs[k].active && adjs[k].entry == adjectives_[i];
        if (!found) return false;
    }
    const auto& values = d.Values();
    for (uint32_t i = rg.condBegin; i < rg.condBegin + rg.condCount; ++i) {
        const Condition& c = conditions_[i];
        bool found = false;
        for (uint32_t k = g.valueBegin; k < g.valueBegin + g.valueCount && !found; ++k)
            found = values[k].percent == c.percent && Compare(values[k].value, c);
        if (!found) return false;
    }
    return true;
}

bool RuleSet::Augment(uint32_t r, std::vector<uint8_t>& seen)
{
    for (uint32_t c : candidates_[r]) {
        if (seen[c]) continue;
        seen[c] = 1;
        if (owner_[c] == kNoGroup || Augment(owner_[c], seen)) {
            owner_[c] = r;
            return true;
        }
    }
    return false;
}

bool RuleSet::Completes(uint32_t count)
{
    // A bipartite matching of the rule's other groups to the description's
    // groups that meet them (their lists leave the main group out).
    std::fill(owner_.begin(), owner_.end(), kNoGroup);
    seen_.resize(owner_.size());
    for (uint32_t r = 1; r < count; ++r) {
        std::fill(seen_.begin(), seen_.end(), 0);
        if (!Augment(r, seen_)) return false;
    }
    return true;
}

const Rule* RuleSet::Best(const Analysis& description, size_t nounCount)
{
    const auto& groups = description.Groups();
    const auto& order = description.MainOrder();
    if (groups.empty() || order.empty()) return nullptr;
    if (stamp_.size() < nounCount) stamp_.resize(nounCount, 0);
    if (++clock_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        clock_ = 1;
    }
    for (const Group& g : groups) {
        if (!g.active) continue;
        for (const int32_t noun : {g.noun, g.litho})
            if (noun >= 0 && static_cast<size_t>(noun) < nounCount) stamp_[static_cast<size_t>(noun)] = clock_;
    }
    owner_.assign(groups.size(), kNoGroup);

    for (const uint32_t main : order) {
        for (const Rule& rule : rules_) {
            bool possible = true;
            for (uint32_t i = 0; i < rule.groupCount && possible; ++i) {
                const int32_t noun = groups_[rule.groupBegin + i].noun;
                possible =
                    noun < 0 || (static_cast<size_t>(noun) < nounCount && stamp_[static_cast<size_t>(noun)] == clock_);
            }
            if (!possible || !Meets(description, main, groups_[rule.groupBegin], true)) continue;
            if (candidates_.size() < rule.groupCount) candidates_.resize(rule.groupCount);
            for (uint32_t i = 1; i < rule.groupCount && possible; ++i) {
                auto& list = candidates_[i];
                list.clear();
                const RuleGroup& rg = groups_[rule.groupBegin + i];
                for (uint32_t dg = 0; dg < groups.size(); ++dg)
                    if (dg != main && Meets(description, dg, rg, false)) list.push_back(dg);
                possible = !list.empty();
            }
            if (possible && (rule.groupCount == 1 || Completes(rule.groupCount))) return &rule;
        }
    }
    return nullptr;
}

}  // namespace codage
