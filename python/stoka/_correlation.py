"""The correlation manager and the rank-correlation engine."""
import ctypes
from collections import namedtuple

import numpy as np

from ._lib import CodeError, Handle, InputError, count, doubles, lib, number, ptr
from ._sampling import Method

Outcome = namedtuple("Outcome", "reached met bound")


def _manager_check(code, what=""):
    if code != 0:
        raise CodeError(code, lib.stoka_manager_code_text(code).decode(), what)


def _rank_check(code, what=""):
    if code != 0:
        raise CodeError(code, lib.stoka_rank_code_text(code).decode(), what)


class CorrelationManager(Handle):
    """Samples of generation methods drawn together with target (Pearson)
    correlations between pairs; the pairs form a tree. The manager keeps its
    methods alive, and a method that is closed leaves the manager first."""

    _destroy = "DestroyCorrelationManager"

    def __init__(self, count_=1000, tolerance=0.03, max_steps=10):
        out = ctypes.c_void_p()
        if not lib.CreateCorrelationManager(ctypes.byref(out)):
            raise CodeError(-1, "the correlation manager could not be created")
        Handle.__init__(self, out.value)
        self._methods = {}
        self.count = count_
        self.tolerance = tolerance
        self.max_steps = max_steps

    @property
    def count(self):
        """The number of values each sample holds."""
        return lib.GetDataCount(self._h())

    @count.setter
    def count(self, n):
        _manager_check(lib.SetDataCount(self._h(), count(n, "count", 1, 2**32 - 1)), "count")

    @property
    def tolerance(self):
        handle = ctypes.c_void_p(self._h())
        return lib.GetCorrelationTolerance(ctypes.byref(handle))

    @tolerance.setter
    def tolerance(self, value):
        _manager_check(lib.SetCorrelationTolerance(self._h(), number(value, "tolerance")),
                       "tolerance")

    @property
    def max_steps(self):
        return lib.GetCorrelationMaxSteps(self._h())

    @max_steps.setter
    def max_steps(self, steps):
        _manager_check(lib.SetCorrelationMaxSteps(self._h(), count(steps, "max_steps", 0, 2**32 - 1)),
                       "max_steps")

    def _id(self, method, registered=True):
        if not isinstance(method, Method):
            raise InputError("the manager takes generation methods (LatinHypercube, "
                             "MonteCarlo), not %r" % (method,))
        if registered and method._handle not in self._methods:
            raise CodeError(6, lib.stoka_manager_code_text(6).decode(), repr(method))
        return method.id

    def _keep(self, method):
        self._methods[method.id] = method
        method._depend(self)

    def add(self, method):
        """Registers a method; returns it."""
        _manager_check(lib.AddDistribution(self._h(), self._id(method, False)), "add")
        self._keep(method)
        return method

    def remove(self, method):
        lib.RemoveDistribution(self._h(), self._id(method))
        self._methods.pop(method.id, None)

    def _release(self, method):
        if self._handle and method._handle in self._methods:
            self.remove(method)

    def replace(self, old, new):
        """new takes old's place, coefficients and rank; every sample is emptied."""
        _manager_check(lib.ReplaceDistribution(self._h(), self._id(old),
                                               self._id(new, False)), "replace")
        self._methods.pop(old.id, None)
        self._keep(new)

    def correlate(self, a, b, coefficient):
        """Target correlation between a and b (registering them)."""
        c = number(coefficient, "coefficient")
        _manager_check(lib.SetCorrelation(self._h(), self._id(a, False), self._id(b, False), c,
                                          False), "correlate")
        self._keep(a)
        self._keep(b)

    def correlation(self, a, b):
        """The target between a and b (1 for a == b, 0 when none is set)."""
        return lib.GetCorrelation(self._h(), self._id(a), self._id(b))

    def uncorrelate(self, a, b):
        _manager_check(lib.RemoveCorrelation(self._h(), self._id(a), self._id(b)), "uncorrelate")

    def clear(self):
        """Removes every target; the methods stay registered."""
        lib.ClearCorrelations(self._h())

    def recalculate(self):
        """Draws new samples of count values and correlates them; returns the number
        of pairs that miss their target (outcome() tells by how much)."""
        _manager_check(lib.RecalculateManager(self._h()), "recalculate")
        return self.missed()

    def missed(self):
        n = ctypes.c_uint()
        _manager_check(lib.CountMissedCorrelations(self._h(), ctypes.byref(n)), "missed")
        return n.value

    def outcome(self, a, b):
        """Outcome(reached, met, bound) of the pair over its current samples."""
        reached, met, bound = ctypes.c_double(), ctypes.c_int(), ctypes.c_double()
        _manager_check(lib.GetCorrelationOutcome(self._h(), self._id(a), self._id(b),
                                                 ctypes.byref(reached), ctypes.byref(met),
                                                 ctypes.byref(bound)), "outcome")
        return Outcome(reached.value, bool(met.value), bound.value)

    def achieved(self, a, b):
        """Pearson's coefficient of the two current samples."""
        out = ctypes.c_double()
        _manager_check(lib.CalculateCorrelation(self._h(), self._id(a), self._id(b),
                                                ctypes.byref(out)), "achieved")
        return out.value

    def fill(self, method):
        """Draws count values of method as its sample, in one call."""
        _manager_check(lib.FillDistributedData(self._h(), self._id(method), self.count), "fill")

    def set_sample(self, method, data):
        values = doubles(data, "data").ravel()
        if values.size == 0:
            raise InputError("a sample needs at least one value")
        _manager_check(lib.SetDistributedData(self._h(), self._id(method), ptr(values),
                                              values.size), "set_sample")

    def sample(self, method):
        """A copy of the sample of method (empty when it has none)."""
        n = ctypes.c_uint()
        data = lib.GetDistributedData(self._h(), self._id(method), ctypes.byref(n))
        if not data or n.value == 0:
            return np.empty(0)
        return np.ctypeslib.as_array(data, shape=(n.value,)).copy()

    def methods(self):
        """The registered methods in the order of registration."""
        handle = self._h()
        lib.RebuildDistributions(handle)
        n = ctypes.c_uint()
        ids = lib.GetAllDistributions(handle, ctypes.byref(n))
        return [self._methods[ids[i]] for i in range(n.value) if ids[i] in self._methods]

    def samples(self):
        """Every sample as one array, a column per method in registration order."""
        return np.column_stack([self.sample(m) for m in self.methods()])


