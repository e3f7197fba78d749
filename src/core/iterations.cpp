// The count of steps taken by every iterative search of the library.
#include "core/output.hpp"
#include "stoka/core.hpp"

namespace {
unsigned long long steps = 0;
}

void stoka_count_iteration() { ++steps; }
unsigned long long stoka_iteration_count() { return steps; }
