// The one engine behind every percentile-fitting case. A family is a row of
// data (its record, its parameter block layout, its penalty and quantile, its
// check rules); a case is a row of data (which parameters the caller fixes, the
// start point and steps of the simplex, or a closed form). Entry points and
// callbacks are one-line bindings generated from the rows of stoka/flat/fit.h
// (fit/rows.hpp): a row's words give each argument its role, its fixed
// parameters name the case, and its kind says whether the entry checks, fits,
// or is a ConvertParams form.
#ifndef STOKA_SRC_FIT_ENGINE_HPP
#define STOKA_SRC_FIT_ENGINE_HPP

#include "fit/rows.hpp"
#include "stoka/fit.hpp"

namespace stoka::fit {

constexpr int kMaxFields = 4;  // parameters of an engine family's record

// ---------------------------------------------------------------------------
// Start points and steps: small expressions over the given values and the
// fixed parameters, kept as written (a postfix program) so that they are
// evaluated in the order, and with the roundings, that the rows show.
struct Op {
  enum Code : unsigned char { kConst, kValue, kFixed, kAdd, kSub, kMul, kDiv, kAbs };
  Code code = kConst;
  int index = 0;  // the value x_{index+1}, or the fixed parameter Field(index)
  double c = 0.0;
};
constexpr int kMaxOps = 8;

struct Expr {
  Op op[kMaxOps] = {};
  int ops = 0;
  constexpr Expr() = default;
  constexpr Expr(double constant) : ops(1) { op[0].c = constant; }  // NOLINT: constants read as numbers
  constexpr Expr(Op::Code code, int index) : ops(1) { op[0].code = code, op[0].index = index; }
};

// The i-th given value (0-based) and a fixed parameter.
constexpr Expr X(int i) { return Expr(Op::kValue, i); }
constexpr Expr Fix(Field f) { return Expr(Op::kFixed, f); }

// a, then b, then the operation.
constexpr Expr Apply(Expr a, const Expr& b, Op::Code code) {
  if (a.ops + b.ops + 1 > kMaxOps) throw "too long an expression";
  for (int i = 0; i < b.ops; ++i) a.op[a.ops++] = b.op[i];
  a.op[a.ops++].code = code;
  return a;
}
constexpr Expr operator+(const Expr& a, const Expr& b) { return Apply(a, b, Op::kAdd); }
constexpr Expr operator-(const Expr& a, const Expr& b) { return Apply(a, b, Op::kSub); }
constexpr Expr operator*(const Expr& a, const Expr& b) { return Apply(a, b, Op::kMul); }
constexpr Expr operator/(const Expr& a, const Expr& b) { return Apply(a, b, Op::kDiv); }
constexpr Expr Abs(Expr e) { return Apply(e, Expr(), Op::kAbs); }

// ---------------------------------------------------------------------------
// One call of an entry point, its arguments sorted by role.
struct Call {
  int max_iter = 0;
  double tolerance = 0.0;
  unsigned fixed = 0;  // Bit(field) for each fixed parameter given
  double given[kFieldCount] = {};
  int points = 0;
  double x[kMaxPoints] = {};
  double p[kMaxPoints] = {};  // as given (exceedance percents)
  double* out[kFieldCount] = {};
};

// A fitting case: the fixed parameters name it; either a closed form or a
// simplex fit over the other parameters, in record order.
struct Case {
  unsigned fixed = 0;
  int (*closed)(const Call&) = nullptr;  // writes through call.out itself
  Expr start[kMaxFields] = {};
  Expr step[kMaxFields] = {};  // a single step stands for all elements
  int steps = 0;
  // Where a second phase restarts a failed run, when the start above can lie
  // outside the family (none: from the start).
  Expr restart[kMaxFields] = {};
  int restarts = 0;
  const char* trace = "";  // printf format: iteration, trial elements, f(), size
  FitInitializer initializer = nullptr;
  FitObjective objective = nullptr;
  FitResultWriter writer = nullptr;
  FitTrace tracer = nullptr;
};

struct Family {
  int block_size;  // doubles in the parameter block
  int value_pos, percent_pos;
  int fields;
  Field field[kMaxFields];  // record order
  int fixed_pos[kFieldCount];  // block position by Field; -1: none (Valid keeps rows to the record)
  bool positive;              // every value and fixed parameter must be > 0
  bool values_within_bounds;  // a fixed min (max) must lie below (above) every value
  // penalty of the full parameter set v, in record order, and its quantiles
  // at the n probabilities q (one trial point: shape terms worked out once)
  double (*penalty)(const double* v);
  void (*quantiles)(const double* v, const double* q, int n, double* out);
  void (*store)(void* record, const double* v);
  // Runs the family's frame wrapper with the case's callbacks; v receives the record.
  int (*run)(int max_iter, double tolerance, double* block, const Case& c, double* v);
  const Case* const* cases;
  int case_count;
};

// The largest parameter block of a family (the Beta fitters' 12 doubles).
constexpr int kBlockCapacity = 12;

// A family's block holds the given values, their probabilities and the fixed
// fields of its record at distinct positions, all within the block.
constexpr bool BlockFits(const Family& family) {
  if (family.block_size < 1 || family.block_size > kBlockCapacity) return false;
  bool used[kBlockCapacity] = {};
  int positions[3 * kMaxFields] = {};
  int count = 0;
  for (int i = 0; i < family.fields; ++i) {
    positions[count++] = family.value_pos + i;
    positions[count++] = family.percent_pos + i;
    positions[count++] = family.fixed_pos[family.field[i]];
  }
  for (int i = 0; i < count; ++i) {
    const int p = positions[i];
    if (p < 0 || p >= family.block_size || used[p]) return false;
    used[p] = true;
  }
  return true;
}

constexpr const Case* FindCase(const Family& family, unsigned fixed) {
  for (int i = 0; i < family.case_count; ++i)
    if (family.cases[i]->fixed == fixed) return family.cases[i];
  return nullptr;
}

// A row fits its family: it fixes only fields of the record, its outputs are
// the whole record (or none for a check), a fit or form has a case, and the
// case gives one point per fitted parameter.
constexpr bool Valid(const Family& family, const Row& r) {
  unsigned record = 0;
  for (int i = 0; i < family.fields; ++i) record |= Bit(family.field[i]);
  if ((r.fixed | record) != record) return false;
  if (r.kind == Kind::kCheck) return r.outputs == 0;
  if (r.outputs != record) return false;
  const Case* c = FindCase(family, r.fixed);
  if (!c) return false;
  if (c->closed) return true;
  return r.points == family.fields - FieldCount(r.fixed) && c->steps >= 1;
}

// The Beta quantile of a trial point. GSL's inverse never returns for shapes
// that are not numbers, and a trial point built from an infinite value can
// carry such shapes past the penalty: those get NaN, which the simplex treats
// as a bad point.
double BetaQuantile(double q, double alpha, double beta, double min, double max);
// BetaQuantile at the n probabilities q for a search, ln B and the other
// shape terms worked out once for them all: the same numbers, bit for bit,
// but NaN where GSL's inverse stalls in a specified run (BetaQuantile, and
// the second phase, bisect there).
void BetaQuantiles(double alpha, double beta, double min, double max, const double* q, int n,
                   double* out);

// The quantiles of a law with no terms to share, one call each.
template <double (*Quantile)(double q, const double* v)>
void EachQuantile(const double* v, const double* q, int n, double* out) {
  for (int i = 0; i < n; ++i) out[i] = Quantile(q[i], v);
}

// ---------------------------------------------------------------------------
// The engine (frame.cpp).
int Check(const Family& family, const Call& call);
int Dispatch(const Family& family, Kind kind, const char* name, Call& call);
void Initialize(const Family& family, const Case& c, double* block, gsl_vector** x,
                gsl_vector** step, gsl_multimin_fminimizer** s, gsl_multimin_function_struct* f);
double Objective(const Family& family, const Case& c, const gsl_vector* x, void* block);
int WriteResult(const Family& family, const Case& c, gsl_multimin_fminimizer* s, double* block,
                void* out);
void Trace(const Family& family, const Case& c, gsl_multimin_fminimizer* s, int iter, double size);
int WriteFailure(const Family& family, void* out);

inline void Take(Call& c, Arg a, int v) {
  if (a.what == Arg::kIter) c.max_iter = v;
}
inline void Take(Call& c, Arg a, double v) {
  switch (a.what) {
    case Arg::kTolerance: c.tolerance = v; break;
    case Arg::kValue: c.x[a.index] = v; break;
    case Arg::kPercent: c.p[a.index] = v; break;
    case Arg::kFixed: c.given[a.index] = v; break;
    default: break;
  }
}
inline void Take(Call& c, Arg a, double* v) {
  if (a.what == Arg::kOutput) c.out[a.index] = v;
}

template <class... A>
int Enter(const Family& family, const Row& row, const char* name, A... args) {
  Call call;
  call.fixed = row.fixed;
  call.points = row.points;
  int i = 0;
  (Take(call, row.arg[i++], args), ...);
  return Dispatch(family, row.kind, name, call);
}

// A record type as its fields in order.
template <class R, double R::*... M>
struct RecordOf {
  static void Store(void* out, const double* v) {
    R& r = *static_cast<R*>(out);
    int i = 0;
    ((r.*M = v[i++]), ...);
  }
  static void Load(const R& r, double* v) {
    int i = 0;
    ((v[i++] = r.*M), ...);
  }
};

// The family's frame wrapper, run with a case's callbacks on a record of its type.
template <class R, class Record,
          int (*Wrapper)(int, double, double*, FitInitializer, FitTrace, FitResultWriter,
                         FitFailureWriter, R*),
          FitFailureWriter Fail>
int RunFrame(int max_iter, double tolerance, double* block, const Case& c, double* v) {
  R record{};
  const int result = Wrapper(max_iter, tolerance, block, c.initializer, c.tracer, c.writer, Fail,
                             &record);
  Record::Load(record, v);
  return result;
}

}  // namespace stoka::fit