class RankCorrelation(Handle):
    """Target rank (Spearman) correlations over count quantities, reached by
    reordering samples (Iman and Conover); any matrix, repaired to the nearest
    valid one unless repair is off."""

    _destroy = "DestroyRankCorrelation"

    def __init__(self, count_, repair=True):
        self.size = count(count_, "count", 1, 1024)
        out = ctypes.c_void_p()
        if not lib.CreateRankCorrelation(ctypes.byref(out), self.size):
            raise CodeError(-1, "the rank-correlation engine could not be created")
        Handle.__init__(self, out.value)
        self.repair = repair

    def _index(self, i):
        return count(i, "an index", 0, self.size - 1)

    def set(self, a, b, rho):
        _rank_check(lib.SetRankCorrelation(self._h(), self._index(a), self._index(b),
                                           number(rho, "rho")), "set")

    def get(self, a, b):
        return lib.GetRankCorrelation(self._h(), self._index(a), self._index(b))

    @property
    def matrix(self):
        """The target matrix as set."""
        return np.array([[self.get(a, b) for b in range(self.size)] for a in range(self.size)])

    @matrix.setter
    def matrix(self, m):
        m = doubles(m, "matrix")
        if m.shape != (self.size, self.size):
            raise InputError("the matrix must be %d x %d" % (self.size, self.size))
        _rank_check(lib.SetRankMatrix(self._h(), ptr(m), self.size), "matrix")

    @property
    def repair(self):
        return self._repair

    @repair.setter
    def repair(self, on):
        _rank_check(lib.SetRankRepair(self._h(), int(bool(on))), "repair")
        self._repair = bool(on)

    def check(self):
        """The largest change of a target that the matrix needs to be valid."""
        change = ctypes.c_double()
        _rank_check(lib.CheckRankMatrix(self._h(), ctypes.byref(change)), "check")
        return change.value

    def target(self, a, b):
        """The target in force (repaired where the matrix needed it)."""
        out = ctypes.c_double()
        _rank_check(lib.GetRankTargetInForce(self._h(), self._index(a), self._index(b),
                                             ctypes.byref(out)), "target")
        return out.value

    def apply(self, samples):
        """The samples (n x count, a column per quantity) reordered within each column
        so that their rank correlations meet the targets; a new array."""
        data = doubles(samples, "samples")
        if data.ndim != 2 or data.shape[1] != self.size or data.shape[0] < 2:
            raise InputError("samples must be an n x %d array with n >= 2" % self.size)
        block = np.ascontiguousarray(data.T)  # quantity after quantity
        _rank_check(lib.ApplyRankCorrelation(self._h(), ptr(block), data.shape[0]), "apply")
        return np.ascontiguousarray(block.T)

    def achieved(self, a, b):
        """Spearman's coefficient that the last apply reached between a and b."""
        out = ctypes.c_double()
        _rank_check(lib.GetRankAchieved(self._h(), self._index(a), self._index(b),
                                        ctypes.byref(out)), "achieved")
        return out.value


def rank_correlate(samples, matrix, repair=True):
    """samples (n x k) reordered to meet the rank-correlation matrix (k x k)."""
    data = doubles(samples, "samples")
    if data.ndim != 2:
        raise InputError("samples must be an n x k array")
    with RankCorrelation(data.shape[1], repair=repair) as engine:
        engine.matrix = matrix
        return engine.apply(data)
