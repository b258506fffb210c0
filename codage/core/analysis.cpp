#include "core/analysis.h"

#include <algorithm>
#include <string_view>

namespace codage {

namespace {

// How far back an adjective looks for a noun it agrees with: French puts the
// adjective right after its noun, so a few groups are plenty, and the bound
// keeps long texts linear.
constexpr uint32_t kAgreementReach = 8;

uint8_t NounNumber(uint8_t forms) { return forms == 0 ? 3 : forms; }

uint8_t AdjectiveNumber(uint8_t forms)
{
    uint8_t n = 0;
    if (forms & 0x5) n |= 1;
    if (forms & 0xA) n |= 2;
    return n == 0 ? 3 : n;
}

bool IsTerm(ItemClass c)
{
    return c == ItemClass::Noun || c == ItemClass::Adjective || c == ItemClass::Number || c == ItemClass::Percent;
}

void ClassifySign(std::string_view s, Item& item)
{
    item.cls = ItemClass::OtherSign;
    if (s == "%") {
        item.cls = ItemClass::Percent;
    } else if (s == "<") {
        item.cls = ItemClass::Operator;
        item.op = Op::Less;
    } else if (s == "<=" || s == "=<") {
        item.cls = ItemClass::Operator;
        item.op = Op::LessEqual;
    } else if (s == "=") {
        item.cls = ItemClass::Operator;
        item.op = Op::Equal;
    } else if (s == ">=" || s == "=>") {
        item.cls = ItemClass::Operator;
        item.op = Op::GreaterEqual;
    } else if (s == ">") {
        item.cls = ItemClass::Operator;
        item.op = Op::Greater;
    } else if (s == "<>") {
        item.cls = ItemClass::Operator;
        item.op = Op::NotEqual;
    } else if (s == "," || s == ":" || s == "(" || s == ")" || s == "[" || s == "]" || s == "/" || s == "+" ||
               s == "-") {
        item.cls = ItemClass::Separator;
    } else if (s == ";" || s == "." || s == "!" || s == "?" || s == "\xE2\x80\xA6") {
        item.cls = ItemClass::StrongSeparator;
    }
}

// A sign after which a lone word ends its clause.
bool IsClauseEnd(std::string_view s) { return s == "," || s == ";" || s == "." || s == ")"; }

}  // namespace

void Analysis::Run(const Lexer& lexer, const Vocabulary& vocabulary, bool rule)
{
    Classify(lexer, vocabulary);
    BuildGroups(rule);
    Finish(rule);
}

void Analysis::Classify(const Lexer& lexer, const Vocabulary& vocabulary)
{
    items_.clear();
    const auto& tokens = lexer.Tokens();
    const size_t n = tokens.size();
    bool nounInSentence = false;
    size_t i = 0;
    while (i < n) {
        const RawToken& t = tokens[i];
        Item item{ItemClass::OtherSign, static_cast<uint32_t>(i), 1, -1, 0, Op::None, 0};
        if (t.kind == RawKind::Word) {
            item.cls = ItemClass::OtherWord;
            const int32_t id = vocabulary.WordId(lexer.Text(t));
            if (id >= 0) {
                LexInfo info = vocabulary.Info(static_cast<uint32_t>(id));
                for (uint32_t p : vocabulary.PhrasesFrom(static_cast<uint32_t>(id))) {
                    const Phrase& phrase = vocabulary.GetPhrase(p);
                    const size_t len = phrase.words.size();
                    if (i + len > n) continue;
                    bool same = true;
                    for (size_t k = 1; k < len && same; ++k) {
                        const RawToken& next = tokens[i + k];
                        same = next.kind == RawKind::Word &&
                               vocabulary.WordId(lexer.Text(next)) == static_cast<int32_t>(phrase.words[k]);
                    }
                    if (same) {
                        info = phrase.info;
                        item.tokenCount = static_cast<uint32_t>(len);
                        break;
                    }
                }
                const ItemClass prev = items_.empty() ? ItemClass::OtherSign : items_.back().cls;
                bool asNoun = info.noun >= 0;
                bool asAdjective = info.adjective >= 0;
                if (asNoun && asAdjective) {
                    // CALCAIRE, FISSURE, MARBRE...: right after a noun or an
                    // adjective the word qualifies it; so does a word that
                    // stands alone between commas or brackets after the
                    // sentence's noun ("CALCAIRE GRIS, FISSURE, DUR",
                    // "CALCAIRE (FISSURE)"); elsewhere it names a rock.
                    bool qualifies = prev == ItemClass::Noun || prev == ItemClass::Adjective;
                    if (!qualifies && nounInSentence && i > 0 &&
                        (lexer.Text(tokens[i - 1]) == "," || lexer.Text(tokens[i - 1]) == "(")) {
                        const size_t after = i + item.tokenCount;
                        qualifies = after >= n || (tokens[after].kind == RawKind::Sign &&
                                                   IsClauseEnd(lexer.Text(tokens[after])));
                    }
                    asNoun = !qualifies;
                    asAdjective = qualifies;
                }
                if (info.inhibitor) {
                    item.cls = ItemClass::Inhibitor;
                } else if (info.activator) {
                    item.cls = ItemClass::Activator;
                } else if (asNoun) {
                    item.cls = ItemClass::Noun;
                    item.entry = info.noun;
                    item.forms = info.nounForms;
                } else if (asAdjective) {
                    item.cls = ItemClass::Adjective;
                    item.entry = info.adjective;
                    item.forms = info.adjForms;
                } else if (info.function == Function::Of) {
                    item.cls = ItemClass::Of;
                } else if (info.function == Function::Range) {
                    item.cls = ItemClass::RangeJoin;
                }
            }
        } else if (t.kind == RawKind::Number) {
            item.cls = ItemClass::Number;
            item.value = t.value;
        } else {
            const std::string_view s = lexer.Text(t);
            ClassifySign(s, item);
            if (s == "-" && !items_.empty() && items_.back().cls == ItemClass::Number && i + 1 < n &&
                tokens[i + 1].kind == RawKind::Number)
                item.cls = ItemClass::RangeJoin;
        }
        if (item.cls == ItemClass::Noun)
            nounInSentence = true;
        else if (item.cls == ItemClass::StrongSeparator)
            nounInSentence = false;
        items_.push_back(item);
        i += item.tokenCount;
    }
}

uint32_t Analysis::AdjectiveTarget(size_t index, uint32_t current, uint32_t sentenceStart) const
{
    const size_t n = items_.size();
    const bool prevTerm = index > 0 && IsTerm(items_[index - 1].cls);
    const size_t k = afterAdjectives_[index + 1];
    const bool nounAhead = k < n && items_[k].cls == ItemClass::Noun;

    // "A GROS GRAVIERS": an adjective that stands before a noun and after no
    // term of its own qualifies the noun that comes.
    if (!prevTerm && nounAhead) return kNoGroup;
    // Otherwise the nearest noun of the sentence it agrees with in number:
    // "ARGILE A GRAVIERS SABLEUSE" gives SABLEUSE to ARGILE.
    if (current != kNoGroup && current >= sentenceStart) {
        const uint8_t number = AdjectiveNumber(items_[index].forms);
        const uint32_t stop = current >= sentenceStart + kAgreementReach ? current - kAgreementReach + 1 : sentenceStart;
        for (uint32_t g = current + 1; g-- > stop;)
            if (groups_[g].number & number) return g;
    }
    if (nounAhead) return kNoGroup;
    if (current != kNoGroup && current >= sentenceStart) return current;
    return kNoGroup;
}

void Analysis::BuildGroups(bool rule)
{
    groups_.clear();
    adjs_.clear();
    values_.clear();

    enum class Inhibit { None, Pending, Nouns, Adjectives } inhibit = Inhibit::None;
    uint32_t current = kNoGroup;
    uint32_t sentenceStart = 0;
    std::vector<uint32_t> pendingAdjs, pendingValues;
    const size_t n = items_.size();
    afterAdjectives_.resize(n + 1);
    afterAdjectives_[n] = static_cast<uint32_t>(n);
    for (size_t k = n; k-- > 0;)
        afterAdjectives_[k] = items_[k].cls == ItemClass::Adjective ? afterAdjectives_[k + 1] : static_cast<uint32_t>(k);

    for (size_t idx = 0; idx < n; ++idx) {
        const Item& item = items_[idx];
        switch (item.cls) {
        case ItemClass::Separator:
        case ItemClass::Activator:
            inhibit = Inhibit::None;
            break;
        case ItemClass::StrongSeparator:
            inhibit = Inhibit::None;
            sentenceStart = static_cast<uint32_t>(groups_.size());
            break;
        case ItemClass::Inhibitor:
            inhibit = Inhibit::Pending;
            break;
        case ItemClass::Noun: {
            // An inhibitor before a noun silences it and the nouns after it
            // ("SANS GRAVIER NI GALET") up to a separator or an activator; one
            // that only silenced adjectives ("PEU SABLEUSE") stops here.
            bool active = true;
            if (inhibit == Inhibit::Pending || inhibit == Inhibit::Nouns) {
                active = false;
                inhibit = Inhibit::Nouns;
            } else if (inhibit == Inhibit::Adjectives) {
                inhibit = Inhibit::None;
            }
            const auto g = static_cast<uint32_t>(groups_.size());
            groups_.push_back({item.entry, static_cast<uint32_t>(idx), NounNumber(item.forms), active});
            for (uint32_t a : pendingAdjs) adjs_[a].group = g;
            for (uint32_t v : pendingValues) values_[v].group = g;
            pendingAdjs.clear();
            pendingValues.clear();
            current = g;
            break;
        }
        case ItemClass::Adjective: {
            const bool active = inhibit == Inhibit::None;
            const uint32_t target = AdjectiveTarget(idx, current, sentenceStart);
            // "SANS GROS GRAVIERS": an adjective that waits for its noun
            // leaves the inhibition to that noun; otherwise ("PEU SABLEUSE")
            // the inhibition is the adjectives' only.
            const size_t next = afterAdjectives_[idx + 1];
            const bool waits = target == kNoGroup && next < n && items_[next].cls == ItemClass::Noun;
            if (inhibit == Inhibit::Pending && !waits) inhibit = Inhibit::Adjectives;
            if (target == kNoGroup) pendingAdjs.push_back(static_cast<uint32_t>(adjs_.size()));
            adjs_.push_back({target, item.entry, active, static_cast<uint32_t>(idx)});
            break;
        }
        case ItemClass::Number: {
            size_t start = idx;
            Op op = rule ? Op::Equal : Op::None;
            if (idx > 0 && items_[idx - 1].cls == ItemClass::Operator) {
                start = idx - 1;
                if (rule) op = items_[idx - 1].op;
            }
            // "20 A 30 %": both numbers, both percentages.
            size_t end = idx;
            const bool range =
                end + 2 < n && items_[end + 1].cls == ItemClass::RangeJoin && items_[end + 2].cls == ItemClass::Number;
            if (range) end += 2;
            const bool percent = end + 1 < n && items_[end + 1].cls == ItemClass::Percent;
            if (percent) ++end;

            // "30 % DE SABLE" gives the number to the noun that follows; after
            // a noun or its adjectives ("SABLE 30 %") it stays with that noun.
            size_t j = end + 1;
            bool of = false;
            while (j < n && items_[j].cls == ItemClass::Of) {
                of = true;
                ++j;
            }
            j = afterAdjectives_[j];
            const bool nounAhead = j < n && items_[j].cls == ItemClass::Noun;
            const bool prevTerm = start > 0 && IsTerm(items_[start - 1].cls) && current != kNoGroup;
            uint32_t target;
            if (of && nounAhead)
                target = kNoGroup;
            else if (prevTerm)
                target = current;
            else if (nounAhead)
                target = kNoGroup;
            else
                target = current;

            for (size_t at = idx; at <= end; at += 2) {
                if (items_[at].cls != ItemClass::Number) continue;
                if (target == kNoGroup) pendingValues.push_back(static_cast<uint32_t>(values_.size()));
                values_.push_back({target, items_[at].value, percent, op, static_cast<uint32_t>(at)});
            }
            idx = end;
            break;
        }
        default:
            break;
        }
    }

    if (pendingAdjs.empty() && pendingValues.empty()) return;
    if (rule) {
        bool any = !pendingValues.empty();
        for (uint32_t a : pendingAdjs) any = any || adjs_[a].active;
        if (!any) return;
        const uint32_t first = std::min(pendingAdjs.empty() ? kNoGroup : adjs_[pendingAdjs.front()].item,
                                        pendingValues.empty() ? kNoGroup : values_[pendingValues.front()].item);
        const auto g = static_cast<uint32_t>(groups_.size());
        groups_.push_back({-1, first, 3, true});
        for (uint32_t a : pendingAdjs) adjs_[a].group = g;
        for (uint32_t v : pendingValues) values_[v].group = g;
    } else if (current != kNoGroup) {
        // Words left over at the end of a description go to its last noun.
        for (uint32_t a : pendingAdjs) adjs_[a].group = current;
        for (uint32_t v : pendingValues) values_[v].group = current;
    }
}

void Analysis::Finish(bool rule)
{
    // A rule requires only what is active in it.
    if (rule) {
        std::vector<uint32_t> renumber(groups_.size(), kNoGroup);
        std::vector<Group> kept;
        for (uint32_t g = 0; g < groups_.size(); ++g) {
            if (!groups_[g].active) continue;
            renumber[g] = static_cast<uint32_t>(kept.size());
            kept.push_back(groups_[g]);
        }
        groups_.swap(kept);
        for (auto& a : adjs_) {
            if (a.group != kNoGroup) a.group = renumber[a.group];
            if (!a.active) a.group = kNoGroup;
        }
        for (auto& v : values_)
            if (v.group != kNoGroup) v.group = renumber[v.group];
    }

    // Order the adjectives and values by group (stable: text order within a group).
    auto byGroup = [](const auto& a, const auto& b) { return a.group < b.group; };
    std::stable_sort(adjs_.begin(), adjs_.end(), byGroup);
    std::stable_sort(values_.begin(), values_.end(), byGroup);

    itemGroup_.assign(items_.size(), kNoGroup);
    itemActive_.assign(items_.size(), 0);
    for (auto& g : groups_) {
        g.adjCount = 0;
        g.valueCount = 0;
    }
    for (uint32_t k = 0; k < adjs_.size(); ++k) {
        const AdjRef& a = adjs_[k];
        if (a.group == kNoGroup) continue;
        Group& g = groups_[a.group];
        if (g.adjCount == 0) g.adjBegin = k;
        ++g.adjCount;
    }
    for (uint32_t k = 0; k < values_.size(); ++k) {
        const ValueRef& v = values_[k];
        if (v.group == kNoGroup) continue;
        Group& g = groups_[v.group];
        if (g.valueCount == 0) g.valueBegin = k;
        ++g.valueCount;
    }

    for (uint32_t g = 0; g < groups_.size(); ++g) {
        const Group& group = groups_[g];
        if (group.noun >= 0) {
            itemGroup_[group.item] = g;
            itemActive_[group.item] = group.active ? 1 : 0;
        }
    }
    for (const AdjRef& a : adjs_) {
        if (a.group == kNoGroup) continue;
        itemGroup_[a.item] = a.group;
        itemActive_[a.item] = (a.active && groups_[a.group].active) ? 1 : 0;
    }
    for (const ValueRef& v : values_) {
        if (v.group == kNoGroup) continue;
        const bool active = groups_[v.group].active;
        itemGroup_[v.item] = v.group;
        itemActive_[v.item] = active ? 1 : 0;
        // The operator before and the "%" after belong to the number too.
        if (v.item > 0 && items_[v.item - 1].cls == ItemClass::Operator) {
            itemGroup_[v.item - 1] = v.group;
            itemActive_[v.item - 1] = active ? 1 : 0;
        }
        if (v.percent) {
            for (uint32_t k = v.item + 1; k < items_.size() && k <= v.item + 3; ++k) {
                if (items_[k].cls != ItemClass::Percent) continue;
                itemGroup_[k] = v.group;
                itemActive_[k] = active ? 1 : 0;
                break;
            }
        }
    }
}

}  // namespace codage