// A simplex case of the family kFamily of the including file: its row and its
// four named callbacks, bound to the row.
// A row may end with the restart point of a failed run.
#define STOKA_FIT_SIMPLEX_CASE(family, name, objective_case, fixed_, start_, step_, trace_, ...)   \
  constexpr ::stoka::fit::Case kCase_##name = [] {                                          \
    ::stoka::fit::Case c;                                                                   \
    c.fixed = fixed_;                                                                       \
    const ::stoka::fit::Expr restart[] = {::stoka::fit::Expr(), __VA_ARGS__};               \
    for (const ::stoka::fit::Expr& e : restart)                                             \
      if (e.ops) c.restart[c.restarts++] = e;                                               \
    const ::stoka::fit::Expr start[] = {STOKA_FIT_UNPAREN start_};                          \
    const ::stoka::fit::Expr step[] = {STOKA_FIT_UNPAREN step_};                            \
    for (unsigned i = 0; i < sizeof start / sizeof start[0]; ++i) c.start[i] = start[i];    \
    for (unsigned i = 0; i < sizeof step / sizeof step[0]; ++i) c.step[i] = step[i];        \
    c.steps = static_cast<int>(sizeof step / sizeof step[0]);                               \
    c.trace = trace_;                                                                       \
    c.initializer = &::initialization_##family##_##name;                                    \
    c.objective = &::family##_min_##objective_case;                                              \
    c.writer = &::initialization_result_##family##_##name;                                  \
    c.tracer = &::debug_log_func_##family##_##name;                                         \
    return c;                                                                               \
  }();

