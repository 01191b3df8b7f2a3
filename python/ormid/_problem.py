"""A problem stated with NumPy callables, in the uniform form the solver calls:
f(x), grad_f(x), c(j, x), grad_c(j, x), g(j, x, t), grad_g(j, x, t) -> (gx, gt)
and, for vectorized infinite constraints, g_batch(j, x, T) over k points."""

import numpy as np

STEP = np.finfo(float).eps ** (1.0 / 3.0)


def _steps(v):
    return STEP * np.maximum(1.0, np.abs(v))


def _gradient(fun, x):
    """Central differences of a scalar function."""
    x = np.asarray(x, dtype=float)
    h = _steps(x)
    g = np.empty_like(x)
    for i in range(x.size):
        up, down = x.copy(), x.copy()
        up[i] += h[i]
        down[i] -= h[i]
        g[i] = (fun(up) - fun(down)) / (2 * h[i])
    return g


def _jacobian(fun, x, m):
    """Central differences of a function with m values: an (m, n) array."""
    x = np.asarray(x, dtype=float)
    h = _steps(x)
    J = np.empty((m, x.size))
    for i in range(x.size):
        up, down = x.copy(), x.copy()
        up[i] += h[i]
        down[i] -= h[i]
        J[:, i] = (np.atleast_1d(fun(up)) - np.atleast_1d(fun(down))) / (2 * h[i])
    return J


def _t_steps(t, lower, upper):
    """Steps in t that stay inside T: (plus, minus, width) per coordinate."""
    h = _steps(t)
    plus = np.minimum(t + h, upper)
    minus = np.maximum(t - h, lower)
    return plus, minus, plus - minus


class Constraint:
    """lb <= fun(x) <= ub, fun returning one value or an array of them; jac(x)
    returns the (m, n) Jacobian (None: differences). The shape of
    scipy.optimize.NonlinearConstraint."""

    def __init__(self, fun, lb=-np.inf, ub=np.inf, jac=None):
        self.fun, self.lb, self.ub, self.jac = fun, lb, ub, jac


class InfiniteConstraint:
    """lb <= fun(x, t) <= ub for every t in the box T, a list of (lower, upper)
    pairs. fun(x, t) returns a float (t a 1-D array of length len(T)); jac(x, t)
    the pair (d/dx, d/dt). vectorized=True: fun(x, Tk) takes a (k, len(T))
    array and returns k values, jac returns a (k, n) and a (k, len(T)) array,
    and the scans of T are one call each."""

    def __init__(self, fun, T, lb=-np.inf, ub=0.0, jac=None, vectorized=False):
        self.fun, self.lb, self.ub, self.jac = fun, lb, ub, jac
        self.T = [(float(a), float(b)) for a, b in T]
        self.vectorized = bool(vectorized)

    def value(self, x, t):
        if self.vectorized:
            return float(np.asarray(self.fun(x, np.asarray(t)[None, :]))[0])
        return float(self.fun(x, t))

    def values(self, x, points):
        if self.vectorized:
            return np.asarray(self.fun(x, points), dtype=float)
        return np.array([float(self.fun(x, t)) for t in points])

    def gradients(self, x, t, lower, upper):
        if self.jac is not None:
            gx, gt = self.jac(x, np.asarray(t)[None, :] if self.vectorized else t)
            if self.vectorized:
                gx, gt = np.asarray(gx)[0], np.asarray(gt)[0]
            return np.asarray(gx, dtype=float), np.asarray(gt, dtype=float)
        gx = _gradient(lambda v: self.value(v, t), x)
        plus, minus, width = _t_steps(t, lower, upper)
        gt = np.zeros(t.size)
        for d in range(t.size):
            if width[d] > 0:
                up, down = t.copy(), t.copy()
                up[d], down[d] = plus[d], minus[d]
                gt[d] = (self.value(x, up) - self.value(x, down)) / width[d]
        return gx, gt


