// libstoka_model: the model runner of `stoka run` behind a C interface. Every
// function passes one guard, which turns each exception into a result code
// and its message.
#include "stoka_model.h"

#include <algorithm>
#include <cstdio>
#include <new>
#include <sstream>

#include "runner.hpp"

struct stoka_model {
  std::unique_ptr<cli::ModelRunner> runner;
  std::string description;
  std::string report;  // of the last stoka_model_run_report
};

namespace {

void Say(char* message, size_t size, const char* text) {
  if (message && size) std::snprintf(message, size, "%s", text);
}

template <class F>
int Guard(char* message, size_t size, F&& f) noexcept {
  try {
    return f();
  } catch (const cli::InputError& e) {
    Say(message, size, e.what());
    return STOKA_MODEL_REFUSED;
  } catch (const std::bad_alloc&) {
    Say(message, size, "out of memory");
    return STOKA_MODEL_NO_MEMORY;
  } catch (const std::exception& e) {
    Say(message, size, e.what());
    return STOKA_MODEL_FAILED;
  } catch (...) {
    Say(message, size, "an unknown failure");
    return STOKA_MODEL_FAILED;
  }
}

// A draw of the runner copied to out: each quantity's samples, then the total.
std::unique_ptr<cli::Draw> Draw(const cli::ModelRunner& runner, uint32_t seed, unsigned samples,
                                bool pairs, double* out) {
  if (samples < 2 || samples > 100000000u)
    throw cli::InputError("samples", "must be a whole number from 2 to 10^8");
  auto draw = runner.Run(samples, seed, pairs);
  for (size_t q = 0; q < draw->samples.size(); ++q)
    std::copy(draw->samples[q].begin(), draw->samples[q].end(), out + q * size_t{samples});
  cli::SumTotal(runner.model(), draw->samples, samples, out + draw->samples.size() * size_t{samples});
  return draw;
}

int Null(char* message, size_t size, const char* what) {
  Say(message, size, what);
  return STOKA_MODEL_NULL;
}

}  // namespace

extern "C" {

int stoka_model_open(const char* json, const char* file, int strict, stoka_model** model,
                     char* message, size_t size) {
  if (!model) return Null(message, size, "no place for the model handle");
  *model = nullptr;
  if (!json) return Null(message, size, "no model text");
  return Guard(message, size, [&] {
    auto opened = std::make_unique<stoka_model>();
    const std::string name = file ? file : "model";
    opened->runner = std::make_unique<cli::ModelRunner>(cli::ParseModel(json, name), strict != 0);
    std::ostringstream text;
    opened->runner->Describe(text);
    opened->description = text.str();
    *model = opened.release();
    return STOKA_MODEL_OK;
  });
}

int stoka_model_run(const stoka_model* model, uint32_t seed, unsigned samples, double* out,
                    char* message, size_t size) {
  if (!model || !out) return Null(message, size, model ? "no sample buffer" : "no model");
  return Guard(message, size, [&] {
    Draw(*model->runner, seed, samples, false, out);
    return STOKA_MODEL_OK;
  });
}

int stoka_model_run_report(stoka_model* model, uint32_t seed, unsigned samples, double* out,
                           const char** report, char* message, size_t size) {
  if (!model || !out || !report)
    return Null(message, size, !model ? "no model" : out ? "no place for the report" : "no sample buffer");
  return Guard(message, size, [&] {
    const auto draw = Draw(*model->runner, seed, samples, true, out);
    std::ostringstream text;
    cli::WriteText(text, *model->runner, model->runner->Analyse(*draw, samples, seed, cli::kReportPercents));
    model->report = text.str();
    *report = model->report.c_str();
    return STOKA_MODEL_OK;
  });
}

unsigned stoka_model_count(const stoka_model* model) {
  return model ? static_cast<unsigned>(model->runner->quantities().size()) : 0;
}

const char* stoka_model_name(const stoka_model* model, unsigned q) {
  return q < stoka_model_count(model) ? model->runner->model().quantities[q].name.c_str() : nullptr;
}

int stoka_model_flags(const stoka_model* model, unsigned q) {
  if (q >= stoka_model_count(model)) return 0;
  return model->runner->model().quantities[q].in_total ? STOKA_MODEL_IN_TOTAL : 0;
}

int stoka_model_settings(const stoka_model* model, unsigned* samples, uint32_t* seed, int* latin,
                         int* rank) {
  if (!model) return STOKA_MODEL_NULL;
  const cli::Model& m = model->runner->model();
  if (samples) *samples = m.samples;
  if (seed) *seed = m.seed;
  if (latin) *latin = m.latin;
  if (rank) *rank = m.rank;
  return STOKA_MODEL_OK;
}

const char* stoka_model_description(const stoka_model* model) {
  return model ? model->description.c_str() : nullptr;
}

void stoka_model_close(stoka_model** model) {
  if (!model) return;
  delete *model;
  *model = nullptr;
}

}  // extern "C"
