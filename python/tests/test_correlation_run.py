"""The correlation manager, the rank-correlation engine, and model runs."""
import subprocess

import numpy as np
import pytest
from scipy import stats as sp

import stoka


def test_manager_meets_a_target_and_fills_a_sample_in_one_call():
    a = stoka.LatinHypercube(stoka.Triangular(1, 2, 5), 5000)
    b = stoka.LatinHypercube(stoka.Normal(10, 2), 5000)
    with stoka.CorrelationManager(5000) as manager:
        manager.correlate(a, b, 0.6)
        stoka.seed(8)
        assert manager.recalculate() == 0
        reached, met, bound = manager.outcome(a, b)
        assert met and abs(reached - 0.6) <= manager.tolerance and bound > 0.9
        assert manager.achieved(a, b) == reached
        assert manager.methods() == [a, b] and manager.samples().shape == (5000, 2)
        stoka.seed(21)
        manager.fill(a)
        fresh = stoka.LatinHypercube(a.distribution, 5000)
        assert np.array_equal(manager.sample(a), fresh.draw(5000, seed=21))


def test_manager_codes_come_with_the_library_text():
    methods = [stoka.MonteCarlo(stoka.Uniform(0, 1)) for _ in range(3)]
    with stoka.CorrelationManager(100) as manager:
        for x, y in [(0, 1), (1, 2), (2, 0)]:
            manager.correlate(methods[x], methods[y], 0.3)
        with pytest.raises(stoka.CodeError) as cycle:
            manager.recalculate()
        assert cycle.value.code == 1 and "cycle" in cycle.value.reason
        with pytest.raises(stoka.CodeError, match="correlate: a coefficient") as bad:
            manager.correlate(methods[0], methods[1], 1.5)
        assert bad.value.code == 2
        with pytest.raises(stoka.CodeError):
            manager.sample(stoka.MonteCarlo(stoka.Uniform(0, 1)))


def test_rank_engine_reaches_its_targets_and_keeps_the_marginals():
    x = np.column_stack([stoka.Normal(0, 1).sample(4000, seed=1),
                         stoka.Triangular(1, 2, 5).sample(4000, seed=2),
                         stoka.Uniform(0, 3).sample(4000, seed=3)])
    target = np.array([[1, 0.7, -0.4], [0.7, 1, 0.2], [-0.4, 0.2, 1]])
    y = stoka.rank_correlate(x, target)
    assert np.array_equal(np.sort(y, axis=0), np.sort(x, axis=0))
    np.testing.assert_allclose(sp.spearmanr(y).correlation, target, atol=0.03)
    with stoka.RankCorrelation(2, repair=False) as engine:
        with pytest.raises(stoka.CodeError, match="matrix") as asymmetric:
            engine.matrix = [[1, 0.5], [0.2, 1]]
        assert asymmetric.value.code == 2
        with pytest.raises(stoka.InputError):
            engine.set(0, 2, 0.5)


MODEL = {
    "samples": 3000, "seed": 2026,
    "quantities": [
        {"name": "Design", "family": "triangular", "min": 120, "mode": 150, "max": 240},
        {"name": "Structure", "family": "triangular", "judged": {"P10": 780, "P50": 900,
                                                                 "P90": 1150}}],
    "correlations": [{"between": ["Design", "Structure"], "coefficient": 0.6}],
}


def test_a_model_run_gives_the_numbers_drawn_here_for_the_same_seed(tmp_path):
    path = tmp_path / "model.json"
    path.write_text('{"samples": 1000, "seed": 11, "quantities": [{"name": "a", "family": '
                    '"pert", "min": 1, "mode": 2, "max": 5}]}')
    run = stoka.run(str(path))
    assert np.array_equal(run["a"], stoka.Pert(1, 2, 5).sample(1000, seed=11))
    printed = subprocess.run([stoka.program_path(), "run", str(path), "--samples", "900", "--seed", "3"],
                             capture_output=True, text=True, check=True).stdout
    assert stoka.run(path, 900, 3).report == printed
    run = stoka.run(MODEL, seed=5)
    assert run.names == ["Design", "Structure"] and run.samples.shape == (3000, 2)
    assert np.array_equal(run.samples, stoka.run(MODEL, seed=5).samples)
    assert abs(np.corrcoef(run.samples.T)[0, 1] - 0.6) < 0.03 and "Summary" in run.report
    assert list(run.frame.columns) == run.names
    broken = {"quantities": [{"name": "a", "family": "normal", "mean": 1}]}
    with pytest.raises(stoka.StokaError, match='model: .*"sd" is missing'):
        stoka.run(broken)
