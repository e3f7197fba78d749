// Iman and Conover's rank reordering. Each quantity gets the van der Waerden
// scores a_i = Phi^-1(i / (n + 1)) in a random order; the scores' actual
// correlation T = Q Q^T is undone and the target's put in, S* = S (B Q^-1)^T
// with B B^T = P, so S* has sample correlation P exactly; every sample is then
// laid out in the rank order of its column of S*. Spearman's coefficient of
// normal variables with correlation r is (6 / pi) asin(r / 2), so a rank target
// rho asks for P = 2 sin(pi rho / 6).
#include "correlation/rank.hpp"

#include <gsl/gsl_blas.h>
#include <gsl/gsl_cdf.h>
#include <gsl/gsl_eigen.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>
#include <utility>

#include "core/constants.hpp"
#include "core/registry.hpp"
#include "core/stream.hpp"

namespace {
using stoka::kNaN;
using Matrix = std::vector<double>;  // d x d, row after row

constexpr double kPi = 3.14159265358979323846;

constexpr double kSymmetryTolerance = 1e-9;  // also for the unit diagonal
// A coefficient past +-1 by no more than this, as rounding leaves a product of
// unit vectors, is taken as +-1.
constexpr double kPastOne = 1e-12;
// Smallest eigenvalue that still counts as positive semi-definite.
constexpr double kPsdTolerance = 1e-10;
// The scores' correlation needs pivots above this to be corrected for.
constexpr double kPivotFloor = 1e-12;
constexpr int kRepairRounds = 100;
constexpr double kRepairTolerance = 1e-10;  // relative change of a round
constexpr int kBisections = 20;
// Iman-Conover steps after the first, from the arrangement reached.
constexpr int kRefineSteps = 6;
// A first arrangement that meets every target within this is kept as it is.
constexpr double kRefineEnough = 0.005;
// Moves of single columns after the steps, at most this many per quantity,
// each trying step lengths halved from the first this many times.
constexpr int kPolishMoves = 2;
constexpr int kPolishTrials = 6;
// Misses weigh in a column's move as e |e / worst|^kPolishPower.
constexpr double kPolishPower = 4.0;
// Where those moves stop above kPolishAgain, a second round of them: a column
// with ties starts from its rows' places, ties broken along the move; a move
// tries kPolishMoreTrials more step lengths; and where neither column of the
// worst pair moves, both are tried again with the misses weighed to
// kPolishSharpPower, which leaves the pairs missed by almost the most.
constexpr double kPolishAgain = 0.015;
constexpr int kPolishMoreTrials = 6;
constexpr double kPolishSharpPower = 40.0;
// Where the second round too stops above kPolishAgain, the first arrangement
// again, this many steps of alternating projections from it (see Align), then
// the steps and both rounds of moves; kept where it misses by less.
constexpr int kAlignSteps = 8;
constexpr double kInf = std::numeric_limits<double>::infinity();
// Rows handled together by the products over samples, so that one block of
// every column stays in cache.
constexpr size_t kBlock = 256;

template <class T, void (*Free)(T*)>
struct Deleter {
  void operator()(T* p) const { Free(p); }
};
using GslMatrix = std::unique_ptr<gsl_matrix, Deleter<gsl_matrix, gsl_matrix_free>>;
using GslVector = std::unique_ptr<gsl_vector, Deleter<gsl_vector, gsl_vector_free>>;
using GslRng = std::unique_ptr<gsl_rng, Deleter<gsl_rng, gsl_rng_free>>;

// The eigenvalues of a symmetric m, and (with vectors) its eigenvectors as
// columns; m itself is left alone.
GslVector Eigen(const Matrix& m, size_t d, gsl_matrix* vectors) {
  Matrix copy = m;
  gsl_matrix_view a = gsl_matrix_view_array(copy.data(), d, d);
  GslVector values(gsl_vector_alloc(d));
  if (vectors) {
    gsl_eigen_symmv_workspace* w = gsl_eigen_symmv_alloc(d);
    gsl_eigen_symmv(&a.matrix, values.get(), vectors, w);
    gsl_eigen_symmv_free(w);
  } else {
    gsl_eigen_symm_workspace* w = gsl_eigen_symm_alloc(d);
    gsl_eigen_symm(&a.matrix, values.get(), w);
    gsl_eigen_symm_free(w);
  }
  return values;
}

bool SemiDefinite(const Matrix& m, size_t d) {
  return gsl_vector_min(Eigen(m, d, nullptr).get()) >= -kPsdTolerance;
}

// m with every eigenvalue below 0 raised to 0: its nearest positive
// semi-definite matrix in the Frobenius norm.
void ClipEigenvalues(Matrix& m, size_t d) {
  GslMatrix v(gsl_matrix_alloc(d, d));
  GslVector values = Eigen(m, d, v.get());
  for (size_t k = 0; k < d; ++k) {
    gsl_vector_view column = gsl_matrix_column(v.get(), k);
    gsl_vector_scale(&column.vector, std::sqrt(std::max(gsl_vector_get(values.get(), k), 0.0)));
  }
  gsl_matrix_view out = gsl_matrix_view_array(m.data(), d, d);
  gsl_blas_dsyrk(CblasLower, CblasNoTrans, 1.0, v.get(), 0.0, &out.matrix);
  for (size_t i = 0; i < d; ++i)
    for (size_t j = 0; j < i; ++j) m[j * d + i] = m[i * d + j];
}

// The nearest correlation matrix to m (Higham 2002): alternating projections on
// the positive semi-definite matrices and on those with a unit diagonal, with
// Dykstra's correction, then one clip of the eigenvalues at 0 and a rescale to
// a unit diagonal, so that what comes out is valid whatever the rounds reached.
void NearestCorrelation(Matrix& m, size_t d) {
  Matrix y = m, correction(d * d, 0.0), x(d * d);
  for (int round = 0; round < kRepairRounds; ++round) {
    for (size_t i = 0; i < d * d; ++i) x[i] = y[i] - correction[i];
    Matrix r = x;
    ClipEigenvalues(x, d);
    double moved = 0.0, size = 0.0;
    for (size_t i = 0; i < d * d; ++i) {
      correction[i] = x[i] - r[i];
      const double next = i % (d + 1) == 0 ? 1.0 : x[i];
      moved += (next - y[i]) * (next - y[i]);
      size += next * next;
      y[i] = next;
    }
    if (std::sqrt(moved) <= kRepairTolerance * std::sqrt(size)) break;
  }
  ClipEigenvalues(y, d);
  for (size_t i = 0; i < d; ++i)
    for (size_t j = 0; j < d; ++j) {
      const double scale = std::sqrt(y[i * (d + 1)] * y[j * (d + 1)]);
      m[i * d + j] = i == j ? 1.0 : scale > 0 ? std::clamp(y[i * d + j] / scale, -1.0, 1.0) : 0.0;
    }
}

// Lower-triangular L with L L^T = m for a positive definite m; false when a
// pivot is at or below kPivotFloor.
bool Cholesky(const Matrix& m, size_t d, Matrix& l) {
  l.assign(d * d, 0.0);
  for (size_t j = 0; j < d; ++j) {
    double pivot = m[j * d + j];
    for (size_t k = 0; k < j; ++k) pivot -= l[j * d + k] * l[j * d + k];
    if (!(pivot > kPivotFloor)) return false;
    const double root = std::sqrt(pivot);
    l[j * d + j] = root;
    for (size_t i = j + 1; i < d; ++i) {
      double s = m[i * d + j];
      for (size_t k = 0; k < j; ++k) s -= l[i * d + k] * l[j * d + k];
      l[i * d + j] = s / root;
    }
  }
  return true;
}

// B with B B^T = m for a positive semi-definite m: the eigenvectors scaled by
// the roots of their eigenvalues (those below 0, rounding, taken as 0). Unlike
// a Cholesky factor it stays exact for a singular m.
Matrix Root(const Matrix& m, size_t d) {
  GslMatrix v(gsl_matrix_alloc(d, d));
  GslVector values = Eigen(m, d, v.get());
  Matrix b(d * d);
  for (size_t i = 0; i < d; ++i)
    for (size_t k = 0; k < d; ++k)
      b[i * d + k] = gsl_matrix_get(v.get(), i, k) * std::sqrt(std::max(gsl_vector_get(values.get(), k), 0.0));
  return b;
}

// op(a) op(b) for d x d matrices.
Matrix Product(const Matrix& a, CBLAS_TRANSPOSE_t ta, const Matrix& b, size_t d,
               CBLAS_TRANSPOSE_t tb = CblasNoTrans) {
  Matrix out(d * d);
  gsl_matrix_const_view va = gsl_matrix_const_view_array(a.data(), d, d);
  gsl_matrix_const_view vb = gsl_matrix_const_view_array(b.data(), d, d);
  gsl_matrix_view vo = gsl_matrix_view_array(out.data(), d, d);
  gsl_blas_dgemm(ta, tb, 1.0, &va.matrix, &vb.matrix, 0.0, &vo.matrix);
  return out;
}

// Correlations of d columns of n values (column k at x + k n) whose means are
// 0: g_jk / sqrt(g_jj g_kk) with g the matrix of dot products; NaN beside a
// column of zeros.
Matrix Correlations(const double* x, size_t n, size_t d) {
  Matrix g(d * d, 0.0);
  for (size_t start = 0; start < n; start += kBlock) {
    const size_t end = std::min(n, start + kBlock);
    for (size_t j = 0; j < d; ++j)
      for (size_t k = 0; k <= j; ++k) {
        const double *a = x + j * n, *b = x + k * n;
        double s[4] = {0, 0, 0, 0};
        size_t i = start;
        for (; i + 4 <= end; i += 4)
          for (int u = 0; u < 4; ++u) s[u] += a[i + u] * b[i + u];
        for (; i < end; ++i) s[0] += a[i] * b[i];
        g[j * d + k] += (s[0] + s[1]) + (s[2] + s[3]);
      }
  }
  Matrix c(d * d);
  for (size_t j = 0; j < d; ++j)
    for (size_t k = 0; k <= j; ++k)
      c[j * d + k] = c[k * d + j] =
          j == k ? (g[j * d + j] > 0 ? 1.0 : kNaN) : g[j * d + k] / std::sqrt(g[j * d + j] * g[k * d + k]);
  return c;
}

// The largest |reached - want| over all pairs.
double LargestMiss(const Matrix& reached, const Matrix& want) {
  double w = 0.0;
  for (size_t i = 0; i < reached.size(); ++i) w = std::max(w, std::fabs(reached[i] - want[i]));
  return std::isnan(w) ? kInf : w;
}

// d columns of centred ranks (column k at r + k n) scaled to unit variance
// into s.
void UnitVariance(const double* r, double* s, size_t n, size_t d) {
  for (size_t k = 0; k < d; ++k) {
    const double* column = r + k * n;
    const double scale = 1.0 / std::sqrt(std::inner_product(column, column + n, column, 0.0) / n);
    for (size_t i = 0; i < n; ++i) s[k * n + i] = column[i] * scale;
  }
}

// S <- S M^T in place, block by block: column k becomes sum_j M_kj S_j.
void Combine(double* s, size_t n, size_t d, const Matrix& m) {
  std::vector<double> buffer(kBlock * d);
  for (size_t start = 0; start < n; start += kBlock) {
    const size_t len = std::min(n, start + kBlock) - start;
    std::fill(buffer.begin(), buffer.end(), 0.0);
    for (size_t k = 0; k < d; ++k) {
      double* out = buffer.data() + k * kBlock;
      for (size_t j = 0; j < d; ++j) {
        const double f = m[k * d + j];
        if (f == 0.0) continue;
        const double* in = s + j * n + start;
        for (size_t i = 0; i < len; ++i) out[i] += f * in[i];
      }
    }
    for (size_t k = 0; k < d; ++k) std::copy_n(buffer.data() + k * kBlock, len, s + k * n + start);
  }
}

// B Q^-1 for a lower-triangular Q with a non-zero diagonal.
Matrix RightDivide(const Matrix& b, const Matrix& q, size_t d) {
  Matrix inverse(d * d, 0.0);
  for (size_t c = 0; c < d; ++c) {
    for (size_t i = c; i < d; ++i) {
      double s = i == c ? 1.0 : 0.0;
      for (size_t k = c; k < i; ++k) s -= q[i * d + k] * inverse[k * d + c];
      inverse[i * d + c] = s / q[i * d + i];
    }
  }
  Matrix m(d * d, 0.0);
  for (size_t i = 0; i < d; ++i)
    for (size_t j = 0; j < d; ++j) {
      double s = 0.0;
      for (size_t k = j; k < d; ++k) s += b[i * d + k] * inverse[k * d + j];
      m[i * d + j] = s;
    }
  return m;
}

// Normal-score correlations for rank targets r: 2 sin(pi r / 6) where that is
// positive semi-definite. A valid but nearly singular r can turn into an
// invalid one; then the largest t (by bisection) for which
// (1 - t) r + t 2 sin(pi r / 6) stays valid. Spearman's coefficient of r
// itself lies within 0.0181 of r, so every target stays that close.
Matrix NormalScores(const Matrix& r, size_t d, bool& mixed_in) {
  Matrix normal(d * d), mixed(d * d);
  for (size_t i = 0; i < d * d; ++i) normal[i] = i % (d + 1) == 0 ? 1.0 : 2.0 * std::sin(kPi * r[i] / 6.0);
  mixed_in = !SemiDefinite(normal, d);
  if (!mixed_in) return normal;
  double valid = 0.0, invalid = 1.0;
  for (int step = 0; step < kBisections; ++step) {
    const double t = (valid + invalid) / 2;
    for (size_t i = 0; i < d * d; ++i) mixed[i] = r[i] + t * (normal[i] - r[i]);
    (SemiDefinite(mixed, d) ? valid : invalid) = t;
  }
  for (size_t i = 0; i < d * d; ++i) mixed[i] = r[i] + valid * (normal[i] - r[i]);
  return mixed;
}

using Keyed = std::vector<std::pair<double, uint32_t>>;

// (value, row) for every row of a column, in increasing order: what std::sort
// of the pairs gives, sooner. A column of S* is close to normal with mean 0 and
// standard deviation sd, so a monotone approximation of the normal CDF (the
// logistic of 1.5976 z + 0.070566 z^3) spreads it evenly over n buckets of a
// value or two, each then sorted. A last pass confirms the order and sorts
// afresh should rounding have broken it.
void SortNearNormal(const double* column, size_t n, double sd, Keyed& keyed, std::vector<uint32_t>& bucket) {
  std::vector<uint32_t> start(n + 1, 0);
  for (size_t i = 0; i < n; ++i) {
    const double z = column[i] / sd;
    const double u = 1.0 / (1.0 + std::exp(-(1.5976 * z + 0.070566 * z * z * z)));
    bucket[i] = static_cast<uint32_t>(std::min(n - 1, static_cast<size_t>(u * static_cast<double>(n))));
    ++start[bucket[i] + 1];
  }
  std::partial_sum(start.begin(), start.end(), start.begin());
  std::vector<uint32_t> next(start.begin(), start.end() - 1);
  for (size_t i = 0; i < n; ++i) keyed[next[bucket[i]]++] = {column[i], static_cast<uint32_t>(i)};
  for (size_t b = 0; b < n; ++b)
    if (start[b + 1] - start[b] > 1) std::sort(keyed.begin() + start[b], keyed.begin() + start[b + 1]);
  if (!std::is_sorted(keyed.begin(), keyed.end())) std::sort(keyed.begin(), keyed.end());
}

// x in increasing order: a least-significant-digit radix sort, 11 bits a pass,
// of each double's bits mapped to an unsigned integer of the same order
// (negative values inverted, the sign bit of the others set). A pass whose
// digit is the same for every value is skipped. -0 comes before +0.
void RadixSort(std::vector<double>& x, std::vector<uint64_t>& a, std::vector<uint64_t>& b) {
  constexpr int kBits = 11, kPasses = 6;
  constexpr uint64_t kMask = (1u << kBits) - 1, kSign = uint64_t{1} << 63;
  const size_t n = x.size();
  std::vector<uint32_t> count(kPasses << kBits, 0);
  for (size_t i = 0; i < n; ++i) {
    uint64_t u;
    std::memcpy(&u, &x[i], sizeof u);
    a[i] = u & kSign ? ~u : u | kSign;
    for (int p = 0; p < kPasses; ++p) ++count[(p << kBits) + ((a[i] >> (p * kBits)) & kMask)];
  }
  for (int p = 0; p < kPasses; ++p) {
    uint32_t* c = &count[p << kBits];
    const int shift = p * kBits;
    if (c[(a[0] >> shift) & kMask] == n) continue;
    uint32_t sum = 0;
    for (uint64_t k = 0; k <= kMask; ++k) sum += std::exchange(c[k], sum);
    for (size_t i = 0; i < n; ++i) b[c[(a[i] >> shift) & kMask]++] = a[i];
    a.swap(b);
  }
  for (size_t i = 0; i < n; ++i) {
    const uint64_t u = a[i] & kSign ? a[i] & ~kSign : ~a[i];
    std::memcpy(&x[i], &u, sizeof u);
  }
}

// A sample's values in increasing order laid out in the order of the rows of
// keyed: the r-th smallest at the r-th row, and its centred rank (ties at
// their mean) at that row of column.
void Place(const Keyed& keyed, const std::vector<double>& sorted, double* x, double* column) {
  const size_t n = sorted.size();
  const double middle = (static_cast<double>(n) - 1.0) / 2.0;
  for (size_t r = 0; r < n;) {
    size_t end = r + 1;
    while (end < n && sorted[end] == sorted[r]) ++end;
    const double centred = static_cast<double>(r + end - 1) / 2.0 - middle;
    for (; r < end; ++r) {
      x[keyed[r].second] = sorted[r];
      column[keyed[r].second] = centred;
    }
  }
}

}  // namespace

