// A sweep of the rank-correlation engine over many random valid correlation
// matrices chosen to be hard, each applied as rank targets to samples of mixed
// families (with --ties, a quarter of them discrete). For every matrix: the
// largest |Spearman reached - target as set| with Spearman's coefficient
// computed afresh from the samples (ties at their mean rank), the largest
// difference from the engine's own figures, and the process CPU time of
// ApplyRankCorrelation. A summary per class follows.
//
//   bench_rank_sweep [--class NAME] [--count K] [--from V] [--n N] [--d D]
//                    [--seed S] [--ties none|light|heavy] [--verbose]
//
// Matrix v of a class (v from V, default 0, to V + K - 1) is drawn from seed
// S + 1000 v; --from V --count 1 repeats one of them.
//
// Classes (--count matrices each, default 12, sizes cycling through
// 3, 10, 30, 50, 100, 200 unless --d is given):
//   factor    k = 1..10 random loadings in [-1, 1], own share 0, 1e-4, 1e-3,
//             1e-2 (0: exactly singular of rank k)
//   gram      unit vectors in R^k with normal coordinates, k from 2 to d
//             (exactly singular below d, nearly so at d)
//   vine      the C-vine method with partial correlations 2 Beta(b, b) - 1,
//             b = 0.3, 0.6, 1, 2, indices shuffled: strong, ill-conditioned
//   block     blocks of strong positive correlations (0.8 to 1) whose factors
//             are as negatively correlated as they can be, signs flipped at
//             random, random loadings within a block
//   edge      a valid matrix of another class plus noise, shrunk toward the
//             identity until its smallest eigenvalue is 0
// The program has its own main: it is a measurement, not a timed loop.
#include <gsl/gsl_eigen.h>
#include <gsl/gsl_matrix.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <numeric>
#include <random>
#include <string>
#include <vector>

#include "stoka/stoka.h"

namespace {

using Matrix = std::vector<double>;
using Rng = std::mt19937_64;

double Uniform(Rng& rng) { return std::uniform_real_distribution<double>(0.0, 1.0)(rng); }
double Gauss(Rng& rng) { return std::normal_distribution<double>(0.0, 1.0)(rng); }

// Rows of w (d x k) as a correlation matrix: w w^T + own I, unit diagonal.
Matrix FromLoadings(const Matrix& w, int d, int k, double own) {
  Matrix r(size_t(d) * d);
  for (int i = 0; i < d; ++i)
    for (int j = 0; j <= i; ++j) {
      double s = i == j ? own : 0.0;
      for (int f = 0; f < k; ++f) s += w[i * k + f] * w[j * k + f];
      r[i * d + j] = r[j * d + i] = s;
    }
  Matrix c(r.size());
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j)
      c[i * d + j] = i == j ? 1.0 : std::clamp(r[i * d + j] / std::sqrt(r[i * d + i] * r[j * d + j]), -1.0, 1.0);
  return c;
}

double SmallestEigenvalue(const Matrix& m, int d) {
  Matrix copy = m;
  gsl_matrix_view a = gsl_matrix_view_array(copy.data(), d, d);
  gsl_vector* values = gsl_vector_alloc(d);
  gsl_eigen_symm_workspace* w = gsl_eigen_symm_alloc(d);
  gsl_eigen_symm(&a.matrix, values, w);
  const double low = gsl_vector_min(values);
  gsl_eigen_symm_free(w);
  gsl_vector_free(values);
  return low;
}

Matrix Factor(int d, int variant, Rng& rng, std::string& what) {
  static const double owns[] = {0.0, 1e-4, 1e-3, 1e-2};
  const int k = 1 + static_cast<int>(rng() % 10);
  const double own = owns[(variant + rng() % 2) % 4];
  Matrix w(size_t(d) * k);
  for (double& x : w) x = 2.0 * Uniform(rng) - 1.0;
  what = "k=" + std::to_string(k) + " own=" + std::to_string(own).substr(0, 6);
  return FromLoadings(w, d, k, own);
}

Matrix Gram(int d, int variant, Rng& rng, std::string& what) {
  const int ks[] = {2, 3, std::max(2, d / 4), std::max(2, d / 2), d};
  const int k = std::min(d, ks[(variant + rng() % 2) % 5]);
  Matrix w(size_t(d) * k);
  for (double& x : w) x = Gauss(rng);
  what = "k=" + std::to_string(k);
  return FromLoadings(w, d, k, 0.0);
}

