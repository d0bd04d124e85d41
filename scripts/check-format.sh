#!/usr/bin/env bash
# Fails when a C++ file differs from what the repository's .clang-format makes of it, listing the
# files; `scripts/check-format.sh --fix` rewrites them instead.
set -euo pipefail
here="$(cd "$(dirname "$0")/.." && pwd)"
"$here/scripts/deps.sh" clang-format git
cd "$here"
mapfile -t files < <(git ls-files '*.h' '*.cpp')
if [ "${1:-}" = "--fix" ]; then
    clang-format -i "${files[@]}"
    exit 0
fi
unformatted=()
for file in "${files[@]}"; do
    if ! clang-format --dry-run -Werror "$file" >/dev/null 2>&1; then
        unformatted+=("$file")
    fi
done
if [ ${#unformatted[@]} -gt 0 ]; then
    printf 'Not formatted (scripts/check-format.sh --fix rewrites them):\n'
    printf '  %s\n' "${unformatted[@]}"
    exit 1
fi
echo "Formatting: ${#files[@]} files as .clang-format wants them"
