// The library's own progress channels: the output sink that every progress
// line goes through, and the count of iteration steps.
#ifndef STOKA_SRC_CORE_OUTPUT_HPP
#define STOKA_SRC_CORE_OUTPUT_HPP

// Every progress line of the library goes through here: formatted with the
// printf format, then handed to the output sink (standard output by default).
void stoka_print(const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 1, 2)))
#endif
    ;

// Every iterative search (simplex, Newton and Brent steps, selection retries,
// correlation attempts) counts its steps here, so that a test can bound the
// work of a call by a count instead of a clock.
void stoka_count_iteration();
unsigned long long stoka_iteration_count();

#endif
