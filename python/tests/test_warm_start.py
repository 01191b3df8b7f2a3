"""warm_start: the answer of a nearby problem as the start of the next one."""
import itertools

import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import chebyshev_constraints

# A convex program on [0, 1]^2 whose constraint is active at the four points
# of a lattice when its objective's centre moves by 0: min 1/2 |x - c|^2
# subject to sum_k x_k phi_k(t) + G(t) <= 0, G <= 0 vanishing at the lattice.
ROOTS = [(0.27, 0.71), (0.33, 0.76)]
FREQUENCIES = [(0, 0), (1, 0), (0, 1), (1, 1), (2, 0), (0, 2), (2, 1)]


def _q(i, s):
    return (s - ROOTS[i][0]) * (s - ROOTS[i][1]) / 0.25


def _g(T):
    q0, q1 = _q(0, T[:, 0]), _q(1, T[:, 1])
    return -(q0 ** 2 + 1.5 * q1 ** 2) - 0.5 * (q0 + q1) ** 2


def _phi(T):
    return np.stack([np.cos(np.pi * a * T[:, 0]) * np.cos(np.pi * b * T[:, 1]) for a, b in FREQUENCIES],
                    axis=1)


def lattice(shift, warm_start=None, method="exchange"):
    centre = _phi(np.array(list(itertools.product(*ROOTS)))).sum(axis=0)
    centre = centre + shift * np.cos(np.arange(1, len(FREQUENCIES) + 1))
    g = ormid.InfiniteConstraint(lambda x, T: _phi(T) @ x + _g(T), T=[(0, 1), (0, 1)], vectorized=True)
    return ormid.minimize(lambda x: 0.5 * np.sum((x - centre) ** 2), x0=np.zeros(len(FREQUENCIES)),
                          jac=lambda x: x - centre, infinite=[g], method=method, warm_start=warm_start)


def test_from_a_neighbours_optimum_fewer_subproblems_reach_the_same_optimum():
    neighbour = lattice(0.0)
    cold, warm = lattice(0.3), lattice(0.3, warm_start=neighbour)
    assert neighbour.status == cold.status == warm.status == 0
    assert warm.stats["nnlp"] < cold.stats["nnlp"]
    assert warm.fun == pytest.approx(cold.fun, rel=1e-9)
    np.testing.assert_allclose(warm.x, cold.x, atol=1e-7)
    assert abs(warm.fun - neighbour.fun) > 0.1  # the neighbours differ


def test_a_model_and_a_stub_take_a_warm_start(examples):
    m = ormid.Model()
    x = m.variables(2)
    t = m.infinite_variable(0.0, 1.0)
    m.minimize(x[1])
    m.subject_to(t * t - x[0] * t - x[1] <= 0)
    m.subject_to(x[0] * t - t * t - x[1] <= 0)
    first = m.solve()
    again = m.solve(warm_start=first)
    assert again.status == 0
    np.testing.assert_allclose(again.x, first.x, atol=1e-9)
    stub = examples + "/watson2"
    cold = ormid.solve_nl(stub, method="exchange")
    warm = ormid.solve_nl(stub, warm_start=cold, method="exchange")
    assert warm.status == 0
    assert warm.fun == pytest.approx(cold.fun, rel=1e-9)


def test_a_start_of_other_sizes_is_refused_with_its_reason():
    other = ormid.minimize(lambda x: x[1], [0.0, 1.0], infinite=chebyshev_constraints())
    assert other.status == 0
    r = lattice(0.3, warm_start=other)
    assert r.status == -3
    assert r.message == "the warm start has 2 values of x for 7 variables"
    with pytest.raises(TypeError, match="ormid.Result"):
        lattice(0.3, warm_start=[0.0] * len(FREQUENCIES))
