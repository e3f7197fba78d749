#!/usr/bin/env bash
# Line and branch coverage of src/ by the test suite (gcovr). Builds an
# instrumented copy in build-coverage (or $1) and prints gcovr's summary.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh gcovr
dir=${1:-build-coverage}
cmake -S . -B "$dir" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_C_FLAGS="--coverage -fprofile-update=atomic" -DCMAKE_CXX_FLAGS="--coverage -fprofile-update=atomic -O0" \
  -DCMAKE_EXE_LINKER_FLAGS=--coverage -DCMAKE_SHARED_LINKER_FLAGS=--coverage >/dev/null
cmake --build "$dir" -j"$(nproc)" >/dev/null
find "$dir" -name '*.gcda' -delete
ctest --test-dir "$dir" -j"$(nproc)" >/dev/null || { ctest --test-dir "$dir" --rerun-failed --output-on-failure; exit 1; }
gcovr -r . --filter 'src/' --branches --print-summary -o "$dir/coverage.txt" "$dir"
