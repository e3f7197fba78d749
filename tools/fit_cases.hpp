// Fitting a quantity from judged values through the library's fitters.
#ifndef STOKA_TOOLS_FIT_CASES_HPP
#define STOKA_TOOLS_FIT_CASES_HPP

#include "cli.hpp"

namespace cli {

// Chooses the fitting case from the family, the fixed parameters given and
// the number of judged values; fits, then creates the distribution.
Quantity FitQuantity(const QuantitySpec& spec);

}  // namespace cli

#endif
