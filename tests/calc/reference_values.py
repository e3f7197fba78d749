#!/usr/bin/env python3
"""Independent reference values for reference_test.cpp, computed once with
mpmath at 40 digits from the textbook definitions of each law (not from the
library's formulas): run it and write its output to reference_values.txt.

  density f, cumulative F at x; quantile q at p (F(q) = p, found by a root
  search on F unless a closed form is given).
"""
from mpmath import mp, mpf, log, exp, sqrt, erfinv, erfc, betainc, beta, findroot

mp.dps = 40


def normal(mean, sigma):
    F = lambda x: erfc(-(x - mean) / (sigma * sqrt(2))) / 2
    f = lambda x: exp(-((x - mean) / sigma) ** 2 / 2) / (sigma * sqrt(2 * mp.pi))
    q = lambda p: mean + sigma * sqrt(2) * erfinv(2 * p - 1)
    return f, F, q


def lognormal(mu, sigma, location):
    fn, Fn, qn = normal(mu, sigma)
    return (lambda x: fn(log(x - location)) / (x - location),
            lambda x: Fn(log(x - location)),
            lambda p: location + exp(qn(p)))


def triangular(lo, ml, hi):
    # The triangle of height 2/(hi - lo) over [lo, hi] with its apex at ml; F is its area up to x.
    F = lambda x: ((x - lo) ** 2 / ((hi - lo) * (ml - lo)) if x < ml or ml == hi
                   else 1 - (hi - x) ** 2 / ((hi - lo) * (hi - ml)))
    f = lambda x: (2 / (hi - lo) if x == ml else 2 * (x - lo) / ((hi - lo) * (ml - lo)) if x < ml
                   else 2 * (hi - x) / ((hi - lo) * (hi - ml)))
    return f, F, lambda p: findroot(lambda x: F(x) - p, (lo, hi), solver='anderson')


def logtriangular(lo, ml, hi):
    # ln X triangular on [ln lo, ln hi] with mode ln ml: F_X(x) = F_T(ln x), f_X = f_T(ln x)/x.
    ft, Ft, qt = triangular(log(lo), log(ml), log(hi))
    return (lambda x: ft(log(x)) / x, lambda x: Ft(log(x)), lambda p: exp(qt(p)))


def beta_on(a, b, lo, hi):
    s = hi - lo
    F = lambda x: betainc(a, b, 0, (x - lo) / s, regularized=True)
    f = lambda x: ((x - lo) / s) ** (a - 1) * (1 - (x - lo) / s) ** (b - 1) / beta(a, b) / s
    q = lambda p: lo + s * findroot(lambda z: betainc(a, b, 0, z, regularized=True) - p,
                                    (mpf('1e-30'), 1 - mpf('1e-30')), solver='anderson')
    return f, F, q


def pert(lo, ml, hi):
    return beta_on(1 + 4 * (ml - lo) / (hi - lo), 1 + 4 * (hi - ml) / (hi - lo), lo, hi)


def exponential(shift, mu):
    return (lambda x: exp(-(x - shift) / mu) / mu, lambda x: 1 - exp(-(x - shift) / mu),
            lambda p: shift - mu * log(1 - p))


M = mpf


def uniform(lo, hi):
    return (lambda x: 1 / (hi - lo), lambda x: (x - lo) / (hi - lo), lambda p: lo + p * (hi - lo))


def negated(law):
    # X = -Y: F_X(x) = 1 - F_Y(-x), f_X(x) = f_Y(-x), q_X(p) = -q_Y(1 - p).
    f, F, q = law
    return (lambda x: f(-x), lambda x: 1 - F(-x), lambda p: -q(1 - p))


# (key of the law in laws.hpp, law, points x, probabilities p)
laws = [
    ("Uniform", uniform(M('2.385'), M('7.91')), ['2.5', '3.1831', '7.9'], ['0.0173', '0.6271']),
    ("Triangular", triangular(M('1.25'), M('2.385'), M('7.9')), ['1.7', '2.385', '4.2', '7.3'], ['0.05', '0.6271', '0.95']),
    ("Triangular, mode at min", triangular(M('0.5'), M('0.5'), M('3.7')), ['0.5', '1.3', '3.65'], ['0.0173', '0.6271']),
    ("Triangular, mode at max", triangular(M('-2.2'), M('4.6'), M('4.6')), ['-2.1', '3.9', '4.6'], ['0.0173', '0.6271']),
    ("LogTriangular", logtriangular(M('1.5'), M('3.7'), M('12.4')), ['2.1', '3.7', '6.35', '11.2'], ['0.05', '0.6271', '0.95']),
    # All-negative parameters: -Y with Y log-triangular on [1, 10] with mode 5.
    ("LogTriangular, negative", negated(logtriangular(M(1), M(5), M(10))), ['-9.3', '-6.1', '-3.2', '-1.4'], ['0.1', '0.6271', '0.9']),
    ("LogTriangular, mode at min", logtriangular(M('0.8'), M('0.8'), M('6.5')), ['0.8', '1.7', '6.2'], ['0.0173', '0.6271']),
    ("Normal", normal(M('3.27'), M('1.85')), ['-1.4', '2.2', '3.27', '7.9'], ['0.001', '0.3183', '0.975']),
    ("LogNormal", lognormal(M('0.731'), M('0.442'), M('2.15')), ['2.6', '4.2', '6.8', '11.5'], ['0.01', '0.3183', '0.99']),
    ("Beta", beta_on(M('2.35'), M('4.1'), M('1.5'), M('9.25')), ['1.9', '3.6', '5.8', '8.7'], ['0.02', '0.3183', '0.9']),
    ("Beta, U-shaped", beta_on(M('0.55'), M('0.8'), M('-3.1'), M('2.4')), ['-3.0', '-1.2', '2.3'], ['0.0173', '0.6271']),
    ("Pert", pert(M('1.2'), M('3.05'), M('9.7')), ['1.6', '3.05', '5.5', '9.1'], ['0.02', '0.6271', '0.9']),
    ("Pert, mode at min", pert(M(0), M(0), M('7.3')), ['0', '1.9', '7.0'], ['0.0173', '0.6271']),
    ("Exponential", exponential(M('1.75'), M('2.6')), ['1.75', '2.3', '5.9', '14.2'], ['0.001', '0.3183', '0.999']),
]

# One line a value, tab-separated: the law's key, then "quantile" p q or
# "point" x density cumulative.
for key, (f, F, q), xs, ps in laws:
    for p in ps:
        print(f'{key}\tquantile\t{p}\t{mp.nstr(q(M(p)), 17)}')
    for x in xs:
        print(f'{key}\tpoint\t{x}\t{mp.nstr(f(M(x)), 17)}\t{mp.nstr(F(M(x)), 17)}')
