/* Flat functions of libstoka: the correlation manager. Included by stoka.h;
   see there for the meaning of TWIN and FLAT.

   A distribution identifier (stoka_id) is a generation-method handle converted
   to an integer: (stoka_id)method. The manager never owns the methods: destroy
   the manager before them. The functions that return a code return one of
   enum stoka_manager_code (as an int). Truth values are ints. A NULL manager is
   refused: STOKA_MANAGER_NULL from the functions that return codes, 0, NaN or
   NULL from the others. Identifiers are enumerated in the order of
   registration, so equal seeds give equal samples on every run. */
#ifndef STOKA_FLAT_CORRELATION_H
#define STOKA_FLAT_CORRELATION_H

#ifndef __cplusplus
#include <stdbool.h>
#endif

/* Result codes of the correlation manager. */
enum stoka_manager_code {
  STOKA_MANAGER_OK = 0,
  STOKA_MANAGER_CYCLE = 1,           /* the correlation graph has a cycle */
  STOKA_MANAGER_BAD_COEFFICIENT = 2, /* |c| > 1, NaN, or a self-correlation other than 1 */
  STOKA_MANAGER_BAD_TOLERANCE = 3,   /* tolerance below 1e-6 */
  STOKA_MANAGER_BAD_MAX_STEPS = 4,   /* maximum step count 0 */
  STOKA_MANAGER_BAD_DATA_COUNT = 5,  /* data count 0, or a sample longer than the data
                                        count (refused before it is read) */
  STOKA_MANAGER_BAD_ID = 6,          /* identifier not registered, already registered
                                        (as the new identifier of ReplaceDistribution),
                                        or not a live method with a live distribution
                                        (0, destroyed, another kind) in AddDistribution,
                                        ReplaceDistribution, FillDistributedData or
                                        at recalculation */
  STOKA_MANAGER_REFUSED = 7,         /* already registered (AddDistribution), or storage
                                        refused */
  STOKA_MANAGER_NO_SAMPLE = 8,       /* no sample to compute with */
  STOKA_MANAGER_NULL = -1            /* a NULL manager or data pointer */
};

