"""The work of our benchmarks done with SciPy (and NumPy) and OpenTURNS.

Each work item has a key shared with compare.py, which runs our benchmark
programs for the same keys. A peer workload is a function that prepares its
inputs (untimed) and returns the callable to time, the count of units that one
call does (to report the time per unit, e.g. per fit) and an optional check of
the last result. Every peer is run single-threaded (OpenTURNS' TBB pool and
OpenBLAS limited to one thread), like our library.

    python3 bench/peers/peers.py [--repeats N] [--only KEY ...]

prints one line per (key, peer) with the median CPU and wall time per unit
in milliseconds (process_time and perf_counter around each call).
"""
import argparse
import ctypes
import ctypes.util
import math
import os
import statistics
import sys
import time

# One thread for the BLAS under numpy: must be set before numpy is loaded.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")
os.environ.setdefault("OMP_NUM_THREADS", "1")

import numpy as np  # noqa: E402
import openturns as ot  # noqa: E402
from scipy import optimize, stats  # noqa: E402
from scipy.stats import qmc  # noqa: E402

ot.TBB.SetThreadsNumber(1)
ot.Log.Show(ot.Log.NONE)

SEED = 20261206


# ---------------------------------------------------------------------------
# Families as (scipy frozen distribution, OpenTURNS distribution) makers.
# Triangular and Pert are given as (min, ml, max); Beta as (alpha, beta, min, max).

def pert_shapes(lo, ml, hi):
    return 1 + 4 * (ml - lo) / (hi - lo), 1 + 4 * (hi - ml) / (hi - lo)


FAMILIES = {
    "Triangular": (lambda lo, ml, hi: stats.triang((ml - lo) / (hi - lo), loc=lo, scale=hi - lo),
                   lambda lo, ml, hi: ot.Triangular(lo, ml, hi)),
    "Normal": (lambda mu, sigma: stats.norm(mu, sigma),
               lambda mu, sigma: ot.Normal(mu, sigma)),
    "Beta": (lambda a, b, lo, hi: stats.beta(a, b, loc=lo, scale=hi - lo),
             lambda a, b, lo, hi: ot.Beta(a, b, lo, hi)),
    "Uniform": (lambda lo, hi: stats.uniform(lo, hi - lo),
                lambda lo, hi: ot.Uniform(lo, hi)),
    # A Pert is the Beta on [min, max] with the shapes above (OpenTURNS has no Pert).
    "Pert": (lambda lo, ml, hi: stats.beta(*pert_shapes(lo, ml, hi), loc=lo, scale=hi - lo),
             lambda lo, ml, hi: ot.Beta(*pert_shapes(lo, ml, hi), lo, hi)),
    # log-space mu and sigma, then the location
    "LogNormal": (lambda mu, sigma, loc: stats.lognorm(sigma, loc=loc, scale=math.exp(mu)),
                  lambda mu, sigma, loc: ot.LogNormal(mu, sigma, loc)),
}


def scipy_dist(family, *params):
    return FAMILIES[family][0](*params)


def ot_dist(family, *params):
    return FAMILIES[family][1](*params)


# ---------------------------------------------------------------------------
# 1. Latin hypercube cycles of 10^6 (bench_sampling BM_LatinCycle).

LHS_N = 1_000_000
LHS_FAMILIES = {
    "lhs_triangular": ("Triangular", (0.0, 1.0, 4.0)),
    "lhs_normal": ("Normal", (0.0, 1.0)),
    "lhs_beta": ("Beta", (2.0, 3.0, 0.0, 10.0)),
}


def lhs_scipy(key):
    family, params = LHS_FAMILIES[key]
    d = scipy_dist(family, *params)
    sampler = qmc.LatinHypercube(d=1, seed=SEED)
    return (lambda: d.ppf(sampler.random(LHS_N)[:, 0])), 1, None


def lhs_ot(key):
    family, params = LHS_FAMILIES[key]
    ot.RandomGenerator.SetSeed(SEED)
    # a fresh permutation on every call, a random point inside each stratum
    design = ot.LHSExperiment(ot_dist(family, *params), LHS_N, True, True)
    return design.generate, 1, None


# ---------------------------------------------------------------------------
# 1b. Monte Carlo draws of 10^6 from every family (bench_sampling BM_MonteCarlo):
# SciPy's rvs (NumPy's generators, the call a user makes), OpenTURNS' getSample.
# Neither has the log-triangular family; OpenTURNS' Pert is the Beta.

