// What a read on the server may reach. Each relation a query reaches is
// looked at by oid inside the read's own transaction, after the server has
// parsed the text and so locked every relation it reads (those behind its
// views and its inheriting tables too): nobody can rename, replace or turn
// into a view what was checked before the read ends. Everything the read
// reaches, at any depth, must be the server's own or belong to a trusted
// role (the login, a role the login is a member of, a superuser, the
// database's owner), since a view's functions, operators and types run as
// the reader; plain tables and materialized views of any owner only hold
// data and are read.
#include <libpq-fe.h>

#include "platform/database.h"
#include "platform/sql_tokens.h"

namespace {

std::string RelationRefusal(const std::string& what) { return what + " ; la requ\xC3\xAAte n'est pas envoy\xC3\xA9" "e."; }

constexpr const char* kTrustedOwners =
    "de l'utilisateur connect\xC3\xA9 (ou d'un r\xC3\xB4le dont il est membre), d'un superutilisateur ou du "
    "propri\xC3\xA9taire de la base";

std::string Named(const std::string& name, const std::string& owner)
{
    return "\xC2\xAB " + name + " \xC2\xBB (r\xC3\xB4le \xC2\xAB " + owner + " \xC2\xBB)";
}

// The roles whose objects a read may reach, as oids: $2 the login, $3
// whether it is a superuser (then only itself: a superuser is a member of
// every role as the server judges it).
constexpr const char* kTrustedRoles =
    "trusted(oid) AS (SELECT r.oid FROM pg_roles r WHERE r.rolsuper OR r.oid = $2::oid "
    "OR r.rolname = 'pg_database_owner' OR (NOT $3::bool AND pg_has_role($2::oid, r.oid, 'MEMBER')) "
    "UNION SELECT datdba FROM pg_database WHERE datname = current_database()), "
    "own(oid) AS (SELECT oid FROM pg_namespace WHERE nspname IN ('pg_catalog', 'information_schema'))";

}  // namespace

std::string TDatabase::RowSecurityText(const std::string& named) const
{
    return RelationRefusal("La table " + named + " a une s\xC3\xA9" "curit\xC3\xA9 par ligne qui s'appliquerait " +
                           (loginSuper_ ? "\xC3\xA0 la lecture, faite sans les droits de superutilisateur"
                                        : "\xC3\xA0 l'utilisateur connect\xC3\xA9"));
}

const TDatabase::Relation& TDatabase::LookUpRelation(const SqlRelationRef& ref, const std::string& written)
{
    const std::string key = SqlRelationKey(ref);
    if (const auto found = relations_.find(key); found != relations_.end()) return found->second;
    if (ref.parts.size() > 2)
        throw EDatabaseError(RelationRefusal("\xC2\xAB " + written + " \xC2\xBB n'est pas un nom de table"));
    // By the schema written, or else the first schema of the role's path that
    // holds the name, as the server itself would find it. A name the server
    // does not know stays as written, so that the query fails naming it.
    // What the name holds is judged once the read has locked it.
    const std::string schema = ref.parts.size() == 2 ? ref.parts[0] : std::string();
    // Row security is judged here already for the message: the server's
    // parse refuses such a read before the checks by oid (row security is
    // off for the session), so no policy runs either way.
    const auto r = Catalog("SELECT n.nspname, c.relname, c.oid, o.rolname, c.relrowsecurity AND NOT (u.rolsuper OR "
                           "u.rolbypassrls) AND (c.relforcerowsecurity OR NOT pg_has_role(u.oid, c.relowner, 'USAGE')) "
                           "FROM pg_class c JOIN pg_namespace n ON n.oid = c.relnamespace "
                           "JOIN pg_roles o ON o.oid = c.relowner JOIN pg_roles u ON u.oid = CASE WHEN $4::bool "
                           "THEN 'pg_read_all_data'::regrole::oid ELSE $5::oid END "
                           "WHERE c.relname = $2 AND CASE WHEN $1 = '' THEN n.oid = ANY ($3::oid[]) ELSE n.nspname = $1 END "
                           "ORDER BY array_position($3::oid[], n.oid) LIMIT 1",
                           {schema, ref.parts.back(), searchSchemas_, loginSuper_ ? "true" : "false", loginOid_});
    Relation relation;
    relation.qualified = written;
    if (PQntuples(r.get()) == 1) {
        relation.found = true;
        relation.qualified = SqlQuoted(PQgetvalue(r.get(), 0, 0), '"') + "." + SqlQuoted(PQgetvalue(r.get(), 0, 1), '"');
        relation.oid = PQgetvalue(r.get(), 0, 2);
        if (std::string(PQgetvalue(r.get(), 0, 4)) == "t")
            throw EDatabaseError(RowSecurityText(
                Named(std::string(PQgetvalue(r.get(), 0, 0)) + "." + PQgetvalue(r.get(), 0, 1), PQgetvalue(r.get(), 0, 3))));
    }
    return relations_[key] = relation;
}

