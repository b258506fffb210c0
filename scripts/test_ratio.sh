#!/usr/bin/env bash
# Prints the weight of the tests against the code they test: non-blank lines
# of tests/ (C++, headers and Python) and of src/ + codage/ (C++ and headers).
# Informative only: it never fails the caller.
here="$(cd "$(dirname "$0")/.." && pwd)"
# count PYTHON(yes|no) FOLDER...: non-blank lines of the C++ (and Python) files.
count() {
  local py="$1"; shift
  local names=(-name '*.cpp' -o -name '*.cc' -o -name '*.c' -o -name '*.h' -o -name '*.hpp')
  [ "$py" = yes ] && names+=(-o -name '*.py')
  find "$@" -type f \( "${names[@]}" \) -print0 2>/dev/null |
    xargs -0 -r cat 2>/dev/null | grep -c '[^[:space:]]'
}
tests=$(count yes "$here/tests") || tests=0
code=$(count no "$here/src" "$here/codage") || code=0
ratio=$(awk -v t="$tests" -v c="$code" 'BEGIN { if (c > 0) printf "%.1f", 100 * t / c; else printf "-" }')
echo "Non-blank lines: tests/ $tests, src/ + codage/ $code, ratio $ratio %"
exit 0
