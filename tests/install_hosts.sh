#!/usr/bin/env bash
# Installs the built library into a temporary prefix, then builds and runs
# the hosts against that copy: a C++ host through find_package, a C host
# through pkg-config, a C host that loads the library with dlopen, and (when
# the third argument is 1) the installed stoka program, before and after the
# prefix moves.
set -euo pipefail
build=$1
source=$2
program=${3:-0}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)
passed=3

cmake -S "$source/examples/cmake_host" -B "$work/cmake_host" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake_host" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake_host/cmake_host"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc "$source/tests/c_host.c" $(pkg-config --cflags --libs stoka) -lm -o "$work/c_host"
LD_LIBRARY_PATH="$libdir" "$work/c_host"

cc "$source/examples/hosts/dlopen_host.c" -I"$work/prefix/include" $(pkg-config --cflags-only-I gsl) \
  -ldl -o "$work/dlopen_host"
"$work/dlopen_host" "$libdir/libstoka.so"

if [ "$program" = 1 ]; then
  # The program finds the library through its own run path, wherever the prefix lies.
  unset LD_LIBRARY_PATH
  for prefix in "$work/prefix" "$work/moved"; do
    [ -d "$prefix" ] || mv "$work/prefix" "$prefix"
    out=$("$prefix/bin/stoka" fit pert P10=12 P50=15 P90=22)
    grep -q "P50 *15 *15.118914" <<<"$out" || { echo "$prefix/bin/stoka printed: $out"; exit 1; }
    passed=$((passed + 1))
  done
fi
echo "install_hosts: $passed passed, 0 failed"
