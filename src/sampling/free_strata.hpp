// The free strata that LatinCubeMethod keeps for its cycle.
#ifndef STOKA_SRC_SAMPLING_FREE_STRATA_HPP
#define STOKA_SRC_SAMPLING_FREE_STRATA_HPP

#include <cstdint>
#include <vector>

// The set of strata still free in a Latin hypercube cycle, indices 0..n-1.
// Taking the k-th free index in ascending order costs O(log n): a bitmap of
// the strata in blocks of 512, under a complete binary tree of the blocks' free
// counts. Only Reset allocates.
class FreeStrata {
 public:
  // All n strata free.
  void Reset(unsigned n);
  unsigned Size() const noexcept { return size_; }
  bool Empty() const noexcept { return size_ == 0; }
  // Removes and returns the k-th free stratum (k < Size()) in ascending order.
  unsigned Take(unsigned k) noexcept;
  // Frees a stratum that Take returned.
  void Restore(unsigned stratum) noexcept;

 private:
  std::vector<std::uint64_t> words_;
  std::vector<unsigned> tree_;  // node i: free strata below it; root 1, children 2i, 2i+1
  unsigned leaves_ = 0;         // blocks, a power of two
  unsigned size_ = 0;
};

#endif
