#!/usr/bin/env python3
"""Independent reference values for reference_test.cpp, computed once with
mpmath at 40 digits from the textbook definitions of each law (not from the
library's formulas): run it and paste its rows into the tables.

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
    # X = lo + (hi - lo) T, T the triangle on [0, 1] with mode c, built from its area.
    def F(x):
        if x <= ml:
            return (x - lo) ** 2 / ((hi - lo) * (ml - lo))
        return 1 - (hi - x) ** 2 / ((hi - lo) * (hi - ml))
    def f(x):
        return 2 * (x - lo) / ((hi - lo) * (ml - lo)) if x <= ml else 2 * (hi - x) / ((hi - lo) * (hi - ml))
    def q(p):
        return findroot(lambda x: F(x) - p, (lo, hi), solver='anderson')
    return f, F, q


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
laws = [
    ("Triangular", triangular(M('1.25'), M('2.385'), M('7.9')), ['1.7', '2.385', '4.2', '7.3'], ['0.05', '0.6271', '0.95']),
    ("LogTriangular", logtriangular(M('1.5'), M('3.7'), M('12.4')), ['2.1', '3.7', '6.35', '11.2'], ['0.05', '0.6271', '0.95']),
    ("Normal", normal(M('3.27'), M('1.85')), ['-1.4', '2.2', '3.27', '7.9'], ['0.001', '0.3183', '0.975']),
    ("LogNormal", lognormal(M('0.731'), M('0.442'), M('2.15')), ['2.6', '4.2', '6.8', '11.5'], ['0.01', '0.3183', '0.99']),
    ("Beta", beta_on(M('2.35'), M('4.1'), M('1.5'), M('9.25')), ['1.9', '3.6', '5.8', '8.7'], ['0.02', '0.3183', '0.9']),
    ("Pert", pert(M('1.2'), M('3.05'), M('9.7')), ['1.6', '3.05', '5.5', '9.1'], ['0.02', '0.6271', '0.9']),
    ("Exponential", exponential(M('1.75'), M('2.6')), ['1.75', '2.3', '5.9', '14.2'], ['0.001', '0.3183', '0.999']),
]
for name, (f, F, q), xs, ps in laws:
    print(f"// {name}")
    for x in xs:
        print(f"  {{{x}, {mp.nstr(f(M(x)), 17)}, {mp.nstr(F(M(x)), 17)}}},")
    for p in ps:
        print(f"  quantile {p}: {mp.nstr(q(M(p)), 17)}")
