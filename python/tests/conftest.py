"""Problems shared by the tests, with their closed-form answers."""
import os
import sys

import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

SQRT2 = np.sqrt(2.0)
# min x2 s.t. |t^2 - x1 t| <= x2 on [0, 1]: x = (2 sqrt 2 - 2, 3 - 2 sqrt 2).
CHEBYSHEV_X = np.array([2 * SQRT2 - 2, 3 - 2 * SQRT2])


def chebyshev_constraints(vectorized=False, derivatives=False):
    """The two sides of |t^2 - x1 t| <= x2, plain or vectorized."""
    constraints = []
    for side in (1.0, -1.0):
        if vectorized:
            fun = lambda x, T, s=side: s * (T[:, 0] ** 2 - x[0] * T[:, 0]) - x[1]
            jac = lambda x, T, s=side: (np.column_stack([-s * T[:, 0], -np.ones(len(T))]),
                                        s * (2 * T[:, 0:1] - x[0]))
        else:
            fun = lambda x, t, s=side: s * (t[0] ** 2 - x[0] * t[0]) - x[1]
            jac = lambda x, t, s=side: (np.array([-s * t[0], -1.0]), np.array([s * (2 * t[0] - x[0])]))
        constraints.append(ormid.InfiniteConstraint(fun, [(0.0, 1.0)], jac=jac if derivatives else None,
                                                    vectorized=vectorized))
    return constraints


@pytest.fixture
def examples():
    return os.path.join(os.environ.get("ORMID_SOURCE", os.path.join(os.path.dirname(__file__), "..", "..")),
                        "examples")


@pytest.fixture
def program():
    path = os.environ.get("ORMID_PROGRAM")
    if not path:
        pytest.skip("ORMID_PROGRAM is not set (run through ctest)")
    return path


sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "examples", "python"))
