// Accuracy of the fits, before and after the second phase of the simplex.
//
// Percentile fits: every fitting row of the Triangular, LogTriangular, Pert
// and Beta lists and the LogNormal three-percentile row, on judgements made
// from known distributions (scales 10^-3 to 10^7, offsets 0 and 10 spans,
// modes from the middle to the edge, Beta shapes 0.5 to 60), tolerance 1e-8
// of the judged values' span. The miss of a fit is the largest distance of
// the fitted distribution from a judged value (stoka_fit_miss), over the span;
// a fit that returns no distribution counts as failed. Each judgement is fitted
// with the specified run alone, then with the phase; the share of fits where
// the phase started and its cost there are counted.
//
// Fits to data: each ByXi family on 10^4 and 10^5 seeded draws from its law
// (the families and starts of tests/stats/by_xi_test.cpp), relative errors of
// the parameters before and after.
//
// Prints markdown tables. CPU time of the process; run on a shared machine.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <limits>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/output.hpp"
#include "core/solve.hpp"
#include "fit/rows.hpp"
#include "stoka/continuous.hpp"
#include "stoka/fit.hpp"
#include "stoka/fit_normal.hpp"
#include "stoka/stats.hpp"
#include "stoka/stoka.h"

namespace {

using stoka::fit::Arg;
using stoka::fit::Field;
using stoka::fit::Row;
using namespace stoka::fit;

double CpuSeconds() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}

// ---------------------------------------------------------------------------
// Calling a row with the arguments of one judgement.
struct Args {
  const Row* row;
  double tolerance;
  double x[kMaxPoints], p[kMaxPoints];  // values and exceedance percents
  double fixed[kFieldCount];
  double out[kFieldCount];
  template <class T>
  T Get(int i) {
    const Arg a = row->arg[i];
    if constexpr (std::is_same_v<T, int>) {
      return a.what == Arg::kIter ? iter_count : 1;  // LogNormal kind 1: mu, sigma
    } else if constexpr (std::is_same_v<T, double*>) {
      return &out[a.index];
    } else {
      switch (a.what) {
        case Arg::kTolerance: return tolerance;
        case Arg::kValue: return x[a.index];
        case Arg::kPercent: return p[a.index];
        default: return fixed[a.index];
      }
    }
  }
};
template <class... A, size_t... I>
int InvokeWith(int (*f)(A...), Args& s, std::index_sequence<I...>) {
  return f(s.template Get<A>(int(I))...);
}
template <class... A>
int Invoke(int (*f)(A...), Args& s) {
  return InvokeWith(f, s, std::index_sequence_for<A...>{});
}
struct Entry {
  const char* name;
  Row row;
  int (*invoke)(Args&);
};
#define ACCURACY_ROW(TWIN, family, kind, words, ret, name, params, args, fail) \
  STOKA_FIT_FLAT_##kind(Entry{#name, STOKA_FIT_ROW(family, kind, words),        \
                              [](Args& a) { return Invoke(&::name, a); }}, )

std::vector<Entry> Rows() {
  const Entry all[] = {STOKA_FIT_ROWS(ACCURACY_ROW, STOKA_FIT_SKIP_TWIN)
                           STOKA_FIT_NORMAL(ACCURACY_ROW, STOKA_FIT_SKIP_TWIN)};
  std::vector<Entry> rows;
  for (const Entry& e : all) {
    if (e.row.kind != Kind::kFit) continue;
    const std::string family = e.row.family;
    if (family == "normal" || (family == "lognormal" && e.row.points != 3)) continue;
    rows.push_back(e);
  }
  return rows;
}

// ---------------------------------------------------------------------------
// Known distributions: parameters by field (LogNormal: mu in kMean, sigma in
// kSigma, location in kLocation).
using Truth = std::vector<double>;

double Quantile(const std::string& family, const Truth& t, double q) {
  if (family == "triangular") return stoka_ran_triangular_cdf_inv(q, t[kMl], t[kMin], t[kMax]);
  if (family == "logtriangular")
    return stoka_ran_logtriangular_cdf_inv(q, t[kMl], t[kMin], t[kMax]);
  if (family == "pert") return stoka_ran_pert_cdf_inv_(q, t[kMin], t[kMax], t[kMl]);
  if (family == "beta") return stoka_ran_beta_cdf_inv_(q, t[kAlpha], t[kBeta], t[kMin], t[kMax]);
  return stoka_ran_lognormal_cdf_inv_(q, t[kLocation], t[kMean], t[kSigma]);
}

