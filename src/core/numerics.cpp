// Tolerances, percentile conventions, the table normal quantile and the
// argument checks that every fitter shares. Pure functions over constant tables.
#include <cmath>

#include "core/constants.hpp"
#include "stoka/core.hpp"

extern "C" {
const double eps = stoka::kEps;
const double epsilon = stoka::kEpsilon;
const double kSqrt2 = 1.4142135623730951;
// erf^-1(k/50) for k = 0..49, computed once with 40-digit arithmetic (mpmath).
const double erfinv[50] = {
    0.0, 0.01772639502667802, 0.03546393896871864,
    0.05322382990976598, 0.07101736483345474, 0.08885599049425769,
    0.10675135602818442, 0.12471536794266058, 0.14276024817854752,
    0.1608985960078913, 0.17914345462129166, 0.1975083833722737,
    0.21600753678729465, 0.2346557516249216, 0.2534686434838657,
    0.2724627147267544, 0.29165547581744206, 0.31106558258078476,
    0.3307129924066736, 0.3506191430630893, 0.37080715859355795,
    0.3913020878028321, 0.41213118214846545, 0.43332422154706796,
    0.45491389879854005, 0.4769362762044699, 0.49943133175366344,
    0.5224436173171789, 0.546023058139055, 0.5702259322595096,
    0.5951160814499948, 0.6207664234092699, 0.6472608608750736,
    0.6746967208722529, 0.7031879128220362, 0.7328690779592169,
    0.7639011317372364, 0.7964788056117074, 0.8308411284745602,
    0.8672863509938747, 0.9061938024368232, 0.94805697623235,
    0.9935356283473042, 1.0435418436397588, 1.0993909519492193,
    1.163087153676674, 1.2379219927112448, 1.3299219143360639,
    1.4522197815622468, 1.644976357133187,
};
const double p_gauss[9] = {-2.32635, -1.64485, -1.28155, -0.67449, 0.0,
                                     0.67449,  1.28155,  1.64485,  2.32635};
}

namespace {
bool IsCode(double p) { return p == kPercentileMin || p == kPercentileMax; }
}  // namespace

int IsDoubleZero(double a, double b, double tolerance) { return std::fabs(a - b) < tolerance; }
int IsDoubleZeroVal(double x) { return std::fabs(x) < epsilon; }
int IsDoubleLess(double a, double b, double tolerance) {
  return b > a && std::fabs(a - b) >= tolerance;
}
int IsDoubleLess(double a, double b) { return IsDoubleLess(a, b, epsilon); }

double InvertPercentile(double p) { return IsCode(p) ? p : 100.0 - p; }
double PercentileMultiply100(double f) { return IsCode(f) ? f : f * 100.0; }

double erf_inv(double x) {
  // The quantile is taken at whole cumulative percents: the index is the
  // distance from the centre rounded half away from zero. Arguments beyond the
  // table (|x| >= 0.99) take its last entry; NaN stays NaN.
  if (std::isnan(x)) return x;
  const double scaled = std::round(std::fabs(x) * 50.0);
  int index = 0;
  if (scaled >= 49.0) {
    index = 49;
  } else if (scaled > 0.0) {
    index = static_cast<int>(scaled);
  }
  const double r = erfinv[index];
  return x < 0 ? -r : r;
}

double erf_invPerc(double c) {
  if (c == kPercentileMin) return -4.242640687119285;
  if (c == kPercentileMax) return 4.242640687119285;
  return erf_inv(2.0 * c / 100.0 - 1.0);
}

double erf_mult_sqrt(double f) {
  const double c = IsCode(f) ? f : f * 100.0;
  if (c == kPercentileMin) return -6.0;
  if (c == kPercentileMax) return 6.0;
  return erf_inv(2.0 * c / 100.0 - 1.0) * kSqrt2;
}

int _p_gauss_perc(int percent, double* z) {
  static const int kPercents[9] = {1, 5, 10, 25, 50, 75, 90, 95, 99};
  for (int i = 0; i < 9; ++i) {
    if (kPercents[i] == percent) {
      *z = p_gauss[i];
      return 1;
    }
  }
  *z = 0.0;
  return 0;
}

void FillArrayByVal(double* array, double value, double count) {
  for (int i = 0; i < count; ++i) array[i] = value;
}

