// `stoka fit`: fit a family to judged values and fixed parameters.
#ifndef STOKA_TOOLS_FIT_COMMAND_HPP
#define STOKA_TOOLS_FIT_COMMAND_HPP

#include <ostream>
#include <string>
#include <vector>

namespace cli {

int FitCommand(const std::string& family, const std::vector<std::string>& given, std::ostream& out);

}  // namespace cli

#endif