RankCorrelation::RankCorrelation(unsigned count) : count_(count), target_(size_t{count} * count, 0.0) {
  for (size_t i = 0; i < count_; ++i) target_[i * (count_ + 1)] = 1.0;
  stoka::Enlist(this, stoka::Kind::kRankEngine);
}

RankCorrelation::~RankCorrelation() { stoka::Delist(this); }

int RankCorrelation::SetPair(unsigned a, unsigned b, double rho) {
  if (a >= count_ || b >= count_) return STOKA_RANK_BAD_SIZE;
  if (!(std::fabs(rho) <= 1.0 + kPastOne) || (a == b && rho != 1.0)) return STOKA_RANK_BAD_COEFFICIENT;
  rho = std::clamp(rho, -1.0, 1.0);
  if (a != b) {
    target_[size_t{a} * count_ + b] = target_[size_t{b} * count_ + a] = rho;
    prepared_ = false;
  }
  return STOKA_RANK_OK;
}

double RankCorrelation::Pair(unsigned a, unsigned b) const {
  return a < count_ && b < count_ ? target_[size_t{a} * count_ + b] : kNaN;
}

int RankCorrelation::SetMatrix(const double* matrix, unsigned count) {
  if (count != count_) return STOKA_RANK_BAD_SIZE;
  const size_t d = count_;
  for (size_t i = 0; i < d * d; ++i)
    if (!(std::fabs(matrix[i]) <= 1.0 + kPastOne) || (i % (d + 1) == 0 && std::fabs(matrix[i] - 1.0) > kSymmetryTolerance))
      return STOKA_RANK_BAD_COEFFICIENT;
  for (size_t i = 0; i < d; ++i)
    for (size_t j = 0; j < i; ++j)
      if (std::fabs(matrix[i * d + j] - matrix[j * d + i]) > kSymmetryTolerance) return STOKA_RANK_NOT_SYMMETRIC;
  for (size_t i = 0; i < d; ++i)
    for (size_t j = 0; j < d; ++j)
      target_[i * d + j] = i == j ? 1.0 : std::clamp((matrix[i * d + j] + matrix[j * d + i]) / 2, -1.0, 1.0);
  prepared_ = false;
  return STOKA_RANK_OK;
}

