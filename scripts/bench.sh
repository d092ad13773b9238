#!/usr/bin/env bash
# Builds and runs the benchmarks (a Release build); each figure is printed
# beside a baseline measured in the same run.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh native
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target zelvorin-bench
build/bench/zelvorin-bench "${1:-build/bench-work}"
