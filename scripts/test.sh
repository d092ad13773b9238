#!/usr/bin/env bash
# Installs everything, builds both builds, and runs every test: the native
# ones directly, the Windows module's under 32-bit Wine.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh all

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVORIN_WERROR=ON >/dev/null
cmake --build build
(cd build && ctest --output-on-failure -j2)

bash scripts/mingw-libs.sh build-win
cmake -S . -B build-win -G Ninja -DCMAKE_BUILD_TYPE=Release -DZELVORIN_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DZELVORIN_NATIVE_BUILD="$PWD/build" >/dev/null
cmake --build build-win
(cd build-win && ctest --output-on-failure)
