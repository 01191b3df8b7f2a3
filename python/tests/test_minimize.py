"""minimize: plain and vectorized, with and without derivatives, bounds and
finite constraints, callbacks."""
import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import CHEBYSHEV_X, chebyshev_constraints


def objective(x):
    return x[1]


def objective_gradient(x):
    return np.array([0.0, 1.0])


@pytest.mark.parametrize("vectorized", [False, True])
@pytest.mark.parametrize("derivatives", [False, True])
def test_the_closed_form_optimum_in_every_form(vectorized, derivatives):
    r = ormid.minimize(objective, [0.0, 1.0], jac=objective_gradient if derivatives else None,
                       infinite=chebyshev_constraints(vectorized, derivatives))
    assert r.success and r.status == 0, r
    np.testing.assert_allclose(r.x, CHEBYSHEV_X, rtol=1e-8)
    assert abs(r.fun - CHEBYSHEV_X[1]) <= 1e-9 * CHEBYSHEV_X[1]
    assert r.max_violation <= 1e-8
    assert {p["constraint"] for p in r.active} == {0, 1}
    assert r.stats["infinite_constraint_values"] > 0 and r.seconds > 0


def test_vectorized_scans_ask_for_far_fewer_calls():
    calls = {"plain": 0, "vectorized": 0}

    def counted(kind, fun):
        def wrapper(*args):
            calls[kind] += 1
            return fun(*args)
        return wrapper

    plain = [ormid.InfiniteConstraint(counted("plain", g.fun), g.T, jac=g.jac)
             for g in chebyshev_constraints(False, True)]
    vectorized = [ormid.InfiniteConstraint(counted("vectorized", g.fun), g.T, jac=g.jac, vectorized=True)
                  for g in chebyshev_constraints(True, True)]
    a = ormid.minimize(objective, [0.0, 1.0], objective_gradient, infinite=plain)
    b = ormid.minimize(objective, [0.0, 1.0], objective_gradient, infinite=vectorized)
    np.testing.assert_allclose(a.x, b.x, rtol=1e-12)
    assert calls["vectorized"] * 10 < calls["plain"], calls


def test_bounds_and_finite_constraints():
    # min (x0 - 2)^2 + (x1 - 1)^2, x1 <= 0.5, x0 + x1 <= 2, x0 t <= 1.5 on [0, 1]:
    # x = (1.5, 0.5), f = 0.5.
    r = ormid.minimize(lambda x: (x[0] - 2) ** 2 + (x[1] - 1) ** 2, [0.0, 0.0],
                       bounds=[(None, None), (-1.0, 0.5)],
                       constraints=[ormid.Constraint(lambda x: x[0] + x[1], ub=2.0)],
                       infinite=[ormid.InfiniteConstraint(lambda x, t: x[0] * t[0], [(0.0, 1.0)], ub=1.5)])
    assert r.success, r
    np.testing.assert_allclose(r.x, [1.5, 0.5], rtol=1e-7)
    assert abs(r.fun - 0.5) <= 1e-8


def test_vector_valued_finite_constraints_with_their_jacobian():
    # min -x0 - x1 s.t. (x0^2 + x1^2 <= 1, x0 - x1 = 0) and x0 t <= 5 on [0, 1].
    cons = ormid.Constraint(lambda x: np.array([x[0] ** 2 + x[1] ** 2, x[0] - x[1]]),
                            lb=[-np.inf, 0.0], ub=[1.0, 0.0],
                            jac=lambda x: np.array([[2 * x[0], 2 * x[1]], [1.0, -1.0]]))
    r = ormid.minimize(lambda x: -x[0] - x[1], [0.1, 0.1], constraints=[cons],
                       infinite=[ormid.InfiniteConstraint(lambda x, t: x[0] * t[0], [(0.0, 1.0)], ub=5.0)])
    assert r.success, r
    np.testing.assert_allclose(r.x, [np.sqrt(0.5)] * 2, rtol=1e-7)


def test_two_infinite_variables():
    # min -x s.t. x (t0^2 + t1^2) <= 2 on [0, 1]^2: x = 1.
    r = ormid.minimize(lambda x: -x[0], [0.0],
                       infinite=[ormid.InfiniteConstraint(lambda x, t: x[0] * (t[0] ** 2 + t[1] ** 2) - 2,
                                                          [(0.0, 1.0), (0.0, 1.0)])])
    assert r.success, r
    assert abs(r.x[0] - 1.0) <= 1e-8


def test_a_callback_sees_every_iteration_and_can_stop_the_run():
    seen = []
    r = ormid.minimize(objective, [0.0, 1.0], infinite=chebyshev_constraints(),
                       callback=lambda info: seen.append(info) or False)
    assert r.success and seen
    assert all(len(info["x"]) == 2 and info["nit"] >= 0 for info in seen)
    stopped = ormid.minimize(objective, [0.0, 1.0], infinite=chebyshev_constraints(),
                             callback=lambda info: True)
    assert stopped.status == 404 and not stopped.success
    assert stopped.message == "stopped by the iteration callback"
    assert len(stopped.x) == 2


def test_options_by_keyword_and_method():
    r = ormid.minimize(objective, [0.0, 1.0], infinite=chebyshev_constraints(), method="disc_reem",
                       options={"disc_nlp": "ipopt", "feas_tol": 1e-7, "certificate": True})
    assert r.status in (0, 100), r
    np.testing.assert_allclose(r.x, CHEBYSHEV_X, atol=1e-3)
    assert any(name == "method" and "exchange" in words for name, _, words in ormid.keywords())
