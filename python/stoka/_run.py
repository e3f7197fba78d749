"""Running a model file of `stoka run`, in this process."""
import os

import numpy as np

from ._lib import InputError, count


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


def run(model, samples=None, seed=None, client=None, block=None, strict=False, **options):
    """Runs a model of `stoka run`: a file name, or the model itself as a dict
    (the JSON of the file). seed and samples override the model's; strict makes
    a judged value that its fit misses an error. Equal seeds give the numbers
    the program gives: the run is drawn in this process by the program's own
    model runner (libstoka_model). With a Dask `client` or a `block` size the
    run is cut into seeded blocks and merged (stoka.cluster.run, which takes the
    other keyword options): the same result at any number of workers."""
    from . import cluster
    if client is not None or block is not None:
        if strict:
            raise InputError("strict is taken only by a run in one piece (without client or block)")
        return cluster.run(model, samples, seed, client,
                           cluster.DEFAULT_BLOCK if block is None else block, **options)
    if options:
        raise InputError("%s is taken only by a run in blocks (give client or block)"
                         % ", ".join(sorted(options)))
    if not isinstance(model, dict) and not (isinstance(model, (str, os.PathLike))
                                            and os.path.isfile(model)):
        raise InputError("run takes a model file or a dict, not %r" % (model,))
    opened = cluster.open_model(*cluster.load_model(model), strict)
    n = opened.samples if samples is None else count(samples, "samples", 2, 10**8)
    seed = opened.seed if seed is None else count(seed, "the seed", 0, 2**32 - 1)
    x, report = opened.run_report(n, seed)
    return Run(list(opened.names), np.ascontiguousarray(x[:-1].T), report)
