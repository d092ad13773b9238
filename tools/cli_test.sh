#!/usr/bin/env bash
# End-to-end checks of zelvorin-correct on sample data: the main job, and each
# failure's message and exit status. Usage: cli_test.sh ZELVORIN_CORRECT ZELVORIN_SAMPLE
set -u
tool=$1
sample=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export LC_ALL=C.UTF-8
failures=0

check() {  # check NAME EXPECTED_STATUS EXPECTED_TEXT COMMAND...
    local name=$1 want=$2 text=$3
    shift 3
    local out status
    out=$("$@" 2>&1)
    status=$?
    if [ "$status" -ne "$want" ] || ! grep -qF -- "$text" <<<"$out"; then
        echo "FAIL $name: status $status (want $want), output:"
        echo "$out"
        failures=$((failures + 1))
    else
        echo "ok   $name"
    fi
}

"$sample" "$work" >/dev/null || exit 1
cp "$work/sample.dcm" "$work/pristine.dcm"

check "folder run applies all six" 0 "6 個の数値地図ファイルを読み込んで訂正しました." \
    "$tool" "$work/sample.dcm" "$work/mesh"
if cmp -s "$work/sample.dcm" "$work/pristine.dcm"; then
    echo "FAIL folder run left the map unchanged"; failures=$((failures + 1))
fi
if [ "$(stat -c %s "$work/sample.dcm")" != "$(stat -c %s "$work/pristine.dcm")" ]; then
    echo "FAIL the map changed size"; failures=$((failures + 1))
fi

cp "$work/pristine.dcm" "$work/again.dcm"
check "listed files" 0 "2 個の数値地図ファイル" \
    "$tool" "$work/again.dcm" "$work/mesh/523941.mem" "$work/mesh/523942.mem"

check "usage" 2 "Usage:" "$tool" "$work/sample.dcm"
check "help documents statuses" 0 "Exit status" "$tool" --help
check "missing map" 3 "指定された圧縮地図を開けません" "$tool" "$work/none.dcm" "$work/mesh"

head -c 100 /dev/urandom >"$work/junk.dcm"
check "junk map" 4 "指定された圧縮地図は訂正できません" "$tool" "$work/junk.dcm" "$work/mesh"
cmp -s <(head -c 100 "$work/junk.dcm") "$work/junk.dcm" || { echo "FAIL junk map changed"; failures=$((failures + 1)); }

mkdir "$work/empty"
check "missing folder" 5 "訂正用数値地図は１つもみつかりません." "$tool" "$work/sample.dcm" "$work/nowhere"
check "no mesh files" 5 "訂正用数値地図は１つもみつかりません." "$tool" "$work/sample.dcm" "$work/empty"

cp "$work/pristine.dcm" "$work/stop.dcm"
check "unreadable mesh stops the run" 6 "1 個の数値地図ファイル" \
    "$tool" "$work/stop.dcm" "$work/mesh/523941.mem" "$work/missing.mem" "$work/mesh/523942.mem"

if command -v flock >/dev/null; then
    check "map held by another run" 3 "指定された圧縮地図を開けません" \
        flock "$work/sample.dcm" "$tool" "$work/sample.dcm" "$work/mesh"
fi

# Ctrl-C while the second of three files is being read: that file is still
# applied, the third is not, and the run ends with status 130.
cp "$work/pristine.dcm" "$work/interrupted.dcm"
mkfifo "$work/slow.mem"
exec 3<>"$work/slow.mem"
"$tool" "$work/interrupted.dcm" "$work/mesh/523941.mem" "$work/slow.mem" "$work/mesh/523942.mem" \
    >"$work/interrupted.log" 2>&1 3>&- &
pid=$!
for _ in $(seq 100); do
    ls -l /proc/$pid/fd 2>/dev/null | grep -q slow.mem && break
    sleep 0.05
done
kill -INT $pid
cat "$work/mesh/523953.mem" >&3
exec 3>&-
wait $pid
status=$?
if [ "$status" -eq 130 ] && grep -qF "2 個の数値地図ファイル" "$work/interrupted.log"; then
    echo "ok   Ctrl-C stops between files"
else
    echo "FAIL Ctrl-C: status $status"; cat "$work/interrupted.log"; failures=$((failures + 1))
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
