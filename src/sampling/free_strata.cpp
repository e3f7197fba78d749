// The free strata of a Latin hypercube cycle. The k-th free stratum in
// ascending order is what a plain index list gives at position k; a bitmap under
// a Fenwick tree of word counts finds and removes it in O(log n) instead of O(n),
// and stays small enough (under 0.2 bytes a stratum) to live in cache.
#include <cstdint>

#include "stoka/sampling.hpp"

namespace {
constexpr unsigned kWordBits = 64;

unsigned PopCount(std::uint64_t w) { return static_cast<unsigned>(__builtin_popcountll(w)); }

// Bit position of the r-th set bit of w (r below the number of set bits).
unsigned SelectBit(std::uint64_t w, unsigned r) {
  unsigned position = 0;
  for (unsigned width = 32; width >= 8; width /= 2) {
    const std::uint64_t low = w & ((std::uint64_t{1} << width) - 1);
    const unsigned c = PopCount(low);
    if (r >= c) {
      r -= c;
      w >>= width;
      position += width;
    }
  }
  while (r--) w &= w - 1;  // drop the lowest set bits below the one wanted
  return position + static_cast<unsigned>(__builtin_ctzll(w));
}
}  // namespace

void FreeStrata::Reset(unsigned n) {
  const std::size_t words = (static_cast<std::size_t>(n) + kWordBits - 1) / kWordBits;
  words_.assign(words, ~std::uint64_t{0});
  if (n % kWordBits != 0) words_.back() = (std::uint64_t{1} << (n % kWordBits)) - 1;
  // Linear Fenwick build: each node passes its sum on to its parent.
  tree_.assign(words + 1, 0);
  for (std::size_t i = 1; i <= words; ++i) {
    tree_[i] += PopCount(words_[i - 1]);
    const std::size_t parent = i + (i & (~i + 1));
    if (parent <= words) tree_[parent] += tree_[i];
  }
  top_ = 1;
  while (static_cast<std::size_t>(top_) * 2 <= words) top_ *= 2;
  size_ = n;
}

unsigned FreeStrata::Take(unsigned k) {
  // Descend the tree: the largest word count prefix not above k.
  const std::size_t words = words_.size();
  std::size_t node = 0;
  for (std::size_t step = top_; step > 0; step /= 2) {
    if (node + step <= words && tree_[node + step] <= k) {
      node += step;
      k -= tree_[node];
    }
  }
  // Word `node` (0-based) holds the stratum as its k-th set bit.
  const unsigned bit = SelectBit(words_[node], k);
  words_[node] &= ~(std::uint64_t{1} << bit);
  for (std::size_t i = node + 1; i <= words; i += i & (~i + 1)) --tree_[i];
  --size_;
  return static_cast<unsigned>(node * kWordBits + bit);
}

void FreeStrata::Restore(unsigned stratum) {
  const std::size_t word = stratum / kWordBits;
  words_[word] |= std::uint64_t{1} << (stratum % kWordBits);
  for (std::size_t i = word + 1; i <= words_.size(); i += i & (~i + 1)) ++tree_[i];
  ++size_;
}
