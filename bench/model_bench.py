"""Models against stubs: the bundled examples and a filter design written as
ormid.Model, solved in-process and as the AMPL stubs (ormid.solve_nl), the
time of building a 1024-term infinite constraint, and the write_nl round trip
(the model written, solved by the ormid program, against the in-process solve).

    PYTHONPATH=build/python python3 bench/model_bench.py [--build build] [--repeat 15]
        [--out bench/models.md]

The filter's stub comes from bench/filter_models (built with the benchmarks).
"""
import argparse
import os
import statistics
import subprocess
import sys
import tempfile
import time

import ormid  # first: it finds NumPy where the package was built
import numpy as np
from timing import timings

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
TWO_PI = 6.283185307179586476925286766559


def watson2():
    m = ormid.Model()
    x1, x2 = m.variable(start=-1.0), m.variable(start=0.0)
    t = m.infinite_variable(0.0, 1.0)
    m.minimize(x1 ** 2 / 3 + x2 ** 2 + x1 / 2)
    m.subject_to((1 - x1 ** 2 * t ** 2) ** 2 - x1 * t ** 2 - x2 ** 2 + x2 <= 0)
    return m


def oet1():
    m = ormid.Model()
    u = m.variable()
    x = m.variables(2)
    t = m.infinite_variable(0.0, 2.0)
    r = t ** 2 - x[0] * t - x[1] * ormid.exp(t)
    m.minimize(u)
    m.subject_to(r - u <= 0)
    m.subject_to(-r - u <= 0)
    return m


def ball3():
    m = ormid.Model()
    c = m.variables(3, start=[0.2, 0.3, 0.4])
    r = m.variable(start=1.0)
    t = m.infinite_variables([(0.0, 1.0)] * 3)
    m.minimize(r)
    m.subject_to(ormid.sum((t - c) ** 2) - r <= 0)
    return m


def lowpass(taps=41, bands=((0.0, 0.2, 1.0, 1.0), (0.25, 0.5, 0.0, 1.0))):
    """The minimax lowpass FIR design of bench/filter_design.h: H(f) = x_0 +
    sum_k x_k cos(2 pi k f), |W (H - D)| <= delta on each band."""
    m = ormid.Model()
    n = (taps - 1) // 2 + 1
    x = m.variables(n)
    delta = m.variable(start=1.25 * max(w * abs(d) for _, _, d, w in bands))
    t = m.infinite_variable(0.0, 1.0)
    k = np.arange(1, n)
    m.minimize(delta)
    for lo, hi, desired, weight in bands:
        h = ormid.sum([x[0]] + list(x[1:] * np.cos(TWO_PI * k * lo + (TWO_PI * k * (hi - lo)) * t)))
        error = weight * (h - desired)
        m.subject_to(error - delta <= 0)
        m.subject_to(-error - delta <= 0)
    return m


def best_time(solve, repeat):
    result, seconds = timings(solve, repeat)
    return min(seconds), result


def filter_stub(build, work):
    program = os.path.join(build, "bench", "filter_models")
    subprocess.run([program, "--out", work, "--designs", "lowpass_n41"], check=True, stdout=subprocess.DEVNULL)
    return os.path.join(work, "lowpass_n41")


def solve_times(build, repeat, work):
    rows = []
    examples = [("watson2", watson2, os.path.join(ROOT, "examples", "watson2")),
                ("oet1", oet1, os.path.join(ROOT, "examples", "oet1")),
                ("ball3", ball3, os.path.join(ROOT, "examples", "ball3")),
                ("lowpass_n41", lowpass, filter_stub(build, work))]
    for name, make, stub in examples:
        model = make()
        model_time, by_model = best_time(lambda: model.solve(method="exchange"), repeat)
        stub_time, by_stub = best_time(lambda: ormid.solve_nl(stub, method="exchange"), repeat)
        rows.append((name, by_model.status, by_stub.status, float(np.max(np.abs(by_model.x - by_stub.x))),
                     model_time, stub_time, model_time / stub_time))
    return rows


def build_time(repeat):
    times = []
    for _ in range(repeat):
        m = ormid.Model()
        a = m.variables(1024)
        t = m.infinite_variable(0.0, 1.0)
        k = np.arange(1024.0)
        start = time.perf_counter()
        m.subject_to(a @ np.cos(k * t) <= 1)
        times.append(time.perf_counter() - start)
    return statistics.median(times)


def sol_primals(path, count):
    """The last `count` numbers before the objno line of a .sol without duals."""
    lines = open(path).read().split("\n")
    end = next(i for i, line in enumerate(lines) if line.startswith("objno"))
    return np.array([float(v) for v in lines[end - count:end]])


def round_trip(build, work):
    rows = []
    for name, make in (("watson2", watson2), ("oet1", oet1), ("ball3", ball3), ("lowpass_n41", lowpass)):
        model = make()
        nx, nt, _, _ = model.sizes
        stub = os.path.join(work, name + "_model")
        model.write_nl(stub)
        subprocess.run([os.path.join(build, "ormid"), os.path.basename(stub), "-AMPL", "method=exchange"],
                       cwd=work, check=True, stdout=subprocess.DEVNULL)
        program = sol_primals(stub + ".sol", nx + nt)[:nx]
        direct = model.solve(method="exchange").x
        read = ormid.solve_nl(stub, method="exchange").x
        rows.append((name, float(np.max(np.abs(program - direct))), float(np.max(np.abs(read - direct)))))
    return rows


def markdown(solves, building, trips):
    out = ["# Models against stubs", "",
           "Written by `bench/model_bench.py`: each problem as `ormid.Model` and as the AMPL stub "
           "(`ormid.solve_nl`), method exchange, verify on (the default), best of the runs.", "",
           "| problem | status model | status stub | max abs x difference | model s | stub s | ratio |",
           "|---|---|---|---|---|---|---|"]
    out += ["| %s | %d | %d | %.1e | %.4f | %.4f | %.2f |" % row for row in solves]
    out += ["", "Building the 1024-term infinite constraint `a @ np.cos(k * t) <= 1`: %.4f s." % building, "",
            "| round trip | program x vs in-process | solve_nl of the written stub vs in-process |",
            "|---|---|---|"]
    out += ["| %s | %.1e | %.1e |" % row for row in trips]
    return "\n".join(out) + "\n"


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build"))
    parser.add_argument("--repeat", type=int, default=15)
    parser.add_argument("--out", default=os.path.join(ROOT, "bench", "models.md"))
    args = parser.parse_args()
    args.build = os.path.abspath(args.build)
    with tempfile.TemporaryDirectory() as work:
        text = markdown(solve_times(args.build, args.repeat, work), build_time(args.repeat),
                        round_trip(args.build, work))
    with open(args.out, "w") as f:
        f.write(text)
    sys.stdout.write(text)


if __name__ == "__main__":
    main()