MC_N = 1_000_000
MC_FAMILIES = {
    "mc_triangular": ("Triangular", (0.0, 1.0, 4.0)),
    "mc_normal": ("Normal", (0.0, 1.0)),
    "mc_beta": ("Beta", (2.0, 3.0, 0.0, 10.0)),
    "mc_uniform": ("Uniform", (-1.5, 6.5)),
    "mc_pert": ("Pert", (1.0, 3.0, 9.0)),
    "mc_lognormal": ("LogNormal", (0.2, 0.5, 1.0)),
    "mc_logtriangular": (None, ()),
    "mc_discrete": ("Discrete", ((0.0, 100.0, 250.0), (0.7, 0.2, 0.1))),
    "mc_discrete_uniform": ("DiscreteUniform", (1, 6)),
    "mc_bernoulli": ("Bernoulli", (0.3,)),
}
DISCRETE = {
    "Discrete": (lambda v, w: stats.rv_discrete(values=(v, w)),
                 lambda v, w: ot.UserDefined([[x] for x in v], list(w))),
    "DiscreteUniform": (lambda lo, hi: stats.randint(lo, hi + 1),
                        lambda lo, hi: ot.UserDefined([[float(x)] for x in range(lo, hi + 1)])),
    "Bernoulli": (lambda p: stats.bernoulli(p), lambda p: ot.Bernoulli(p)),
}


def mc_make(key, peer):
    family, params = MC_FAMILIES[key]
    if family is None:
        return None
    makers = DISCRETE.get(family) or FAMILIES[family]
    return makers[peer](*params)


def mc_scipy(key):
    d = mc_make(key, 0)
    if d is None:
        return None
    rng = np.random.default_rng(SEED)
    return (lambda: d.rvs(size=MC_N, random_state=rng)), 1, None


def mc_ot(key):
    d = mc_make(key, 1)
    if d is None:
        return None
    ot.RandomGenerator.SetSeed(SEED)
    return (lambda: d.getSample(MC_N)), 1, None


# ---------------------------------------------------------------------------
# 2. Ten correlated quantities (bench_correlation BM_RecalculateManager/10/N).
# The same tree as the benchmark: quantity i > 0 has the parent rand() % i of
# glibc's generator seeded with 4711 and the target targets[i % 8]; families
# cycle through the six below. The Gaussian copula needs a full matrix: the
# tree's Markov completion (the product of the targets along the path), which is
# positive definite.

CORR_FAMILIES = [
    ("Triangular", (0.0, 1.0, 4.0)),
    ("Normal", (2.385, 0.75)),
    ("Beta", (2.0, 3.0, 0.0, 10.0)),
    ("Uniform", (-1.5, 6.5)),
    ("Pert", (1.0, 3.0, 9.0)),
    ("LogNormal", (0.2, 0.5, 1.0)),
]
CORR_TARGETS = [0.8, -0.6, 0.45, 0.3, -0.25, 0.9, 0.65, -0.75]
CORR_COUNT = 10


def corr_tree(count=CORR_COUNT):
    libc = ctypes.CDLL(ctypes.util.find_library("c"))
    libc.srand(4711)
    return [(libc.rand() % i, i, CORR_TARGETS[i % 8]) for i in range(1, count)]


def corr_matrix(count=CORR_COUNT):
    edges = corr_tree(count)
    r = np.eye(count)
    for parent, child, target in edges:  # parents come first: fill row by row
        for k in range(child):
            r[child, k] = r[k, child] = target * r[parent, k]
    return r


def corr_marginals(count=CORR_COUNT):
    return [CORR_FAMILIES[i % 6] for i in range(count)]


def corr_error(sample):
    """Mean and largest |reached - target| of the tree's edges (Pearson)."""
    c = np.corrcoef(np.asarray(sample), rowvar=False)
    errors = [abs(c[p, q] - t) for p, q, t in corr_tree()]
    return "edge error mean %.4f max %.4f" % (statistics.fmean(errors), max(errors))


def corr_scipy(n):
    margins = [scipy_dist(f, *p) for f, p in corr_marginals()]
    mvn = stats.multivariate_normal(mean=np.zeros(CORR_COUNT), cov=corr_matrix())
    rng = np.random.default_rng(SEED)

    def run():
        u = stats.norm.cdf(mvn.rvs(size=n, random_state=rng))
        return np.column_stack([m.ppf(u[:, k]) for k, m in enumerate(margins)])
    return run, 1, corr_error


