// libFuzzer harness over the model files of `stoka run`: the bytes as a model
// file, read and checked, then run as `stoka run` runs it with a small sample
// (at most 64 values, at most 12 quantities) so that fits, sampling,
// correlation and the report are all reached. A model refused with a message
// (any standard exception, as the program reports it) is a correct answer; a
// crash, a sanitizer report or a hang is a finding.
#include <sstream>

#include "run.hpp"

extern "C" int LLVMFuzzerInitialize(int*, char***) { return stoka_init(), stoka_silence_output(), 0; }

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) try {
  const cli::Model model = cli::ParseModel(std::string(reinterpret_cast<const char*>(data), size), "fuzz.json");
  cli::RunOptions options;
  options.samples = std::min(model.samples, 64u);
  std::ostringstream out;
  if (model.quantities.size() <= 12) cli::RunModel(model, options, out);
  return 0;
} catch (const std::exception&) {
  return 0;
}
