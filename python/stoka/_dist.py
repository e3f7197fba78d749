"""Distributions as objects with SciPy's method names.

Each family is a row of FAMILIES: its parameters in the order the class
takes them, the library's creator with the order it takes them in, the rule
the parameters keep, and the mean and variance in closed form (None where the
moments are integrated over the quantile). Densities, cumulative probabilities
and quantiles of whole arrays go through the library's array calls, one call
per array.
"""
import ctypes
import inspect
import math

import numpy as np

from ._lib import Handle, InputError, StokaError, count, doubles, lib, number, ptr, seed


def _pert_shapes(lo, mode, hi):
    return 1 + 4 * (mode - lo) / (hi - lo), 1 + 4 * (hi - mode) / (hi - lo)


def _beta_moments(a, b, lo, hi):
    s = a + b
    return lo + (hi - lo) * a / s, (hi - lo) ** 2 * a * b / (s * s * (s + 1))


# class name, family, parameters (with defaults), creator, creator's order, rule, moments
FAMILIES = [
    ("Uniform", "uniform", ("min", "max"), "CreateUniformDistribution", ("min", "max"),
     "min < max", lambda lo, hi: ((lo + hi) / 2, (hi - lo) ** 2 / 12)),
    ("Triangular", "triangular", ("min", "mode", "max"), "CreateTriangularDistribution",
     ("mode", "min", "max"), "min < max and min <= mode <= max",
     lambda lo, m, hi: ((lo + m + hi) / 3,
                        (lo * lo + m * m + hi * hi - lo * m - lo * hi - m * hi) / 18)),
    ("LogTriangular", "logtriangular", ("min", "mode", "max"), "CreateLogTriangularDistribution",
     ("mode", "min", "max"), "min < max of one sign and min <= mode <= max", None),
    ("Pert", "pert", ("min", "mode", "max"), "CreatePertDistribution", ("mode", "min", "max"),
     "min < max and min <= mode <= max",
     lambda lo, m, hi: _beta_moments(*_pert_shapes(lo, m, hi), lo, hi)),
    ("Beta", "beta", ("alpha", "beta", "min", "max"), "CreateBetaDistribution",
     ("alpha", "beta", "min", "max"),
     "min < max, alpha and beta above 0.3001 and alpha + beta below 99999.9999", _beta_moments),
    ("Normal", "normal", ("mean", "sd"), "CreateNormalDistribution", ("mean", "sd"), "sd > 0",
     lambda mean, sd: (mean, sd * sd)),
    ("LogNormal", "lognormal", ("mu", "sigma", ("location", 0.0)), "CreateLogNormalDistribution",
     ("mu", "sigma", "location"), "sigma > 0 (mu and sigma of the logarithm of x - location)",
     lambda mu, s, loc: (loc + math.exp(mu + s * s / 2),
                         math.expm1(s * s) * math.exp(2 * mu + s * s))),
    ("Bernoulli", "bernoulli", ("p",), "CreateBernoulliDistribution", ("p",), "0 <= p <= 1",
     lambda p: (p, p * (1 - p))),
    ("Constant", "constant", ("value",), "CreateConstantDistribution", ("value",),
     "a finite value", lambda v: (v, 0.0)),
    ("DiscreteUniform", "discreteuniform", ("min", "max"), "CreateDiscreteUniformDistribution",
     ("min", "max"), "whole numbers with min <= max",
     lambda lo, hi: ((lo + hi) / 2, ((hi - lo + 1) ** 2 - 1) / 12)),
]


