"""Latin hypercube draws of 10^6 values from Python against a C host and SciPy.

For Triangular(0, 1, 4), Normal(0, 1) and Beta(2, 3) on [0, 10], process CPU
time of one full cycle of N draws by
  - a C host: the flat array call GetRandomValuesFromMethod into a buffer
    (compiled here against the same library);
  - ctypes, array: the same call from Python through bare ctypes;
  - ctypes, one value: N calls of GetRandomValueFromMethod;
  - stoka, draw: the package, LatinHypercube(d, N).draw(N);
  - stoka, sample: the package, d.sample(N) (a fresh method, its set-up included);
  - SciPy: qmc.LatinHypercube(d=1).random(N) and the frozen distribution's ppf
    (the sampler made beforehand, as in peers.py).
Our contenders but "stoka, sample" draw from a method made beforehand, after
one untimed cycle (the free strata are refilled in place, as in
bench/sampling.cpp). Runs are interleaved; the table gives medians. Every
process runs with the malloc settings of peers.py (GLIBC_TUNABLES).

    PYTHONPATH=<site of the installed package> /usr/bin/python3 bench/peers/python_host.py \
        [--n N] [--repeats R] [--one-value-repeats R1]
"""
import argparse
import ctypes
import os
import statistics
import subprocess
import sys
import tempfile
import time

# The malloc settings of the other peers (bench/RESULTS.md) for every process of
# the run, and one BLAS thread: set before anything is loaded.
TUNABLES = "glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=1099511627776"
if os.environ.get("GLIBC_TUNABLES") != TUNABLES:
    os.environ["GLIBC_TUNABLES"] = TUNABLES
    os.execv(sys.executable, [sys.executable] + sys.argv)
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")

import numpy as np  # noqa: E402
from scipy import stats  # noqa: E402
from scipy.stats import qmc  # noqa: E402

import stoka  # noqa: E402

HERE = os.path.dirname(os.path.abspath(__file__))
INCLUDE = os.path.join(HERE, "..", "..", "include")

# name, the package's distribution, SciPy's twin, the C creator call
FAMILIES = [
    ("Triangular(0, 1, 4)", stoka.Triangular(0, 1, 4), stats.triang(0.25, loc=0, scale=4),
     "CreateTriangularDistribution(1, 0, 4, &d)"),
    ("Normal(0, 1)", stoka.Normal(0, 1), stats.norm(0, 1), "CreateNormalDistribution(0, 1, &d)"),
    ("Beta(2, 3) on [0, 10]", stoka.Beta(2, 3, 0, 10), stats.beta(2, 3, loc=0, scale=10),
     "CreateBetaDistribution(2, 3, 0, 10, &d)"),
]

C_HOST = r"""
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include "stoka/stoka.h"
static double cpu(void) {
  struct timespec t;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
  return t.tv_sec + 1e-9 * t.tv_nsec;
}
int main(int argc, char** argv) {
  int family = atoi(argv[1]), n = atoi(argv[2]);
  IDistribution* d = NULL;
  stoka_seed_all(20261206);
  switch (family) { %s }
  AbstractGenerationMethod* m = NULL;
  CreateLatinCubeMethod(&m, d, 0.0, 1.0, n);
  double* values = malloc(sizeof(double) * n);
  GetRandomValuesFromMethod(m, n, values, NULL);
  double start = cpu();
  GetRandomValuesFromMethod(m, n, values, NULL);
  printf("%%.9f\n", cpu() - start);
  DestroyLatinCubeMethod(&m);
  DestroyConstantDistribution(&d);
  free(values);
  return 0;
}
"""


def build_c_host(work):
    cases = " ".join("case %d: %s; break;" % (i, f[3]) for i, f in enumerate(FAMILIES))
    source = os.path.join(work, "host.c")
    with open(source, "w") as f:
        f.write(C_HOST % cases)
    program = os.path.join(work, "host")
    library = stoka.library_path()
    subprocess.run(["cc", "-O2", "-ffp-contract=off", "-I", INCLUDE, source, library,
                    "-Wl,-rpath," + os.path.dirname(library), "-o", program], check=True)
    return program


def cpu(call):
    start = time.process_time()
    call()
    return time.process_time() - start


def ready(dist, n):
    """A method over dist after one untimed cycle."""
    method = stoka.LatinHypercube(dist, n)
    method.draw(n)
    return method


def ctypes_array(dist, n):
    method = ready(dist, n)
    values = np.empty(n)
    fn = stoka.lib.GetRandomValuesFromMethod.raw
    pointer = values.ctypes.data_as(ctypes.POINTER(ctypes.c_double))
    return cpu(lambda: fn(method.id, n, pointer, None))


def ctypes_one_value(dist, n):
    method = stoka.LatinHypercube(dist, n)
    fn = stoka.lib.GetRandomValueFromMethod.raw
    value, position = ctypes.c_double(), ctypes.c_double()
    h, pv, pp = method.id, ctypes.byref(value), ctypes.byref(position)

    def loop():
        for _ in range(n):
            fn(h, pv, pp)
    return cpu(loop)


def scipy_lhs(twin, n):
    sampler = qmc.LatinHypercube(d=1, seed=20261206)  # made beforehand, as in peers.py
    return cpu(lambda: twin.ppf(sampler.random(n)[:, 0]))


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--n", type=int, default=1_000_000)
    ap.add_argument("--repeats", type=int, default=7)
    ap.add_argument("--one-value-repeats", type=int, default=3)
    a = ap.parse_args()
    n = a.n
    columns = ["C host", "ctypes, array", "ctypes, one value", "stoka, draw", "stoka, sample",
               "SciPy"]
    times = {(f[0], c): [] for f in FAMILIES for c in columns}
    with tempfile.TemporaryDirectory() as work:
        host = build_c_host(work)
        for r in range(a.repeats):
            for i, (name, dist, twin, _) in enumerate(FAMILIES):
                stoka.seed(20261206 + r)
                runs = {
                    "C host": lambda: float(subprocess.run(
                        [host, str(i), str(n)], capture_output=True, text=True,
                        check=True).stdout),
                    "ctypes, array": lambda: ctypes_array(dist, n),
                    "stoka, draw": lambda: (lambda m: cpu(lambda: m.draw(n)))(ready(dist, n)),
                    "stoka, sample": lambda: cpu(lambda: dist.sample(n)),
                    "SciPy": lambda: scipy_lhs(twin, n),
                }
                if r < a.one_value_repeats:
                    runs["ctypes, one value"] = lambda: ctypes_one_value(dist, n)
                for column, run in runs.items():
                    times[(name, column)].append(run())
                print("round %d: %s done" % (r + 1, name), file=sys.stderr)
    print("CPU time of %d Latin hypercube draws (ms), medians of %d runs (%d for one value):\n"
          % (n, a.repeats, a.one_value_repeats))
    print("| Family | " + " | ".join(columns) + " | stoka draw / C host | SciPy / stoka draw |")
    print("|---|" + "---:|" * (len(columns) + 2))
    for name, *_ in FAMILIES:
        med = {c: statistics.median(times[(name, c)]) * 1e3 for c in columns}
        print("| %s | " % name + " | ".join("%.3g" % med[c] for c in columns) +
              " | %.2f | %.2f |" % (med["stoka, draw"] / med["C host"],
                                    med["SciPy"] / med["stoka, draw"]))


if __name__ == "__main__":
    main()
