// `stoka fit`: fit a family to judged values and fixed parameters.
#ifndef STOKA_TOOLS_FIT_COMMAND_HPP
#define STOKA_TOOLS_FIT_COMMAND_HPP

#include <ostream>
#include <string>
#include <vector>

namespace cli {

// With strict, a judged value that the fit misses by more than 0.1 % of the
// judged values' span is an error; otherwise a note says so.
int FitCommand(const std::string& family, const std::vector<std::string>& given, bool strict,
               std::ostream& out);

}  // namespace cli

#endif
