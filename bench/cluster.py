"""Times a 50-quantity model run in blocks: in this process, on one local Dask
worker and on two; and the cost of a block beyond its samples.

    PYTHONPATH=<site of the installed package> /usr/bin/python3 bench/cluster.py [samples] [repeats]

Wall time (the workers' time is the point) and the CPU time of this process
and of its children (the workers, counted once they have ended).
"""
import resource
import statistics
import sys
import time

from distributed import Client, LocalCluster

from stoka import cluster

FAMILIES = [{"family": "triangular", "min": 100, "mode": 150, "max": 240},
            {"family": "pert", "min": 10, "mode": 13, "max": 30},
            {"family": "normal", "mean": 50, "sd": 7.5},
            {"family": "lognormal", "mu": 3.2, "sigma": 0.25, "location": 5},
            {"family": "uniform", "min": 2.385, "max": 9.1}]
MODEL = {"seed": 2026, "quantities": [dict(FAMILIES[i % 5], name="Q%02d" % i) for i in range(50)],
         "correlations": [{"between": ["Q%02d" % i, "Q%02d" % (i + 1)], "coefficient": 0.35}
                          for i in range(0, 49, 2)]}


def cpu():
    own, kids = (resource.getrusage(w) for w in (resource.RUSAGE_SELF, resource.RUSAGE_CHILDREN))
    return own.ru_utime + own.ru_stime + kids.ru_utime + kids.ru_stime


def timed(workers, samples, block):
    """Wall seconds of the run alone, CPU seconds including the workers' start,
    the result, and the CPU seconds of the busiest worker during the run (of
    this process in-process): the wall time of a machine with a core per
    worker and nothing else to run."""
    c0 = cpu()
    if not workers:
        t0 = time.perf_counter()
        result = cluster.run(MODEL, samples, client=None, block=block)
        return time.perf_counter() - t0, cpu() - c0, result, cpu() - c0
    with LocalCluster(n_workers=workers, threads_per_worker=1, dashboard_address=None) as lc, \
            Client(lc) as client:
        client.run(lambda: __import__("stoka.cluster"))  # the library loaded before the clock
        before = client.run(_own_cpu)
        t0 = time.perf_counter()
        result = cluster.run(MODEL, samples, client=client, block=block)
        wall = time.perf_counter() - t0
        busiest = max(t - before[w] for w, t in client.run(_own_cpu).items())
    return wall, cpu() - c0, result, busiest


def _own_cpu():
    own = resource.getrusage(resource.RUSAGE_SELF)
    return own.ru_utime + own.ru_stime


def main():
    samples = int(sys.argv[1]) if len(sys.argv) > 1 else 2000000
    repeats = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    times = {w: [] for w in (0, 1, 2)}
    results = {}
    for _ in range(repeats):  # interleaved
        for w in times:
            wall, used, results[w], busiest = timed(w, samples, 100000)
            times[w].append((wall, busiest))
            print("workers %d: %.1f s wall, %.1f s CPU in all, busiest worker %.1f s CPU"
                  % (w, wall, used, busiest), flush=True)
    for w in (1, 2):
        cluster_same = all((getattr(results[0], f) == getattr(results[w], f)).all()
                           for f in ("mean", "covariance", "tornado"))
        print("workers %d: same numbers as in-process: %s" % (w, cluster_same))
    for k, what in ((0, "wall"), (1, "busiest worker's CPU")):
        med = {w: statistics.median(t[k] for t in v) for w, v in times.items()}
        print("median %s: in-process %.1f s, 1 worker %.1f s, 2 workers %.1f s; 1 / 2 = %.2f"
              % (what, med[0], med[1], med[2], med[1] / med[2]))
    # The cost of a block beyond its samples: 200 blocks of 100 against 2 of 10^4,
    # in this process and (client side) on one worker.
    used = {}
    for block in (100, 10000):
        used[block] = timed(0, 20000, block)[1]
    print("in-process: %.2f ms of CPU per block" % (1000 * (used[100] - used[10000]) / 198))
    with LocalCluster(n_workers=1, threads_per_worker=1, dashboard_address=None) as lc, \
            Client(lc) as client:
        cluster.run(MODEL, 20000, client=client, block=10000)
        for block in (100, 10000):
            c0 = time.process_time()
            cluster.run(MODEL, 20000, client=client, block=block)
            used[block] = time.process_time() - c0
    print("one worker: %.2f ms of the client's CPU per block" % (1000 * (used[100] - used[10000]) / 198))


if __name__ == "__main__":
    main()
