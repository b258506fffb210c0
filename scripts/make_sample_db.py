#!/usr/bin/env python3
"""Builds the embedded sample database data/carotix.db from scripts/sample_db.sql.

    python3 scripts/make_sample_db.py            # (re)writes data/carotix.db
    python3 scripts/make_sample_db.py --check    # exit 1 when the shipped file is not current

The check compares the content (schema and rows), not the bytes, which depend
on the SQLite version that wrote the file.
"""
import os
import sqlite3
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
SQL = os.path.join(HERE, "sample_db.sql")
TARGET = os.path.join(HERE, "..", "data", "carotix.db")


def build(connection):
    with open(SQL, encoding="utf-8") as f:
        connection.executescript(f.read())
    connection.commit()


def content(connection):
    return list(connection.iterdump())


def main():
    fresh = sqlite3.connect(":memory:")
    build(fresh)
    if "--check" in sys.argv[1:]:
        if not os.path.exists(TARGET):
            print("data/carotix.db is missing: run scripts/make_sample_db.py")
            return 1
        shipped = sqlite3.connect(TARGET)
        if content(shipped) != content(fresh):
            print("data/carotix.db is not current: run scripts/make_sample_db.py")
            return 1
        print("data/carotix.db is current")
        return 0
    temp = TARGET + ".tmp"
    if os.path.exists(temp):
        os.remove(temp)
    out = sqlite3.connect(temp)
    build(out)
    out.execute("VACUUM")
    out.close()
    os.replace(temp, TARGET)
    print("wrote", os.path.normpath(TARGET))
    return 0


if __name__ == "__main__":
    sys.exit(main())
