#include "platform/sql_tokens.h"

#include <algorithm>
#include <array>

namespace {

bool IsBlank(unsigned char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f'; }
bool IsNameStart(unsigned char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c >= 0x80; }
bool IsNameChar(unsigned char c) { return IsNameStart(c) || (c >= '0' && c <= '9') || c == '$'; }
bool IsDigit(unsigned char c) { return c >= '0' && c <= '9'; }
bool IsOperatorChar(unsigned char c)
{
    return c != 0 && std::string_view("+-*/<>=~!@#%^&|`?").find(static_cast<char>(c)) != std::string_view::npos;
}
bool IsPunct(unsigned char c) { return c != 0 && std::string_view("()[],;.:").find(static_cast<char>(c)) != std::string_view::npos; }

std::string Upper(std::string_view s)
{
    std::string r(s);
    for (char& c : r)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return r;
}

// The end of a run quoted by `quote` that opens at `i`; a doubled quote stays
// inside, and with `escapes` a backslash takes the next character with it.
std::size_t QuotedEnd(std::string_view s, std::size_t i, char quote, bool escapes, bool& closed)
{
    for (std::size_t j = i + 1; j < s.size(); ++j) {
        if (escapes && s[j] == '\\') {
            ++j;
            continue;
        }
        if (s[j] != quote) continue;
        if (j + 1 < s.size() && s[j + 1] == quote) {
            ++j;
            continue;
        }
        closed = true;
        return j + 1;
    }
    closed = false;
    return s.size();
}

}  // namespace

std::size_t SqlOperatorLength(std::string_view s)
{
    std::size_t n = 0;
    while (n < s.size() && IsOperatorChar(static_cast<unsigned char>(s[n]))) {
        if (n > 0 && (s.substr(n, 2) == "--" || s.substr(n, 2) == "/*")) break;
        ++n;
    }
    if (n > 1 && (s[n - 1] == '+' || s[n - 1] == '-') &&
        s.substr(0, n).find_first_of("~!@#%^&|`?") == std::string_view::npos) {
        do --n;
        while (n > 1 && (s[n - 1] == '+' || s[n - 1] == '-'));
    }
    return n;
}

std::vector<SqlToken> SqlTokens(std::string_view s)
{
    std::vector<SqlToken> out;
    const std::size_t n = s.size();
    for (std::size_t i = 0; i < n;) {
        const auto c = static_cast<unsigned char>(s[i]);
        const unsigned char next = i + 1 < n ? static_cast<unsigned char>(s[i + 1]) : 0;
        SqlToken t{SqlToken::Kind::Other, i, i + 1};
        if (IsBlank(c)) {
            ++i;
            continue;
        }
        if (c == '-' && next == '-') {
            const std::size_t eol = s.find('\n', i);
            t = {SqlToken::Kind::Comment, i, eol == std::string_view::npos ? n : eol};
        } else if (c == '/' && next == '*') {
            // Block comments nest, as the server reads them.
            int depth = 0;
            std::size_t j = i;
            t.closed = false;
            while (j < n) {
                if (s.substr(j, 2) == "/*") {
                    ++depth;
                    j += 2;
                } else if (s.substr(j, 2) == "*/") {
                    j += 2;
                    if (--depth == 0) {
                        t.closed = true;
                        break;
                    }
                } else {
                    ++j;
                }
            }
            t = {SqlToken::Kind::Comment, i, j, t.closed};
        } else if ((c == 'E' || c == 'e') && next == '\'' && (i == 0 || !IsNameChar(static_cast<unsigned char>(s[i - 1])))) {
            bool closed = false;
            const std::size_t e = QuotedEnd(s, i + 1, '\'', true, closed);
            t = {SqlToken::Kind::EscapeText, i, e, closed};
        } else if (IsNameStart(c)) {
            std::size_t j = i + 1;
            while (j < n && IsNameChar(static_cast<unsigned char>(s[j]))) ++j;
            t = {SqlToken::Kind::Name, i, j};
        } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
            std::size_t j = i;
            while (j < n && IsDigit(static_cast<unsigned char>(s[j]))) ++j;
            if (j < n && s[j] == '.' && !(j + 1 < n && s[j + 1] == '.')) {
                ++j;
                while (j < n && IsDigit(static_cast<unsigned char>(s[j]))) ++j;
            }
            if (j < n && (s[j] == 'e' || s[j] == 'E')) {
                std::size_t k = j + 1;
                if (k < n && (s[k] == '+' || s[k] == '-')) ++k;
                if (k < n && IsDigit(static_cast<unsigned char>(s[k]))) {
                    j = k;
                    while (j < n && IsDigit(static_cast<unsigned char>(s[j]))) ++j;
                }
            }
            t = {SqlToken::Kind::Number, i, j};
        } else if (c == '\'' || c == '"') {
            bool closed = false;
            const std::size_t e = QuotedEnd(s, i, static_cast<char>(c), false, closed);
            t = {c == '"' ? SqlToken::Kind::QuotedName : SqlToken::Kind::Text, i, e, closed};
        } else if (c == '$' && IsDigit(next)) {
            std::size_t j = i + 1;
            while (j < n && IsDigit(static_cast<unsigned char>(s[j]))) ++j;
            t = {SqlToken::Kind::Parameter, i, j};
        } else if (c == '$') {
            // $$ or $tag$ opens a text that runs to the same mark.
            std::size_t j = i + 1;
            if (j < n && IsNameStart(static_cast<unsigned char>(s[j])))
                while (j < n && IsNameChar(static_cast<unsigned char>(s[j])) && s[j] != '$') ++j;
            if (j < n && s[j] == '$') {
                const std::string_view tag = s.substr(i, j - i + 1);
                const std::size_t close = s.find(tag, j + 1);
                t = {SqlToken::Kind::DollarText, i, close == std::string_view::npos ? n : close + tag.size(),
                     close != std::string_view::npos};
            }
        } else if (IsPunct(c)) {
            t.kind = SqlToken::Kind::Punct;
        } else if (IsOperatorChar(c)) {
            t = {SqlToken::Kind::Operator, i, i + SqlOperatorLength(s.substr(i))};
        }
        out.push_back(t);
        i = t.end;
    }
    return out;
}

