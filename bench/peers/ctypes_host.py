"""A Python host through ctypes beside the C host and SciPy: 10^6 Latin
hypercube draws (one full cycle of a fresh method) of Triangular(0, 1, 4),
Normal(0, 1) and Beta(2, 3) on [0, 10], drawn one value per call and in one
array call, and SciPy's qmc.LatinHypercube with the frozen distribution's ppf.

    /usr/bin/python3 bench/peers/ctypes_host.py [--build build] [--repeats 5]

prints one markdown row per family: median process CPU time of each way, the
runs of the ways interleaved, under compare.py's malloc settings. The C host's figure is bench_sampling's
BM_LatinArray (the same array call from compiled code), run by compare.py.
"""
import argparse
import ctypes
import os
import statistics
import sys
import time

# The malloc settings of compare.py, for every process of a comparison.
TUNABLES = "glibc.malloc.mmap_max=0:glibc.malloc.trim_threshold=1099511627776"
if os.environ.get("GLIBC_TUNABLES") != TUNABLES:
    os.environ["GLIBC_TUNABLES"] = TUNABLES
    os.execv(sys.executable, [sys.executable] + sys.argv)

os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")
import numpy as np  # noqa: E402
from scipy import stats  # noqa: E402
from scipy.stats import qmc  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
N = 1_000_000
FAMILIES = {
    "Triangular(0, 1, 4)": ("CreateTriangularDistribution", (1.0, 0.0, 4.0),
                            stats.triang(0.25, loc=0.0, scale=4.0)),
    "Normal(0, 1)": ("CreateNormalDistribution", (0.0, 1.0), stats.norm(0.0, 1.0)),
    "Beta(2, 3) on [0, 10]": ("CreateBetaDistribution", (2.0, 3.0, 0.0, 10.0),
                              stats.beta(2.0, 3.0, loc=0.0, scale=10.0)),
}


def load(build):
    lib = ctypes.CDLL(os.path.join(build, "libstoka.so"))
    handle = ctypes.c_void_p
    lib.CreateLatinCubeMethod.argtypes = [ctypes.POINTER(handle), handle, ctypes.c_double,
                                          ctypes.c_double, ctypes.c_int]
    lib.DestroyLatinCubeMethod.argtypes = [ctypes.POINTER(handle)]
    lib.DestroyNormalDistribution.argtypes = [ctypes.POINTER(handle)]
    lib.GetRandomValueFromMethod.argtypes = [handle, ctypes.POINTER(ctypes.c_double),
                                             ctypes.POINTER(ctypes.c_double)]
    lib.GetRandomValueFromMethod.restype = None
    lib.GetRandomValuesFromMethod.argtypes = [handle, ctypes.c_int, ctypes.c_void_p,
                                              ctypes.c_void_p]
    lib.GetRandomValuesFromMethod.restype = ctypes.c_int
    return lib


def distribution(lib, make, params):
    d = ctypes.c_void_p()
    getattr(lib, make).argtypes = [ctypes.c_double] * len(params) + [ctypes.POINTER(ctypes.c_void_p)]
    assert getattr(lib, make)(*params, ctypes.byref(d)) == 1
    return d


def method(lib, d):
    m = ctypes.c_void_p()
    lib.CreateLatinCubeMethod(ctypes.byref(m), d, 0.0, 1.0, N)
    return m


def one_value(lib, m, values):
    """A host loop of one-value calls: one cycle of the method into values."""
    value, position = ctypes.c_double(), ctypes.c_double()
    draw, pv, pp = lib.GetRandomValueFromMethod, ctypes.byref(value), ctypes.byref(position)
    for i in range(N):
        draw(m, pv, pp)
        values[i] = value.value


def array(lib, m, values):
    """One array call: one cycle of the method into values."""
    assert lib.GetRandomValuesFromMethod(m, N, values.ctypes.data, None) == N


def scipy_lhs(frozen):
    return frozen.ppf(qmc.LatinHypercube(d=1, seed=20261206).random(N)[:, 0])


def timed(f):
    start = time.process_time()
    f()
    return time.process_time() - start


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--no-one-value", action="store_true", help="skip the one-value loop")
    args = parser.parse_args()
    lib = load(args.build)
    print("| Family | ctypes, one value a call | ctypes, array call | SciPy |")
    print("|---|---:|---:|---:|")
    libc = ctypes.CDLL(None)
    for name, (make, params, frozen) in FAMILIES.items():
        # Each way draws whole cycles of its own method into a buffer of its
        # own, both made once, as the C host's benchmark does.
        d = distribution(lib, make, params)
        m1, m2 = method(lib, d), method(lib, d)
        v1, v2 = np.empty(N), np.empty(N)
        ways = {"array": lambda: array(lib, m2, v2), "scipy": lambda: scipy_lhs(frozen)}
        if not args.no_one_value:
            ways["one"] = lambda: one_value(lib, m1, v1)
        times = {way: [] for way in ways}
        for _ in range(args.repeats):
            for way, f in ways.items():
                times[way].append(timed(f))
        if not args.no_one_value:  # the same numbers both ways from one runtime seed
            libc.srand(7)
            one_value(lib, m1, v1)
            libc.srand(7)
            array(lib, m2, v2)
            assert np.array_equal(v1, v2)
        for m in (m1, m2):
            lib.DestroyLatinCubeMethod(ctypes.byref(m))
        lib.DestroyNormalDistribution(ctypes.byref(d))
        med = {way: statistics.median(t) * 1e3 for way, t in times.items()}
        one = "%.0f ms" % med["one"] if "one" in med else "n/a"
        print("| %s | %s | %.1f ms | %.1f ms |" % (name, one, med["array"], med["scipy"]), flush=True)


if __name__ == "__main__":
    main()
