#include "exchange/sql_ini_check.h"

#include <array>
#include <string_view>
#include <vector>

#include "platform/database.h"
#include "platform/sql_tokens.h"
#include "store/options.h"

namespace {

enum class Tok { Name, QuotedName, Number, Text, Compare, Arith, LParen, RParen, Comma, Dot, Minus, Other, End };

struct Token {
    Tok kind = Tok::End;
    std::string text;   // as written
    std::string upper;  // names: ASCII upper case, for keywords
};

const char* const kGuillemetOpen = "\xC2\xAB ";
const char* const kGuillemetClose = " \xC2\xBB";

std::string Quoted(const std::string& s) { return kGuillemetOpen + s + kGuillemetClose; }

std::string Upper(std::string s)
{
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

// The operators the grammar reads; Other for the rest.
Tok OperatorKind(std::string_view op)
{
    if (op == "=" || op == "<" || op == ">" || op == "<=" || op == ">=" || op == "<>" || op == "!=")
        return Tok::Compare;
    if (op == "+" || op == "*" || op == "/" || op == "||") return Tok::Arith;
    if (op == "-") return Tok::Minus;
    return Tok::Other;
}

// The text's tokens as the server cuts them (the platform's one reader of
// SQL text), in the grammar's kinds; false with the reason on anything the
// grammar never needs (comments, ";", casts, operators it does not read...).
bool Tokenize(std::string_view s, std::vector<Token>& out, std::string& why)
{
    auto fail = [&](std::string message) {
        why = std::move(message);
        return false;
    };
    for (const SqlToken& st : SqlTokens(s)) {
        Token t;
        t.text = std::string(st.In(s));
        switch (st.kind) {
        case SqlToken::Kind::Comment: return fail("commentaire interdit");
        case SqlToken::Kind::Name:
            t.kind = Tok::Name;
            t.upper = Upper(t.text);
            break;
        case SqlToken::Kind::QuotedName:
            // No quote inside: the name is what stands between the quotes.
            if (!st.closed || t.text.size() < 3 || t.text.find('"', 1) != t.text.size() - 1)
                return fail("nom entre guillemets invalide");
            t.kind = Tok::QuotedName;
            t.upper = t.text;
            break;
        case SqlToken::Kind::Text:
            if (!st.closed) return fail("texte entre apostrophes non ferm\xC3\xA9");
            t.kind = Tok::Text;
            // Shown with its doubled quotes made single.
            t.text.clear();
            for (std::size_t i = st.begin + 1; i + 1 < st.end; ++i) {
                t.text += s[i];
                if (s[i] == '\'') ++i;
            }
            t.text = "'" + t.text + "'";
            break;
        case SqlToken::Kind::EscapeText: return fail("texte " + Quoted("E'...'") + " interdit");
        case SqlToken::Kind::DollarText: return fail("texte entre " + Quoted("$") + " interdit");
        case SqlToken::Kind::Number: t.kind = Tok::Number; break;
        case SqlToken::Kind::Punct:
            switch (t.text[0]) {
            case '(': t.kind = Tok::LParen; break;
            case ')': t.kind = Tok::RParen; break;
            case ',': t.kind = Tok::Comma; break;
            case '.': t.kind = Tok::Dot; break;
            case ';': return fail("une seule instruction : " + Quoted(";") + " interdit");
            default: t.kind = Tok::Other; break;
            }
            break;
        case SqlToken::Kind::Operator:
            t.kind = OperatorKind(t.text);
            // A lone unknown character is refused by the parser where it
            // stands; a longer operator the grammar lacks, here.
            if (t.kind == Tok::Other && t.text.size() > 1) return fail("op\xC3\xA9rateur " + Quoted(t.text) + " interdit");
            break;
        case SqlToken::Kind::Parameter:
        case SqlToken::Kind::Other: {
            const auto c = static_cast<unsigned char>(t.text[0]);
            if (c < 0x20 || c == 0x7F) return fail("caract\xC3\xA8re de contr\xC3\xB4le interdit");
            // Refused by the parser where it stands, so that what comes first
            // (a sub-query, say) is what the message names.
            t.kind = Tok::Other;
            t.text = std::string(1, static_cast<char>(c));
            break;
        }
        }
        out.push_back(std::move(t));
    }
    out.push_back(Token{});
    return true;
}

// Words that start or shape a statement of their own, or read the session
// without parentheses: never a name here.
constexpr std::array<std::string_view, 62> kKeywords = {
    "ALL", "AND", "ANY", "ARRAY", "AS", "ASYMMETRIC", "BETWEEN", "BOTH", "CASE", "CAST", "COLLATE", "CROSS",
    "CURRENT_CATALOG", "CURRENT_DATE", "CURRENT_ROLE", "CURRENT_SCHEMA", "CURRENT_TIME", "CURRENT_TIMESTAMP",
    "CURRENT_USER", "DISTINCT", "ELSE", "END", "ESCAPE", "EXCEPT", "EXISTS", "FALSE", "FETCH", "FOR", "FROM", "FULL",
    "GROUP", "HAVING", "ILIKE", "IN", "INNER", "INTERSECT", "IS", "JOIN", "LATERAL", "LEFT", "LIKE", "LIMIT",
    "LOCALTIME", "LOCALTIMESTAMP", "NATURAL", "NOT", "NULL", "ON", "ONLY", "OR", "ORDER", "OUTER", "RIGHT", "ROW",
    "SELECT", "SESSION_USER", "SOME", "SYMMETRIC", "TABLE", "THEN", "TRUE", "UNION",
};
constexpr std::array<std::string_view, 10> kMoreKeywords = {"USER",   "USING", "VALUES", "WHEN",   "WHERE",
                                                             "WINDOW", "WITH",  "OFFSET", "SYSTEM_USER", "TABLESAMPLE"};
// Text, date and number functions of the server's own catalogue, which
// neither write nor wait nor read anything but their arguments.
constexpr std::array<std::string_view, 16> kFunctions = {
    "UPPER",  "LOWER",   "TRIM",    "LTRIM",   "RTRIM",     "SUBSTR",   "LENGTH", "REPLACE",
    "TO_CHAR", "TO_DATE", "TO_NUMBER", "COALESCE", "NULLIF", "ROUND",   "TRUNC",  "ABS",
};
constexpr std::array<std::string_view, 4> kSubQueryWords = {"SELECT", "WITH", "VALUES", "TABLE"};

template <std::size_t N>
bool In(const std::array<std::string_view, N>& list, const std::string& word)
{
    for (std::string_view w : list)
        if (w == word) return true;
    return false;
}

bool IsKeyword(const Token& t)
{
    return t.kind == Tok::Name && (In(kKeywords, t.upper) || In(kMoreKeywords, t.upper));
}

class Parser {
public:
    Parser(std::vector<Token> tokens, std::string& why) : t_(std::move(tokens)), why_(why) {}

    bool From()
    {
        if (!TableRef()) return false;
        for (;;) {
            if (Peek().kind == Tok::Comma) {
                ++pos_;
                if (!TableRef()) return false;
                continue;
            }
            if (!IsWord("JOIN") && !IsWord("INNER") && !IsWord("LEFT") && !IsWord("RIGHT") && !IsWord("FULL")) break;
            if (IsWord("INNER")) ++pos_;
            else if (IsWord("LEFT") || IsWord("RIGHT") || IsWord("FULL")) {
                ++pos_;
                if (IsWord("OUTER")) ++pos_;
            }
            if (!Expect("JOIN") || !TableRef() || !Expect("ON") || !Condition()) return false;
        }
        return AtEnd();
    }

    bool WholeCondition() { return Condition() && AtEnd(); }
    bool WholeExpression() { return Expression() && AtEnd(); }

private:
    const Token& Peek(std::size_t ahead = 0) const
    {
        return pos_ + ahead < t_.size() ? t_[pos_ + ahead] : t_.back();
    }
    bool IsWord(const char* word, std::size_t ahead = 0) const
    {
        return Peek(ahead).kind == Tok::Name && Peek(ahead).upper == word;
    }
    bool Fail(std::string message)
    {
        if (why_.empty()) why_ = std::move(message);
        return false;
    }
    bool Unexpected()
    {
        const Token& t = Peek();
        if (t.kind == Tok::End) return Fail("texte incomplet");
        if (t.kind == Tok::Other) return Fail("caract\xC3\xA8re " + Quoted(t.text) + " interdit");
        const Token& after = Peek(1);
        if ((t.kind == Tok::Name && In(kSubQueryWords, t.upper)) ||
            (t.kind == Tok::LParen && after.kind == Tok::Name && In(kSubQueryWords, after.upper)))
            return Fail("sous-requ\xC3\xAAte interdite");
        return Fail(Quoted(t.text) + " inattendu");
    }
    bool Expect(const char* word)
    {
        if (!IsWord(word)) return Unexpected();
        ++pos_;
        return true;
    }
    bool AtEnd() { return Peek().kind == Tok::End || Unexpected(); }
    bool FunctionRefused(const std::string& name) { return Fail("fonction " + Quoted(name) + " interdite"); }

    bool IsName(const Token& t) const { return t.kind == Tok::QuotedName || (t.kind == Tok::Name && !IsKeyword(t)); }

    // schema.table, then an optional alias.
    bool TableRef()
    {
        if (!IsName(Peek())) return Unexpected();
        ++pos_;
        if (Peek().kind == Tok::Dot) {
            ++pos_;
            if (!IsName(Peek())) return Unexpected();
            ++pos_;
        }
        if (Peek().kind == Tok::LParen) return FunctionRefused(t_[pos_ - 1].text);
        if (IsWord("AS")) {
            ++pos_;
            if (!IsName(Peek())) return Unexpected();
            ++pos_;
        } else if (IsName(Peek())) {
            ++pos_;
        }
        return true;
    }

    struct Depth {
        Parser& p;
        explicit Depth(Parser& parser) : p(parser) { ++p.depth_; }
        ~Depth() { --p.depth_; }
    };

    bool Condition()
    {
        Depth d(*this);
        if (depth_ > kMaxDepth) return Fail("trop de parenth\xC3\xA8ses imbriqu\xC3\xA9" "es");
        if (!AndTerm()) return false;
        while (IsWord("OR")) {
            ++pos_;
            if (!AndTerm()) return false;
        }
        return true;
    }

    bool AndTerm()
    {
        if (!NotTerm()) return false;
        while (IsWord("AND")) {
            ++pos_;
            if (!NotTerm()) return false;
        }
        return true;
    }

    bool NotTerm()
    {
        std::size_t nots = 0;
        while (IsWord("NOT")) {
            ++pos_;
            if (++nots > kMaxDepth) return Fail("trop de NOT");
        }
        return Predicate();
    }

    bool Predicate()
    {
        if (!Expression()) return false;
        if (Peek().kind == Tok::Compare) {
            ++pos_;
            return Expression();
        }
        if (IsWord("IS")) {
            ++pos_;
            if (IsWord("NOT")) ++pos_;
            return Expect("NULL");
        }
        if (IsWord("NOT") && (IsWord("LIKE", 1) || IsWord("IN", 1) || IsWord("BETWEEN", 1))) ++pos_;
        if (IsWord("LIKE")) {
            ++pos_;
            return Expression();
        }
        if (IsWord("BETWEEN")) {
            ++pos_;
            return Expression() && Expect("AND") && Expression();
        }
        if (IsWord("IN")) {
            ++pos_;
            if (Peek().kind != Tok::LParen) return Unexpected();
            ++pos_;
            return ExpressionList();
        }
        return true;
    }

    // Operands joined by + - * / and ||. How the server groups them does not
    // matter here: every grouping of these tokens is a value.
    bool Expression()
    {
        if (!Factor()) return false;
        while (Peek().kind == Tok::Arith || Peek().kind == Tok::Minus) {
            ++pos_;
            if (!Factor()) return false;
        }
        return true;
    }

    // An operand after any number of unary minus signs.
    bool Factor()
    {
        std::size_t minus = 0;
        while (Peek().kind == Tok::Minus) {
            ++pos_;
            if (++minus > kMaxDepth) return Fail("trop de signes " + Quoted("-"));
        }
        return Operand();
    }

    bool Operand()
    {
        Depth d(*this);
        if (depth_ > kMaxDepth) return Fail("trop de parenth\xC3\xA8ses imbriqu\xC3\xA9" "es");
        const Token& t = Peek();
        switch (t.kind) {
        case Tok::Number:
        case Tok::Text: ++pos_; return true;
        case Tok::LParen: {
            ++pos_;
            if (!Condition()) return false;
            if (Peek().kind != Tok::RParen) return Unexpected();
            ++pos_;
            return true;
        }
        case Tok::Name:
            if (t.upper == "NULL" || t.upper == "TRUE" || t.upper == "FALSE") {
                ++pos_;
                return true;
            }
            if (IsKeyword(t)) return Unexpected();
            if (Peek(1).kind == Tok::LParen) return Call();
            return Column();
        case Tok::QuotedName: return Column();
        default: return Unexpected();
        }
    }

    // name, table.name or schema.table.name; never followed by "(".
    bool Column()
    {
        ++pos_;
        for (int parts = 1; Peek().kind == Tok::Dot; ++parts) {
            ++pos_;
            if (parts == 3 || !IsName(Peek())) return Unexpected();
            ++pos_;
        }
        if (Peek().kind == Tok::LParen) return FunctionRefused(t_[pos_ - 1].text);
        return true;
    }

    bool Call()
    {
        const Token& name = Peek();
        if (!In(kFunctions, name.upper)) return FunctionRefused(name.text);
        pos_ += 2;
        return ExpressionList();
    }

    // The values of IN and of a call after their "(", up to and with the ")".
    bool ExpressionList()
    {
        if (!Expression()) return false;
        while (Peek().kind == Tok::Comma) {
            ++pos_;
            if (!Expression()) return false;
        }
        if (Peek().kind != Tok::RParen) return Unexpected();
        ++pos_;
        return true;
    }

    static constexpr int kMaxDepth = 32;
    std::vector<Token> t_;
    std::string& why_;
    std::size_t pos_ = 0;
    int depth_ = 0;
};

enum class Start { From, Condition, Expression };

bool Check(const std::string& text, std::string* why, Start start)
{
    std::string reason;
    std::vector<Token> tokens;
    bool ok = Tokenize(text, tokens, reason);
    if (ok) {
        if (tokens.size() == 1) {
            ok = false;
            reason = "valeur vide";
        } else {
            Parser p(std::move(tokens), reason);
            ok = start == Start::From ? p.From() : start == Start::Condition ? p.WholeCondition() : p.WholeExpression();
        }
    }
    if (why) *why = ok ? std::string() : reason;
    return ok;
}

}  // namespace

bool IsSqlIniFrom(const std::string& text, std::string* why) { return Check(text, why, Start::From); }

bool IsSqlIniCondition(const std::string& text, std::string* why) { return Check(text, why, Start::Condition); }

bool IsSqlIniExpression(const std::string& text, std::string* why) { return Check(text, why, Start::Expression); }

void CheckSqlIniReadable()
{
    if (!IniSql) return;
    if (std::string why = IniSql->Refusal(); !why.empty()) throw EDatabaseError(why);
}
