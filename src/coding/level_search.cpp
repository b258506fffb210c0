#include "coding/level_search.h"

#include <algorithm>
#include <set>

#include "platform/base/text_codec.h"
#include "store/blocks.h"
#include "store/numbers.h"

namespace {

const char* const kDesign = "D\xC3\xA9sign";
const char* const kSelection = "S\xC3\xA9lection";

bool IsNotWord(std::string_view t)
{
    return t == "~" || t == "-" || t == "!" || t == "PAS" || t == "NON";
}
bool IsAndWord(std::string_view t) { return t == "&" || t == "&&" || t == "ET"; }
bool IsOrWord(std::string_view t) { return t == "+" || t == "|" || t == "||" || t == "OU"; }

// Digits, A-Z and the capitals of the Windows-1252 repertoire (É, À, Œ...):
// the characters a keyword is made of once the edit has upper-cased it.
bool IsKeywordChar(char32_t c)
{
    if ((c >= U'0' && c <= U'9') || (c >= U'A' && c <= U'Z')) return true;
    return c >= 0x80 && LowerChar(c) != c && UpperChar(c) == c;
}

char32_t FirstChar(std::string_view text)
{
    if (text.empty()) return 0;
    const std::u32string u = Utf8ToU32(Utf8Substr(text, 0, 1));
    return u.empty() ? 0 : u[0];
}

std::string Quoted(std::string_view t) { return "'" + std::string(t) + "'"; }

// The text of element r of a value column, as GetString gives it, without a
// copy for texts.
std::string_view ElementText(const TBlock& column, int r, std::string& scratch)
{
    if (column.BlockType() == btStringArray) {
        const auto& texts = static_cast<const TStrArrayBlock&>(column);
        return r >= 0 && r < texts.ItemCount() ? texts.Item(r) : std::string_view();
    }
    if (column.BlockType() == btString) return r == 0 ? std::string_view(static_cast<const TStrBlock&>(column).Value) : std::string_view();
    scratch = column.GetString(r);
    return scratch;
}

// The selection column grows level by level as matches are written: room for
// every level at once spares a reallocation at each.
void ReserveSelection(const TDirBlock& levels, int count)
{
    TBlock* column = levels.Child(levels.IndexOfName(kSelection));
    if (column && column->BlockType() == btIntArray) static_cast<TIntArrayBlock*>(column)->Items.reserve(static_cast<std::size_t>(count));
}

[[noreturn]] void Fail(const std::string& message) { throw EKeywordSyntax(message); }
[[noreturn]] void UnmatchedOpen() { Fail("Fin de parenth\xC3\xA8se ')' non trouv\xC3\xA9" "e"); }
[[noreturn]] void UnexpectedClose() { Fail("Fin de parenth\xC3\xA8se ')' non attendue"); }
[[noreturn]] void NotWithoutOperand() { Fail("Op\xC3\xA9rateur \"non\" sans op\xC3\xA9rande"); }
[[noreturn]] void WithoutOperand(std::string_view op)
{
    Fail("Op\xC3\xA9rateur " + Quoted(op) + " sans op\xC3\xA9rande");
}

// The ")" that closes the "(" at i, looked for up to `last`.
int MatchingClose(const TArrayOfToken& e, int i, int last)
{
    int nesting = 0;
    for (int k = i; k <= last; ++k) {
        const std::string& t = e[static_cast<std::size_t>(k)].Text;
        if (t == "(") ++nesting;
        else if (t == ")" && --nesting == 0) return k;
    }
    UnmatchedOpen();
}

bool MatchesKeyword(const TToken& word, const TArrayOfToken& keywords)
{
    const std::string& t = word.Text;
    // An operator word standing alone has no operand: "NON" or "ET" is not a
    // keyword to look for.
    if (IsNotWord(t)) NotWithoutOperand();
    if (KeywordOperatorRank(t) > 0) WithoutOperand(t);
    if (!IsKeywordChar(FirstChar(t))) Fail("Mot-cl\xC3\xA9 attendu mais " + Quoted(t) + " trouv\xC3\xA9");
    for (const TToken& k : keywords) {
        if (k.Text == t) return true;
        if (k.Kind == 1 && word.Kind == 1 && KeywordNounMatch(k.Text, t)) return true;
        if (k.Kind == 2 && word.Kind == 2 && KeywordAdjectiveMatch(k.Text, t)) return true;
    }
    return false;
}

bool Evaluate(const TArrayOfToken& e, const TArrayOfToken& k, int first, int last, int depth)
{
    if (depth > kKeywordMaxNesting) Fail("Expression trop imbriqu\xC3\xA9" "e");
    if (first > last) return false;
    if (first == last) return MatchesKeyword(e[static_cast<std::size_t>(first)], k);
    auto text = [&e](int i) -> const std::string& { return e[static_cast<std::size_t>(i)].Text; };

    // The left operand, after its NOT words.
    bool notLeft = false;
    int i = first;
    int m = first;
    for (;;) {
        if (text(i) == "(") {
            const int close = MatchingClose(e, i, last);
            if (close == last) return notLeft != Evaluate(e, k, i + 1, last - 1, depth + 1);
            m = close;
            break;
        }
        if (text(i) == ")") UnexpectedClose();
        if (IsNotWord(text(i))) {
            notLeft = !notLeft;
            if (++i > last) NotWithoutOperand();
            continue;
        }
        m = i;
        break;
    }
    bool left = notLeft != Evaluate(e, k, i, m, depth + 1);

    // Operators and right operands; an operand after an operand is an implicit
    // AND. A right operand takes in what follows it while the next operator
    // binds more strongly than this one (equal priorities bind to the left).
    for (;;) {
        if (m == last) return left;
        if (m > last) Fail("D\xC3\xA9passement de la fin de la chaine");
        const std::string& op = text(m + 1);
        if (op == ")") UnexpectedClose();
        int rank = KeywordOperatorRank(op);
        const bool implicitAnd = rank == 0;
        int s = m + 2;
        if (implicitAnd) {
            rank = 8;
            s = m + 1;
        }
        if (s > last) WithoutOperand(text(s - 1));

        const int operandStart = s;
        bool notRight = false;
        while (IsNotWord(text(s))) {
            notRight = !notRight;
            if (++s > last) NotWithoutOperand();
        }
        if (text(s) == ")") UnexpectedClose();
        int end = text(s) == "(" ? MatchingClose(e, s, last) : s;
        bool extended = false;
        while (end < last) {
            int next = KeywordOperatorRank(text(end + 1));
            const int nextStart = next == 0 ? end + 1 : end + 2;
            if (next == 0) next = 8;
            if (next <= rank) break;
            extended = true;
            int t = nextStart;
            while (t <= last && IsNotWord(text(t))) ++t;
            if (t > last) {
                end = last;  // the sub-expression reports the missing operand
                break;
            }
            end = text(t) == "(" ? MatchingClose(e, t, last) : t;
        }
        // A NOT binds to its own operand only: when the operand took in a
        // stronger operator, its NOT words are evaluated inside that range.
        const bool right = extended ? Evaluate(e, k, operandStart, end, depth + 1)
                                    : notRight != Evaluate(e, k, s, end, depth + 1);

        if (implicitAnd || IsAndWord(op)) left = left && right;
        else if (IsNotWord(op)) left = left && !right;
        else if (IsOrWord(op)) left = left || right;
        else Fail("Op\xC3\xA9rateur inconnu " + Quoted(op));
        m = end;
    }
}

}  // namespace

