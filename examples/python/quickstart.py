"""The best uniform approximation of t^2 on [0, 1] by x1 t, stated with NumPy:

    minimize x2  subject to  |t^2 - x1 t| <= x2  for every t in [0, 1].

Run from the repository's root after the README's set-up:
    PYTHONPATH=build/python python3 examples/python/quickstart.py
"""
import ormid  # first: it finds NumPy where the package was built
import numpy as np


def error(x, T):
    """t^2 - x1 t at k points of T at once (T is a (k, 1) array)."""
    t = T[:, 0]
    return t * t - x[0] * t


infinite = [
    ormid.InfiniteConstraint(lambda x, T: error(x, T) - x[1], T=[(0.0, 1.0)], vectorized=True),
    ormid.InfiniteConstraint(lambda x, T: -error(x, T) - x[1], T=[(0.0, 1.0)], vectorized=True),
]
result = ormid.minimize(lambda x: x[1], x0=[0.0, 1.0], jac=lambda x: np.array([0.0, 1.0]),
                        infinite=infinite, options={"feas_tol": 1e-8})
print(result)
print("optimum 3 - 2 sqrt(2) =", 3 - 2 * np.sqrt(2))
