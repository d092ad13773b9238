#!/usr/bin/env bash
# clang-tidy (.clang-tidy: checks that find real faults) over every source
# of the native build but the platform's own files, on the clang build's
# compile database; any finding fails. Run after scripts/clang.sh, which
# makes that build.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh tidy  # clang and clang-tidy
CC=clang CXX=clang++ cmake -S . -B build-clang -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DZELVORIN_WERROR=ON >/dev/null
root=$(pwd)
run-clang-tidy-14 -p build-clang -j "$(nproc)" -quiet \
    "$root/(framework|elevation|correction|dem|undo|report|run|tools|samples|bench|fuzz|testsupport)/"
echo "tidy: no finding"
