#!/usr/bin/env bash
# Builds the libraries that the Windows build of the terminal tool links
# statically and that Debian packages for Linux only, libpng and libdeflate,
# from Debian's source packages (the same versions as the Linux build's) with
# the MinGW cross compiler. Once per build folder: they go to
# BUILD_DIR/mingw-libs (include/ and lib/), which a later run finds done.
# Usage: mingw-libs.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)/mingw-libs
[ -f "$out/done-with-licences" ] && exit 0
rm -rf "$out"
mkdir -p "$out/include" "$out/lib" "$out/licences"
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvorin-mingw-libs.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
# The whole source packages, unpacked with dpkg-source (Debian's patches in).
apt-get source -qq libpng1.6 libdeflate >/dev/null 2>&1 ||
    { echo "mingw-libs: apt-get source failed (is the deb-src entry there?)" >&2; exit 1; }

deflate=$(find . -maxdepth 1 -type d -name 'libdeflate-*' | head -1)
# Its makefile names a static library for Windows libdeflatestatic.lib; an
# archive all the same, taken under the name the linker looks for.
make -s -C "$deflate" CC=i686-w64-mingw32-gcc-posix AR=i686-w64-mingw32-ar \
    CFLAGS="-O2 -msse2" libdeflatestatic.lib
cp "$deflate/libdeflatestatic.lib" "$out/lib/libdeflate.a"
cp "$deflate/libdeflate.h" "$out/include/"
cp "$deflate/COPYING" "$out/licences/libdeflate.txt"

png=$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
cmake -S "$png" -B png-build -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_INSTALL_PREFIX="$out" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF >/dev/null
cmake --build png-build >/dev/null
cmake --install png-build >/dev/null
cp "$png/LICENSE" "$out/licences/libpng.txt"
touch "$out/done-with-licences"
