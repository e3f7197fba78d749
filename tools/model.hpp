// Model files of `stoka run`: quantities, target correlations and settings.
#ifndef STOKA_TOOLS_MODEL_HPP
#define STOKA_TOOLS_MODEL_HPP

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli.hpp"

namespace cli {

struct CorrelationSpec {
  std::string a, b;
  double coefficient;
  std::string where;
};

struct Model {
  std::string file;
  std::string title, description;  // for the reports
  unsigned samples = 10000;
  bool latin = true;
  bool rank = false;  // correlations as a full rank matrix instead of a tree of pairs
  uint32_t seed = 1;
  std::vector<QuantitySpec> quantities;
  std::vector<CorrelationSpec> correlations;
};

// Parses and checks a model; every error names the file and the field.
Model ParseModel(const std::string& text, const std::string& file);

// Parses "P10" (or "p10", "P2.5") into the percent below; throws otherwise.
double ParsePercentName(const std::string& name, const std::string& where);

// The percentiles of judged values as the analyst writes them: "P10, P50, P90".
std::string JudgedNames(const std::vector<Judged>& judged);

// Judged values must rise with their percentiles; percents lie in [1, 99].
void CheckJudged(const std::vector<Judged>& judged, const std::string& where);

}  // namespace cli

#endif
