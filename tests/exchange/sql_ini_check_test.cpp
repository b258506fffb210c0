// The grammar of sql.ini's FROM and WHERE values and of its column keys: what
// a mapping needs is accepted, every way to call the server's functions, hide
// a second statement or a sub-query is refused with its reason; the shipped
// sql.ini keeps to it.
#include "exchange/sql_ini_check.h"

#include <gtest/gtest.h>

#include "exchange/database_link.h"
#include "platform/base/ini_file.h"
#include "store/options.h"
#include "temp_dir.h"

TEST(SqlIniCheckTest, FromWhereAndKeysKeepToTheirGrammar)
{
    const std::string q = "\xC2\xAB ", e = " \xC2\xBB";
    constexpr char F = 'F', W = 'W', K = 'K';  // FROM, WHERE, a column key
    struct Case {
        char what;
        std::string text;
        std::string why;  // empty: accepted
    };
    const Case cases[] = {
        {F, "NIVEAU", ""},
        {F, " forages.NIVEAU N , OUVRAGE AS O ", ""},
        {F, "NIVEAU N JOIN OUVRAGE O ON N.INDICE = O.INDICE AND N.DESIGNATION = O.DESIGNATION", ""},
        {F, "NIVEAU N LEFT OUTER JOIN \"Lex Litho\" L ON UPPER(N.LITHO) = L.CODE INNER JOIN T ON 1=1", ""},
        {W, "N.TYPE = 'COUPE'", ""},
        {W, "NOT (PROF_DEB >= -1.5e2 OR PROF_FIN <> .5) AND LITHO IS NOT NULL", ""},
        {W, "TYPE NOT IN ('A', 'l''eau', 3) AND LOWER(TRIM(LITHO)) NOT LIKE '%sable%'", ""},
        {W, "PROF_DEB BETWEEN 0 AND 10 AND COALESCE(SUBSTR(CODE, 1, 2), 'X') != 'Y'", ""},
        {W, "TO_CHAR(DATE_OBS, 'yyyy') = '2004' AND s.t.c IS NULL AND \"Nom\" < 'b\\'", ""},
        // Expressions, in keys and conditions alike.
        {K, "PROF_FIN - PROF_DEB", ""},
        {K, "UPPER(LITHO)", ""},
        {K, "COALESCE(PROF, 0)", ""},
        {K, " -N.PROF*2 + s.t.X / -(3 - .5e1) ", ""},
        {K, "LITHO || ' ' || lower(\"Code\") || 'l''eau'", ""},
        {K, "ltrim(Rtrim(TRIM(NOM), 'x')) || SUBSTR(CODE, 1, LENGTH(CODE) - 1)", ""},
        {K, "REPLACE(NULLIF(NOM, ''), '-', ' ')", ""},
        {K, "round(abs(- - PROF), 2) * trunc(X)", ""},
        {K, "TO_NUMBER(TXT, '999D99') + TO_CHAR(D, 'dd/mm/yyyy') || to_date(T, 'yyyy')", ""},
        {K, "(PROF > 0)", ""},
        {W, "PROF_FIN - PROF_DEB > 0.5", ""},
        {W, "DATE_OBS > TO_DATE('01/01/2000', 'dd/mm/yyyy')", ""},
        {W, "PROF + 1 > 2 AND PROF*-1 BETWEEN -10 AND -PROF_DEB+1 AND X=-1 AND X<-1 AND X<>-1 AND X>=-.5", ""},
        {W, "CODE || 'x' NOT IN (UPPER(A) || 'x', 'Bx') AND ABS(PROF) / 2 NOT LIKE '%5'", ""},
        {F, "NIVEAU N JOIN OUVRAGE O ON N.PROF_DEB + 1 = O.PROF", ""},
        // The form feed is whitespace on both engines, as tabs and line ends
        // are; the vertical tab is whitespace on neither.
        {W, "PRO_BE\f >0.5", ""},
        {K, "\fUPPER\f(LITHO)\f", ""},
        {F, "NIVEAU\fN\r\nJOIN\tOUVRAGE O ON\fN.INDICE = O.INDICE", ""},
        {K, "X\v+ 1", "caract\xC3\xA8re de contr\xC3\xB4le interdit"},
        // A key is one value: nothing that adds a column, names it or
        // compares it.
        {K, "PROF, pg_sleep(1)", q + "," + e + " inattendu"},
        {K, "PROF P", q + "P" + e + " inattendu"},
        {K, "PROF AS P", q + "AS" + e + " inattendu"},
        {K, "PROF > 0", q + ">" + e + " inattendu"},
        {K, "PROF IS NULL", q + "IS" + e + " inattendu"},
        {K, "+PROF", q + "+" + e + " inattendu"},
        {K, "PROF ||", "texte incomplet"},
        {K, "  ", "valeur vide"},
        // Operators the grammar does not read, cut as the server cuts them.
        {K, "X ||-1", "op\xC3\xA9rateur " + q + "||-" + e + " interdit"},
        {K, "X->'a'", "op\xC3\xA9rateur " + q + "->" + e + " interdit"},
        {W, "X ~~ 'a'", "op\xC3\xA9rateur " + q + "~~" + e + " interdit"},
        {W, "X <=> 1", "op\xC3\xA9rateur " + q + "<=>" + e + " interdit"},
        {W, "X == 1", "op\xC3\xA9rateur " + q + "==" + e + " interdit"},
        {K, "X % 2", "caract\xC3\xA8re " + q + "%" + e + " interdit"},
        {K, "X ^ 2", "caract\xC3\xA8re " + q + "^" + e + " interdit"},
        {K, "@X", "caract\xC3\xA8re " + q + "@" + e + " interdit"},
        {K, "X | 1", "caract\xC3\xA8re " + q + "|" + e + " interdit"},
        {K, "X =-- c", "commentaire interdit"},
        {K, "X -/* c */1", "commentaire interdit"},
        {K, [] { std::string s; for (int i = 0; i < 40; ++i) s += "- "; return s + "1"; }(),
         "trop de signes " + q + "-" + e},
        // Casts, sub-queries and other syntax, in keys too.
        {K, "PROF::text", "caract\xC3\xA8re " + q + ":" + e + " interdit"},
        {K, "CAST(PROF AS TEXT)", q + "CAST" + e + " inattendu"},
        {K, "DATE '2001-01-01'", q + "'2001-01-01'" + e + " inattendu"},
        {K, "PROF + (SELECT 1)", "sous-requ\xC3\xAAte interdite"},
        {K, "ROW(1, 2)", q + "ROW" + e + " inattendu"},
        {K, "ARRAY[1]", q + "ARRAY" + e + " inattendu"},
        {K, "LOWER(X) COLLATE \"C\"", q + "COLLATE" + e + " inattendu"},
        {K, "PROF; DELETE FROM NIVEAU", "une seule instruction : " + q + ";" + e + " interdit"},
        // What the server's functions could do through these values.
        {K, "COUNT(*)", "fonction " + q + "COUNT" + e + " interdite"},
        {K, "UPPER(pg_read_file('/etc/passwd'))", "fonction " + q + "pg_read_file" + e + " interdite"},
        {K, "TO_CHAR(set_config('a','b',false),'x')", "fonction " + q + "set_config" + e + " interdite"},
        {K, "lo_from_bytea(0,'x')", "fonction " + q + "lo_from_bytea" + e + " interdite"},
        {W, "PROF - pg_sleep(1) * 0 > 0", "fonction " + q + "pg_sleep" + e + " interdite"},
        {W, "lo_export(lo_from_bytea(0,'x'), '/tmp/x') > 0", "fonction " + q + "lo_export" + e + " interdite"},
        {W, "pg_read_file('/etc/passwd') <> ''", "fonction " + q + "pg_read_file" + e + " interdite"},
        {W, "pg_terminate_backend(1234)", "fonction " + q + "pg_terminate_backend" + e + " interdite"},
        {W, "UPPER(pg_catalog.set_config('a','b',false)) = 'B'", "fonction " + q + "set_config" + e + " interdite"},
        {W, "PROF > 0 AND pg_sleep(100) IS NULL", "fonction " + q + "pg_sleep" + e + " interdite"},
        {W, "pg_catalog.upper(LITHO) = 'A'", "fonction " + q + "upper" + e + " interdite"},
        {F, "NIVEAU, pg_advisory_lock(42) L", "fonction " + q + "pg_advisory_lock" + e + " interdite"},
        {F, "NIVEAU N JOIN generate_series(1,9) G ON 1=1", "fonction " + q + "generate_series" + e + " interdite"},
        {W, "TYPE = CURRENT_USER", q + "CURRENT_USER" + e + " inattendu"},
        {W, "TYPE = DATE '2001-01-01'", q + "'2001-01-01'" + e + " inattendu"},
        // Sub-queries, comments, second statements and other syntax.
        {F, "(SELECT * FROM NIVEAU) N", "sous-requ\xC3\xAAte interdite"},
        {W, "INDICE IN (SELECT INDICE FROM OUVRAGE)", "sous-requ\xC3\xAAte interdite"},
        {W, "EXISTS (SELECT 1)", q + "EXISTS" + e + " inattendu"},
        {W, "1=1 -- fin", "commentaire interdit"},
        {W, "/* x */ 1=1", "commentaire interdit"},
        {F, "NIVEAU; DELETE FROM NIVEAU", "une seule instruction : " + q + ";" + e + " interdit"},
        {W, "$$'$$ = ''", "texte entre " + q + "$" + e + " interdit"},
        {W, "$1 = 1", "caract\xC3\xA8re " + q + "$" + e + " interdit"},
        {W, "PROF::text = '1'", "caract\xC3\xA8re " + q + ":" + e + " interdit"},
        {W, "PROF # 1 = 0", "caract\xC3\xA8re " + q + "#" + e + " interdit"},
        {W, "PROF = ?", "caract\xC3\xA8re " + q + "?" + e + " interdit"},
        {W, "E'\\x27' = ''", "texte " + q + "E'...'" + e + " interdit"},
        {W, "E'\\'' OR pg_sleep(1) > 0 OR 'a' = ''", "texte " + q + "E'...'" + e + " interdit"},
        {W, "NOM = 'ouvert", "texte entre apostrophes non ferm\xC3\xA9"},
        {W, "(PROF > 1", "texte incomplet"},
        {W, "  ", "valeur vide"},
        {F, "NIVEAU N CROSS JOIN OUVRAGE", q + "CROSS" + e + " inattendu"},
        {F, "NIVEAU JOIN OUVRAGE USING (INDICE)", q + "USING" + e + " inattendu"},
        {W, std::string(40, '(') + "1=1" + std::string(40, ')'), "trop de parenth\xC3\xA8ses imbriqu\xC3\xA9" "es"},
    };
    for (const Case& c : cases) {
        std::string why = "?";
        const bool ok = c.what == F   ? IsSqlIniFrom(c.text, &why)
                        : c.what == W ? IsSqlIniCondition(c.text, &why)
                                      : IsSqlIniExpression(c.text, &why);
        EXPECT_EQ(ok, c.why.empty()) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
}

// Every FROM, WHERE and column key of the shipped sql.ini, and the table of
// each section that stands for a missing FROM, is accepted.
TEST(SqlIniCheckTest, ShippedSqlIniIsAccepted)
{
    TempProgramDir program;
    OptionsInitialize(program.path());
    int checked = 0, keys = 0;
    for (const std::string& section : IniSql->ReadSections()) {
        for (const std::string& key : IniSql->ReadSection(section)) {
            if (IsReservedSqlKey(key)) continue;
            EXPECT_NO_THROW(CheckSqlIniColumn(section, key)) << section << " " << key;
            ++keys;
        }
        const std::string name = SqlSectionDbTable(section);
        if (name.find('.') != std::string::npos) {
            EXPECT_NO_THROW(CheckSqlIniTable(section, name.substr(0, name.find('.')))) << section;
            EXPECT_NO_THROW(CheckSqlIniColumn(section, name.substr(name.find('.') + 1))) << section;
            continue;
        }
        const std::string from = IniSql->ReadString(section, "FROM", "");
        const std::string where = IniSql->ReadString(section, "WHERE", "");
        EXPECT_NO_THROW(CheckSqlIniTable(section, name)) << section;
        EXPECT_TRUE(IsSqlIniFrom(from.empty() ? name : from)) << section;
        if (!where.empty()) EXPECT_TRUE(IsSqlIniCondition(where)) << section;
        ++checked;
    }
    EXPECT_EQ(checked, 7);
    EXPECT_GE(keys, 58);
    OptionsRelease();
}
