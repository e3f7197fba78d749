"""A run in blocks: the block runner against the program, the merge against
the whole sample, and the same numbers at any worker count on real processes."""
import json
import os
import signal
import subprocess
import threading

import numpy as np
import pytest

import stoka
from stoka import cluster, program_path

PROGRAM = program_path()
MODEL = {"samples": 2501, "seed": 2385, "quantities": [
    {"name": "Design", "family": "triangular", "min": 120, "mode": 150, "max": 240},
    {"name": "Build", "family": "pert", "min": 700, "mode": 900, "max": 1400},
    {"name": "Fit", "family": "lognormal", "mu": 6.2, "sigma": 0.25, "location": 100},
    {"name": "Lots", "family": "discrete", "values": [1, 2.5, 4], "weights": [3, 1, 2]},
    {"name": "Fixed", "family": "constant", "value": 2.385}],
    "correlations": [{"between": ["Design", "Build"], "coefficient": 0.6},
                     {"between": ["Build", "Fit"], "coefficient": -0.3}]}
# fitted, a risk event, a window inside a correlated group, a count out of the total
EXTRA = dict(MODEL, quantities=MODEL["quantities"] + [
    {"name": "Judged", "family": "pert", "judged": {"P10": 12, "P50": 15, "P90": 20}},
    {"name": "Risk", "family": "uniform", "min": 10, "max": 30, "occurs": 0.3},
    {"name": "Cut", "family": "normal", "mean": 5, "sd": 2, "low": 3, "high": 8},
    {"name": "Count", "family": "discreteuniform", "min": 1, "max": 5, "total": False}],
    correlations=MODEL["correlations"] + [{"between": ["Cut", "Design"], "coefficient": 0.4}])
FIELDS = ("mean", "covariance", "skewness", "kurtosis", "min", "max", "tornado", "rank_achieved")


def same(a, b):
    for f in FIELDS:
        np.testing.assert_array_equal(getattr(a, f), getattr(b, f), err_msg=f)
    for p in (5, 50, 95):
        np.testing.assert_array_equal(a.percentile(p), b.percentile(p))


def program_block(model, n, seed, tmp_path):
    """The samples `stoka run` writes for n and seed, a row per quantity."""
    path, csv = tmp_path / "model.json", tmp_path / "samples.csv"
    path.write_text(json.dumps(model))
    subprocess.run([PROGRAM, "run", str(path), "--samples", str(n), "--seed", str(seed),
                    "--csv", str(csv), "-q"], check=True)
    return np.loadtxt(csv, delimiter=",", skiprows=1, ndmin=2).T


@pytest.mark.parametrize("model", [MODEL, EXTRA, dict(EXTRA, method="montecarlo"),
                                   dict(EXTRA, correlation_method="rank")])
def test_a_block_is_the_programs_run(model, tmp_path):
    opened = cluster.open_model(json.dumps(model))
    for n, seed in ((700, 99), (333, 7)):  # the second after the first, in the same process
        x = opened.run(n, seed)
        drawn = program_block(model, n, seed, tmp_path)
        np.testing.assert_array_equal(x[:-1], drawn)
        total = np.zeros(n)
        for row, q in zip(drawn, model["quantities"]):
            total += row if q.get("total", True) else 0.0
        np.testing.assert_array_equal(x[-1], total)


def test_a_refused_model_is_named(tmp_path):
    bad = {"quantities": [{"name": "A", "family": "pert", "min": 3, "mode": 1, "max": 2}]}
    with pytest.raises(stoka.InputError, match=r"quantities\[0\] \(\"A\"\).*min < max"):
        cluster.run(bad, 100, 1, block=50)
    with pytest.raises(stoka.InputError, match="line 1, column 16"):
        cluster.run('{"quantities": ]', block=50)
    with pytest.raises(stoka.InputError, match="samples"):
        cluster.open_model(json.dumps(MODEL)).run(1, 1)
    path = tmp_path / "bad.json"
    path.write_text(json.dumps(bad))
    done = subprocess.run([PROGRAM, "run", str(path), "--block-size", "50"], capture_output=True, text=True)
    assert done.returncode == 1 and done.stderr.startswith(f"stoka: {path}: quantities[0]")


