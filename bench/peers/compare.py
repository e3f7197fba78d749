"""Ours beside SciPy and OpenTURNS, measured in one run.

    python3 bench/peers/compare.py [--build build] [--repeats 3] [--only KEY ...]

For each work item it runs our Google Benchmark program on exactly that case
(--benchmark_filter, --benchmark_repetitions, JSON output), then the SciPy and
OpenTURNS workloads of peers.py, and prints a markdown table of median CPU
times with the ratios peer / ours (above 1: the peer is slower), a second one
of wall times, and notes on what each side reached. Every process of the run
uses the same malloc settings (GLIBC_TUNABLES below, set by re-executing this
script when they are missing) and one thread.
"""
import argparse
import ctypes
import json
import os
import subprocess
import sys

TUNABLES = "glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=1099511627776"
if os.environ.get("GLIBC_TUNABLES") != TUNABLES:
    os.environ["GLIBC_TUNABLES"] = TUNABLES
    os.execv(sys.executable, [sys.executable] + sys.argv)

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
try:
    import peers  # noqa: E402  (sets the thread limits before numpy loads)
except ImportError:
    # SciPy and OpenTURNS come with Debian's interpreter
    if sys.executable != "/usr/bin/python3" and os.path.exists("/usr/bin/python3"):
        os.execv("/usr/bin/python3", ["/usr/bin/python3"] + sys.argv)
    raise

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))

# key -> (work item, our program, our benchmark's full name)
OURS = {
    "lhs_triangular": ("Latin hypercube, 10^6 draws, Triangular(0, 1, 4)",
                       "bench_sampling", "BM_LatinArray/0/1000000/min_time:0.200"),
    "lhs_normal": ("Latin hypercube, 10^6 draws, Normal(0, 1)",
                   "bench_sampling", "BM_LatinArray/1/1000000/min_time:0.200"),
    "lhs_beta": ("Latin hypercube, 10^6 draws, Beta(2, 3) on [0, 10]",
                 "bench_sampling", "BM_LatinArray/2/1000000/min_time:0.200"),
    **{"mc_" + key: ("Monte Carlo, 10^6 draws, " + label, "bench_sampling",
                     "BM_MonteCarloArray/%d/1000000/min_time:0.200" % which)
       for which, (key, label) in enumerate([
           ("triangular", "Triangular(0, 1, 4)"), ("normal", "Normal(0, 1)"),
           ("beta", "Beta(2, 3) on [0, 10]"), ("uniform", "Uniform(-1.5, 6.5)"),
           ("pert", "Pert(1, 3, 9)"), ("lognormal", "LogNormal(0.2, 0.5, location 1)"),
           ("logtriangular", "LogTriangular(1.25, 3.2, 11.5)"),
           ("discrete", "discrete 0/100/250 (70/20/10)"),
           ("discrete_uniform", "discrete uniform 1..6"), ("bernoulli", "Bernoulli(0.3)")])},
    "corr10_1e5": ("10 correlated quantities, 10^5 values each",
                   "bench_correlation", "BM_RecalculateManager/10/100000/iterations:3"),
    "corr10_1e6": ("10 correlated quantities, 10^6 values each",
                   "bench_correlation", "BM_RecalculateManager/10/1000000/iterations:1"),
    "rank10_1e5": ("Iman-Conover, 10 quantities, 10^5 values each",
                   "bench_rank", "BM_RankTree/10/100000/iterations:3"),
    "rank10_1e6": ("Iman-Conover, 10 quantities, 10^6 values each",
                   "bench_rank", "BM_RankTree/10/1000000/iterations:1"),
    "fit_triangular3": ("Triangular from 3 percentiles (per fit)",
                        "bench_fit_percentiles", "BM_ConvertParamsTriangular3Perc"),
    "fit_pert3": ("Pert from 3 percentiles (per fit)",
                  "bench_fit_percentiles", "BM_ConvertParamsPert3Perc"),
    "fit_beta4": ("Beta from 4 percentiles (per fit)",
                  "bench_fit_percentiles", "BM_ConvertParamsBeta4Perc"),
    "xi_beta": ("Beta fit to 10^5 values", "bench_stats", "BM_BetaByXi/100000"),
    "xi_triangular": ("Triangular fit to 10^5 values", "bench_stats", "BM_TriangularByXi/100000"),
    "pct_1e7": ("37.5th percentile of 10^7 values", "bench_stats", "BM_Percentile/10000000"),
}
assert set(OURS) == set(peers.WORK)

SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def run_ours(build, key, repeats):
    """{"cpu", "wall", "runs", "note"} from the medians of our benchmark, or None."""
    _, program, name = OURS[key]
    path = os.path.join(build, "bench", program)
    if not os.path.exists(path):
        return None
    proc = subprocess.run(
        [path, "--benchmark_format=json", "--benchmark_filter=^%s$" % name,
         "--benchmark_repetitions=%d" % repeats, "--benchmark_report_aggregates_only=true"],
        capture_output=True, text=True, check=True)
    # one repetition reports no aggregates: its single run is the median
    wanted = "median" if repeats > 1 else None
    if not proc.stdout.strip():  # no such benchmark in this build
        return None
    rows = [b for b in json.loads(proc.stdout)["benchmarks"]
            if b.get("run_name") == name and b.get("aggregate_name") == wanted]
    if not rows:
        return None
    b = rows[0]
    unit = SECONDS[b["time_unit"]]
    return {"cpu": b["cpu_time"] * unit, "wall": b["real_time"] * unit, "runs": repeats,
            "note": ours_note(key, b)}


