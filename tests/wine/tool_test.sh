#!/usr/bin/env bash
# zelvorin-correct.exe under Wine on sample data: a correction with report,
# picture and undo file, then the restore, which must give the map back byte
# for byte. With the Linux programs given as well, the same correction by
# both must give the same map, the same report rows (paths aside) and the
# same picture pixels, and the same maps and rows from the sample's DEM zip
# on a Tokyo and on a JGD map, and the same mesh files made from it.
# Usage: tool_test.sh PREFIX WINDOWS_BIN [LINUX_TOOL LINUX_SAMPLE]
set -u
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
bin=$2
linux_tool=${3:-}
linux_sample=${4:-}
work=$(mktemp -d "${TEST_TMPDIR:-${TMPDIR:-/tmp}}/zelvorin_wine_tool.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
win() { echo "Z:$1"; }  # a Linux path as Wine's drive Z: shows it
run() { timeout 120 wine "$bin/$1" "${@:2}"; }

run zelvorin-sample.exe "$(win "$work")" >/dev/null 2>&1 || { echo "FAIL the sample"; exit 1; }
cp "$work/sample.dcm" "$work/pristine.dcm"
run zelvorin-correct.exe --report "$(win "$work/win.tsv")" --picture "$(win "$work/win.png")" \
    --undo "$(win "$work/win.undo")" "$(win "$work/sample.dcm")" "$(win "$work/mesh")" \
    >"$work/out" 2>"$work/err"
status=$?
# Redirected, the result comes in the ANSI code page, 932 here.
if [ "$status" -eq 0 ] && iconv -f CP932 -t UTF-8 "$work/out" | grep -qF "6 個のメッシュファイルを読み込んで地図を訂正しました。"; then
    echo "ok   a correction with report, picture and undo file"
else
    fail "the correction: status $status"; cat "$work/err"
fi
cmp -s "$work/sample.dcm" "$work/pristine.dcm" && fail "the map was not corrected"
cp "$work/sample.dcm" "$work/corrected.dcm"

if [ -n "$linux_tool" ]; then
    "$linux_sample" "$work/linux" >/dev/null
    "$linux_tool" --report "$work/linux.tsv" --picture "$work/linux.png" \
        "$work/linux/sample.dcm" "$work/linux/mesh" >/dev/null 2>&1
    cmp -s "$work/corrected.dcm" "$work/linux/sample.dcm" && echo "ok   the same map as Linux" ||
        fail "the map differs from the Linux program's"
    if diff -q <(cut -f2- "$work/win.tsv") <(cut -f2- "$work/linux.tsv") >/dev/null; then
        echo "ok   the same report rows as Linux"
    else
        fail "the report differs from the Linux program's"
    fi
    if convert "$work/win.png" rgb:"$work/win.rgb" && convert "$work/linux.png" rgb:"$work/linux.rgb" &&
        cmp -s "$work/win.rgb" "$work/linux.rgb"; then
        echo "ok   the same picture pixels as Linux"
    else
        fail "the picture differs from the Linux program's"
    fi
    # The national DEM on both datums: the same maps and report rows.
    for datum in tokyo jgd; do
        cp "$work/pristine.dcm" "$work/dem-$datum.dcm"
        cp "$work/pristine.dcm" "$work/linux/dem-$datum.dcm"
        run zelvorin-correct.exe --map-datum $datum --report "$(win "$work/dem-$datum.tsv")" \
            "$(win "$work/dem-$datum.dcm")" "$(win "$work/dem/sample-dem.zip")" >/dev/null 2>&1
        "$linux_tool" --map-datum $datum --report "$work/linux/dem-$datum.tsv" \
            "$work/linux/dem-$datum.dcm" "$work/linux/dem/sample-dem.zip" >/dev/null 2>&1
        if ! cmp -s "$work/dem-$datum.dcm" "$work/pristine.dcm" &&
            cmp -s "$work/dem-$datum.dcm" "$work/linux/dem-$datum.dcm" &&
            diff -q <(cut -f2- "$work/dem-$datum.tsv" | tr -d '\r') \
                <(cut -f2- "$work/linux/dem-$datum.tsv") >/dev/null; then
            echo "ok   the DEM on a $datum map as on Linux"
        else
            fail "the DEM on a $datum map differs from the Linux program's"
        fi
        run zelvorin-mem.exe --map "$(win "$work/pristine.dcm")" --map-datum $datum \
            "$(win "$work/mem-$datum")" "$(win "$work/dem/sample-dem.zip")" >/dev/null 2>&1
        "$(dirname "$linux_tool")/zelvorin-mem" --map "$work/pristine.dcm" --map-datum $datum \
            "$work/linux/mem-$datum" "$work/linux/dem/sample-dem.zip" >/dev/null 2>&1
        if [ -n "$(ls "$work/mem-$datum")" ] && diff -r "$work/mem-$datum" "$work/linux/mem-$datum" >/dev/null; then
            echo "ok   the mesh files from the DEM on a $datum map as on Linux"
        else
            fail "the mesh files from the DEM on a $datum map differ from the Linux program's"
        fi
    done
fi

run zelvorin-correct.exe --restore "$(win "$work/win.undo")" "$(win "$work/sample.dcm")" \
    >"$work/out" 2>"$work/err"
status=$?
if [ "$status" -eq 0 ] && cmp -s "$work/sample.dcm" "$work/pristine.dcm"; then
    echo "ok   the restore gives the map back byte for byte"
else
    fail "the restore: status $status"; cat "$work/err"
fi
run zelvorin-correct.exe --restore "$(win "$work/win.undo")" "$(win "$work/missing.dcm")" \
    >/dev/null 2>&1
status=$?
[ "$status" -eq 3 ] && echo "ok   a missing map is status 3" || fail "a missing map: status $status"

# Ctrl-C in the middle of a mesh file, the process on a console (a
# pseudo-terminal under script, where Wine turns SIGINT into the console's
# Ctrl-C event): status 130, and the map holds exactly the file before it.
truncate -s 1T "$work/huge.mem"
cp "$work/pristine.dcm" "$work/first.dcm"
run zelvorin-correct.exe "$(win "$work/first.dcm")" "$(win "$work/mesh/523941.mem")" \
    >/dev/null 2>&1 || fail "the first file alone"
cp "$work/pristine.dcm" "$work/interrupted.dcm"
(
    cd "$bin"
    script -qfec "timeout 120 wine zelvorin-correct.exe '$(win "$work/interrupted.dcm")' \
        '$(win "$work/mesh/523941.mem")' '$(win "$work/huge.mem")' \
        '$(win "$work/mesh/523942.mem")'; echo status=\$?" "$work/stop.log" >/dev/null </dev/null
) &
runner=$!
# The program's process in this prefix, once it holds huge.mem open, and
# still half a second later: the survey before the run only opens it briefly.
holding() {
    local candidate
    for candidate in $(pgrep -f 'zelvorin-correct\.exe'); do
        tr '\0' '\n' <"/proc/$candidate/environ" 2>/dev/null |
            grep -qx "WINEPREFIX=$WINEPREFIX" &&
            ls -l "/proc/$candidate/fd" 2>/dev/null | grep -q huge.mem && echo "$candidate"
    done
}
pid=
for _ in $(seq 600); do
    pid=$(holding)
    if [ -n "$pid" ]; then
        sleep 0.5
        [ "$(holding)" = "$pid" ] && break
    fi
    sleep 0.1
done
if [ -n "$pid" ]; then kill -INT "$pid"; else fail "the run never read huge.mem"; fi
wait "$runner"
shown=$(sed 's/\x1b\[[0-9;?]*[A-Za-z]//g' "$work/stop.log")
if grep -q 'status=130' <<<"$shown"; then
    echo "ok   Ctrl-C on the console stops with 130"
else
    fail "Ctrl-C on the console: $(grep -ao 'status=[0-9]*' <<<"$shown")"
fi
cmp -s "$work/interrupted.dcm" "$work/first.dcm" && echo "ok   Ctrl-C keeps the file before it" ||
    fail "after Ctrl-C the map is not the one with only the first file"

wineserver -w
echo "$failures failed"
[ "$failures" -eq 0 ]
