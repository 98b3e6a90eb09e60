#!/bin/bash
# Prints how large the tests are against the code they test: non-blank lines
# of C++ (.cpp and .h) committed under tests/ against those under source/.
# Above the share we keep them under (36 %) it says so; with --check it then
# fails, so that growth goes into tables and shared fixtures rather than more
# of the same.
set -euo pipefail
cd "$(dirname "$0")/.."
limit=36
count() {
  git ls-files -- "$1" | grep -E '\.(cpp|h)$' | xargs -r cat | grep -cv '^[[:space:]]*$'
}
code=$(count source)
tests=$(count tests)
share=$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.1f", 100 * t / c }')
echo "Tests: $tests non-blank lines of C++ against $code in source/ ($share %, at most $limit %)"
awk -v s="$share" -v l="$limit" 'BEGIN { exit !(s <= l) }' || {
  echo "The tests are above $limit % of the code: merge cases into tables, share fixtures" \
    "in tests/support, and drop tests that repeat another." >&2
  [ "${1:-}" != --check ]
}
