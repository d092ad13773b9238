#!/usr/bin/env bash
# The main job on a fresh machine: installs the tools, builds zelvorin-correct,
# makes a small sample map with six mesh files, and corrects the map with them,
# with a report, a picture and an undo file.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh native
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build --target zelvorin-correct zelvorin-sample
rm -rf sample
build/samples/zelvorin-sample sample
cp sample/sample.dcm sample/before.dcm
build/tools/zelvorin-correct --report sample/report.tsv --picture sample/correction.png \
    --undo sample/correction.undo sample/sample.dcm sample/mesh
echo "bytes changed in sample/sample.dcm: $(cmp -l sample/before.dcm sample/sample.dcm | wc -l)"
echo "what each mesh file did: sample/report.tsv; before, after and the difference: sample/correction.png"
echo "to undo it: build/tools/zelvorin-correct --restore sample/correction.undo sample/sample.dcm"
