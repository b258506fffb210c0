// The one reader of SQL text in the program: the tokens of a text as the
// server's own scanner cuts them, and what the database link needs to know of
// a query text (the relations it reads, the dotted names it uses, its "?"
// values). The checks of sql.ini (exchange layer) read their texts through
// these tokens too, so that a text is never read two ways: a misreading here
// (a quote, a comment, a dollar-quoted text taken for something else) would
// let a check pass over what the server then runs.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

struct SqlToken {
    enum class Kind {
        Name,        // a plain name or key word: letters, digits, "_" and "$", not starting with a digit or "$"
        QuotedName,  // "...", a doubled quote inside
        Text,        // '...', a doubled quote inside; a backslash is itself
        EscapeText,  // E'...': a backslash escapes the next character
        DollarText,  // $$...$$ or $tag$...$tag$
        Number,      // 12, 1.5, .5, 1e-3
        Parameter,   // $1
        Operator,    // a run of + - * / < > = ~ ! @ # % ^ & | ` ?, cut as the server cuts it
        Punct,       // one of ( ) [ ] , ; . :
        Comment,     // -- to the end of the line, or /* ... */ (nested)
        Other,       // any other single character (a lone "$", a control character...)
    };
    Kind kind;
    std::size_t begin, end;
    bool closed = true;  // quoted texts, names and block comments: the closing mark was found

    std::string_view In(std::string_view sql) const { return sql.substr(begin, end - begin); }
};

// The tokens of a text, blanks (space, tab, line ends, form feed) left out.
std::vector<SqlToken> SqlTokens(std::string_view sql);

// Whether `token` is the punctuation mark `c`.
bool IsSqlPunct(std::string_view sql, const SqlToken& token, char c);
// The length of the operator at the start of `s`, cut where the server cuts
// it: before a comment, and without the "+" and "-" that end it unless it
// holds a character no standard operator has ("=-1" is "=" then "-1").
std::size_t SqlOperatorLength(std::string_view s);

// A name as the server compares it: a plain name in ASCII lower case, a
// quoted one as written inside its quotes (a doubled quote made single).
std::string SqlNameKey(std::string_view sql, const SqlToken& token);

// A relation a query reads: written after FROM, JOIN or a comma of a FROM
// list, after the word TABLE, at any depth of sub-queries.
struct SqlRelationRef {
    std::size_t begin = 0, end = 0;  // where its (possibly dotted) name is written
    std::vector<std::string> parts;  // the name's parts, each as SqlNameKey
    std::string alias;               // SqlNameKey of its alias, empty when none
    std::vector<std::string> columnAliases;  // alias(a, b): the names given to its first columns
    bool withName = false;           // a name given by the text's WITH clause, not a relation
    bool function = false;           // a function in FROM: `parts` names it
};

// A dotted name of the text outside the relations above (a.b, a.b.c, and a
// call a.b(...)).
struct SqlDottedName {
    std::size_t begin = 0, end = 0;
    std::vector<std::string> parts;  // each as SqlNameKey; "*" for a.*
    bool call = false;               // followed by "("
    bool afterParenthesis = false;   // (expression).name
    bool type = false;               // after "::" or "AS" of CAST(...): a type name
};

// The key of a relation written in a query: its parts joined by ".", and
// marked when the name was qualified, so that `t` and a schema named `t`'s
// relation never share a key.
std::string SqlRelationKey(const SqlRelationRef& ref);

// `text` between `quote` characters, each one inside doubled: a quoted name
// ('"') or a quoted text ('\'') as the server reads it.
std::string SqlQuoted(const std::string& text, char quote);

struct SqlTextReading {
    std::vector<SqlRelationRef> relations;
    std::vector<SqlDottedName> dotted;
};

// Reads the relations and dotted names of a query text.
SqlTextReading ReadSqlText(std::string_view sql);

// The query text with each relation it reads (not the names of its WITH
// clause, not the functions of its FROM) replaced by `qualify(name as
// written)`.
std::string QualifySqlTables(const std::string& sql, const std::function<std::string(const std::string&)>& qualify);

// The "?" of the program's texts as the server's $1, $2...: quoted texts,
// quoted names, dollar-quoted texts and comments are passed over.
std::string NumberPlaceholders(const std::string& sql);

// The table (the text of the top-level FROM clause) a query text reads, for
// messages; empty when the text has no FROM.
std::string QueriedTable(const std::string& sql);
