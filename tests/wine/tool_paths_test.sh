#!/usr/bin/env bash
# zelvorin-correct.exe under Wine on names and in situations of Windows'
# own: a map that another program holds open sharing nothing; a folder and
# files named with what code page 932 cannot spell ("é", "한"), every input
# and output there and the restore from there; Japanese names whose second
# bytes in code page 932 are '\' (表, ソ, 能); its messages in Japanese and
# English as the user interface language says; its help, the Linux
# program's but for the name.
# Usage: tool_paths_test.sh PREFIX WINDOWS_BIN [LINUX_TOOL]
set -u
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8
unset LC_ALL
bin=$2
linux_tool=${3:-}
work=$(mktemp -d "${TEST_TMPDIR:-${TMPDIR:-/tmp}}/zelvorin_wine_paths.XXXXXX")
trap 'exec 5>&- 2>/dev/null; rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
win() { echo "Z:$1"; }  # a Linux path as Wine's drive Z: shows it
# zc ARGS...: the program, messages in English (LC_MESSAGES), ANSI code page
# 932 (LANG); its redirected output read back in UTF-8 as out and err.
zc() {
    (cd "$bin" && LC_MESSAGES=en_US.UTF-8 timeout 120 wine zelvorin-correct.exe "$@") \
        >"$work/out.raw" 2>"$work/err.raw"
    local status=$?
    iconv -f CP932 -t UTF-8 "$work/out.raw" | tr -d '\r' >"$work/out"
    iconv -f CP932 -t UTF-8 "$work/err.raw" | tr -d '\r' >"$work/err"
    return $status
}
wineserver -p20

(cd "$bin" && timeout 120 wine zelvorin-sample.exe "$(win "$work/sample")") >/dev/null 2>&1 ||
    { echo "FAIL the sample"; exit 1; }
sample=$work/sample

# A map held by another program: status 3 and the system's reason.
cp "$sample/sample.dcm" "$work/held.dcm"
mkfifo "$work/hold"
(cd "$bin" && LC_MESSAGES=en_US.UTF-8 timeout 120 wine hold_file_probe.exe \
    "$(win "$work/held.dcm")") \
    <"$work/hold" >"$work/hold.out" 2>&1 &
holder=$!
exec 5>"$work/hold"
for _ in $(seq 300); do grep -q held "$work/hold.out" 2>/dev/null && break; sleep 0.1; done
zc "$(win "$work/held.dcm")" "$(win "$sample/mesh")"
status=$?
exec 5>&-
wait "$holder"
reason=$(sed -n 2p "$work/hold.out" | tr -d '\r')
if [ "$status" -eq 3 ] && [ -n "$reason" ] &&
    grep -qxF "zelvorin-correct: cannot open the map $(win "$work/held.dcm"): $reason" "$work/err"; then
    echo "ok   a map another program holds: status 3 and the system's reason"
else
    fail "a held map: status $status, $(grep -v '^ *[0-9]*%' "$work/err" | tail -1)"
fi
cmp -s "$work/held.dcm" "$sample/sample.dcm" || fail "the held map was changed"

