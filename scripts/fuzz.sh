#!/usr/bin/env bash
# Builds the fuzzer over the flat interface with clang, replays every kept
# input, then fuzzes for a bounded time (FUZZ_SECONDS, default 60) on top of
# the kept corpus. A crash leaves its input in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTOKA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target flat_fuzzer
fuzzer=build-fuzz/tests/fuzz/flat_fuzzer
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
kept=(tests/fuzz/corpus/*)
echo "== replaying ${#kept[@]} kept inputs"
"$fuzzer" -runs=0 tests/fuzz/corpus 2>&1 | tail -n 2
work=build-fuzz/corpus
findings=build-fuzz/findings
rm -rf "$work" "$findings"
mkdir -p "$work" "$findings"
echo "== fuzzing for ${seconds} s"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$work" tests/fuzz/corpus 2>&1 | tail -n 12
