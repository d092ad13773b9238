#!/usr/bin/env bash
# Fails, listing the files, when a C++ source differs from what .clang-format
# makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh format
bad=()
while IFS= read -r f; do
    clang-format --style=file "$f" | cmp -s - "$f" || bad+=("$f")
done < <(git ls-files '*.cc' '*.h')
if [ ${#bad[@]} -gt 0 ]; then
    echo "not formatted (run clang-format -i on them):" >&2
    printf '  %s\n' "${bad[@]}" >&2
    exit 1
fi
echo "format: every source as .clang-format gives it"