def corr_ot(n):
    ot.RandomGenerator.SetSeed(SEED)
    margins = [ot_dist(f, *p) for f, p in corr_marginals()]
    shape = ot.CorrelationMatrix(CORR_COUNT)
    r = corr_matrix()
    for i in range(CORR_COUNT):
        for j in range(i):
            shape[i, j] = r[i, j]
    joint = ot.ComposedDistribution(margins, ot.NormalCopula(shape))
    return (lambda: joint.getSample(n)), 1, corr_error


# ---------------------------------------------------------------------------
# 2b. Iman-Conover over ten quantities (bench_rank BM_RankTree/10/N): samples of
# the ten marginals above drawn once (untimed), then reordered toward the
# tree's completed matrix taken as rank (Spearman) targets, in NumPy as the
# method is usually written: van der Waerden scores in a random order per
# column, their correlation's Cholesky factor undone and the target's (as
# normal correlations 2 sin(pi rho / 6)) put in, each sample laid out in the
# rank order of its column, and the rank correlations reached computed. Only
# NumPy has it (SciPy's column); OpenTURNS has no Iman-Conover.

def rank_numpy(n):
    from scipy.special import ndtri
    rng = np.random.default_rng(SEED)
    x = np.column_stack([scipy_dist(f, *p).ppf(rng.random(n)) for f, p in corr_marginals()])
    target = corr_matrix()
    normal = 2 * np.sin(np.pi * target / 6)
    np.fill_diagonal(normal, 1.0)
    factor = np.linalg.cholesky(normal)

    def run():
        scores = ndtri(np.arange(1, n + 1) / (n + 1))
        s = np.column_stack([rng.permutation(scores) for _ in range(CORR_COUNT)])
        q = np.linalg.cholesky(np.corrcoef(s, rowvar=False))
        s = s @ (factor @ np.linalg.inv(q)).T
        out, ranks = np.empty_like(x), np.empty(x.shape)
        for k in range(CORR_COUNT):
            order = np.argsort(s[:, k])
            out[order, k] = np.sort(x[:, k])
            ranks[order, k] = np.arange(n)
        return np.corrcoef(ranks, rowvar=False)

    def check(reached):
        return "largest |Spearman - target| %.4f" % np.abs(reached - target).max()
    return run, 1, check


# ---------------------------------------------------------------------------
# 3. Fits from percentiles (bench_fit_percentiles BM_ConvertParams*): the same
# grids of known distributions, the points computed with each family's
# quantile, and the same objective as ours: sqrt(sum |quantile - value|), or a
# penalty of 999999 per broken parameter condition; Nelder-Mead from the same
# start simplex, stopped at a size of 1e-4.

PENALTY = 999999.0
THREE = [0.10, 0.50, 0.90]
FOUR = [0.05, 0.35, 0.65, 0.95]
TRIANGLES = [  # ml, min, max
    (5.3, 2.1, 11.7), (-3.2, -7.9, 4.05), (0.41, 0.37, 2.9), (98.6, 12.5, 101.3),
    (1234.5, 1000.25, 2500.75)]
PERTS = [  # ml, min, max
    (5.3, 2.1, 11.7), (-3.2, -7.9, 4.05), (14.6, 8.25, 40.5), (61.5, 48.0, 66.0)]
BETAS = [  # alpha, beta, min, max
    (2.5, 4.2, 1.3, 9.7), (0.8, 1.6, -2.4, 3.15), (5.5, 2.35, 100.0, 180.0),
    (1.7, 1.9, 0.0, 1.0), (3.1, 3.6, 10.5, 14.2), (1.25, 6.5, -40.0, 25.0)]


def tri_quantile(q, v):
    ml, lo, hi = v
    return stats.triang.ppf(q, (ml - lo) / (hi - lo), loc=lo, scale=hi - lo)


def tri_penalty(v):
    ml, lo, hi = v
    zero = abs(hi - lo) < 1e-6
    return PENALTY * ((lo > hi or zero) + (ml > hi or zero) + (lo > ml or zero))


def beta_penalty(v):
    a, b, lo, hi = v
    return PENALTY * ((a + b > 100000.0) + (lo > hi or abs(lo - hi) < 1e-6) + (a < 0.3) + (b < 0.3))


def pert_quantile(q, v):
    ml, lo, hi = v
    return stats.beta.ppf(q, *pert_shapes(lo, ml, hi), loc=lo, scale=hi - lo)


