// FreeStrata::Take, compiled once for the baseline instruction set and once
// more with the population count, bit deposit and 256-bit integer vector
// instructions (free_strata_fast.cpp), chosen at run time. Everything here has internal
// linkage, so each compilation keeps its own copy.
#ifndef STOKA_SRC_SAMPLING_FREE_STRATA_TAKE_HPP
#define STOKA_SRC_SAMPLING_FREE_STRATA_TAKE_HPP

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#if defined(__BMI2__) || defined(__AVX2__)
#include <immintrin.h>
#endif

#include "sampling/free_strata.hpp"

namespace {
namespace strata {

constexpr unsigned kWordBits = 64;
// A block of words (one cache line) is scanned in place under the tree's
// lowest level.
constexpr unsigned kBlockWords = 8;
constexpr unsigned kFanOut = 64;
// The lowest level's totals are kept less this, in 16 bits.
constexpr std::int32_t kLowBias = 32768;
constexpr std::uint64_t kOnes8 = 0x0101010101010101ull;
constexpr std::uint64_t kHigh8 = 0x8080808080808080ull;

// Set bits per byte of w (broadword).
inline std::uint64_t ByteCounts(std::uint64_t w) noexcept {
  w = w - ((w >> 1) & 0x5555555555555555ull);
  w = (w & 0x3333333333333333ull) + ((w >> 2) & 0x3333333333333333ull);
  return (w + (w >> 4)) & 0x0f0f0f0f0f0f0f0full;
}

inline unsigned PopCount(std::uint64_t w) noexcept {
#if defined(__POPCNT__)
  return static_cast<unsigned>(__builtin_popcountll(w));
#else
  return static_cast<unsigned>((ByteCounts(w) * kOnes8) >> 56);
#endif
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

// Bit position of the r-th set bit of w (r below the number of set bits).
inline unsigned SelectBit(std::uint64_t w, unsigned r) noexcept {
#if defined(__BMI2__)
  return static_cast<unsigned>(__builtin_ctzll(_pdep_u64(std::uint64_t{1} << r, w)));
#else
  static constexpr ByteSelect kByteSelect;
  // Byte prefix sums locate the byte and a table the bit, without branches.
  const std::uint64_t sums = ByteCounts(w) * kOnes8;  // byte i: set bits in bytes 0..i
  // High bit of byte i set where sums_i <= r; their number is the byte wanted.
  const std::uint64_t below = ((r * kOnes8) | kHigh8) - sums;
  const unsigned byte = static_cast<unsigned>((((below & kHigh8) >> 7) * kOnes8) >> 56);
  const unsigned shift = byte * 8;
  const unsigned rest = r - static_cast<unsigned>(((sums << 8) >> shift) & 0xff);
  return shift + kByteSelect.position[(w >> shift) & 0xff][rest];
#endif
}

// A node's totals, 32 or 16 bits wide, in vectors of the widest registers the
// build targets (compared and added lane by lane); Bits gives one bit a total
// of a comparison's all-ones lanes.
#if defined(__AVX2__) && defined(__BMI2__)
#define STOKA_STRATA_VECTOR_BYTES 32
#elif defined(__SSE2__)
#define STOKA_STRATA_VECTOR_BYTES 16
#endif
#if defined(STOKA_STRATA_VECTOR_BYTES)
template <class Total>
struct Lanes {
  typedef Total Vector __attribute__((vector_size(STOKA_STRATA_VECTOR_BYTES)));
  static constexpr unsigned kCount = STOKA_STRATA_VECTOR_BYTES / sizeof(Total);
};
inline std::uint64_t Bits(Lanes<std::int32_t>::Vector gt) {
#if STOKA_STRATA_VECTOR_BYTES == 32
  return static_cast<unsigned>(_mm256_movemask_ps((__m256)gt));
#else
  return static_cast<unsigned>(_mm_movemask_ps((__m128)gt));
#endif
}
inline std::uint64_t Bits(Lanes<std::int16_t>::Vector gt) {
#if STOKA_STRATA_VECTOR_BYTES == 32
  return _pext_u32(static_cast<std::uint32_t>(_mm256_movemask_epi8((__m256i)gt)), 0x55555555u);
#else
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16((__m128i)gt, (__m128i)gt)) & 0xff);
#endif
}
#endif

// In a node of running totals (kept less `bias`), the child that holds the
// k-th free stratum (the first total above k); every total from it on loses
// the one taken. Only the first `span` children (a multiple of 8) are looked
// at: the rest hold no stratum.
template <class Total>
inline unsigned Descend(Total* totals, unsigned* k, unsigned span, std::int32_t bias) noexcept {
  const auto key = static_cast<Total>(static_cast<std::int32_t>(*k) - bias);
  std::uint64_t above = 0;  // bit i: totals[i] > k, a run up to the last bit
#if defined(STOKA_STRATA_VECTOR_BYTES)
  using Vector = typename Lanes<Total>::Vector;
  constexpr unsigned kCount = Lanes<Total>::kCount;
  const Vector keys = Vector{} + key;
#pragma GCC unroll 16
  for (unsigned q = 0; q < span / kCount; ++q) {
    Vector v;
    std::memcpy(&v, totals + q * kCount, sizeof v);
    const Vector gt = v > keys;
    above |= Bits(gt) << (kCount * q);
    v += gt;  // gt is -1 where the total drops
    std::memcpy(totals + q * kCount, &v, sizeof v);
  }
#else
  for (unsigned i = 0; i < span; ++i) {
    above |= static_cast<std::uint64_t>(totals[i] > key) << i;
    totals[i] = static_cast<Total>(totals[i] - (totals[i] > key));
  }
#endif
  const unsigned child = static_cast<unsigned>(__builtin_ctzll(above));
  // The totals before the child are untouched.
  if (child > 0) *k -= static_cast<unsigned>(totals[child - 1] + bias);
  return child;
}

inline unsigned Take(const FreeStrata::Layout& s, unsigned k) noexcept {
  std::size_t node = 0, first = 0;  // node within its level; the level's first node
  for (unsigned level = 0; level + 1 < s.depth; ++level) {
    const unsigned span = level == 0 ? s.root_span : kFanOut;
    const unsigned child = Descend(s.nodes + (first + node) * kFanOut, &k, span, 0);
    node = node * kFanOut + child;
    first = first * kFanOut + 1;
  }
  node = node * kFanOut + Descend(s.low + node * kFanOut, &k, kFanOut, kLowBias);
  // The block holds the stratum as its k-th set bit: the word is the one where
  // the running count passes k, found without a branch on the data.
  const std::uint64_t* block = s.words + node * kBlockWords;
  unsigned total = 0, index = 0, before = 0;
#pragma GCC unroll 8
  for (unsigned i = 0; i < kBlockWords; ++i) {
    total += PopCount(block[i]);
    const bool passed = total <= k;
    index += passed;
    before = passed ? total : before;
  }
  k -= before;
  const std::size_t word = node * kBlockWords + index;
  const unsigned bit = SelectBit(s.words[word], k);
  s.words[word] &= ~(std::uint64_t{1} << bit);
  return static_cast<unsigned>(word * kWordBits + bit);
}

}  // namespace strata
}  // namespace

#endif
