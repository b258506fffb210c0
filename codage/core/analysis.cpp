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
        item.value = static_cast<unsigned char>(s[0]);  // Rank tells ":" and "/" apart
    } else if (s == ";" || s == "." || s == "!" || s == "?" || s == "\xE2\x80\xA6") {
        item.cls = ItemClass::StrongSeparator;
    }
}

// A sign after which a lone word ends its clause.
bool IsClauseEnd(std::string_view s) { return s == "," || s == ";" || s == "." || s == ")"; }

bool IsSeparator(ItemClass c) { return c == ItemClass::Separator || c == ItemClass::StrongSeparator; }

// The class of the last item that is not a negation ("NON", "PEU"), nor the
// "MAIS" that follows one: "argile non calcaire" and "ensemble non marneux
// mais calcaire" qualify what comes before; "argile dans calcaire" does not.
ItemClass PreviousClass(const std::vector<Item>& items, bool negated)
{
    for (size_t k = items.size(); k-- > 0;) {
        const ItemClass c = items[k].cls;
        if (c != ItemClass::Inhibitor && !(negated && c == ItemClass::Activator)) return c;
    }
    return ItemClass::OtherSign;
}

// Longest unknown word taken for an abbreviation when its period stays
// unexplained ("env.", "moy."): its period ends no sentence.
constexpr size_t kShortAbbreviation = 4;

}  // namespace

void Analysis::Run(const Lexer& lexer, const Vocabulary& vocabulary, bool rule)
{
    Classify(lexer, vocabulary);
    BuildGroups(rule);
    Finish(rule);
    order_.clear();
    if (!rule) Rank(vocabulary);
}