bool IsSqlPunct(std::string_view sql, const SqlToken& token, char c)
{
    return token.kind == SqlToken::Kind::Punct && sql[token.begin] == c;
}

std::string SqlNameKey(std::string_view sql, const SqlToken& token)
{
    const std::string_view text = token.In(sql);
    std::string key;
    if (token.kind == SqlToken::Kind::QuotedName) {
        const std::size_t inner = text.size() >= 2 && token.closed ? text.size() - 2 : text.size() - 1;
        for (std::size_t i = 1; i < 1 + inner; ++i) {
            key += text[i];
            if (text[i] == '"' && i + 1 < 1 + inner && text[i + 1] == '"') ++i;
        }
        return key;
    }
    for (char c : text) key += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    return key;
}

// ---- Relations and dotted names of a query text ------------------------------

namespace {

constexpr std::array<std::string_view, 15> kClauseEnds = {"WHERE", "GROUP", "ORDER",  "LIMIT",     "OFFSET",
                                                          "FETCH", "FOR",   "HAVING", "WINDOW",    "UNION",
                                                          "INTERSECT", "EXCEPT", "SELECT", "RETURNING", "ON"};
// Words that may follow a FROM item and are not its alias.
constexpr std::array<std::string_view, 23> kNotAliases = {
    "JOIN",  "INNER", "LEFT",   "RIGHT", "FULL",  "CROSS",  "NATURAL",   "ON",        "USING",     "WHERE",     "GROUP", "ORDER",
    "LIMIT", "OFFSET", "FETCH", "FOR",   "HAVING", "WINDOW", "UNION", "INTERSECT", "EXCEPT", "RETURNING", "TABLESAMPLE"};
constexpr std::array<std::string_view, 4> kSubQueryWords = {"SELECT", "WITH", "VALUES", "TABLE"};

template <std::size_t N>
bool In(const std::array<std::string_view, N>& list, const std::string& word)
{
    return std::find(list.begin(), list.end(), word) != list.end();
}

class TextReader {
public:
    explicit TextReader(std::string_view sql) : sql_(sql)
    {
        for (const SqlToken& t : SqlTokens(sql))
            if (t.kind != SqlToken::Kind::Comment) t_.push_back(t);
    }

