"""Generation methods: Latin hypercube and Monte Carlo draws from a distribution."""
import ctypes

import numpy as np

from ._dist import Distribution
from ._lib import Handle, InputError, StokaError, count, lib, number, ptr, seed


class Method(Handle):
    """A generation method over a distribution, which it keeps alive (closing the
    distribution closes the method). Draws continue from call to call."""

    _destroy = "DestroyLatinCubeMethod"  # destroys either kind

    def __init__(self, distribution, make):
        if not isinstance(distribution, Distribution):
            raise InputError("a generation method needs a stoka distribution, not %r"
                             % (distribution,))
        out = ctypes.c_void_p()
        make(out)
        if not out.value:
            raise InputError("%s over %r refused: the window must hold probability"
                             % (type(self).__name__, distribution))
        Handle.__init__(self, out.value)
        self.distribution = distribution
        distribution._depend(self)

    @property
    def id(self):
        """The identifier the correlation manager knows this method by."""
        return self._h()

    def draw(self, n, probabilities=False, seed=None):
        """The next n draws (and their probability positions); seed as in
        Distribution.sample."""
        n = count(n, "the number of draws")
        handle = self._h()
        _seed(seed)
        values = np.empty(n)
        probs = np.empty(n) if probabilities else None
        done = lib.GetRandomValuesFromMethod(handle, n, ptr(values),
                                             ptr(probs) if probabilities else None)
        if done != n:
            raise StokaError("GetRandomValuesFromMethod drew %d of %d values" % (done, n))
        return (values, probs) if probabilities else values

    @property
    def bounds(self):
        """The quantiles at the ends of the window."""
        lo, hi = ctypes.c_double(), ctypes.c_double()
        lib.MethodGetBounds(self._h(), ctypes.byref(lo), ctypes.byref(hi))
        return lo.value, hi.value

    def set_bounds(self, low, high):
        """Draw only values between low and high (values of the quantity)."""
        low, high = number(low, "low"), number(high, "high")
        if not high > low:
            raise InputError("the window needs low < high")
        lib.MethodSetBounds(self._h(), low, high)


_seed = seed


class LatinHypercube(Method):
    """LatinHypercube(distribution, count, lower=0, upper=1): each cycle of count
    draws takes one value in each of count equal strata of probability between
    lower and upper, in random order."""

    def __init__(self, distribution, count_, lower=0.0, upper=1.0):
        n = count(count_, "the stratum count")
        lo, hi = number(lower, "lower"), number(upper, "upper")
        Method.__init__(self, distribution, lambda out: lib.CreateLatinCubeMethod(
            ctypes.byref(out), distribution._h(), lo, hi, n))


class MonteCarlo(Method):
    """MonteCarlo(distribution, lower=0, upper=1): independent draws with
    probability between lower and upper."""

    def __init__(self, distribution, lower=0.0, upper=1.0):
        lo, hi = number(lower, "lower"), number(upper, "upper")
        Method.__init__(self, distribution, lambda out: lib.CreateMonteCarloMethod(
            ctypes.byref(out), distribution._h(), lo, hi))


def latin_design(dimensions, points, seed=None):
    """A Latin hypercube design of uniforms from the GSL stream: points x dimensions,
    each column holding one point in each of the points equal strata of [0, 1]."""
    d = count(dimensions, "dimensions")
    n = count(points, "points")
    if d * n > 2**31 - 1:
        raise InputError("the design holds at most 2^31 - 1 numbers")
    _seed(seed)
    data = lib.latin_random_new(d, n)
    if not data:
        raise StokaError("the design could not be allocated")
    try:
        # column after column of the library's layout is row after row here
        return np.ctypeslib.as_array(data, shape=(n, d)).copy()
    finally:
        ctypes.CDLL(None).free(ctypes.cast(data, ctypes.c_void_p))
