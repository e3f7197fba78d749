// The free strata of a Latin hypercube cycle. The k-th free stratum in
// ascending order is what a plain index list gives at position k; a bitmap
// under a tree of running free counts finds and removes it in a few steps
// instead of O(n), and stays small enough (about 0.15 bytes a stratum) to live
// in cache.
#include <cstdint>
#include <limits>

#include "sampling/free_strata.hpp"
#include "sampling/free_strata_take.hpp"

#if defined(STOKA_STRATA_FAST)
// free_strata_fast.cpp: the same Take with hardware population count, bit
// deposit and AVX2, used on processors that have them (and deposit bits at
// full speed: not the first two Zen generations, which microcode it).
unsigned FreeStrataTakeFast(const FreeStrata::Layout& s, unsigned k) noexcept;
void FreeStrataTakeManyFast(const FreeStrata::Layout& s, int n, unsigned* k) noexcept;

namespace {
bool FastInstructions() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("popcnt") && __builtin_cpu_supports("bmi2") &&
         __builtin_cpu_supports("avx2") &&
         !__builtin_cpu_is("znver1") && !__builtin_cpu_is("znver2");
}
const bool kFast = FastInstructions();
}  // namespace
#endif

using strata::kBlockWords;
using strata::kFanOut;
using strata::kWordBits;

void FreeStrata::Reset(unsigned n) {
  const std::size_t words = (static_cast<std::size_t>(n) + kWordBits - 1) / kWordBits;
  const std::size_t blocks = words == 0 ? 1 : (words + kBlockWords - 1) / kBlockWords;
  unsigned depth = 1;
  std::size_t reach = kFanOut;  // blocks under the levels so far
  while (reach < blocks) {
    reach *= kFanOut;
    ++depth;
  }
  // Whole blocks; the words past the last stratum stay empty.
  words_.assign(blocks * kBlockWords, 0);
  for (std::size_t i = 0; i < words; ++i) words_[i] = ~std::uint64_t{0};
  if (n % kWordBits != 0) words_[words - 1] = (std::uint64_t{1} << (n % kWordBits)) - 1;
  // Levels of complete nodes, the lowest first filled from the blocks' counts.
  const std::size_t nodes = (reach - 1) / (kFanOut - 1);  // 1 + 64 + ... + reach / 64
  nodes_.assign(nodes * kFanOut, 0);
  const std::size_t lowest = nodes - reach / kFanOut;  // the lowest level's first node
  std::size_t first = lowest;
  for (std::size_t b = 0; b < blocks; ++b)
    for (std::size_t j = 0; j < kBlockWords; ++j)
      nodes_[first * kFanOut + b] += static_cast<std::int32_t>(strata::PopCount(words_[b * kBlockWords + j]));
  // A child's count is its node's last total; every node sums as it goes.
  for (std::size_t width = reach / kFanOut;; width /= kFanOut) {
    std::int32_t* level = &nodes_[first * kFanOut];
    for (std::size_t i = 1; i < width * kFanOut; ++i)
      if (i % kFanOut != 0) level[i] += level[i - 1];
    if (width == 1) break;
    const std::size_t parent = first - width / kFanOut;
    for (std::size_t i = 0; i < width; ++i)
      nodes_[parent * kFanOut + i] = level[i * kFanOut + kFanOut - 1];
    first = parent;
  }
  // The lowest level in 16 bits, less 32768: its totals reach 64 blocks of 512
  // strata at the most.
  low_.resize((nodes - lowest) * kFanOut);
  for (std::size_t i = 0; i < low_.size(); ++i)
    low_[i] = static_cast<std::int16_t>(nodes_[lowest * kFanOut + i] - strata::kLowBias);
  nodes_.resize(lowest * kFanOut);
  depth_ = depth;
  // The root's children that hold strata, in whole groups of 8: past them the
  // root's totals are never read (each is above every position), so Take
  // leaves them as they are.
  root_span_ = static_cast<unsigned>(((blocks - 1) / (reach / kFanOut) / 8 + 1) * 8);
  size_ = n;
}

unsigned FreeStrata::Take(unsigned k) noexcept {
  const Layout layout{words_.data(), nodes_.data(), low_.data(), depth_, root_span_};
  --size_;
#if defined(STOKA_STRATA_FAST)
  if (kFast) return FreeStrataTakeFast(layout, k);
#endif
  return strata::Take(layout, k);
}

void FreeStrata::Take(int n, unsigned* k) noexcept {
  const Layout layout{words_.data(), nodes_.data(), low_.data(), depth_, root_span_};
  size_ -= static_cast<unsigned>(n);
#if defined(STOKA_STRATA_FAST)
  if (kFast) return FreeStrataTakeManyFast(layout, n, k);
#endif
  for (int i = 0; i < n; ++i) k[i] = strata::Take(layout, k[i]);
}

unsigned FreeStrata::TakePortable(unsigned k) noexcept {
  --size_;
  return strata::Take(Layout{words_.data(), nodes_.data(), low_.data(), depth_, root_span_}, k);
}

void FreeStrata::Restore(unsigned stratum) noexcept {
  const std::size_t word = stratum / kWordBits;
  words_[word] |= std::uint64_t{1} << (stratum % kWordBits);
  // Up from the block: in each parent, the totals from the child on gain one.
  std::size_t node = word / kBlockWords;
  std::int16_t* low = &low_[node / kFanOut * kFanOut];
  for (std::size_t i = node % kFanOut; i < kFanOut; ++i) ++low[i];
  node /= kFanOut;
  std::size_t first = nodes_.size() / kFanOut, width = 1;  // the levels above, from the lowest
  for (unsigned level = 2; level < depth_; ++level) width *= kFanOut;
  for (unsigned level = 1; level < depth_; ++level, width /= kFanOut) {
    first -= width;
    std::int32_t* totals = &nodes_[(first + node / kFanOut) * kFanOut];
    for (std::size_t i = node % kFanOut; i < kFanOut; ++i) ++totals[i];
    node /= kFanOut;
  }
  ++size_;
}
