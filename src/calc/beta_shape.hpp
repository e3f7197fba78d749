// The standard beta law of one pair of shapes, with every term that depends on
// the shapes alone (ln B, the density's normalising constant, the quantile's
// first guess) worked out once. GSL recomputes them on every call: its inverse
// evaluates the cumulative function and the density several times, each with
// ln B or three log-gamma values. The arithmetic below is GSL's own (cdf/beta.c,
// cdf/beta_inc.c, cdf/betainv.c, randist/beta.c of GSL 2.7), step for step,
// so every result equals gsl_cdf_beta_P and gsl_cdf_beta_Pinv bit for bit
// (except where GSL's inverse fails to converge and gives NaN); a
// test holds it against the GSL the library is linked with.
#ifndef STOKA_SRC_CALC_BETA_SHAPE_HPP
#define STOKA_SRC_CALC_BETA_SHAPE_HPP

#include <array>
#include <bitset>

namespace stoka {

class BetaShape {
 public:
  // Shapes must be positive normal numbers (GSL's inverse loops without end
  // on others); the callers check them.
  BetaShape(double alpha, double beta);

  // gsl_cdf_beta_P(x, alpha, beta).
  double Cdf(double x) const { return forward_.Cdf(x); }
  // Where GSL's Newton steps fail to converge: GSL's NaN (kNaN, what the
  // percentile fits have always searched with) or a bisection (kBisect).
  enum class Stall { kNaN, kBisect };
  // gsl_cdf_beta_Pinv(p, alpha, beta) but for a stall; NaN for a NaN p, where
  // GSL never returns. Keeps cumulative values from call to call (one thread
  // at a time).
  double Quantile(double p, Stall stall = Stall::kBisect) const;
  // The same for a single probability: only the orientation it needs is set up.
  static double QuantileOnce(double p, double alpha, double beta);

  double Alpha() const { return forward_.a; }
  double Beta() const { return forward_.b; }

 private:
  // One orientation (a, b). GSL inverts above the median through the mirrored
  // law: 1 - Pinv(1 - p, b, a), whose constants differ in their rounding.
  struct Side {
    // ln B(a, b) and the log-gamma values of a + b, a and b.
    struct Gammas {
      double ln_beta, ab, a, b;
    };
    Side(double a, double b);
    Side(double a, double b, const Gammas& g);
    // The same values for the mirrored law (b, a).
    Gammas Mirrored() const;
    // log(x) and log1p(-x), which the cumulative function and the density of
    // one x share; known once the cumulative function has taken them.
    struct Logs {
      bool known = false;
      double x = 0.0, x1 = 0.0;
    };
    double Cdf(double x, Logs* logs = nullptr) const;
    double Pdf(double x, const Logs* logs = nullptr) const;
    // The inverse for 0 < p <= 0.5.
    double LowerQuantile(double p, Stall stall) const;
    // GSL's coarse bisection from x; *cdf the cumulative value at the point
    // returned where the bisection evaluated it there, NaN otherwise.
    double Bisect(double x, double p, double* cdf) const;
    double BisectFully(double p) const;

    // The bisection that starts from the mean visits the same points for every
    // p, a binary tree of them: their cumulative values are kept by node (root
    // 1, children 2i below and 2i + 1 above), as the queries reach them. Eight
    // levels suffice: the interval is below the tolerance after seven halvings.
    static constexpr unsigned kNodes = 256;
    mutable std::array<double, kNodes> node_cdf;
    mutable std::bitset<kNodes> node_known;

    Gammas g;
    double a, b;
    double mean;       // a / (a + b)
    double ln_beta;    // gsl_sf_lnbeta(a, b)
    double ln_norm;    // lngamma(a + b) - lngamma(a) - lngamma(b)
    double ln_guess;   // log(a) + lngamma(a) + lngamma(b) - lngamma(a + b)
    double tail_pow;   // -(b - 1) / a
  };
  Side forward_;
  Side mirrored_;
};

}  // namespace stoka

#endif
