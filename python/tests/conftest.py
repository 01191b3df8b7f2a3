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


# A convex program on [0, 1]^2 whose constraint is active at the four points
# of a lattice where its objective's centre has moved by 0: min 1/2 |x - c|^2
# subject to sum_k x_k phi_k(t) + G(t) <= 0 (G <= 0, zero on the lattice).
LATTICE_ROOTS = [(0.27, 0.71), (0.33, 0.76)]
LATTICE_FREQUENCIES = [(0, 0), (1, 0), (0, 1), (1, 1), (2, 0), (0, 2), (2, 1)]


def _lattice_g(T):
    q0, q1 = ((T[:, i] - LATTICE_ROOTS[i][0]) * (T[:, i] - LATTICE_ROOTS[i][1]) / 0.25 for i in (0, 1))
    return -(q0 ** 2 + 1.5 * q1 ** 2) - 0.5 * (q0 + q1) ** 2


def _lattice_phi(T):
    return np.stack([np.cos(np.pi * a * T[:, 0]) * np.cos(np.pi * b * T[:, 1])
                     for a, b in LATTICE_FREQUENCIES], axis=1)


def lattice(shift, warm_start=None, method="exchange"):
    """The member whose centre has moved by shift (along a fixed direction)."""
    points = np.array([(a, b) for a in LATTICE_ROOTS[0] for b in LATTICE_ROOTS[1]])
    centre = _lattice_phi(points).sum(axis=0) + shift * np.cos(np.arange(1, len(LATTICE_FREQUENCIES) + 1))
    g = ormid.InfiniteConstraint(lambda x, T: _lattice_phi(T) @ x + _lattice_g(T), T=[(0, 1), (0, 1)],
                                 vectorized=True)
    return ormid.minimize(lambda x: 0.5 * np.sum((x - centre) ** 2), x0=np.zeros(len(LATTICE_FREQUENCIES)),
                          jac=lambda x: x - centre, infinite=[g], method=method, warm_start=warm_start)


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
