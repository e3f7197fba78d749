#!/usr/bin/env bash
# CPU time and peak resident memory of `stoka run` on 200 quantities x 10^5
# samples, with and without --csv, for each program given, in interleaved
# rounds; prints one line per run. Usage: bench/cli_csv.sh ROUNDS STOKA...
set -euo pipefail
rounds=$1; shift
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
/usr/bin/python3 - "$work/model.json" <<'PY'
import json, sys
families = [
    lambda i: {"family": "triangular", "min": 10 + i, "mode": 14 + i, "max": 25 + i},
    lambda i: {"family": "pert", "min": 5, "mode": 8 + i % 7, "max": 30},
    lambda i: {"family": "normal", "mean": 100 + i, "sd": 7.5},
    lambda i: {"family": "lognormal", "mu": 3.1, "sigma": 0.4, "location": i},
    lambda i: {"family": "uniform", "min": i, "max": i + 9.5},
]
quantities = [dict(name="Q%03d" % i, **families[i % 5](i)) for i in range(200)]
pairs = [{"between": ["Q%03d" % i, "Q%03d" % (i + 1)], "coefficient": 0.3} for i in range(0, 199, 2)]
json.dump({"samples": 100000, "method": "montecarlo", "seed": 7, "quantities": quantities,
           "correlations": pairs}, open(sys.argv[1], "w"))
PY
for ((r = 1; r <= rounds; ++r)); do
  for program in "$@"; do
    for csv in "" "--csv $work/out.csv"; do
      /usr/bin/time -f "$program ${csv:+csv} cpu %U+%S s, max RSS %M KB" "$program" run "$work/model.json" $csv >"$work/report.txt"
      [[ -n $csv ]] && echo "  $(stat -c %s "$work/out.csv") bytes" && rm "$work/out.csv"
    done
  done
done
