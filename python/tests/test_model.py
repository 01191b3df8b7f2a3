"""ormid.Model: problems written as formulas, solved with verification, written
as stubs and read back, and the mistakes a user makes said plainly."""
import os

import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import CHEBYSHEV_X


def chebyshev_model():
    """min x2 s.t. |t^2 - x1 t| <= x2 on [0, 1]."""
    m = ormid.Model()
    x = m.variables(2, start=[0.0, 1.0])
    t = m.infinite_variables([(0.0, 1.0)])
    error = t[0] ** 2 - x[0] * t[0]
    m.minimize(x[1])
    m.subject_to([error - x[1] <= 0, -error - x[1] <= 0])
    return m


def approximation_model(degree=5):
    """The best uniform approximation of exp(t) on [0, 1] by a polynomial,
    written with NumPy arrays of variables: one dot product per constraint."""
    m = ormid.Model()
    a = m.variables(degree + 1)
    u = m.variable(lb=0.0, start=1.0)
    t = m.infinite_variables([(0.0, 1.0)])
    powers = t[0] ** np.arange(degree + 1.0)
    residual = a @ powers - np.exp(t[0])
    m.minimize(u)
    m.subject_to(residual <= u)
    m.subject_to(-u <= residual)
    m.handles = a, u, t, residual
    return m


def test_a_model_is_solved_exactly_and_verified():
    r = chebyshev_model().solve(method="exchange", feas_tol=1e-8)
    assert r.status == 0, r.message
    np.testing.assert_allclose(r.x, CHEBYSHEV_X, atol=1e-10)
    assert len(r.verified) == 2
    for bound in r.verified:
        assert bound["available"], bound["reason"]
        assert bound["bound"] <= 1e-8


def test_array_expressions_solve_and_survive_the_round_trip(tmp_path):
    m = approximation_model()
    assert m.sizes == (7, 1, 0, 2)
    direct = m.solve(method="exchange")
    assert direct.status == 0, direct.message
    # The minimax error of degree 5 on [0, 1] is about 1.1e-6 (equioscillation).
    assert 5e-7 < direct.fun < 3e-6
    a, u, t, residual = m.handles
    np.testing.assert_array_equal(m.value(a, direct), direct.x[:6])
    assert m.value(u, direct) == direct.fun
    worst = max(abs(m.value(residual, direct, [s])) for s in np.linspace(0.0, 1.0, 201))
    assert worst <= direct.fun * (1 + 1e-8)
    stub = str(tmp_path / "approximation")
    m.write_nl(stub)
    assert all(os.path.exists(stub + ext) for ext in (".nl", ".row", ".col"))
    read = ormid.solve_nl(stub, method="exchange")
    assert read.status == 0, read.message
    np.testing.assert_allclose(read.x, direct.x, rtol=0, atol=1e-12)


def test_functions_take_expressions_numbers_and_arrays():
    m = ormid.Model()
    x = m.variables(3)
    assert isinstance(ormid.cos(x[0]), ormid.Expr)
    assert ormid.sqrt(4.0) == 2.0
    assert all(isinstance(e, ormid.Expr) for e in np.sin(2.0 * x))
    assert isinstance(ormid.sum(x) + ormid.dot(x, [1.0, 2.0, 3.0]), ormid.Expr)
    assert isinstance(abs(x[0] - 1) ** 0.5, ormid.Expr)


def test_mistakes_are_said():
    m = ormid.Model()
    x = m.variable()
    t = m.infinite_variable(0.0, 1.0)
    with pytest.raises(TypeError, match="truth value"):
        if x:
            pass
    with pytest.raises(TypeError, match=r"\(lb <= expr\) <= ub"):
        m.subject_to(0 <= x <= 1)
    with pytest.raises(TypeError, match="subject_to takes"):
        m.subject_to(True)
    with pytest.raises(ValueError, match="two different models"):
        x + ormid.Model().variable()
    m.minimize(x * t)
    m.subject_to(x * t <= 1)
    r = m.solve()
    assert r.status == -3 and "objective depends on an infinite variable" in r.message


def test_the_solve_runs_without_the_gil():
    """The main thread keeps time while another solves: with the GIL held
    through the solve, none of its clock readings would fall in the middle
    of the solve."""
    import threading
    import time
    m = approximation_model(degree=8)
    span, result = [], []

    def work():
        span.append(time.perf_counter())
        result.append(m.solve(method="exchange"))
        span.append(time.perf_counter())

    worker = threading.Thread(target=work)
    readings = []
    worker.start()
    while worker.is_alive():
        readings.append(time.perf_counter())
    worker.join()
    assert result[0].status in (0, 100), result[0].message
    begin, end = span
    middle = [r for r in readings if begin + 0.3 * (end - begin) < r < end - 0.3 * (end - begin)]
    assert len(middle) > 100
