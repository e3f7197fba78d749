"""Sample statistics through the library: stoka.stats.mean(data), ... and
describe(data). Variance and sd divide by n - 1; kurtosis is the excess kurtosis;
percentiles interpolate linearly between order statistics."""
from ._lib import InputError, doubles, lib, number, ptr

# function name: flat function of (const double* data, int n)
_OF_DATA = {
    "mean": "stoka_stats_mean", "variance": "stoka_stats_variance", "sd": "stoka_stats_sd",
    "skew": "stoka_stats_skew", "kurtosis": "stoka_stats_kurtosis", "min": "stoka_stats_min",
    "max": "stoka_stats_max", "median": "stoka_stats_median",
    "autocorrelation": "stoka_stats_autocorrelation",
}


def _data(data, what="data"):
    values = doubles(data, what).ravel()
    if values.size == 0:
        raise InputError("%s holds no values" % what)
    return values


def _statistic(name, flat):
    def statistic(data):
        values = _data(data)
        return getattr(lib, flat)(ptr(values), values.size)

    statistic.__name__ = name
    statistic.__doc__ = "The %s of the data (%s; NaN where it needs two values)." % (name, flat)
    return statistic


for _name, _flat in _OF_DATA.items():
    globals()[_name] = _statistic(_name, _flat)


def percentile(data, p, upper=False):
    """The p-th percentile (p in percent); counted from the top when upper is true."""
    p = number(p, "p")
    if not 0 <= p <= 100:
        raise InputError("p must lie from 0 to 100, not %r" % p)
    values = _data(data)
    return lib.stoka_stats_percentile(ptr(values), values.size, p, bool(upper))


def correlation(x, y):
    """Pearson's correlation of x and y (of equal length)."""
    a, b = _data(x, "x"), _data(y, "y")
    if a.size != b.size:
        raise InputError("x and y must have equal length")
    return lib.stoka_stats_correlation(ptr(a), ptr(b), a.size)


def describe(data):
    """Every statistic of the data, by name (with P5 and P95)."""
    values = _data(data)
    out = {name: globals()[name](values) for name in _OF_DATA}
    out["P5"] = percentile(values, 5)
    out["P95"] = percentile(values, 95)
    out["n"] = values.size
    return out
