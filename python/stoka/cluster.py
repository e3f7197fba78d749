"""A `stoka run` model spread over a Dask cluster, with the same numbers at any
worker count.

The run is cut into blocks of a fixed size. Block b is an independent
replication of the model: its own Latin hypercube design over its own samples,
its own correlation step, seeded by ``block_seed(seed, b)``. The merged result
depends on the seed, the sample count and the block size only: never on how
many workers ran the blocks, in which order they finished, or whether a block
was run twice because its worker died.

What is merged, and how:

* moments (mean, variance, third and fourth central moments) and the co-moment
  matrix of every quantity and of their total: exactly, by Chan's pairwise
  update (Pebay's for the third and fourth moments), in a fixed balanced tree
  over the block indices, so that the floating-point result is bit for bit the
  same however the blocks were scheduled;
* minimum and maximum: exactly;
* percentiles: from exact per-block order statistics. A block of n_b samples
  keeps every k_b-th of its sorted values, k_b = ceil(n_b / sketch), each
  standing for the k_b values at or below it. The reported P-th percentile is
  the smallest kept value whose kept weight reaches P % of the run; it lies
  between the run's exact P-th and (P + e)-th percentiles, e = 100 * sum(k_b - 1)
  / n (``percentile_error``; 0.05 for blocks of 10^5 and the default sketch);
* rank correlations (the tornado of each quantity against the total, and the
  targets of a rank model): the mean over blocks, weighted by block size, of
  each block's Spearman coefficient (tied values at their mean rank);
* samples, when asked for: gathered in block order.

Each process loads libstoka once. The library's random sources are
process-wide, so a block seeds both at its start and holds a per-process lock
until its samples are copied out: nothing of one block's state reaches another.

The command line (``python3 -m stoka.cluster``) is what ``stoka run --workers
N``, ``--scheduler ADDRESS`` and ``--block-size B`` hand their run to.
"""
import argparse
import contextlib
import ctypes
import io
import json
import os
import subprocess
import sys
import tempfile

import numpy as np

from ._lib import LOCK, lib, program_path, ptr

DEFAULT_BLOCK = 100000
DEFAULT_SKETCH = 2048
_MASK64 = (1 << 64) - 1


def block_seed(seed, index):
    """The 32-bit seed of block `index` of a run seeded `seed`: the upper half of
    SplitMix64's output for the state (seed << 32) | index."""
    z = (((seed & 0xFFFFFFFF) << 32) | (index & 0xFFFFFFFF)) + 0x9E3779B97F4A7C15 & _MASK64
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9 & _MASK64
    z = (z ^ (z >> 27)) * 0x94D049BB133111EB & _MASK64
    return (z ^ (z >> 31)) >> 32


