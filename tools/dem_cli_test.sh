#!/usr/bin/env bash
# End-to-end checks of zelvorin-correct with the national DEM's files and
# zips as sources: the datum option, the first look that stops a run before
# the map is touched, the report's rows, dry run, undo, and hostile zips.
# Usage: dem_cli_test.sh ZELVORIN_CORRECT ZELVORIN_SAMPLE
# Under Wine with ZELVORIN_RUN set: see cli_common.sh.
NAME=zelvorin_dem_cli
source "$(dirname "${BASH_SOURCE[0]}")/cli_common.sh"

# zip_of ZIP MEMBER...: a zip of the files, stored under their bare names.
zip_of() {
    python3 - "$@" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_DEFLATED) as z:
    for path in sys.argv[2:]:
        z.write(path, os.path.basename(path))
PY
}

$runner "$sample" "$(shown "$work")" >/dev/null || exit 1
cp "$work/sample.dcm" "$work/pristine.dcm"
dems="$work/dem/sample-dem.zip"
x43=FG-GML-5239-43-DEM10B-20161001
x44=FG-GML-5239-44-DEM10B-20161001
mkdir "$work/xml"
(cd "$work/xml" && unzip -q "$dems" && unzip -q $x43.zip && unzip -q $x44.zip && rm ./*.zip)

# The datum is not in the map: the data tell it, or it is named. The sample
# map is an older survey, terraced and 15 m low: on neither datum does the
# DEM fit it clearly.
# Its figures are written with '.' whatever the user's locale writes numbers
# with (German: ',').
if [ -z "$runner" ]; then decimals="LC_ALL=de_DE.UTF-8"; else decimals="LC_NUMERIC=de_DE.UTF-8"; fi
check "a datum the data do not tell" 2 err "the DEM does not tell the map's datum" \
    env "$decimals" bash -c 'zc "$@"' _ "$work/sample.dcm" "$dems"
if ! grep -qE "by [0-9.]+ m \(RMS, over [0-9]+ cells\) on tokyo and by [0-9.]+ m" "$work/err"; then
    fail "the undecided datum's figures are given"
fi
check "the datum is tokyo or jgd" 2 err "--map-datum takes tokyo or jgd, not 'wgs84'" \
    zc --map-datum wgs84 "$work/sample.dcm" "$dems"
check "mesh files take no datum" 2 err "--map-datum goes with DEM sources only" \
    zc --map-datum jgd "$work/sample.dcm" "$work/mesh"
check "mesh and DEM files do not mix" 2 err "a run takes one kind" \
    zc --map-datum jgd "$work/sample.dcm" "$work/mesh/523941.mem" "$dems"
same_map "usage errors leave the map" "$work/sample.dcm" "$work/pristine.dcm"

# A zip of zips on a Tokyo map: each 10 m square lands on four of the map's,
# three of which in all lie where the map has tiles.
check "a zip of zips on a Tokyo map" 0 out "3 mesh squares written from 2 DEM files" \
    zc --map-datum tokyo --report "$work/tokyo.tsv" "$work/sample.dcm" "$dems"
cp "$work/sample.dcm" "$work/tokyo.dcm"
if cmp -s "$work/tokyo.dcm" "$work/pristine.dcm"; then fail "the Tokyo run left the map"; fi
want="$(shown "$dems"):$x43.zip:$x43.xml	523943	DEM10B	2	38400"
if [ "$(head -1 "$work/tokyo.tsv")" != "file	mesh	product	squares	cells" ] ||
    ! tr -d '\r' <"$work/tokyo.tsv" | grep -qxF "$want" || [ "$(wc -l <"$work/tokyo.tsv")" -ne 3 ]; then
    fail "the report has a row per DEM file: $(cat "$work/tokyo.tsv")"
else
    echo "ok   the report has a row per DEM file"
fi

# Once corrected from the DEM on tokyo, the map fits it there: a run that
# names no datum finds it, and one that names the other is warned.
cp "$work/tokyo.dcm" "$work/again.dcm"
check "the datum found from the data" 0 err "the map's datum is tokyo" \
    zc -n "$work/again.dcm" "$dems"
grep -qF "3 mesh squares resampled from 2 DEM files" "$work/out" &&
    echo "ok   the run is planned anew for the datum found" || fail "the squares of the datum found: $(cat "$work/out")"
check "a datum given against the data" 0 err "fits the map better on the other datum than on jgd" \
    zc -n --map-datum jgd "$work/again.dcm" "$dems"

cp "$work/pristine.dcm" "$work/jgd.dcm"
check "the same zip on a JGD map" 0 out "2 mesh squares written from 2 DEM files" \
    zc --map-datum jgd "$work/jgd.dcm" "$dems"
# Memory or threads running out: a message naming the step, no abort.
cp "$work/pristine.dcm" "$work/short.dcm"
short_of_memory "a run short of memory" "0 7 9" \
    "$tool" --map-datum tokyo --picture "$work/short.png" "$work/short.dcm" "$dems"
# Tuples of a kind the survey never uses: taken, with one warning a file.
mkdir "$work/odd"
sed -E 's/^([[:space:]]*)地表面,/\1謎,/' "$work/xml/$x43.xml" >"$work/odd/$x43.xml"
cp "$work/pristine.dcm" "$work/odd.dcm"
check "a kind the survey never uses" 0 out "1 mesh square written from 1 DEM file" \
    zc --map-datum jgd "$work/odd.dcm" "$work/odd/$x43.xml"
[ "$(grep -c "the kind \"謎\", which the survey's files never use" "$work/err")" = 1 ] ||
    fail "the unknown kind is warned of once: $(grep -c "never use" "$work/err")"
# A DEM without data where the map has tiles: no square is written, and the
# warning says why.
mkdir "$work/empty"
sed -E 's/^([[:space:]]*)[^<,[:space:]]+,-?[0-9.]+(\r?)$/\1データなし,-9999.\2/' "$work/xml/$x43.xml" \
    >"$work/empty/$x43.xml"
cp "$work/pristine.dcm" "$work/nodata.dcm"
check "a DEM without data" 0 out "0 mesh squares written from 0 DEM files" \
    zc --map-datum jgd "$work/nodata.dcm" "$work/empty/$x43.xml"
grep -qF "mesh square 523943 wrote no cell: it received no cell from the DEM" "$work/err" &&
    echo "ok   a square the DEM gave no cell says so" || fail "the no-data square's warning: $(cat "$work/err")"
if cmp -s "$work/jgd.dcm" "$work/tokyo.dcm"; then fail "the datum changed nothing"; fi

# The same files reached as plain files, or through a folder, give the same map.
cp "$work/pristine.dcm" "$work/plain.dcm"
check "plain DEM files" 0 out "3 mesh squares" \
    zc --map-datum tokyo "$work/plain.dcm" "$work/xml/$x43.xml" "$work/xml/$x44.xml"
same_map "plain files give the zip's map" "$work/plain.dcm" "$work/tokyo.dcm"
cp "$work/pristine.dcm" "$work/folder.dcm"
check "a folder of DEM files" 0 out "3 mesh squares" \
    zc --map-datum tokyo "$work/folder.dcm" "$work/xml"
same_map "a folder gives the zip's map" "$work/folder.dcm" "$work/tokyo.dcm"

# Dry run, undo and restore as for mesh files.
cp "$work/pristine.dcm" "$work/dry.dcm"
check "a dry run" 0 out "dry run: the map was not written" \
    zc -n --map-datum tokyo "$work/dry.dcm" "$dems"
same_map "a dry run leaves the map" "$work/dry.dcm" "$work/pristine.dcm"
cp "$work/pristine.dcm" "$work/undo.dcm"
check "a run with an undo file" 0 out "3 mesh squares" \
    zc --map-datum tokyo --undo "$work/run.undo" "$work/undo.dcm" "$dems"
check "its restore" 0 out "blocks restored" zc --restore "$work/run.undo" "$work/undo.dcm"
same_map "the restore gives the map back" "$work/undo.dcm" "$work/pristine.dcm"
check "no output over a DEM source" 9 err "would overwrite the DEM source" \
    zc --map-datum tokyo --report "$dems" "$work/undo.dcm" "$dems"
check "no report a run from the DEM folder would read" 9 err "would overwrite a DEM file of" \
    zc --map-datum tokyo --report "$work/xml/r.XML" "$work/undo.dcm" "$work/xml"
check "no undo file a run from the DEM folder would read" 8 err "would overwrite a DEM file of" \
    zc --map-datum tokyo --undo "$work/xml/u.zip" "$work/undo.dcm" "$work/xml"
[ -e "$work/xml/r.XML" ] || [ -e "$work/xml/u.zip" ] && fail "an output was made in the DEM folder"

# Anything unusable found at the first look stops the run before the map.
cp "$work/pristine.dcm" "$work/hostile.dcm"
zip_of "$work/l2.zip" "$dems"
zip_of "$work/l3.zip" "$work/l2.zip"
check "a fourth level of zips" 6 err "fourth level of zips" \
    zc --map-datum tokyo "$work/hostile.dcm" "$work/l3.zip"
head -c 300000 "$dems" >"$work/cut.zip"
check "a zip cut short" 6 err "the map was not touched" \
    zc --map-datum tokyo "$work/hostile.dcm" "$work/cut.zip"
sed 's/jgd2011\.bl/tokyo.bl/' "$work/xml/$x44.xml" >"$work/$x44.xml"
check "an unknown frame" 6 err "$(shown "$work/$x44.xml")" \
    zc --map-datum tokyo "$work/hostile.dcm" "$work/xml/$x43.xml" "$work/$x44.xml"
sed 's|<gml:high>1124 749</gml:high>|<gml:high>1125 750</gml:high>|' "$work/xml/$x43.xml" >"$work/big-$x43.xml"
check "a grid one cell larger than its product's" 6 err "grid is 1126 by 751 cells, not the 1125 by 750 of a DEM10B file" \
    zc --map-datum tokyo "$work/hostile.dcm" "$work/big-$x43.xml"
same_map "a first look that fails leaves the map" "$work/hostile.dcm" "$work/pristine.dcm"
# What follows a file's tuple list is read when a pass comes to the file: a
# start point there that is no cell of the grid stops the run at that file.
# The datum step, which reads squares spread over the whole run, comes to it
# here before anything is written.
cp "$work/pristine.dcm" "$work/only43.dcm"
check "the first file alone" 0 out "1 mesh square written from 1 DEM file" \
    zc --map-datum jgd "$work/only43.dcm" "$work/xml/$x43.xml"
mkdir "$work/late"
sed 's|<gml:startPoint>0 0</gml:startPoint>|<gml:startPoint>0 99999</gml:startPoint>|' \
    "$work/xml/$x44.xml" >"$work/late/$x44.xml"
if cmp -s "$work/late/$x44.xml" "$work/xml/$x44.xml"; then fail "the start point was not changed"; fi
cp "$work/pristine.dcm" "$work/late.dcm"
check "a start point after the tuples that is no cell" 6 err "$(shown "$work/late/$x44.xml")" \
    zc --map-datum jgd "$work/late.dcm" "$work/xml/$x43.xml" "$work/late/$x44.xml"
if ! grep -qF "start point" "$work/err"; then fail "the reason names the start point"; fi
same_map "found by the datum step, nothing is written" "$work/late.dcm" "$work/pristine.dcm"
echo "readme" >"$work/readme.txt"
zip_of "$work/none.zip" "$work/readme.txt"
check "a zip without a DEM" 5 err "hold no DEM file" \
    zc --map-datum tokyo "$work/hostile.dcm" "$work/none.zip"
if ! grep -qF "readme.txt: neither a DEM file" "$work/err"; then
    fail "the member passed over is named"
fi

# A DEM never makes land into no data: heights below -99 m, which the map
# holds as no data, leave the cells as they are.
sed 's/地表面,[0-9.]*/地表面,-150.00/' "$work/xml/$x43.xml" >"$work/$x43.xml"
cp "$work/pristine.dcm" "$work/deep.dcm"
check "heights the map does not hold" 0 err "keep their values" \
    zc --map-datum tokyo "$work/deep.dcm" "$work/$x43.xml"
same_map "heights the map does not hold leave it" "$work/deep.dcm" "$work/pristine.dcm"

# What is passed over is warned of, and the rest applied.
sed 's/10mメッシュ（標高）/50mメッシュ（標高）/' "$work/xml/$x43.xml" >"$work/FG-GML-other.xml"
mkdir "$work/newer"
cp "$work/xml/$x43.xml" "$work/newer/FG-GML-5239-43-DEM10B-20240101.xml"
cp "$work/pristine.dcm" "$work/passed.dcm"
check "an unknown type and a replaced file" 0 out "3 mesh squares written from 2 DEM files" \
    zc --map-datum tokyo "$work/passed.dcm" "$work/FG-GML-other.xml" \
    "$work/newer/FG-GML-5239-43-DEM10B-20240101.xml" "$work/xml/$x43.xml" "$work/xml/$x44.xml"
same_map "the rest is applied" "$work/passed.dcm" "$work/tokyo.dcm"
if ! grep -qF "FG-GML-other.xml" "$work/err" ||
    ! grep -qF "$x43.xml: a later file of the same mesh and product replaces it" "$work/err"; then
    fail "what was passed over is warned of"
fi

# A zip inside a zip too large to read in memory goes through a temporary
# file, which is gone however the run ends, a SIGKILL included: here
# natively, where the temporary folder is TMPDIR, a fresh one for each run.
if [ -z "$runner" ]; then
    mkdir "$work/big"
    python3 - "$work/big/inner.zip" "$work/xml/$x43.xml" "$work/xml/$x44.xml" <<'PY'
import os, sys, zipfile
with zipfile.ZipFile(sys.argv[1], "w", zipfile.ZIP_STORED) as z:
    z.write(sys.argv[2], os.path.basename(sys.argv[2]))
    z.writestr("filler.bin", os.urandom(64 << 20))  # passed over, with a warning
    z.write(sys.argv[3], os.path.basename(sys.argv[3]))
PY
    zip_of "$work/big/outer.zip" "$work/big/inner.zip"
    mkdir "$work/tmp"
    cp "$work/pristine.dcm" "$work/spilled.dcm"
    check "a zip in a zip read from a temporary file" 0 out "3 mesh squares written from 2 DEM files" \
        env TMPDIR="$work/tmp" bash -c 'zc "$@"' _ --map-datum tokyo "$work/spilled.dcm" \
        "$work/big/outer.zip"
    same_map "the zip in a zip gives the map of its files" "$work/spilled.dcm" "$work/tokyo.dcm"
    [ -z "$(ls -A "$work/tmp")" ] || fail "temporary files left: $(ls "$work/tmp")"
    for signal in INT TERM KILL; do
        mkdir "$work/tmp-$signal"
        cp "$work/pristine.dcm" "$work/spill-$signal.dcm"
        TMPDIR="$work/tmp-$signal" "$tool" --map-datum tokyo "$work/spill-$signal.dcm" \
            "$work/big/outer.zip" >/dev/null 2>&1 &
        pid=$!
        # The signal comes once the copy has begun: the program holds it open
        # (its name may be gone already).
        while kill -0 $pid 2>/dev/null && ! ls -l /proc/$pid/fd 2>/dev/null | grep -q "tmp-$signal/zelvorin-zip-"; do :; done
        kill -"$signal" $pid 2>/dev/null
        wait $pid
        status=$?
        if [ "$status" -ne 0 ] && [ -z "$(ls -A "$work/tmp-$signal")" ]; then
            echo "ok   SIG$signal while a zip in a zip is copied leaves no temporary file"
        else
            fail "SIG$signal during the copy: status $status, left: $(ls "$work/tmp-$signal")"
        fi
    done
fi

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