void RankCorrelation::SetRepair(bool repair) { repair_ = repair; }

// The root of the normal-score correlations, after the repair they need.
void RankCorrelation::Prepare() {
  const size_t d = count_;
  Matrix rank = target_;
  valid_ = SemiDefinite(rank, d);
  if (!valid_) NearestCorrelation(rank, d);
  bool mixed_in = false;
  const Matrix normal = NormalScores(rank, d, mixed_in);
  change_ = 0.0;
  for (size_t i = 0; i < d * d; ++i) {
    if (mixed_in && i % (d + 1) != 0) rank[i] = 6.0 / kPi * std::asin(normal[i] / 2.0);
    change_ = std::max(change_, std::fabs(rank[i] - target_[i]));
  }
  factor_ = Root(normal, d);
  in_force_ = std::move(rank);
  prepared_ = true;
}

int RankCorrelation::Check(double* change) {
  if (!prepared_) Prepare();
  if (change) *change = change_;
  return valid_ || repair_ ? STOKA_RANK_OK : STOKA_RANK_NOT_PSD;
}

int RankCorrelation::InForce(unsigned a, unsigned b, double* out) {
  if (a >= count_ || b >= count_) return STOKA_RANK_BAD_SIZE;
  if (int code = Check(nullptr); code != STOKA_RANK_OK) return code;
  *out = in_force_[size_t{a} * count_ + b];
  return STOKA_RANK_OK;
}

