// `stoka stats`: statistics of a CSV column and the families fitted to it.
#include "stats_command.hpp"

#include <cmath>
#include <cstring>
#include <iomanip>
#include <sstream>

namespace cli {
namespace {

std::vector<std::string> SplitCsvLine(const std::string& line) {
  std::vector<std::string> cells;
  std::string cell;
  bool quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        cell += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        cell += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      cells.push_back(cell);
      cell.clear();
    } else if (c != '\r') {
      cell += c;
    }
  }
  cells.push_back(cell);
  return cells;
}

bool ParseNumber(const std::string& text, double* value) {
  std::istringstream in(text);
  in >> *value;
  if (in.fail()) return false;
  in >> std::ws;
  return in.eof() && std::isfinite(*value);
}

}  // namespace

Column ReadColumn(const std::string& text, const std::string& file, const std::string& column) {
  // Records end at line breaks outside quotes (a quoted name may hold one).
  // Spreadsheets save UTF-8 with a byte-order mark.
  std::vector<std::string> lines;
  std::string line;
  bool quoted = false;
  for (size_t i = text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; i <= text.size(); ++i) {
    const char c = i < text.size() ? text[i] : '\n';
    if (c == '"') quoted = !quoted;
    if (c != '\n' || (quoted && i < text.size())) {
      line += c;
      continue;
    }
    if (!line.empty() && line != "\r") lines.push_back(line);
    line.clear();
  }
  if (lines.empty()) throw InputError(file, "the file is empty");
  Column result;
  auto header = SplitCsvLine(lines[0]);
  // A name that a spreadsheet would take for a formula was written led by an
  // apostrophe; it is read without it.
  for (auto& name : header)
    if (name.size() > 1 && name[0] == '\'' && std::strchr("=+-@\t\r", name[1])) name.erase(0, 1);
  double probe;
  const bool has_header = !ParseNumber(header[0], &probe);
  size_t index = 0;
  if (!column.empty()) {
    bool found = false;
    for (size_t i = 0; i < header.size() && has_header; ++i)
      if (header[i] == column) index = i, found = true;
    if (!found) {
      std::istringstream number(column);
      size_t k = 0;
      if ((number >> k) && number.eof() && k >= 1 && k <= header.size()) {
        index = k - 1;
      } else {
        throw InputError(file, "no column \"" + column + "\" (give a header name or a number from 1)");
      }
    }
  }
  result.name = has_header ? header[index] : "column " + std::to_string(index + 1);
  for (size_t l = has_header ? 1 : 0; l < lines.size(); ++l) {
    const auto cells = SplitCsvLine(lines[l]);
    const std::string where = file + ": line " + std::to_string(l + 1);
    if (index >= cells.size()) throw InputError(where, "the line has no column " + std::to_string(index + 1));
    double v;
    if (!ParseNumber(cells[index], &v))
      throw InputError(where, "\"" + cells[index] + "\" is not a finite number");
    result.values.push_back(v);
  }
  if (result.values.size() < 2) throw InputError(file, "a column needs at least two values");
  return result;
}

int StatsCommand(const Column& column, std::ostream& out) {
  const double* d = column.values.data();
  const int n = static_cast<int>(column.values.size());
  out << "Statistics of " << column.name << " (" << n << " values)\n";
  if (stoka_stats_min(d, n) == stoka_stats_max(d, n)) {
    out << "  every value is " << std::setprecision(6) << d[0]
        << ": the column is constant, with no spread or shape, and no family is fitted to it\n";
    return 0;
  }
  const std::pair<const char*, double> rows[] = {
      {"mean", stoka_stats_mean(d, n)},
      {"standard deviation", stoka_stats_sd(d, n)},
      {"skewness", stoka_stats_skew(d, n)},
      {"excess kurtosis", stoka_stats_kurtosis(d, n)},
      {"minimum", stoka_stats_min(d, n)},
      {"P5", stoka_stats_percentile(d, n, 5, false)},
      {"median", stoka_stats_median(d, n)},
      {"P95", stoka_stats_percentile(d, n, 95, false)},
      {"maximum", stoka_stats_max(d, n)},
      {"lag-1 autocorrelation", stoka_stats_autocorrelation(d, n)},
  };
  for (const auto& [name, value] : rows)
    out << "  " << std::left << std::setw(24) << name << std::right << std::setprecision(6)
        << value << '\n';
  FitsToData(column.values, out);
  return 0;
}

}  // namespace cli
