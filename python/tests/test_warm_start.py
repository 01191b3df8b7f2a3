"""warm_start: the answer of a nearby problem as the start of the next one."""
import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import chebyshev_constraints, lattice

def test_from_a_neighbours_optimum_fewer_subproblems_reach_the_same_optimum():
    neighbour = lattice(0.0)
    cold, warm = lattice(0.3), lattice(0.3, warm_start=neighbour)
    assert neighbour.status == cold.status == warm.status == 0
    assert warm.stats["subproblems"] < cold.stats["subproblems"]
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
        lattice(0.3, warm_start=[0.0] * 7)