int RankCorrelation::Apply(double* data, unsigned n) {
  if (n < 2) return STOKA_RANK_BAD_SIZE;
  const size_t values = size_t{count_} * n;
  if (std::any_of(data, data + values, [](double v) { return std::isnan(v); })) return STOKA_RANK_BAD_VALUE;
  if (int code = Check(nullptr); code != STOKA_RANK_OK) return code;
  Rearrange(data, n);
  return STOKA_RANK_OK;
}

void RankCorrelation::Rearrange(double* data, size_t n) {
  const size_t d = count_;
  if (scores_.size() != n) {
    // Symmetric about 0, so every column of scores has mean 0.
    scores_.resize(n);
    for (size_t i = 0; i < (n + 1) / 2; ++i) {
      scores_[i] = gsl_cdf_ugaussian_Pinv(static_cast<double>(i + 1) / static_cast<double>(n + 1));
      scores_[n - 1 - i] = -scores_[i];
    }
  }
  std::vector<double> s(d * n);
  gsl_rng* rng = stoka_rng();
  // The same draws again, should the first arrangement be wanted once more.
  const GslRng copy(gsl_rng_clone(rng));
  Start(s, data, n, rng);
  if (Settle(s, data, n) > kPolishAgain) Realign(s, data, n, copy.get());
}

