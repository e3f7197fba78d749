#!/usr/bin/env bash
# Builds libstoka and runs the main job: the tour of the library.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSTOKA_BUILD_TESTS=OFF >/dev/null
cmake --build build -j"$jobs" --target tour >/dev/null
./build/examples/tour