def test_seeds_and_sizes():
    # SplitMix64 from state 0 gives 0xE220A8397B1DCDAF first.
    assert cluster.block_seed(0, 0) == 0xE220A839
    assert cluster.block_sizes(2501, 500) == [500, 500, 500, 500, 501]
    assert cluster.block_sizes(2502, 500)[-1] == 2


@pytest.mark.parametrize("model,block,sketch", [(MODEL, 500, 2048), (EXTRA, 700, 64)])
def test_merge_matches_the_whole_sample(model, block, sketch, tmp_path):
    r = cluster.run(model, block=block, sketch=sketch, gather=True)
    in_total = [q.get("total", True) for q in model["quantities"]]
    x = np.column_stack([r.samples, r.samples[:, in_total].sum(axis=1)])
    np.testing.assert_allclose(r.mean, x.mean(axis=0), rtol=1e-13)
    np.testing.assert_allclose(r.covariance, np.cov(x.T), rtol=1e-9, atol=1e-9)
    c = x - x.mean(axis=0)
    m2 = (c ** 2).mean(axis=0)
    with np.errstate(invalid="ignore", divide="ignore"):
        np.testing.assert_allclose(r.skewness, (c ** 3).mean(axis=0) / m2 ** 1.5, rtol=1e-8)
        np.testing.assert_allclose(r.kurtosis, (c ** 4).mean(axis=0) / m2 ** 2 - 3, rtol=1e-8)
    assert (r.min == x.min(axis=0)).all() and (r.max == x.max(axis=0)).all()
    s = np.sort(x, axis=0)
    for p in (2.385, 50, 95):  # between the exact P and P + error
        lo = int(np.ceil(p / 100 * r.n)) - 1
        hi = min(lo + int(round(r.percentile_error / 100 * r.n)), r.n - 1)
        assert (s[lo] <= r.percentile(p)).all() and (r.percentile(p) <= s[hi]).all()
    assert (r.percentile_error == 0) == (block <= sketch)
    for k in range(len(r.names)):  # each count within the slack of the exact one
        lo, width, counts = r.histogram(k)
        at = (x[:, k] - lo) / width if width > 0 else np.zeros(r.n)
        exact = np.bincount(np.clip(at, 0, 11).astype(int), minlength=12)
        assert counts.sum() == r.n and np.abs(counts - exact).max() <= r.slack
    k = r.blocks - 1  # the last block, drawn after the others in this process
    last = program_block(model, r.n - k * block, cluster.block_seed(2385, k), tmp_path)
    np.testing.assert_array_equal(r.samples[k * block:], last.T)


@pytest.fixture(scope="module")
def client():
    from distributed import Client, LocalCluster
    with LocalCluster(n_workers=8, threads_per_worker=1, dashboard_address=None) as lc, \
            Client(lc) as c:
        yield c


def test_same_numbers_at_any_worker_count_and_after_a_killed_worker(client):
    model = dict(MODEL, samples=96000, correlation_method="rank")
    alone = cluster.run(model, block=4000, gather=True)
    addresses = sorted(client.scheduler_info()["workers"])
    for workers in (1, 2, 8):
        same(alone, cluster.run(model, block=4000, client=client, workers=addresses[:workers]))
    # A worker killed mid-run: Dask runs its blocks again elsewhere.
    got = {}
    t = threading.Thread(target=lambda: got.update(r=cluster.run(
        model, block=4000, client=client, gather=True)))
    t.start()
    busy = []
    while t.is_alive() and not busy:  # one snapshot: a worker with a block in hand
        busy = [w for w, keys in client.processing().items() if keys]
    assert busy, "the run ended before a worker could be killed"
    os.kill(client.run(os.getpid, workers=busy[:1])[busy[0]], signal.SIGKILL)
    t.join()
    same(alone, got["r"])
    np.testing.assert_array_equal(alone.samples, got["r"].samples)


