"""Callables that raise, and bad options: the interpreter goes on."""
import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import chebyshev_constraints


class Boom(Exception):
    pass


def boom(*args):
    raise Boom("from a callable")


def test_an_exception_in_any_callable_is_raised_again():
    cases = [
        dict(fun=boom, infinite=chebyshev_constraints()),
        dict(fun=lambda x: x[1], infinite=[ormid.InfiniteConstraint(boom, [(0.0, 1.0)])]),
        dict(fun=lambda x: x[1], infinite=[ormid.InfiniteConstraint(boom, [(0.0, 1.0)], vectorized=True)]),
        dict(fun=lambda x: x[1], infinite=chebyshev_constraints(),
             constraints=[ormid.Constraint(lambda x: x[0], ub=1.0, jac=boom)]),
        dict(fun=lambda x: x[1], infinite=chebyshev_constraints(), callback=boom),
    ]
    for case in cases:
        with pytest.raises(Boom):
            ormid.minimize(x0=[0.0, 1.0], **case)
    # the interpreter and the package still work
    assert ormid.minimize(lambda x: x[1], [0.0, 1.0], infinite=chebyshev_constraints()).success


def test_a_value_that_is_not_a_number_is_an_evaluation_error():
    r = ormid.minimize(lambda x: float("nan"), [0.0, 1.0], infinite=chebyshev_constraints())
    assert r.status == 500 and not r.success


@pytest.mark.parametrize("options", [{"nosuch": 1}, {"method": "newton"}, {"feas_tol": "small"},
                                     {"maxitero": 1.5}, {"print_level": 7}])
def test_bad_options_raise_value_error(options):
    with pytest.raises(ValueError):
        ormid.minimize(lambda x: x[1], [0.0, 1.0], infinite=chebyshev_constraints(), options=options)


def test_inconsistent_problems_raise_value_error():
    with pytest.raises(ValueError):
        ormid.minimize(lambda x: x[0], [0.0, 1.0], bounds=[(0, 1)])
    with pytest.raises(ValueError):
        ormid.minimize(lambda x: x[0], [0.0],
                       infinite=[ormid.InfiniteConstraint(lambda x, t: x[0], [(0, 1)]),
                                 ormid.InfiniteConstraint(lambda x, t: x[0], [(0, 2)])])
