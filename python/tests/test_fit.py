"""Fits from judged values against `stoka fit`, their misses, and fits to data."""
import logging
import re
import subprocess

import numpy as np
import pytest

import stoka

CASES = [  # family, judged values and fixed parameters as `stoka fit` takes them
    ("pert", {"P10": 12, "P50": 15, "P90": 22}),
    ("beta", {"min": 0, "max": 10, "P25": 3, "P75": 6}),
    ("beta", {"P5": 1, "P25": 3, "P75": 6, "P95": 8}),
    ("lognormal", {"location": 500, "P10": 800, "P90": 1400}),
    ("lognormal", {"mean": 1000, "P10": 700, "P90": 1400}),
    ("triangular", {"mode": 5, "P10": 3, "P90": 9}),
    ("logtriangular", {"P10": 2, "P50": 3, "P90": 6}),
    ("normal", {"P5": 10, "P95": 20}),
]


@pytest.mark.parametrize("family, given", CASES)
def test_fits_give_the_parameters_of_the_program(family, given):
    fitted = getattr(stoka.fit, family)(**given)
    printed = subprocess.run(
        [stoka.program_path(), "fit", family] + ["%s=%s" % kv for kv in given.items()],
        capture_output=True, text=True, check=True).stdout
    line = re.search(r"parameters:(.*)", printed).group(1)
    expected = {k: float(v) for k, v in re.findall(r"(\w+) = (\S+)", line)}
    assert fitted.distribution.params == pytest.approx(expected, rel=1e-7, abs=1e-12)
    judged = sorted((float(k[1:]), v) for k, v in given.items() if k[0] == "P")
    assert [(m.below, m.judged) for m in fitted.misses] == judged
    for m in fitted.misses:
        assert m.fitted == pytest.approx(fitted.distribution.ppf(m.below / 100), rel=1e-9)


def test_a_fit_that_misses_says_which_value_and_strict_refuses_it():
    fitted = stoka.fit.pert(P10=12, P50=15, P90=22)
    dist, misses = fitted
    assert dist is fitted.distribution and len(misses) == 3
    assert fitted.missed and fitted.worst.below == 50 and fitted.worst.judged == 15
    assert fitted.worst.fitted == pytest.approx(15.118914, abs=1e-6)
    with pytest.raises(stoka.FitError, match="P50 at 15"):
        stoka.fit.pert(strict=True, P10=12, P50=15, P90=22)
    assert not stoka.fit.beta(min=0, max=10, P25=3, P75=6).missed


@pytest.mark.parametrize("call, error, reason", [
    (lambda: stoka.fit.pert(P10=12), stoka.InputError, "the cases are"),
    (lambda: stoka.fit.judged("gamma", P10=1), stoka.InputError, "cannot fit"),
    (lambda: stoka.fit.pert(P0=1, P50=2, P90=3), stoka.InputError, "P1 to P99"),
    (lambda: stoka.fit.pert(P10=1, p10=2, P90=3), stoka.InputError, "twice"),
    (lambda: stoka.fit.pert(P10=5, P50=4, P90=9), stoka.InputError, "must rise"),
    (lambda: stoka.fit.pert(P10="x", P50=4, P90=9), stoka.InputError, "not a number"),
    (lambda: stoka.fit.triangular(min=10, P10=5, P90=20), stoka.FitError, "found no"),
])
def test_bad_fits_raise_with_the_reason(call, error, reason):
    with pytest.raises(error, match=reason):
        call()


def test_fits_to_data_recover_the_family_and_rank_the_families():
    truth = stoka.Triangular(2.0, 5.0, 11.0)
    x = truth.sample(4000, seed=17)
    fit = stoka.fit.to_data(x, "triangular")
    assert fit.converged
    assert list(fit.params.values()) == pytest.approx([5.0, 2.0, 11.0], abs=0.3)
    assert stoka.fit.chi_square(truth, x) < 0.01
    ranked = stoka.fit.to_data(x)
    assert [f.statistic for f in ranked] == sorted(f.statistic for f in ranked)
    assert {f.family for f in ranked} == {"uniform", "triangular", "pert", "beta", "lognormal",
                                          "logtriangular"}
    with pytest.raises(stoka.InputError, match="positive"):
        stoka.fit.to_data(x - 3, "logtriangular")


def test_statistics_agree_with_numpy():
    x = stoka.Beta(2.5, 1.75, -3.0, 7.5).sample(1001, seed=4)
    y = np.sqrt(x + 3)
    s = stoka.stats.describe(x)
    expected = {"mean": x.mean(), "variance": x.var(ddof=1), "sd": x.std(ddof=1),
                "min": x.min(), "max": x.max(), "median": np.median(x),
                "P5": np.percentile(x, 5), "P95": np.percentile(x, 95), "n": 1001}
    assert {k: s[k] for k in expected} == pytest.approx(expected, rel=1e-12)
    assert stoka.stats.correlation(x, y) == pytest.approx(np.corrcoef(x, y)[0, 1], rel=1e-12)
    assert stoka.stats.percentile(x, 5, upper=True) == pytest.approx(np.percentile(x, 95))


def test_the_library_progress_lines_reach_the_logger(caplog):
    with caplog.at_level(logging.DEBUG, logger="stoka"):
        stoka.fit.lognormal(mean=1000, P10=700, P90=1400)
    assert any("sigma" in r.getMessage() for r in caplog.records)
