/* Flat functions of libstoka: the rank-correlation engine. Included by stoka.h;
   see there for the meaning of TWIN and FLAT.

   The engine holds a full symmetric matrix of target rank (Spearman)
   correlations over count quantities (unset pairs: 0) and rearranges samples
   of those quantities so that their rank correlations meet it (Iman and
   Conover's method with van der Waerden scores). It only reorders: every
   sample keeps its values, so the marginals and any Latin hypercube strata are
   kept exactly. Any matrix works, cycles included; one that is not positive
   semi-definite is repaired to the nearest valid correlation matrix (Higham's
   alternating projections with Dykstra's correction, at most 100 rounds,
   finished by clipping the eigenvalues at 0 and rescaling to a unit
   diagonal), or refused when the host turns repair off. The random order of
   the scores comes from the GSL stream: stoka_ran_seed makes a run repeat.
   Where the first arrangement misses a target by more than 0.005, further
   Iman-Conover steps from it and then reorderings of one sample at a time
   (at most 2 count of them) follow, each kept only when it lowers the
   largest miss; where those stop above 0.015, a second round of reorderings.
   Where that too stops above 0.015 (nearly singular targets, above all with
   tied values), the first arrangement is taken again and brought to the
   targets by 8 steps of alternating projections (each sample laid out in
   the order of the nearest linear image of the ranks whose correlations are
   the targets), then the steps and reorderings follow; the outcome is kept
   where its largest miss is lower. None of this draws. Cost of an
   application to samples of n values: O(count n log n + count^2 n), plus
   O(count^3) once per matrix and per step of the projections.

   Functions that return a code return one of enum stoka_rank_code (as an
   int); a NULL engine or pointer argument is refused with STOKA_RANK_NULL. */
#ifndef STOKA_FLAT_RANK_H
#define STOKA_FLAT_RANK_H

/* Result codes of the rank-correlation engine. */
enum stoka_rank_code {
  STOKA_RANK_OK = 0,
  STOKA_RANK_BAD_SIZE = 1,        /* an index not below the count, a matrix of another
                                     size, or a sample of fewer than 2 values */
  STOKA_RANK_NOT_SYMMETRIC = 2,   /* entries (i, j) and (j, i) differ by more than 1e-9 */
  STOKA_RANK_BAD_COEFFICIENT = 3, /* |rho| > 1 + 1e-12, NaN, or a diagonal entry other
                                     than 1 (within 1e-9); rounding past +-1 by at
                                     most 1e-12 is taken as +-1 */
  STOKA_RANK_NOT_PSD = 4,         /* not positive semi-definite, and repair is off */
  STOKA_RANK_NO_SAMPLE = 5,       /* no samples rearranged yet */
  STOKA_RANK_BAD_VALUE = 6,       /* a sample holds NaN */
  STOKA_RANK_NULL = -1            /* a NULL engine or pointer argument */
};

#define STOKA_FLAT_RANK(TWIN, FLAT)                                                     \
  /** 1 and a new engine in *out over count quantities (1 to 1024), every pair     \
     uncorrelated and repair on; 0 with *out untouched otherwise. */                 \
  FLAT(int, CreateRankCorrelation, (RankCorrelation** out, unsigned count))          \
  /** Destroys the engine; *handle is NULL afterwards. */                           \
  FLAT(void, DestroyRankCorrelation, (RankCorrelation** handle))                     \
  /** Target rank correlation rho between quantities a and b (indices from 0).     \
     a == b takes only rho = 1, and stores nothing. */                               \
  FLAT(int, SetRankCorrelation,                                                      \
       (RankCorrelation* handle, unsigned a, unsigned b, double rho))                \
  /** The target between a and b as set: 1 for a == b; NaN for a NULL engine or  \
     an index not below the count. */                                                \
  FLAT(double, GetRankCorrelation, (RankCorrelation* handle, unsigned a, unsigned b)) \
  /** The whole target matrix, count x count, row after row (count must be the    \
     engine's): symmetric within 1e-9, unit diagonal, entries in -1..1. A refused \
     matrix leaves the one before. */                                                \
  FLAT(int, SetRankMatrix, (RankCorrelation* handle, const double* matrix, unsigned count)) \
  /** repair != 0 (the default): a matrix that is not positive semi-definite is    \
     repaired; 0: it is refused with STOKA_RANK_NOT_PSD. */                          \
  FLAT(int, SetRankRepair, (RankCorrelation* handle, int repair))                    \
  /** Checks the matrix now: STOKA_RANK_OK when it is valid or was repaired,      \
     STOKA_RANK_NOT_PSD when it is not and repair is off. *change receives the    \
     largest change of a target that the repair makes (or would make), 0 for a   \
     valid matrix; it includes the small adjustment that a valid but singular   \
     matrix can need once turned into correlations of normal scores. */          \
  FLAT(int, CheckRankMatrix, (RankCorrelation* handle, double* change))               \
  /** The target between a and b in force after the check (the repaired one where  \
     the matrix needed repair) into *out; checks the matrix first if it changed.  \
     STOKA_RANK_NOT_PSD when repair is off and the matrix is not valid. */          \
  FLAT(int, GetRankTargetInForce,                                                    \
       (RankCorrelation* handle, unsigned a, unsigned b, double* out))               \
  /** Rearranges count samples of n values each, stored one after the other      \
     (quantity k at data + k * n), in place, so that their rank correlations meet \
     the targets; checks the matrix first as CheckRankMatrix does. Draws count   \
     random orders from the GSL stream. On any code but STOKA_RANK_OK the data  \
     are unchanged. */                                                              \
  FLAT(int, ApplyRankCorrelation, (RankCorrelation* handle, double* data, unsigned n)) \
  /** The rank correlation that the last ApplyRankCorrelation reached between a  \
     and b (Spearman's coefficient, tied values at their mean rank; NaN for a     \
     sample of equal values) into *out. */                                           \
  FLAT(int, GetRankAchieved,                                                         \
       (RankCorrelation* handle, unsigned a, unsigned b, double* out))               \
  /** What a result code of the engine means, as a constant text (never free     \
     it); a text that says so for a code outside the list. */                       \
  FLAT(const char*, stoka_rank_code_text, (int code))

#endif
