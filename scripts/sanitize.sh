#!/usr/bin/env bash
# Builds the native tests with the address and undefined-behaviour
# sanitizers and runs them all: every reader of untrusted bytes, and the
# tool itself as the tests drive it, under both.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh native
flags="-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer"
cmake -S . -B build-sanitize -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORIN_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" >/dev/null
cmake --build build-sanitize
# Allocations too large for memory are part of what the tests try: they
# must fail as they do without the sanitizer, not end the test.
export ASAN_OPTIONS=allocator_may_return_null=1:detect_leaks=1
export UBSAN_OPTIONS=print_stacktrace=1
(cd build-sanitize && ctest --output-on-failure -j2)