#define STOKA_FLAT_CORRELATION(TWIN, FLAT)                                              \
  /** 1 and a new manager in *out (data count 1000, tolerance 0.03, 10 steps), or 0 \
     with *out untouched. */                                                          \
  FLAT(int, CreateCorrelationManager, (CorrelationManager** out))                     \
  /** Destroys the manager (not its methods); *handle is NULL afterwards. */          \
  FLAT(void, DestroyCorrelationManager, (CorrelationManager** handle))                \
  FLAT(unsigned, GetDataCount, (CorrelationManager* handle))                          \
  FLAT(int, SetDataCount, (CorrelationManager* handle, unsigned count))               \
  /** Takes the address of the handle. Exported under this C name and under the   \
     C++ name of double GetCorrelationTolerance(CorrelationManager**)             \
     (_Z23GetCorrelationTolerancePP18CorrelationManager): a host may look up      \
     either. */                                                                     \
  FLAT(double, GetCorrelationTolerance, (CorrelationManager** handle))                \
  FLAT(int, SetCorrelationTolerance, (CorrelationManager* handle, double tolerance))  \
  FLAT(unsigned, GetCorrelationMaxSteps, (CorrelationManager* handle))                \
  FLAT(int, SetCorrelationMaxSteps, (CorrelationManager* handle, unsigned steps))     \
  FLAT(int, AddDistribution, (CorrelationManager* handle, stoka_id id))               \
  /** Removes id and its coefficients (its sample stays until the next              \
     recalculation); returns whether id is still registered: 0. */                  \
  FLAT(int, RemoveDistribution, (CorrelationManager* handle, stoka_id id))            \
  /** new_id takes old_id's place, its coefficients and its rank in the order;    \
     every sample is emptied. 7, with nothing changed, when the machine cannot hold \
     data-count values for every sample. */                                         \
  FLAT(int, ReplaceDistribution,                                                      \
       (CorrelationManager* handle, stoka_id old_id, stoka_id new_id))                \
  /** Target coefficient between a and b (registering them). A true rebuild (one  \
     byte, bool) rebuilds the list of GetAllDistributions at once. Cycles are     \
     refused at recalculation. */                                                   \
  FLAT(int, SetCorrelation,                                                           \
       (CorrelationManager* handle, stoka_id a, stoka_id b, double c, bool rebuild))  \
  /** 1 for a == b, 0 when no coefficient is set. */                                 \
  FLAT(double, GetCorrelation, (CorrelationManager* handle, stoka_id a, stoka_id b))  \
  FLAT(int, RemoveCorrelation, (CorrelationManager* handle, stoka_id a, stoka_id b))  \
  /** Removes every coefficient; distributions stay registered. */                   \
  FLAT(void, ClearCorrelations, (CorrelationManager* handle))                         \
  /** Pearson's coefficient of the two samples into *out. */                         \
  FLAT(int, CalculateCorrelation,                                                     \
       (CorrelationManager* handle, stoka_id a, stoka_id b, double* out))             \
  /** How the pair a, b stands over its current samples: into *reached Pearson's   \
     coefficient; into *met 1 when it lies within the tolerance of the pair's target \
     (0 for a pair without one), else 0; into *bound the coefficient of the two     \
     samples' most extreme arrangement on the target's side (both ascending for a  \
     target >= 0, one descending for a negative one): the largest magnitude their  \
     marginals allow, so a target beyond it cannot be met. A NULL output is        \
     skipped. 6 when a or b is not registered, 8 when either has no sample, and     \
     then nothing is written. */                                                    \
  FLAT(int, GetCorrelationOutcome, (CorrelationManager* handle, stoka_id a, stoka_id b, \
                                    double* reached, int* met, double* bound))        \
  /** Into *missed the number of edges (|c| >= 1e-6) whose samples miss their target \
     by more than the tolerance; an edge with a missing or empty sample counts as    \
     missed. RecalculateManager returns 0 with misses; this tells them. -1 for a NULL \
     missed. */                                                                        \
  FLAT(int, CountMissedCorrelations, (CorrelationManager* handle, unsigned* missed))   \
  /** Copies count values as the sample of id; 5 for count above the data count.   \
     */                                                                             \
  FLAT(int, SetDistributedData,                                                       \
       (CorrelationManager* handle, stoka_id id, const double* data, unsigned count)) \
  /** n draws of the registered method id in one call as its sample: what n calls  \
     of GetRandomValueFromMethod followed by SetDistributedData give. 6 when id is  \
     not registered or its method or the method's distribution was destroyed, 5   \
     for n = 0 or n above the data count (nothing drawn, the sample kept), 7      \
     without the memory. */                                                         \
  FLAT(int, FillDistributedData, (CorrelationManager* handle, stoka_id id, unsigned n)) \
  /** The sample of id in the manager's storage (valid until it next changes) and  \
     its length; NULL and 0 when id has none. */                                     \
  FLAT(const double*, GetDistributedData,                                             \
       (CorrelationManager* handle, stoka_id id, unsigned* count))                    \
  /** Registered identifiers in registration order, as of the last rebuild; owned  \
     by the manager and replaced by the next rebuild. NULL and 0 before any. */     \
  FLAT(stoka_id*, GetAllDistributions, (CorrelationManager* handle, unsigned* count)) \
  /** Rebuilds that list; 1 when the correlation graph has a cycle. */               \
  FLAT(int, RebuildDistributions, (CorrelationManager* handle))                       \
  /** New samples of data-count values: each component's root drawn by its method, \
     every other member derived from its parent. A member whose attempts end       \
     farther from its target than the tolerance is searched on over the share of  \
     positions paired with its parent, until it meets the target or the share is   \
     exhausted (a target beyond what the two marginals allow); 0 either way, and    \
     GetCorrelationOutcome tells each pair. 1 (samples untouched) for a cycle; 6    \
     (samples untouched) when a registered method or its distribution was         \
     destroyed: remove or replace it; 7 (samples untouched) when the machine      \
     cannot hold data-count values for every sample; 8 when a member got no       \
     sample (a constant or one-value parent, a coefficient that overflows): each  \
     such member's identifier goes to the output sink, its sample is empty and    \
     every other sample stands. */                                                  \
  FLAT(int, RecalculateManager, (CorrelationManager* handle))                         \
  /** What a result code means, as a constant text (never free it); a text that      \
     says so for a code outside the list. */                                          \
  FLAT(const char*, stoka_manager_code_text, (int code))

#endif
