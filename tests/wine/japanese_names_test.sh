#!/usr/bin/env bash
# zelvorin-correct.exe and zelvorin-mem.exe under Wine where Japanese users
# keep their data: one folder tree whose names hold kana, kanji, full-width
# digits, characters whose second byte in code page 932 is '\' (表, ソ, 能),
# half-width kana and characters code page 932 cannot spell (é, 한). Each kind
# of source (a mesh folder, mesh files one by one, a DEM zip, a DEM folder)
# goes through each program with a Japanese user interface and with an
# English one, and every map and mesh file made must equal, byte for byte,
# what the Linux programs make from the same data in a plain folder.
# Usage: japanese_names_test.sh PREFIX WINDOWS_BIN LINUX_BUILD
set -u
export WINEPREFIX=$1 WINEARCH=win32 WINEDEBUG=-all
unset LC_ALL LC_MESSAGES
bin=$2
linux=$3
work=$(mktemp -d "${TEST_TMPDIR:-${TMPDIR:-/tmp}}/zelvorin_wine_names.XXXXXX")
trap 'rm -rf "$work"' EXIT
failures=0
fail() { echo "FAIL $1"; failures=$((failures + 1)); }
win() { echo "Z:$1"; }  # a Linux path as Wine's drive Z: shows it
# wrun LANGUAGE PROGRAM ARGS...: the Windows program with a Japanese (ja) or
# English (en) user interface; its messages kept in $work/err.
wrun() {
    local lang=ja_JP.UTF-8
    [ "$1" = en ] && lang=C.UTF-8
    (cd "$bin" && LANG=$lang timeout 120 wine "$2" "${@:3}") >/dev/null 2>"$work/err"
}
wineserver -p20

# The data, made by the Linux sample program in a plain folder, where the
# Linux programs make the maps and mesh files to compare with.
"$linux/samples/zelvorin-sample" "$work/plain" >/dev/null || { echo "FAIL the sample"; exit 1; }
plain=$work/plain
mkdir "$plain/dem-folder"
cp "$plain/dem/sample-dem.zip" "$plain/dem-folder/"
meshes=("$plain"/mesh/*.mem)
expect() {  # expect NAME ARGS...: the Linux tool's map from these sources
    cp "$plain/sample.dcm" "$work/$1.dcm"
    "$linux/tools/zelvorin-correct" "${@:2:$#-2}" "$work/$1.dcm" "${@: -1}" >/dev/null 2>&1
}
expect mesh-folder "$plain/mesh"
cp "$plain/sample.dcm" "$work/mesh-files.dcm"
"$linux/tools/zelvorin-correct" "$work/mesh-files.dcm" "${meshes[@]}" >/dev/null 2>&1
expect dem-zip --map-datum tokyo "$plain/dem/sample-dem.zip"
expect dem-folder --map-datum tokyo "$plain/dem-folder"
for kind in dem-zip dem-folder; do
    source=$plain/dem/sample-dem.zip
    [ $kind = dem-folder ] && source=$plain/dem-folder
    "$linux/tools/zelvorin-mem" --map "$plain/sample.dcm" --map-datum tokyo "$work/$kind-mem" \
        "$source" >/dev/null 2>&1
done
cmp -s "$work/mesh-folder.dcm" "$plain/sample.dcm" && { echo "FAIL the Linux run changed nothing"; exit 1; }

# The same data in the tree, each file under a name of its own kind.
tree="$work/データ/ダウンロード/標高１２３/表ソ能/ﾒｯｼｭ/é한"
mkdir -p "$tree/メッシュ" "$tree/DEMフォルダ"
names=(北海道.mem 大阪府ソ.mem ｶﾅ.mem 能.mem １２３.mem 한é.mem)
for i in "${!meshes[@]}"; do cp "${meshes[$i]}" "$tree/メッシュ/${names[$i]}"; done
cp "$plain/sample.dcm" "$tree/地図.dcm"
cp "$plain/dem/sample-dem.zip" "$tree/標高ダウンロード.zip"
cp "$plain/dem/sample-dem.zip" "$tree/DEMフォルダ/高橋ソ.zip"
listed=()
for i in "${!meshes[@]}"; do listed+=("$(win "$tree/メッシュ/${names[$i]}")"); done

for lang in ja en; do
    # Mesh files one by one in the order of the plain run's.
    for kind in mesh-folder mesh-files dem-zip dem-folder; do
        map="$tree/地図-$lang-$kind.dcm"
        cp "$plain/sample.dcm" "$map"
        case $kind in
            mesh-folder) wrun $lang zelvorin-correct.exe "$(win "$map")" "$(win "$tree/メッシュ")" ;;
            mesh-files) wrun $lang zelvorin-correct.exe "$(win "$map")" "${listed[@]}" ;;
            dem-zip) wrun $lang zelvorin-correct.exe --map-datum tokyo "$(win "$map")" \
                "$(win "$tree/標高ダウンロード.zip")" ;;
            dem-folder) wrun $lang zelvorin-correct.exe --map-datum tokyo "$(win "$map")" \
                "$(win "$tree/DEMフォルダ")" ;;
        esac
        status=$?
        if [ "$status" -eq 0 ] && cmp -s "$map" "$work/$kind.dcm"; then
            echo "ok   zelvorin-correct.exe, $lang, $kind"
        else
            fail "zelvorin-correct.exe, $lang, $kind: status $status, $(iconv -f CP932 -t UTF-8 "$work/err" | tail -1)"
        fi
    done
    for kind in dem-zip dem-folder; do
        source="$tree/標高ダウンロード.zip"
        [ $kind = dem-folder ] && source="$tree/DEMフォルダ"
        out="$tree/出力-$lang-$kind"
        wrun $lang zelvorin-mem.exe --map "$(win "$tree/地図.dcm")" \
            --map-datum tokyo "$(win "$out")" "$(win "$source")"
        status=$?
        if [ "$status" -eq 0 ] && diff -r "$out" "$work/$kind-mem" >/dev/null; then
            echo "ok   zelvorin-mem.exe, $lang, $kind"
        else
            fail "zelvorin-mem.exe, $lang, $kind: status $status, $(iconv -f CP932 -t UTF-8 "$work/err" | tail -1)"
        fi
    done
done

# The sample program writes its data there too, the Linux program's.
sample="$tree/見本ソ"
if wrun ja zelvorin-sample.exe "$(win "$sample")" && diff -r "$sample" "$plain" -x dem-folder >/dev/null; then
    echo "ok   zelvorin-sample.exe writes the Linux program's data in the tree"
else
    fail "zelvorin-sample.exe in the tree: $(tail -1 "$work/err")"
fi

wineserver -w
echo "$failures failed"
[ "$failures" -eq 0 ]
