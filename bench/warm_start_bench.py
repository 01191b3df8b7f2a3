"""Warm starts along chains of neighbouring problems, in one process: each
member from its own start (cold) against each from the answer of the one
before (warm). The chains are the Dask sweep's (examples/python/sweep_dask.py:
20 values of a, cut into one chain per worker, two here) and the 2-D lattice
program of the package's tests with its centre moved step by step. For each:
subproblems (Stats subproblems), evaluations of the infinite constraints (values and
gradients), the largest difference between the warm and cold optima, and the
median over the rounds of the chains' total seconds.

    PYTHONPATH=build/python python3 bench/warm_start_bench.py [--rounds 5] [--out bench/warm_start.md]
"""
import argparse
import os
import statistics
import sys
import time

import ormid  # first: it finds NumPy where the package was built
import numpy as np

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "examples", "python"))
sys.path.insert(0, os.path.join(ROOT, "python", "tests"))
import sweep_dask  # noqa: E402
from conftest import lattice  # noqa: E402


def sweep_member(a, warm_start):
    return sweep_dask.solve_member(a, warm_start)[1]


def lattice_member(shift, warm_start):
    return lattice(shift, warm_start=warm_start)


FAMILIES = [
    ("sweep: cubic for exp(a t), a = 0.1 .. 3", sweep_member,
     sweep_dask.chains([float(a) for a in np.linspace(0.1, 3.0, 20)], 2)),
    ("2-D lattice, centre moved by 0 .. 0.9", lattice_member,
     [[0.1 * k for k in range(10)]]),
]


def run_chains(member, chains, warm):
    """Every chain in order; the results in the order of the values."""
    results = []
    for chain in chains:
        last = None
        for value in chain:
            last = member(value, last if warm else None)
            results.append(last)
    return results


def figures(results, seconds):
    stats = [r.stats for r in results]
    return {"status": sorted({r.status for r in results}), "subproblems": sum(s["subproblems"] for s in stats),
            "evaluations": sum(s["infinite_constraint_values"] + s["infinite_constraint_gradients"]
                               for s in stats),
            "seconds": seconds}


def measure(member, chains, rounds):
    """Cold and warm figures, rounds interleaved; the median seconds."""
    times = {False: [], True: []}
    last = {}
    for r in range(rounds):
        for warm in ((False, True) if r % 2 == 0 else (True, False)):
            start = time.perf_counter()
            last[warm] = run_chains(member, chains, warm)
            times[warm].append(time.perf_counter() - start)
    gap = max(abs(w.fun - c.fun) / max(1.0, abs(c.fun)) for w, c in zip(last[True], last[False]))
    return {warm: figures(last[warm], statistics.median(times[warm])) for warm in (False, True)}, gap


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--rounds", type=int, default=5)
    parser.add_argument("--out", help="write the table there too")
    args = parser.parse_args()
    lines = ["| chain | members | start | status | subproblems | evaluations of g | seconds (median of %d) |"
             % args.rounds, "|---|---|---|---|---|---|---|"]
    notes = []
    for name, member, chains in FAMILIES:
        both, gap = measure(member, chains, args.rounds)
        count = sum(len(c) for c in chains)
        for warm in (False, True):
            f = both[warm]
            lines.append("| %s | %d | %s | %s | %d | %d | %.2f |" % (
                name, count, "warm" if warm else "cold", ",".join(map(str, f["status"])), f["subproblems"],
                f["evaluations"], f["seconds"]))
        notes.append("%s: warm and cold optima within %.1e (relative to max(1, |f|))." % (name, gap))
        print("\n".join(lines[-2:]), flush=True)
    text = "\n".join(lines + [""] + notes) + "\n"
    print(text)
    if args.out:
        with open(args.out, "w") as f:
            f.write("## Warm starts along chains of neighbours\n\n" + __doc__.split("\n\n")[0].replace("\n", " ")
                    + "\n\n" + text)


if __name__ == "__main__":
    main()