# A folder named outside code page 932: map, mesh files (one named so too),
# report, picture and undo file there, then the restore from there.
far="$work/é한"
mkdir -p "$far/mesh"
cp "$sample/sample.dcm" "$far/map.dcm"
cp "$sample"/mesh/*.mem "$far/mesh/"
mv "$far/mesh/523941.mem" "$far/mesh/한523941.mem"
zc --report "$(win "$far/r한.tsv")" --picture "$(win "$far/p한.png")" --undo "$(win "$far/u한.undo")" \
    "$(win "$far/map.dcm")" "$(win "$far/mesh")"
status=$?
grep -qF "6 mesh files read and applied" "$work/out" || fail "the run in é한 gives no result line"
cp "$sample/sample.dcm" "$work/ascii.dcm"
zc "$(win "$work/ascii.dcm")" "$(win "$sample/mesh")"
if [ "$status" -eq 0 ] && cmp -s "$far/map.dcm" "$work/ascii.dcm"; then
    echo "ok   a run in a folder code page 932 cannot spell"
else
    fail "the run in é한: status $status"
fi
for name in "r한.tsv" "p한.png" "u한.undo"; do
    [ -s "$far/$name" ] || fail "$name was not written under its own name"
done
grep -qF "Z:$far/mesh\\한523941.mem	523941	" "$far/r한.tsv" &&
    echo "ok   the report names the mesh file in UTF-8" || fail "the report's file names"
zc --restore "$(win "$far/u한.undo")" "$(win "$far/map.dcm")"
status=$?
if [ "$status" -eq 0 ] && cmp -s "$far/map.dcm" "$sample/sample.dcm"; then
    echo "ok   the restore from there gives the map back"
else
    fail "the restore in é한: status $status"
fi
# On a console the path in a message shows as it is (UTF-16 to the console,
# UTF-8 on the terminal behind Wine's).
(cd "$bin" && LC_MESSAGES=en_US.UTF-8 script -qfec "timeout 120 wine zelvorin-correct.exe \
    '$(win "$far/none.dcm")' '$(win "$far/mesh")'" "$work/console.log" >/dev/null </dev/null)
# The terminal may break the line where it is full.
tr -d '\r\n' <"$work/console.log" | grep -qF "cannot open the map Z:$far/none.dcm" &&
    echo "ok   the console shows the real name" || fail "the console's message: $(grep -a 'cannot open' "$work/console.log")"

# Names whose code page 932 second bytes are '\': a folder run and a listed
# file, each giving the map of the plain names' run.
jp="$work/表ソ能"
mkdir -p "$jp/ソ"
cp "$sample/sample.dcm" "$jp/表.dcm"
cp "$sample"/mesh/*.mem "$jp/ソ/"
mv "$jp/ソ/523942.mem" "$jp/ソ/能.mem"
zc --report "$(win "$jp/表.tsv")" "$(win "$jp/表.dcm")" "$(win "$jp/ソ")"
status=$?
if [ "$status" -eq 0 ] && cmp -s "$jp/表.dcm" "$work/ascii.dcm" &&
    grep -qF "Z:$jp/ソ\\能.mem	523942	" "$jp/表.tsv"; then
    echo "ok   a folder and files named with 表, ソ, 能"
else
    fail "表ソ能: status $status"
fi
cp "$sample/sample.dcm" "$jp/能.dcm"
cp "$sample/sample.dcm" "$work/one.dcm"
zc "$(win "$jp/能.dcm")" "$(win "$jp/ソ/能.mem")"
status=$?
zc "$(win "$work/one.dcm")" "$(win "$sample/mesh/523942.mem")"
if [ "$status" -eq 0 ] && cmp -s "$jp/能.dcm" "$work/one.dcm"; then
    echo "ok   a listed file named 能.mem"
else
    fail "能.mem: status $status"
fi
zc "$(win "$jp/表.dcm")" "$(win "$jp/ソ/能.mem")" "$(win "$jp/ソ/missing.mem")"
grep -qF "cannot use mesh file Z:$jp/ソ/missing.mem" "$work/err" &&
    echo "ok   a message names 表ソ能 whole" || fail "the message on ソ: $(tail -1 "$work/err")"

# The user interface language: Japanese with the Japanese locale, English
# with an English one for messages.
(cd "$bin" && timeout 120 wine zelvorin-correct.exe "$(win "$work/ascii.dcm")" \
    "$(win "$work/nowhere")") 2>&1 >/dev/null | iconv -f CP932 -t UTF-8 >"$work/ja"
zc "$(win "$work/ascii.dcm")" "$(win "$work/nowhere")"
if grep -qF "zelvorin-correct: $(win "$work/nowhere") はありません" "$work/ja" &&
    grep -qF "zelvorin-correct: $(win "$work/nowhere") does not exist" "$work/err"; then
    echo "ok   the tool speaks the user interface language"
else
    fail "the language: $(tail -1 "$work/ja") / $(tail -1 "$work/err")"
fi

# The help: the Linux program's, but for the program's name.
zc --help
if [ -n "$linux_tool" ]; then
    if diff <(sed 's/zelvorin-correct\.exe/NAME/g' "$work/out") \
        <(LC_ALL=C.UTF-8 "$linux_tool" --help | sed 's/zelvorin-correct/NAME/g') >/dev/null &&
        grep -q "^Usage: zelvorin-correct.exe " "$work/out"; then
        echo "ok   the help names zelvorin-correct.exe and is the Linux program's"
    else
        fail "the help differs from the Linux program's"
    fi
fi

wineserver -w
echo "$failures failed"
[ "$failures" -eq 0 ]