#define STOKA_FIT_CASE_ADDRESS(family, name, ...) &kCase_##name,

#define STOKA_FIT_BIND_CALLBACKS(family, name, objective, ...)                                \
  void initialization_##family##_##name(double* params, gsl_vector** x, gsl_vector** step,   \
                                        gsl_multimin_fminimizer** s,                         \
                                        gsl_multimin_function_struct* f) {                   \
    ::stoka::fit::Initialize(kFamily, kCase_##name, params, x, step, s, f);                 \
  }                                                                                          \
  double family##_min_##objective(const gsl_vector* x, void* params) {                       \
    return ::stoka::fit::Objective(kFamily, kCase_##name, x, params);                       \
  }                                                                                          \
  int initialization_result_##family##_##name(gsl_multimin_fminimizer* s, double* params,    \
                                              void* out) {                                   \
    return ::stoka::fit::WriteResult(kFamily, kCase_##name, s, params, out);                \
  }                                                                                          \
  void debug_log_func_##family##_##name(gsl_multimin_fminimizer* s, int iter, double size) { \
    ::stoka::fit::Trace(kFamily, kCase_##name, s, iter, size);                              \
  }

// An entry point of the rows, bound to the engine of the family kFamily of the
// including file; the TWIN entries among the rows are defined elsewhere.
#define STOKA_FIT_DEFINE_ENTRY(TWIN, family, kind, words, ret, name, params, args, fail)    \
  ret name##_ params {                                                                      \
    static constexpr ::stoka::fit::Row kRow = STOKA_FIT_ROW(family, kind, words);            \
    static_assert(::stoka::fit::Matches(&name##_, kRow), #name ": the row is not its arguments"); \
    static_assert(::stoka::fit::Valid(kFamily, kRow), #name ": no case for these arguments"); \
    return ::stoka::fit::Enter(kFamily, kRow, #name "_", STOKA_FIT_UNPAREN args);           \
  }

#endif