def block_sizes(samples, block):
    """Blocks of `block` samples; the last takes the remainder, or joins the
    block before it when the remainder is a single sample (a block needs two)."""
    if block < 2 or samples < 2:
        raise ValueError("a run and a block each need at least 2 samples")
    sizes = [block] * (samples // block)
    rest = samples - block * len(sizes)
    if rest == 1 and sizes:
        sizes[-1] += 1
    elif rest:
        sizes.append(rest)
    return sizes


# ---------------------------------------------------------------- the model


def load_model(model):
    """A model given as a dict, JSON text or a file path: (dict, name)."""
    if isinstance(model, dict):
        return model, "model"
    if isinstance(model, (str, os.PathLike)) and os.path.exists(model):
        with open(model, encoding="utf-8") as f:
            return json.load(f), os.fspath(model)
    return json.loads(model), "model"


def _names(model):
    return [q["name"] for q in model["quantities"]]


# ---------------------------------------------------------------- block runners
# A block runner takes (model dict, sample count, seed) and returns the samples,
# one row per quantity, with exactly the numbers of `stoka run` for that count
# and seed.

# family: (creator, parameters in the creator's order; a lognormal's location defaults to 0)
_FAMILIES = {
    "uniform": ("CreateUniformDistribution", ("min", "max")),
    "triangular": ("CreateTriangularDistribution", ("mode", "min", "max")),
    "logtriangular": ("CreateLogTriangularDistribution", ("mode", "min", "max")),
    "pert": ("CreatePertDistribution", ("mode", "min", "max")),
    "beta": ("CreateBetaDistribution", ("alpha", "beta", "min", "max")),
    "normal": ("CreateNormalDistribution", ("mean", "sd")),
    "lognormal": ("CreateLogNormalDistribution", ("mu", "sigma", "location")),
    "bernoulli": ("CreateBernoulliDistribution", ("p",)),
    "constant": ("CreateConstantDistribution", ("value",)),
    "discreteuniform": ("CreateDiscreteUniformDistribution", ("min", "max")),
}

# The library's random sources and the C runtime's rand are process-wide: one
# block at a time in a process, and no other call of the package in between,
# from its seeding until its samples are copied.
_process_lock = LOCK


def library_can_run(model):
    """True when every quantity is given by its parameters (fitted quantities are
    left to the program, whose fits the model file promises)."""
    return all("judged" not in q and not _AFTER_DRAWING.intersection(q)
               and (q.get("family") in _FAMILIES or q.get("family") == "discrete")
               for q in model["quantities"])


# Keys of a quantity that change its sample after the draw (risk events,
# windows) or its part in the total: such models run through the program.
_AFTER_DRAWING = {"occurs", "low", "high", "total"}


def _make_distribution(q):
    handle = ctypes.c_void_p()
    family = q["family"]
    if family == "discrete":
        values = np.ascontiguousarray(q["values"], dtype=np.float64)
        if "weights" in q:
            weights = np.ascontiguousarray(q["weights"], dtype=np.uint32)
            made = lib.CreateDiscreteDistributionWeighted(
                ptr(values), weights.ctypes.data_as(ctypes.POINTER(ctypes.c_uint)), len(values),
                ctypes.byref(handle))
        else:
            made = lib.CreateDiscreteDistribution(ptr(values), len(values), ctypes.byref(handle))
    else:
        creator, names = _FAMILIES[family]
        args = [q.get(n, 0.0) if n == "location" else q[n] for n in names]
        if family == "discreteuniform":
            args = [int(a) for a in args]
        made = getattr(lib, creator)(*args, ctypes.byref(handle))
    if not made:
        raise ValueError(f"{q['name']}: these parameters do not describe a {family} distribution")
    return handle


def run_block_in_library(model, n, seed):
    """One block through libstoka in this process, as `stoka run` draws it:
    quantities, both random sources seeded, the correlation manager's sample,
    and for a rank model the reordering."""
    latin = model.get("method", "latin") in ("latin", "latin-hypercube")
    rank = model.get("correlation_method") == "rank"
    index = {name: k for k, name in enumerate(_names(model))}
    with _process_lock:
        dists, methods, manager, engine = [], [], ctypes.c_void_p(), ctypes.c_void_p()
        try:
            for q in model["quantities"]:
                dists.append(_make_distribution(q))
            lib.stoka_seed_all(seed)
            if not lib.CreateCorrelationManager(ctypes.byref(manager)) or lib.SetDataCount(manager, n):
                raise RuntimeError("the correlation manager refused the block")
            for d in dists:
                m = ctypes.c_void_p()
                if latin:  # a constant has no strata: Monte Carlo whatever the method
                    lib.CreateLatinCubeMethod(ctypes.byref(m), d, 0.0, 1.0, n)
                if not m.value:
                    lib.CreateMonteCarloMethod(ctypes.byref(m), d, 0.0, 1.0)
                methods.append(m)
                if lib.AddDistribution(manager, m.value):
                    raise RuntimeError("the correlation manager refused a quantity")
            for c in model.get("correlations", []) if not rank else []:
                a, b = (methods[index[x]].value for x in c["between"])
                if lib.SetCorrelation(manager, a, b, c["coefficient"], False):
                    raise RuntimeError("the correlation manager refused a correlation")
            if lib.RecalculateManager(manager):
                raise RuntimeError("the correlation manager could not sample the block")
            out = np.empty((len(dists), n))
            for k, m in enumerate(methods):
                count = ctypes.c_uint()
                data = lib.GetDistributedData(manager, m.value, ctypes.byref(count))
                out[k] = np.ctypeslib.as_array(data, shape=(count.value,))
            if rank:
                if not lib.CreateRankCorrelation(ctypes.byref(engine), len(dists)):
                    raise RuntimeError("the rank-correlation engine refused the model")
                for c in model.get("correlations", []):
                    a, b = (index[x] for x in c["between"])
                    if lib.SetRankCorrelation(engine, a, b, c["coefficient"]):
                        raise RuntimeError("the rank-correlation engine refused a target")
                if lib.ApplyRankCorrelation(engine, ptr(out), n):
                    raise RuntimeError("the rank-correlation engine could not reorder the block")
            return out
        finally:
            lib.DestroyRankCorrelation(ctypes.byref(engine))
            lib.DestroyCorrelationManager(ctypes.byref(manager))
            for m in methods:
                lib.DestroyLatinCubeMethod(ctypes.byref(m))
            for d in dists:
                lib.DestroyConstantDistribution(ctypes.byref(d))


def run_block_in_program(model, n, seed, program):
    """One block through the `stoka` program: its samples file, read back exactly."""
    import pandas as pd
    with tempfile.TemporaryDirectory(prefix="stoka-block-") as tmp:
        path, csv = os.path.join(tmp, "model.json"), os.path.join(tmp, "samples.csv")
        with open(path, "w", encoding="utf-8") as f:
            json.dump(model, f)
        done = subprocess.run([program, "run", path, "--samples", str(n), "--seed", str(seed),
                               "--csv", csv], capture_output=True, text=True)
        if done.returncode:
            raise RuntimeError(done.stderr.strip())
        frame = pd.read_csv(csv, float_precision="round_trip")
        return np.ascontiguousarray(frame.to_numpy(dtype=np.float64).T)


def run_block(model, n, seed, program=None):
    """The block runner: in this process through libstoka when every quantity
    is given by its parameters, else through the program (`program_path()` when
    None), whose fits the model file promises."""
    if library_can_run(model):
        return run_block_in_library(model, n, seed)
    return run_block_in_program(model, n, seed, program or program_path())


# ---------------------------------------------------------------- statistics of a block


def _sorted_and_ranks(x):
    """Each row sorted, and the rank of each value in its row (from 1, tied
    values at their mean rank)."""
    order = np.argsort(x, axis=1)
    s = np.take_along_axis(x, order, axis=1)
    ranks = np.empty(x.shape)
    plain = np.arange(1.0, x.shape[1] + 1)
    for row, o, v in zip(ranks, order, s):
        tied = v[1:] == v[:-1]
        if not tied.any():
            row[o] = plain
            continue
        starts = np.flatnonzero(np.r_[True, ~tied])
        counts = np.diff(np.r_[starts, len(v)])
        row[o] = np.repeat(starts + (counts + 1) / 2.0, counts)
    return s, ranks


def _comoments(c):
    """Sums of c_i c_j over the samples, by numpy's pairwise sums: no BLAS, whose
    order of summation may change with the machine or the thread count."""
    out = np.empty((len(c), len(c)))
    work = np.empty(c.shape)
    for i in range(len(c)):
        np.multiply(c[i:], c[i], out=work[i:])
        out[i, i:] = work[i:].sum(axis=1)
        out[i:, i] = out[i, i:]
    return out


def summarise_block(samples, sketch=DEFAULT_SKETCH, rank_pairs=(), in_total=None):
    """The mergeable statistics of one block: the rows of `samples` and their
    total (the last row: the rows that in_total marks, every row when None)."""
    inputs = samples if in_total is None else samples[np.asarray(in_total, dtype=bool)]
    x = np.vstack([samples, inputs.sum(axis=0)])
    n = x.shape[1]
    s, r = _sorted_and_ranks(x)
    # A column of equal values has that value as its mean, not a rounded sum / n.
    mean = np.where(s[:, 0] == s[:, -1], s[:, 0], x.sum(axis=1) / n)
    c = x - mean[:, None]
    c2 = c * c
    step = -(-n // sketch)
    kept = np.arange(step - 1, n, step)
    if kept[-1] != n - 1:
        kept = np.r_[kept, n - 1]
    rc = r - (n + 1) / 2.0
    rss = (rc * rc).sum(axis=1)
    def spearman(i, j):  # NaN beside a constant
        with np.errstate(invalid="ignore", divide="ignore"):
            return float((rc[i] * rc[j]).sum() / np.sqrt(rss[i] * rss[j]))
    d = len(x) - 1
    return {
        "n": n, "mean": mean, "comoment": _comoments(c),
        "m3": (c2 * c).sum(axis=1), "m4": (c2 * c2).sum(axis=1),
        "min": s[:, 0].copy(), "max": s[:, -1].copy(),
        "kept": s[:, kept].copy(), "weights": np.diff(np.r_[-1, kept]).astype(np.int64),
        "slack": step - 1,
        "tornado": np.array([spearman(i, d) for i in range(d)]) * n,
        "rank": np.array([spearman(i, j) for i, j in rank_pairs]) * n,
    }


def merge(a, b):
    """Two blocks' statistics as one: Chan's update for the means and
    co-moments, Pebay's for the third and fourth moments."""
    na, nb = a["n"], b["n"]
    n = na + nb
    delta = b["mean"] - a["mean"]
    dn = delta / n
    m2a, m2b = np.diag(a["comoment"]), np.diag(b["comoment"])
    return {
        "n": n,
        "mean": a["mean"] + dn * nb,
        "comoment": a["comoment"] + b["comoment"] + np.outer(delta, delta) * (na * nb / n),
        "m3": a["m3"] + b["m3"] + delta * dn * dn * (na * nb * (na - nb))
              + 3.0 * dn * (na * m2b - nb * m2a),
        "m4": a["m4"] + b["m4"] + delta * dn ** 3 * (na * nb * (na * na - na * nb + nb * nb))
              + 6.0 * dn * dn * (na * na * m2b + nb * nb * m2a) + 4.0 * dn * (na * b["m3"] - nb * a["m3"]),
        "min": np.minimum(a["min"], b["min"]), "max": np.maximum(a["max"], b["max"]),
        "kept": np.hstack([a["kept"], b["kept"]]), "weights": np.r_[a["weights"], b["weights"]],
        "slack": a["slack"] + b["slack"],
        "tornado": a["tornado"] + b["tornado"], "rank": a["rank"] + b["rank"],
    }


def merge_tree(blocks):
    """The blocks merged in one fixed balanced tree over their indices, so the
    rounding is the same whichever block finished first."""
    if len(blocks) == 1:
        return blocks[0]
    half = (len(blocks) + 1) // 2
    return merge(merge_tree(blocks[:half]), merge_tree(blocks[half:]))


# ---------------------------------------------------------------- the run


_malloc_tuned = []


def _tune_malloc():
    """Dask's nanny starts its workers with MALLOC_TRIM_THRESHOLD_ set, which
    switches glibc's sliding mmap threshold off: every buffer of a block above
    128 KiB is then mapped and faulted in afresh, and a block takes twice the
    time. The thresholds a long-running process reaches by itself, once."""
    if not _malloc_tuned and "MALLOC_TRIM_THRESHOLD_" in os.environ:
        with contextlib.suppress(OSError, AttributeError):
            libc = ctypes.CDLL(None)
            libc.mallopt(-3, 32 << 20)  # M_MMAP_THRESHOLD: its largest value on 64 bits
            libc.mallopt(-1, 64 << 20)  # M_TRIM_THRESHOLD
        _malloc_tuned.append(True)


def _block_task(model, n, seed, sketch, rank_pairs, keep, program):
    _tune_malloc()
    samples = run_block(model, n, seed, program)
    in_total = [q.get("total", True) is not False for q in model["quantities"]]
    return summarise_block(samples, sketch, rank_pairs, in_total), (samples if keep else None)


class RunResult:
    """The merged statistics of a run: each array has one entry per quantity and
    a last one for their total (`names` ends with "Total")."""

    def __init__(self, model, names, sizes, block, seed, merged, samples):
        n = merged["n"]
        self.model, self.names, self.n, self.seed, self.block = model, names + ["Total"], n, seed, block
        self.blocks = len(sizes)
        self.mean = merged["mean"]
        self.covariance = merged["comoment"] / (n - 1)
        m2 = np.diag(merged["comoment"])
        self.variance = m2 / (n - 1)
        self.sd = np.sqrt(self.variance)
        with np.errstate(invalid="ignore", divide="ignore"):  # NaN for a constant
            self.skewness = np.sqrt(n) * merged["m3"] / m2 ** 1.5
            self.kurtosis = n * merged["m4"] / (m2 * m2) - 3.0
            self.correlation = merged["comoment"] / np.sqrt(np.outer(m2, m2))
        self.min, self.max = merged["min"], merged["max"]
        self.tornado = merged["tornado"] / n
        self.rank_achieved = merged["rank"] / n
        self.percentile_error = 100.0 * merged["slack"] / n
        order = np.argsort(merged["kept"], axis=1, kind="stable")
        self._sorted = np.take_along_axis(merged["kept"], order, axis=1)
        self._cumulative = np.cumsum(merged["weights"][order], axis=1)
        self.samples = samples

    def percentile(self, below):
        """The value with `below` % of the run at or below it, one per column;
        within `percentile_error` points above the exact percentile."""
        if below <= 0:
            return self.min.copy()
        target = below / 100.0 * self.n
        return np.array([s[min(np.searchsorted(c, target), len(s) - 1)]
                         for s, c in zip(self._sorted, self._cumulative)])

    def frame(self):
        """The gathered samples as a pandas DataFrame (block order)."""
        import pandas as pd
        return pd.DataFrame(self.samples, columns=self.names[:-1])


def run(model, samples=None, seed=None, client=None, block=DEFAULT_BLOCK, *, gather=False,
        sketch=DEFAULT_SKETCH, workers=None, program=None):
    """Runs `model` (dict, JSON text or file) as blocks of `block` samples on the
    Dask `client` (in this process when None; on the given `workers` of it only,
    when given) and returns a RunResult; with gather=True its `samples` holds
    every sample, one column per quantity, in block order. The sample count and
    seed default to the model's."""
    model, _ = load_model(model)
    samples = int(model.get("samples", 10000) if samples is None else samples)
    seed = int(model.get("seed", 1) if seed is None else seed)
    names = _names(model)
    rank_pairs = ([tuple(names.index(x) for x in c["between"]) for c in model.get("correlations", [])]
                  if model.get("correlation_method") == "rank" else [])
    sizes = block_sizes(samples, block)
    jobs = [(model, n, block_seed(seed, b), sketch, rank_pairs, gather, program)
            for b, n in enumerate(sizes)]
    if client is None:
        results = [_block_task(*job) for job in jobs]
    else:
        futures = [client.submit(_block_task, *job, pure=False, workers=workers) for job in jobs]
        results = client.gather(futures)
    merged = merge_tree([r[0] for r in results])
    gathered = np.hstack([r[1] for r in results]).T if gather else None
    return RunResult(model, names, sizes, block, seed, merged, gathered)


# ---------------------------------------------------------------- the program's report


def report(result, file, quantities_text="", correlations=()):
    """The text `stoka run` prints for a run spread over blocks."""
    latin = result.model.get("method", "latin") in ("latin", "latin-hypercube")
    out = io.StringIO()
    out.write(f"Model {file}: {len(result.names) - 1} quantities, {result.n} "
              f"{'Latin hypercube' if latin else 'Monte Carlo'} samples in {result.blocks} blocks of "
              f"{result.block}, seed {result.seed}\n\n{quantities_text}")
    error = (f"each percentile at most {result.percentile_error:.3g} points above the exact one"
             if result.percentile_error else "exact percentiles")
    out.write(f"Summary (moments over every sample; {error})\n  {'quantity':<18}")
    out.write("".join(f"{h:>12}" for h in ("mean", "sd", "min", "P5", "P50", "P95", "max")) + "\n")
    columns = [result.mean, result.sd, result.min, result.percentile(5), result.percentile(50),
               result.percentile(95), result.max]
    for k, name in enumerate(result.names):
        out.write(f"  {name[:18]:<18}" + "".join(f"{c[k]:>12.6g}" for c in columns) + "\n")
    if correlations:
        rank = result.model.get("correlation_method") == "rank"
        out.write("\nCorrelations of ranks (Spearman, mean over blocks), every pair of a full matrix\n"
                  if rank else "\nCorrelations (Pearson, over every sample)\n")
        out.write(f"  {'pair':<36}{'target':>10}{'achieved':>10}\n")
        for k, c in enumerate(correlations):
            a, b = (result.names.index(x) for x in c["between"])
            reached = result.rank_achieved[k] if rank else result.correlation[a, b]
            out.write(f"  {(' / '.join(c['between']))[:36]:<36}{c['coefficient']:>10.3f}{reached:>10.3f}\n")
    out.write("\nTornado: rank correlation with the total (Spearman, mean over blocks)\n")
    for k in np.argsort(-np.abs(result.tornado), kind="stable"):
        t = result.tornado[k]
        bar = "#" * int(round(abs(t) * 40)) if np.isfinite(t) else ""
        out.write(f"  {result.names[k][:18]:<18}{t:>8.3f}  {bar}\n")
    return out.getvalue()


def _quantities_section(program, file, strict):
    """The program's own check of the model and its list of quantities."""
    command = [program or program_path(), "run", file, "--samples", "2"] + (["--strict"] if strict else [])
    done = subprocess.run(command, capture_output=True, text=True)
    if done.returncode:
        sys.stderr.write(done.stderr)
        sys.exit(done.returncode)
    text = done.stdout
    start = text.find("Quantities\n")
    return text[start:text.find("\nSummary", start) + 1] if start >= 0 else ""


def _write_csv(path, names, samples):
    tmp = f"{path}.tmp-{os.getpid()}"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write(",".join(names) + "\n")
        for row in samples:
            f.write(",".join("%.17g" % v for v in row) + "\n")
    os.replace(tmp, path)


@contextlib.contextmanager
def _client(workers, scheduler):
    if not workers and not scheduler:
        yield None
        return
    import logging
    from distributed import Client, LocalCluster
    logging.getLogger("distributed").setLevel(logging.ERROR)
    if scheduler:
        with Client(scheduler) as c:
            yield c
        return
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def main(argv=None):
    p = argparse.ArgumentParser(prog="stoka run", description="A model run in blocks, on Dask")
    p.add_argument("model")
    p.add_argument("--samples", type=int)
    p.add_argument("--seed", type=int)
    p.add_argument("--block-size", type=int, default=DEFAULT_BLOCK)
    p.add_argument("--workers", type=int, default=0)
    p.add_argument("--scheduler")
    p.add_argument("--csv")
    p.add_argument("--strict", action="store_true")
    p.add_argument("--program", help="the stoka program of the blocks with fitted quantities")
    a = p.parse_args(argv)
    quantities = _quantities_section(a.program, a.model, a.strict)
    model, _ = load_model(a.model)
    try:
        with _client(a.workers, a.scheduler) as client:
            result = run(model, a.samples, a.seed, client, a.block_size, gather=bool(a.csv),
                         program=a.program)
    except (ValueError, RuntimeError) as e:
        sys.exit(f"stoka: {a.model}: {e}")
    sys.stdout.write(report(result, a.model, quantities, model.get("correlations", [])))
    if a.csv:
        _write_csv(a.csv, result.names[:-1], result.samples)
        print(f"\nSamples written to {a.csv}")
    return 0


if __name__ == "__main__":
    # The tasks must name their functions as stoka.cluster's, not __main__'s,
    # for the workers to find them.
    from stoka import cluster
    sys.exit(cluster.main())
