// The free strata that LatinCubeMethod keeps for its cycle.
#ifndef STOKA_SRC_SAMPLING_FREE_STRATA_HPP
#define STOKA_SRC_SAMPLING_FREE_STRATA_HPP

#include <cstdint>
#include <vector>

// The set of strata still free in a Latin hypercube cycle, indices 0..n-1.
// Taking the k-th free index in ascending order costs O(log n): a bitmap of
// the strata in blocks of 512, under a tree of fan-out 64 whose nodes hold the
// running totals of their children's free counts (two levels for up to 2^21
// strata), the lowest level in 16 bits (a node of it covers 32768 strata), so
// that a vector compares twice as many of them. Only Reset allocates.
class FreeStrata {
 public:
  // All n strata free.
  void Reset(unsigned n);
  unsigned Size() const noexcept { return size_; }
  bool Empty() const noexcept { return size_ == 0; }
  // Removes and returns the k-th free stratum (k < Size()) in ascending order.
  unsigned Take(unsigned k) noexcept;
  // n takes in a row: each k[i] (below Size() at its turn) becomes its stratum.
  void Take(int n, unsigned* k) noexcept;
  // Take by the portable search, whatever the processor offers: the same
  // stratum, and the search every processor without the fast instructions runs.
  unsigned TakePortable(unsigned k) noexcept;
  // Frees a stratum that Take returned.
  void Restore(unsigned stratum) noexcept;

  // What Take works on: the bitmap and the levels of nodes, the root first.
  struct Layout {
    std::uint64_t* words;
    std::int32_t* nodes;  // 64 running totals a node; level l at offset (64^l - 1) / 63 nodes
    std::int16_t* low;    // the lowest level of nodes (not in nodes), totals less 32768
    unsigned depth;       // levels of nodes, at least 1
    unsigned root_span;  // the root's children Take looks at (a multiple of 8): all that hold strata
  };

 private:
  std::vector<std::uint64_t> words_;
  std::vector<std::int32_t> nodes_;
  std::vector<std::int16_t> low_;
  unsigned depth_ = 1;
  unsigned root_span_ = 64;
  unsigned size_ = 0;
};

#endif
