"""Fitting distributions.

From judged values, in the convention of `stoka fit` and of risk tools: P10 is
the value with a 10 % chance that the quantity lies below it.

    fitted = stoka.fit.pert(P10=12, P50=15, P90=22)
    dist, misses = fitted
    stoka.fit.beta(min=0, max=10, P25=3, P75=6)
    stoka.fit.lognormal(location=500, P10=800, P90=1400)

Fixed parameters go by name (mode, min, max, alpha, beta, mean, sd, location;
a lognormal's centre and spread as mean and sd, mu and sigma, or gm and gsd).
Every case is a row of the library's fitting lists, chosen by the family, the
fixed parameters and the number of judged values (cases() lists them). A
percentile like P2.5 goes in as **{"P2.5": x}.

To sample data: to_data(data, family) minimizes Pearson's statistic, from the
start points that `stoka stats` takes; to_data(data) fits every family, best
first. chi_square(distribution, data) is the statistic itself.
"""
import ctypes
import math
from collections import namedtuple

from . import _dist
from ._flat_table import FIT_ROWS
from ._lib import InputError, StokaError, captured, lib, ptr
from .stats import _data

# A fit's tolerance, and the miss that counts, as shares of the judged values' span.
RELATIVE_TOLERANCE = 1e-9
REPORTED_MISS = 1e-3

_SPOKEN = {"ML": "mode", "MIN": "min", "MAX": "max", "ALPHA": "alpha", "BETA": "beta",
           "MEAN": "mean", "SIGMA": "sd", "LOC": "location"}
# A lognormal's centre and spread by kind: arithmetic, of the logarithm, geometric.
_LOGNORMAL_KINDS = {0: ("mean", "sd"), 1: ("mu", "sigma"), 2: ("gm", "gsd")}


class FitError(StokaError):
    """A fit that found nothing, or (strict) missed a judged value; .lines holds
    the library's progress lines of the fit."""

    def __init__(self, message, lines=()):
        super().__init__(message)
        self.lines = list(lines)


class Miss(namedtuple("Miss", "below judged fitted")):
    """A judged value beside the fitted distribution's value at its percentile."""

    @property
    def miss(self):
        return self.fitted - self.judged

    def __str__(self):
        return "P%g: judged %.8g, fitted %.8g" % (self.below, self.judged, self.fitted)


class Fit:
    """A fitted distribution with its misses; unpacks as (distribution, misses)."""

    def __init__(self, distribution, misses, case, span):
        self.distribution = distribution
        self.misses = misses
        self.case = case  # the library's fitting function
        self.span = span  # the scale of the misses: the judged values' spread

    def __iter__(self):
        return iter((self.distribution, self.misses))

    @property
    def worst(self):
        return max(self.misses, key=lambda m: abs(m.miss), default=None)

    @property
    def missed(self):
        """Whether a judged value is missed by more than 0.1 % of the span."""
        worst = self.worst
        return worst is not None and abs(worst.miss) > REPORTED_MISS * self.span

    def __repr__(self):
        return "Fit(%r by %s, misses=[%s])" % (self.distribution, self.case,
                                               "; ".join(map(str, self.misses)))


class _Case(namedtuple("_Case", "family words name")):
    @property
    def points(self):
        return sum(w.startswith("X") for w in self.words)

    @property
    def fixed(self):
        return frozenset(_SPOKEN[w] for w in self.words if w in _SPOKEN)

    def describe(self):
        return " ".join(sorted(self.fixed) + ["%d value%s" % (self.points, "s"[:self.points > 1])])


_CASES = [_Case(f, words, name) for f, kind, words, name in FIT_ROWS if kind == "FIT"]


def cases(family=None):
    """The fitting cases: {family: ["fixed parameters, then n values", ...]}."""
    out = {}
    for c in _CASES:
        if family in (None, c.family):
            out.setdefault(c.family, []).append(c.describe())
    return out


def _judged(given):
    """(below, value) pairs from P<below>=value, rising, checked as stoka fit does."""
    points, fixed = [], {}
    for key, value in given.items():
        try:
            value = float(value)
        except (TypeError, ValueError):
            raise InputError("%s: %r is not a number" % (key, value)) from None
        if not math.isfinite(value):
            raise InputError("%s: %r is not a finite number" % (key, value))
        if key[:1] in ("P", "p"):
            try:
                below = float(key[1:])
            except ValueError:
                below = math.nan
            if not 1 <= below <= 99:
                raise InputError('"%s" is not a percentile from P1 to P99 (P10 is the value with '
                                 'a 10 %% chance of lying below)' % key)
            points.append((below, value))
        else:
            fixed[key] = value
    if not points:
        raise InputError("give at least one judged value, e.g. P10=4.2")
    points.sort()
    for (b0, v0), (b1, v1) in zip(points, points[1:]):
        if b0 == b1:
            raise InputError("the same percentile is given twice")
        if not v1 > v0:
            raise InputError("P%g = %g is not above P%g = %g: values must rise with their "
                             "percentiles" % (b1, v1, b0, v0))
    return points, fixed


