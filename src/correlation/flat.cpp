// The correlation manager's flat interface. A NULL manager is refused with
// the function's failure value; no exception leaves.
#include <limits>
#include <memory>

#include "core/guard.hpp"
#include "stoka/correlation.hpp"
#include "stoka/stoka.h"

namespace {
constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// Runs f on the manager under the guard; fail for a NULL manager or a throw.
template <class R, class F>
R With(CorrelationManager* handle, R fail, F&& f) noexcept {
  if (handle == nullptr) return fail;
  return stoka::guard(fail, [&]() -> R { return f(*handle); });
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

STOKA_API void DestroyCorrelationManager(CorrelationManager** handle) {
  if (handle == nullptr) return;
  delete *handle;
  *handle = nullptr;
}

STOKA_API unsigned GetDataCount(CorrelationManager* h) {
  return With(h, 0u, [](CorrelationManager& m) { return m.GetDataCount(); });
}
STOKA_API int SetDataCount(CorrelationManager* h, unsigned count) {
  return With(h, -1, [&](CorrelationManager& m) { return m.SetDataCount(count); });
}
STOKA_API double GetCorrelationTolerance(CorrelationManager** h) {
  return With(h ? *h : nullptr, kNaN,
              [](CorrelationManager& m) { return m.GetCorrelationTolerance(); });
}
STOKA_API int SetCorrelationTolerance(CorrelationManager* h, double tolerance) {
  return With(h, -1, [&](CorrelationManager& m) { return m.SetCorrelationTolerance(tolerance); });
}
STOKA_API unsigned GetCorrelationMaxSteps(CorrelationManager* h) {
  return With(h, 0u, [](CorrelationManager& m) { return m.GetCorrelationMaxSteps(); });
}
STOKA_API int SetCorrelationMaxSteps(CorrelationManager* h, unsigned steps) {
  return With(h, -1, [&](CorrelationManager& m) { return m.SetCorrelationMaxSteps(steps); });
}
STOKA_API int AddDistribution(CorrelationManager* h, stoka_id id) {
  return With(h, -1, [&](CorrelationManager& m) { return m.AddDistribution(id); });
}
STOKA_API int RemoveDistribution(CorrelationManager* h, stoka_id id) {
  return With(h, 0, [&](CorrelationManager& m) {
    m.RemoveDistribution(id);
    return m.HasDistribution(id) ? 1 : 0;
  });
}
STOKA_API int ReplaceDistribution(CorrelationManager* h, stoka_id old_id, stoka_id new_id) {
  return With(h, -1, [&](CorrelationManager& m) { return m.ReplaceDistribution(old_id, new_id); });
}
STOKA_API int SetCorrelation(CorrelationManager* h, stoka_id a, stoka_id b, double c,
                             int rebuild) {
  return With(h, -1, [&](CorrelationManager& m) { return m.SetCorrelation(a, b, c, rebuild != 0); });
}
STOKA_API double GetCorrelation(CorrelationManager* h, stoka_id a, stoka_id b) {
  return With(h, kNaN, [&](CorrelationManager& m) { return m.GetCorrelation(a, b); });
}
STOKA_API int RemoveCorrelation(CorrelationManager* h, stoka_id a, stoka_id b) {
  return With(h, -1, [&](CorrelationManager& m) { return m.RemoveCorrelation(a, b); });
}
STOKA_API void ClearCorrelations(CorrelationManager* h) {
  With(h, 0, [](CorrelationManager& m) {
    m.ClearCorrelations();
    return 0;
  });
}
STOKA_API int CalculateCorrelation(CorrelationManager* h, stoka_id a, stoka_id b, double* out) {
  if (out == nullptr) return kManagerNullData;
  return With(h, -1, [&](CorrelationManager& m) { return m.CalculateCorrelation(a, b, out); });
}
STOKA_API int SetDistributedData(CorrelationManager* h, stoka_id id, const double* data,
                                 unsigned count) {
  return With(h, -1, [&](CorrelationManager& m) { return m.SetDistributedData(id, data, count); });
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
  return With(h, -1, [](CorrelationManager& m) { return m.Recalculate(); });
}

}  // extern "C"