int CheckMinMax_(double min, double max) { return max > min; }
int CheckMLMinMax_(double min, double ml, double max) { return ml >= min && max >= ml; }
int CheckMLMin_(double ml, double min) { return ml >= min; }
int CheckMLMax_(double ml, double max) { return max >= ml; }
int CheckPercMin_(double x, double min) { return x > min; }
int CheckPercMax_(double x, double max) { return max > x; }
int CheckPercMinMax_(double min, double x, double max) { return x > min && max > x; }
int CheckSigma_(double sigma) { return sigma > 0; }
int CheckSigmaGeo_(double gsd) { return gsd > 0; }
int CheckMeanGeo_(double gm) { return gm > 0; }
int CompareWithLocation_(double location, double x) { return x > location; }
int CheckPercentile_(double c) { return c >= 1 && c <= 99; }
int CheckPercentilesEquality_(double c1, double c2) { return c1 != c2; }

int CheckPercentilesConformity_(double c1, double x1, double c2, double x2) {
  if ((c1 == kPercentileMin && c2 == kPercentileMin) ||
      (c1 == kPercentileMax && c2 == kPercentileMax))
    return 0;
  auto as_percent = [](double c) {
    if (c == kPercentileMin) return 0.0;
    if (c == kPercentileMax) return 100.0;
    return c;
  };
  c1 = as_percent(c1);
  c2 = as_percent(c2);
  if (c1 > c2) return x1 > x2;
  if (c1 < c2) return x2 > x1;
  return 0;
}

int CheckLognormLocationMeanPerc_(int kind, double location, double mean, double c, double x) {
  if (c == 50) return 0;
  double median = 0.0;
  switch (kind) {
    case 0:
      return 1;
    case 1:
      median = location + std::exp(mean);
      break;
    case 2:
      median = location + std::exp(std::log(mean));
      break;
    default:
      throw kind;
  }
  return (c > 50 && x > median) || (c < 50 && x < median);
}

int CheckOneBetaParam_(double a) { return a - 0.3 > stoka::kEps; }
int CheckBetaParamsConformity_(double a, double b) { return 100000 - (a + b) > stoka::kEps; }
int CheckBothBetaParams_(double a, double b) {
  return CheckOneBetaParam_(a) && CheckOneBetaParam_(b) && CheckBetaParamsConformity_(a, b);
}

namespace {
struct Pair {
  double c, x;
};

// Insertion of a later pair into an ordered run: in front only when its
// percent is strictly smaller than the first, behind only when strictly
// greater than the last, otherwise before the first element of greater percent.
template <int N>
void Insert(Pair (&run)[N], int used, Pair next) {
  int at = used;
  if (run[0].c > next.c) {
    at = 0;
  } else if (!(next.c > run[used - 1].c)) {
    at = 1;
    while (at < used - 1 && !(run[at].c > next.c)) ++at;
  }
  for (int i = used; i > at; --i) run[i] = run[i - 1];
  run[at] = next;
}

template <int N>
void SortPairs(Pair (&run)[N]) {
  Pair sorted[N];
  if (run[1].c > run[0].c) {
    sorted[0] = run[0];
    sorted[1] = run[1];
  } else {
    sorted[0] = run[1];
    sorted[1] = run[0];
  }
  for (int k = 2; k < N; ++k) Insert(sorted, k, run[k]);
  for (int k = 0; k < N; ++k) run[k] = sorted[k];
}
}  // namespace

void Sort2Percentiles_(double c1, double x1, double c2, double x2, double* c1_out, double* x1_out,
                       double* c2_out, double* x2_out) {
  Pair run[2] = {{c1, x1}, {c2, x2}};
  SortPairs(run);
  *c1_out = run[0].c, *x1_out = run[0].x, *c2_out = run[1].c, *x2_out = run[1].x;
}

void Sort3Percentiles_(double c1, double x1, double c2, double x2, double c3, double x3,
                       double* c1_out, double* x1_out, double* c2_out, double* x2_out,
                       double* c3_out, double* x3_out) {
  Pair run[3] = {{c1, x1}, {c2, x2}, {c3, x3}};
  SortPairs(run);
  *c1_out = run[0].c, *x1_out = run[0].x, *c2_out = run[1].c, *x2_out = run[1].x;
  *c3_out = run[2].c, *x3_out = run[2].x;
}

void Sort4Percentiles_(double c1, double x1, double c2, double x2, double c3, double x3, double c4,
                       double x4, double* c1_out, double* x1_out, double* c2_out, double* x2_out,
                       double* c3_out, double* x3_out, double* c4_out, double* x4_out) {
  Pair run[4] = {{c1, x1}, {c2, x2}, {c3, x3}, {c4, x4}};
  SortPairs(run);
  *c1_out = run[0].c, *x1_out = run[0].x, *c2_out = run[1].c, *x2_out = run[1].x;
  *c3_out = run[2].c, *x3_out = run[2].x, *c4_out = run[3].c, *x4_out = run[3].x;
}
