"""The model runner of `stoka run` in this process: libstoka_model (the
program's own code for model files, fits and the draw) through ctypes.

A Model is opened once from the model's JSON text (checked, its quantities
fitted); Model.run(n, seed) draws n samples as `stoka run --samples n --seed
seed` does, bit for bit (run_report also makes its report). Both calls hold the package's LOCK: the library's
random sources are process-wide.
"""
import ctypes
import os

import numpy as np

from ._lib import LOCK, InputError, StokaError, native_path, ptr

OK, REFUSED, NO_MEMORY = 0, 1, 2
IN_TOTAL = 1
_MESSAGE = 1024


def model_library_path():
    """libstoka_model: $STOKA_MODEL_LIBRARY, else the package's copy (beside libstoka)."""
    return native_path("STOKA_MODEL_LIBRARY", 1)


_api = []


def _library():
    """The model library, loaded once per process. libstoka (`lib`) is loaded
    first, on import: the model library shares that copy of it."""
    if not _api:
        dll = ctypes.CDLL(model_library_path())
        handle, text, size = ctypes.c_void_p, ctypes.c_char_p, ctypes.c_size_t
        for name, ret, args in (
                ("open", ctypes.c_int, [text, text, ctypes.c_int, ctypes.POINTER(handle), text, size]),
                ("run", ctypes.c_int, [handle, ctypes.c_uint32, ctypes.c_uint,
                                       ctypes.POINTER(ctypes.c_double), text, size]),
                ("run_report", ctypes.c_int, [handle, ctypes.c_uint32, ctypes.c_uint,
                                              ctypes.POINTER(ctypes.c_double),
                                              ctypes.POINTER(text), text, size]),
                ("count", ctypes.c_uint, [handle]),
                ("name", text, [handle, ctypes.c_uint]),
                ("flags", ctypes.c_int, [handle, ctypes.c_uint]),
                ("settings", ctypes.c_int, [handle] + [ctypes.c_void_p] * 4),
                ("description", text, [handle]),
                ("close", None, [ctypes.POINTER(handle)])):
            fn = getattr(dll, "stoka_model_" + name)
            fn.restype, fn.argtypes = ret, args
        _api.append(dll)
    return _api[0]


def _check(code, message):
    if code == OK:
        return
    text = message.value.decode("utf-8", "replace")
    if code == REFUSED:
        raise InputError(text)
    if code == NO_MEMORY:
        raise MemoryError(text)
    raise StokaError(text)


class Model:
    """A model of `stoka run` opened in this process: .names, .in_total,
    .samples and .seed (the model's defaults), .latin, .rank, .description (the
    report's list of quantities)."""

    def __init__(self, text, file="model", strict=False):
        api = _library()
        self._handle = ctypes.c_void_p()
        message = ctypes.create_string_buffer(_MESSAGE)
        with LOCK:
            code = api.stoka_model_open(text.encode("utf-8"), os.fsencode(file), int(bool(strict)),
                                        ctypes.byref(self._handle), message, _MESSAGE)
        _check(code, message)
        h = self._handle
        count = api.stoka_model_count(h)
        self.names = [api.stoka_model_name(h, q).decode("utf-8") for q in range(count)]
        self.in_total = [bool(api.stoka_model_flags(h, q) & IN_TOTAL) for q in range(count)]
        samples, seed, latin, rank = ctypes.c_uint(), ctypes.c_uint32(), ctypes.c_int(), ctypes.c_int()
        api.stoka_model_settings(h, *(ctypes.byref(v) for v in (samples, seed, latin, rank)))
        self.samples, self.seed = samples.value, seed.value
        self.latin, self.rank = bool(latin.value), bool(rank.value)
        self.description = api.stoka_model_description(h).decode("utf-8")

    def run(self, n, seed):
        """n samples seeded with seed: a row per quantity, then the total's."""
        out = np.empty((len(self.names) + 1, n))
        message = ctypes.create_string_buffer(_MESSAGE)
        with LOCK:
            code = _library().stoka_model_run(self._handle, seed, n, ptr(out), message, _MESSAGE)
        _check(code, message)
        return out

    def run_report(self, n, seed):
        """run(n, seed) and the text `stoka run --samples n --seed seed` prints
        for that draw."""
        out = np.empty((len(self.names) + 1, n))
        report, message = ctypes.c_char_p(), ctypes.create_string_buffer(_MESSAGE)
        with LOCK:
            code = _library().stoka_model_run_report(self._handle, seed, n, ptr(out),
                                                     ctypes.byref(report), message, _MESSAGE)
            _check(code, message)
            return out, report.value.decode("utf-8")

    def close(self):
        if self._handle:
            with LOCK:
                _library().stoka_model_close(ctypes.byref(self._handle))

    def __del__(self):
        try:
            self.close()
        except Exception:  # interpreter shutdown
            pass
