#!/usr/bin/env bash
# Takes a screenshot of a Windows program of the build after it has had time
# to draw, then ends it. Usage: screenshot.sh PREFIX PROGRAM OUTPUT.png SECONDS [ARGS...]
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
program=$2
output=$(realpath -m "$3")
wait=$4
shift 4
cd "$(dirname "$program")"
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
    program=$1 wait=$2 output=$3
    shift 3
    wine "$program" "$@" & pid=$!
    sleep "$wait"
    import -window root "$output"
    kill $pid 2>/dev/null || true
    wineserver -k 2>/dev/null || true
' _ "$(basename "$program")" "$wait" "$output" "$@"
echo "wrote $output"
