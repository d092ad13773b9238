#!/usr/bin/env bash
# End-to-end checks of zelvorin-correct on sample data: the main job, each
# failure's message, stream and exit status, signals, closed outputs and
# options. Usage: cli_test.sh ZELVORIN_CORRECT ZELVORIN_SAMPLE
# Under Wine with ZELVORIN_RUN set: see cli_common.sh.
NAME=zelvorin_cli
source "$(dirname "${BASH_SOURCE[0]}")/cli_common.sh"

$runner "$sample" "$(shown "$work")" >/dev/null || exit 1
cp "$work/sample.dcm" "$work/pristine.dcm"

check "folder run applies all six" 0 out "6 mesh files read and applied to the map" \
    zc "$work/sample.dcm" "$work/mesh"
if cmp -s "$work/sample.dcm" "$work/pristine.dcm"; then
    fail "folder run left the map unchanged"
fi
if [ "$(stat -c %s "$work/sample.dcm")" != "$(stat -c %s "$work/pristine.dcm")" ]; then
    fail "the map changed size"
fi
if grep -qF "applied to the map" "$work/err" || ! grep -qF "523941.mem" "$work/err" ||
    [ "$(wc -l <"$work/out")" -ne 1 ]; then
    fail "the result goes to stdout alone, the progress to stderr"
fi
cp "$work/sample.dcm" "$work/corrected.dcm"

cp "$work/pristine.dcm" "$work/again.dcm"
check "listed files" 0 out "2 mesh files read and applied" \
    zc "$work/again.dcm" "$work/mesh/523941.mem" "$work/mesh/523942.mem"
cp "$work/again.dcm" "$work/first-two.dcm"
# Any number of operands, folders among them, applied in their order; a
# folder of neither kind among them ends the run as a lone one does.
mkdir "$work/two-a" "$work/two-b" "$work/neither"
cp "$work/mesh/523941.mem" "$work/two-a/"
cp "$work/mesh/523942.mem" "$work/two-b/"
cp "$work/pristine.dcm" "$work/two.dcm"
check "two mesh folders" 0 out "2 mesh files read and applied" \
    zc "$work/two.dcm" "$work/two-a" "$work/two-b"
same_map "two folders give their files' map" "$work/two.dcm" "$work/first-two.dcm"
check "a folder of neither kind among others" 5 err "holds no mesh file (*.mem) nor DEM file" \
    zc "$work/two.dcm" "$work/two-a" "$work/neither"
same_map "a folder of neither kind stops the run first" "$work/two.dcm" "$work/first-two.dcm"

# Options anywhere among the operands; "--" ends them.
check "usage" 2 err "Usage:" zc "$work/sample.dcm"
check "help documents statuses" 0 out "Exit status" zc --help
if [ -n "$runner" ]; then check "/? is the help on Windows" 0 out "Exit status" $runner "$tool" "/?"; fi
check "version" 0 out "zelvorin-correct " zc --version
if [ -z "$runner" ]; then
    ln -s "$tool" "$work/other-name"
    check "the help names the program as it was called" 0 out "Usage: other-name [OPTION]" \
        "$work/other-name" --help
fi
check "unknown option" 2 err "unknown option --frobnicate" \
    zc --frobnicate "$work/sample.dcm" "$work/mesh"
cp "$work/pristine.dcm" "$work/-dash.dcm"
check "-- ends the options" 0 out "6 mesh files read and applied" \
    zc -- "$work/-dash.dcm" "$work/mesh"
cp "$work/pristine.dcm" "$work/late.dcm"
check "an option after the operands" 0 out "2 mesh files read; dry run: the map was not written" \
    zc "$work/late.dcm" "$work/mesh/523941.mem" "$work/mesh/523942.mem" --dry-run
same_map "an option after the operands is no mesh file" "$work/late.dcm" "$work/pristine.dcm"
grep -qF "would change" "$work/err" || fail "a dry run's summary says what would change"
mkdir "$work/dashes"
cp "$work/mesh/523941.mem" "$work/dashes/-x.mem"
check "a mesh file named -x.mem after --" 0 out "1 mesh file read and applied" \
    bash -c 'cd "$1" && zc ../late.dcm -- -x.mem' _ "$work/dashes"
check "--force without --restore" 2 err "--force goes with --restore only" \
    zc --force "$work/late.dcm" "$work/mesh"
check "--restore with extra operands" 2 err "takes the map alone" \
    zc --restore "$work/none.undo" "$work/late.dcm" "$work/mesh"
check "--restore with another option" 2 err "no other option than --force" \
    zc "$work/late.dcm" --restore "$work/none.undo" --report "$work/r.tsv"
if [ -w /dev/full ]; then
    check "help that cannot be written" 1 err "cannot write to standard output" \
        bash -c 'zc --help >/dev/full'
    check "version that cannot be written" 1 err "cannot write to standard output" \
        bash -c 'zc --version >/dev/full'
