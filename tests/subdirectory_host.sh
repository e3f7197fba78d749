#!/usr/bin/env bash
# A project that adds libstoka with add_subdirectory and links stoka::stoka:
# it configures without the program's, the tests' and the benchmarks' packages
# (finding one is an error here), gets none of those targets, and its C host runs.
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cat >"$work/CMakeLists.txt" <<CMAKE
cmake_minimum_required(VERSION 3.25)
project(subdirectory_host LANGUAGES C CXX)
foreach(package CLI11 nlohmann_json GTest benchmark Doxygen)
  set(CMAKE_DISABLE_FIND_PACKAGE_\${package} ON)
endforeach()
add_subdirectory("$source" stoka)
foreach(target stoka_cli tour test_core docs)
  if(TARGET \${target})
    message(FATAL_ERROR "a subdirectory build made \${target}")
  endif()
endforeach()
add_executable(c_host "$source/tests/c_host.c")
target_link_libraries(c_host PRIVATE stoka::stoka m)
CMAKE
cmake -S "$work" -B "$work/build" >/dev/null
cmake --build "$work/build" -j"$(nproc)" >/dev/null
"$work/build/c_host"
echo "subdirectory_host: passed"
