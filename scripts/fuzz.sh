#!/usr/bin/env bash
# Builds a fuzzer with clang, replays every kept input, then fuzzes for a
# bounded time (FUZZ_SECONDS, default 60) on top of the kept corpus. The
# fuzzer is the first argument: flat (default; the flat interface, corpus in
# tests/fuzz/corpus) or model (the model files of `stoka run`, corpus in
# tests/fuzz/model_corpus, tokens in tests/fuzz/model.dict). A crash leaves
# its input in build-fuzz/<name>-findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev
name=${1:-flat}
kept_dir=tests/fuzz/corpus
[ "$name" = flat ] || kept_dir=tests/fuzz/${name}_corpus
seconds=${FUZZ_SECONDS:-60}
CC=clang CXX=clang++ cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTOKA_FUZZ=ON >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target "${name}_fuzzer"
fuzzer=build-fuzz/tests/fuzz/${name}_fuzzer
dict=()
[ -f "tests/fuzz/${name}.dict" ] && dict=(-dict="tests/fuzz/${name}.dict")
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
kept=("$kept_dir"/*)
echo "== replaying ${#kept[@]} kept inputs"
"$fuzzer" -runs=0 "$kept_dir" 2>&1 | tail -n 2
work=build-fuzz/${name}-corpus
findings=build-fuzz/${name}-findings
rm -rf "$work" "$findings"
mkdir -p "$work" "$findings"
echo "== fuzzing for ${seconds} s"
"$fuzzer" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=4096 -print_final_stats=1 "${dict[@]}" \
  -artifact_prefix="$findings/" "$work" "$kept_dir" 2>&1 | tail -n 12
