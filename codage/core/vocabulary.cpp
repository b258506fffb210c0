#include "core/vocabulary.h"

#include <algorithm>

#include "platform/base/safe_files.h"

namespace codage {

namespace {

std::string_view TrimSpaces(std::string_view s)
{
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

}  // namespace

std::vector<std::string> SplitCsvLine(std::string_view line)
{
    std::vector<std::string> fields;
    size_t i = 0;
    for (;;) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        std::string field;
        if (i < line.size() && line[i] == '"') {
            ++i;
            for (; i < line.size(); ++i) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field.push_back('"');
                        ++i;
                    } else {
                        ++i;
                        break;
                    }
                } else {
                    field.push_back(line[i]);
                }
            }
            // Whatever follows the closing quote up to the next ";" is kept too.
            const size_t end = std::min(line.find(';', i), line.size());
            field.append(TrimSpaces(line.substr(i, end - i)));
            i = end;
        } else {
            const size_t end = std::min(line.find(';', i), line.size());
            field.assign(TrimSpaces(line.substr(i, end - i)));
            i = end;
        }
        fields.push_back(std::move(field));
        if (i >= line.size()) break;
        ++i;  // the ";"
    }
    return fields;
}

std::vector<std::vector<std::string>> ReadCsvFile(const std::filesystem::path& file, size_t fields, size_t maxBytes)
{
    std::vector<std::vector<std::string>> records;
    // The program's bounded reader: a pipe, a device or a folder in place of
    // a word list gives an empty list, never a hang.
    std::string bytes;
    if (!ReadFileBytes(file, bytes, maxBytes)) return records;
    const std::string text = ToUtf8(bytes);

    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string_view line = std::string_view(text).substr(pos, end - pos);
        pos = end;
        if (pos < text.size() && text[pos] == '\r') ++pos;
        if (pos < text.size() && text[pos] == '\n') ++pos;
        if (TrimSpaces(line).empty()) continue;
        auto f = SplitCsvLine(line);
        if (f.size() > fields) f.resize(fields);
        f.resize(fields);
        records.push_back(std::move(f));
    }
    return records;
}

