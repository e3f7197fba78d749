// The process-wide GSL stream and the runtime generator as the library's own
// draws reach them.
#ifndef STOKA_SRC_CORE_STREAM_HPP
#define STOKA_SRC_CORE_STREAM_HPP

#include <gsl/gsl_rng.h>

#include <cstdint>

// The stream, created on first use when the host has not called stoka_init.
gsl_rng* stoka_rng();

// One raw draw of the runtime generator, 0..kKessaMax: KessaRandom() is this
// draw over kKessaMax (as a double). Its 32768 outcomes let a caller keep what
// it computes from KessaRandom in a table by outcome.
constexpr int kKessaMax = 32767;
int KessaRandom15();

namespace stoka {

// KessaRandomInt(n) from a source of raw draws (Next15(), 0..kKessaMax).
template <class Source>
int RandomInt(Source& source, int n) {
  if (n <= 0) return 0;
  if (n <= kKessaMax + 1) return source.Next15() % n;
  // 45 random bits: every position is reachable, the bias of the remainder is
  // below n / 2^45.
  const std::uint64_t high = static_cast<std::uint64_t>(source.Next15());
  const std::uint64_t mid = static_cast<std::uint64_t>(source.Next15());
  const std::uint64_t low = static_cast<std::uint64_t>(source.Next15());
  return static_cast<int>(((high << 30) | (mid << 15) | low) % static_cast<std::uint64_t>(n));
}

// The runtime generator draw by draw, through rand().
struct RuntimeCalls {
  int Next15() const { return KessaRandom15(); }
};

// The runtime generator for the length of a run of draws that nothing else
// interleaves with: the very numbers rand() would give, in the same order,
// leaving rand() where those calls would have left it, without a call (and
// glibc's lock) per draw. With glibc, the run steps glibc's own additive
// feedback state (or its linear congruential one) in place: the state is set
// aside for the run (setstate to a spare buffer, which also records where the
// generator stands) and handed back at the end (setstate on the same buffer
// with the new position). Used only after a check, once per process, that
// this stepping gives what rand() gives; otherwise, and elsewhere than glibc,
// every draw calls rand(). While a run lasts, rand() of another thread draws
// from the spare buffer: the host keeps its own rand() calls off other
// threads during a run, as it keeps them during any draw of the library.
class RuntimeRun {
 public:
  RuntimeRun();
  // A run over a copy of glibc's state words (word -1 first), of the type and
  // rear position given, that leaves glibc alone: the check of the stepping.
  RuntimeRun(char* buffer, int type, int rear);
  ~RuntimeRun();
  RuntimeRun(const RuntimeRun&) = delete;
  RuntimeRun& operator=(const RuntimeRun&) = delete;

  // True when the run steps glibc's state itself (false: rand() per draw).
  bool Stepped() const { return state_ != nullptr && buffer_ != nullptr; }
  // Where a stepped run stands, to go back to.
  struct Mark {
    std::int32_t words[64];
    int front, rear;
  };
  void Save(Mark* mark) const {
    for (int i = 0; i < (degree_ == 0 ? 1 : degree_); ++i) mark->words[i] = state_[i];
    mark->front = front_;
    mark->rear = rear_;
  }
  void Restore(const Mark& mark) {
    for (int i = 0; i < (degree_ == 0 ? 1 : degree_); ++i) state_[i] = mark.words[i];
    front_ = mark.front;
    rear_ = mark.rear;
  }

  int Next15() {
    if (state_ == nullptr) return KessaRandom15();
    if (degree_ == 0) {  // TYPE_0: glibc's linear congruential generator
      state_[0] = static_cast<std::int32_t>((static_cast<std::uint32_t>(state_[0]) * 1103515245u + 12345u) &
                                            0x7fffffffu);
      return state_[0] >> 16;
    }
    // The positions move on before the state word is written, so that the
    // compiler need not read them back after a store that might reach them.
    const int front = front_, rear = rear_;
    front_ = front + 1 == degree_ ? 0 : front + 1;
    rear_ = rear + 1 == degree_ ? 0 : rear + 1;
    const std::uint32_t v =
        static_cast<std::uint32_t>(state_[front]) + static_cast<std::uint32_t>(state_[rear]);
    state_[front] = static_cast<std::int32_t>(v);
    return static_cast<int>(v >> 17);  // (v >> 1) is rand(); its high 15 bits
  }

  // The next count draws into out, as count calls of Next15 give them. An
  // additive feedback state laid out from the front is a line whose word
  // k + degree is word k plus word k + degree - separation: stepped along the
  // line, no position wraps and no store can reach the positions.
  void Fill15(int* out, int count) {
    if (state_ == nullptr || degree_ == 0) {
      for (int i = 0; i < count; ++i) out[i] = Next15();
      return;
    }
    constexpr int kLine = 1024;
    std::uint32_t line[64 + kLine];
    const int lag = (front_ - rear_ + degree_) % degree_;
    for (int i = 0; i < degree_; ++i) line[i] = static_cast<std::uint32_t>(state_[(front_ + i) % degree_]);
    for (int done = 0; done < count;) {
      const int m = count - done < kLine ? count - done : kLine;
      int k = 0;
      if (lag == 3) {  // glibc's default type and type 1: three chains kept in registers
        std::uint32_t a = line[degree_ - 3], b = line[degree_ - 2], c = line[degree_ - 1];
        for (; k + 3 <= m; k += 3) {
          a += line[k];
          b += line[k + 1];
          c += line[k + 2];
          line[k + degree_] = a;
          line[k + degree_ + 1] = b;
          line[k + degree_ + 2] = c;
          out[done + k] = static_cast<int>(a >> 17);
          out[done + k + 1] = static_cast<int>(b >> 17);
          out[done + k + 2] = static_cast<int>(c >> 17);
        }
      }
      for (; k < m; ++k) {
        const std::uint32_t v = line[k] + line[k + degree_ - lag];
        line[k + degree_] = v;
        out[done + k] = static_cast<int>(v >> 17);
      }
      for (int i = 0; i < degree_; ++i) line[i] = line[m + i];
      done += m;
      front_ = (front_ + m) % degree_;
      rear_ = (rear_ + m) % degree_;
    }
    for (int i = 0; i < degree_; ++i) state_[(front_ + i) % degree_] = static_cast<std::int32_t>(line[i]);
  }

 private:
  char* buffer_ = nullptr;        // glibc's state as setstate takes it (word -1 first)
  std::int32_t* state_ = nullptr;  // its words; null: every draw calls rand()
  int type_ = 0, degree_ = 0, front_ = 0, rear_ = 0;
};

}  // namespace stoka

#endif
