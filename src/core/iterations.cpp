// The count of steps taken by every iterative search of the library. Fits on
// different threads count into it at once: a relaxed atomic keeps the count
// whole without ordering anything else.
#include <atomic>

#include "core/output.hpp"
#include "stoka/core.hpp"

namespace {
std::atomic<unsigned long long> steps{0};
}

void stoka_count_iteration() { steps.fetch_add(1, std::memory_order_relaxed); }
unsigned long long stoka_iteration_count() { return steps.load(std::memory_order_relaxed); }
