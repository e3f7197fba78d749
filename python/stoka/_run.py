"""Running a model file of `stoka run`."""
import json
import os
import subprocess
import tempfile

import numpy as np

from ._lib import InputError, StokaError, count, program_path


class Run:
    """The samples of a model run: .samples (n x quantities, a column per
    quantity in the model's order), .names, .report (what `stoka run` prints),
    .frame (a pandas DataFrame; needs pandas) and run[name] (one column)."""

    def __init__(self, names, samples, report):
        self.names = names
        self.samples = samples
        self.report = report

    def __getitem__(self, name):
        return self.samples[:, self.names.index(name)]

    @property
    def frame(self):
        import pandas

        return pandas.DataFrame(self.samples, columns=self.names)

    def __repr__(self):
        return "<stoka.Run of %s: %d samples>" % (", ".join(self.names), len(self.samples))


def _run_program(path, options):
    """Runs the stoka program of this package's build on the model file at path;
    returns (names, samples, report). The one door a model run takes: an
    in-process runner can take its place with the same signature."""
    with tempfile.TemporaryDirectory(prefix="stoka-run-") as work:
        csv = os.path.join(work, "samples.csv")
        command = [program_path(), "run", path, "--csv", csv] + options
        done = subprocess.run(command, capture_output=True, text=True)
        if done.returncode != 0:
            reason = done.stderr.strip().splitlines()
            reason = reason[-1] if reason else "exit status %d" % done.returncode
            raise StokaError(reason[len("stoka: "):] if reason.startswith("stoka: ") else reason)
        with open(csv) as f:
            names = f.readline().rstrip("\n").split(",")
            samples = np.loadtxt(f, delimiter=",", ndmin=2)
    return names, samples, done.stdout


def run(model, samples=None, seed=None, client=None, block=None, strict=False, **options):
    """Runs a model of `stoka run`: a file name, or the model itself as a dict
    (the JSON of the file). seed and samples override the model's; strict makes
    a judged value that its fit misses an error. Equal seeds give the numbers
    the program gives. With a Dask `client` or a `block` size the run is cut
    into seeded blocks and merged (stoka.cluster.run, which takes the other
    keyword options): the same result at any number of workers."""
    if client is not None or block is not None:
        from . import cluster
        if strict:
            raise InputError("strict is taken only by a run in one piece (without client or block)")
        return cluster.run(model, samples, seed, client,
                           cluster.DEFAULT_BLOCK if block is None else block, **options)
    if options:
        raise InputError("%s is taken only by a run in blocks (give client or block)"
                         % ", ".join(sorted(options)))
    options = []
    if seed is not None:
        options += ["--seed", str(count(seed, "the seed", 0, 2**32 - 1))]
    if samples is not None:
        options += ["--samples", str(count(samples, "samples", 2, 10**8))]
    if strict:
        options.append("--strict")
    if isinstance(model, dict):
        with tempfile.TemporaryDirectory(prefix="stoka-model-") as work:
            path = os.path.join(work, "model.json")
            with open(path, "w") as f:
                json.dump(model, f)
            try:
                return Run(*_run_program(path, options))
            except StokaError as e:  # the file is ours: the message names the model
                raise StokaError(str(e).replace(path, "model")) from None
    if not isinstance(model, (str, os.PathLike)) or not os.path.isfile(model):
        raise InputError("run takes a model file or a dict, not %r" % (model,))
    return Run(*_run_program(os.fspath(model), options))
