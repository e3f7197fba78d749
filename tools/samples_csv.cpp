// The samples of a run as CSV, formatted in place in the output's blocks.
#include "samples_csv.hpp"

#include <charconv>
#include <cstring>

namespace cli {

std::string CsvText(const std::string& name) {
  std::string cell = name;
  if (!cell.empty() && std::strchr("=+-@\t\r", cell[0])) cell.insert(0, 1, '\'');
  if (cell.find_first_of(",\"\r\n") == std::string::npos) return cell;
  std::string quoted = "\"";
  for (char c : cell) quoted += c == '"' ? "\"\"" : std::string(1, c);
  return quoted + '"';
}

void WriteSamplesCsv(OutputFile& out, const std::vector<Quantity>& quantities,
                     const std::vector<Sample>& samples) {
  for (size_t q = 0; q < quantities.size(); ++q) {
    const std::string cell = (q ? "," : "") + CsvText(quantities[q].name);
    out.Write(cell.data(), cell.size());
  }
  out.Write("\n", 1);
  // A double's shortest round-trip form takes at most 24 characters.
  constexpr size_t kWidest = 26;
  const size_t n = samples.empty() ? 0 : samples[0].size();
  for (size_t i = 0; i < n; ++i) {
    for (size_t q = 0; q < samples.size(); ++q) {
      char* at = out.Room(kWidest);
      if (q) *at++ = ',';
      at = std::to_chars(at, at + kWidest - 2, samples[q][i]).ptr;
      if (q + 1 == samples.size()) *at++ = '\n';
      out.Used(at);
    }
  }
}

}  // namespace cli