def ours_note(key, b):
    if key.startswith("rank"):
        return "largest |Spearman - target| %.4f" % b["max_err"]
    if key.startswith("corr"):
        return "edge error mean %.4f max %.4f" % (b["mean_err"], b["max_err"])
    if key.startswith("xi_"):
        names = ("alpha", "beta", "min", "max") if key == "xi_beta" else ("min", "ml", "max")
        return "fitted " + ", ".join("%.4g" % b[n] for n in names)
    if key.startswith("fit_"):
        return ours_fit_check(key)
    return ""


def ours_fit_check(key):
    """Our largest relative parameter error over the peers' grid, through the
    library itself (the ConvertParams forms are C++ functions of plain doubles)."""
    lib_path = os.path.join(BUILD, "libstoka.so")
    symbols = subprocess.run(["nm", "-D", "--defined-only", lib_path],
                             capture_output=True, text=True, check=True).stdout.split()
    stem = {"fit_triangular3": "ConvertParamsTriangular3Perc_",
            "fit_pert3": "ConvertParamsPert3Perc_", "fit_beta4": "ConvertParamsBeta4Perc_"}[key]
    mangled = [s for s in symbols if s.startswith("_Z") and stem + "d" in s]
    if not mangled:
        return ""
    lib = ctypes.CDLL(lib_path)
    silence = [s for s in symbols if "stoka_silence_output" in s]
    if silence:
        getattr(lib, silence[0])()
    fit = getattr(lib, mangled[0])
    probs = peers.FITS[key][1]
    out = [ctypes.c_double() for _ in range(4 if key == "fit_beta4" else 3)]
    fitted = []
    for x in peers.fit_points(key):
        args = []
        for q, v in zip(probs, x):
            args += [ctypes.c_double(100 - 100 * q), ctypes.c_double(v)]
        fit(*args, *[ctypes.byref(o) for o in out])
        v = [o.value for o in out]
        # ours write min, ml, max (min, max, alpha, beta): to the grid's order
        fitted.append([v[2], v[3], v[0], v[1]] if key == "fit_beta4" else [v[1], v[0], v[2]])
    return peers.fit_check(key)(fitted)


def shown(seconds):
    if seconds is None:
        return "n/a"
    for unit, scale in (("s", 1.0), ("ms", 1e-3), ("µs", 1e-6)):
        if seconds >= scale:
            return "%.3g %s" % (seconds / scale, unit)
    return "%.3g ns" % (seconds * 1e9)


def ratio(peer, ours, clock):
    if peer is None or ours is None:
        return "n/a"
    return "%.3g" % (peer[clock] / ours[clock])


def table(results, clock):
    lines = ["| Work item | Ours | SciPy | OpenTURNS | SciPy / ours | OpenTURNS / ours |",
             "|---|---:|---:|---:|---:|---:|"]
    for key, (ours, scipy_, ot_) in results.items():
        lines.append("| %s | %s | %s | %s | %s | %s |" % (
            OURS[key][0], *(shown(m and m[clock]) for m in (ours, scipy_, ot_)),
            ratio(scipy_, ours, clock), ratio(ot_, ours, clock)))
    return "\n".join(lines)


def main():
    global BUILD
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--only", nargs="*", default=list(OURS))
    parser.add_argument("--json", help="also write the measurements to this file")
    args = parser.parse_args()
    BUILD = args.build
    results = {}
    for key in args.only:
        ours = run_ours(args.build, key, args.repeats)
        theirs = [peers.measure(key, peer, args.repeats) for peer in peers.PEERS]
        results[key] = (ours, *theirs)
        print("measured %s: %s" % (key, ", ".join(
            "%s %s" % (who, shown(m and m["cpu"])) for who, m in zip(("ours",) + peers.PEERS,
                                                                      results[key]))),
              file=sys.stderr, flush=True)
    print("Median CPU time (process CPU for the peers, the benchmark thread for ours):\n")
    print(table(results, "cpu"))
    print("\nMedian wall time:\n")
    print(table(results, "wall"))
    print("\nWhat each side reached (runs timed):\n")
    for key, row in results.items():
        for who, m in zip(("ours",) + peers.PEERS, row):
            if m is not None and m["note"]:
                print("- %s, %s (%d runs): %s" % (OURS[key][0], who, m["runs"], m["note"]))
    if args.json:
        with open(args.json, "w") as f:
            json.dump({k: dict(zip(("ours",) + peers.PEERS, v)) for k, v in results.items()}, f,
                      indent=1)


BUILD = os.path.join(ROOT, "build")

if __name__ == "__main__":
    sys.exit(main())