int KeywordOperatorRank(std::string_view token)
{
    if (IsNotWord(token)) return 10;
    if (IsAndWord(token)) return 8;
    if (IsOrWord(token)) return 6;
    return 0;
}

namespace {

// The capital without its accent of a letter of the Windows-1252 repertoire
// ("é" and "É" give "E", "œ" gives "OE"); an empty text for anything else.
std::string_view FoldedLetter(char32_t c)
{
    static constexpr std::string_view kLatin1[64] = {
        "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
        "D", "N", "O", "O", "O", "O", "O", "",  "O", "U", "U", "U", "U", "Y", "TH", "SS",
        "A", "A", "A", "A", "A", "A", "AE", "C", "E", "E", "E", "E", "I", "I", "I", "I",
        "D", "N", "O", "O", "O", "O", "O", "",  "O", "U", "U", "U", "U", "Y", "TH", "Y"};
    static constexpr std::string_view kAscii[26] = {"A", "B", "C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M",
                                                    "N", "O", "P", "Q", "R", "S", "T", "U", "V", "W", "X", "Y", "Z"};
    if (c >= U'A' && c <= U'Z') return kAscii[c - U'A'];
    if (c >= U'a' && c <= U'z') return kAscii[c - U'a'];
    if (c >= 0xC0 && c <= 0xFF) return kLatin1[c - 0xC0];
    switch (c) {
    case 0x152: case 0x153: return "OE";
    case 0x160: case 0x161: return "S";
    case 0x17D: case 0x17E: return "Z";
    case 0x178: return "Y";
    default: return {};
    }
}

bool IsDigit(char32_t c) { return c >= U'0' && c <= U'9'; }
bool IsWordChar(char32_t c) { return IsDigit(c) || !FoldedLetter(c).empty(); }
bool IsApostrophe(char32_t c) { return c == U'\'' || c == 0x2019; }

}  // namespace

