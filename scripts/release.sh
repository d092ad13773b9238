#!/usr/bin/env bash
# Builds the Windows module and program and makes the release zip in dist/.
# Usage: release.sh
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh windows
bash scripts/mingw-libs.sh build-win
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake >/dev/null
cmake --build build-win --target Zelvorin zelvorin-correct
bash scripts/pack-release.sh build-win dist