void TDatabase::CheckReached()
{
    // The relations the text names, looked up again by the names it is sent
    // with: the parse holds them locked, so they are what the read reads.
    std::string roots;
    for (auto& [key, relation] : relations_) {
        if (!relation.found) continue;
        const auto r = Catalog("SELECT pg_catalog.to_regclass($1)::oid", {relation.qualified});
        if (PQntuples(r.get()) != 1 || PQgetisnull(r.get(), 0, 0)) continue;
        relation.oid = PQgetvalue(r.get(), 0, 0);
        roots += (roots.empty() ? "" : ",") + relation.oid;
    }
    roots = "{" + roots + "}";
    // The reader: row security is judged for it.
    const std::string reader =
        loginSuper_ ? "(SELECT oid FROM pg_roles WHERE rolname = 'pg_read_all_data')" : "$2::oid";
    // Every relation the read reaches: the named ones, every relation the
    // parse locked (a name that came to mean another relation is seen too),
    // the inheriting tables and partitions at any depth, and what the rules
    // of views read. Then what the views use: functions, operators, types.
    const auto r = Catalog(
        std::string("WITH RECURSIVE ") + kTrustedRoles +
            ", rel(oid) AS (SELECT pg_catalog.unnest($1::oid[]) "
            "UNION SELECT l.relation FROM pg_locks l WHERE l.pid = pg_backend_pid() AND l.locktype = 'relation' "
            "AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
            "AND l.relation >= 16384::oid "
            "UNION SELECT x.oid FROM rel JOIN pg_class c ON c.oid = rel.oid CROSS JOIN LATERAL ("
            "SELECT i.inhrelid FROM pg_inherits i WHERE i.inhparent = c.oid "
            "UNION ALL SELECT d.refobjid FROM pg_rewrite w JOIN pg_depend d ON d.classid = 'pg_rewrite'::regclass "
            "AND d.objid = w.oid AND d.refclassid = 'pg_class'::regclass "
            "WHERE w.ev_class = c.oid AND c.relkind = 'v' AND d.refobjid <> c.oid) x(oid)), "
            // What the planner may run of a relation it reads: the
            // expressions of its indexes (and their predicates), of its
            // partition key, of its statistics and of its CHECK constraints
            // (constraint exclusion) are folded as it plans, a function with
            // constant arguments called then, whoever owns the table.
            "attached(classid, objid) AS (SELECT 'pg_class'::regclass::oid, rel.oid FROM rel "
            "UNION ALL SELECT 'pg_class'::regclass::oid, i.indexrelid FROM rel JOIN pg_index i ON i.indrelid = rel.oid "
            "UNION ALL SELECT 'pg_constraint'::regclass::oid, k.oid FROM rel JOIN pg_constraint k ON k.conrelid = rel.oid "
            "UNION ALL SELECT 'pg_statistic_ext'::regclass::oid, s.oid FROM rel "
            "JOIN pg_statistic_ext s ON s.stxrelid = rel.oid), "
            "used(classid, objid) AS (SELECT DISTINCT d.refclassid, d.refobjid FROM rel "
            "JOIN pg_class c ON c.oid = rel.oid AND c.relkind = 'v' JOIN pg_rewrite w ON w.ev_class = c.oid "
            "JOIN pg_depend d ON d.classid = 'pg_rewrite'::regclass AND d.objid = w.oid "
            "UNION SELECT d.refclassid, d.refobjid FROM attached a JOIN pg_depend d ON d.classid = a.classid "
            "AND d.objid = a.objid AND d.refclassid IN ('pg_proc'::regclass, 'pg_operator'::regclass)), "
            "named(oid, name, kind, owner, rls, forced) AS (SELECT c.oid, n.nspname || '.' || c.relname, c.relkind, "
            "c.relowner, c.relrowsecurity, c.relforcerowsecurity FROM pg_class c "
            "JOIN pg_namespace n ON n.oid = c.relnamespace), "
            "bad(ord, what, name, owner) AS ("
            "SELECT 1, m.kind::text, m.name, m.owner FROM rel JOIN named m ON m.oid = rel.oid "
            "WHERE m.kind IN ('v', 'f') AND m.owner NOT IN (SELECT oid FROM trusted) "
            "UNION ALL SELECT 2, 'n', m.name, m.owner FROM pg_catalog.unnest($1::oid[]) r(oid) "
            "JOIN named m ON m.oid = r.oid WHERE m.kind NOT IN ('r', 'p', 'm', 'v', 'f') "
            // Policies apply to every reader but the superusers, the roles
            // that bypass them and the owner's members (unless forced).
            "UNION ALL SELECT 3, 's', m.name, m.owner FROM pg_catalog.unnest($1::oid[]) r(oid) "
            "JOIN named m ON m.oid = r.oid JOIN pg_roles u ON u.oid = " + reader +
            " WHERE m.rls AND NOT (u.rolsuper OR u.rolbypassrls) AND (m.forced OR NOT pg_has_role(u.oid, m.owner, 'USAGE')) "
            "UNION ALL SELECT 4, 'p', n.nspname || '.' || p.proname, p.proowner FROM used "
            "JOIN pg_proc p ON used.classid = 'pg_proc'::regclass AND p.oid = used.objid "
            "JOIN pg_namespace n ON n.oid = p.pronamespace "
            "WHERE p.pronamespace NOT IN (SELECT oid FROM own) AND p.proowner NOT IN (SELECT oid FROM trusted) "
            "UNION ALL SELECT 5, 'o', n.nspname || '.' || o.oprname, o.oprowner FROM used "
            "JOIN pg_operator o ON used.classid = 'pg_operator'::regclass AND o.oid = used.objid "
            "JOIN pg_namespace n ON n.oid = o.oprnamespace JOIN pg_proc p ON p.oid = o.oprcode "
            "WHERE o.oprnamespace NOT IN (SELECT oid FROM own) AND (o.oprowner NOT IN (SELECT oid FROM trusted) "
            "OR (p.proowner NOT IN (SELECT oid FROM trusted) AND p.pronamespace NOT IN (SELECT oid FROM own))) "
            "UNION ALL SELECT 6, 't', format_type(t.oid, NULL), t.typowner FROM used "
            "JOIN pg_type t ON used.classid = 'pg_type'::regclass AND t.oid = used.objid "
            "WHERE t.typnamespace NOT IN (SELECT oid FROM own) AND t.typowner NOT IN (SELECT oid FROM trusted)) "
            "SELECT (SELECT pg_catalog.array_agg(oid)::text FROM rel), b.what, b.name, o.rolname FROM (SELECT 1) one "
            "LEFT JOIN (SELECT * FROM bad ORDER BY ord LIMIT 1) b ON true LEFT JOIN pg_roles o ON o.oid = b.owner",
        {roots, loginOid_, loginSuper_ ? "true" : "false"});
    if (PQntuples(r.get()) != 1) throw EDatabaseError(kServerRefusedText);
    if (!PQgetisnull(r.get(), 0, 1)) {
        const std::string what = PQgetvalue(r.get(), 0, 1);
        const std::string named = Named(PQgetvalue(r.get(), 0, 2), PQgetvalue(r.get(), 0, 3));
        if (what == "v" || what == "f")
            throw EDatabaseError(RelationRefusal("La " + std::string(what == "v" ? "vue " : "table externe ") + named +
                                                 " n'est pas lue : seules le sont les vues et tables externes " +
                                                 kTrustedOwners));
        if (what == "n") throw EDatabaseError(RelationRefusal(named + " n'est ni une table ni une vue"));
        // Row security is off for the session: the server would refuse the
        // read; said here in the program's words.
        if (what == "s") throw EDatabaseError(RowSecurityText(named));
        if (what == "p")
            throw EDatabaseError(RelationRefusal("La fonction " + named + " n'est pas appel\xC3\xA9" "e : seules le sont "
                                                 "les fonctions du serveur, " + kTrustedOwners));
        if (what == "o")
            throw EDatabaseError(RelationRefusal("L'op\xC3\xA9rateur " + named + " n'est pas appel\xC3\xA9 : seuls le sont "
                                                 "les op\xC3\xA9rateurs du serveur, " + kTrustedOwners));
        throw EDatabaseError(RelationRefusal("Le type " + named + " n'est pas utilis\xC3\xA9 : seuls le sont les types du "
                                             "serveur, " + kTrustedOwners));
    }
    reached_ = PQgetisnull(r.get(), 0, 0) ? "{}" : PQgetvalue(r.get(), 0, 0);
    CheckColumnCasts(reached_);
}

