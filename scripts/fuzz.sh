#!/usr/bin/env bash
# Builds the fuzz harnesses with clang, libFuzzer and the address and
# undefined-behaviour sanitizers, and runs each for SECONDS (default 30),
# starting from the committed corpus. New inputs go to build-fuzz/corpus;
# crashes to a folder of this run's own under build-fuzz/artifacts, so that
# what an earlier run found is kept but judges only that run.
# Usage: fuzz.sh [SECONDS] [HARNESS...]
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-30}
shift || true
harnesses=("$@")
[ ${#harnesses[@]} -eq 0 ] && harnesses=(mesh_reader map_update tile_cache undo_restore dem_zip gml_dem)
bash scripts/install-deps.sh fuzz
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORIN_FUZZ=ON >/dev/null
cmake --build build-fuzz
artifacts=$(mkdir -p build-fuzz/artifacts && mktemp -d "build-fuzz/artifacts/$(date +%Y%m%d-%H%M%S).XXXXXX")
for h in "${harnesses[@]}"; do
    mkdir -p "build-fuzz/corpus/$h"
    echo "== $h: $seconds s"
    build-fuzz/fuzz/${h}_fuzzer -max_total_time="$seconds" -max_len=1100000 -print_final_stats=1 \
        -artifact_prefix="$artifacts/" "build-fuzz/corpus/$h" "fuzz/corpus/$h" 2>&1 |
        grep -E 'stat::number_of_executed_units|stat::new_units_added|ERROR|SUMMARY|Test unit written|==[0-9]+==' || true
    if ls "$artifacts"/crash-* "$artifacts"/leak-* "$artifacts"/oom-* "$artifacts"/timeout-* >/dev/null 2>&1; then
        echo "$h found a fault: see $artifacts"
        exit 1
    fi
done
