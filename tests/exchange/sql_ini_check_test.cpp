// The grammar of sql.ini's FROM and WHERE values: what a mapping needs is
// accepted, every way to call the server's functions, hide a second statement
// or a sub-query is refused with its reason; the shipped sql.ini keeps to it.
#include "exchange/sql_ini_check.h"

#include <gtest/gtest.h>

#include "exchange/database_link.h"
#include "platform/base/ini_file.h"
#include "store/options.h"
#include "temp_dir.h"

TEST(SqlIniCheckTest, FromAndWhereKeepToTheirGrammar)
{
    const std::string q = "\xC2\xAB ", e = " \xC2\xBB";
    struct Case {
        bool from;
        std::string text;
        std::string why;  // empty: accepted
    };
    const Case cases[] = {
        {true, "NIVEAU", ""},
        {true, " forages.NIVEAU N , OUVRAGE AS O ", ""},
        {true, "NIVEAU N JOIN OUVRAGE O ON N.INDICE = O.INDICE AND N.DESIGNATION = O.DESIGNATION", ""},
        {true, "NIVEAU N LEFT OUTER JOIN \"Lex Litho\" L ON UPPER(N.LITHO) = L.CODE INNER JOIN T ON 1=1", ""},
        {false, "N.TYPE = 'COUPE'", ""},
        {false, "NOT (PROF_DEB >= -1.5e2 OR PROF_FIN <> .5) AND LITHO IS NOT NULL", ""},
        {false, "TYPE NOT IN ('A', 'l''eau', 3) AND LOWER(TRIM(LITHO)) NOT LIKE '%sable%'", ""},
        {false, "PROF_DEB BETWEEN 0 AND 10 AND COALESCE(SUBSTR(CODE, 1, 2), 'X') != 'Y'", ""},
        {false, "TO_CHAR(DATE_OBS, 'yyyy') = '2004' AND s.t.c IS NULL AND \"Nom\" < 'b\\'", ""},
        // What the server's functions could do through these values.
        {false, "lo_export(lo_from_bytea(0,'x'), '/tmp/x') > 0", "fonction " + q + "lo_export" + e + " interdite"},
        {false, "pg_read_file('/etc/passwd') <> ''", "fonction " + q + "pg_read_file" + e + " interdite"},
        {false, "pg_terminate_backend(1234)", "fonction " + q + "pg_terminate_backend" + e + " interdite"},
        {false, "UPPER(pg_catalog.set_config('a','b',false)) = 'B'", "fonction " + q + "set_config" + e + " interdite"},
        {false, "PROF > 0 AND pg_sleep(100) IS NULL", "fonction " + q + "pg_sleep" + e + " interdite"},
        {false, "pg_catalog.upper(LITHO) = 'A'", "fonction " + q + "upper" + e + " interdite"},
        {true, "NIVEAU, pg_advisory_lock(42) L", "fonction " + q + "pg_advisory_lock" + e + " interdite"},
        {true, "NIVEAU N JOIN generate_series(1,9) G ON 1=1", "fonction " + q + "generate_series" + e + " interdite"},
        {false, "TYPE = CURRENT_USER", q + "CURRENT_USER" + e + " inattendu"},
        {false, "TYPE = DATE '2001-01-01'", q + "'2001-01-01'" + e + " inattendu"},
        // Sub-queries, comments, second statements and other syntax.
        {true, "(SELECT * FROM NIVEAU) N", "sous-requ\xC3\xAAte interdite"},
        {false, "INDICE IN (SELECT INDICE FROM OUVRAGE)", "sous-requ\xC3\xAAte interdite"},
        {false, "EXISTS (SELECT 1)", q + "EXISTS" + e + " inattendu"},
        {false, "1=1 -- fin", "commentaire interdit"},
        {false, "/* x */ 1=1", "commentaire interdit"},
        {true, "NIVEAU; DELETE FROM NIVEAU", "une seule instruction : " + q + ";" + e + " interdit"},
        {false, "$$'$$ = ''", "texte entre apostrophes non ferm\xC3\xA9"},
        {false, "$1 = 1", "caract\xC3\xA8re " + q + "$" + e + " interdit"},
        {false, "PROF::text = '1'", "caract\xC3\xA8re " + q + ":" + e + " interdit"},
        {false, "PROF # 1 = 0", "caract\xC3\xA8re " + q + "#" + e + " interdit"},
        {false, "PROF + 1 > 2", "caract\xC3\xA8re " + q + "+" + e + " interdit"},
        {false, "PROF = ?", "caract\xC3\xA8re " + q + "?" + e + " interdit"},
        {false, "E'\\x27' = ''", q + "'\\x27'" + e + " inattendu"},
        {false, "NOM = 'ouvert", "texte entre apostrophes non ferm\xC3\xA9"},
        {false, "(PROF > 1", "texte incomplet"},
        {false, "  ", "valeur vide"},
        {true, "NIVEAU N CROSS JOIN OUVRAGE", q + "CROSS" + e + " inattendu"},
        {true, "NIVEAU JOIN OUVRAGE USING (INDICE)", q + "USING" + e + " inattendu"},
        {false, std::string(40, '(') + "1=1" + std::string(40, ')'), "trop de parenth\xC3\xA8ses imbriqu\xC3\xA9" "es"},
    };
    for (const Case& c : cases) {
        std::string why = "?";
        const bool ok = c.from ? IsSqlIniFrom(c.text, &why) : IsSqlIniCondition(c.text, &why);
        EXPECT_EQ(ok, c.why.empty()) << c.text;
        EXPECT_EQ(why, c.why) << c.text;
    }
}

// Every FROM and WHERE of the shipped sql.ini, and the table of each section
// that stands for a missing FROM, is accepted.
TEST(SqlIniCheckTest, ShippedSqlIniIsAccepted)
{
    TempProgramDir program;
    OptionsInitialize(program.path());
    int checked = 0;
    for (const std::string& section : IniSql->ReadSections()) {
        const std::string name = SqlSectionDbTable(section);
        if (name.find('.') != std::string::npos) {
            EXPECT_NO_THROW(CheckSqlIniTable(section, name.substr(0, name.find('.')))) << section;
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
    OptionsRelease();
}