// The steps, then the moves, and the second round of moves where the first
// stops above kPolishAgain; the largest miss where they stop (0 where the
// moves cannot start).
double RankCorrelation::Settle(std::vector<double>& ranks, double* data, size_t n) {
  Refine(ranks, data, n);
  const double worst = Polish(ranks, data, n, false);
  return worst > kPolishAgain ? Polish(ranks, data, n, true) : worst;
}

// The first arrangement: each quantity's scores in an order drawn from rng,
// their correlation undone and the targets' put in, each sample laid out in
// that order; s then holds its centred ranks.
void RankCorrelation::Start(std::vector<double>& s, double* data, size_t n, gsl_rng* rng) {
  const size_t d = count_;
  std::vector<uint32_t> order(n);
  for (size_t k = 0; k < d; ++k) {
    // Fisher and Yates' shuffle, drawn as gsl_ran_shuffle draws.
    std::iota(order.begin(), order.end(), 0u);
    for (size_t i = n - 1; i > 0; --i) std::swap(order[i], order[gsl_rng_uniform_int(rng, i + 1)]);
    for (size_t i = 0; i < n; ++i) s[k * n + i] = scores_[order[i]];
  }
  // Without a full-rank correlation of the scores (n <= d), no correction.
  Matrix q;
  const Matrix m = Cholesky(Correlations(s.data(), n, d), d, q) ? RightDivide(factor_, q, d) : factor_;
  Combine(s.data(), n, d, m);
  const double sd = std::sqrt(std::inner_product(scores_.begin(), scores_.end(), scores_.begin(), 0.0) / n);
  LayOut(s.data(), data, n, sd);
  achieved_ = Correlations(s.data(), n, d);
}

