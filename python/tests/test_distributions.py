"""Distributions against SciPy's, sampling, and the guards in front of the library."""
import ctypes
import math

import numpy as np
import pytest
from scipy import stats as sp

import stoka

TIGHT, CLOSE, LOOSE = 1e-12, 1e-9, 1e-6  # relative tolerance tiers


def pert(lo, m, hi):
    return sp.beta(1 + 4 * (m - lo) / (hi - lo), 1 + 4 * (hi - m) / (hi - lo), loc=lo,
                   scale=hi - lo)


# ours, SciPy's twin, tolerance of the densities, cumulative functions and quantiles
TWINS = [
    (stoka.Uniform(-1.25, 3.5), sp.uniform(-1.25, 4.75), TIGHT),
    (stoka.Triangular(2.385, 4.1, 9.75), sp.triang(1.715 / 7.365, loc=2.385, scale=7.365), CLOSE),
    (stoka.Pert(2.385, 4.1, 9.75), pert(2.385, 4.1, 9.75), CLOSE),
    (stoka.Beta(2.5, 1.75, -3.0, 7.5), sp.beta(2.5, 1.75, loc=-3, scale=10.5), CLOSE),
    (stoka.Normal(12.5, 3.25), sp.norm(12.5, 3.25), CLOSE),
    (stoka.LogNormal(1.2, 0.45, 10.0), sp.lognorm(0.45, loc=10, scale=math.exp(1.2)), CLOSE),
]


@pytest.mark.parametrize("ours, twin, tol", TWINS, ids=lambda v: getattr(v, "family", ""))
def test_continuous_families_agree_with_scipy(ours, twin, tol):
    q = np.linspace(0.001, 0.999, 257)
    x = twin.ppf(q)
    np.testing.assert_allclose(ours.pdf(x), twin.pdf(x), rtol=tol)
    np.testing.assert_allclose(ours.cdf(x), q, rtol=tol)
    np.testing.assert_allclose(ours.sf(x), 1 - q, rtol=tol)
    np.testing.assert_allclose(ours.ppf(q), x, rtol=tol)
    np.testing.assert_allclose([ours.mean(), ours.std()], [twin.mean(), twin.std()], rtol=TIGHT)
    assert ours.ppf(0.25) == ours.ppf([[0.25]])[0, 0]  # a scalar stays a scalar
    assert np.isnan(ours.ppf([-0.5, 1.5])).all()
    if np.all(np.isfinite(twin.support())):
        assert ours.support() == pytest.approx(twin.support(), rel=TIGHT)


@pytest.mark.parametrize("ours, twin", [
    (stoka.DiscreteUniform(3, 11), sp.randint(3, 12)),
    (stoka.Bernoulli(0.3), sp.bernoulli(0.3)),
    (stoka.Discrete([1.5, 2.5, 2.5, 4.0]), sp.rv_discrete(values=([15, 25, 40], [.25, .5, .25]))),
])
def test_discrete_families_agree_with_scipy(ours, twin):
    scale = 10.0 if isinstance(ours, stoka.Discrete) else 1.0  # rv_discrete takes integers
    k = np.arange(-1, 13) + 0.5  # between the atoms (the library's Bernoulli has F(0) = 0)
    np.testing.assert_allclose(ours.cdf(k / scale), twin.cdf(k), atol=TIGHT)
    np.testing.assert_allclose([ours.mean() * scale, ours.std() * scale],
                               [twin.mean(), twin.std()], rtol=TIGHT)


def test_logtriangular_moments_match_the_triangular_mgf_in_log_space():
    a, c, b = math.log(1.5), math.log(3.25), math.log(9.0)

    def mgf(t):  # E[exp(tY)] of Y triangular on [a, b] with mode c
        return 2 * ((b - c) * math.exp(a * t) - (b - a) * math.exp(c * t) +
                    (c - a) * math.exp(b * t)) / ((b - a) * (c - a) * (b - c) * t * t)

    d = stoka.LogTriangular(1.5, 3.25, 9.0)
    assert d.mean() == pytest.approx(mgf(1), rel=CLOSE)
    assert d.var() == pytest.approx(mgf(2) - mgf(1) ** 2, rel=CLOSE)


