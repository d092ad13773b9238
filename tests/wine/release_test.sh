#!/usr/bin/env bash
# The release zip, unpacked into a fresh folder: it holds what a user needs
# and nothing more is needed beside it (the module imports only the system's
# DLLs and the host's PluginIf.dll, the program only the system's), and the
# program runs from there under Wine and corrects sample data. Each program,
# the sample's too, carries its version information and manifest, with the
# project's version, which the zip's name, the guide and --version give too.
# Usage: release_test.sh PREFIX BUILD_WIN
set -u
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8
build=$2
root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d "${TEST_TMPDIR:-${TMPDIR:-/tmp}}/zelvorin_release.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }

zip=$(bash "$root/scripts/pack-release.sh" "$build" "$work/dist") || { echo "FAIL packing"; exit 1; }
mkdir "$work/user"
(cd "$work/user" && cmake -E tar xf "$zip") || { echo "FAIL unpacking"; exit 1; }
dir=$(echo "$work"/user/zelvorin-*-win32)
for f in Zelvorin.vxl zelvorin-correct.exe zelvorin-mem.exe guide-ja.txt licences/zlib.txt licences/libpng.txt \
    licences/libdeflate.txt licences/expat.txt licences/libarchive.txt licences/libstdc++-libgcc.txt licences/mingw-w64-runtime-winpthreads.txt; do
    [ -s "$dir/$f" ] || fail "the zip lacks $f"
done
iconv -f CP932 -t UTF-8 "$dir/guide-ja.txt" | grep -qF "数値地図(圧縮地図)の差し替え" ||
    fail "the guide is not in code page 932 or lacks the menu command"
system='^(KERNEL32|USER32|GDI32|COMCTL32|COMDLG32|SHELL32|OLE32|ADVAPI32|msvcrt)\.dll$'
imports() { i686-w64-mingw32-objdump -p "$1" | sed -n 's/^\s*DLL Name: //p'; }
for program in zelvorin-correct.exe zelvorin-mem.exe; do
    extra=$(imports "$dir/$program" | grep -viE "$system")
    [ -z "$extra" ] && echo "ok   $program needs only the system's DLLs" || fail "$program needs $extra"
done
extra=$(imports "$dir/Zelvorin.vxl" | grep -viE "$system" | grep -vx PluginIf.dll)
[ -z "$extra" ] && echo "ok   the module needs only the system's and the host's DLLs" ||
    fail "the module needs $extra"

version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$build/CMakeCache.txt")
[ "$(basename "$zip")" = "zelvorin-$version-win32.zip" ] || fail "the zip's name lacks the version $version"
head -n 1 "$dir/guide-ja.txt" | iconv -f CP932 -t UTF-8 | grep -qF "Zelvorin $version " ||
    fail "the guide's heading lacks the version $version"
# What Explorer's properties show: read from the resource section by
# program_resources.py, with the Japanese description each program must have.
description() {
    case $1 in
        zelvorin-correct.exe) echo "Zelvorin 圧縮地図をメッシュファイルと DEM で訂正" ;;
        zelvorin-mem.exe) echo "Zelvorin DEM から 50m メッシュファイルを作成" ;;
        zelvorin-sample.exe) echo "Zelvorin 訂正を試すサンプルデータを作成" ;;
    esac
}
for program in "$dir"/*.exe "$build/bin/zelvorin-sample.exe"; do
    name=$(basename "$program")
    if wrong=$(python3 "$root/tests/wine/program_resources.py" "$version" "$program" \
        "$(description "$name")" 2>&1); then
        echo "ok   $name has its version information and manifest"
    else
        fail "$name's resources: $(echo "$wrong" | paste -sd ';')"
    fi
done

# Run from the unpacked folder, with nothing of the build beside it.
cd "$dir"
timeout 120 wine zelvorin-correct.exe --version >"$work/out" 2>&1 &&
    tr -d '\r' <"$work/out" | grep -qx "zelvorin-correct $version" &&
    echo "ok   the program runs from the unpacked folder" || fail "the program does not run: $(cat "$work/out")"
timeout 120 wine "$build/bin/zelvorin-sample.exe" "Z:$work/data" >/dev/null 2>&1
cp "$work/data/sample.dcm" "$work/data/before.dcm"
timeout 120 wine zelvorin-correct.exe "Z:$work/data/sample.dcm" "Z:$work/data/mesh" >/dev/null 2>&1
status=$?
if [ "$status" -eq 0 ] && ! cmp -s "$work/data/sample.dcm" "$work/data/before.dcm"; then
    echo "ok   it corrects the sample map"
else
    fail "the correction from the unpacked folder: status $status"
fi
# Today's DEM for the menu command: zelvorin-mem writes mesh files from the
# sample's zip, and correcting with them gives what the DEM gives directly.
cp "$work/data/before.dcm" "$work/data/dem.dcm"
cp "$work/data/before.dcm" "$work/data/via-mem.dcm"
timeout 120 wine zelvorin-correct.exe --map-datum tokyo "Z:$work/data/dem.dcm" \
    "Z:$work/data/dem/sample-dem.zip" >/dev/null 2>&1
timeout 120 wine zelvorin-mem.exe --map "Z:$work/data/before.dcm" --map-datum tokyo \
    "Z:$work/data/from-dem" "Z:$work/data/dem/sample-dem.zip" >/dev/null 2>&1
timeout 120 wine zelvorin-correct.exe "Z:$work/data/via-mem.dcm" "Z:$work/data/from-dem" \
    >/dev/null 2>&1
if ! cmp -s "$work/data/dem.dcm" "$work/data/before.dcm" &&
    cmp -s "$work/data/dem.dcm" "$work/data/via-mem.dcm"; then
    echo "ok   zelvorin-mem's files give the DEM's map"
else
    fail "zelvorin-mem's files do not give the DEM's map"
fi
wineserver -w
echo "$failures failed"
[ "$failures" -eq 0 ]
