"""Problems written as formulas: ormid.Model and the functions on its expressions.

    m = ormid.Model()
    x = m.variables(3, lb=None, ub=None, start=0.0)   # NumPy array of variables
    z = m.variable(start=1.0)
    t = m.infinite_variables([(0.0, 1.0)])           # the infinite variables: T
    m.minimize(z)
    m.subject_to(ormid.cos(x[0] * t[0]) - z <= 0)     # infinite, since t appears
    r = m.solve(method="exchange", feas_tol=1e-8)     # ormid.Result
    m.write_nl("stub")                                # stub.nl, stub.row, stub.col

Expressions take +, -, *, /, ** and NumPy's operators on arrays of them
(``a @ np.cos(k * t[0])``); np.sin, np.cos, np.exp, np.log, np.sqrt, np.abs and
the other elementwise functions on object arrays call the expressions' methods.
Derivatives are exact and the solve runs in the library without Python.
"""

import numpy as np

from . import _ormid
from ._result import Result

Expr = _ormid.Expr
ModelConstraint = _ormid.ModelConstraint


def _elementwise(name, numpy_function):
    def function(a):
        if isinstance(a, Expr):
            return getattr(a, name)()
        return numpy_function(a)  # numbers, and arrays (of expressions too)
    function.__name__ = name
    function.__doc__ = "%s of an expression, a number or an array of them." % name
    return function


def _elementwise_all(*names):
    return [_elementwise(name, getattr(np, name)) for name in names]


# NumPy's names, and the C++ names as aliases.
sqrt, exp, log, log10 = _elementwise_all("sqrt", "exp", "log", "log10")
sin, cos, tan = _elementwise_all("sin", "cos", "tan")
arcsin, arccos, arctan = asin, acos, atan = _elementwise_all("arcsin", "arccos", "arctan")
sinh, cosh, tanh = _elementwise_all("sinh", "cosh", "tanh")
arcsinh, arccosh, arctanh = asinh, acosh, atanh = _elementwise_all("arcsinh", "arccosh", "arctanh")
abs = _elementwise("absolute", np.absolute)  # noqa: A001 (ormid.abs, as np.abs)


def _array(items):
    out = np.empty(len(items), dtype=object)
    out[:] = items
    return out


def _constraints(constraint):
    if isinstance(constraint, ModelConstraint):
        return [constraint]
    if isinstance(constraint, (np.ndarray, list, tuple)):
        return [c for item in np.ravel(np.asarray(constraint, dtype=object)) for c in _constraints(item)]
    raise TypeError("subject_to takes expr <= ub, lb <= expr, expr == c (or arrays of them), not %r"
                    % (constraint,))


class Model:
    """Variables, infinite variables over the box T, an objective and constraints
    written as expressions; solve() and write_nl(). Result.x holds the finite
    variables in the order they were made."""

    def __init__(self):
        self._core = _ormid.ModelCore()

    def variable(self, lb=None, ub=None, start=0.0, name=""):
        """One finite variable (None: no bound)."""
        return self._core.variable(lb, ub, float(start), name)

    def variables(self, n, lb=None, ub=None, start=0.0, name=""):
        """A NumPy array of n finite variables; lb, ub and start may be arrays."""
        lbs, ubs, starts = (np.broadcast_to(np.asarray(v, dtype=object), (n,)) for v in (lb, ub, start))
        return _array([self._core.variable(lbs[i], ubs[i], float(starts[i]),
                                           "%s[%d]" % (name, i + 1) if name else "") for i in range(n)])

    def infinite_variable(self, lb, ub, name=""):
        """One coordinate of T: lb <= t <= ub."""
        return self._core.infinite_variable(float(lb), float(ub), name)

    def infinite_variables(self, box):
        """The coordinates of T, one per (lb, ub) pair, as a NumPy array."""
        return _array([self._core.infinite_variable(float(lb), float(ub)) for lb, ub in box])

    def minimize(self, objective, name=""):
        self._core.minimize(objective, name)

    def maximize(self, objective, name=""):
        self._core.maximize(objective, name)

    def subject_to(self, constraint, name=""):
        """expr <= ub, lb <= expr, (lb <= expr) <= ub, expr == c, or an array of
        them; infinite where an infinite variable appears."""
        for c in _constraints(constraint):
            self._core.subject_to(c, name)

    def value(self, expr, x, t=()):
        """expr (or an array of expressions) at the finite variables x (an
        ormid.Result or its x) and, where it depends on them, the infinite ones t."""
        x = [float(v) for v in getattr(x, "x", x)]
        t = [float(v) for v in t]
        if isinstance(expr, np.ndarray):
            return np.array([self._core.value(e, x, t) for e in expr.ravel()]).reshape(expr.shape)
        return self._core.value(expr, x, t)

    @property
    def sizes(self):
        """(nx, nt, mx, mt)"""
        return self._core.nx, self._core.nt, self._core.mx, self._core.mt

    def solve(self, method="exchange", warm_start=None, **options):
        """Solves in the library, without the GIL; options by keyword name and
        warm_start as ormid.minimize takes them (verify is on by default)."""
        from . import _keyword_texts, _warm
        options.setdefault("method", method)
        texts, print_level = _keyword_texts(options)
        return Result(self._core.solve(texts, print_level, _warm(warm_start)), None)

    def write_nl(self, stub):
        """Writes stub.nl, stub.row and stub.col, which the ormid program reads."""
        self._core.write_nl(stub)
