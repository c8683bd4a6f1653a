#!/usr/bin/env bash
# Prints test code against product code, in non-blank, non-comment C++ lines.
# Test code is tests/, fuzz/ and every test double; bench/ and dev/ count on
# neither side. The aim is about a third, at most 0.40.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
files() { { git ls-files; git ls-files --others --exclude-standard; } | sort -u; }
count() {
    files | grep -E "$1" | grep -E '\.(cpp|cc|h|hpp)$' | while read -r f; do [ -f "$f" ] && cat "$f"; done |
        grep -c -v -E '^\s*(//.*)?$' || true
}
tests=$(count '^(tests|fuzz)/|(^|/)(fake[^/]*|hidsim|[^/]*sim[^/]*|mock[^/]*|stub[^/]*)/')
tools=$(count '^(bench|dev)/')
all=$(count '.')
product=$((all - tests - tools))
echo "test code: $tests lines, product code: $product lines, ratio $(awk "BEGIN { printf \"%.2f\", $tests / $product }")"
