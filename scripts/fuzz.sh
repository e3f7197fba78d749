#!/usr/bin/env bash
# Builds the fuzzer over the flat interface with clang, replays every kept
# input (each once in a fresh process that never calls stoka_init, then all
# after stoka_init), then fuzzes for a bounded time (FUZZ_SECONDS, default 60) on top of
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
# Before stoka_init GSL's handler aborts unless each call switches it off:
# every kept input in a process of its own that never calls stoka_init first.
echo "== replaying ${#kept[@]} kept inputs, each in a fresh process before stoka_init"
for input in "${kept[@]}"; do
  STOKA_FUZZ_BEFORE_INIT=1 "$fuzzer" "$input" >/dev/null 2>&1 || {
    echo "failed before stoka_init: $input"
    STOKA_FUZZ_BEFORE_INIT=1 "$fuzzer" "$input" 2>&1 | tail -n 30
    exit 1
  }
done
echo "== replaying ${#kept[@]} kept inputs after stoka_init"
"$fuzzer" -runs=0 tests/fuzz/corpus 2>&1 | tail -n 2
work=build-fuzz/corpus
findings=build-fuzz/findings
rm -rf "$work" "$findings"
mkdir -p "$work" "$findings"
# Half the time in a process that never calls stoka_init, half after it.
half=$((seconds / 2))
echo "== fuzzing for ${half} s before stoka_init"
STOKA_FUZZ_BEFORE_INIT=1 "$fuzzer" -max_total_time="$half" -timeout=20 -rss_limit_mb=4096 \
  -print_final_stats=1 -artifact_prefix="$findings/" "$work" tests/fuzz/corpus 2>&1 | tail -n 12
echo "== fuzzing for $((seconds - half)) s after stoka_init"
"$fuzzer" -max_total_time="$((seconds - half))" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 \
  -artifact_prefix="$findings/" "$work" tests/fuzz/corpus 2>&1 | tail -n 12