class Distribution(Handle):
    """A distribution of the library. Methods take and return numpy arrays (a
    scalar for a scalar); percentiles follow SciPy: ppf(0.1) is the value with
    a 10 % chance of lying below it."""

    family = None
    params = None  # {name: value} as given
    _destroy = "DestroyConstantDistribution"  # destroys any family

    def _map(self, name, x):
        values = np.asarray(doubles(x))
        flat = values.ravel()
        out = np.empty_like(flat)
        if flat.size:
            done = getattr(lib, name)(self._h(), flat.size, ptr(flat), ptr(out))
            if done != flat.size:
                raise StokaError("%s answered %d for %d values" % (name, done, flat.size))
        out = out.reshape(values.shape)
        return float(out) if out.ndim == 0 else out

    def pdf(self, x):
        """The density at x (for a discrete family, the probability of x)."""
        return self._map("GetPDFValues", x)

    def cdf(self, x):
        """The probability of a value at or below x."""
        return self._map("GetCDFValues", x)

    def ppf(self, q):
        """The quantile: the value below which the probability is q (NaN for q
        outside [0, 1], as in SciPy, where some families would clamp)."""
        q = np.asarray(doubles(q))
        out = np.asarray(self._map("GetInverseCDFValues", q))
        out[(q < 0) | (q > 1)] = np.nan
        return float(out) if out.ndim == 0 else out

    def sf(self, x):
        return self._map("GetSFValues", x)

    def isf(self, q):
        return self.ppf(1.0 - np.asarray(q, dtype=float))

    def median(self):
        return self.ppf(0.5)

    def support(self):
        """The smallest and largest value (their bounds for an unbounded family)."""
        handle = self._h()
        return lib.GetMinValue(handle), lib.GetMaxValue(handle)

    def _moments(self):
        return _quantile_moments(self)

    def mean(self):
        return self._moments()[0]

    def var(self):
        return self._moments()[1]

    def std(self):
        return math.sqrt(self._moments()[1])

    def sample(self, n, method="latin", seed=None, probabilities=False):
        """n values drawn by Latin hypercube (one value in each of n equal strata of
        probability, in random order) or Monte Carlo ("montecarlo"); with
        probabilities=True also the probability positions they were drawn from.

        A constant is drawn by Monte Carlo whatever the method, as in `stoka run`.
        seed seeds both of the library's random sources first (stoka_seed_all);
        None continues them. The sources are process-wide: equal seeds give equal
        samples, in this package as in the stoka program."""
        from ._sampling import LatinHypercube, MonteCarlo

        n = count(n, "the sample size")
        if method == "latin" and self.family != "constant":  # a constant has no strata
            sampler = LatinHypercube(self, n)
        elif method in ("montecarlo", "latin"):
            sampler = MonteCarlo(self)
        else:
            raise InputError('method must be "latin" or "montecarlo", not %r' % (method,))
        with sampler:
            _seed(seed)
            return sampler.draw(n, probabilities=probabilities)

    def rvs(self, size=None, random_state=None, method="latin"):
        """SciPy's name for sample(): size an int or a shape (None: one value);
        Latin hypercube over the whole size unless method="montecarlo"."""
        shape = () if size is None else (size,) if np.ndim(size) == 0 else tuple(size)
        n = int(np.prod(shape, dtype=np.int64))
        if n == 0:
            return np.empty(shape)
        values = self.sample(n, method=method, seed=random_state).reshape(shape)
        return float(values) if values.ndim == 0 else values

    def name(self):
        """The library's name of the family."""
        text = lib.GetDistributionName(self._h())
        return text.decode() if text else ""

    def __repr__(self):
        if not self._handle:
            return "<closed %s>" % type(self).__name__
        args = ", ".join("%s=%r" % kv for kv in (self.params or {}).items())
        return "stoka.%s(%s)" % (type(self).__name__, args)


_seed = seed


def _quantile_moments(dist, nodes=64):
    """Mean and variance as integrals of the quantile over (0, 1), split at the
    median and at the mode's probability where there is one. Substituting
    p = split u^2 (and 1 - p likewise) takes away the square-root ends of
    triangular laws, so Gauss-Legendre converges on each piece."""
    u, w = np.polynomial.legendre.leggauss(nodes)
    u, w = (u + 1) / 2, w / 2
    split = 0.5
    if "mode" in (dist.params or {}):
        split = float(dist.cdf(dist.params["mode"]))
    p = np.concatenate([split * u * u, 1 - (1 - split) * u * u])
    weight = np.concatenate([2 * split * u * w, 2 * (1 - split) * u * w])
    q = dist.ppf(p)
    mean = float(np.dot(weight, q))
    return mean, float(np.dot(weight, (q - mean) ** 2))