class _FiniteRows:
    """The finite constraints as rows j = 0 .. m-1, each constraint's values
    kept for the last x asked."""

    def __init__(self, constraints, x0):
        self.rows, self.lb, self.ub = [], [], []
        self.constraints = list(constraints)
        for k, con in enumerate(self.constraints):
            m = np.atleast_1d(con.fun(x0)).size
            self.rows += [(k, i) for i in range(m)]
            self.lb += list(np.broadcast_to(np.asarray(con.lb, dtype=float), (m,)))
            self.ub += list(np.broadcast_to(np.asarray(con.ub, dtype=float), (m,)))
        self._x, self._values = None, {}

    def _all(self, k, x):
        if self._x is None or not np.array_equal(self._x, x):
            self._x, self._values = np.array(x, copy=True), {}
        if k not in self._values:
            self._values[k] = np.atleast_1d(np.asarray(self.constraints[k].fun(x), dtype=float))
        return self._values[k]

    def value(self, j, x):
        k, i = self.rows[j]
        return float(self._all(k, x)[i])

    def gradient(self, j, x):
        k, i = self.rows[j]
        con = self.constraints[k]
        if con.jac is not None:
            return np.atleast_2d(np.asarray(con.jac(x), dtype=float))[i]
        return _jacobian(con.fun, x, len(self._all(k, x)))[i]


class _Stated:
    """What the solver reads: sizes, bounds and the uniform callables."""

    maximize = False

    def __init__(self, fun, x0, jac, bounds, constraints, infinite):
        x0 = np.asarray(x0, dtype=float).ravel()
        self.nx = x0.size
        self.x0 = list(x0)
        self.fun, self.jac = fun, jac
        self.infinite = list(infinite)
        self.finite = _FiniteRows(constraints, x0)
        self.mx = len(self.finite.rows)
        self.mt = len(self.infinite)
        self._bounds(bounds)
        self._box()
        self.cxl, self.cxu = self.finite.lb, self.finite.ub
        self.ctl = [float(g.lb) for g in self.infinite]
        self.ctu = [float(g.ub) for g in self.infinite]
        vectorized = self.infinite and all(g.vectorized for g in self.infinite)
        self.g_batch = self._g_batch if vectorized else None
        # The user's own callables where they already have the solver's form:
        # called directly, one Python call an evaluation.
        self.f_direct = fun
        self.grad_f_direct = jac
        # All plain or all vectorized: a vectorized one is called on a (1, len(T))
        # array at single points.
        same = [g for g in self.infinite if g.vectorized == bool(vectorized)]
        direct = self.infinite and len(same) == self.mt
        self.g_direct = [g.fun for g in same] if direct else None
        self.grad_g_direct = [g.jac for g in same] if direct and all(g.jac for g in same) else None
        self.vectorized = bool(vectorized)

    def _bounds(self, bounds):
        if bounds is None:
            bounds = [(None, None)] * self.nx
        if len(bounds) != self.nx:
            raise ValueError("bounds has %d pairs for %d variables" % (len(bounds), self.nx))
        self.xl = [-np.inf if a is None else float(a) for a, _ in bounds]
        self.xu = [np.inf if b is None else float(b) for _, b in bounds]

    def _box(self):
        boxes = {tuple(g.T) for g in self.infinite}
        if len(boxes) > 1:
            raise ValueError("every infinite constraint must range over the same T")
        box = boxes.pop() if boxes else ()
        self.nt = len(box)
        self.tl = [a for a, _ in box]
        self.tu = [b for _, b in box]
        self._lower, self._upper = np.array(self.tl), np.array(self.tu)

    def f(self, x):
        return float(self.fun(x))

    def grad_f(self, x):
        if self.jac is not None:
            return np.asarray(self.jac(x), dtype=float)
        return _gradient(self.f, x)

    def c(self, j, x):
        return self.finite.value(j, x)

    def grad_c(self, j, x):
        return self.finite.gradient(j, x)

    def g(self, j, x, t):
        return self.infinite[j].value(x, t)

    def grad_g(self, j, x, t):
        return self.infinite[j].gradients(x, t, self._lower, self._upper)

    def _g_batch(self, j, x, points):
        return self.infinite[j].values(x, points)


def build_problem(fun, x0, jac, bounds, constraints, infinite):
    if isinstance(constraints, Constraint):
        constraints = [constraints]
    if isinstance(infinite, InfiniteConstraint):
        infinite = [infinite]
    return _Stated(fun, x0, jac, bounds, constraints, infinite)
