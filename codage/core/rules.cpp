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
                      static_cast<uint32_t>(groups_.size() - groupMark)});
}

void RuleSet::Finish()
{
    std::stable_sort(rules_.begin(), rules_.end(), [](const Rule& a, const Rule& b) { return a.terms > b.terms; });
}

bool RuleSet::Meets(const Analysis& d, uint32_t dg, const RuleGroup& rg) const
{
    const Group& g = d.Groups()[dg];
    if (!g.active) return false;
    if (rg.noun >= 0 && g.noun != rg.noun) return false;
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
        if (fixed_[c] || seen[c]) continue;
        seen[c] = 1;
        if (owner_[c] == kNoGroup || Augment(owner_[c], seen)) {
            owner_[c] = r;
            return true;
        }
    }
    return false;
}

bool RuleSet::Completes(uint32_t from)
{
    const auto count = static_cast<uint32_t>(chosen_.size());
    if (from >= count) return true;
    std::fill(owner_.begin(), owner_.end(), kNoGroup);
    seen_.resize(owner_.size());
    for (uint32_t r = from; r < count; ++r) {
        std::fill(seen_.begin(), seen_.end(), 0);
        if (!Augment(r, seen_)) return false;
    }
    return true;
}

bool RuleSet::Assign(uint32_t count, uint32_t before)
{
    // Only the description group that meets the rule's first group decides
    // between rules, so only that choice is searched: the earliest one, below
    // `before`, with which the other groups can still all be met (a bipartite
    // matching of the rest). Choosing the other groups as well would cost a
    // matching per group and candidate, which a long rule against a long
    // description turns into seconds.
    chosen_.assign(count, kNoGroup);
    if (count == 1) {
        const uint32_t c = candidates_[0].front();
        if (c >= before) return false;
        chosen_[0] = c;
        return true;
    }
    if (candidates_[0].front() >= before) return false;
    std::fill(fixed_.begin(), fixed_.end(), 0);
    if (!Completes(0)) return false;
    for (uint32_t c : candidates_[0]) {
        if (c >= before) break;  // candidates are in text order
        fixed_[c] = 1;
        if (Completes(1)) {
            chosen_[0] = c;
            return true;
        }
        fixed_[c] = 0;
    }
    return false;
}

const Rule* RuleSet::Best(const Analysis& description, size_t nounCount)
{
    const auto& groups = description.Groups();
    if (groups.empty()) return nullptr;
    if (stamp_.size() < nounCount) stamp_.resize(nounCount, 0);
    if (++clock_ == 0) {
        std::fill(stamp_.begin(), stamp_.end(), 0);
        clock_ = 1;
    }
    bool anyActive = false;
    for (const Group& g : groups) {
        if (!g.active) continue;
        anyActive = true;
        if (g.noun >= 0 && static_cast<size_t>(g.noun) < nounCount) stamp_[static_cast<size_t>(g.noun)] = clock_;
    }
    if (!anyActive) return nullptr;
    owner_.assign(groups.size(), kNoGroup);
    fixed_.assign(groups.size(), 0);

    const Rule* best = nullptr;
    uint32_t bestPosition = 0;
    for (const Rule& rule : rules_) {
        if (best != nullptr && rule.terms < best->terms) break;
        bool possible = true;
        for (uint32_t i = 0; i < rule.groupCount && possible; ++i) {
            const int32_t noun = groups_[rule.groupBegin + i].noun;
            possible = noun < 0 || (static_cast<size_t>(noun) < nounCount && stamp_[static_cast<size_t>(noun)] == clock_);
        }
        if (!possible) continue;
        if (candidates_.size() < rule.groupCount) candidates_.resize(rule.groupCount);
        for (uint32_t i = 0; i < rule.groupCount && possible; ++i) {
            auto& list = candidates_[i];
            list.clear();
            const RuleGroup& rg = groups_[rule.groupBegin + i];
            for (uint32_t dg = 0; dg < groups.size(); ++dg)
                if (Meets(description, dg, rg)) list.push_back(dg);
            possible = !list.empty();
        }
        // Groups are numbered in text order, so the number is the position;
        // a rule of equal terms wins only with an earlier position.
        if (!possible || !Assign(rule.groupCount, best == nullptr ? kNoGroup : bestPosition)) continue;
        best = &rule;
        bestPosition = chosen_[0];
    }
    return best;
}

}  // namespace codage