def _span(points, fixed):
    values = [v for _, v in points] + [fixed[k] for k in ("min", "mode", "max") if k in fixed]
    lo, hi = min(values), max(values)
    return hi - lo if hi > lo else abs(lo) or 1.0


def judged(family, strict=False, **given):
    """Fits family to judged values P<below>=value and fixed parameters; returns a
    Fit. strict=True raises FitError when a judged value is missed by more than
    0.1 % of the judged values' span."""
    points, fixed = _judged(given)
    kind = 1
    if family == "lognormal":
        for k, (centre, spread) in _LOGNORMAL_KINDS.items():
            if centre in fixed or spread in fixed:
                kind = k
                for word, name in (("mean", centre), ("sd", spread)):
                    if name in fixed:
                        fixed[word] = fixed.pop(name)
                break
    candidates = [c for c in _CASES if c.family == family]
    if not candidates:
        raise InputError("cannot fit the family %r (fitted families: %s)"
                         % (family, ", ".join(sorted(cases()))))
    chosen = [c for c in candidates if c.fixed == set(fixed) and c.points == len(points)]
    if not chosen:
        raise InputError("no %s fit takes %s; the cases are:\n    %s" % (
            family, " ".join(sorted(fixed) + ["%d judged value(s)" % len(points)]),
            "\n    ".join(c.describe() for c in candidates)))
    case = chosen[0]
    span = _span(points, fixed)
    outputs = {}
    args = []
    for word in case.words:
        if word == "ITER":
            args.append(lib.variable(ctypes.c_int, "iter_count"))
        elif word == "TOL":
            args.append(RELATIVE_TOLERANCE * span)
        elif word == "KIND":
            args.append(kind)
        elif word[0] in "XP" and word[1:].isdigit():
            below, value = points[int(word[1:]) - 1]
            args.append(value if word[0] == "X" else 100.0 - below)
        elif word.endswith("_OUT"):
            outputs[word[:-4]] = ctypes.c_double()
            args.append(ctypes.byref(outputs[word[:-4]]))
        else:
            args.append(fixed[_SPOKEN[word]])
    with captured() as lines:
        result = getattr(lib, case.name)(*args)
    if result != 1:
        raise FitError("%s found no %s distribution through these values (check that they suit "
                       "the family and the fixed parameters)" % (case.name, family), lines)
    misses = []
    percent, at, fitted = ctypes.c_double(), ctypes.c_double(), ctypes.c_double()
    for i in range(lib.stoka_fit_miss_count()):
        lib.stoka_fit_miss(i, ctypes.byref(percent), ctypes.byref(at), ctypes.byref(fitted))
        misses.append(Miss(100.0 - percent.value, at.value, fitted.value))
    out = {k: v.value for k, v in outputs.items()}
    fit = Fit(_made(family, kind, out), misses, case.name, span)
    if strict and fit.missed:
        w = fit.worst
        raise FitError("no %s puts P%g at %.8g with the other judged values; the closest puts "
                       "it at %.8g" % (family, w.below, w.judged, w.fitted), lines)
    return fit


_CONVERT_TO_LOG = {0: "ConvertParamsLogNormalArToLog", 2: "ConvertParamsLogNormalGeoToLog"}


def _lognormal(location, centre, spread, kind):
    mu, sigma = ctypes.c_double(centre), ctypes.c_double(spread)
    if kind in _CONVERT_TO_LOG and not getattr(lib, _CONVERT_TO_LOG[kind])(
            location, centre, spread, ctypes.byref(mu), ctypes.byref(sigma)):
        raise FitError("the fitted lognormal cannot be expressed by mu and sigma")
    return _dist.LogNormal(mu.value, sigma.value, location)


def _made(family, kind, out):
    """The distribution of a fit's outputs (by the words ML, MIN, ...)."""
    if family == "beta":
        return _dist.Beta(out["ALPHA"], out["BETA"], out["MIN"], out["MAX"])
    if family == "normal":
        return _dist.Normal(out["MEAN"], out["SIGMA"])
    if family == "lognormal":
        return _lognormal(out["LOC"], out["MEAN"], out["SIGMA"], kind)
    return getattr(_dist, {"triangular": "Triangular", "pert": "Pert",
                           "logtriangular": "LogTriangular"}[family])(out["MIN"], out["ML"],
                                                                      out["MAX"])


def _fitter(family):
    def fit(strict=False, **given):
        return judged(family, strict=strict, **given)

    fit.__name__ = family
    fit.__doc__ = "Fits a %s to judged values: %s(P10=..., P90=..., fixed=...). Cases: %s." % (
        family, family, "; ".join(cases(family)[family]))
    return fit


for _family in sorted({c.family for c in _CASES}):
    globals()[_family] = _fitter(_family)


# Fits to data. family: the flat fit, the start from the sample, the class and its
# arguments from the outputs (a statistic last).
DataFit = namedtuple("DataFit", "family distribution statistic converged params")


