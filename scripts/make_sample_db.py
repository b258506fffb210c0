#!/usr/bin/env python3
"""Builds the program's sample from its one text, scripts/sample_collection.txt:

  - the sample collection data/Exemples/exemple.crx;
  - the sample database as SQL, scripts/sample_db.sql, and as the embedded
    SQLite file data/carotix.db: the collection's values put where data/sql.ini
    (as shipped) fetches them, so that downloading a sample ouvrage gives back
    what the collection holds;
  - the tests' own database tests/data/carotix.db from tests/data/database.sql.

    python3 scripts/make_sample_db.py            # (re)writes the files
    python3 scripts/make_sample_db.py --check    # exit 1 when a shipped file is not current

The check compares the collection and the SQL byte for byte, and the SQLite
files by content (schema and rows), not by bytes, which depend on the SQLite
version that wrote them.
"""
import math
import os
import sqlite3
import struct
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.normpath(os.path.join(HERE, ".."))
SOURCE = os.path.join(HERE, "sample_collection.txt")
SQL = os.path.join(HERE, "sample_db.sql")
CRX = os.path.join(ROOT, "data", "Exemples", "exemple.crx")
TARGET = os.path.join(ROOT, "data", "carotix.db")
SQL_INI = os.path.join(ROOT, "data", "sql.ini")
EDITION_INI = os.path.join(ROOT, "data", "edition.ini")
TEST_SQL = os.path.join(ROOT, "tests", "data", "database.sql")
TEST_DB = os.path.join(ROOT, "tests", "data", "carotix.db")

DESIGN = "Désign"
# What the download fetches, in its order: record sheets, then tables.
SHEETS = ["Dossier", "Ouvrage"]
TABLES = ["Doc", "Exec", "Niveau", "Trou-nu", "Tubage", "Annulaire", "Pompage"]


# ---- the text ------------------------------------------------------------------

class Table:
    def __init__(self, name):
        self.name = name
        self.columns = []  # (name, kind)
        self.rows = []     # lists of values (None: missing)


def parse_cell(text, kind, where):
    text = text.strip()
    if text == "":
        return None
    try:
        if kind == "I":
            return int(text)
        if kind == "F":
            return float(text)
    except ValueError:
        raise SystemExit(f"{where}: '{text}' is not a number")
    return text


def read_source(path):
    values, boreholes, database = [], [], None
    table = None
    with open(path, encoding="utf-8") as f:
        lines = f.read().split("\n")
    for number, raw in enumerate(lines, 1):
        where = f"{os.path.basename(path)}:{number}"
        line = raw.rstrip()
        if database is not None:
            database.append(line)
        elif not line.strip() or line.lstrip().startswith("#"):
            continue
        elif line == "database":
            database = []
        elif line.startswith("value "):
            name, _, text = line[6:].partition("=")
            values.append((name.strip(), text.strip()))
        elif line.startswith("borehole "):
            boreholes.append((line[9:].strip(), []))
            table = None
        elif line.startswith("table "):
            if not boreholes:
                raise SystemExit(f"{where}: a table outside a borehole")
            table = Table(line[6:].strip())
            boreholes[-1][1].append(table)
        elif table is not None and not table.columns:
            for cell in line.split("|"):
                name, _, kind = cell.strip().rpartition(":")
                if kind not in ("S", "I", "F") or not name:
                    raise SystemExit(f"{where}: a column is written NAME:S, NAME:I or NAME:F")
                table.columns.append((name, kind))
        elif table is not None:
            cells = line.split("|")
            if len(cells) != len(table.columns):
                raise SystemExit(f"{where}: {len(cells)} cells for {len(table.columns)} columns")
            table.rows.append([parse_cell(c, k, where) for c, (_, k) in zip(cells, table.columns)])
        else:
            raise SystemExit(f"{where}: a line outside any table")
    return values, boreholes, ("\n".join(database).strip() + "\n") if database else ""


# ---- the collection file -----------------------------------------------------------

MISSING_INT = -2147483648


def encode(text):
    return text.encode("cp1252")


def byte_text(text):
    b = encode(text)[:255]
    return struct.pack("<B", len(b)) + b


def word_text(text):
    b = encode(text)[:65535]
    return struct.pack("<H", len(b)) + b


def str_block(name, text):
    b = encode(text)
    if len(b) < 256:
        return byte_text(name) + bytes([7]) + byte_text(text)
    if len(b) < 65536:
        return byte_text(name) + bytes([6]) + word_text(text)
    return byte_text(name) + bytes([5]) + struct.pack("<I", len(b)) + b


