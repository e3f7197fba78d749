#!/usr/bin/env bash
# Builds libstoka and runs every test: a plain build (every test program three
# times in shuffled order and every test alone, the examples, hosts built
# against an installed copy and through add_subdirectory), then the test
# programs under AddressSanitizer and UndefinedBehaviorSanitizer (shuffled,
# built by clang), then the two fuzzers. Each stage builds only what it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev
jobs=$(nproc)
stage_start=$SECONDS
stage_done() { echo "-- $1: $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }

echo "== plain build"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTOKA_SANITIZE=OFF -DSTOKA_BUILD_PROGRAM=ON \
  -DSTOKA_BUILD_TESTS=ON -DSTOKA_BUILD_EXAMPLES=ON -DSTOKA_BUILD_BENCH=OFF -DSTOKA_TEST_EACH_ALONE=ON >/dev/null
cmake --build build-test -j"$jobs"
ctest --test-dir build-test --output-on-failure -j"$jobs"
stage_done "plain build and tests"

echo "== AddressSanitizer and UndefinedBehaviorSanitizer build (clang)"
# clang builds the sanitized suite in less than half the time GCC takes, and
# checks the library with a second compiler.
CC=clang CXX=clang++ cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTOKA_SANITIZE=ON \
  -DSTOKA_BUILD_PROGRAM=ON -DSTOKA_BUILD_TESTS=ON -DSTOKA_BUILD_EXAMPLES=OFF -DSTOKA_BUILD_BENCH=OFF \
  -DSTOKA_TEST_EACH_ALONE=OFF >/dev/null
cmake --build build-sanitize -j"$jobs"
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
  ctest --test-dir build-sanitize --output-on-failure -j"$jobs"
stage_done "sanitized build and tests"

echo "== fuzzing the flat interface"
bash scripts/fuzz.sh flat
stage_done "fuzzer build and run"

echo "== fuzzing the model files of stoka run"
bash scripts/fuzz.sh model
stage_done "model fuzzer build and run"
echo "== all stages passed in $SECONDS s"
