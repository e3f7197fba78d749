// The Latin hypercube draw against a plain index-list reference, draw by draw:
// same runtime-generator sequence, same stratum (the k-th free one in
// ascending order), same value, bit for bit.

#include <iterator>
#include <list>

#include "sampling/free_strata.hpp"
#include "stoka/continuous.hpp"
#include "stoka/sampling.hpp"
#include "support/rows.hpp"

namespace {

// Strata kept in a table and the free ones in a linked list, found by walking.
class ListLatin {
 public:
  ListLatin(IDistribution* d, double min, double max, int count)
      : plot_(d, d->ValueByCDF(min), d->ValueByCDF(max)), segments_(count) {
    const double w = 1.0 / count;
    for (int k = 1; k <= count; ++k)
      segments_[k - 1] = {k == 1 ? 0.0 : segments_[k - 2].second, k * w};
    Refill();
  }

  std::pair<double, double> Draw() {
    for (;;) {
      const int n = static_cast<int>(free_.size());
      const int position = KessaRandomInt(n);
      // Walk from the nearer end: still a plain list, half the steps.
      auto it = position < n / 2 ? std::next(free_.begin(), position) : std::prev(free_.end(), n - position);
      const auto [lower, upper] = segments_[*it];
      double p = lower + (upper - lower) * KessaRandom();
      double value = 0;
      if (plot_.ValueByCDFOnPlot(&p, &value) && std::isfinite(value)) {
        free_.erase(it);
        if (free_.empty()) Refill();
        return {value, p};
      }
    }
  }

 private:
  void Refill() {
    for (int k = 0; k < static_cast<int>(segments_.size()); ++k) free_.push_back(k);
  }
  DistributionPlot plot_;
  std::vector<std::pair<double, double>> segments_;
  std::list<int> free_;
};

}  // namespace

TEST(LatinHypercube, MatchesListReferenceDrawByDraw) {
  // Counts above 32768 pick positions from three runtime draws; whole cycles
  // and cycle restarts are covered on the smaller counts. The normal with one
  // or two strata meets probability 0 and 1, where the draw moves on.
  TriangularDistribution triangular(new TriangularRandomGenerator(-1.385, 7.25, 0.618));
  BetaDistribution beta(new BetaRandomGenerator(2.2, 3.7, 0.5, 10.5));
  NormalDistribution normal(new NormalRandomGenerator(2.385, 1.75));
  const struct {
    IDistribution* d;
    double min, max;  // the probability window
    int count, draws;
  } cases[] = {
      {&triangular, 0.0, 1.0, 1, 50},       {&triangular, 0.0, 1.0, 3, 31},
      {&triangular, 0.137, 0.862, 64, 200},  {&triangular, 0.0, 1.0, 65, 195},
      {&beta, 0.05, 0.9, 1000, 2300},        {&triangular, 0.0, 1.0, 32768, 600},
      {&triangular, 0.0, 1.0, 32771, 32871}, {&triangular, 0.25, 0.75, 100003, 2500},
      {&normal, 0.0, 1.0, 1, 70000},         {&normal, 0.0, 1.0, 2, 70000},
      {&normal, 0.013, 0.991, 5003, 12000},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(::testing::Message() << GetDistributionName(c.d) << " count " << c.count);
    std::srand(20240611u + static_cast<unsigned>(c.count));
    ListLatin reference(c.d, c.min, c.max, c.count);
    std::vector<std::pair<double, double>> expected(c.draws);
    for (auto& e : expected) e = reference.Draw();
    const int next_expected = std::rand();
    std::srand(20240611u + static_cast<unsigned>(c.count));
    LatinCubeMethod method(c.d, c.min, c.max, c.count);
    // The first half one at a time, the rest in one run of the array path.
    std::vector<double> values(c.draws), positions(c.draws);
    for (int i = 0; i < c.draws / 2; ++i) std::tie(values[i], positions[i]) = method.RandomValue();
    method.RandomValues(c.draws - c.draws / 2, values.data() + c.draws / 2, positions.data() + c.draws / 2);
    int mismatches = 0;
    for (int i = 0; i < c.draws; ++i) {
      const std::pair got{values[i], positions[i]};
      if ((!rows::Same(got.first, expected[i].first) || !rows::Same(got.second, expected[i].second)) &&
          ++mismatches < 5)
        ADD_FAILURE() << "draw " << i << ": " << got.first << " vs " << expected[i].first;
    }
    EXPECT_EQ(mismatches, 0);
    EXPECT_EQ(std::rand(), next_expected) << "the runtime generator was used differently";
    EXPECT_EQ(method.FreeCount(), static_cast<unsigned>(c.count - c.draws % c.count));
  }
}

TEST(LatinHypercube, FreeStrataTakeAndRestoreAgreeWithList) {
  // Random takes and hand-backs across word boundaries, checked against a list.
  // Both searches: the one this processor runs, and the portable one.
  for (unsigned n : {1u, 63u, 64u, 65u, 129u, 1000u, 5000u, 20011u, 300007u})
    for (bool portable : {false, true}) {
      FreeStrata strata;
      strata.Reset(n);
      std::list<unsigned> free;
      for (unsigned k = 0; k < n; ++k) free.push_back(k);
      std::srand(n);
      for (int step = 0; step < 3000 && !free.empty(); ++step) {
        const unsigned k = static_cast<unsigned>(std::rand()) % static_cast<unsigned>(free.size());
        auto it = std::next(free.begin(), k);
        const unsigned taken = portable ? strata.TakePortable(k) : strata.Take(k);
        ASSERT_EQ(taken, *it) << "n " << n << " step " << step << (portable ? " portable" : "");
        if (std::rand() % 4 == 0) strata.Restore(taken);  // handed back: the list keeps it
        else free.erase(it);
        ASSERT_EQ(strata.Size(), free.size());
      }
    }
}
