#!/usr/bin/env bash
# End-to-end checks of zelvorin-mem: the mesh files it writes from the DEM,
# applied by zelvorin-correct, give the map that zelvorin-correct gives from
# the DEM itself, byte for byte, on both datums, over a map with depths and
# cells without data, from a DEM with depths and holes; what it refuses; and
# a run stopped by SIGINT leaves only whole files.
# Usage: mem_cli_test.sh ZELVORIN_CORRECT ZELVORIN_SAMPLE ZELVORIN_MEM
NAME=zelvorin_mem_cli
source "$(dirname "${BASH_SOURCE[0]}")/cli_common.sh"
mem=$(realpath "$3")
zm() {
    local args=() arg
    for arg in "$@"; do args+=("$(shown "$arg")"); done
    $runner "$mem" "${args[@]}"
}

$runner "$sample" "$(shown "$work")" >/dev/null || exit 1
x43=FG-GML-5239-43-DEM10B-20161001
x44=FG-GML-5239-44-DEM10B-20161001
mkdir "$work/xml"
(cd "$work/xml" && unzip -q "$work/dem/sample-dem.zip" && unzip -q $x43.zip && unzip -q $x44.zip &&
    rm ./*.zip)

# The map under the DEM with depths, cells without data and elevations in
# every seventh column: mesh files of the three squares it covers there,
# applied to the sample map.
mkdir "$work/craft"
python3 - "$work/craft" <<'PY'
import sys
kinds = [-9999, -15, -5, -995, -105, 0, None]
for code in (523943, 523944, 523945):
    head = ("%06d" % code).ljust(23) + "200200"
    head = head.ljust(142) + "200"
    head = head.ljust(225) + "1" * 200
    lines = [head.ljust(1009)]
    for record in range(1, 201):
        fields = ""
        for j in range(200):
            kind = kinds[(j + record) % 7]
            fields += "%5d" % (kind if kind is not None else 1000 + 10 * j + record)
        lines.append(("%06d%03d" % (code, record) + fields).ljust(1009))
    with open("%s/%d.mem" % (sys.argv[1], code), "w", newline="") as f:
        f.write("\r\n".join(lines) + "\r\n")
PY
cp "$work/sample.dcm" "$work/crafted.dcm"
zc "$work/crafted.dcm" "$work/craft" >/dev/null 2>&1 || { echo "FAIL crafting the map"; exit 1; }

# The DEM with depths from -5 m to 5 m (-0.x among them) in a band of rows
# and a hole without data further south.
awk -v start="$(grep -n '<gml:tupleList>' "$work/xml/$x43.xml" | cut -d: -f1)" '
    NR > start && NR <= start + 1125 * 750 {
        i = NR - start - 1; row = int(i / 1125); col = i % 1125
        if (row >= 100 && row < 300 && col >= 200 && col < 600) {
            printf "地表面,%.2f\n", (col - 400) / 40.0; next
        }
        if (row >= 400 && row < 550 && col < 500) { print "データなし,-9999."; next }
    }
    { print }' "$work/xml/$x43.xml" >"$work/$x43.xml"
dem=("$work/$x43.xml" "$work/xml/$x44.xml")

for datum in tokyo jgd; do
    cp "$work/crafted.dcm" "$work/want-$datum.dcm"
    check "$datum: the DEM straight into the map" 0 out "mesh squares written" \
        zc --map-datum $datum "$work/want-$datum.dcm" "${dem[@]}"
    if cmp -s "$work/want-$datum.dcm" "$work/crafted.dcm"; then fail "$datum: the DEM changed nothing"; fi
    check "$datum: the DEM as mesh files" 0 out "mesh files written to" \
        zm --map "$work/crafted.dcm" --map-datum $datum "$work/out-$datum" "${dem[@]}"
    if ls -A "$work/out-$datum" | grep -qv '^[0-9]\{6\}\.mem$'; then
        fail "$datum: only mesh files are left: $(ls -A "$work/out-$datum")"
    fi
    # Readers of the format need the header's years: the DEM's, 2016.
    for file in "$work/out-$datum"/*.mem; do
        [ "$(head -c 23 "$file" | tail -c 12)" = 201620162016 ] || fail "$datum: the years of $file"
    done
    cp "$work/crafted.dcm" "$work/got-$datum.dcm"
    check "$datum: the mesh files into the map" 0 out "" \
        zc "$work/got-$datum.dcm" "$work/out-$datum"
    same_map "$datum: both routes give the same map" "$work/got-$datum.dcm" "$work/want-$datum.dcm"
done
if cmp -s "$work/want-tokyo.dcm" "$work/want-jgd.dcm"; then fail "the datum changed nothing"; fi

# What it refuses, before anything is written.
check "the map is needed" 2 err "--map MAP.dcm is needed" \
    zm --map-datum tokyo "$work/refused" "${dem[@]}"
check "an empty map name" 2 err "option --map needs a file name, not an empty one" \
    zm --map "" --map-datum tokyo "$work/refused" "${dem[@]}"
check "an unknown datum" 2 err "--map-datum takes tokyo or jgd, not 'wgs84'" \
    zm --map "$work/crafted.dcm" --map-datum wgs84 "$work/refused" "${dem[@]}"
check "an output folder without sources" 2 err "an output folder and DEM sources are needed" \
    zm --map "$work/crafted.dcm" --map-datum tokyo "$work/refused"
check "a datum the data do not tell" 2 err "zelvorin-mem: the DEM does not tell the map's datum" \
    zm --map "$work/crafted.dcm" "$work/refused" "${dem[@]}"
check "mesh files are no source" 2 err "the sources are mesh files already" \
    zm --map "$work/crafted.dcm" --map-datum tokyo "$work/refused" "$work/craft"
check "a file is no output folder" 2 err "is not a folder" \
    zm --map "$work/crafted.dcm" --map-datum tokyo "$work/crafted.dcm" "${dem[@]}"
mkdir "$work/full"
touch "$work/full/.hidden"
check "the output folder must be empty" 2 err "is not empty" \
    zm --map "$work/crafted.dcm" --map-datum tokyo "$work/full" "${dem[@]}"
head -c 100 "$work/crafted.dcm" >"$work/short.dcm"
check "a map cut short" 4 err "cannot use the map" \
    zm --map "$work/short.dcm" --map-datum tokyo "$work/refused" "${dem[@]}"
if [ -e "$work/refused" ] || [ "$(ls -A "$work/full")" != .hidden ]; then
    fail "a refused run writes nothing"
else
    echo "ok   a refused run writes nothing"
fi

# A DEM file of a square far from the map still gets its file, whose cells
# the map leaves to the DEM alone: a run is never over with nothing written.
mkdir "$work/far"
sed -e 's/523943</644142</g' -e 's/>35 139.375</>43 141.25</' \
    -e 's/>35.083333333 139.5</>43.083333333 141.375</' "$work/xml/$x43.xml" \
    >"$work/far/FG-GML-6441-42-DEM10B-20161001.xml"
check "a DEM file off the map" 0 out "1 mesh file written to" \
    zm --map "$work/crafted.dcm" --map-datum jgd "$work/far-out" "$work/far"
[ -f "$work/far-out/644142.mem" ] && echo "ok   a DEM file off the map gives its file" ||
    fail "a DEM file off the map gives its file: $(ls "$work/far-out" 2>&1)"

# A run stopped by SIGINT: the files written before stand whole, as a whole
# run writes them, and no part is left. Sixteen DEM files of squares next to
# each other make a run long enough to be stopped after its first file.
python3 - "$work/xml/$x43.xml" "$work/many.zip" <<'PY'
import sys, zipfile
text = open(sys.argv[1], encoding="utf-8").read()
with zipfile.ZipFile(sys.argv[2], "w", zipfile.ZIP_DEFLATED, compresslevel=1) as z:
    for q in (4, 5):
        for v in range(8):
            code = "5239%d%d" % (q, v)
            south, west = 34 + 2 / 3 + q / 12, 139 + v / 8
            t = text.replace("523943", code)
            # The upper corner first: a new lower one may read like the old upper one.
            t = t.replace("35.083333333 139.5", "%.9f %.9f" % (south + 1 / 12, west + 1 / 8))
            t = t.replace("35 139.375", "%.9f %.9f" % (south, west))
            z.writestr("FG-GML-5239-%d%d-DEM10B-20161001.xml" % (q, v), t)
PY
check "a whole run of many squares" 0 out "mesh files written" \
    zm --map "$work/sample.dcm" --map-datum tokyo "$work/whole" "$work/many.zip"
# Memory or threads running out: a message naming the step, no abort.
short_of_memory "a run short of memory" "0 6 7" \
    "$mem" --map "$work/sample.dcm" --map-datum tokyo "$work/short" "$work/many.zip"
# The map is only read, shared: a correction holding it stops no conversion.
if [ -n "$runner" ]; then
    skip "a map another run holds" "flock's lock is advisory"
elif command -v flock >/dev/null; then
    check "a map another run holds" 0 out "mesh files written" \
        flock "$work/sample.dcm" "$mem" --map "$work/sample.dcm" --map-datum tokyo "$work/held" \
        "$work/xml/$x43.xml"
fi
if [ -n "$runner" ]; then
    skip "a stopped run" "POSIX signals"
else
    # The program itself, not a shell around it, takes the signal.
    "$mem" --map "$work/sample.dcm" --map-datum tokyo "$work/stopped" "$work/many.zip" \
        >"$work/out" 2>"$work/err" &
    pid=$!
    while kill -0 $pid 2>/dev/null && ! compgen -G "$work/stopped/*.mem" >/dev/null; do :; done
    kill -INT $pid
    wait $pid
    status=$?
    made=$(ls "$work/stopped" | wc -l)
    all=$(ls "$work/whole" | wc -l)
    if [ "$status" -ne 130 ] || ! grep -qF "interrupted" "$work/err" ||
        ! grep -qE "^[0-9]+ mesh files? written to .* before the run was stopped$" "$work/out"; then
        fail "a stopped run: status $status (want 130)"
    elif [ -n "$(ls -A "$work/stopped" | grep -v '^[0-9]\{6\}\.mem$')" ]; then
        fail "a stopped run leaves no part: $(ls -A "$work/stopped")"
    elif [ "$made" -lt 1 ] || [ "$made" -ge "$all" ]; then
        fail "the run was stopped part way: $made of $all files"
    else
        bad=0
        for file in "$work/stopped"/*.mem; do
            cmp -s "$file" "$work/whole/$(basename "$file")" || bad=1
        done
        if [ $bad -ne 0 ]; then fail "a stopped run's files are whole"; else
            echo "ok   a stopped run leaves $made whole files of $all and no part"
        fi
    fi
fi

[ "$failures" -eq 0 ] || { echo "$failures failed"; exit 1; }
echo "all passed"
