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
before_init=()
if [ "$name" = flat ]; then
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
  before_init=(1)
fi
echo "== replaying ${#kept[@]} kept inputs"
"$fuzzer" -runs=0 "$kept_dir" 2>&1 | tail -n 2
work=build-fuzz/${name}-corpus
findings=build-fuzz/${name}-findings
rm -rf "$work" "$findings"
mkdir -p "$work" "$findings"
# A unit slower than this is a finding.
unit_seconds=20
fuzz() {  # for $1 seconds
  "$fuzzer" -max_total_time="$1" -timeout="$unit_seconds" -rss_limit_mb=4096 -print_final_stats=1 "${dict[@]}" \
    -artifact_prefix="$findings/" "$work" "$kept_dir" 2>&1 | tail -n 12
}
if [ ${#before_init[@]} -gt 0 ]; then
  # Half the time in a process that never calls stoka_init, half after it.
  half=$((seconds / 2))
  echo "== fuzzing for ${half} s before stoka_init"
  STOKA_FUZZ_BEFORE_INIT=1 fuzz "$half"
  echo "== fuzzing for $((seconds - half)) s after stoka_init"
  fuzz "$((seconds - half))"
else
  echo "== fuzzing for ${seconds} s"
  fuzz "$seconds"
fi
