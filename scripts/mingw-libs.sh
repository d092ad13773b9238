#!/usr/bin/env bash
# Builds the libraries that the Windows build links statically and that
# Debian packages for Linux only: libpng and libdeflate for the terminal tool,
# expat and libarchive (its zip reader and writer) for the national DEM. They
# come from Debian's source packages (the same upstream versions as the Linux
# build's): apt-get source fetches each whole source package and dpkg-source
# unpacks it with Debian's patches applied; the MinGW cross compiler builds
# them. Once per build folder: they go to BUILD_DIR/mingw-libs (include/ and
# lib/, their licences in licences/), which a later run finds done.
# Usage: mingw-libs.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1"
out=$(cd "$1" && pwd)/mingw-libs
[ -f "$out/done-with-dem-libs" ] && exit 0
rm -rf "$out"
mkdir -p "$out/include" "$out/lib" "$out/licences"
work=$(mktemp -d "${TMPDIR:-/tmp}/zelvorin-mingw-libs.XXXXXX")
trap 'rm -rf "$work"' EXIT
cd "$work"
apt-get source -qq libpng1.6 libdeflate expat libarchive >/dev/null 2>&1 ||
    { echo "mingw-libs: apt-get source failed (is the deb-src entry there?)" >&2; exit 1; }
toolchain=(-G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake")

deflate=$(find . -maxdepth 1 -type d -name 'libdeflate-*' | head -1)
# Its makefile names a static library for Windows libdeflatestatic.lib; an
# archive all the same, taken under the name the linker looks for.
make -s -C "$deflate" CC=i686-w64-mingw32-gcc-posix AR=i686-w64-mingw32-ar \
    CFLAGS="-O2 -msse2" libdeflatestatic.lib
cp "$deflate/libdeflatestatic.lib" "$out/lib/libdeflate.a"
cp "$deflate/libdeflate.h" "$out/include/"
cp "$deflate/COPYING" "$out/licences/libdeflate.txt"

png=$(find . -maxdepth 1 -type d -name 'libpng1.6-*' | head -1)
cmake -S "$png" -B png-build "${toolchain[@]}" -DCMAKE_INSTALL_PREFIX="$out" \
    -DPNG_SHARED=OFF -DPNG_STATIC=ON -DPNG_TESTS=OFF -DPNG_EXECUTABLES=OFF \
    -DPNG_HARDWARE_OPTIMIZATIONS=OFF >/dev/null
cmake --build png-build >/dev/null
cmake --install png-build >/dev/null
cp "$png/LICENSE" "$out/licences/libpng.txt"

# expat: the library alone, static (its users then need XML_STATIC). Debian
# builds it with autotools, whose configuration defines XML_DTD as 1, and
# its patches test "XML_DTD == 1"; CMake's template defines it empty, which
# does not compile. Its template is given the value autotools gives.
expat=$(find . -maxdepth 1 -type d -name 'expat-*' | head -1)
sed -i 's/^#cmakedefine XML_DTD$/#cmakedefine XML_DTD 1/' "$expat/expat/expat_config.h.cmake"
grep -qx '#cmakedefine XML_DTD 1' "$expat/expat/expat_config.h.cmake" ||
    { echo "mingw-libs: expat's configuration template has changed" >&2; exit 1; }
cmake -S "$expat/expat" -B expat-build "${toolchain[@]}" -DCMAKE_INSTALL_PREFIX="$out" \
    -DEXPAT_SHARED_LIBS=OFF -DEXPAT_BUILD_TOOLS=OFF -DEXPAT_BUILD_EXAMPLES=OFF \
    -DEXPAT_BUILD_TESTS=OFF -DEXPAT_BUILD_DOCS=OFF -DEXPAT_BUILD_PKGCONFIG=OFF >/dev/null
cmake --build expat-build >/dev/null
cmake --install expat-build >/dev/null
cp "$expat/expat/COPYING" "$out/licences/expat.txt"

# libarchive: what the zip reader and writer need, deflate through zlib
# (Debian's MinGW package, static). Everything optional is off: no crypto
# (encrypted zips are refused), no other compressions or formats' helper
# libraries, no iconv (on Windows names are converted with the system's code
# page functions), no programs, no tests. Its CMake project always builds a
# DLL too; only the static library is built and taken.
archive=$(find . -maxdepth 1 -type d -name 'libarchive-*' | head -1)
cmake -S "$archive" -B archive-build "${toolchain[@]}" -DZLIB_USE_STATIC_LIBS=ON \
    -DENABLE_ZLIB=ON -DENABLE_OPENSSL=OFF -DENABLE_NETTLE=OFF -DENABLE_MBEDTLS=OFF \
    -DENABLE_CNG=OFF -DENABLE_LIBB2=OFF -DENABLE_LZ4=OFF -DENABLE_LZO=OFF -DENABLE_LZMA=OFF \
    -DENABLE_ZSTD=OFF -DENABLE_BZip2=OFF -DENABLE_LIBXML2=OFF -DENABLE_EXPAT=OFF \
    -DENABLE_PCREPOSIX=OFF -DPOSIX_REGEX_LIB=NONE -DENABLE_LIBGCC=OFF -DENABLE_ICONV=OFF \
    -DENABLE_ACL=OFF -DENABLE_XATTR=OFF -DENABLE_TAR=OFF -DENABLE_CPIO=OFF -DENABLE_CAT=OFF \
    -DENABLE_TEST=OFF -DBUILD_TESTING=OFF -DENABLE_INSTALL=OFF >/dev/null
cmake --build archive-build --target archive_static >/dev/null
cp archive-build/libarchive/libarchive_static.a "$out/lib/libarchive.a"
cp "$archive/libarchive/archive.h" "$archive/libarchive/archive_entry.h" "$out/include/"
cp "$archive/COPYING" "$out/licences/libarchive.txt"
touch "$out/done-with-dem-libs"
