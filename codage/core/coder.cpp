#include "core/coder.h"

#include <unordered_map>

#include "codage.h"

namespace codage {

void Coder::Clear()
{
    vocabulary_.Clear();
    rules_.Clear();
    ruleLines_ = 0;
}

void Coder::Load(const std::filesystem::path& folder)
{
    Clear();
    for (const auto& r : ReadCsvFile(folder / "Noms.csv", 2)) vocabulary_.AddNoun(r);
    for (const auto& r : ReadCsvFile(folder / "Adjectifs.csv", 4)) vocabulary_.AddAdjective(r);
    for (const auto& r : ReadCsvFile(folder / "Inhibiteurs.csv", 1)) vocabulary_.AddInhibitor(r[0]);
    for (const auto& r : ReadCsvFile(folder / "Activateurs.csv", 1)) vocabulary_.AddActivator(r[0]);
    // The third field (the pattern) is the editor's; the coder needs two.
    for (auto& r : ReadCsvFile(folder / "Descriptions.csv", 2)) AddRule(r[0], std::move(r[1]));
    FinishRules();
}

void Coder::FinishRules()
{
    rules_.Finish();
    // A noun that heads a rule names a lithology. An adjective that makes a
    // rule on its own ("SABLEUX;SAB1107") names the lithology of the first
    // one-noun rule with the same code (SABLE); an adjective spelled as a
    // noun that names a lithology (CALCAIRE) names that one.
    const size_t nouns = vocabulary_.Nouns().size();
    const size_t adjectives = vocabulary_.Adjectives().size();
    std::vector<uint8_t> litho(nouns, 0);
    std::vector<int32_t> adjNoun(adjectives, -1);
    std::unordered_map<std::string_view, int32_t> nounOfCode;
    for (const Rule& rule : rules_.Rules()) {
        const RuleGroup& head = rules_.GroupOf(rule, 0);
        if (head.noun >= 0 && static_cast<size_t>(head.noun) < nouns) litho[static_cast<size_t>(head.noun)] = 1;
        if (rule.groupCount == 1 && head.noun >= 0 && head.adjCount == 0 && head.condCount == 0)
            nounOfCode.emplace(rule.code, head.noun);
    }
    for (const Rule& rule : rules_.Rules()) {
        const RuleGroup& head = rules_.GroupOf(rule, 0);
        if (rule.groupCount != 1 || head.noun >= 0 || head.adjCount != 1 || head.condCount != 0) continue;
        const int32_t adjective = rules_.AdjectiveOf(head, 0);
        const auto it = nounOfCode.find(rule.code);
        if (it != nounOfCode.end() && adjective >= 0 && static_cast<size_t>(adjective) < adjectives &&
            adjNoun[static_cast<size_t>(adjective)] < 0)
            adjNoun[static_cast<size_t>(adjective)] = it->second;
    }
    for (size_t a = 0; a < adjectives; ++a) {
        if (adjNoun[a] >= 0) continue;
        const int32_t id = vocabulary_.WordId(vocabulary_.Adjectives()[a][0]);
        if (id < 0) continue;
        const int32_t noun = vocabulary_.Info(static_cast<uint32_t>(id)).noun;
        if (noun >= 0 && static_cast<size_t>(noun) < nouns && litho[static_cast<size_t>(noun)]) adjNoun[a] = noun;
    }
    vocabulary_.SetLithology(std::move(litho), std::move(adjNoun));
}

void Coder::AddRule(std::string_view description, std::string code)
{
    // A rule describes one rock in a few words; a line far longer than that
    // comes from a damaged file and would slow every coding down.
    ++ruleLines_;
    if (description.size() > kMaxRuleBytes) return;
    lexer_.Run(description);
    analysis_.Run(lexer_, vocabulary_, true);
    rules_.Add(analysis_, std::move(code), ruleLines_ - 1);
}

std::string_view Coder::Code(std::string_view text)
{
    lexer_.Run(text);
    analysis_.Run(lexer_, vocabulary_, false);
    const Rule* rule = rules_.Best(analysis_, vocabulary_.Nouns().size());
    return rule == nullptr ? std::string_view() : std::string_view(rule->code);
}

const std::vector<OutToken>& Coder::Tokenize(std::string_view text)
{
    lexer_.Run(text);
    analysis_.Run(lexer_, vocabulary_, false);
    tokens_.clear();
    const auto& raw = lexer_.Tokens();
    const auto& items = analysis_.Items();
    const auto& groups = analysis_.ItemGroups();
    const auto& active = analysis_.ItemActive();
    for (size_t i = 0; i < items.size(); ++i) {
        const Item& item = items[i];
        OutToken out{CODAGE_KIND_OTHER, {}, -1, 0, 0, 0, active[i]};
        switch (item.cls) {
        case ItemClass::Noun: out.kind = CODAGE_KIND_NOUN; break;
        case ItemClass::Adjective: out.kind = CODAGE_KIND_ADJECTIVE; break;
        case ItemClass::Number: out.flags = CODAGE_FLAG_NUMBER; break;
        case ItemClass::Percent: out.flags = CODAGE_FLAG_PERCENT; break;
        case ItemClass::Inhibitor: out.flags = CODAGE_FLAG_INHIBITOR; break;
        case ItemClass::Activator: out.flags = CODAGE_FLAG_ACTIVATOR; break;
        case ItemClass::Separator:
        case ItemClass::StrongSeparator: out.flags = CODAGE_FLAG_SEPARATOR; break;
        default: break;
        }
        if (out.kind != CODAGE_KIND_OTHER) {
            out.entry = item.entry;
            for (uint8_t f = 0; f < 4; ++f)
                if (item.forms & (1u << f)) {
                    out.form = f;
                    break;
                }
        }
        if (groups[i] != kNoGroup) out.group = static_cast<int32_t>(groups[i]) + 1;
        for (uint32_t k = 0; k < item.tokenCount; ++k) {
            const RawToken& token = raw[item.firstToken + k];
            out.text = lexer_.Text(token);
            if (token.kind == RawKind::Sign) {
                // The period of an abbreviation ("arg.") is no word.
                OutToken sign{CODAGE_KIND_OTHER, out.text, -1, 0, 0, 0, 0};
                tokens_.push_back(sign);
                continue;
            }
            tokens_.push_back(out);
        }
    }
    return tokens_;
}

}  // namespace codage