// Lewandowski, Kurowicka and Joe's C-vine: partial correlations of each
// quantity with the later ones given the earlier, turned into correlations.
Matrix Vine(int d, int variant, Rng& rng, std::string& what) {
  static const double shapes[] = {0.3, 0.6, 1.0, 2.0};
  const double b = shapes[(variant + rng() % 2) % 4];
  std::gamma_distribution<double> gamma(b, 1.0);
  Matrix p(size_t(d) * d, 0.0), s(size_t(d) * d, 0.0);
  for (int i = 0; i < d; ++i) s[i * d + i] = 1.0;
  for (int k = 0; k < d - 1; ++k)
    for (int i = k + 1; i < d; ++i) {
      const double x = gamma(rng), y = gamma(rng);
      p[k * d + i] = std::clamp(2.0 * x / (x + y) - 1.0, -0.999999, 0.999999);
      double r = p[k * d + i];
      for (int l = k - 1; l >= 0; --l)
        r = r * std::sqrt((1 - p[l * d + i] * p[l * d + i]) * (1 - p[l * d + k] * p[l * d + k])) + p[l * d + i] * p[l * d + k];
      s[k * d + i] = s[i * d + k] = r;
    }
  std::vector<int> order(d);
  std::iota(order.begin(), order.end(), 0);
  std::shuffle(order.begin(), order.end(), rng);
  Matrix out(s.size());
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j) out[i * d + j] = s[order[i] * d + order[j]];
  what = "b=" + std::to_string(b).substr(0, 4);
  return out;
}

// Blocks of quantities on one factor each; the factors' correlation is the
// most negative equal one, -1 / (blocks - 1); loadings in [lo, 1] with lo from
// 0.9 up to 1 (then each block moves as one), random signs.
Matrix Block(int d, int variant, Rng& rng, std::string& what) {
  const int blocks = std::min(d, 2 + static_cast<int>(rng() % 4));
  static const double lows[] = {0.9, 0.97, 0.995, 1.0};
  const double lo = lows[(variant + rng() % 2) % 4];
  const bool flip = rng() % 3 != 0;
  // Factors: unit vectors in R^(blocks - 1) at the vertices of a simplex.
  Matrix f(size_t(blocks) * blocks, 0.0);
  for (int a = 0; a < blocks; ++a)
    for (int c = 0; c < blocks; ++c) f[a * blocks + c] = (a == c) - 1.0 / blocks;
  Matrix w(size_t(d) * (blocks + 1), 0.0);
  for (int i = 0; i < d; ++i) {
    const int a = i * blocks / d;
    const double load = lo + (1.0 - lo) * Uniform(rng), sign = flip && Uniform(rng) < 0.5 ? -1.0 : 1.0;
    double norm = 0.0;
    for (int c = 0; c < blocks; ++c) norm += f[a * blocks + c] * f[a * blocks + c];
    for (int c = 0; c < blocks; ++c) w[i * (blocks + 1) + c] = sign * load * f[a * blocks + c] / std::sqrt(norm);
    w[i * (blocks + 1) + blocks] = std::sqrt(std::max(0.0, 1.0 - load * load));  // own share
  }
  // Own shares must not be shared: give each its own column instead.
  Matrix full(size_t(d) * (blocks + d), 0.0);
  for (int i = 0; i < d; ++i) {
    for (int c = 0; c < blocks; ++c) full[i * (blocks + d) + c] = w[i * (blocks + 1) + c];
    full[i * (blocks + d) + blocks + i] = w[i * (blocks + 1) + blocks];
  }
  what = "blocks=" + std::to_string(blocks) + " load>=" + std::to_string(lo).substr(0, 5) + (flip ? " signs" : "");
  return FromLoadings(full, d, blocks + d, 0.0);
}

// Another class's matrix plus symmetric noise, then (M - l I) / (1 - l) with l
// its smallest eigenvalue: unit diagonal, smallest eigenvalue 0.
Matrix Edge(int d, int variant, Rng& rng, std::string& what) {
  std::string inner;
  Matrix m = variant % 3 == 0 ? Vine(d, variant / 3, rng, inner)
           : variant % 3 == 1 ? Block(d, variant / 3, rng, inner)
                              : Gram(d, 4, rng, inner);
  const double noise = variant % 2 ? 0.05 : 0.2;
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < i; ++j) {
      const double e = noise * (2.0 * Uniform(rng) - 1.0);
      m[i * d + j] = m[j * d + i] = std::clamp(m[i * d + j] + e, -1.0, 1.0);
    }
  const double low = std::min(0.0, SmallestEigenvalue(m, d));
  for (int i = 0; i < d; ++i)
    for (int j = 0; j < d; ++j) m[i * d + j] = i == j ? 1.0 : m[i * d + j] / (1.0 - low);
  what = "from " + std::string(variant % 3 == 0 ? "vine " : variant % 3 == 1 ? "block " : "gram ") + inner +
         " noise=" + std::to_string(noise).substr(0, 4) + " shrink=" + std::to_string(1 - low).substr(0, 6);
  return m;
}

