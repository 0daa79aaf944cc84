#!/bin/sh
# Lists the C and C++ files that differ from .clang-format's rule, and the
# one command that fixes them; exit code 1 when any differ, else 0.
set -eu
cd "$(dirname "$0")/.."
tools/setup-debian.sh clang-format >/dev/null

differ=$(git ls-files '*.c' '*.cpp' '*.h' | while read -r file; do
    clang-format --dry-run --Werror "$file" >/dev/null 2>&1 || echo "$file"
done)
[ -n "$differ" ] || exit 0
echo "These files differ from .clang-format:"
echo "$differ" | sed 's/^/  /'
echo "To fix them, run:"
echo "  clang-format -i" $differ
exit 1
