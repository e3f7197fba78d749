// The rank-correlation engine behind the flat RankCorrelation functions: Iman
// and Conover's reordering of whole samples toward a full matrix of target
// rank correlations.
#ifndef STOKA_SRC_CORRELATION_RANK_HPP
#define STOKA_SRC_CORRELATION_RANK_HPP

#include <cstdint>
#include <vector>

#include <gsl/gsl_rng.h>

#include "stoka/stoka.h"

// Targets and the factor derived from them are matrices of count x count,
// row after row. Results are the codes of enum stoka_rank_code.
class RankCorrelation {
 public:
  static constexpr unsigned kMaxCount = 1024;

  // Entered in the table of live handles while it exists.
  explicit RankCorrelation(unsigned count);
  RankCorrelation(const RankCorrelation&) = delete;
  RankCorrelation& operator=(const RankCorrelation&) = delete;
  ~RankCorrelation();

  int SetPair(unsigned a, unsigned b, double rho);
  double Pair(unsigned a, unsigned b) const;
  int SetMatrix(const double* matrix, unsigned count);
  void SetRepair(bool repair);
  int Check(double* change);
  int InForce(unsigned a, unsigned b, double* out);
  int Apply(double* data, unsigned n);
  int Achieved(unsigned a, unsigned b, double* out) const;

 private:
  void Prepare();
  void Rearrange(double* data, size_t n);
  void Start(std::vector<double>& s, double* data, size_t n, gsl_rng* rng);
  void LayOut(double* s, double* data, size_t n, double sd) const;
  void Refine(std::vector<double>& ranks, double* data, size_t n);
  double Polish(std::vector<double>& ranks, double* data, size_t n, bool second);
  double Settle(std::vector<double>& ranks, double* data, size_t n);
  // The targets the steps aim at: as set where valid, else as repaired.
  const std::vector<double>& Wanted() const { return valid_ ? target_ : in_force_; }
  double Worst() const;
  void Align(std::vector<double>& ranks, double* data, size_t n);
  void Realign(std::vector<double>& ranks, double* data, size_t n, gsl_rng* rng);

  unsigned count_;
  std::vector<double> target_;    // as the host set it
  bool repair_ = true;
  bool prepared_ = false;         // the fields below follow the targets
  bool valid_ = true;             // positive semi-definite as set
  double change_ = 0.0;           // largest change of a target by the repair
  std::vector<double> in_force_;  // the targets after the repair
  std::vector<double> factor_;    // B with B B^T = the normal-score correlations
  std::vector<double> achieved_;  // of the last application; empty before one
  std::vector<double> scores_;    // van der Waerden scores of the last sample size
};

#endif
