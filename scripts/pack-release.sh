#!/usr/bin/env bash
# Packs a Windows build into the release zip: the module, the terminal
# programs, the Japanese guide (code page 932, CR LF, as Notepad on Japanese
# Windows opens it) and the licences of what is linked in.
# Usage: pack-release.sh BUILD_WIN OUT_FOLDER; prints the zip's path.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
version=$(sed -n 's/^project(Zelvorin VERSION \([0-9.]*\).*/\1/p' "$root/CMakeLists.txt")
name=zelvorin-$version-win32
stage=$(mktemp -d "${TMPDIR:-/tmp}/zelvorin-release.XXXXXX")
trap 'rm -rf "$stage"' EXIT
mkdir -p "$stage/$name/licences"
cp "$build/bin/Zelvorin.vxl" "$build/bin/zelvorin-correct.exe" "$build/bin/zelvorin-mem.exe" \
    "$stage/$name/"
iconv -f UTF-8 -t CP932 "$root/docs/guide-ja.md" | sed 's/$/\r/' >"$stage/$name/guide-ja.txt"
licences=$stage/$name/licences
for lib in libpng libdeflate expat libarchive; do
    cp "$build/mingw-libs/licences/$lib.txt" "$licences/"
done
cp /usr/share/doc/libz-mingw-w64-dev/copyright "$licences/zlib.txt"
# libstdc++ and libgcc: GCC's runtime library exception; winpthreads and the
# rest of the MinGW-w64 runtime.
cp /usr/share/doc/gcc-mingw-w64-base/copyright "$licences/libstdc++-libgcc.txt"
cp /usr/share/doc/mingw-w64-i686-dev/copyright "$licences/mingw-w64-runtime-winpthreads.txt"
rm -f "$out/$name.zip"
(cd "$stage" && cmake -E tar cf "$out/$name.zip" --format=zip "$name")
echo "$out/$name.zip"