std::vector<Truth> Truths(const std::string& family) {
  std::vector<Truth> truths;
  for (double scale : {1e-3, 1.0, 1e3, 1e5, 1e7}) {
    for (double offset : {0.0, 10.0}) {
      Truth t(kFieldCount, 0.0);
      if (family == "beta") {
        for (auto [a, b] : std::vector<std::pair<double, double>>{
                 {0.5, 1.5}, {2, 2}, {4, 4}, {1.2, 6}, {6, 1.5}, {10, 30}, {50, 50}, {50, 60}}) {
          t[kAlpha] = a, t[kBeta] = b, t[kMin] = scale * offset, t[kMax] = scale * (offset + 1);
          truths.push_back(t);
        }
      } else if (family == "lognormal") {
        for (double sigma : {0.1, 0.5, 1.0}) {
          t[kLocation] = scale * offset, t[kMean] = std::log(scale), t[kSigma] = sigma;
          truths.push_back(t);
        }
      } else if (family == "logtriangular") {
        for (double ratio : {1.5, 10.0}) {
          for (double r : {0.5, 0.2, 0.05}) {
            const double lo = scale * (1 + offset), hi = lo * ratio;
            t[kMin] = lo, t[kMax] = hi, t[kMl] = std::exp(std::log(lo) + r * std::log(ratio));
            truths.push_back(t);
          }
        }
      } else {
        for (double r : {0.5, 0.3, 0.1, 0.02}) {
          t[kMin] = scale * offset, t[kMax] = scale * (offset + 1), t[kMl] = scale * (offset + r);
          truths.push_back(t);
        }
      }
    }
  }
  return truths;
}

// Cumulative percents of the judged values by their count.
std::vector<double> Cumulative(int points) {
  switch (points) {
    case 1: return {70};
    case 2: return {20, 80};
    case 3: return {10, 50, 90};
    default: return {5, 35, 65, 95};
  }
}

std::string only;  // rows whose name holds this, when given

struct Outcome {
  double miss;  // largest miss over the span; infinity when no distribution came back
  unsigned long long iterations;
  double seconds;
  double out[kFieldCount];  // the fitted parameters by field
};

Outcome FitOnce(const Entry& e, Args args, double span) {
  const unsigned long long before = stoka_iteration_count();
  const double t0 = CpuSeconds();
  const int result = e.invoke(args);
  Outcome o{std::numeric_limits<double>::infinity(), stoka_iteration_count() - before,
            CpuSeconds() - t0, {}};
  std::copy(args.out, args.out + kFieldCount, o.out);
  if (result != 1) return o;
  o.miss = 0.0;
  for (int i = 0; i < stoka_fit_miss_count(); ++i) {
    double judged, fitted;
    stoka_fit_miss(i, nullptr, &judged, &fitted);
    const double m = std::fabs(fitted - judged) / span;
    o.miss = std::isnan(m) ? std::numeric_limits<double>::infinity() : std::max(o.miss, m);
  }
  return o;
}

struct Tally {
  int fits = 0, phased = 0, failed_before = 0, failed_after = 0, over_before = 0, over_after = 0;
  double worst_before = 0, worst_after = 0, phase_seconds = 0, worst_phase_seconds = 0;
  unsigned long long phase_iterations = 0;
  std::string worst_where;
};

std::string Show(double miss) {
  if (std::isinf(miss)) return "failed";
  char b[32];
  std::snprintf(b, sizeof b, "%.1e", miss);
  return b;
}

