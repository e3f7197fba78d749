#!/usr/bin/env bash
# Installs the built library into a temporary prefix, then builds and runs
# the hosts against that copy: a C++ host through find_package, a C host
# through pkg-config, and a C host that loads the library with dlopen.
set -euo pipefail
build=$1
source=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cmake --install "$build" --prefix "$work/prefix" >/dev/null
libdir=$(ls -d "$work"/prefix/lib*/ | head -n 1)

cmake -S "$source/examples/cmake_host" -B "$work/cmake_host" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/cmake_host" >/dev/null
LD_LIBRARY_PATH="$libdir" "$work/cmake_host/cmake_host"

export PKG_CONFIG_PATH="$libdir/pkgconfig"
cc "$source/tests/c_host.c" $(pkg-config --cflags --libs stoka) -lm -o "$work/c_host"
LD_LIBRARY_PATH="$libdir" "$work/c_host"

cc "$source/examples/hosts/dlopen_host.c" -I"$work/prefix/include" $(pkg-config --cflags-only-I gsl) \
  -ldl -o "$work/dlopen_host"
"$work/dlopen_host" "$libdir/libstoka.so"
test -x "$work/prefix/bin/stoka"
echo "install_hosts: 4 passed, 0 failed"