void Analysis::Classify(const Lexer& lexer, const Vocabulary& vocabulary)
{
    items_.clear();
    const auto& tokens = lexer.Tokens();
    const size_t n = tokens.size();
    bool nounInSentence = false;
    bool negated = false;  // an inhibitor stands earlier in the clause
    size_t i = 0;
    while (i < n) {
        const RawToken& t = tokens[i];
        Item item{ItemClass::OtherSign, static_cast<uint32_t>(i), 1, -1, 0, Op::None, 0, 0};
        if (t.kind == RawKind::Word) {
            item.cls = ItemClass::OtherWord;
            const std::string_view word = lexer.Text(t);
            int32_t id = vocabulary.WordId(word);
            // "arg. sableuse", "calc. fissure", "env. 30 %": a word cut short
            // by a period stands for the known word it begins, and its period
            // ends no sentence.
            bool expanded = false;
            if (i + 1 < n && tokens[i + 1].kind == RawKind::Sign && lexer.Text(tokens[i + 1]) == ".") {
                if (id < 0) {
                    if (word.size() >= 3) {
                        const ItemClass prev = PreviousClass(items_, negated);
                        const bool qualifies = prev == ItemClass::Noun || prev == ItemClass::Adjective;
                        id = vocabulary.Abbreviation(word, qualifies);
                        if (id < 0) id = vocabulary.Abbreviation(word, !qualifies);
                        expanded = id >= 0;
                    }
                    if (expanded || word.size() <= kShortAbbreviation) item.tokenCount = 2;
                } else if (word.size() <= 3) {
                    const LexInfo& known = vocabulary.Info(static_cast<uint32_t>(id));
                    if (known.inhibitor || known.activator) item.tokenCount = 2;
                }
            }
            if (id >= 0) {
                LexInfo info = vocabulary.Info(static_cast<uint32_t>(id));
                if (!expanded) for (uint32_t p : vocabulary.PhrasesFrom(static_cast<uint32_t>(id))) {
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
                const ItemClass prev = PreviousClass(items_, negated);
                item.role = info.role;
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
                } else if (info.function == Function::Article) {
                    item.cls = ItemClass::Article;
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
        if (item.cls == ItemClass::Inhibitor)
            negated = true;
        else if (item.cls == ItemClass::Separator || item.cls == ItemClass::StrongSeparator)
            negated = false;
        items_.push_back(item);
        i += item.tokenCount;
    }
}

uint32_t Analysis::AdjectiveTarget(size_t index, uint32_t current, uint32_t sentenceStart, bool active) const
{
    const size_t n = items_.size();
    const bool prevTerm = index > 0 && IsTerm(items_[index - 1].cls);
    const size_t k = afterAdjectives_[index + 1];
    const bool nounAhead = k < n && items_[k].cls == ItemClass::Noun;

    // "A GROS GRAVIERS": an adjective that stands before a noun and after no
    // term of its own qualifies the noun that comes.
    if (!prevTerm && nounAhead) return kNoGroup;
    // Otherwise the nearest noun of the sentence it agrees with in number:
    // "ARGILE A GRAVIERS SABLEUSE" gives SABLEUSE to ARGILE. An adjective that
    // counts does not go to a noun that does not ("SANS ARGILE MAIS SABLEUX").
    if (current != kNoGroup && current >= sentenceStart) {
        const uint8_t number = AdjectiveNumber(items_[index].forms);
        const uint32_t stop = current >= sentenceStart + kAgreementReach ? current - kAgreementReach + 1 : sentenceStart;
        for (uint32_t g = current + 1; g-- > stop;)
            if ((groups_[g].number & number) && (!active || groups_[g].active)) return g;
    }
    if (nounAhead) return kNoGroup;
    if (current != kNoGroup && current >= sentenceStart && (!active || groups_[current].active)) return current;
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

    // Descriptions: adjectives that found no noun of their clause qualify
    // none; they make a group of their own ("passage graveleux", "sable; fin").
    auto ownGroup = [&] {
        if (rule || pendingAdjs.empty()) return;
        const auto g = static_cast<uint32_t>(groups_.size());
        uint8_t number = 0;
        bool active = false;
        for (uint32_t a : pendingAdjs) {
            adjs_[a].group = g;
            number |= AdjectiveNumber(items_[adjs_[a].item].forms);
            active = active || adjs_[a].active;
        }
        groups_.push_back({-1, adjs_[pendingAdjs.front()].item, number, active});
        pendingAdjs.clear();
        current = g;
    };

    for (size_t idx = 0; idx < n; ++idx) {
        const Item& item = items_[idx];
        switch (item.cls) {
        case ItemClass::Separator:
            ownGroup();
            inhibit = Inhibit::None;
            break;
        case ItemClass::Activator:
            inhibit = Inhibit::None;
            break;
        case ItemClass::StrongSeparator:
            ownGroup();
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
            const uint32_t target = AdjectiveTarget(idx, current, sentenceStart, active);
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
    } else {
        // Numbers left over at the end of a description go to its last noun.
        ownGroup();
        if (current != kNoGroup)
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

namespace {

enum : uint8_t {
    kCandidate = 1,  // active, names a lithology, not a site word
    kMinor = 2,      // a lens, a pocket, or what one holds
    kSite = 4,       // after SOUS
    kDominant = 8,
    kSeen = 16
};

// How far from DOMINANTE or DANS the lithology they speak of may stand.
constexpr uint32_t kRoleReach = 12;

bool IsSign(const Item& item, char sign)
{
    return item.cls == ItemClass::Separator && item.value == static_cast<unsigned char>(sign);
}

}  // namespace

void Analysis::RatioShares(uint32_t firstItem, uint32_t endItem)
{
    // "sable/argile (30/70)", "sables et graviers 40/60": numbers joined by
    // "/" that make 100 give their shares, in order, to the lithologies named
    // just before them. "0/20" is a grading, not shares.
    for (uint32_t i = firstItem; i < endItem; ++i) {
        if (items_[i].cls != ItemClass::Number) continue;
        uint32_t j = i;
        double sum = items_[i].value;
        uint32_t count = 1;
        while (j + 2 < endItem && IsSign(items_[j + 1], '/') && items_[j + 2].cls == ItemClass::Number) {
            j += 2;
            sum += items_[j].value;
            ++count;
        }
        if (count >= 2 && sum > 99 && sum < 101) {
            std::vector<uint32_t> before;
            for (uint32_t g = 0; g < groups_.size() && groups_[g].item < i; ++g)
                if ((groupFlags_[g] & kCandidate) && groups_[g].item >= firstItem) before.push_back(g);
            if (before.size() >= count) {
                for (uint32_t k = 0; k < count; ++k)
                    share_[before[before.size() - count + k]] = items_[i + 2 * k].value;
                return;
            }
        }
        i = j;
    }
}

void Analysis::Rank(const Vocabulary& vocabulary)
{
    // Which group is the main lithology, the way a geologist reads it: one
    // said to dominate; the head of "remblai : ..."; the largest share; the
    // Y of "X dans Y"; then the first lithology named, lenses and pockets
    // after the rest, what lies above the level ("sous enrobe") last.
    const auto count = static_cast<uint32_t>(groups_.size());
    if (count == 0) return;
    groupFlags_.assign(count, 0);
    share_.assign(count, -1);
    sentence_.assign(count, 0);

    for (uint32_t g = 0; g < count; ++g) {
        Group& group = groups_[g];
        group.litho = vocabulary.IsLithological(group.noun) ? group.noun : -1;
        for (uint32_t k = group.adjBegin; k < group.adjBegin + group.adjCount && group.litho < 0; ++k)
            if (adjs_[k].active) group.litho = vocabulary.AdjectiveNoun(adjs_[k].entry);
    }

    // Sentences, SOUS, lenses and what they hold.
    const auto n = static_cast<uint32_t>(items_.size());
    uint32_t sentence = 0;
    bool under = false;
    for (uint32_t i = 0; i < n; ++i) {
        const Item& item = items_[i];
        if (item.cls == ItemClass::StrongSeparator) {
            ++sentence;
            under = false;
            continue;
        }
        if (item.cls == ItemClass::Separator) under = false;
        if (item.role & kRoleUnder) under = true;
        const uint32_t g = itemGroup_[i];
        if (g == kNoGroup || groups_[g].item != i) continue;
        sentence_[g] = sentence;
        if (under) groupFlags_[g] |= kSite;
        if (groups_[g].noun >= 0 && (item.role & kRoleMinor)) groupFlags_[g] |= kMinor;
        uint32_t k = i;
        while (k > 0 && items_[k - 1].cls == ItemClass::Of) --k;
        if (k < i && k > 0 && items_[k - 1].cls == ItemClass::Noun && (items_[k - 1].role & kRoleMinor))
            groupFlags_[g] |= kMinor;
    }
    uint32_t first = kNoGroup;
    for (uint32_t g = 0; g < count; ++g) {
        if (groups_[g].active && groups_[g].litho >= 0 && !(groupFlags_[g] & kSite)) {
            groupFlags_[g] |= kCandidate;
            if (first == kNoGroup) first = g;
        }
    }
    auto candidate = [&](uint32_t g) { return g != kNoGroup && (groupFlags_[g] & kCandidate); };
    auto opens = [&](uint32_t i) {
        const uint32_t g = itemGroup_[i];
        return g != kNoGroup && groups_[g].item == i ? g : kNoGroup;
    };

    // "a dominante sableuse", "dominante argile", "argile dominante".
    for (uint32_t i = 0; i < n; ++i) {
        if (!(items_[i].role & kRoleDominant)) continue;
        uint32_t found = candidate(itemGroup_[i]) ? itemGroup_[i] : kNoGroup;
        for (uint32_t j = i + 1; found == kNoGroup && j < n && j <= i + kRoleReach && !IsSeparator(items_[j].cls); ++j)
            if (candidate(opens(j))) found = opens(j);
        for (uint32_t j = i; found == kNoGroup && j-- > 0 && j + kRoleReach >= i &&
                             items_[j].cls != ItemClass::StrongSeparator;)
            if (candidate(itemGroup_[j])) found = itemGroup_[j];
        if (found != kNoGroup) groupFlags_[found] |= kDominant;
    }

    auto push = [&](uint32_t g) {
        if (g == kNoGroup || (groupFlags_[g] & kSeen)) return;
        groupFlags_[g] |= kSeen;
        order_.push_back(g);
    };
    for (uint32_t g = 0; g < count; ++g)
        if (groupFlags_[g] & kDominant) push(g);

    if (first != kNoGroup) {
        // The sentence that names the first lithology decides; the ones after
        // it add details ("limon brun. Argile a la base").
        const uint32_t s0 = sentence_[first];
        uint32_t begin = 0, end = n;
        {
            uint32_t s = 0;
            for (uint32_t i = 0; i < n; ++i) {
                if (items_[i].cls != ItemClass::StrongSeparator) continue;
                ++s;
                if (s == s0) begin = i + 1;
                if (s == s0 + 1) {
                    end = i;
                    break;
                }
            }
        }

        // "remblai : graviers, limon": what follows the colon describes it.
        const uint32_t after = afterAdjectives_[groups_[first].item + 1];
        if (after < n && IsSign(items_[after], ':')) push(first);

        // Shares: percentages, the rest shared by the lithologies without one.
        // A lithology named again ("argile a meuliere, 40 % de meuliere")
        // gives its share to where it was named first.
        if (firstOfLitho_.size() < vocabulary.Nouns().size()) firstOfLitho_.resize(vocabulary.Nouns().size());
        std::vector<uint32_t>& pooled = pooled_;
        pooled.assign(count, kNoGroup);
        for (uint32_t g = first; g < count && sentence_[g] == s0; ++g)
            if (candidate(g)) firstOfLitho_[static_cast<size_t>(groups_[g].litho)] = kNoGroup;
        for (uint32_t g = first; g < count && sentence_[g] == s0; ++g) {
            if (!candidate(g)) continue;
            uint32_t& seen = firstOfLitho_[static_cast<size_t>(groups_[g].litho)];
            if (seen == kNoGroup) seen = g;
            pooled[g] = seen;
        }
        bool anyShare = false;
        double given = 0;
        uint32_t without = 0;
        for (uint32_t g = first; g < count && sentence_[g] == s0; ++g) {
            if (!candidate(g)) continue;
            // Two numbers of one group are a range ("20 a 40 %"): their mean counts.
            double sum = 0;
            uint32_t values = 0;
            for (uint32_t k = groups_[g].valueBegin; k < groups_[g].valueBegin + groups_[g].valueCount; ++k) {
                if (!values_[k].percent) continue;
                sum += values_[k].value;
                ++values;
            }
            if (values == 0) continue;
            const uint32_t to = pooled[g];
            share_[to] = (share_[to] < 0 ? 0 : share_[to]) + sum / values;
            given += sum / values;
            anyShare = true;
        }
        for (uint32_t g = first; g < count && sentence_[g] == s0; ++g)
            if (candidate(g) && pooled[g] == g && share_[g] < 0 && !(groupFlags_[g] & kMinor)) ++without;
        if (!anyShare) {
            RatioShares(begin, end);
            for (uint32_t g = first; g < count && sentence_[g] == s0; ++g) anyShare = anyShare || share_[g] >= 0;
        } else if (without > 0) {
            const double rest = given < 100 ? (100 - given) / without : 0;
            for (uint32_t g = first; g < count && sentence_[g] == s0; ++g)
                if (candidate(g) && pooled[g] == g && share_[g] < 0 && !(groupFlags_[g] & kMinor)) share_[g] = rest;
        }
        if (anyShare) {
            uint32_t best = kNoGroup;
            for (uint32_t g = first; g < count && sentence_[g] == s0; ++g)
                if (candidate(g) && share_[g] >= 0 && (best == kNoGroup || share_[g] > share_[best])) best = g;
            push(best);
        }

        // "poches de graviers dans une argile": X dans Y names Y, when X is a
        // lithology or a lens, and Y a lithology, not a lens.
        for (uint32_t i = begin; i < end; ++i) {
            if (!(items_[i].role & kRoleWithin)) continue;
            // "galets de quartz dans": the quartz tells what the cobbles are.
            auto lithoOrLens = [&](uint32_t g) { return candidate(g) || (groupFlags_[g] & kMinor); };
            bool left = false;
            for (uint32_t j = i; j-- > begin && j + kRoleReach >= i;) {
                const uint32_t g = itemGroup_[j];
                if (g == kNoGroup) continue;
                left = lithoOrLens(g);
                uint32_t k = groups_[g].item;
                while (!left && k > begin && items_[k - 1].cls == ItemClass::Of) {
                    --k;
                    left = k > begin && itemGroup_[k - 1] != kNoGroup && lithoOrLens(itemGroup_[k - 1]);
                }
                break;
            }
            if (!left) continue;
            // Y follows DANS through articles, DE, adjectives and nouns that
            // name no lithology ("dans une matrice d'argile"); any other word
            // ends the search ("dans laquelle", "dans sa partie basale").
            uint32_t target = kNoGroup;
            for (uint32_t j = i + 1; j < end && j <= i + kRoleReach && !IsSeparator(items_[j].cls); ++j) {
                const ItemClass c = items_[j].cls;
                if (c != ItemClass::Noun && c != ItemClass::Adjective && c != ItemClass::Of && c != ItemClass::Article)
                    break;
                const uint32_t g = opens(j);
                if (g == kNoGroup) continue;
                if (groupFlags_[g] & kMinor) break;
                if (candidate(g)) {
                    target = g;
                    break;
                }
            }
            if (target != kNoGroup) {
                push(target);
                break;
            }
        }
    }

    for (uint32_t g = 0; g < count; ++g)
        if (candidate(g) && !(groupFlags_[g] & kMinor)) push(g);
    for (uint32_t g = 0; g < count; ++g)
        if (candidate(g)) push(g);
    // Under SOUS: the nearest to the level first ("sous enrobe remblai").
    for (uint32_t g = count; g-- > 0;)
        if (groups_[g].active && groups_[g].litho >= 0) push(g);
    for (uint32_t g = 0; g < count; ++g)
        if (groups_[g].active) push(g);
}

}  // namespace codage