def _family_class(class_name, family, params, creator, order, rule, moments):
    names = [p if isinstance(p, str) else p[0] for p in params]
    signature = inspect.Signature([
        inspect.Parameter(p, inspect.Parameter.POSITIONAL_OR_KEYWORD) if isinstance(p, str) else
        inspect.Parameter(p[0], inspect.Parameter.POSITIONAL_OR_KEYWORD, default=p[1])
        for p in params])
    integers = family == "discreteuniform"

    def __init__(self, *args, **kwargs):
        try:
            bound = signature.bind(*args, **kwargs)
        except TypeError as e:
            raise InputError("%s takes %s: %s" % (class_name, ", ".join(names), e)) from None
        bound.apply_defaults()
        given = {k: number(v, k) for k, v in bound.arguments.items()}
        if integers:
            if not all(v == math.floor(v) and abs(v) < 2**31 for v in given.values()):
                raise InputError("%s needs %s" % (class_name, rule))
            given = {k: int(v) for k, v in given.items()}
        out = ctypes.c_void_p()
        if not getattr(lib, creator)(*[given[k] for k in order], ctypes.byref(out)):
            raise InputError("%s(%s): not a %s distribution: it needs %s" % (
                class_name, ", ".join("%s=%r" % kv for kv in given.items()), family, rule))
        Handle.__init__(self, out.value)
        self.params = given

    def _moments(self):
        return moments(*self.params.values()) if moments else _quantile_moments(self)

    doc = "The %s family: %s(%s), with %s." % (family, class_name, ", ".join(names), rule)
    cls = type(class_name, (Distribution,), {
        "__init__": __init__, "__signature__": signature, "__doc__": doc, "family": family,
        "_moments": _moments, "__module__": "stoka"})
    return cls


for _row in FAMILIES:
    globals()[_row[0]] = _family_class(*_row)


class Discrete(Distribution):
    """Discrete(values, weights=None): the values (duplicates accumulate), each of
    weight 1 or of its whole-number weight."""

    family = "discrete"

    def __init__(self, values, weights=None):
        v = doubles(values, "values").ravel()
        if v.size == 0 or not np.all(np.isfinite(v)):
            raise InputError("Discrete needs a non-empty list of finite values")
        out = ctypes.c_void_p()
        if weights is None:
            made = lib.CreateDiscreteDistribution(ptr(v), v.size, ctypes.byref(out))
        else:
            w = np.asarray(weights)
            if w.shape != v.shape or not np.all((w >= 0) & (w == np.floor(w)) & (w < 2**26)):
                raise InputError("weights: one whole number from 0 to 2^26 per value")
            w = np.ascontiguousarray(w, dtype=np.uint32)
            made = lib.CreateDiscreteDistributionWeighted(
                ptr(v), w.ctypes.data_as(ctypes.POINTER(ctypes.c_uint)), v.size,
                ctypes.byref(out))
        if not made:
            raise InputError("the library refused the discrete values (at most 2^26 in all, "
                             "weights not all 0)")
        Handle.__init__(self, out.value)
        self.params = {"values": v.copy()} if weights is None else {
            "values": v.copy(), "weights": np.asarray(weights).copy()}

    def values(self):
        """Every value in ascending order, repeated as often as its weight."""
        n = ctypes.c_uint()
        data = lib.GenericDiscreteGetValues(self._h(), ctypes.byref(n))
        if not data:
            raise StokaError("the discrete values could not be read")
        return np.ctypeslib.as_array(data, shape=(n.value,)).copy()

    def _moments(self):
        v = self.values()
        return float(v.mean()), float(v.var())
