#!/usr/bin/env bash
# Runs a Windows program of the build under 32-bit Wine on a virtual display.
# Usage: run.sh PREFIX PROGRAM [ARGS...]
set -euo pipefail
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
# ZELVORIN_WINE_MESSAGES: the user interface's language instead of Japanese
# (code page 932 stays), for tests that compare the programs' English texts.
if [ -n "${ZELVORIN_WINE_MESSAGES:-}" ]; then
    unset LC_ALL
    export LC_MESSAGES=$ZELVORIN_WINE_MESSAGES
fi
shift
program=$1
shift
cd "$(dirname "$program")"
exec xvfb-run -a -s "-screen 0 1024x768x24" wine "$(basename "$program")" "$@"
