#!/usr/bin/env bash
# Fails, listing each one, on an include that reaches a folder its layer may
# not include (LAYERS.md).
set -euo pipefail
cd "$(dirname "$0")/.."
declare -A allowed=(
    [framework]="framework"
    [elevation]="elevation framework"
    [correction]="correction elevation framework"
    [dem]="dem correction elevation framework"
    [undo]="undo correction elevation framework"
    [report]="report correction elevation framework"
    [run]="run dem undo report correction elevation framework"
    [tools]="tools run dem undo report correction elevation framework"
    [plugin]="plugin framework"
    [dialogs]="dialogs framework"
    [host]="host plugin dialogs run dem undo report correction elevation framework"
)
bad=0
while IFS= read -r file; do
    layer=${file%%/*}
    [ -n "${allowed[$layer]:-}" ] || continue  # samples, bench, fuzz, testhost, testsupport, tests
    name=${file##*/}
    case "$name" in
        *_test.cc | ResampleCases.cc) continue ;;
    esac
    while IFS= read -r target; do
        if [[ " ${allowed[$layer]} " != *" $target "* ]]; then
            echo "$file includes $target/, above or beside $layer/" >&2
            bad=1
        fi
    done < <(sed -n 's|^#include "\([a-z]*\)/.*|\1|p' "$file")
done < <(git ls-files '*.cc' '*.h')
if [ $bad -ne 0 ]; then
    echo "see LAYERS.md" >&2
    exit 1
fi
echo "layers: every include within its layer or below"
