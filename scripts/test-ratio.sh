#!/usr/bin/env bash
# The size of the suite against the size of the code: non-blank lines of C and C++ under
# tests/, and under src/ and bench/ together. Exits 1 when the suite is outside 25 to 35 %
# of the code.
set -euo pipefail
cd "$(dirname "$0")/.."

lines() {
  find "$@" -type f \( -name '*.c' -o -name '*.cc' -o -name '*.cpp' -o -name '*.h' -o -name '*.hpp' \) \
    -print0 | xargs -0 cat | grep -cv '^[[:space:]]*$'
}
tests=$(lines tests)
code=$(lines src bench)
percent=$((100 * tests / code))
echo "tests: $tests non-blank lines; src and bench: $code; ratio $percent % (25 to 35 % asked)"
[ "$((100 * tests))" -ge "$((25 * code))" ] && [ "$((100 * tests))" -le "$((35 * code))" ]