void PercentileGrid() {
  std::printf("| row | fits | worst miss before | worst miss after | fits over 1e-6 before, after | "
              "phase started | phase cost where started (mean, worst) | worst case after |\n"
              "|---|---|---|---|---|---|---|---|\n");
  Tally total;
  for (const Entry& e : Rows()) {
    const std::string family = e.row.family;
    if (!only.empty() && std::string(e.name).find(only) == std::string::npos) continue;
    Tally tally;
    for (const Truth& truth : Truths(family)) {
      Args args{};
      args.row = &e.row;
      const std::vector<double> cumulative = Cumulative(e.row.points);
      double lo = INFINITY, hi = -INFINITY;
      for (int i = 0; i < e.row.points; ++i) {
        args.x[i] = Quantile(family, truth, cumulative[i] / 100);
        args.p[i] = 100 - cumulative[i];
        lo = std::min(lo, args.x[i]), hi = std::max(hi, args.x[i]);
      }
      for (int f = 0; f < kFieldCount; ++f) {
        args.fixed[f] = truth[f];
        if ((e.row.fixed & Bit(Field(f))) && (f == kMl || f == kMin || f == kMax))
          lo = std::min(lo, truth[f]), hi = std::max(hi, truth[f]);
      }
      const double span = hi > lo ? hi - lo : std::fabs(lo);
      args.tolerance = 1e-8 * span;
      stoka::EnableSimplexMending(false);
      const Outcome before = FitOnce(e, args, span);
      stoka::EnableSimplexMending(true);
      const Outcome after = FitOnce(e, args, span);
      if (getenv("ACC_VERBOSE"))
        std::printf("  %s %.3g..%.3g a %g b %g ml %g: before %s after %s, %llu -> %llu it\n", e.name, lo,
                    hi, truth[kAlpha], truth[kBeta], truth[kMl], Show(before.miss).c_str(),
                    Show(after.miss).c_str(), before.iterations, after.iterations);
      // Every field of both fits to 17 digits, to compare two builds bit for bit.
      if (getenv("ACC_DUMP")) {
        std::printf("%s", e.name);
        for (const Outcome* o : {&before, &after})
          for (double v : o->out) std::printf(" %.17g", v);
        std::printf("\n");
      }
      ++tally.fits;
      tally.worst_before = std::max(tally.worst_before, before.miss);
      if (after.miss >= tally.worst_after) {
        char where[160];
        std::snprintf(where, sizeof where, "%s %.3g..%.3g (alpha %.3g beta %.3g mode %.4g)",
                      Show(after.miss).c_str(), lo, hi, truth[kAlpha], truth[kBeta], truth[kMl]);
        tally.worst_where = where;
      }
      tally.worst_after = std::max(tally.worst_after, after.miss);
      tally.failed_before += std::isinf(before.miss);
      tally.failed_after += std::isinf(after.miss);
      tally.over_before += !(before.miss <= 1e-6);
      tally.over_after += !(after.miss <= 1e-6);
      if (after.iterations > before.iterations) {
        ++tally.phased;
        const double cost = std::max(0.0, after.seconds - before.seconds);
        tally.phase_seconds += cost;
        tally.worst_phase_seconds = std::max(tally.worst_phase_seconds, cost);
        tally.phase_iterations += after.iterations - before.iterations;
      }
    }
    std::printf("| %s | %d | %s%s | %s%s | %d, %d | %d (%.0f %%) | %s |  %s |\n", e.name, tally.fits,
                Show(tally.worst_before).c_str(),
                tally.failed_before ? (" (" + std::to_string(tally.failed_before) + " failed)").c_str() : "",
                Show(tally.worst_after).c_str(),
                tally.failed_after ? (" (" + std::to_string(tally.failed_after) + " failed)").c_str() : "",
                tally.over_before, tally.over_after, tally.phased, 100.0 * tally.phased / tally.fits,
                tally.phased ? (std::to_string(int(1e6 * tally.phase_seconds / tally.phased)) + " µs, " +
                                std::to_string(int(1e6 * tally.worst_phase_seconds)) + " µs; " +
                                std::to_string(tally.phase_iterations / tally.phased) + " iterations")
                                   .c_str()
                             : "-",
                tally.worst_where.c_str());
    total.fits += tally.fits, total.phased += tally.phased, total.over_after += tally.over_after;
    total.over_before += tally.over_before;
  }
  std::printf("\nAll rows: %d fits, the phase started in %d (%.1f %%); over 1e-6 of the span: %d before, %d after.\n",
              total.fits, total.phased, 100.0 * total.phased / total.fits, total.over_before, total.over_after);
}

// ---------------------------------------------------------------------------
// Fits to data.
struct Law {
  const char* name;
  std::vector<double> truth, start;
  double (*quantile)(double u);
  double (*fit)(const double* s, int n, const double* d, double* o, double* f);
};

