#!/usr/bin/env bash
# Builds the tests of the threaded code with ThreadSanitizer and runs them:
# the ordered pool and the processors' workers, the picture's drawing
# worker, the DEM run's parser pool, and the tool driving them end to end on
# DEM sources.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh native
flags="-fsanitize=thread -fno-omit-frame-pointer"
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZELVORIN_WERROR=ON \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=thread" >/dev/null
cmake --build build-tsan --target framework_tests picture_tests dem_run_tests zelvorin-correct \
    zelvorin-sample
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"
(cd build-tsan && ctest --output-on-failure -j2 \
    -R '^(OrderedPool|UsableProcessors|ReliefPictureTest|DemRunTest|DatumChoiceTest)\.|^zelvorin_correct_dem_cli$')
