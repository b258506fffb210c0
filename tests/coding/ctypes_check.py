#!/usr/bin/env python3
"""Loads the built coding library through ctypes, outside any C++ code, and
checks that it gives the expected codes of the shared case table.

Usage: ctypes_check.py LIBRARY DATA_DIR CASES.tsv
The library and the shipped word lists are copied into a temporary folder
first: the library reads its files from its own folder. The corpus score and
the word kinds are checked by the C++ tests of the library.
"""
import ctypes
import os
import shutil
import sys
import tempfile


class CodageNomEntry(ctypes.Structure):
    _fields_ = [("Singulier", ctypes.c_char_p), ("Pluriel", ctypes.c_char_p)]


class CodageListeNoms(ctypes.Structure):
    _fields_ = [("Count", ctypes.c_int32), ("Items", ctypes.POINTER(CodageNomEntry))]


def read_cases(path):
    cases = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line and not line.startswith("#"):
                description, code, _ = line.split("\t")
                cases.append(("" if description == '""' else description, "" if code == '""' else code))
    return cases


def main():
    library, data_dir, cases_file = sys.argv[1:4]
    cases = read_cases(cases_file)
    with tempfile.TemporaryDirectory(prefix="carotix-ctypes-") as folder:
        for name in ("Descriptions.csv", "Noms.csv", "Adjectifs.csv", "Inhibiteurs.csv", "Activateurs.csv"):
            shutil.copy(os.path.join(data_dir, name), folder)
        copy = os.path.join(folder, "Codage.so")
        shutil.copy(library, copy)
        lib = ctypes.CDLL(copy, mode=os.RTLD_NOW | os.RTLD_LOCAL)

        lib.MakeCode.argtypes = [ctypes.c_char_p, ctypes.POINTER(ctypes.c_char_p)]
        lib.MakeCode.restype = None
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

        # The noun list keeps its address across LoadData.
        before = lib.AddrListeNoms()
        count_before = before.contents.Count
        lib.LoadData()
        after = lib.AddrListeNoms()
        if ctypes.addressof(before.contents) != ctypes.addressof(after.contents) or \
                after.contents.Count != count_before or count_before < 150:
            failures += 1
            print("FAIL noun list:", count_before, after.contents.Count)

        print(f"{len(cases)} descriptions, {failures} failure(s)")
        return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
