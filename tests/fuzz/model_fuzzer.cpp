// libFuzzer harness over the model files of `stoka run`: the bytes as a model
// file, read and checked, then run as `stoka run` runs it with a small sample
// (at most 64 values, at most 12 quantities) so that fits, sampling,
// correlation and the report are all reached. A model refused with a message
// is a correct answer; a crash, a sanitizer report or a hang is a finding.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>

#include "model.hpp"
#include "run.hpp"
#include "stoka/stoka.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  stoka_init();
  stoka_silence_output();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    const cli::Model model =
        cli::ParseModel(std::string(reinterpret_cast<const char*>(data), size), "fuzz.json");
    if (model.quantities.size() > 12) return 0;
    cli::RunOptions options;
    options.samples = std::min(model.samples, 64u);
    std::ostringstream out;
    cli::RunModel(model, options, out);
  } catch (const std::exception&) {
    // Refused with a message, as the program says it and exits with 1.
  }
  return 0;
}
