#!/usr/bin/env bash
# Builds libstoka and its command-line program, then runs the main job:
# `stoka demo`, a small project cost model sampled with target correlations.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh
jobs=$(nproc)
cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DSTOKA_BUILD_PROGRAM=ON -DSTOKA_BUILD_TESTS=OFF \
  -DSTOKA_BUILD_EXAMPLES=OFF >/dev/null
cmake --build build -j"$jobs" --target stoka_cli >/dev/null
./build/tools/stoka demo