def pert_penalty(v):
    ml, lo, hi = v
    if hi == lo:
        return PENALTY * 4
    return PENALTY * (lo > ml or ml > hi) + beta_penalty((*pert_shapes(lo, ml, hi), lo, hi))


def beta_quantile(q, v):
    a, b, lo, hi = v
    return stats.beta.ppf(q, a, b, loc=lo, scale=hi - lo)


# key: (truths, cumulative probabilities, quantile, penalty, start(x), steps(x),
#       OpenTURNS start distribution(x) or None, record order <-> OpenTURNS order)
FITS = {
    "fit_triangular3": (TRIANGLES, THREE, tri_quantile, tri_penalty,
                        lambda x: [x[1], x[0], x[2]], lambda x: [abs(x[2] - x[0]) / 3] * 3,
                        lambda x: ot.Triangular(x[0], x[1], x[2]), lambda v: [v[1], v[0], v[2]]),
    "fit_pert3": (PERTS, THREE, pert_quantile, pert_penalty,
                  lambda x: [x[1], x[0], x[2]], lambda x: [1.0] * 3, None, None),
    "fit_beta4": (BETAS, FOUR, beta_quantile, beta_penalty,
                  lambda x: [3.0, 3.0, x[0], x[3]], lambda x: [1.0] * 4,
                  lambda x: ot.Beta(3.0, 3.0, x[0], x[3]), list),
}


def fit_points(key):
    truths, probs, quantile = FITS[key][:3]
    return [[float(quantile(q, t)) for q in probs] for t in truths]


def fit_check(key):
    """How far fits (in record order, one per grid entry) land: the largest
    parameter error relative to max(1, |true value|), and the largest miss of a
    given value by the fitted quantile, relative to the span of the values."""
    truths, probs, quantile = FITS[key][:3]

    def check(fitted):
        worst = max(abs(f - t) / max(1.0, abs(t)) for a, b in zip(fitted, truths) for f, t in zip(a, b))
        miss = max(abs(float(quantile(q, f)) - v) / (x[-1] - x[0])
                   for f, x in zip(fitted, fit_points(key)) for q, v in zip(probs, x))
        return "largest parameter error %.2g, largest quantile miss %.2g of the span" % (worst, miss)
    return check


def fit_scipy(key):
    truths, probs, quantile, penalty, start, steps = FITS[key][:6]
    points = fit_points(key)
    q = np.array(probs)

    def objective(v, x):
        p = penalty(v)
        if p:
            return p
        return math.sqrt(float(np.sum(np.abs(quantile(q, v) - x))))

    def run():
        fitted = []
        for x in points:
            x0 = np.array(start(x))
            simplex = np.vstack([x0] + [x0 + s * e for s, e in zip(steps(x), np.eye(len(x0)))])
            r = optimize.minimize(objective, x0, args=(np.array(x),), method="Nelder-Mead",
                                  options={"initial_simplex": simplex, "xatol": 1e-4,
                                           "fatol": 1e-4, "maxiter": 1000000})
            fitted.append(r.x)
        return fitted
    return run, len(points), fit_check(key)


def fit_ot(key):
    probs = FITS[key][1]
    ot_start, ot_order = FITS[key][6:8]
    if ot_start is None:
        return None
    points = fit_points(key)

    def run():
        return [list(ot.QuantileMatchingFactory(ot_start(x), probs).buildFromQuantiles(x)
                     .getParameter()) for x in points]
    check = fit_check(key)
    return run, len(points), lambda fitted: check([ot_order(v) for v in fitted])


# ---------------------------------------------------------------------------
# 4. Fits to 10^5 values (bench_stats BM_BetaByXi / BM_TriangularByXi): samples
# of the same laws, fitted from the same start where the peer takes one.
# SciPy: maximum likelihood over every parameter (location and scale included).
# OpenTURNS: its factories (moment estimators).

DATA_N = 100_000
DATA_FITS = {  # law, start
    "xi_beta": (("Beta", (2.385, 4.1, 1.5, 9.75)), (1.6, 2.9, 1.0, 10.6)),
    "xi_triangular": (("Triangular", (1.2, 3.7, 8.9)), (1.0, 4.0, 9.5)),  # min, ml, max
}


def data_sample(key):
    (family, params), _ = DATA_FITS[key]
    return scipy_dist(family, *params).rvs(size=DATA_N, random_state=np.random.default_rng(SEED))