def column_block(name, kind, values):
    out = byte_text(name)
    if kind == "S":
        out += bytes([8]) + struct.pack("<I", len(values))
        for v in values:
            out += word_text(v or "")
    elif kind == "I":
        out += bytes([10]) + struct.pack("<I", len(values))
        out += b"".join(struct.pack("<i", MISSING_INT if v is None else v) for v in values)
    else:
        out += bytes([12]) + struct.pack("<I", len(values))
        out += b"".join(struct.pack("<d", -math.inf if v is None else v) for v in values)
    return out


def dir_block(name, children):
    n = len(children)
    if n < 256:
        head = bytes([3]) + struct.pack("<B", n)
    elif n < 65536:
        head = bytes([2]) + struct.pack("<H", n)
    else:
        head = bytes([1]) + struct.pack("<I", n)
    return byte_text(name) + head + b"".join(children)


def collection_bytes(values, boreholes):
    children = [str_block(name, text) for name, text in values]
    for indice, tables in boreholes:
        dirs = []
        for t in tables:
            columns = [column_block(name, kind, [row[i] for row in t.rows]) for i, (name, kind) in enumerate(t.columns)]
            dirs.append(dir_block(t.name, columns))
        children.append(dir_block(indice, dirs))
    return dir_block("Carotix", children)


# ---- the database ------------------------------------------------------------------

def read_ini(path):
    """Sections of an .ini file in file order: [(name, [(key, value)])]."""
    sections = []
    with open(path, encoding="cp1252") as f:
        for line in f.read().splitlines():
            line = line.strip()
            if not line or line.startswith(";"):
                continue
            if line.startswith("[") and line.endswith("]"):
                sections.append((line[1:-1], []))
            elif sections:
                key, _, value = line.partition("=")
                sections[-1][1].append((key.strip(), value.strip()))
    return sections


def field_defs(edition, table):
    """Path -> (kind, width) of the table's fields in edition.ini."""
    out = {}
    for name, entries in edition:
        if name == table:
            for _, value in entries:
                path, _, kw = value.rpartition(":")
                if path and kw:
                    out[path] = (kw[0], int(kw[1:]) if kw[1:].isdigit() else 0)
    return out


def lexicon_key(edition, table, path, value):
    """The word the database holds for a code of a table's lexicon: the key
    whose line gives that code, when the download maps that key back to it
    (the first line whose key matches, [T\\F] before [T\\F*]); else None."""
    lines = []
    for section in (table + "\\" + path, table + "\\" + path + "*"):
        for name, entries in edition:
            if name == section:
                lines += [(k, v.split("=")[0]) for k, v in entries]
    for key, code in lines:
        if code == str(value):
            back = next(c for k, c in lines if k.upper() == key.upper())
            return key if back == str(value) else None
    return None


def sql_literal(value):
    if value is None:
        return "NULL"
    if isinstance(value, str):
        return "'" + value.replace("'", "''") + "'"
    if isinstance(value, float):
        return repr(value) if value != int(value) else f"{value:.1f}"
    return str(value)


def sql_sections(sql_ini):
    """The table sections of sql.ini: (database table, collection table, keys)."""
    out = []
    for name, entries in sql_ini:
        db, _, table = name.partition("=")
        db, table = db.strip(), (table.strip() or db.strip())
        if "." in db:
            continue  # a look-up of one field, not a table
        out.append((db, table, entries))
    return out


