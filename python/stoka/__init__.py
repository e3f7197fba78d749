"""stoka: uncertain quantities with probability distributions, over libstoka.

    import stoka
    d = stoka.Triangular(min=120, mode=150, max=240)
    x = d.sample(10**6, seed=2026)             # Latin hypercube
    fitted, misses = stoka.fit.pert(P10=12, P50=15, P90=22)
    run = stoka.run("model.json", seed=2026)   # the samples of `stoka run`

Distributions (Uniform, Triangular, LogTriangular, Pert, Beta, Normal,
LogNormal, Bernoulli, Constant, DiscreteUniform, Discrete) have SciPy's
methods pdf, cdf, ppf, sf, rvs, mean, var, std, median and support, over numpy
arrays; sample() draws by Latin hypercube or Monte Carlo. LatinHypercube and
MonteCarlo are the generation methods, CorrelationManager and RankCorrelation
correlate samples, stoka.stats holds sample statistics and stoka.fit the fits
from judged values and to data. The library's random sources are
process-wide: a seed seeds both (stoka.seed), as `stoka run` does.

Errors are StokaError (InputError for rejected arguments, CodeError for the
result codes of the manager and the rank engine, with the library's text).
The library's progress lines go to the logger "stoka" at DEBUG level.
"""
from . import fit, stats
from ._correlation import CorrelationManager, Outcome, RankCorrelation, rank_correlate
from ._dist import (Bernoulli, Beta, Constant, Discrete, DiscreteUniform, Distribution,
                    LogNormal, LogTriangular, Normal, Pert, Triangular, Uniform)
from ._lib import CodeError, InputError, StokaError, lib, library_path, program_path
from ._lib import seed as _seed
from ._run import Run, run
from ._sampling import LatinHypercube, Method, MonteCarlo, latin_design
from .fit import FitError


def seed(value):
    """Seeds both of the library's random sources (the GSL stream and the C
    runtime's rand) from one number, as `stoka run` does with its seed."""
    _seed(value)


def library_version():
    """The version of the loaded library."""
    return lib.stoka_version().decode()


__version__ = library_version()
__all__ = ["Bernoulli", "Beta", "CodeError", "Constant", "CorrelationManager", "Discrete",
           "DiscreteUniform", "Distribution", "FitError", "InputError", "LatinHypercube",
           "LogNormal", "LogTriangular", "Method", "MonteCarlo", "Normal", "Outcome", "Pert",
           "RankCorrelation", "Run", "StokaError", "Triangular", "Uniform", "fit",
           "latin_design", "library_path", "library_version", "program_path", "rank_correlate",
           "run", "seed", "stats"]