fi
check "help to a closed standard output" 1 err "cannot write to standard output" \
    bash -c 'zc --help >&-'


# A map that cannot be opened: the message, then the path and the reason.
check "missing map" 3 err "none.dcm: $missing" \
    zc "$work/none.dcm" "$work/mesh"
if [ "$(wc -l <"$work/err")" -ne 1 ]; then
    fail "a map that cannot be opened is told once, in the tool's words"
fi
if [ -z "$runner" ]; then
    check "map is a folder" 3 err "is a directory" zc "$work/mesh" "$work/mesh"
    check "map is a device" 3 err "is not a regular file" zc /dev/zero "$work/mesh"
else
    check "map is a folder" 3 err "mesh: Access denied." zc "$work/mesh" "$work/mesh"
    skip "map is a device" "no /dev/zero on Windows"
fi
if [ -n "$runner" ]; then
    skip "map held by another run" "flock's lock is advisory; the Wine tool test holds the map with a Windows share mode"
elif command -v flock >/dev/null; then
    cp "$work/pristine.dcm" "$work/held.dcm"
    check "map held by another run" 3 err "in use by another run" \
        flock "$work/held.dcm" "$tool" "$work/held.dcm" "$work/mesh"
    same_map "a held map is untouched" "$work/held.dcm" "$work/pristine.dcm"
fi

head -c 100 /dev/urandom >"$work/junk.dcm"
cp "$work/junk.dcm" "$work/junk-before.dcm"
check "junk map" 4 err "cannot correct the map" zc "$work/junk.dcm" "$work/mesh"
same_map "junk map unchanged" "$work/junk.dcm" "$work/junk-before.dcm"

mkdir "$work/empty"
check "missing folder" 5 out "no mesh file was applied" zc "$work/sample.dcm" "$work/nowhere"
grep -qF "$(shown "$work/nowhere") does not exist" "$work/err" || fail "a missing folder is named"
# The tool's own messages in Japanese where the locale for messages is.
if [ -n "$runner" ]; then japanese="LC_MESSAGES=ja_JP.UTF-8"; else japanese="LC_ALL=ja_JP.UTF-8"; fi
if [ "${ZELVORIN_LITERALS:-cp932}" != cp932 ]; then
    skip "messages in Japanese" "this build's narrow literals are not code page 932"
else
    check "messages in Japanese" 5 err "zelvorin-correct: $(shown "$work/nowhere") はありません" \
        env "$japanese" bash -c 'zc "$@"' _ "$work/sample.dcm" "$work/nowhere"
    grep -qxF "メッシュファイルは１つも適用していません。" "$work/out" || fail "the result line in Japanese"
    check "the usage line in Japanese" 2 err "使い方: " \
        env "$japanese" bash -c 'zc "$@"' _ "$work/sample.dcm"
fi
if [ -z "$runner" ]; then
    check "the system's reasons in Japanese" 3 err "そのようなファイルやディレクトリはありません" \
        env "$japanese" bash -c 'zc "$@"' _ "$work/none.dcm" "$work/mesh"
fi
check "no mesh files" 5 err "$(shown "$work/empty") holds no mesh file" zc "$work/sample.dcm" "$work/empty"
grep -qxF "no mesh file was applied" "$work/out" || fail "no mesh files: the result line says none"

# A map that cannot be written part way: the tool says so, names the map and
# still says how many files were applied.
cp "$work/pristine.dcm" "$work/limited.dcm"
check "the map cannot be written" 7 err "limited.dcm" \
    bash -c 'trap "" XFSZ; ulimit -f 300; zc "$@"' _ "$work/limited.dcm" "$work/mesh"
grep -qF "reading or writing the map failed" "$work/err" || fail "a map failure is told as one"
grep -qE "^[0-9]+ mesh files? read and applied to the map$" "$work/out" ||
    fail "a failed run still gives its result line"
# Tiles that cannot be written are said so, and no count is made up for them.
if ! grep -qF "the map may hold only part of the files applied" "$work/err" ||
    ! grep -qF "the cells changed are not known" "$work/err" || grep -qF "cells changed in" "$work/err"; then
    fail "a map whose tiles cannot be written is not told truly"
fi

# A map cut short inside its tile blocks: the meshes there say why they wrote nothing.
head -c $(($(stat -c %s "$work/pristine.dcm") - 1000)) "$work/pristine.dcm" >"$work/cut.dcm"
check "a map cut short in its blocks" 0 err "blocks past the end of the file" \
    zc "$work/cut.dcm" "$work/mesh"
head -c $((65536 + 5 * 204800 + 1000)) "$work/pristine.dcm" >"$work/cut5.dcm"
check "a mesh partly over blocks past a cut map's end" 0 err "wrote only part of its cells" \
    zc "$work/cut5.dcm" "$work/mesh"

