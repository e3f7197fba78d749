// The correlation manager's flat interface. A manager the guard refuses (NULL,
// destroyed, another kind) gets the function's failure value; no exception
// leaves.
#include <memory>

#include "core/guard.hpp"
#include "stoka/correlation.hpp"
#include "stoka/stoka.h"

namespace {
using stoka::kNaN;

// Runs f on the manager under the guard; fail for a refused manager or a throw.
template <class R, class F>
R With(CorrelationManager* handle, R fail, F&& f) noexcept {
  return stoka::guard(fail, handle, f);
}

// The same for a function that answers a result code.
template <class F>
int Code(CorrelationManager* handle, F&& f) noexcept {
  return With(handle, int{STOKA_MANAGER_NULL}, f);
}
}  // namespace

extern "C" {

STOKA_API int CreateCorrelationManager(CorrelationManager** out) {
  if (out == nullptr) return 0;
  return stoka::guard(0, [&] {
    *out = new CorrelationManager();
    return 1;
  });
}

STOKA_API void DestroyCorrelationManager(CorrelationManager** handle) { stoka::Destroy(handle); }

STOKA_API unsigned GetDataCount(CorrelationManager* h) {
  return With(h, 0u, [](CorrelationManager& m) { return m.GetDataCount(); });
}
STOKA_API int SetDataCount(CorrelationManager* h, unsigned count) {
  return Code(h, [&](CorrelationManager& m) { return m.SetDataCount(count); });
}
STOKA_API double GetCorrelationTolerance(CorrelationManager** h) {
  return With(h ? *h : nullptr, kNaN,
              [](CorrelationManager& m) { return m.GetCorrelationTolerance(); });
}
// The same function under its C++ name (Itanium ABI), which hosts written
// against the object interface look up.
STOKA_API double GetCorrelationToleranceDecorated(CorrelationManager** h) noexcept
    __asm__("_Z23GetCorrelationTolerancePP18CorrelationManager")
    __attribute__((alias("GetCorrelationTolerance")));
STOKA_API int SetCorrelationTolerance(CorrelationManager* h, double tolerance) {
  return Code(h, [&](CorrelationManager& m) { return m.SetCorrelationTolerance(tolerance); });
}
STOKA_API unsigned GetCorrelationMaxSteps(CorrelationManager* h) {
  return With(h, 0u, [](CorrelationManager& m) { return m.GetCorrelationMaxSteps(); });
}
STOKA_API int SetCorrelationMaxSteps(CorrelationManager* h, unsigned steps) {
  return Code(h, [&](CorrelationManager& m) { return m.SetCorrelationMaxSteps(steps); });
}
STOKA_API int AddDistribution(CorrelationManager* h, stoka_id id) {
  return Code(h, [&](CorrelationManager& m) { return m.AddDistribution(id); });
}
STOKA_API int RemoveDistribution(CorrelationManager* h, stoka_id id) {
  return With(h, 0, [&](CorrelationManager& m) {
    m.RemoveDistribution(id);
    return m.HasDistribution(id) ? 1 : 0;
  });
}
STOKA_API int ReplaceDistribution(CorrelationManager* h, stoka_id old_id, stoka_id new_id) {
  return Code(h, [&](CorrelationManager& m) { return m.ReplaceDistribution(old_id, new_id); });
}
STOKA_API int SetCorrelation(CorrelationManager* h, stoka_id a, stoka_id b, double c,
                             bool rebuild) {
  return Code(h, [&](CorrelationManager& m) { return m.SetCorrelation(a, b, c, rebuild); });
}
STOKA_API double GetCorrelation(CorrelationManager* h, stoka_id a, stoka_id b) {
  return With(h, kNaN, [&](CorrelationManager& m) { return m.GetCorrelation(a, b); });
}
STOKA_API int RemoveCorrelation(CorrelationManager* h, stoka_id a, stoka_id b) {
  return Code(h, [&](CorrelationManager& m) { return m.RemoveCorrelation(a, b); });
}
STOKA_API void ClearCorrelations(CorrelationManager* h) {
  With(h, 0, [](CorrelationManager& m) {
    m.ClearCorrelations();
    return 0;
  });
}
STOKA_API int CalculateCorrelation(CorrelationManager* h, stoka_id a, stoka_id b, double* out) {
  if (out == nullptr) return STOKA_MANAGER_NULL;
  return Code(h, [&](CorrelationManager& m) { return m.CalculateCorrelation(a, b, out); });
}
STOKA_API int SetDistributedData(CorrelationManager* h, stoka_id id, const double* data,
                                 unsigned count) {
  return Code(h, [&](CorrelationManager& m) { return m.SetDistributedData(id, data, count); });
}
STOKA_API int FillDistributedData(CorrelationManager* h, stoka_id id, unsigned n) {
  return Code(h, [&](CorrelationManager& m) { return m.FillDistributedData(id, n); });
}
STOKA_API int GetCorrelationOutcome(CorrelationManager* h, stoka_id a, stoka_id b, double* reached,
                                    int* met, double* bound) {
  return Code(h, [&](CorrelationManager& m) {
    bool is_met = false;
    const int r = m.CorrelationOutcome(a, b, reached, met ? &is_met : nullptr, bound);
    if (met && r == STOKA_MANAGER_OK) *met = is_met ? 1 : 0;
    return r;
  });
}
STOKA_API int CountMissedCorrelations(CorrelationManager* h, unsigned* missed) {
  if (missed == nullptr) return STOKA_MANAGER_NULL;
  return Code(h, [&](CorrelationManager& m) { return m.CountMissedCorrelations(missed); });
}
STOKA_API const double* GetDistributedData(CorrelationManager* h, stoka_id id, unsigned* count) {
  if (count) *count = 0;
  return With(h, static_cast<const double*>(nullptr),
              [&](CorrelationManager& m) { return m.GetDistributedData(id, count); });
}
STOKA_API stoka_id* GetAllDistributions(CorrelationManager* h, unsigned* count) {
  if (count) *count = 0;
  return With(h, static_cast<stoka_id*>(nullptr),
              [&](CorrelationManager& m) { return m.GetAllDistributions(count); });
}
STOKA_API int RebuildDistributions(CorrelationManager* h) {
  return With(h, 0, [](CorrelationManager& m) { return m.RebuildDistributions() ? 1 : 0; });
}
STOKA_API int RecalculateManager(CorrelationManager* h) {
  return Code(h, [](CorrelationManager& m) { return m.Recalculate(); });
}

STOKA_API const char* stoka_manager_code_text(int code) {
  switch (code) {
    case STOKA_MANAGER_OK: return "success";
    case STOKA_MANAGER_CYCLE: return "the correlation graph has a cycle";
    case STOKA_MANAGER_BAD_COEFFICIENT:
      return "a coefficient of magnitude above 1, NaN, or a self-correlation other than 1";
    case STOKA_MANAGER_BAD_TOLERANCE: return "a tolerance below 1e-6";
    case STOKA_MANAGER_BAD_MAX_STEPS: return "a maximum step count of 0";
    case STOKA_MANAGER_BAD_DATA_COUNT: return "a data count of 0, or a sample longer than the data count";
    case STOKA_MANAGER_BAD_ID:
      return "an identifier not registered, already registered, or not a live method with a live "
             "distribution";
    case STOKA_MANAGER_REFUSED: return "an identifier already registered, or storage refused";
    case STOKA_MANAGER_NO_SAMPLE: return "no sample to compute with";
    case STOKA_MANAGER_NULL: return "a NULL manager or data pointer";
    default: return "not a result code of the correlation manager";
  }
}

}  // extern "C"