    SqlTextReading Read()
    {
        CollectWithNames();
        std::vector<Context> stack{{true}};
        for (std::size_t k = 0; k < t_.size(); ++k) {
            Context& ctx = stack.back();
            const std::string w = Word(k);
            if (ctx.expectTable) {
                ctx.expectTable = false;
                if (w == "ONLY" || w == "LATERAL") {
                    ctx.expectTable = true;
                    continue;
                }
                if (Mark(k, '(')) {
                    // A sub-query, or a parenthesised list of joined tables.
                    const bool query = In(kSubQueryWords, Word(k + 1));
                    stack.push_back({true, !query, !query});
                    continue;
                }
                if (IsName(k)) {
                    k = Relation(k) - 1;
                    continue;
                }
            }
            if (Mark(k, '(')) {
                stack.push_back({In(kSubQueryWords, Word(k + 1))});
                continue;
            }
            if (Mark(k, ')') || Mark(k, ']')) {
                if (Mark(k, ')') && stack.size() > 1) stack.pop_back();
                // (expression).name and array[i].name: the server reads
                // both as a field or as the call name(expression).
                if (Mark(k + 1, '.') && IsName(k + 2)) {
                    reading_.dotted.push_back({t_[k + 1].begin, t_[k + 2].end, {Key(k + 2)}, Mark(k + 3, '('), true});
                    ++k;
                }
                continue;
            }
            if (IsName(k) && Mark(k + 1, '.')) {
                k = Dotted(k) - 1;
                continue;
            }
            if (!ctx.query) continue;
            if (w == "FROM" && Word(k - 1) != "DISTINCT") ctx.inFrom = ctx.expectTable = true;
            else if (w == "TABLE") ctx.expectTable = true;
            else if (Mark(k, ';')) ctx.inFrom = false;
            else if (ctx.inFrom && (w == "JOIN" || Mark(k, ','))) ctx.expectTable = true;
            else if (ctx.inFrom && w != "ON" && In(kClauseEnds, w)) ctx.inFrom = false;
        }
        return std::move(reading_);
    }

private:
    struct Context {
        bool query = false;
        bool inFrom = false;
        bool expectTable = false;
    };

    std::string Word(std::size_t k) const
    {
        return k < t_.size() && t_[k].kind == SqlToken::Kind::Name ? Upper(t_[k].In(sql_)) : std::string();
    }
    bool Mark(std::size_t k, char c) const { return k < t_.size() && IsSqlPunct(sql_, t_[k], c); }
    bool IsName(std::size_t k) const
    {
        return k < t_.size() && (t_[k].kind == SqlToken::Kind::Name || t_[k].kind == SqlToken::Kind::QuotedName);
    }
    std::string Key(std::size_t k) const { return SqlNameKey(sql_, t_[k]); }
    // The end of the parenthesised run that opens at k.
    std::size_t Closing(std::size_t k) const
    {
        int depth = 0;
        for (; k < t_.size(); ++k) {
            if (Mark(k, '(')) ++depth;
            else if (Mark(k, ')') && --depth == 0) return k + 1;
        }
        return k;
    }

    // The names a WITH clause gives (also those of a WINDOW clause, which
    // name no relation): a name, its optional column list, AS, "(".
    void CollectWithNames()
    {
        for (std::size_t k = 0; k < t_.size(); ++k) {
            if (!IsName(k) || Word(k) == "AS") continue;
            const std::size_t as = Mark(k + 1, '(') ? Closing(k + 1) : k + 1;
            if (Word(as) != "AS") continue;
            const std::size_t body = Word(as + 1) == "NOT" ? as + 3 : Word(as + 1) == "MATERIALIZED" ? as + 2 : as + 1;
            if (Mark(body, '(')) withNames_.push_back(Key(k));
        }
    }

    // A relation (or a function) of a FROM list at k; answers where the
    // scan goes on (its alias is read, the rest scanned as usual).
    std::size_t Relation(std::size_t k)
    {
        SqlRelationRef ref;
        std::size_t e = k;
        ref.parts.push_back(Key(e++));
        while (Mark(e, '.') && IsName(e + 1)) {
            ref.parts.push_back(Key(e + 1));
            e += 2;
        }
        ref.begin = t_[k].begin;
        ref.end = t_[e - 1].end;
        ref.function = Mark(e, '(');
        // A function of the FROM list named with its schema is checked as
        // any call so named.
        if (ref.function && ref.parts.size() > 1)
            reading_.dotted.push_back({ref.begin, ref.end, ref.parts, true});
        ref.withName = !ref.function && ref.parts.size() == 1 &&
                       std::find(withNames_.begin(), withNames_.end(), ref.parts.front()) != withNames_.end();
        std::size_t a = ref.function ? Closing(e) : e;
        if (Word(a) == "AS" && IsName(a + 1)) ++a;
        if (IsName(a) && !In(kNotAliases, Word(a))) {
            ref.alias = Key(a);
            if (Mark(a + 1, '('))
                for (std::size_t c = a + 2; c < t_.size() && !Mark(c, ')'); ++c)
                    if (IsName(c) && (Mark(c - 1, '(') || Mark(c - 1, ','))) ref.columnAliases.push_back(Key(c));
        }
        reading_.relations.push_back(std::move(ref));
        return e;
    }

