#!/usr/bin/env bash
# Under Wine on a pseudo-terminal, which gives the program a console: its
# Japanese line arrives as UTF-8, and SIGINT, which Wine turns into the
# console's Ctrl-C, reaches the handler that CatchStopRequests installs.
# Usage: console_stop_test.sh PREFIX PROBE.exe
set -u
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
probe=$2
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvorin_console.XXXXXX")
# On the way out, waits for the Wine processes that this program started
# without a display to end: the next test's windows get a desktop of their own.
trap 'wineserver -w; rm -rf "$work"' EXIT
cd "$(dirname "$probe")"
name=$(basename "$probe")
# -f: the log follows the program as it writes, so that its "ready" shows.
script -qfec "wine '$name'; echo status=\$?" "$work/log" >/dev/null </dev/null &
runner=$!
# What the program wrote, without the escape sequences that Wine's console
# puts between the characters.
shown() { sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/log" 2>/dev/null; }
for _ in $(seq 600); do shown | grep -q ready && break; sleep 0.1; done
if ! shown | grep -q ready; then
    echo "FAIL the program never said ready"
    kill "$runner" 2>/dev/null
    exit 1
fi
# The program's process: its name, in this test's prefix.
pid=
for _ in $(seq 100); do
    for candidate in $(pgrep -f "^$name"); do
        tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null |
            grep -qx "WINEPREFIX=$WINEPREFIX" && pid=$candidate
    done
    [ -n "$pid" ] && break
    sleep 0.1
done
[ -n "$pid" ] && kill -INT "$pid"
wait "$runner"
failed=0
if shown | grep -q 'status=130'; then echo "ok   Ctrl-C stops with 130"; else
    echo "FAIL Ctrl-C: $(grep -ao 'status=[0-9]*' "$work/log")"
    failed=1
fi
if shown | grep -qF '訂正用数値地図'; then echo "ok   Japanese on the console"; else
    echo "FAIL Japanese on the console:"
    shown | od -c | head -20
    failed=1
fi
# Progress is redrawn with spaces: the console, which here takes no escape
# sequences, holds none after it. (Wine's console draws spaces as cursor
# moves, which shown strips.)
if shown | grep -q 'no *escape *on *the *screen'; then echo "ok   no escape sequence on the console"; else
    echo "FAIL the console holds an escape character: $(shown | grep -a 'escape on')"
    failed=1
fi
exit $failed
