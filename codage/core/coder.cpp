#include "core/coder.h"

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
    rules_.Finish();
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
            out.text = lexer_.Text(raw[item.firstToken + k]);
            tokens_.push_back(out);
        }
    }
    return tokens_;
}

}  // namespace codage