def data_scipy(key):
    (family, truth), start = DATA_FITS[key]
    data = data_sample(key)
    if family == "Beta":
        a, b, lo, hi = start
        run = lambda: stats.beta.fit(data, a, b, loc=lo, scale=hi - lo)  # noqa: E731
        params = lambda r: (r[0], r[1], r[2], r[2] + r[3])  # noqa: E731
    else:
        lo, ml, hi = start
        run = lambda: stats.triang.fit(data, (ml - lo) / (hi - lo), loc=lo, scale=hi - lo)  # noqa: E731
        params = lambda r: (r[1], r[1] + r[0] * r[2], r[1] + r[2])  # noqa: E731
    return run, 1, lambda r: "fitted " + ", ".join("%.4g" % v for v in params(r)) + \
        " (true " + ", ".join("%.4g" % v for v in truth) + ")"


def data_ot(key):
    (family, truth), _ = DATA_FITS[key]
    sample = ot.Sample(data_sample(key).reshape(-1, 1))
    factory = ot.BetaFactory() if family == "Beta" else ot.TriangularFactory()
    return (lambda: factory.build(sample)), 1, lambda r: "fitted " + ", ".join(
        "%.4g" % v for v in r.getParameter()) + " (true " + ", ".join("%.4g" % v for v in truth) + ")"


# ---------------------------------------------------------------------------
# 5. The 37.5th percentile of 10^7 values (bench_stats BM_Percentile/10000000):
# uniform on [-3.5, 7.75].

PCT_N = 10_000_000


def pct_sample():
    return np.random.default_rng(SEED).uniform(-3.5, 7.75, PCT_N)


def pct_scipy():
    v = pct_sample()
    return (lambda: np.percentile(v, 37.5)), 1, None


def pct_ot():
    sample = ot.Sample(pct_sample().reshape(-1, 1))
    return (lambda: sample.computeQuantilePerComponent(0.375)), 1, None


# ---------------------------------------------------------------------------
# Work items: key -> (SciPy workload, OpenTURNS workload); a workload returns
# (callable, units per call, check of the result or None), or None when the
# peer has no such work.

WORK = {
    **{k: (lambda k=k: lhs_scipy(k), lambda k=k: lhs_ot(k)) for k in LHS_FAMILIES},
    **{k: (lambda k=k: mc_scipy(k), lambda k=k: mc_ot(k)) for k in MC_FAMILIES},
    "corr10_1e5": (lambda: corr_scipy(100_000), lambda: corr_ot(100_000)),
    "corr10_1e6": (lambda: corr_scipy(1_000_000), lambda: corr_ot(1_000_000)),
    "rank10_1e5": (lambda: rank_numpy(100_000), lambda: None),
    "rank10_1e6": (lambda: rank_numpy(1_000_000), lambda: None),
    **{k: (lambda k=k: fit_scipy(k), lambda k=k: fit_ot(k)) for k in FITS},
    **{k: (lambda k=k: data_scipy(k), lambda k=k: data_ot(k)) for k in DATA_FITS},
    "pct_1e7": (pct_scipy, pct_ot),
}
PEERS = ("scipy", "openturns")


def measure(key, peer, repeats, budget=10.0):
    """Medians of CPU and wall seconds per unit over up to `repeats` timed calls
    (fewer once the calls have taken `budget` CPU seconds, at least one), as
    {"cpu", "wall", "runs", "note"}, or None when the peer has no such work."""
    made = WORK[key][PEERS.index(peer)]()
    if made is None:
        return None
    run, units, check = made
    cpu, wall, result = [], [], None
    while len(cpu) < repeats and (not cpu or sum(cpu) * units < budget):
        c0, w0 = time.process_time(), time.perf_counter()
        result = run()
        wall.append((time.perf_counter() - w0) / units)
        cpu.append((time.process_time() - c0) / units)
    return {"cpu": statistics.median(cpu), "wall": statistics.median(wall), "runs": len(cpu),
            "note": check(result) if check else ""}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=3)
    parser.add_argument("--only", nargs="*", default=list(WORK))
    args = parser.parse_args()
    for key in args.only:
        for peer in PEERS:
            m = measure(key, peer, args.repeats)
            shown = "n/a" if m is None else "cpu %10.4g ms  wall %10.4g ms  (%d runs)  %s" % (
                m["cpu"] * 1e3, m["wall"] * 1e3, m["runs"], m["note"])
            print("%-16s %-10s %s" % (key, peer, shown), flush=True)


if __name__ == "__main__":
    sys.exit(main())