def _starts(v):
    lo, hi = float(v.min()), float(v.max())
    mean, sd = float(v.mean()), float(v.std(ddof=1))
    pad = (hi - lo) * 0.01
    # bounds just outside the range; the mode from the mean of a triangle
    # (3 mean - min - max) or a Pert ((6 mean - min - max) / 4), inside the bounds
    min0, max0 = lo - pad, hi + pad
    tri = min(max(3 * mean - min0 - max0, min0), max0)
    pert = min(max((6 * mean - min0 - max0) / 4, min0), max0)
    return {
        "triangular": (tri, min0, max0), "pert": (pert, min0, max0),
        "beta": (2.0, 2.0, min0, max0), "lognormal": (mean, sd, lo - sd),
        "logtriangular": (max(tri, lo * 0.999), lo * 0.99, hi * 1.01) if lo > 0 else None,
    }


_DATA_FITS = {
    "triangular": ("stoka_ran_triangular_by_xi", ("mode", "min", "max"),
                   lambda m, lo, hi: _dist.Triangular(lo, m, hi)),
    "pert": ("stoka_ran_pert_by_xi", ("mode", "min", "max"),
             lambda m, lo, hi: _dist.Pert(lo, m, hi)),
    "logtriangular": ("stoka_ran_logtriangular_by_xi", ("mode", "min", "max"),
                      lambda m, lo, hi: _dist.LogTriangular(lo, m, hi)),
    "beta": ("stoka_ran_beta_by_xi", ("alpha", "beta", "min", "max"), _dist.Beta),
    "lognormal": ("stoka_ran_lognormal_by_xi", ("mean", "sd", "location"),
                  lambda mean, sd, loc: _lognormal(loc, mean, sd, 0)),
}


def to_data(data, family=None):
    """Fits family (uniform, triangular, pert, beta, lognormal, logtriangular) to the
    data by minimizing Pearson's statistic; returns a DataFit (distribution None
    when the parameters reached describe none). Without a family: every family,
    best first."""
    values = _data(data)
    if values.size < 2:
        raise InputError("a fit to data needs at least two values")
    if family is None:
        fits = [to_data(values, f) for f in ["uniform"] + list(_DATA_FITS)
                if f != "logtriangular" or values.min() > 0]
        return sorted(fits, key=lambda f: (not math.isfinite(f.statistic), f.statistic))
    out = [ctypes.c_double() for _ in range(5)]
    refs = [ctypes.byref(o) for o in out]
    if family == "uniform":
        names, make = ("min", "max"), _dist.Uniform
        with captured():
            converged = lib.CalcUniformByXi(values.size, ptr(values), *refs[:3]) == 1
    elif family in _DATA_FITS:
        name, names, make = _DATA_FITS[family]
        start = _starts(values)[family]
        if start is None:
            raise InputError("a logtriangular fit needs positive data")
        k = len(names)
        with captured():
            converged = getattr(lib, name)(*start, values.size, ptr(values),
                                           *refs[:k + 1]) == 1.0
    else:
        raise InputError("cannot fit %r to data (families: uniform, %s)"
                         % (family, ", ".join(_DATA_FITS)))
    params = {n: o.value for n, o in zip(names, out)}
    statistic = out[len(names)].value
    try:
        distribution = make(*params.values())
    except StokaError:
        distribution = None
    return DataFit(family, distribution, statistic, converged, params)


# The Pearson statistic against a family: flat function and its parameters from
# the distribution's (lognormal: arithmetic mean and sd, location included).
def _lognormal_arithmetic(p):
    mean, sd = ctypes.c_double(), ctypes.c_double()
    lib.ConvertParamsLogNormalLogToAr(p["location"], p["mu"], p["sigma"], ctypes.byref(mean),
                                      ctypes.byref(sd))
    return mean.value, sd.value, p["location"]


_PEARSON = {
    "uniform": ("pearson_uniform", lambda p: (p["min"], p["max"])),
    "triangular": ("stoka_ran_pearson_triangular", lambda p: (p["mode"], p["min"], p["max"])),
    "logtriangular": ("stoka_ran_pearson_logtriangular",
                      lambda p: (p["mode"], p["min"], p["max"])),
    "pert": ("stoka_ran_pearson_pert", lambda p: (p["mode"], p["min"], p["max"])),
    "beta": ("stoka_ran_pearson_beta", lambda p: (p["alpha"], p["beta"], p["min"], p["max"])),
    "normal": ("stoka_ran_pearson_gaussian", lambda p: (p["mean"], p["sd"])),
    "lognormal": ("stoka_ran_pearson_lognormal", _lognormal_arithmetic),
}


def chi_square(distribution, data):
    """Pearson's statistic (divided by n) of the data against the distribution,
    over equal-width intervals spanning the sample; 999999 where it is undefined."""
    if getattr(distribution, "family", None) not in _PEARSON:
        raise InputError("chi_square takes a distribution of %s" % ", ".join(_PEARSON))
    values = _data(data)
    name, args = _PEARSON[distribution.family]
    with captured():
        return getattr(lib, name)(*args(distribution.params), values.size, ptr(values))