// Each sample in the rank order of its column of s (close to normal with
// standard deviation sd); the column then holds the sample's centred ranks
// (ties at their mean) for the coefficients reached.
void RankCorrelation::LayOut(double* s, double* data, size_t n, double sd) const {
  std::vector<double> sorted(n);
  std::vector<uint64_t> bits(n), spare(n);
  std::vector<uint32_t> order(n);
  Keyed keyed(n);
  for (size_t k = 0; k < count_; ++k) {
    double* column = s + k * n;
    double* x = data + k * n;
    SortNearNormal(column, n, sd, keyed, order);
    std::copy(x, x + n, sorted.begin());
    RadixSort(sorted, bits, spare);
    Place(keyed, sorted, x, column);
  }
}

// Further Iman-Conover steps from the arrangement reached: its centred ranks R
// (scaled to unit variance, correlation A = Q Q^T) become R (L Q^-1)^T with
// L L^T = C, whose correlation is C exactly, and the samples are laid out
// again in that order. Both factors are lower triangular, so a C near A is a
// step near the identity. C moves from A toward the targets by a share of
// what the arrangement still misses (which also corrects for the re-ranking);
// a step is kept only when it brings the largest miss down, and the share is
// halved after a step that does not. Steps stop once every target is met
// within kRefineEnough; they draw nothing, so the seed still decides all.
void RankCorrelation::Refine(std::vector<double>& ranks, double* data, size_t n) {
  const size_t d = count_;
  const Matrix& want = Wanted();
  auto worst = [&](const Matrix& reached) { return LargestMiss(reached, want); };
  double best = worst(achieved_), share = 1.0;
  Matrix aim = achieved_, candidate(d * d);
  std::vector<double> s(d * n), x(d * n);
  for (int step = 0; step < kRefineSteps && best > kRefineEnough; ++step) {
    for (size_t i = 0; i < d * d; ++i)
      candidate[i] = i % (d + 1) == 0 ? 1.0 : std::clamp(aim[i] + share * (want[i] - achieved_[i]), -1.0, 1.0);
    Matrix q, l;
    if (!Cholesky(achieved_, d, q)) return;
    if (!Cholesky(candidate, d, l)) {
      share /= 2;
      continue;
    }
    UnitVariance(ranks.data(), s.data(), n, d);
    Combine(s.data(), n, d, RightDivide(l, q, d));
    std::copy(data, data + d * n, x.begin());
    LayOut(s.data(), x.data(), n, 1.0);
    Matrix reached = Correlations(s.data(), n, d);
    const double w = worst(reached);
    if (!(w < best)) {
      share /= 2;
      continue;
    }
    best = w;
    aim.swap(candidate);
    std::copy(x.begin(), x.end(), data);
    ranks.swap(s);
    achieved_ = std::move(reached);
  }
}

