#!/usr/bin/env bash
# Installs what the builds and tests need, from Debian's packages, and only
# what is missing. Usage: install-deps.sh native|windows|fuzz|format|all
set -euo pipefail
want=${1:-all}

as_root() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

updated=
recommends=--no-install-recommends
apt_install() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ -z "$updated" ]; then as_root apt-get update -qq; updated=1; fi
    echo "installing: ${missing[*]}"
    as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq $recommends "${missing[@]}" >/dev/null
}

native() {
    apt_install cmake ninja-build g++ libgtest-dev libgmock-dev util-linux libpng-dev zlib1g-dev libdeflate-dev
    # The picture's image data compressed with isa-l (zlib and libdeflate
    # stay for the Windows build).
    apt_install libisal-dev
    # The national DEM: its GML through expat, its zips through libarchive;
    # PROJ's cct checks the datum shift and zip builds the tests' archives.
    apt_install libexpat1-dev libarchive-dev proj-bin zip
    # The end-to-end scripts make their crafted files with Python.
    apt_install python3
    # The system's messages in Japanese, and the locales the tests run in:
    # Japanese, English, and German, whose numbers are written with ','.
    apt_install locales libc-l10n
    for name in ja_JP en_US de_DE; do
        if ! locale -a 2>/dev/null | grep -qi "^$name\.utf-\?8$"; then
            grep -q "^$name.UTF-8 UTF-8" /etc/locale.gen 2>/dev/null ||
                echo "$name.UTF-8 UTF-8" | as_root tee -a /etc/locale.gen >/dev/null
            as_root locale-gen >/dev/null
        fi
    done
}

format() {
    apt_install clang-format
}

fuzz() {
    apt_install clang libclang-rt-14-dev
}

tidy() {
    apt_install clang-tidy-14
}

windows() {
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        as_root dpkg --add-architecture i386
        updated=
    fi
    # With what Wine recommends: that is the set the tests were proven on.
    recommends=
    apt_install g++-mingw-w64-i686 wine wine32:i386 xvfb xauth fonts-ipafont-gothic \
        libfreetype6:i386 libfontconfig1:i386 locales x11-apps imagemagick
    apt_install libz-mingw-w64-dev dpkg-dev
    # Source packages of Debian's main archive, from which scripts/mingw-libs.sh
    # builds libpng, libdeflate, expat and libarchive for MinGW. (The security
    # archive's sources are not served to this workplace: an entry for them
    # makes apt-get source fail, so one left by an earlier version goes.)
    local list=/etc/apt/sources.list.d/zelvorin-deb-src.sources
    if grep -qs bookworm-security "$list" ||
        ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        as_root tee "$list" >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
        as_root apt-get update -qq
    fi
    # The console test: script gives the program a pseudo-terminal, pgrep
    # finds its process.
    apt_install bsdutils procps
    # The release test reads the programs' version information and manifests
    # with a Python script that needs nothing beyond Python's standard library.
    apt_install python3
    # Wine takes its ANSI code page from the locale (made in native):
    # ja_JP.UTF-8 gives 932; the tests ask for English messages with
    # LC_MESSAGES=en_US.UTF-8.
}

case "$want" in
    native) native ;;
    windows) native; windows ;;
    fuzz) native; fuzz ;;
    tidy) native; fuzz; tidy ;;
    format) format ;;
    all) native; fuzz; tidy; format; windows ;;
    *) echo "usage: $0 native|windows|fuzz|tidy|format|all" >&2; exit 2 ;;
esac