const double kLnMean = 2 + std::exp(0.4 + 0.35 * 0.35 / 2);
const double kLnSd = std::sqrt((std::exp(0.35 * 0.35) - 1) * std::exp(0.8 + 0.35 * 0.35));

const Law kLaws[] = {
    {"Beta (2.385, 4.1, 1.5, 9.75)", {2.385, 4.1, 1.5, 9.75}, {1.6, 2.9, 1.0, 10.6},
     [](double u) { return stoka_ran_beta_cdf_inv_(u, 2.385, 4.1, 1.5, 9.75); },
     [](const double* s, int n, const double* d, double* o, double* f) {
       return stoka_ran_beta_by_xi(s[0], s[1], s[2], s[3], n, d, &o[0], &o[1], &o[2], &o[3], f);
     }},
    {"LogNormal (mean, sd, location 2)", {kLnMean, kLnSd, 2.0}, {3.0, 1.0, 1.5},
     [](double u) { return stoka_ran_lognormal_cdf_inv_(u, 2.0, 0.4, 0.35); },
     [](const double* s, int n, const double* d, double* o, double* f) {
       return stoka_ran_lognormal_by_xi(s[0], s[1], s[2], n, d, &o[0], &o[1], &o[2], f);
     }},
    {"LogTriangular (3.2, 1.25, 11.5)", {3.2, 1.25, 11.5}, {4.0, 1.0, 12.5},
     [](double u) { return stoka_ran_logtriangular_cdf_inv(u, 3.2, 1.25, 11.5); },
     [](const double* s, int n, const double* d, double* o, double* f) {
       return stoka_ran_logtriangular_by_xi(s[0], s[1], s[2], n, d, &o[0], &o[1], &o[2], f);
     }},
    {"Pert (4.4, 1.7, 12.3)", {4.4, 1.7, 12.3}, {5.0, 1.0, 13.0},
     [](double u) { return stoka_ran_pert_cdf_inv_(u, 1.7, 12.3, 4.4); },
     [](const double* s, int n, const double* d, double* o, double* f) {
       return stoka_ran_pert_by_xi(s[0], s[1], s[2], n, d, &o[0], &o[1], &o[2], f);
     }},
    {"Triangular (3.7, 1.2, 8.9)", {3.7, 1.2, 8.9}, {4.0, 1.0, 9.5},
     [](double u) { return stoka_ran_triangular_cdf_inv(u, 3.7, 1.2, 8.9); },
     [](const double* s, int n, const double* d, double* o, double* f) {
       return stoka_ran_triangular_by_xi(s[0], s[1], s[2], n, d, &o[0], &o[1], &o[2], f);
     }},
};

std::string Errors(const Law& law, const double* o, double f, double seconds) {
  std::string text;
  char b[64];
  for (size_t i = 0; i < law.truth.size(); ++i) {
    std::snprintf(b, sizeof b, "%s%+.2f %%", i ? ", " : "", 100 * (o[i] / law.truth[i] - 1));
    text += b;
  }
  std::snprintf(b, sizeof b, " (f %.2g, %.1f ms)", f, 1e3 * seconds);
  return text + b;
}

void DataFits() {
  std::printf("\n| fit (true parameters) | n | before | after |\n|---|---|---|---|\n");
  for (const Law& law : kLaws) {
    for (int n : {10000, 100000}) {
      stoka_ran_seed(7);
      std::vector<double> sample(n);
      for (double& v : sample) v = law.quantile(stoka_ran_uniform());
      std::string cells[2];
      for (int on = 0; on < 2; ++on) {
        stoka::EnableSimplexMending(on == 1);
        double o[4] = {}, f = 0;
        const double t0 = CpuSeconds();
        law.fit(law.start.data(), n, sample.data(), o, &f);
        cells[on] = Errors(law, o, f, CpuSeconds() - t0);
      }
      std::printf("| %s | %d | %s | %s |\n", law.name, n, cells[0].c_str(), cells[1].c_str());
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  if (argc > 1) only = argv[1];
  stoka_init();
  stoka_silence_output();
  if (only != "data") PercentileGrid();
  if (only.empty() || only == "data") DataFits();
  stoka_done();
  return 0;
}