    // Whether the token at k is inside the parentheses of CAST(...).
    bool InCast(std::size_t k) const
    {
        int depth = 0;
        while (k-- > 0) {
            if (Mark(k, ')')) ++depth;
            else if (Mark(k, '(') && depth-- == 0) return k >= 1 && Word(k - 1) == "CAST";
        }
        return false;
    }

    // A dotted name at k; answers where the scan goes on.
    std::size_t Dotted(std::size_t k)
    {
        SqlDottedName name;
        name.begin = t_[k].begin;
        std::size_t e = k;
        name.parts.push_back(Key(e++));
        while (Mark(e, '.')) {
            if (IsName(e + 1)) name.parts.push_back(Key(e + 1));
            else if (e + 1 < t_.size() && t_[e + 1].In(sql_) == "*") name.parts.emplace_back("*");
            else if (e + 1 < t_.size() && t_[e + 1].kind == SqlToken::Kind::Operator) {
                // OPERATOR(schema.op): an operator's function, checked as a
                // call.
                name.parts.emplace_back(t_[e + 1].In(sql_));
                name.call = true;
                e += 2;
                break;
            } else break;
            e += 2;
        }
        name.end = t_[e - 1].end;
        name.call = name.call || Mark(e, '(');
        // 'x'::s.t and CAST(x AS s.t) name a type, whatever the aliases.
        name.type = (k >= 2 && Mark(k - 1, ':') && Mark(k - 2, ':')) || (k >= 1 && Word(k - 1) == "AS" && InCast(k - 1));
        if (name.parts.size() > 1) reading_.dotted.push_back(std::move(name));
        return e;
    }

    std::string_view sql_;
    std::vector<SqlToken> t_;
    std::vector<std::string> withNames_;
    SqlTextReading reading_;
};

}  // namespace

SqlTextReading ReadSqlText(std::string_view sql) { return TextReader(sql).Read(); }

std::string QualifySqlTables(const std::string& sql, const std::function<std::string(const std::string&)>& qualify)
{
    std::string out;
    std::size_t copied = 0;
    for (const SqlRelationRef& r : ReadSqlText(sql).relations) {
        if (r.withName || r.function) continue;
        out.append(sql, copied, r.begin - copied);
        out += qualify(sql.substr(r.begin, r.end - r.begin));
        copied = r.end;
    }
    out.append(sql, copied, std::string::npos);
    return out;
}

std::string NumberPlaceholders(const std::string& sql)
{
    std::string out;
    std::size_t copied = 0;
    int n = 0;
    for (const SqlToken& t : SqlTokens(sql)) {
        if (t.kind != SqlToken::Kind::Operator) continue;
        out.append(sql, copied, t.begin - copied);
        for (std::size_t i = t.begin; i < t.end; ++i) {
            if (sql[i] == '?') out += "$" + std::to_string(++n);
            else out += sql[i];
        }
        copied = t.end;
    }
    out.append(sql, copied, std::string::npos);
    return out;
}

std::string QueriedTable(const std::string& sql)
{
    const auto trim = [](std::string_view s) {
        while (!s.empty() && IsBlank(static_cast<unsigned char>(s.front()))) s.remove_prefix(1);
        while (!s.empty() && IsBlank(static_cast<unsigned char>(s.back()))) s.remove_suffix(1);
        return std::string(s);
    };
    const std::vector<SqlToken> tokens = SqlTokens(sql);
    std::size_t from = std::string::npos;
    int depth = 0;
    for (const SqlToken& t : tokens) {
        if (IsSqlPunct(sql, t, '(')) ++depth;
        else if (IsSqlPunct(sql, t, ')')) --depth;
        if (depth != 0) continue;
        const std::string word = t.kind == SqlToken::Kind::Name ? Upper(t.In(sql)) : std::string();
        if (from == std::string::npos) {
            if (word == "FROM") from = t.end;
            continue;
        }
        if (IsSqlPunct(sql, t, ';') || word == "WHERE" || word == "GROUP" || word == "ORDER" || word == "LIMIT" ||
            word == "UNION" || t.kind == SqlToken::Kind::Comment)
            return trim(std::string_view(sql).substr(from, t.begin - from));
    }
    return from == std::string::npos ? std::string() : trim(std::string_view(sql).substr(from));
}

std::string SqlRelationKey(const SqlRelationRef& ref)
{
    std::string r;
    for (const std::string& p : ref.parts) r += (r.empty() ? "" : ".") + p;
    return ref.parts.size() == 1 ? r : r + "\x1F";
}

std::string SqlQuoted(const std::string& text, char quote)
{
    std::string r(1, quote);
    for (const char c : text) {
        r += c;
        if (c == quote) r += quote;
    }
    return r + quote;
}
