#!/usr/bin/env python3
"""Loads the built coding library through ctypes, outside any C++ code, and
checks that it gives the expected codes of the shared case table.

Usage: ctypes_check.py LIBRARY DATA_DIR CASES.tsv [CORPUS.tsv]
With a corpus of descriptions and their main lithologies, it also prints the
share it gets right and fails under 95 %. The library and the shipped word lists are copied into a temporary folder
first: the library reads its files from its own folder.
"""
import ctypes
import os
import shutil
import sys
import tempfile


class CodageToken(ctypes.Structure):
    _fields_ = [
        ("Kind", ctypes.c_uint8),
        ("Text", ctypes.c_char_p),
        ("Entry", ctypes.c_int32),
        ("Form", ctypes.c_uint8),
        ("Flags", ctypes.c_uint8),
        ("Group", ctypes.c_int32),
        ("Active", ctypes.c_uint8),
        ("Reserved1", ctypes.c_uint8),
        ("Reserved2", ctypes.c_uint8),
    ]


class CodageNomEntry(ctypes.Structure):
    _fields_ = [("Singulier", ctypes.c_char_p), ("Pluriel", ctypes.c_char_p)]


class CodageListeNoms(ctypes.Structure):
    _fields_ = [("Count", ctypes.c_int32), ("Items", ctypes.POINTER(CodageNomEntry))]


def read_cases(path, with_kind=False):
    cases = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if not line or line.startswith("#"):
                continue
            description, code, kind = line.split("\t")
            case = ("" if description == '""' else description, "" if code == '""' else code)
            cases.append(case + (kind,) if with_kind else case)
    return cases


def leading_capitals(code):
    n = 0
    while n < len(code) and "A" <= code[n] <= "Z":
        n += 1
    return code[:n]


def main_lithology_right(code, expected):
    """A bare family ("ARG") asks for the code's leading capitals; a whole code for itself."""
    if expected and expected.isalpha():
        return leading_capitals(code) == expected
    return code == expected


def score_corpus(lib, corpus_file):
    """Prints the share of main lithologies right, by kind; False under 95 %."""
    by_kind = {}
    wrong = []
    for description, expected, kind in read_cases(corpus_file, with_kind=True):
        code = ctypes.c_char_p()
        lib.MakeCode(description.encode("utf-8"), ctypes.byref(code))
        got = code.value.decode("utf-8")
        ok = main_lithology_right(got, expected)
        right, total = by_kind.get(kind, (0, 0))
        by_kind[kind] = (right + ok, total + 1)
        if not ok:
            wrong.append(f"  {kind}: {description!r} -> {got!r}, main lithology {expected}")
    right = sum(r for r, _ in by_kind.values())
    total = sum(t for _, t in by_kind.values())
    for kind, (r, t) in by_kind.items():
        print(f"  {kind:<10} {r}/{t}")
    print("\n".join(wrong))
    share = 100.0 * right / total if total else 0.0
    print(f"corpus: {right}/{total} main lithologies right ({share:.1f} %)")
    return total > 0 and share >= 95.0


def main():
    library, data_dir, cases_file = sys.argv[1:4]
    corpus_file = sys.argv[4] if len(sys.argv) > 4 else None
    cases = read_cases(cases_file)
    with tempfile.TemporaryDirectory(prefix="carotix-ctypes-") as folder:
        for name in ("Descriptions.csv", "Noms.csv", "Adjectifs.csv", "Inhibiteurs.csv", "Activateurs.csv"):
            shutil.copy(os.path.join(data_dir, name), folder)
        copy = os.path.join(folder, "Codage.so")
        shutil.copy(library, copy)
        lib = ctypes.CDLL(copy, mode=os.RTLD_NOW | os.RTLD_LOCAL)

        lib.MakeCode.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p)]
        lib.MakeCode.restype = None
        lib.Tokenize.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.POINTER(CodageToken)),
                                 ctypes.POINTER(ctypes.c_int32)]
        lib.Tokenize.restype = None
        lib.AddrListeNoms.argtypes = []
        lib.AddrListeNoms.restype = ctypes.POINTER(CodageListeNoms)
        lib.LoadData.argtypes = []
        lib.LoadData.restype = None

        failures = 0
        for description, expected in cases:
            code = ctypes.c_char_p()
            lib.MakeCode(description.encode("utf-8"), ctypes.byref(code))
            got = code.value.decode("utf-8")
            if got != expected:
                failures += 1
                print(f"FAIL {description!r}: expected {expected!r}, got {got!r}")

        # Word kinds come out the same way.
        tokens = ctypes.POINTER(CodageToken)()
        count = ctypes.c_int32()
        lib.Tokenize("Argile sableuse, 30 % de gravier".encode("utf-8"), ctypes.byref(tokens), ctypes.byref(count))
        seen = [(tokens[i].Text.decode("utf-8"), tokens[i].Kind) for i in range(count.value)]
        wanted = [("ARGILE", 1), ("SABLEUSE", 2), (",", 0), ("30", 0), ("%", 0), ("DE", 0), ("GRAVIER", 1)]
        if seen != wanted:
            failures += 1
            print("FAIL tokens:", seen)

        # The noun list keeps its address across LoadData.
        before = lib.AddrListeNoms()
        count_before = before.contents.Count
        lib.LoadData()
        after = lib.AddrListeNoms()
        if ctypes.addressof(before.contents) != ctypes.addressof(after.contents) or \
                after.contents.Count != count_before or count_before < 150:
            failures += 1
            print("FAIL noun list:", count_before, after.contents.Count)

        if corpus_file and not score_corpus(lib, corpus_file):
            failures += 1

        print(f"{len(cases)} descriptions, {failures} failure(s)")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
