// The samples of a run as CSV: a header of names, one row per draw.
#ifndef STOKA_TOOLS_SAMPLES_CSV_HPP
#define STOKA_TOOLS_SAMPLES_CSV_HPP

#include <string>
#include <vector>

#include "cli.hpp"
#include "output_file.hpp"

namespace cli {

// A name as a CSV text cell: quoted as RFC 4180 says when it holds a comma, a
// quote or a line break, and led by an apostrophe when it starts with = + - @
// (or a tab or carriage return), which a spreadsheet would take for a formula.
std::string CsvText(const std::string& name);

// Numbers in their shortest form that reads back to the same double.
void WriteSamplesCsv(OutputFile& out, const std::vector<Quantity>& quantities,
                     const std::vector<Sample>& samples);

}  // namespace cli

#endif