def test_program_reports_the_same_in_process_on_local_workers_and_on_a_scheduler(client, tmp_path):
    path = tmp_path / "model.json"
    path.write_text(json.dumps(EXTRA))
    def program(where, *options):  # (stdout, stderr, the picture, the samples)
        for f in ("p.html", "s.csv"):
            (tmp_path / f).unlink(missing_ok=True)
        done = subprocess.run([PROGRAM, "run", str(path), "--block-size", "600", "--seed", "11"]
                              + where + list(options), capture_output=True, text=True, check=True)
        return (done.stdout, done.stderr) + tuple(
            (tmp_path / f).read_text() if (tmp_path / f).exists() else None for f in ("p.html", "s.csv"))
    scheduler = ["--scheduler", client.scheduler.address]
    for options in ([], ["-q"], ["--plot", "-"]):
        alone = program([], *options)
        assert alone == program(scheduler, *options)
    # the picture on standard output, the report on standard error
    assert alone[0].startswith("<svg") and "in 5 blocks of 600, seed 11" in alone[1]
    assert program([], "-q") == ("", "", None, None)
    every = ["--json", "--plot", str(tmp_path / "p.html"), "--csv", str(tmp_path / "s.csv")]
    alone = program([], *every)
    for where in (["--workers", "1"], ["--workers", "2"], scheduler):
        assert alone == program(where, *every)
    # the program's report holds the merged numbers, bit for bit
    report, r = json.loads(alone[0]), cluster.run(EXTRA, 2501, 11, block=600, gather=True)
    assert report["percentile_method"] == "kept_order_statistics" and report["blocks"]["count"] == 5
    assert report["blocks"]["percentile_error"] == r.percentile_error and report["samples"] == 2501
    assert [q["summary"]["mean"] for q in report["quantities"]] == list(r.mean[:-1])
    assert report["total"]["summary"]["P95"] == r.percentile(95)[-1]
    assert [p["value"] for p in report["total"]["percentiles"]] == [r.percentile(p)[-1] for p in (10, 50, 80, 90)]
    assert [p["spearman"] for p in report["correlations"]] == list(r.rank_achieved)
    assert "missed" not in report["correlations"][0]  # no single draw judged the targets
    np.testing.assert_array_equal(np.loadtxt(tmp_path / "s.csv", delimiter=",", skiprows=1), r.samples)
    assert "<!DOCTYPE html>" in alone[2] and "in 5 blocks of 600" in alone[2]


def test_a_run_in_blocks_reports_the_repair_of_its_rank_targets(tmp_path):
    path = tmp_path / "model.json"
    path.write_text(json.dumps(dict(MODEL, correlation_method="rank", correlations=[
        {"between": ["Design", "Build"], "coefficient": 0.9}, {"between": ["Build", "Fit"], "coefficient": 0.9},
        {"between": ["Design", "Fit"], "coefficient": -0.9}])))
    def repaired(*options):
        done = subprocess.run([PROGRAM, "run", str(path), "--json"] + list(options), capture_output=True,
                              check=True)
        return json.loads(done.stdout)["matrix_repaired_by"]
    assert repaired("--block-size", "1000") == repaired() > 0.4


def test_run_in_blocks_through_stoka_run():
    model = {"quantities": [{"name": "A", "family": "normal", "mean": 0, "sd": 1},
                            {"name": "B", "family": "uniform", "min": 0, "max": 1, "total": False}]}
    merged = stoka.run(model, 4000, 3, block=1000)
    assert merged.n == 4000
    with pytest.raises(stoka.InputError):
        stoka.run(model, 4000, 3, block=1000, strict=True)


def test_one_block_prints_the_programs_histograms(tmp_path):
    path = tmp_path / "model.json"
    path.write_text(json.dumps(dict(EXTRA, samples=1500)))
    def histograms(*options):
        out = subprocess.run([PROGRAM, "run", str(path)] + list(options), capture_output=True,
                             text=True, check=True).stdout
        return out[out.index("\nHistograms\n"):out.find("\nSamples written")]
    assert histograms("--block-size", "2000") == histograms("--seed", str(cluster.block_seed(2385, 0)))
