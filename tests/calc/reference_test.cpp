// Densities, cumulative probabilities and quantiles of every continuous law
// against values computed independently with mpmath (reference_values.py
// wrote reference_values.txt), through both the handle and the free functions
// of each law.
#include <fstream>
#include <set>
#include <sstream>

#include "calc/laws.hpp"

namespace {

using laws::Law;
using laws::Near;

// Each line is checked through every law of its key, both forms (the
// exponential has free functions only); every law has lines.
TEST(ContinuousReference, DensityCdfAndQuantile) {
  static const laws::LawSet set;
  std::ifstream file(STOKA_REFERENCE_VALUES);
  std::set<std::string> keys;
  int lines = 0;
  for (std::string line, key, kind; std::getline(file, line); ++lines) {
    std::istringstream fields(line);
    std::getline(fields, key, '\t');
    std::getline(fields, kind, '\t');
    double a = kNaN, b = kNaN, c = kNaN;
    fields >> a >> b >> c;
    ASSERT_FALSE(std::isnan(b)) << line;
    for (const Law& law : set.all()) {
      if (law.key != key) continue;
      keys.insert(law.label);
      if (kind == "quantile")
        EXPECT_TRUE(Near(law.quantile(a), b, law.tolerance)) << law.label << ": quantile at " << a;
      else
        EXPECT_TRUE(Near(law.pdf(a), b, laws::kSpecial) && Near(law.cdf(a), c, laws::kSpecial))
            << law.label << ": at " << a << " pdf " << law.pdf(a) << " cdf " << law.cdf(a);
    }
  }
  EXPECT_EQ(lines, 86);
  EXPECT_EQ(keys.size(), set.all().size());
}

}  // namespace