def database_sql(boreholes, extra, sql_ini, edition):
    header = (
        "-- The sample database of Carotix, written by scripts/make_sample_db.py from\n"
        "-- scripts/sample_collection.txt: do not edit. The ouvrages of the sample\n"
        "-- collection as a regional borehole database keeps them, one table per kind of\n"
        "-- data, with the columns that data/sql.ini fetches; lexicon fields of the\n"
        "-- tables hold the words of edition.ini's lexicons. The same text builds the\n"
        "-- embedded SQLite file data/carotix.db; it loads into PostgreSQL too.\n"
    )
    creates, inserts = [], []
    for db, table, entries in sql_sections(sql_ini):
        if table not in SHEETS + TABLES:
            continue
        defs = field_defs(edition, table)
        keyed = [(k, v) for k, v in entries if k.upper() not in ("DESIGNATION", "FROM", "WHERE")]
        by_design = any(k.upper() == "DESIGNATION" for k, _ in entries)
        sheet = table in SHEETS
        rows = []
        for indice, tables in boreholes:
            source = next((t for t in tables if t.name == table), None)
            if source is None:
                continue
            names = [c for c, _ in source.columns]
            for row in source.rows:
                design = row[names.index(DESIGN)] if DESIGN in names else None
                if by_design and design is None:
                    raise SystemExit(f"{indice}\\{table}: a row without {DESIGN}")
                cells = []
                for column, path in keyed:
                    value = row[names.index(path)] if path in names else None
                    kind = defs.get(path, ("S", 0))[0]
                    if value is not None and kind == "E":
                        value = f"{value[0:4]}-{value[4:6]}-{value[6:8]}"
                    elif value is not None and not sheet:
                        value = lexicon_key(edition, table, path, value) or value
                    cells.append(value)
                rows.append([indice] + ([design] if by_design else []) + cells)
        types = []
        for i, (column, path) in enumerate(keyed):
            kind, width = defs.get(path, ("S", 40))
            texts = any(isinstance(r[i + 1 + by_design], str) for r in rows)
            if kind in ("D", "E"):
                types.append("DATE")
            elif texts or kind in ("S", "U", "A"):
                types.append(f"VARCHAR({max(width, 30) if texts and kind not in ('S', 'U', 'A') else width})")
            elif kind in ("I", "N"):
                types.append("INTEGER")
            else:
                types.append("NUMERIC(12,2)")
        heads = ["INDICE VARCHAR(20) NOT NULL"] + (["DESIGNATION VARCHAR(10) NOT NULL"] if by_design else [])
        heads += [f"{c.upper()} {t}" for (c, _), t in zip(keyed, types)]
        key = "PRIMARY KEY (INDICE" + (", DESIGNATION" if by_design else "") + ")" if sheet else None
        creates.append(f"CREATE TABLE {db} (\n  " + ",\n  ".join(heads + ([key] if key else [])) + ");\n")
        inserts += [f"INSERT INTO {db} VALUES (" + ", ".join(sql_literal(v) for v in r) + ");\n" for r in rows]
        inserts.append("\n")
    return header + "\n" + "\n".join(creates) + "\n" + "".join(inserts) + extra


# ---- writing and checking ------------------------------------------------------------

def sqlite_content(path_or_script, script=False):
    connection = sqlite3.connect(":memory:")
    if script:
        connection.executescript(path_or_script)
    else:
        disk = sqlite3.connect(path_or_script)
        disk.backup(connection)
        disk.close()
    return list(connection.iterdump())


def write_sqlite(target, script):
    temp = target + ".tmp"
    if os.path.exists(temp):
        os.remove(temp)
    out = sqlite3.connect(temp)
    out.executescript(script)
    out.commit()
    out.execute("VACUUM")
    out.close()
    os.replace(temp, target)


def write_bytes(target, data):
    os.makedirs(os.path.dirname(target), exist_ok=True)
    temp = target + ".tmp"
    with open(temp, "wb") as f:
        f.write(data)
    os.replace(temp, target)


def main():
    values, boreholes, extra = read_source(SOURCE)
    crx = collection_bytes(values, boreholes)
    sql = database_sql(boreholes, extra, read_ini(SQL_INI), read_ini(EDITION_INI)).encode("utf-8")
    with open(TEST_SQL, encoding="utf-8") as f:
        test_sql = f.read()
    rel = lambda p: os.path.relpath(p, ROOT)
    if "--check" in sys.argv[1:]:
        stale = []
        for path, data in ((CRX, crx), (SQL, sql)):
            if not os.path.exists(path) or open(path, "rb").read() != data:
                stale.append(rel(path))
        for path, script in ((TARGET, sql.decode("utf-8")), (TEST_DB, test_sql)):
            if not os.path.exists(path) or sqlite_content(path) != sqlite_content(script, True):
                stale.append(rel(path))
        if stale:
            print(", ".join(stale) + " not current: run scripts/make_sample_db.py")
            return 1
        print("the sample collection and databases are current")
        return 0
    write_bytes(CRX, crx)
    write_bytes(SQL, sql)
    write_sqlite(TARGET, sql.decode("utf-8"))
    write_sqlite(TEST_DB, test_sql)
    for path in (CRX, SQL, TARGET, TEST_DB):
        print("wrote", rel(path))
    return 0


if __name__ == "__main__":
    sys.exit(main())