def test_latin_hypercube_sample_fills_every_stratum_and_repeats_by_seed():
    d = stoka.Triangular(2.385, 4.1, 9.75)
    x, p = d.sample(5000, seed=2026, probabilities=True)
    assert np.array_equal(np.sort(np.floor(p * 5000)), np.arange(5000))
    np.testing.assert_allclose(x, d.ppf(p), rtol=CLOSE)
    assert np.array_equal(x, d.rvs(5000, random_state=2026))
    assert d.rvs(size=(3, 4), random_state=1).shape == (3, 4)
    assert isinstance(d.rvs(), float)
    assert np.array_equal(stoka.Constant(2.5).sample(3), [2.5] * 3)


@pytest.mark.parametrize("method", ["latin", "montecarlo"])
def test_array_draws_equal_one_value_draws(method):
    d = stoka.Normal(12.5, 3.25)
    x = d.sample(300, method=method, seed=99)
    make = stoka.LatinHypercube(d, 300) if method == "latin" else stoka.MonteCarlo(d)
    stoka.seed(99)
    value, position = ctypes.c_double(), ctypes.c_double()
    one = []
    for _ in range(300):
        stoka.lib.GetRandomValueFromMethod(make.id, ctypes.byref(value), ctypes.byref(position))
        one.append(value.value)
    assert np.array_equal(x, one)


def test_method_window_and_latin_design():
    m = stoka.MonteCarlo(stoka.Normal(0, 1))
    m.set_bounds(-0.5, 1.25)
    x = m.draw(2000, seed=3)
    assert x.min() >= -0.5 and x.max() <= 1.25
    assert m.bounds == pytest.approx((-0.5, 1.25), rel=LOOSE)
    design = stoka.latin_design(3, 64, seed=5)
    assert design.shape == (64, 3)
    for column in design.T:
        assert np.array_equal(np.sort(np.floor(column * 64)), np.arange(64))


d = stoka.Triangular(1.0, 2.0, 5.0)

REFUSED = [  # a call that must raise, never reach the library with bad input
    lambda: stoka.Normal(0, -1), lambda: stoka.Triangular(5, 1, 2), lambda: stoka.Beta("a", 1, 0, 1),
    lambda: stoka.Normal(0), lambda: stoka.DiscreteUniform(1.5, 3), lambda: d.sample(0),
    lambda: d.sample(-3), lambda: d.sample(2.5), lambda: d.sample("x"), lambda: d.pdf("abc"),
    lambda: d.sample(10, method="sobol"), lambda: stoka.LatinHypercube(d, 0),
    lambda: stoka.LatinHypercube("triangle", 5), lambda: stoka.LatinHypercube(d, 5, 0.7, 0.2),
    lambda: stoka.seed(-1), lambda: stoka.Discrete([]), lambda: stoka.Discrete([1, math.nan]),
    lambda: stoka.Discrete([1, 2], [1]), lambda: stoka.Discrete([1, 2], [0.5, 1]),
    lambda: stoka.latin_design(0, 10), lambda: stoka.MonteCarlo(d).set_bounds(3, 2),
]


@pytest.mark.parametrize("call", REFUSED)
def test_bad_arguments_raise(call):
    with pytest.raises(stoka.InputError):
        call()


def test_closed_handles_raise_and_close_what_depends_on_them():
    dist = stoka.Uniform(0, 1)
    method = stoka.LatinHypercube(dist, 10)
    with stoka.CorrelationManager(10) as manager:
        manager.add(method)
        dist.close()
        assert manager.methods() == []
    for call in (lambda: dist.pdf(0.5), lambda: method.draw(3), dist.support):
        with pytest.raises(stoka.StokaError, match="closed"):
            call()
    assert repr(dist) == "<closed Uniform>"
    assert math.isnan(d.pdf(math.nan)) and d.pdf([]).shape == (0,)
