// `stoka stats`: a column of a CSV file, its statistics and fitted families.
#ifndef STOKA_TOOLS_STATS_COMMAND_HPP
#define STOKA_TOOLS_STATS_COMMAND_HPP

#include <ostream>
#include <string>
#include <vector>

#include "cli.hpp"

namespace cli {

struct Column {
  std::string name;
  std::vector<double> values;
};

// column: a header name, a number from 1, or empty for the first column.
Column ReadColumn(const std::string& text, const std::string& file, const std::string& column);
int StatsCommand(const Column& column, std::ostream& out);
// Every family the library fits to sample data, ranked by the Pearson statistic.
void FitsToData(const std::vector<double>& values, std::ostream& out);

}  // namespace cli

#endif
