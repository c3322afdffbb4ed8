#!/usr/bin/env bash
# Counts lines of code the way the README states: non-blank lines that are
# neither only a comment nor a preprocessor line. Product: .cpp/.h under the subsystem folders and res/.
# Tests: .cpp/.h/.sh/.py/.cmake/CMakeLists.txt under tests/, and the test-only
# programs under tools/ (.cpp/.h and CMakeLists.txt; the two .py scripts there
# draw the product's pictures and count as neither). Prints both and their
# ratio, which should stay between 0.25 and 0.55.
set -euo pipefail
cd "$(dirname "$0")/.."

# C and C++: drop blank lines, // lines, /* ... */ blocks that stand alone and
# preprocessor lines.
count_c() {
  [ $# -eq 0 ] && { echo 0; return; }
  awk '
    inblock { if ($0 ~ /\*\//) inblock = 0; next }
    /^[ \t]*$/ { next }
    /^[ \t]*\/\// { next }
    /^[ \t]*#/ { next }
    /^[ \t]*\/\*/ { if ($0 !~ /\*\//) inblock = 1; next }
    { n++ }
    END { print n + 0 }' "$@"
}
# Shell, Python, CMake: drop blank lines and # lines.
count_hash() {
  [ $# -eq 0 ] && { echo 0; return; }
  awk '/^[ \t]*$/ { next } /^[ \t]*#/ { next } { n++ } END { print n + 0 }' "$@"
}

mapfile -t product < <(find app tray ui desktopmenu options about res -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
mapfile -t tests_c < <(find tests tools -type f \( -name '*.cpp' -o -name '*.h' \) | sort)
mapfile -t tests_h < <({ find tests -type f \( -name '*.sh' -o -name '*.py' -o -name '*.cmake' -o -name 'CMakeLists.txt' \)
                        echo tools/CMakeLists.txt; } | sort)

p=$(count_c "${product[@]}")
t=$(( $(count_c "${tests_c[@]}") + $(count_hash "${tests_h[@]}") ))
echo "product: $p lines"
echo "tests:   $t lines"
awk -v t="$t" -v p="$p" 'BEGIN { printf "tests/product: %.3f (aim: 0.25 to 0.55)\n", t / p }'
