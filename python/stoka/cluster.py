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
* rank correlations (the tornado of each quantity against the total, and each
  target pair's): the mean over blocks, weighted by block size, of
  each block's Spearman coefficient (tied values at their mean rank);
* samples, when asked for: gathered in block order.

Each block is drawn by libstoka_model, the `stoka` program's own model runner
(model file, fits, methods, correlation step, windows, risk events, total),
in the worker's process: a block has exactly the samples of `stoka run
--samples n_b --seed block_seed(seed, b)`. Each process loads libstoka and
libstoka_model once and fits a model once. The library's random sources are
process-wide, so a block seeds both at its start and holds the package's lock
until its samples are copied out: nothing of one block's state reaches another.

The command line (``python3 -m stoka.cluster``) is what ``stoka run --workers
N``, ``--scheduler ADDRESS`` and ``--block-size B`` hand their run to: it
hands the merged statistics back, and the program writes its report, JSON,
samples and picture from them with its own code.
"""
import argparse
import contextlib
import ctypes
import json
import os
import signal
import sys

import numpy as np

from ._lib import LOCK, StokaError
from ._model import Model

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
    """A model given as a dict, JSON text or a file path: (JSON text, name)."""
    if isinstance(model, dict):
        return json.dumps(model), "model"
    if isinstance(model, (str, os.PathLike)) and os.path.exists(model):
        with open(model, encoding="utf-8") as f:
            return f.read(), os.fspath(model)
    return model, "model"


# The models a process has opened, by their text: a worker fits a model's
# quantities once, not once per block. A block seeds both random sources
# itself, so nothing of one block reaches the next.
_opened = {}


def open_model(text, name="model", strict=False):
    """The model of JSON text `text` opened (checked, fitted) in this process,
    once: a stoka._model.Model, whose run(n, seed) draws a block."""
    key = (text, name, strict)
    with LOCK:
        if key not in _opened:
            while len(_opened) >= 4:  # a model still in use closes when its last user is done
                _opened.pop(next(iter(_opened)))
            _opened[key] = Model(text, name, strict)
        return _opened[key]


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


def summarise_block(x, sketch=DEFAULT_SKETCH, rank_pairs=()):
    """The mergeable statistics of one block: the rows of `x`, the last of
    which is the total."""
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


def _block_task(text, name, strict, n, seed, sketch, rank_pairs, keep):
    _tune_malloc()
    x = open_model(text, name, strict).run(n, seed)
    return summarise_block(x, sketch, rank_pairs), (x[:-1] if keep else None)


class RunResult:
    """The merged statistics of a run: each array has one entry per quantity and
    a last one for their total (`names` ends with "Total")."""

    def __init__(self, model, opened, sizes, block, seed, merged, samples):
        n = merged["n"]
        self.model, self.names, self.n, self.seed, self.block = model, opened.names + ["Total"], n, seed, block
        self.latin, self.rank, self.in_total = opened.latin, opened.rank, opened.in_total
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
        self.slack = merged["slack"]
        self.percentile_error = 100.0 * self.slack / n
        order = np.argsort(merged["kept"], axis=1, kind="stable")
        self._sorted = np.take_along_axis(merged["kept"], order, axis=1)
        self._weights = merged["weights"][order]
        self._cumulative = np.cumsum(self._weights, axis=1)
        self.samples = samples

    def _at(self, counts):
        """Each column's smallest kept value with at least counts[i] samples at
        or below it: a row per column."""
        return np.array([s[np.minimum(np.searchsorted(c, counts), len(s) - 1)]
                         for s, c in zip(self._sorted, self._cumulative)])

    def percentile(self, below):
        """The value with `below` % of the run at or below it, one per column;
        within `percentile_error` points above the exact percentile."""
        if below <= 0:
            return self.min.copy()
        return self._at(np.array([below / 100.0 * self.n]))[:, 0]

    def points(self, m):
        """m values standing for each column's run, ascending: its percentiles
        at (j + 1/2) / m, j = 0 .. m - 1 (every sample, when m = n and the
        percentiles are exact). The program draws its pictures from them."""
        return self._at((np.arange(m) + 0.5) * (self.n / m))

    def report_data(self, percents=(10, 50, 80, 90), points=0):
        """What the program reports of the run, as JSON data (a number that is
        not finite as the string "nan", "inf" or "-inf"): the summaries of every
        column, the total at `percents`, each correlation target's Pearson and
        Spearman coefficients, each input's rank correlation with the total
        and share of its variance, the histograms, and with points > 0
        self.points(min(points, n))."""
        def number(x):
            x = float(x)
            return x if np.isfinite(x) else str(x)

        def numbers(xs):
            return [number(x) for x in xs]
        var = self.covariance[-1, -1]
        sensitivity = []
        for k in range(len(self.names) - 1):
            if self.in_total[k]:  # a constant moves nothing
                moving = self.variance[k] > 0 and var > 0
                sensitivity.append(numbers([self.tornado[k], self.covariance[k, -1] / var] if moving
                                           else [0.0, 0.0]))
        pairs = [[self.names.index(x) for x in c["between"]] for c in self.model.get("correlations", [])]
        summaries = np.column_stack([self.mean, self.sd, self.min, self.percentile(5),
                                     self.percentile(50), self.percentile(95), self.max])
        data = {
            "samples": int(self.n), "seed": int(self.seed), "block_size": int(self.block),
            "blocks": int(self.blocks), "percentile_error": float(self.percentile_error),
            "slack": int(self.slack), "summaries": [numbers(row) for row in summaries],
            "total_at": [number(self.percentile(p)[-1]) for p in percents],
            "pairs": [numbers([self.correlation[a, b], self.rank_achieved[k]])
                      for k, (a, b) in enumerate(pairs)],
            "sensitivity": sensitivity,
            "histograms": [[number(lo), number(width), [int(c) for c in counts]]
                           for lo, width, counts in map(self.histogram, range(len(self.names) - 1))],
        }
        if points:
            data["points"] = [numbers(row) for row in self.points(min(points, self.n))]
        return data

    def histogram(self, k, bins=12):
        """Counts of column k in `bins` equal bins from its least to its largest
        finite value, as `stoka run` bins a sample: (low, width, counts). Counted
        from the kept order statistics, each count lies within `slack` of the
        exact one (exact when slack is 0)."""
        values, weights = self._sorted[k], self._weights[k]
        finite = np.isfinite(values)
        lo, hi = self.min[k], self.max[k]
        if not (np.isfinite(lo) and np.isfinite(hi)):  # the extremes of the finite values
            lo, hi = (values[finite].min(), values[finite].max()) if finite.any() else (0.0, -1.0)
        counts = np.zeros(bins, dtype=np.int64)
        if lo > hi:
            return 0.0, 1.0, counts
        width = (hi - lo) / bins
        at = (values[finite] - lo) / width if width > 0 else np.zeros(finite.sum())
        np.add.at(counts, np.clip(at, 0, bins - 1).astype(np.int64), weights[finite])
        return lo, width, counts

    def frame(self):
        """The gathered samples as a pandas DataFrame (block order)."""
        import pandas as pd
        return pd.DataFrame(self.samples, columns=self.names[:-1])


def run(model, samples=None, seed=None, client=None, block=DEFAULT_BLOCK, *, gather=False,
        sketch=DEFAULT_SKETCH, workers=None, strict=False):
    """Runs `model` (dict, JSON text or file) as blocks of `block` samples on the
    Dask `client` (in this process when None; on the given `workers` of it only,
    when given) and returns a RunResult; with gather=True its `samples` holds
    every sample, one column per quantity, in block order. The sample count and
    seed default to the model's; strict makes a judged value that its fit misses
    an error. The model is checked and fitted here before any block is sent."""
    text, name = load_model(model)
    opened = open_model(text, name, strict)
    model = json.loads(text)  # valid JSON: the model was opened
    samples = int(opened.samples if samples is None else samples)
    seed = int(opened.seed if seed is None else seed)
    names = opened.names
    rank_pairs = [tuple(names.index(x) for x in c["between"]) for c in model.get("correlations", [])]
    sizes = block_sizes(samples, block)
    jobs = [(text, name, strict, n, block_seed(seed, b), sketch, rank_pairs, gather)
            for b, n in enumerate(sizes)]
    if client is None:
        results = [_block_task(*job) for job in jobs]
    else:
        futures = [client.submit(_block_task, *job, pure=False, workers=workers) for job in jobs]
        results = client.gather(futures)
    merged = merge_tree([r[0] for r in results])
    gathered = np.hstack([r[1] for r in results]).T if gather else None
    return RunResult(model, opened, sizes, block, seed, merged, gathered)


# ---------------------------------------------------------------- the program's helper


@contextlib.contextmanager
def _client(workers, scheduler):
    if not workers and not scheduler:
        yield None
        return
    import logging
    import warnings
    from distributed import Client, LocalCluster
    logging.getLogger("distributed").setLevel(logging.ERROR)
    logging.getLogger("asyncio").setLevel(logging.CRITICAL)  # the futures a run cut short leaves
    # The scheduler's HTTP server moves to a free port by itself when 8787 is taken.
    warnings.filterwarnings("ignore", message="Port 8787 is already in use")
    if scheduler:
        with Client(scheduler) as c:
            yield c
        return
    with LocalCluster(n_workers=workers, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def _interrupted(signum, frame):
    raise KeyboardInterrupt


def main(argv=None):
    """`stoka run` in blocks: the program checks the model and its outputs,
    starts this, and reports what it hands back on the descriptor --result-fd:
    report_data() as one line of JSON, then with --gather every sample as
    doubles of this machine, quantity by quantity, in block order. Errors go to
    standard error, and nothing to standard output."""
    p = argparse.ArgumentParser(prog="stoka run", description="A model run in blocks, on Dask")
    p.add_argument("model")
    p.add_argument("--samples", type=int)
    p.add_argument("--seed", type=int)
    p.add_argument("--block-size", type=int, default=DEFAULT_BLOCK)
    p.add_argument("--workers", type=int, default=0)
    p.add_argument("--scheduler")
    p.add_argument("--strict", action="store_true")
    p.add_argument("--percentiles", default="10,50,80,90")
    p.add_argument("--result-fd", type=int, required=True)
    p.add_argument("--gather", action="store_true")
    p.add_argument("--points", type=int, default=0)
    a = p.parse_args(argv)
    os.set_inheritable(a.result_fd, False)  # never held open by a worker process
    # Ended, its cluster closed, when told to or when the program that started
    # it ends (Linux).
    signal.signal(signal.SIGTERM, _interrupted)
    with contextlib.suppress(OSError, AttributeError):
        ctypes.CDLL(None).prctl(1, signal.SIGTERM)  # PR_SET_PDEATHSIG
    try:
        # checked and fitted before a cluster is started
        open_model(*load_model(a.model), a.strict)
        with _client(a.workers, a.scheduler) as client:
            result = run(a.model, a.samples, a.seed, client, a.block_size, gather=a.gather,
                         strict=a.strict)
        data = result.report_data([float(p) for p in a.percentiles.split(",")], a.points)
    except (StokaError, ValueError, MemoryError, OSError) as e:  # OSError: no scheduler there
        sys.exit(f"stoka: {e}")
    except KeyboardInterrupt:
        sys.exit(130)
    with os.fdopen(a.result_fd, "wb") as out:
        out.write(json.dumps(data, allow_nan=False).encode("utf-8") + b"\n")
        if a.gather:
            out.write(memoryview(np.ascontiguousarray(result.samples.T)).cast("B"))
    return 0


if __name__ == "__main__":
    # The tasks must name their functions as stoka.cluster's, not __main__'s,
    # for the workers to find them.
    from stoka import cluster
    sys.exit(cluster.main())