// Moves of one column at a time, where the steps above stop short: near a
// singular target the re-ranking of every column undoes what a joint step
// corrects, but a move of one column changes only that column's coefficients,
// and those exactly. Column c's ranks R_c (unit length) go in the rank order of
// R_c + eta g with g = sum_m w_m R_m (unit lengths), w_m the weighted misses of
// its pairs: the steepest descent of sum |e_m|^(2 + kPolishPower). A move is
// kept when it lowers the largest miss of the column, with eta halved from a
// first guess until one does. Each move takes the pair with the largest miss
// and moves one of its two columns; the moves stop at kRefineEnough, when
// neither column of the worst pair moves, or after kPolishMoves per quantity.
// Returns the largest miss where the moves stop (0 where they cannot start).
// The second round (see kPolishAgain) starts only where the first stops above
// kPolishAgain, so whatever the first reaches below that stays as it is.
double RankCorrelation::Polish(std::vector<double>& ranks, double* data, size_t n, bool second) {
  const size_t d = count_;
  const Matrix& want = Wanted();
  if (std::any_of(achieved_.begin(), achieved_.end(), [](double c) { return std::isnan(c); })) return 0.0;
  auto miss = [&](size_t i) { return std::fabs(achieved_[i] - want[i]); };
  std::vector<double> length(d), g(n), column(n), x(n), sorted(n), w(d), row(d), places(second ? n : 0);
  std::vector<uint32_t> order(second ? n : 0);
  std::vector<uint64_t> bits(n), spare(n);
  for (size_t k = 0; k < d; ++k) {
    const double* r = ranks.data() + k * n;
    length[k] = std::sqrt(std::inner_product(r, r + n, r, 0.0));
  }
  Keyed keyed(n);
  // Moves column c; true when kept.
  auto move = [&](size_t c, size_t partner, double worst, double power) {
    double* rc = ranks.data() + c * n;
    for (size_t m = 0; m < d; ++m) {
      const double e = m == c ? 0.0 : want[c * d + m] - achieved_[c * d + m];
      w[m] = e * std::pow(std::fabs(e) / worst, power);
    }
    std::fill(g.begin(), g.end(), 0.0);
    for (size_t m = 0; m < d; ++m) {
      if (w[m] == 0.0) continue;
      const double f = w[m] / length[m], *rm = ranks.data() + m * n;
      for (size_t i = 0; i < n; ++i) g[i] += f * rm[i];
    }
    // The first order of the partner's coefficient in eta: g.R_b - C_cb g.R_c.
    auto along = [&](size_t m) {
      double s = 0.0;
      for (size_t l = 0; l < d; ++l) s += w[l] * achieved_[l * d + m];
      return s;
    };
    const double slope = along(partner) - achieved_[c * d + partner] * along(c);
    const double first = std::fabs(want[c * d + partner] - achieved_[c * d + partner]) / std::fabs(slope);
    double* xc = data + c * n;
    std::copy(xc, xc + n, sorted.begin());
    RadixSort(sorted, bits, spare);
    // Rows of equal rank, which a small step would leave together, start
    // from places in the order of g, so that those that gain most cross into
    // the next rank first.
    const double* base = rc;
    if (second && std::adjacent_find(sorted.begin(), sorted.end()) != sorted.end()) {
      std::iota(order.begin(), order.end(), 0u);
      std::sort(order.begin(), order.end(), [&](uint32_t i, uint32_t j) {
        return rc[i] != rc[j] ? rc[i] < rc[j] : g[i] != g[j] ? g[i] < g[j] : i < j;
      });
      const double middle = (static_cast<double>(n) - 1.0) / 2.0;
      for (size_t p = 0; p < n; ++p) places[order[p]] = static_cast<double>(p) - middle;
      base = places.data();
    }
    const int trials = second ? kPolishTrials + kPolishMoreTrials : kPolishTrials;
    double eta = std::isfinite(first) ? first / 2 : 0.0;
    for (int trial = 0; trial < trials && eta > 0.0; ++trial, eta /= 2) {
      for (size_t i = 0; i < n; ++i) keyed[i] = {base[i] / length[c] + eta * g[i], static_cast<uint32_t>(i)};
      std::sort(keyed.begin(), keyed.end());
      Place(keyed, sorted, x.data(), column.data());
      size_t m = 0;
      for (; m < d; ++m) {
        const double* rm = ranks.data() + m * n;
        row[m] = m == c ? 1.0 : std::inner_product(column.begin(), column.end(), rm, 0.0) / (length[c] * length[m]);
        if (!(std::fabs(row[m] - want[c * d + m]) < worst)) break;
      }
      if (m < d) continue;
      std::copy(column.begin(), column.end(), rc);
      std::copy(x.begin(), x.end(), xc);
      for (size_t m = 0; m < d; ++m) achieved_[c * d + m] = achieved_[m * d + c] = row[m];
      return true;
    }
    return false;
  };
  double worst = 0.0;
  for (size_t moves = 0; moves <= kPolishMoves * d; ++moves) {
    size_t at = 0;
    for (size_t i = 1; i < d * d; ++i)
      if (miss(i) > miss(at)) at = i;
    worst = miss(at);
    if (worst <= kRefineEnough || moves == kPolishMoves * d) break;
    const size_t a = at / d, b = at % d;
    auto row_worst = [&](size_t c) {
      double m = 0.0;
      for (size_t k = 0; k < d; ++k) m = std::max(m, miss(c * d + k));
      return m;
    };
    const double worst_a = row_worst(a), worst_b = row_worst(b);
    if (!move(a, b, worst_a, kPolishPower) && !move(b, a, worst_b, kPolishPower) &&
        !(second && (move(a, b, worst_a, kPolishSharpPower) || move(b, a, worst_b, kPolishSharpPower))))
      break;
  }
  return worst;
}

