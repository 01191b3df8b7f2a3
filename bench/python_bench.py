"""The Python package against the AMPL evaluator, in one process: the same
problems and options through ormid.solve_nl (the model's stub), through
ormid.minimize with vectorized callables and with plain ones (exact
derivatives in both). Targets: vectorized at most 3 times the stub's time,
plain at most 20 times, and the same answer to 1e-12.

    PYTHONPATH=build/python python3 bench/python_bench.py [--repeat 3] [--out bench/python.md]
"""
import argparse
import os
import shutil
import tempfile

import ormid  # first: it finds NumPy where the package was built
import numpy as np
from timing import timings

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def watson2(vectorized):
    def g(x, T):
        t = T[:, 0] if vectorized else T[0]
        return (1 - x[0] ** 2 * t ** 2) ** 2 - x[0] * t ** 2 - x[1] ** 2 + x[1]

    def jac(x, T):
        t = T[:, 0] if vectorized else T[0]
        u = 1 - x[0] ** 2 * t ** 2
        gx = np.stack([-4 * u * x[0] * t ** 2 - t ** 2, 1 - 2 * x[1] + 0 * t], axis=-1)
        gt = (-4 * u * x[0] ** 2 * t - 2 * x[0] * t)[..., None]
        return gx, gt

    return dict(fun=lambda x: x[0] ** 2 / 3 + x[1] ** 2 + x[0] / 2,
                jac=lambda x: np.array([2 * x[0] / 3 + 0.5, 2 * x[1]]), x0=[-1.0, 0.0],
                infinite=[ormid.InfiniteConstraint(g, [(0.0, 1.0)], jac=jac, vectorized=vectorized)])


def oet1(vectorized):
    def side(s):
        def g(x, T):
            t = T[:, 0] if vectorized else T[0]
            return s * (t ** 2 - x[1] * t - x[2] * np.exp(t)) - x[0]

        def jac(x, T):
            t = T[:, 0] if vectorized else T[0]
            gx = np.stack([-1 + 0 * t, -s * t, -s * np.exp(t)], axis=-1)
            gt = (s * (2 * t - x[1] - x[2] * np.exp(t)))[..., None]
            return gx, gt
        return ormid.InfiniteConstraint(g, [(0.0, 2.0)], jac=jac, vectorized=vectorized)

    return dict(fun=lambda x: x[0], jac=lambda x: np.array([1.0, 0.0, 0.0]), x0=[0.0, 0.0, 0.0],
                infinite=[side(1.0), side(-1.0)])


def ball3(vectorized):
    def g(x, T):
        T = np.asarray(T)
        return ((T - x[:3]) ** 2).sum(axis=-1) - x[3]

    def jac(x, T):
        T = np.asarray(T)
        d = T - x[:3]
        gx = np.concatenate([-2 * d, -np.ones(d.shape[:-1] + (1,))], axis=-1)
        return gx, 2 * d

    return dict(fun=lambda x: x[3], jac=lambda x: np.array([0.0, 0.0, 0.0, 1.0]),
                x0=[0.2, 0.3, 0.4, 1.0],
                infinite=[ormid.InfiniteConstraint(g, [(0.0, 1.0)] * 3, jac=jac, vectorized=vectorized)])


PROBLEMS = {"watson2": watson2, "oet1": oet1, "ball3": ball3}
OPTIONS = {"method": "exchange"}


def timed(solve, repeat):
    result, seconds = timings(solve, repeat)
    return result, float(np.median(seconds))


def stub_in(directory, name):
    for ext in (".nl", ".row", ".col"):
        shutil.copy(os.path.join(ROOT, "examples", name + ext), directory)
    return os.path.join(directory, name)


def relative(a, b):
    return float(np.max(np.abs(np.asarray(a) - np.asarray(b)) / np.maximum(1.0, np.abs(b))))


def run(repeat):
    rows = []
    with tempfile.TemporaryDirectory() as directory:
        for name, make in PROBLEMS.items():
            stub = stub_in(directory, name)
            ampl, ampl_s = timed(lambda: ormid.solve_nl(stub, **OPTIONS), repeat)
            for kind in ("vectorized", "plain"):
                stated = make(kind == "vectorized")
                r, s = timed(lambda: ormid.minimize(options=OPTIONS, **stated), repeat)
                rows.append(dict(problem=name, kind=kind, status=r.status, ampl_status=ampl.status,
                                 x_error=relative(r.x, ampl.x),
                                 f_error=abs(r.fun - ampl.fun) / max(1.0, abs(ampl.fun)),
                                 seconds=s, ampl_seconds=ampl_s, ratio=s / ampl_s,
                                 target=3.0 if kind == "vectorized" else 20.0))
    return rows


def markdown(rows):
    lines = ["| problem | callables | status (stub's) | x vs stub | f vs stub | seconds | stub's seconds | "
             "ratio | target | holds |", "|---|---|---|---|---|---|---|---|---|---|"]
    for r in rows:
        holds = r["ratio"] <= r["target"] and r["x_error"] <= 1e-12
        lines.append("| %s | %s | %d (%d) | %.1e | %.1e | %.3f | %.3f | %.2f | %.0f | %s |"
                     % (r["problem"], r["kind"], r["status"], r["ampl_status"], r["x_error"],
                        r["f_error"], r["seconds"], r["ampl_seconds"], r["ratio"], r["target"],
                        "yes" if holds else "no"))
    return "\n".join(lines) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--repeat", type=int, default=3)
    parser.add_argument("--out", help="write the table to this Markdown file as well")
    args = parser.parse_args()
    table = markdown(run(args.repeat))
    print(table)
    if args.out:
        with open(args.out, "w") as f:
            f.write("## Python against the AMPL evaluator\n\n" + __doc__.split("\n\n")[0] + "\n\n" + table)


if __name__ == "__main__":
    main()
