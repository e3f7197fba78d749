/* libstoka_model: the model files of `stoka run` through a small C interface,
 * for hosts that run a model in blocks (the Python package's stoka.cluster) or
 * in one piece in their own process (stoka.run).
 *
 * A model is opened once from its JSON text: checked, its quantities made and
 * the judged ones fitted. Each stoka_model_run then draws one block as
 * `stoka run MODEL --samples N --seed SEED` draws its run (the same steps, by
 * the same code, to the same numbers): both of libstoka's random sources
 * seeded with SEED, the Latin hypercube or Monte Carlo methods, the
 * correlation step, windows and risk events.
 *
 * libstoka's random sources are process-wide: a host makes one call of
 * stoka_model_run (or stoka_model_run_report) at a time in a process, with no
 * other call of libstoka in between. The handle is read only by
 * stoka_model_run, so several may be open; stoka_model_run_report keeps its
 * report in the handle.
 *
 * Every function returns a result code (or a plain value); no exception leaves
 * the library. Where a message buffer is given (size > 0), a failure writes its
 * reason there, cut to size and always terminated: the field or file and why.
 */
#ifndef STOKA_TOOLS_STOKA_MODEL_H
#define STOKA_TOOLS_STOKA_MODEL_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define STOKA_MODEL_OK 0
#define STOKA_MODEL_REFUSED 1   /* the model or an argument is refused (message: why) */
#define STOKA_MODEL_NO_MEMORY 2 /* the run needs more memory than the process gets */
#define STOKA_MODEL_NULL 3      /* a null pointer where a text, handle or buffer is needed */
#define STOKA_MODEL_FAILED 4    /* any other failure (message: what) */

typedef struct stoka_model stoka_model;

/* Opens the model of JSON text `json`, named `file` in messages; with strict
 * non-zero a judged value that its fit misses is refused, as under --strict.
 * *model receives the handle (NULL on failure). */
int stoka_model_open(const char* json, const char* file, int strict, stoka_model** model,
                     char* message, size_t size);

/* Draws `samples` (2 to 10^8) samples seeded with `seed` into out, which holds
 * (stoka_model_count + 1) * samples doubles: the samples of quantity q at
 * out[q * samples], in the model's order, then the total of the quantities in
 * the total. */
int stoka_model_run(const stoka_model* model, uint32_t seed, unsigned samples, double* out,
                    char* message, size_t size);

/* Draws as stoka_model_run does, and makes the report that `stoka run
 * --samples N --seed SEED` prints for that draw (its text, with the total's
 * P10, P50, P80 and P90). *report receives it, valid until the model's next
 * report or its close. */
int stoka_model_run_report(stoka_model* model, uint32_t seed, unsigned samples, double* out,
                           const char** report, char* message, size_t size);

/* The number of quantities (0 for NULL). */
unsigned stoka_model_count(const stoka_model* model);

/* Quantity q: its name (NULL for a q out of range), and its flags. */
const char* stoka_model_name(const stoka_model* model, unsigned q);
#define STOKA_MODEL_IN_TOTAL 1 /* part of the total ("total": false clears it) */
int stoka_model_flags(const stoka_model* model, unsigned q);

/* The model's own settings: its sample count and seed (the defaults of a
 * run), whether it is drawn by Latin hypercube, and whether its correlations
 * are ranks (any pointer may be NULL). */
int stoka_model_settings(const stoka_model* model, unsigned* samples, uint32_t* seed, int* latin,
                         int* rank);

/* The list of quantities as `stoka run` reports it ("Quantities" and a line
 * per quantity, with the parameters of the fitted ones); valid until close. */
const char* stoka_model_description(const stoka_model* model);

/* Releases the model and sets *model to NULL (nothing for NULL). */
void stoka_model_close(stoka_model** model);

#ifdef __cplusplus
}
#endif

#endif
