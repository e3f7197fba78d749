"""The library, loaded through ctypes with prototypes read from the flat lists.

The shared object is the one built with this package (stoka/_native), or the
one named by the environment variable STOKA_LIBRARY. Functions are bound on
first use from stoka/_flat_table.py, which setup.py writes from the lists of
stoka/flat/*.h: a function the lists name is called with exactly its declared
types, and one the loaded library lacks raises StokaError instead of failing
later.
"""
import atexit
import contextlib
import ctypes
import logging
import os
import threading
import weakref

import numpy as np

from . import _flat_table

_HERE = os.path.dirname(os.path.abspath(__file__))

# The largest count one array call takes (its count is a C int).
MAX_COUNT = 2**31 - 1


class StokaError(Exception):
    """A call the library refused, with its reason."""


class InputError(StokaError, ValueError):
    """Arguments that the library (or the package, before calling it) rejects."""


class CodeError(StokaError):
    """A result code of the correlation manager or the rank-correlation engine,
    with the library's text for it."""

    def __init__(self, code, reason, what=""):
        super().__init__((what + ": " if what else "") + reason)
        self.code = code
        self.reason = reason


def native_path(variable, line):
    """A shared object: the environment's `variable`, else the package's own
    copy, named by line `line` of _native/where.txt."""
    path = os.environ.get(variable)
    if path:
        return path
    with open(os.path.join(_HERE, "_native", "where.txt")) as where:
        return os.path.join(_HERE, "_native", where.read().split()[line])


def library_path():
    """The shared object this package loads: $STOKA_LIBRARY, else its own copy."""
    return native_path("STOKA_LIBRARY", 0)


def program_path():
    """The stoka program of the same build: $STOKA_PROGRAM, else the package's copy."""
    return os.environ.get("STOKA_PROGRAM") or os.path.join(_HERE, "_native", "bin", "stoka")


OUTPUT_FN = ctypes.CFUNCTYPE(None, ctypes.c_char_p, ctypes.c_void_p)
_HANDLES = ("IDistribution", "AbstractGenerationMethod", "CorrelationManager", "RankCorrelation")
_TYPES = {
    "void": None, "double": ctypes.c_double, "int": ctypes.c_int, "unsigned": ctypes.c_uint,
    "uint32_t": ctypes.c_uint32, "_Bool": ctypes.c_bool, "const char*": ctypes.c_char_p,
    "stoka_id": ctypes.c_size_t, "void*": ctypes.c_void_p, "stoka_uniform_fn": ctypes.c_void_p,
    "stoka_output_fn": OUTPUT_FN,
    "double*": ctypes.POINTER(ctypes.c_double), "const double*": ctypes.POINTER(ctypes.c_double),
    "int*": ctypes.POINTER(ctypes.c_int), "unsigned*": ctypes.POINTER(ctypes.c_uint),
    "const unsigned*": ctypes.POINTER(ctypes.c_uint),
    "stoka_id*": ctypes.POINTER(ctypes.c_size_t),
}
for _name in _HANDLES:
    _TYPES[_name + "*"] = ctypes.c_void_p
    _TYPES[_name + "**"] = ctypes.POINTER(ctypes.c_void_p)


# The library's random sources, sink and fit buffers are process-wide and ctypes
# lets other threads run during a call: the package makes one call at a time.
LOCK = threading.RLock()


def _one_at_a_time(fn):
    def call(*args):
        with LOCK:
            return fn(*args)

    call.__name__ = fn.__name__
    call.raw = fn  # the bare ctypes function, for a caller that holds LOCK
    return call


class _Library:
    """Flat functions as attributes, each bound with its prototype on first use
    and called under LOCK."""

    def __init__(self, path):
        self.path = path
        self._dll = ctypes.CDLL(path)

    def __getattr__(self, name):
        if name not in _flat_table.FUNCTIONS:
            raise AttributeError(name)
        ret, params = _flat_table.FUNCTIONS[name]
        try:
            fn = getattr(self._dll, name)
        except AttributeError:
            raise StokaError("the library %s has no function %s: it was built from another "
                             "tree than this package" % (self.path, name)) from None
        fn.restype = _TYPES[ret]
        fn.argtypes = [_TYPES[t] for t in params]
        fn = _one_at_a_time(fn)
        setattr(self, name, fn)
        return fn

    def variable(self, ctype, name):
        return ctype.in_dll(self._dll, name).value