// Quantity k's n values: lognormal, uniform and heavy-tailed in turn; with
// ties, every fourth is discrete instead: 20 to 40 levels of equal weight
// (light) or floor(L u^2), whose lowest level holds 16 to 22 % (heavy).
enum Ties { kNone, kLight, kHeavy };

std::vector<double> Samples(int d, unsigned n, Ties ties, Rng& rng) {
  std::vector<double> x(size_t(d) * n);
  for (int k = 0; k < d; ++k)
    for (unsigned i = 0; i < n; ++i) {
      const double u = Uniform(rng);
      double& v = x[size_t(k) * n + i];
      switch (ties == kNone ? k % 3 : k % 4) {
        case 0: v = std::exp(2.0 * (u - 0.5) + u * u); break;
        case 1: v = u * u * u - 0.5; break;
        case 2: v = 1.0 / (0.01 + u); break;
        default: v = std::floor((20 + k % 21) * (ties == kHeavy ? u * u : u)); break;
      }
    }
  return x;
}

// Centred ranks, ties at their mean.
std::vector<double> Ranks(const double* v, unsigned n) {
  std::vector<unsigned> order(n);
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(), [v](unsigned a, unsigned b) { return v[a] < v[b]; });
  std::vector<double> r(n);
  for (unsigned i = 0; i < n;) {
    unsigned end = i + 1;
    while (end < n && v[order[end]] == v[order[i]]) ++end;
    for (unsigned j = i; j < end; ++j) r[order[j]] = (i + end - 1) / 2.0 - (n - 1) / 2.0;
    i = end;
  }
  return r;
}

double Cpu() {
  timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}

struct Outcome {
  double worst = 0, in_force = 0, own_figures = 0, change = 0, seconds = 0;
  double beyond = 0;  // largest |reached - target moved into the pair's reach|
  int a = -1, b = -1;  // the worst pair
  double wanted = 0, reached = 0, low = 0, high = 0;
  int over = 0;  // pairs off by more than 0.02
  uint64_t hash = 14695981039346656037u;  // FNV-1a of the samples as laid out
  bool valid = true;
};

Outcome Run(const Matrix& target, int d, unsigned n, Ties ties, unsigned seed) {
  Rng rng(seed * 7919u + 1);
  std::vector<double> x = Samples(d, n, ties, rng);
  RankCorrelation* e = nullptr;
  CreateRankCorrelation(&e, d);
  Outcome o;
  if (SetRankMatrix(e, target.data(), d) != STOKA_RANK_OK) {
    std::fprintf(stderr, "matrix refused\n");
    std::exit(1);
  }
  SetRankRepair(e, 0);
  o.valid = CheckRankMatrix(e, &o.change) == STOKA_RANK_OK;
  SetRankRepair(e, 1);
  stoka_ran_seed(seed);
  const double start = Cpu();
  if (ApplyRankCorrelation(e, x.data(), n) != STOKA_RANK_OK) std::exit(1);
  o.seconds = Cpu() - start;
  for (double v : x) {
    uint64_t bits;
    std::memcpy(&bits, &v, sizeof bits);
    o.hash = (o.hash ^ bits) * 1099511628211u;
  }
  std::vector<std::vector<double>> ranks(d);
  std::vector<std::vector<double>> sorted(d);
  for (int k = 0; k < d; ++k) {
    ranks[k] = Ranks(&x[size_t(k) * n], n);
    sorted[k] = ranks[k];
    std::sort(sorted[k].begin(), sorted[k].end());
  }
  for (int a = 0; a < d; ++a) {
    const double aa = std::inner_product(ranks[a].begin(), ranks[a].end(), ranks[a].begin(), 0.0);
    for (int b = 0; b < a; ++b) {
      const double bb = std::inner_product(ranks[b].begin(), ranks[b].end(), ranks[b].begin(), 0.0);
      const double s = std::inner_product(ranks[a].begin(), ranks[a].end(), ranks[b].begin(), 0.0) / std::sqrt(aa * bb);
      double reached = NAN, wanted = NAN;
      GetRankAchieved(e, a, b, &reached);
      GetRankTargetInForce(e, a, b, &wanted);
      const double miss = std::fabs(s - target[a * d + b]);
      // The pair's reach with these values: its ranks in the same and in the
      // opposite order (below 1 in size only with ties).
      const double* sa = sorted[a].data();
      const double* sb = sorted[b].data();
      double same = 0, opposite = 0;
      for (unsigned i = 0; i < n; ++i) same += sa[i] * sb[i], opposite += sa[i] * sb[n - 1 - i];
      const double hi = same / std::sqrt(aa * bb), lo = opposite / std::sqrt(aa * bb);
      o.beyond = std::max(o.beyond, std::fabs(s - std::clamp(target[a * d + b], lo, hi)));
      if (miss > o.worst) o.a = a, o.b = b, o.wanted = target[a * d + b], o.reached = s, o.low = lo, o.high = hi;
      o.worst = std::max(o.worst, miss);
      o.over += miss > 0.02;
      o.in_force = std::max(o.in_force, std::fabs(s - wanted));
      o.own_figures = std::max(o.own_figures, std::fabs(s - reached));
    }
  }
  DestroyRankCorrelation(&e);
  return o;
}