TArrayOfToken KeywordTokenize(std::string_view text)
{
    TArrayOfToken tokens;
    const std::u32string chars = Utf8ToU32(Trim(text));
    auto push = [&tokens](std::string text) {
        if (tokens.size() == tokens.capacity()) tokens.reserve(tokens.size() + 8);
        TToken t;
        t.Text = std::move(text);
        tokens.push_back(std::move(t));
    };
    std::size_t i = 0;
    while (i < chars.size()) {
        const char32_t c = chars[i];
        if (c <= 0x20) {
            ++i;
        } else if (IsWordChar(c)) {
            // A word or a number, read as the coding library reads them: in
            // capitals without accents, a decimal separator kept between
            // digits ("2,8"), an elided article keeping its apostrophe.
            std::string word;
            while (i < chars.size()) {
                const char32_t d = chars[i];
                if (IsDigit(d)) {
                    word += static_cast<char>(d);
                } else if (const std::string_view f = FoldedLetter(d); !f.empty()) {
                    word += f;
                } else if ((d == U',' || d == U'.') && IsDigit(chars[i - 1]) && i + 1 < chars.size() &&
                           IsDigit(chars[i + 1])) {
                    word += static_cast<char>(d);
                } else {
                    break;
                }
                ++i;
            }
            if (i < chars.size() && IsApostrophe(chars[i])) {
                word += '\'';
                ++i;
            }
            push(std::move(word));
            // A hyphen between two words only splits them ("gris-vert").
            if (i + 1 < chars.size() && chars[i] == U'-' && IsWordChar(chars[i + 1])) ++i;
        } else {
            std::size_t j = i + 1;
            // "&&" and "||" are operator words of their own, as the coding
            // library's tokens give them.
            if ((c == U'&' || c == U'|') && j < chars.size() && chars[j] == c) ++j;
            push(U32ToUtf8(std::u32string_view(chars).substr(i, j - i)));
            i = j;
        }
    }
    return tokens;
}

TArrayOfToken KeywordTokens(std::string_view text)
{
    if (CodageDLL().TokenizeBound()) return CodageDLL().Tokenize(text);
    return KeywordTokenize(text);
}

bool KeywordNounMatch(std::string_view a, std::string_view b)
{
    const std::vector<TNomEntry>* list = CodageDLL().AddrListeNoms();
    if (!list) return a == b;
    for (const TNomEntry& n : *list)
        if ((n.Singulier == a || n.Pluriel == a) && (n.Singulier == b || n.Pluriel == b)) return true;
    return false;
}

bool KeywordAdjectiveMatch(std::string_view a, std::string_view b)
{
    const std::vector<TAdjEntry>* list = CodageDLL().AddrListeAdjs();
    if (!list) return a == b;
    for (const TAdjEntry& j : *list) {
        auto holds = [&j](std::string_view x) { return j.MascSg == x || j.MascPl == x || j.FemSg == x || j.FemPl == x; };
        if (holds(a) && holds(b)) return true;
    }
    return false;
}

bool KeywordEvaluate(const TArrayOfToken& expression, const TArrayOfToken& keywords, int first, int last)
{
    first = std::max(first, 0);
    last = std::min(last, static_cast<int>(expression.size()) - 1);
    return Evaluate(expression, keywords, first, last, 0);
}

