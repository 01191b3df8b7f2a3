"""Semi-infinite programming from Python.

    minimize f(x)  subject to  bounds on x,
                               lb <= c(x) <= ub               (ormid.Constraint)
                               lb <= g(x, t) <= ub  for every t in the box T
                                                              (ormid.InfiniteConstraint)

``ormid.minimize`` solves a problem stated with NumPy callables, ``ormid.solve_nl``
an AMPL stub (with its .row and .col files) as the ``ormid`` program does, without
writing any file, ``ormid.Model`` a problem written as formulas (exact derivatives,
verified bounds, no Python during the solve). All return an ``ormid.Result``.

Derivatives that are not given are taken by central differences, in x for f and
c, and in x and t for g, with the step cbrt(machine epsilon) * max(1, |v|) for a
coordinate of value v; at a bound of T the step in t goes inwards only.
"""

import os
import sys

from . import _site

try:
    import numpy as np
except ImportError:  # another interpreter of the same version: the build's NumPy
    sys.path.append(_site.PACKAGES)
    import numpy as np

try:
    from . import _ormid
except ImportError:  # the package's Python files alone: its binding is not built
    raise ImportError("ormid: the package's binding is not built: "
                      "cmake --build build --target ormid_python") from None
from ._model import (Model, Expr, ModelConstraint, sin, cos, tan, arcsin, arccos, arctan, asin, acos,
                     atan, sinh, cosh, tanh, arcsinh, arccosh, arctanh, asinh, acosh, atanh, exp,
                     log, log10, sqrt, abs)
from ._problem import Constraint, InfiniteConstraint, build_problem
from ._result import Result

__all__ = ["minimize", "solve_nl", "Constraint", "InfiniteConstraint", "Result", "Model",
           "sum", "dot", "keywords", "__version__"]
__version__ = _ormid.__version__
sum = _ormid.sum  # noqa: A001 (ormid.sum: one sum node of expressions)
dot = _ormid.dot


def keywords():
    """The option keywords: (name, description, words) for each."""
    return _ormid.keywords()


def _keyword_texts(options):
    """Options as the keyword texts the solver reads; print_level apart."""
    texts, print_level = {}, 0
    for name, value in (options or {}).items():
        if name == "print_level":
            print_level = int(value)
        elif isinstance(value, bool):
            texts[name] = "1" if value else "0"
        elif isinstance(value, (int, np.integer)):
            texts[name] = str(int(value))
        elif isinstance(value, (float, np.floating)):
            texts[name] = repr(float(value))
        elif isinstance(value, (list, tuple, np.ndarray)):
            texts[name] = ",".join(repr(float(v)) for v in value)
        else:
            texts[name] = str(value)
    return texts, print_level


def _warm(warm_start):
    """The warm start as the binding takes it: an ormid.Result, or None."""
    if warm_start is not None and not isinstance(warm_start, Result):
        raise TypeError("warm_start must be an ormid.Result (the answer of a nearby problem), not %s"
                        % type(warm_start).__name__)
    return warm_start


def minimize(fun, x0, jac=None, bounds=None, constraints=(), infinite=(),
             method="exchange", options=None, callback=None, warm_start=None):
    """Minimizes fun(x) subject to the finite and infinite constraints.

    fun(x) returns a float, jac(x) its gradient (None: differences). bounds is a
    list of (lower, upper) pairs (None or +-inf for none), or None. constraints are
    ormid.Constraint, infinite ormid.InfiniteConstraint (all over the same T).
    options go by keyword name ({"feas_tol": 1e-8, "time_limit": 10}); a bad
    keyword or value raises ValueError. callback(info) is called once an
    iteration with a dict (x, fun, nit, phase, violation); returning True stops
    the run (status 404). An exception raised by any callable stops the run and
    is raised again. warm_start, the ormid.Result of a nearby problem of the
    same sizes, starts from its x in place of x0 (the exchange method also
    from its active and worst points of T); one of other sizes gives status
    -3 and says why.
    """
    stated = build_problem(fun, x0, jac, bounds, constraints, infinite)
    opts = dict(options or {})
    opts.setdefault("method", method)
    texts, print_level = _keyword_texts(opts)
    raw = _ormid.solve(stated, texts, print_level, callback, _warm(warm_start))
    return Result(raw, stated)


def solve_nl(stub, warm_start=None, **options):
    """Solves an AMPL stub as the ormid program does, writing no file.

    x is the finite variables' values in .col order; warm_start as minimize
    takes it.
    """
    path = stub if stub.endswith(".nl") else stub + ".nl"
    if not os.path.exists(path):
        raise FileNotFoundError(path)
    texts, print_level = _keyword_texts(options)
    return Result(_ormid.solve_nl(stub, texts, print_level, _warm(warm_start)), None)