lib = _Library(library_path())
lib.stoka_init()

# Progress lines of the library: to the logger "stoka" at DEBUG level, and to
# the calls that capture them (for the reason of a failure).
log = logging.getLogger("stoka")
_capture = threading.local()


def _on_line(line, user):
    try:
        text = line.decode("utf-8", "replace")
        lines = getattr(_capture, "lines", None)
        if lines is not None:
            lines.append(text)
        if log.isEnabledFor(logging.DEBUG):
            log.debug("%s", text.rstrip("\n"))
    except Exception:  # a callback must not raise into the library
        pass


_sink = OUTPUT_FN(_on_line)
lib.stoka_set_output_callback(_sink, None)
# the callback goes with the interpreter: no line may reach it afterwards
atexit.register(lib.stoka_silence_output)


@contextlib.contextmanager
def captured():
    """The library's progress lines printed inside the block, as a list."""
    outer = getattr(_capture, "lines", None)
    _capture.lines = []
    try:
        yield _capture.lines
    finally:
        inner = _capture.lines
        _capture.lines = outer
        if outer is not None:
            outer.extend(inner)


_DOUBLE_P = ctypes.POINTER(ctypes.c_double)


def doubles(values, what="values", finite=False):
    """values as a contiguous float64 array of at most MAX_COUNT elements."""
    try:
        array = np.ascontiguousarray(values, dtype=np.float64)
    except (TypeError, ValueError):
        raise InputError("%s must be numbers" % what) from None
    if array.size > MAX_COUNT:
        raise InputError("%s: at most %d values in one call" % (what, MAX_COUNT))
    if finite and not np.all(np.isfinite(array)):
        raise InputError("%s must be finite" % what)
    return array


def ptr(array):
    """A double* to the first element of a contiguous float64 array."""
    return array.ctypes.data_as(_DOUBLE_P)


def count(n, what="n", low=1, high=MAX_COUNT):
    """n as an int in [low, high]."""
    try:
        value = int(n)
        exact = value == n
    except (TypeError, ValueError, OverflowError):
        exact = False
    if not exact or not low <= value <= high:
        raise InputError("%s must be a whole number from %d to %d, not %r" % (what, low, high, n))
    return value


def number(x, what):
    try:
        return float(x)
    except (TypeError, ValueError):
        raise InputError("%s must be a number, not %r" % (what, x)) from None


def seed(random_state):
    """Seeds both random sources when random_state is a whole number."""
    if random_state is not None:
        lib.stoka_seed_all(count(random_state, "the seed", 0, 2**32 - 1))


class Handle:
    """A handle owned by this object: destroyed by close() or when collected.

    Objects that use it (a generation method its distribution, a manager its
    methods) are its dependants: closing it lets each of them drop it first,
    so that no handle outlives one it points to."""

    _destroy = None  # the flat Destroy... function

    def __init__(self, handle):
        self._handle = handle
        # weak: a dependant holds this object, never the other way round, so
        # the dependant is collected (and destroyed) first
        self._dependants = weakref.WeakValueDictionary()

    def _h(self):
        if not self._handle:
            raise StokaError("%s is closed" % type(self).__name__)
        return self._handle

    def _depend(self, other):
        self._dependants[id(other)] = other

    def _release(self, owner):
        """owner is closing: drop it (by default, close this object)."""
        self.close()

    def close(self):
        with LOCK:
            for other in list(self._dependants.values()):
                other._release(self)
            self._dependants.clear()
            if self._handle:
                handle = ctypes.c_void_p(self._handle)
                self._handle = None
                getattr(lib, self._destroy)(ctypes.byref(handle))

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    def __del__(self):
        try:
            if self._handle:
                handle = ctypes.c_void_p(self._handle)
                self._handle = None
                getattr(lib, self._destroy)(ctypes.byref(handle))
        except Exception:  # interpreter shutdown
            pass
