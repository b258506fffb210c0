#!/usr/bin/env python3
"""The coding library exports its five entry points and nothing else."""
import subprocess
import sys

EXPECTED = {"MakeCode", "Tokenize", "LoadData", "AddrListeNoms", "AddrListeAdjs"}


def main():
    library = sys.argv[1]
    out = subprocess.run(["nm", "-D", "--defined-only", library], check=True, capture_output=True, text=True).stdout
    names = {line.split()[-1] for line in out.splitlines() if line.strip()}
    # Version nodes show up as absolute symbols of the linker; they are no code.
    names = {n for n in names if not n.startswith("VERS_") and "@@" not in n}
    if names != EXPECTED:
        print("exported:", sorted(names))
        print("missing:", sorted(EXPECTED - names), "extra:", sorted(names - EXPECTED))
        return 1
    print("exports:", " ".join(sorted(names)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
