/* Types that the flat C interface and the object interface share: the
   opaque handles, the distribution identifier of the correlation manager and
   the callback types. Included by stoka.h and by the C++ headers. */
#ifndef STOKA_TYPES_H
#define STOKA_TYPES_H

#include <stdint.h>

#include "stoka/export.h"

#ifdef __cplusplus
class IDistribution;
class AbstractGenerationMethod;
class CorrelationManager;
class RankCorrelation;
extern "C" {
#else
typedef struct IDistribution IDistribution;
typedef struct AbstractGenerationMethod AbstractGenerationMethod;
typedef struct CorrelationManager CorrelationManager;
typedef struct RankCorrelation RankCorrelation;
#endif

/* A distribution identifier of the correlation manager: a generation-method
   handle converted to an integer wide enough to hold it. */
typedef uintptr_t stoka_id;

/* A source of uniform numbers in [0, 1], as the random functions take it. */
typedef double (*stoka_uniform_fn)(void);

/* Receives each progress line of the library, formatted, without changes. */
typedef void (*stoka_output_fn)(const char* line, void* user);

#ifdef __cplusplus
}
#endif

#endif