struct Class {
  const char* name;
  Matrix (*make)(int, int, Rng&, std::string&);
};

}  // namespace

int main(int argc, char** argv) {
  std::string only;
  int count = 12, fixed_d = 0, from = 0;
  unsigned n = 10000, seed0 = 1;
  Ties ties = kNone;
  bool verbose = false;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? argv[++i] : (std::fprintf(stderr, "%s needs a value\n", a.c_str()), std::exit(2), ""); };
    if (a == "--class") only = next();
    else if (a == "--count") count = std::atoi(next());
    else if (a == "--n") n = std::strtoul(next(), nullptr, 10);
    else if (a == "--from") from = std::atoi(next());
    else if (a == "--d") fixed_d = std::atoi(next());
    else if (a == "--seed") seed0 = std::strtoul(next(), nullptr, 10);
    else if (a == "--ties") {
      const std::string t = next();
      ties = t == "heavy" ? kHeavy : t == "light" ? kLight : kNone;
    }
    else if (a == "--verbose") verbose = true;
    else {
      std::fprintf(stderr, "unknown argument %s\n", a.c_str());
      return 2;
    }
  }
  const Class classes[] = {{"factor", Factor}, {"gram", Gram}, {"vine", Vine}, {"block", Block}, {"edge", Edge}};
  const int sizes[] = {3, 10, 30, 50, 100, 200};
  std::printf("class   seed    d        n  smallest_eig  engine  worst_miss  over  in_reach  vs_in_force  own_figs  apply_cpu_s  worst pair: target reached reach  matrix  hash\n");
  double overall = 0, total = 0;
  int matrices = 0;
  for (const Class& c : classes) {
    if (!only.empty() && only != c.name) continue;
    double worst = 0, seconds = 0, longest = 0;
    int over = 0;
    for (int v = from; v < from + count; ++v) {
      const unsigned seed = seed0 + 1000u * v;
      const int d = fixed_d ? fixed_d : sizes[v % 6];
      Rng rng(seed);
      std::string what;
      const Matrix target = c.make(d, v, rng, what);
      const double low = SmallestEigenvalue(target, d);
      const Outcome o = Run(target, d, n, ties, seed);
      worst = std::max(worst, o.worst);
      over += o.worst > 0.02;
      seconds += o.seconds;
      longest = std::max(longest, o.seconds);
      if (verbose || o.worst > 0.02)
        std::printf("%-7s %5u %4d %8u  %12.3e  %-6s  %10.5f  %4d  %8.5f  %11.5f  %8.1e  %11.3f  (%d,%d): %.4f %.4f [%.4f, %.4f]  %s  %016llx\n",
                    c.name, seed, d, n, low, o.valid ? "valid" : "repair", o.worst, o.over, o.beyond, o.in_force,
                    o.own_figures, o.seconds, o.a, o.b, o.wanted, o.reached, o.low, o.high, what.c_str(),
                    static_cast<unsigned long long>(o.hash));
      std::fflush(stdout);
    }
    std::printf("== %-7s %3d matrices: worst miss %.5f, %d over 0.02; apply CPU %.2f s in all, longest %.2f s\n", c.name,
                count, worst, over, seconds, longest);
    overall = std::max(overall, worst);
    total += seconds;
    matrices += count;
  }
  std::printf("== overall %d matrices: worst miss %.5f; apply CPU %.2f s\n", matrices, overall, total);
  return 0;
}
