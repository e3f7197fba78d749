// The model of `stoka demo`: the cost of a small building project, in k€.
#include "run.hpp"

namespace cli {

const char* const kDemoModel = R"json({
  "title": "Small building project: cost risk",
  "description": "Cost of a small building project (k EUR): five work packages judged by the team",
  "samples": 20000,
  "method": "latin",
  "seed": 2026,
  "quantities": [
    {"name": "Design", "family": "triangular", "min": 120, "mode": 150, "max": 240},
    {"name": "Groundworks", "family": "pert", "min": 200, "mode": 260, "max": 420},
    {"name": "Structure", "family": "triangular", "judged": {"P10": 780, "P50": 900, "P90": 1150}},
    {"name": "Fit-out", "family": "lognormal", "mu": 6.2, "sigma": 0.25, "location": 100},
    {"name": "Contingency", "family": "uniform", "min": 50, "max": 150}
  ],
  "correlations": [
    {"between": ["Design", "Structure"], "coefficient": 0.6},
    {"between": ["Groundworks", "Structure"], "coefficient": 0.4},
    {"between": ["Structure", "Fit-out"], "coefficient": 0.5}
  ]
})json";

}  // namespace cli