double RankCorrelation::Worst() const { return LargestMiss(achieved_, Wanted()); }

// Alternating projections between the arrangements of the samples and the
// targets' factor B (B B^T = the targets, from the eigenvectors, so exact for
// a singular one), which lower sum_k |R_k - V b_k|^2 over the centred ranks R
// (unit variance, correlation A) and the n x count V with V^T V = n I, 0 only
// where the ranks' correlations are the targets. For the ranks reached, the
// best V is the polar factor of R B, R B (B^T A B)^-1/2; for that V, each
// sample is best laid out in the rank order of its column of
// P = V B^T = R B (B^T A B)^-1/2 B^T, whose correlations are the targets
// wherever B^T A B is not singular. Where Cholesky factors turn R into
// anything with the targets' correlations, the polar factor takes the one
// nearest to R, so the laying out undoes little of it, and low-rank targets,
// which no normal scores reach, are met nearly exactly.
void RankCorrelation::Align(std::vector<double>& ranks, double* data, size_t n) {
  const size_t d = count_;
  const Matrix b = Root(Wanted(), d);
  std::vector<double> s(d * n);
  for (int step = 0; step < kAlignSteps; ++step) {
    // U U^T = (B^T A B)^-1/2, 0 on its null space: the eigenvectors scaled by
    // their eigenvalues to the power -1/4. Column c of P is sum_j K_cj R_j
    // with K = B U (B U)^T.
    Matrix u(d * d);
    gsl_matrix_view vectors = gsl_matrix_view_array(u.data(), d, d);
    GslVector values = Eigen(Product(b, CblasTrans, Product(achieved_, CblasNoTrans, b, d), d), d, &vectors.matrix);
    const double top = gsl_vector_max(values.get());
    for (size_t f = 0; f < d; ++f) {
      const double l = gsl_vector_get(values.get(), f);
      const double scale = l > kPivotFloor * top ? 1.0 / std::sqrt(std::sqrt(l)) : 0.0;
      for (size_t i = 0; i < d; ++i) u[i * d + f] *= scale;
    }
    const Matrix bu = Product(b, CblasNoTrans, u, d);
    UnitVariance(ranks.data(), s.data(), n, d);
    Combine(s.data(), n, d, Product(bu, CblasNoTrans, bu, d, CblasTrans));
    LayOut(s.data(), data, n, 1.0);
    ranks.swap(s);
    achieved_ = Correlations(ranks.data(), n, d);
  }
}

// The first arrangement again (from rng, a copy of the stream as it was),
// then alternating projections, the steps and the moves; kept only where it
// misses by less than what the moves reached from the first.
void RankCorrelation::Realign(std::vector<double>& ranks, double* data, size_t n, gsl_rng* rng) {
  const size_t values = size_t{count_} * n;
  const double before = Worst();
  std::vector<double> kept_ranks = ranks, kept_data(data, data + values);
  Matrix kept_achieved = achieved_;
  Start(ranks, data, n, rng);
  Align(ranks, data, n);
  Settle(ranks, data, n);
  if (Worst() < before) return;
  ranks.swap(kept_ranks);
  std::copy(kept_data.begin(), kept_data.end(), data);
  achieved_ = std::move(kept_achieved);
}

int RankCorrelation::Achieved(unsigned a, unsigned b, double* out) const {
  if (a >= count_ || b >= count_) return STOKA_RANK_BAD_SIZE;
  if (achieved_.empty()) return STOKA_RANK_NO_SAMPLE;
  *out = achieved_[size_t{a} * count_ + b];
  return STOKA_RANK_OK;
}