# An undo file whose disk fills part way: status 8, the undo file named, and
# the map holds exactly the files the result line counts, none in part.
cp "$work/pristine.dcm" "$work/undofull.dcm"
check "the undo file cannot be written" 8 err "cannot write the undo file $(shown "$work/full.undo")" \
    bash -c 'trap "" XFSZ; ulimit -f 900; zc "$@"' _ \
    --undo "$work/full.undo" "$work/undofull.dcm" "$work/mesh"
applied=$(sed -n 's/^\([0-9]*\) mesh files\{0,1\} read and applied to the map$/\1/p' "$work/out")
cp "$work/pristine.dcm" "$work/undofull-want.dcm"
if [ -n "$applied" ] && [ "$applied" -gt 0 ]; then
    zc "$work/undofull-want.dcm" $(ls "$work"/mesh/*.mem | head -n "$applied") >/dev/null 2>&1
fi
[ -n "$applied" ] || fail "a failed undo file still gives the result line"
same_map "a failed undo file leaves exactly the files applied" \
    "$work/undofull.dcm" "$work/undofull-want.dcm"

# A picture where no cell is written: no older picture stays as if it were
# this run's; anything else at the path is no picture and stays as it is.
older_picture() { printf '\211PNG\r\n\032\nold' >"$1"; }
older_picture "$work/old.png"
{ printf 513800; tail -c +7 "$work/mesh/523941.mem"; } >"$work/far.mem"
check "no cell written, no picture" 0 err "no cell was written, so no picture" \
    zc --picture "$work/old.png" "$work/late.dcm" "$work/far.mem"
[ -e "$work/old.png" ] && fail "an older picture stays where no picture was drawn"
echo "my notes" >"$work/notes.png"
check "no cell written, a file that is no picture" 0 err "is no picture and was left as it is" \
    zc --picture "$work/notes.png" "$work/late.dcm" "$work/far.mem"
[ "$(cat "$work/notes.png")" = "my notes" ] || fail "a file that is no picture was removed"
if [ -z "$runner" ]; then
    mkfifo "$work/pipe.png"
    check "no cell written, a FIFO" 0 err "no cell was written, so no picture" \
        zc --picture "$work/pipe.png" "$work/late.dcm" "$work/far.mem"
    [ -p "$work/pipe.png" ] || fail "the FIFO at the picture's path was removed"
else
    skip "no cell written, a FIFO" "Windows has no FIFO in its file system"
fi

cp "$work/pristine.dcm" "$work/stop.dcm"
check "unreadable mesh stops the run" 6 err "missing.mem: $missing" \
    zc "$work/stop.dcm" "$work/mesh/523941.mem" "$work/missing.mem" "$work/mesh/523942.mem"
grep -qF "1 mesh file read and applied" "$work/out" || fail "the count before the unreadable file"

# Mesh files that are no regular files are refused by name, never read.
cp "$work/pristine.dcm" "$work/kinds.dcm"
mkdir "$work/fifo"
cp "$work/mesh/523941.mem" "$work/fifo/a.mem"
if [ -z "$runner" ]; then
    check "a listed device is refused" 6 err "/dev/zero: is not a regular file" \
        zc "$work/kinds.dcm" "$work/mesh/523941.mem" /dev/zero
    check "a single device is a file" 6 err "/dev/zero: is not a regular file" \
        zc "$work/kinds.dcm" /dev/zero
    mkfifo "$work/fifo/b.mem"
    check "a FIFO in the folder is refused" 6 err "b.mem: is not a regular file" \
        zc "$work/kinds.dcm" "$work/fifo"
    rm "$work/fifo/b.mem"
    directory="is a directory"
else
    skip "devices and FIFOs as mesh files" "Windows has neither /dev/zero nor FIFOs in folders"
    directory="Access denied."
fi
mkdir "$work/fifo/c.mem"
check "a folder named .mem is refused" 6 err "c.mem: $directory" \
    zc "$work/kinds.dcm" "$work/fifo"

# Output that cannot be written never stops a correction: a pipe whose reader
# has gone, a closed descriptor, a full device.
mkfifo "$work/pipe"
exec 3<>"$work/pipe" 4>"$work/pipe"
exec 3<&-
cp "$work/pristine.dcm" "$work/piped.dcm"
zc "$work/piped.dcm" "$work/mesh" >&4 2>"$work/err"
status=$?
cp "$work/pristine.dcm" "$work/piped-err.dcm"
zc "$work/piped-err.dcm" "$work/mesh" >"$work/out" 2>&4
status_err=$?
exec 4>&-
if [ "$status" -eq 0 ] && [ "$status_err" -eq 0 ]; then echo "ok   closed pipes"; else
    fail "closed pipes: status $status / $status_err"; fi
same_map "a closed stdout pipe stops nothing" "$work/piped.dcm" "$work/corrected.dcm"
same_map "a closed stderr pipe stops nothing" "$work/piped-err.dcm" "$work/corrected.dcm"
cp "$work/pristine.dcm" "$work/closed.dcm"
zc "$work/closed.dcm" "$work/mesh" >&- 2>"$work/err"
status=$?
[ "$status" -eq 0 ] && echo "ok   closed stdout" || fail "closed stdout: status $status"
same_map "a closed stdout writes nothing into the map" "$work/closed.dcm" "$work/corrected.dcm"
if [ -w /dev/full ]; then
    cp "$work/pristine.dcm" "$work/full.dcm"
    zc "$work/full.dcm" "$work/mesh" >/dev/full 2>"$work/err"
    status=$?
    if [ "$status" -eq 0 ] && grep -qF "result could not be written" "$work/err"; then
        echo "ok   full stdout"; else fail "full stdout: status $status"; fi
    same_map "a full stdout stops nothing" "$work/full.dcm" "$work/corrected.dcm"
fi

if [ -n "$runner" ]; then
    skip "signals" "POSIX signals; tests/wine/tool_test.sh stops the program by Ctrl-C on a console"
    wineserver -w
    echo "$failures failed"
    [ "$failures" -eq 0 ]
    exit
fi

# Signals: held on a huge sparse mesh file between two good ones, the run is
# stopped while it reads it. Usage: hold_and_signal MAP SIGNAL...; the
# signals arrive together, as the process is paused meanwhile.
truncate -s 1T "$work/huge.mem"
hold_and_signal() {
    local map=$1
    shift
    "$tool" "$map" "$work/mesh/523941.mem" "$work/huge.mem" "$work/mesh/523942.mem" \
        >"$work/out" 2>"$work/err" &
    local pid=$!
    for _ in $(seq 600); do
        ls -l /proc/$pid/fd 2>/dev/null | grep -q huge.mem && break
        sleep 0.05
    done
    kill -STOP $pid
    for signal in "$@"; do kill -"$signal" $pid; done
    kill -CONT $pid
    # A generous bound, so that a run that does not stop fails here.
    for _ in $(seq 1200); do kill -0 $pid 2>/dev/null || break; sleep 0.05; done
    kill -KILL $pid 2>/dev/null && echo "FAIL the run did not stop"
    wait $pid
}
cp "$work/pristine.dcm" "$work/first.dcm"
"$tool" "$work/first.dcm" "$work/mesh/523941.mem" >/dev/null 2>&1

cp "$work/pristine.dcm" "$work/interrupted.dcm"
hold_and_signal "$work/interrupted.dcm" INT
status=$?
if [ "$status" -eq 130 ] && grep -qF "1 mesh file read and applied" "$work/out" &&
    grep -qF "huge.mem; it and later files were not applied" "$work/err"; then
    echo "ok   Ctrl-C stops in the middle of a file"
else
    fail "Ctrl-C: status $status"
fi
same_map "Ctrl-C keeps the files before it" "$work/interrupted.dcm" "$work/first.dcm"

cp "$work/pristine.dcm" "$work/terminated.dcm"
hold_and_signal "$work/terminated.dcm" TERM
status=$?
if [ "$status" -eq 143 ] && grep -qF "1 mesh file read and applied" "$work/out"; then
    echo "ok   SIGTERM stops with 143"
else
    fail "SIGTERM: status $status"
fi
same_map "SIGTERM keeps the files before it" "$work/terminated.dcm" "$work/first.dcm"

# Stopped before any cell was written: no picture, and no older one left.
cp "$work/pristine.dcm" "$work/early.dcm"
older_picture "$work/early.png"
"$tool" --picture "$work/early.png" "$work/early.dcm" "$work/huge.mem" "$work/mesh/523941.mem" \
    >"$work/out" 2>"$work/err" &
pid=$!
for _ in $(seq 600); do
    ls -l /proc/$pid/fd 2>/dev/null | grep -q huge.mem && break
    sleep 0.05
done
kill -INT $pid
wait $pid
status=$?
if [ "$status" -eq 130 ] && [ ! -e "$work/early.png" ]; then
    echo "ok   a run stopped before its first cell draws no picture"
else
    fail "a run stopped before its first cell: status $status, picture left: $(ls "$work/early.png" 2>&1)"
fi

cp "$work/pristine.dcm" "$work/killed.dcm"
hold_and_signal "$work/killed.dcm" INT TERM
status=$?
if [ "$status" -eq 143 ] && [ ! -s "$work/out" ]; then
    echo "ok   a second signal ends the process at once"
else
    fail "second signal: status $status"
fi

echo "$failures failed"
[ "$failures" -eq 0 ]
