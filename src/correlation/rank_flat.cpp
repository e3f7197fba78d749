// The rank-correlation engine's flat interface. An engine the guard refuses
// (NULL, destroyed, another kind) or a NULL pointer gets the function's
// failure value; no exception leaves.
#include "core/guard.hpp"
#include "correlation/rank.hpp"

namespace {
using stoka::kNaN;

// Runs f on the engine under the guard; fail for a refused engine or a throw.
template <class R, class F>
R With(RankCorrelation* handle, R fail, F&& f) noexcept {
  return stoka::guard(fail, handle, f);
}

// The same for a function that answers a result code and takes a pointer; a
// throw (no memory for samples of that size) reads as a refusal of the size.
template <class F>
int Code(RankCorrelation* handle, const void* pointer, F&& f) noexcept {
  RankCorrelation* engine = stoka::Checked(handle);
  if (engine == nullptr || pointer == nullptr) return STOKA_RANK_NULL;
  return stoka::guard(int{STOKA_RANK_BAD_SIZE}, [&] { return f(*engine); });
}
}  // namespace

extern "C" {

STOKA_API int CreateRankCorrelation(RankCorrelation** out, unsigned count) {
  if (out == nullptr || count == 0 || count > RankCorrelation::kMaxCount) return 0;
  return stoka::guard(0, [&] {
    *out = new RankCorrelation(count);
    return 1;
  });
}

STOKA_API void DestroyRankCorrelation(RankCorrelation** handle) { stoka::Destroy(handle); }

STOKA_API int SetRankCorrelation(RankCorrelation* h, unsigned a, unsigned b, double rho) {
  return Code(h, h, [&](RankCorrelation& r) { return r.SetPair(a, b, rho); });
}
STOKA_API double GetRankCorrelation(RankCorrelation* h, unsigned a, unsigned b) {
  return With(h, kNaN, [&](RankCorrelation& r) { return r.Pair(a, b); });
}
STOKA_API int SetRankMatrix(RankCorrelation* h, const double* matrix, unsigned count) {
  return Code(h, matrix, [&](RankCorrelation& r) { return r.SetMatrix(matrix, count); });
}
STOKA_API int SetRankRepair(RankCorrelation* h, int repair) {
  return Code(h, h, [&](RankCorrelation& r) {
    r.SetRepair(repair != 0);
    return int{STOKA_RANK_OK};
  });
}
STOKA_API int CheckRankMatrix(RankCorrelation* h, double* change) {
  return Code(h, change, [&](RankCorrelation& r) { return r.Check(change); });
}
STOKA_API int GetRankTargetInForce(RankCorrelation* h, unsigned a, unsigned b, double* out) {
  return Code(h, out, [&](RankCorrelation& r) { return r.InForce(a, b, out); });
}
STOKA_API int ApplyRankCorrelation(RankCorrelation* h, double* data, unsigned n) {
  return Code(h, data, [&](RankCorrelation& r) { return r.Apply(data, n); });
}
STOKA_API int GetRankAchieved(RankCorrelation* h, unsigned a, unsigned b, double* out) {
  return Code(h, out, [&](RankCorrelation& r) { return r.Achieved(a, b, out); });
}

STOKA_API const char* stoka_rank_code_text(int code) {
  switch (code) {
    case STOKA_RANK_OK: return "success";
    case STOKA_RANK_BAD_SIZE:
      return "an index not below the count, a matrix of another size, or a sample of fewer than 2 values";
    case STOKA_RANK_NOT_SYMMETRIC: return "a matrix that is not symmetric";
    case STOKA_RANK_BAD_COEFFICIENT:
      return "a coefficient of magnitude above 1, NaN, or a diagonal entry other than 1";
    case STOKA_RANK_NOT_PSD: return "a matrix that is not positive semi-definite, with repair off";
    case STOKA_RANK_NO_SAMPLE: return "no samples rearranged yet";
    case STOKA_RANK_BAD_VALUE: return "a sample holding NaN";
    case STOKA_RANK_NULL: return "a NULL engine or pointer argument";
    default: return "not a result code of the rank-correlation engine";
  }
}

}  // extern "C"
