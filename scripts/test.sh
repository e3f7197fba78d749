#!/usr/bin/env bash
# Builds libstoka and runs every test: a plain build (every test program three
# times in shuffled order and every test alone, the examples, hosts built
# against an installed copy and through add_subdirectory), the Python package
# installed over that build, the HTML page of a run loaded in headless
# Chromium, then the test programs under AddressSanitizer and
# UndefinedBehaviorSanitizer (shuffled, built by clang), then the two fuzzers.
# Each stage builds only what it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/deps.sh clang libclang-rt-14-dev python3-pip python3-setuptools python3-wheel \
  python3-numpy python3-scipy python3-pandas python3-pytest python3-dask python3-distributed
jobs=$(nproc)
stage_start=$SECONDS
stage_done() { echo "-- $1: $((SECONDS - stage_start)) s"; stage_start=$SECONDS; }

echo "== plain build"
cmake -S . -B build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSTOKA_SANITIZE=OFF -DSTOKA_BUILD_PROGRAM=ON \
  -DSTOKA_BUILD_TESTS=ON -DSTOKA_BUILD_EXAMPLES=ON -DSTOKA_BUILD_BENCH=OFF -DSTOKA_TEST_EACH_ALONE=ON >/dev/null
cmake --build build-test -j"$jobs"
ctest --test-dir build-test --output-on-failure -j"$jobs"
stage_done "plain build and tests"

echo "== Python package: pip install of ./python over that build, pytest (with runs on local Dask workers)"
site=$(mktemp -d)
STOKA_BUILD_DIR=build-test /usr/bin/python3 -m pip install -q --root-user-action=ignore \
  --no-build-isolation --no-index --no-deps --target "$site" ./python
# from the package's directory, so that the installed copy is the one imported
(cd "$site" && PYTHONPATH="$site" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -m pytest -q \
  -p no:cacheprovider "$OLDPWD/python/tests")
rm -rf "$site"
stage_done "Python package"

echo "== the HTML page of a run in headless Chromium"
if bash scripts/deps.sh chromium fonts-liberation python3; then
  /usr/bin/python3 scripts/check_page.py build-test/tools/stoka
else
  echo "skipped: chromium could not be installed"
fi
stage_done "page check"

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