void TDatabase::CheckReachedAgain()
{
    // Relations the read holds locked now (the plan locks the inheriting
    // tables and partitions it reads) that the first look did not reach:
    // then everything is looked at again. Indexes and the like are not read.
    const auto r = Catalog("SELECT EXISTS (SELECT 1 FROM pg_locks l JOIN pg_class c ON c.oid = l.relation "
                           "WHERE l.pid = pg_backend_pid() AND l.locktype = 'relation' "
                           "AND l.database = (SELECT oid FROM pg_database WHERE datname = current_database()) "
                           "AND l.relation >= 16384::oid AND c.relkind IN ('r', 'p', 'f', 'v', 'm') AND l.relation <> ALL ($1::oid[]))",
                           {reached_});
    if (PQntuples(r.get()) != 1 || std::string(PQgetvalue(r.get(), 0, 0)) != "f") CheckReached();
}

void TDatabase::CheckColumnCasts(const std::string& oids)
{
    // A role may give a type it owns (an enumeration, a composite, a range)
    // a cast from or to a built-in type, made by its own function: a table of
    // any owner with a column of that type would run it as the login, as soon
    // as a condition compares the column with a text. Such a relation is
    // refused, the column's type followed through domains, arrays, ranges and
    // composites.
    const auto r = Catalog(
        std::string("WITH RECURSIVE ") + kTrustedRoles +
            ", t(rel, oid) AS (SELECT attrelid, atttypid FROM pg_attribute WHERE attrelid = ANY ($1::oid[]) "
            "AND attnum > 0 AND NOT attisdropped UNION SELECT t.rel, x.oid FROM t JOIN pg_type y ON y.oid = t.oid "
            "CROSS JOIN LATERAL (SELECT y.typbasetype UNION ALL SELECT y.typelem UNION ALL SELECT g.rngsubtype "
            "FROM pg_range g WHERE g.rngtypid = y.oid OR g.rngmultitypid = y.oid UNION ALL SELECT a.atttypid "
            "FROM pg_attribute a WHERE a.attrelid = y.typrelid AND a.attnum > 0) x(oid) WHERE x.oid <> 0) "
            "SELECT rc.relkind, n.nspname || '.' || rc.relname, ro.rolname, format_type(y.oid, NULL), o.rolname "
            "FROM t JOIN pg_type y ON y.oid = t.oid JOIN pg_cast c ON y.oid IN (c.castsource, c.casttarget) "
            "JOIN pg_proc p ON p.oid = c.castfunc JOIN pg_roles o ON o.oid = p.proowner "
            "JOIN pg_class rc ON rc.oid = t.rel JOIN pg_namespace n ON n.oid = rc.relnamespace "
            "JOIN pg_roles ro ON ro.oid = rc.relowner "
            "WHERE y.typowner NOT IN (SELECT oid FROM trusted) AND p.proowner NOT IN (SELECT oid FROM trusted) LIMIT 1",
        {oids, loginOid_, loginSuper_ ? "true" : "false"});
    if (PQntuples(r.get()) != 1) return;
    const char kind = PQgetvalue(r.get(), 0, 0)[0];
    throw EDatabaseError(RelationRefusal(
        std::string(kind == 'v'   ? "La vue "
                    : kind == 'm' ? "La vue mat\xC3\xA9rialis\xC3\xA9" "e "
                    : kind == 'f' ? "La table externe "
                                  : "La table ") +
        Named(PQgetvalue(r.get(), 0, 1), PQgetvalue(r.get(), 0, 2)) + " a une colonne du type \xC2\xAB " +
        PQgetvalue(r.get(), 0, 3) + " \xC2\xBB, qu'une fonction du r\xC3\xB4le \xC2\xAB " + PQgetvalue(r.get(), 0, 4) +
        " \xC2\xBB convertit"));
}