size_t Vocabulary::Hash::operator()(std::string_view s) const noexcept
{
    // FNV-1a: words are short and this runs for every word of every description.
    uint64_t h = 1469598103934665603ull;
    for (unsigned char c : s) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

void Vocabulary::Clear()
{
    ids_.clear();
    words_.clear();
    phrases_.clear();
    nouns_.clear();
    adjectives_.clear();
    lithoNouns_.clear();
    adjNouns_.clear();
    forms_.clear();
    for (const char* w : {"DE", "D'", "DES", "DU", "D"}) words_[Intern(w)].info.function = Function::Of;
    for (const char* w : {"A", "AU"}) words_[Intern(w)].info.function = Function::Range;
    for (const char* w : {"UN", "UNE", "LE", "LA", "LES", "L'", "L"}) words_[Intern(w)].info.function = Function::Article;
    // The words by which geologists say which lithology leads. They keep
    // whatever class the word lists give them besides.
    for (const char* w : {"DANS", "SEIN"}) words_[Intern(w)].info.role |= kRoleWithin;
    for (const char* w : {"DOMINANTE", "DOMINANTES", "DOMINANT", "DOMINANTS", "PREDOMINANCE", "PREPONDERANCE",
                          "MAJORITAIREMENT"})
        words_[Intern(w)].info.role |= kRoleDominant;
    for (const char* w : {"PASSEE", "PASSEES", "LENTILLE", "LENTILLES", "POCHE", "POCHES", "INCLUSION", "INCLUSIONS",
                          "INTERCALATION", "INTERCALATIONS", "LIT", "LITS", "FILET", "FILETS", "VEINE", "VEINES",
                          "FILON", "FILONS", "NODULE", "NODULES", "ROGNON", "ROGNONS", "FRAGMENT", "FRAGMENTS",
                          "DEBRIS", "ELEMENT", "ELEMENTS", "ENCLAVE", "ENCLAVES", "TRACE", "TRACES"})
        words_[Intern(w)].info.role |= kRoleMinor;
    words_[Intern("SOUS")].info.role |= kRoleUnder;
}

void Vocabulary::SetLithology(std::vector<uint8_t> lithologicalNouns, std::vector<int32_t> adjectiveNouns)
{
    lithoNouns_ = std::move(lithologicalNouns);
    adjNouns_ = std::move(adjectiveNouns);
    forms_.clear();
    auto add = [&](const std::string& text, int32_t entry, bool adjective) {
        if (text.empty() || text.find(' ') != std::string::npos) return;
        const int32_t id = WordId(text);
        if (id >= 0) forms_.push_back({text, static_cast<uint32_t>(id), entry, adjective});
    };
    for (size_t n = 0; n < nouns_.size(); ++n) add(nouns_[n][0], static_cast<int32_t>(n), false);
    for (size_t a = 0; a < adjectives_.size(); ++a) add(adjectives_[a][0], static_cast<int32_t>(a), true);
    std::stable_sort(forms_.begin(), forms_.end(), [](const Form& a, const Form& b) { return a.text < b.text; });
}

int32_t Vocabulary::Abbreviation(std::string_view prefix, bool adjective) const
{
    int32_t best = -1;
    bool bestLitho = false;
    size_t bestSize = 0;
    int32_t bestEntry = 0;
    auto it = std::lower_bound(forms_.begin(), forms_.end(), prefix,
                               [](const Form& f, std::string_view p) { return std::string_view(f.text) < p; });
    for (; it != forms_.end() && std::string_view(it->text).substr(0, prefix.size()) == prefix; ++it) {
        if (it->adjective != adjective) continue;
        const bool litho = adjective ? AdjectiveNoun(it->entry) >= 0 : IsLithological(it->entry);
        const bool better = best < 0 || (litho && !bestLitho) ||
                            (litho == bestLitho && (it->text.size() < bestSize ||
                                                    (it->text.size() == bestSize && it->entry < bestEntry)));
        if (!better) continue;
        best = static_cast<int32_t>(it->word);
        bestLitho = litho;
        bestSize = it->text.size();
        bestEntry = it->entry;
    }
    return best;
}

uint32_t Vocabulary::Intern(std::string_view word)
{
    const auto it = ids_.find(word);
    if (it != ids_.end()) return it->second;
    const auto id = static_cast<uint32_t>(words_.size());
    ids_.emplace(std::string(word), id);
    words_.emplace_back();
    return id;
}

int32_t Vocabulary::WordId(std::string_view word) const
{
    const auto it = ids_.find(word);
    return it == ids_.end() ? -1 : static_cast<int32_t>(it->second);
}

Vocabulary::InfoRef Vocabulary::InfoOf(std::string_view form, std::string& normalised)
{
    lexer_.Run(form);
    const auto& tokens = lexer_.Tokens();
    normalised.clear();
    if (tokens.empty()) return {};
    std::vector<std::string> parts;
    for (const RawToken& t : tokens) {
        if (t.kind != RawKind::Word) return {};
        parts.emplace_back(lexer_.Text(t));
    }
    for (const auto& p : parts) {
        if (!normalised.empty()) normalised.push_back(' ');
        normalised += p;
    }
    std::vector<uint32_t> ids;
    for (const auto& p : parts) ids.push_back(Intern(p));
    if (ids.size() == 1) return {true, false, ids[0]};

    for (uint32_t index : words_[ids[0]].phrases)
        if (phrases_[index].words == ids) return {true, true, index};
    const auto index = static_cast<uint32_t>(phrases_.size());
    phrases_.push_back({ids, {}});
    auto& list = words_[ids[0]].phrases;
    list.push_back(index);
    std::stable_sort(list.begin(), list.end(),
                     [&](uint32_t a, uint32_t b) { return phrases_[a].words.size() > phrases_[b].words.size(); });
    return {true, true, index};
}

void Vocabulary::AddNoun(const std::vector<std::string>& forms)
{
    std::array<std::string, 2> shown;
    std::array<InfoRef, 2> infos{};
    bool any = false;
    for (size_t f = 0; f < 2 && f < forms.size(); ++f) {
        infos[f] = InfoOf(forms[f], shown[f]);
        any = any || infos[f].valid;
    }
    if (!any) return;
    const auto entry = static_cast<int32_t>(nouns_.size());
    nouns_.push_back(shown);
    // A form that another noun already holds stays with the first one.
    for (size_t f = 0; f < 2; ++f) {
        if (!infos[f].valid) continue;
        LexInfo& info = Resolve(infos[f]);
        if (info.noun == -1) info.noun = entry;
        if (info.noun == entry) info.nounForms |= static_cast<uint8_t>(1u << f);
    }
}

void Vocabulary::AddAdjective(const std::vector<std::string>& forms)
{
    std::array<std::string, 4> shown;
    std::array<InfoRef, 4> infos{};
    bool any = false;
    for (size_t f = 0; f < 4 && f < forms.size(); ++f) {
        infos[f] = InfoOf(forms[f], shown[f]);
        any = any || infos[f].valid;
    }
    if (!any) return;
    const auto entry = static_cast<int32_t>(adjectives_.size());
    adjectives_.push_back(shown);
    for (size_t f = 0; f < 4; ++f) {
        if (!infos[f].valid) continue;
        LexInfo& info = Resolve(infos[f]);
        if (info.adjective == -1) info.adjective = entry;
        if (info.adjective == entry) info.adjForms |= static_cast<uint8_t>(1u << f);
    }
}

void Vocabulary::AddInhibitor(std::string_view word)
{
    std::string shown;
    const InfoRef ref = InfoOf(word, shown);
    if (ref.valid) Resolve(ref).inhibitor = true;
}

void Vocabulary::AddActivator(std::string_view word)
{
    std::string shown;
    const InfoRef ref = InfoOf(word, shown);
    if (ref.valid) Resolve(ref).activator = true;
}

}  // namespace codage