// ---- criteria and search ---------------------------------------------------

LevelSearchCriteria ReadLevelSearchCriteria(std::string_view expression, std::string_view from,
                                            std::string_view to, bool strict)
{
    LevelSearchCriteria c;
    c.Tokens = KeywordTokens(expression);
    c.From = StrToFloatVal(from);
    bool valid = LastValError == 0;
    c.To = StrToFloatVal(to);
    valid = valid && LastValError == 0;
    c.DepthValid = valid;
    c.Strict = strict;
    return c;
}

bool LevelSearchCanRun(const LevelSearchCriteria& criteria)
{
    return !criteria.Tokens.empty() || criteria.DepthValid;
}

bool LevelDepthMatches(const LevelSearchCriteria& c, double deb, double fin)
{
    const bool noDeb = IsMissingFloat(deb) || deb != deb;
    const bool noFin = IsMissingFloat(fin) || fin != fin;
    if (noDeb && noFin) return false;
    if (noDeb) deb = fin;
    if (noFin) fin = deb;
    const bool overlap = (deb >= c.From && fin <= c.To) || (fin >= c.From && deb <= c.To);
    if (!c.Strict) return overlap;
    return overlap && deb != c.From && deb != c.To && fin != c.From && fin != c.To;
}

LevelSearchResult RunLevelSearch(TDirBlock& root, const std::vector<LevelSearchRow>& rows,
                                 const LevelSearchCriteria& criteria, LevelAction action)
{
    LevelSearchResult result;
    if (!LevelSearchCanRun(criteria)) return result;
    const int last = static_cast<int>(criteria.Tokens.size()) - 1;
    const bool libraryTokens = CodageDLL().TokenizeBound();
    std::set<std::string> wholeBoreholesDone;
    // Level after level the same buffers: in the heap of a large collection
    // every fresh allocation costs more, and the search would slow down as
    // the collection grows.
    TArrayOfToken keywords;
    keywords.reserve(64);
    std::string scratch;
    for (std::size_t ri = 0; ri < rows.size(); ++ri) {
        const LevelSearchRow& row = rows[ri];
        if (row.Indice.empty()) continue;
        TDirBlock* levels = root.FindDir(row.Indice + "\\Niveau");
        if (!levels) continue;
        const bool hasDesign = levels->IndexOfName(kDesign) >= 0;
        if (!hasDesign && !wholeBoreholesDone.insert(row.Indice).second) continue;
        bool rowMatched = false;
        const int count = levels->RowCount();
        for (int r = 0; r < count; ++r) {
            if (hasDesign && levels->GetPathString(kDesign, r) != row.Design) continue;
            if (criteria.DepthValid &&
                !LevelDepthMatches(criteria, levels->GetPathFloat("Deb", r), levels->GetPathFloat("Fin", r)))
                continue;
            keywords.clear();
            for (int c = 0; c < levels->ItemCount(); ++c) {
                const TBlock* column = levels->Child(c);
                if (!column || !column->IsValue() || column->Name == kDesign || column->Name == kSelection) continue;
                const std::string_view value = ElementText(*column, r, scratch);
                if (value.empty()) continue;
                TArrayOfToken words = libraryTokens ? CodageDLL().Tokenize(value) : KeywordTokenize(value);
                for (TToken& t : words) keywords.push_back(std::move(t));
            }
            // Without words, the depth range alone chooses the levels.
            if (last >= 0 && !KeywordEvaluate(criteria.Tokens, keywords, 0, last)) continue;
            std::int32_t value = 1;
            if (action == LevelAction::Deselect) value = 0;
            else if (action == LevelAction::Invert) {
                const TBlock* current = levels->FindBlock(kSelection);
                const std::int32_t v = current ? current->GetInt(r) : MissingInt;
                value = (v == 0 || IsMissingInt(v)) ? 1 : 0;
            }
            levels->SetPathInt(kSelection, r, btInt, value);
            ReserveSelection(*levels, count);
            ++result.MatchedLevels;
            rowMatched = true;
        }
        if (rowMatched) result.MatchedRows.push_back(static_cast<int>(ri));
    }
    return result;
}
