// Decodes a fuzzer's bytes into arguments of the flat interface: doubles from a
// table of hostile values or raw bits, small counts, buffers for outputs.
#ifndef STOKA_TESTS_FUZZ_INPUT_HPP
#define STOKA_TESTS_FUZZ_INPUT_HPP

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "stoka/stoka.h"

namespace fuzz {

class Input {
 public:
  Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  bool empty() const { return pos_ >= size_; }
  uint8_t Byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint64_t Bits(int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i) v = (v << 8) | Byte();
    return v;
  }
  // Hostile and ordinary values: NaN, infinities, denormals, huge, equal, codes.
  double Real() {
    static const double kTable[] = {
        std::numeric_limits<double>::quiet_NaN(),
        std::numeric_limits<double>::infinity(),
        -std::numeric_limits<double>::infinity(),
        0.0, -0.0, 5e-324, -5e-324, 2.2250738585072014e-308, 1e308, -1e308,
        1.7976931348623157e308, 1e-6, 1e-4, 0.5, 1.0, 2.0, 3.0, 10.0, 25.0, 50.0,
        75.0, 90.0, 99.0, 100.0, -2.0, -3.0, 0.3, 0.30011, 1e5, 0.999, 0.001, 2.385,
        -1.0, 7.25, 1e-300, 32767.0, 32768.0};
    constexpr size_t kCount = sizeof kTable / sizeof kTable[0];
    const uint8_t selector = Byte();
    if (selector < 160) return kTable[selector % kCount];
    if (selector < 224) return (static_cast<double>(Byte()) - 100.0) / (1 + Byte() % 16);
    const uint64_t bits = Bits(8);
    double v;
    std::memcpy(&v, &bits, sizeof v);
    return v;
  }
  // Counts stay within the buffers that pointer arguments receive.
  int SmallInt() { return static_cast<int>(Byte() % 44) - 3; }
  unsigned SmallUnsigned() { return Byte() % 41; }
  size_t Pick(size_t n) { return n == 0 ? 0 : Byte() % n; }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

constexpr int kBuffer = 64;

// Arrays for pointer arguments: inputs filled from the fuzzer, room for outputs.
struct Arena {
  std::vector<std::vector<double>> doubles;
  std::vector<std::vector<unsigned>> unsigneds;
  std::vector<std::vector<int>> ints;
  explicit Arena(Input& in) {
    for (int i = 0; i < 20; ++i) {
      std::vector<double> d(kBuffer);
      std::vector<unsigned> u(kBuffer);
      std::vector<int> n(kBuffer);
      const bool hostile = in.Byte() % 4 == 0;
      for (int k = 0; k < kBuffer; ++k) {
        d[k] = hostile ? in.Real() : 1.0 + 0.37 * ((k * 7 + i) % 29);
        u[k] = 1 + (k + i) % 5;
        n[k] = k % 3;
      }
      doubles.push_back(std::move(d));
      unsigneds.push_back(std::move(u));
      ints.push_back(std::move(n));
    }
  }
};

// The uniform source handed to random functions: values from the fuzzer.
inline Input* uniform_input = nullptr;
inline double FuzzUniform() { return uniform_input ? uniform_input->Real() : 0.5; }

template <class T>
struct Arg;
template <>
struct Arg<double> {
  static double Get(Input& in, Arena&, int) { return in.Real(); }
};
template <>
struct Arg<int> {
  static int Get(Input& in, Arena&, int) { return in.SmallInt(); }
};
template <>
struct Arg<bool> {
  static bool Get(Input& in, Arena&, int) { return in.Byte() % 2; }
};
template <>
struct Arg<unsigned> {
  static unsigned Get(Input& in, Arena&, int) { return in.SmallUnsigned(); }
};
template <>
struct Arg<double*> {
  static double* Get(Input&, Arena& a, int i) { return a.doubles[i].data(); }
};
template <>
struct Arg<const double*> {
  static const double* Get(Input&, Arena& a, int i) { return a.doubles[i].data(); }
};
template <>
struct Arg<unsigned*> {
  static unsigned* Get(Input&, Arena& a, int i) { return a.unsigneds[i].data(); }
};
template <>
struct Arg<const unsigned*> {
  static const unsigned* Get(Input&, Arena& a, int i) { return a.unsigneds[i].data(); }
};
template <>
struct Arg<int*> {
  static int* Get(Input&, Arena& a, int i) { return a.ints[i].data(); }
};
template <>
struct Arg<stoka_uniform_fn> {
  static stoka_uniform_fn Get(Input&, Arena&, int) { return FuzzUniform; }
};

// Calls f with arguments decoded in order from the input.
template <class R, class... A, size_t... I>
void CallWith(Input& in, R (*f)(A...), std::index_sequence<I...>) {
  Arena arena(in);
  std::tuple<std::decay_t<A>...> args{Arg<std::decay_t<A>>::Get(in, arena, int(I))...};
  std::apply(f, args);
}

template <class R, class... A>
void Call(Input& in, R (*f)(A...)) {
  CallWith(in, f, std::index_sequence_for<A...>{});
}

}  // namespace fuzz

#endif
