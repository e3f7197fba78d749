// The free strata of a Latin hypercube cycle. The k-th free stratum in
// ascending order is what a plain index list gives at position k; a bitmap under
// a binary tree of free counts finds and removes it in O(log n) instead of O(n),
// and stays small enough (about 0.15 bytes a stratum) to live in cache.
#include <cstdint>
#include <limits>

#include "sampling/free_strata.hpp"

namespace {
constexpr unsigned kWordBits = 64;
// Leaves of the tree: a block of words (one cache line) scanned in place, so
// that the tree itself stays in the first-level cache.
constexpr std::size_t kBlockWords = 8;
constexpr std::uint64_t kOnes8 = 0x0101010101010101ull;
constexpr std::uint64_t kHigh8 = 0x8080808080808080ull;

// Set bits per byte of w (broadword: no popcount instruction assumed).
std::uint64_t ByteCounts(std::uint64_t w) noexcept {
  w = w - ((w >> 1) & 0x5555555555555555ull);
  w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
  return (w + (w >> 4)) & 0x0f0f0f0f0f0f0f0full;
}

unsigned PopCount(std::uint64_t w) noexcept {
  return static_cast<unsigned>((ByteCounts(w) * kOnes8) >> 56);
}

// Position of the r-th set bit within each byte value, r = 0..7.
struct ByteSelect {
  std::uint8_t position[256][8] = {};
  constexpr ByteSelect() {
    for (unsigned byte = 0; byte < 256; ++byte) {
      unsigned r = 0;
      for (unsigned bit = 0; bit < 8; ++bit)
        if (byte & (1u << bit)) position[byte][r++] = static_cast<std::uint8_t>(bit);
    }
  }
};
constexpr ByteSelect kByteSelect;

// Bit position of the r-th set bit of w (r below the number of set bits):
// byte prefix sums locate the byte and a table the bit, without branches.
unsigned SelectBit(std::uint64_t w, unsigned r) noexcept {
  const std::uint64_t sums = ByteCounts(w) * kOnes8;  // byte i: set bits in bytes 0..i
  // High bit of byte i set where sums_i <= r; their number is the byte wanted.
  const std::uint64_t below = ((r * kOnes8) | kHigh8) - sums;
  const unsigned byte = static_cast<unsigned>((((below & kHigh8) >> 7) * kOnes8) >> 56);
  const unsigned shift = byte * 8;
  const unsigned rest = r - static_cast<unsigned>(((sums << 8) >> shift) & 0xff);
  return shift + kByteSelect.position[(w >> shift) & 0xff][rest];
}
}  // namespace

void FreeStrata::Reset(unsigned n) {
  const std::size_t words = (static_cast<std::size_t>(n) + kWordBits - 1) / kWordBits;
  std::size_t leaves = 1;
  while (leaves * kBlockWords < words) leaves *= 2;
  // Whole blocks; the words past the last stratum stay empty.
  words_.assign(leaves * kBlockWords, 0);
  for (std::size_t i = 0; i < words; ++i) words_[i] = ~std::uint64_t{0};
  if (n % kWordBits != 0) words_[words - 1] = (std::uint64_t{1} << (n % kWordBits)) - 1;
  // A complete binary tree of free counts, root at 1, leaf b at leaves + b.
  tree_.assign(2 * leaves, 0);
  for (std::size_t b = 0; b < leaves; ++b)
    for (std::size_t j = 0; j < kBlockWords; ++j)
      tree_[leaves + b] += PopCount(words_[b * kBlockWords + j]);
  for (std::size_t i = leaves - 1; i >= 1; --i) tree_[i] = tree_[2 * i] + tree_[2 * i + 1];
  leaves_ = static_cast<unsigned>(leaves);
  size_ = n;
}

unsigned FreeStrata::Take(unsigned k) noexcept {
  // Down from the root, one fewer free below each node passed: a single pass
  // of fixed length, each step a mask rather than a mispredicted branch.
  std::size_t node = 1;
  while (node < leaves_) {
    --tree_[node];
    const unsigned left = tree_[2 * node];
    const std::size_t right = 0 - static_cast<std::size_t>(left <= k);
    k -= left & static_cast<unsigned>(right);
    node = 2 * node + (right & 1);
  }
  --tree_[node];
  // The leaf's block holds the stratum as its k-th set bit.
  std::size_t word = (node - leaves_) * kBlockWords;
  for (unsigned c; k >= (c = PopCount(words_[word])); ++word) k -= c;
  const unsigned bit = SelectBit(words_[word], k);
  words_[word] &= ~(std::uint64_t{1} << bit);
  --size_;
  return static_cast<unsigned>(word * kWordBits + bit);
}

void FreeStrata::Restore(unsigned stratum) noexcept {
  const std::size_t word = stratum / kWordBits;
  words_[word] |= std::uint64_t{1} << (stratum % kWordBits);
  for (std::size_t node = leaves_ + word / kBlockWords; node >= 1; node /= 2) ++tree_[node];
  ++size_;
}
