"""A sweep on many machines: the best uniform approximation of exp(a t) on
[0, 1] by a cubic, for 20 values of a, as tasks of dask.distributed.

    minimize e  subject to  |exp(a t) - (x0 + x1 t + x2 t^2 + x3 t^3)| <= e  on [0, 1]

The values are cut into one chain of neighbours per worker; a task solves its
chain in order, each member warm-started from the answer of the one before
(--cold: each from its own start).

On a local cluster of processes (two workers):
    PYTHONPATH=build/python python3 examples/python/sweep_dask.py
On a cluster, with the address of its scheduler (every worker needs the
package on its PYTHONPATH):
    PYTHONPATH=build/python python3 examples/python/sweep_dask.py --scheduler tcp://host:8786
"""
import argparse

import ormid  # first: it finds NumPy where the package was built
import numpy as np


def solve_member(a, warm_start=None):
    """One member of the family: its row of the table, and its ormid.Result."""
    def residual(x, T):
        t = T[:, 0]
        return np.exp(a * t) - (x[0] + t * (x[1] + t * (x[2] + t * x[3])))

    infinite = [
        ormid.InfiniteConstraint(lambda x, T: residual(x, T) - x[4], [(0.0, 1.0)], vectorized=True),
        ormid.InfiniteConstraint(lambda x, T: -residual(x, T) - x[4], [(0.0, 1.0)], vectorized=True),
    ]
    r = ormid.minimize(lambda x: x[4], x0=[1.0, a, 0.0, 0.0, 1.0],
                       jac=lambda x: np.array([0.0, 0.0, 0.0, 0.0, 1.0]), infinite=infinite,
                       warm_start=warm_start)
    row = {"a": a, "status": r.status, "error": r.fun, "violation": r.max_violation,
           "subproblems": r.stats["subproblems"], "seconds": r.seconds}
    return row, r


def solve_one(a):
    """One member from its own start; returns its row of the table."""
    return solve_member(a)[0]


def solve_chain(values, warm=True):
    """Neighbouring members in order, each (with warm) from the answer of the
    one before; returns their rows."""
    rows, last = [], None
    for a in values:
        row, last = solve_member(a, last if warm else None)
        rows.append(row)
    return rows


def chains(values, count):
    """values cut into count runs of neighbours (as equal as may be)."""
    return [list(part) for part in np.array_split(np.asarray(values), count) if len(part)]


def sweep(client, values, warm=True):
    """Solves the members on the client's workers, one chain of neighbours
    per worker; the rows come in the order of values."""
    workers = max(1, len(client.scheduler_info()["workers"]))
    parts = chains(values, workers)
    futures = client.map(solve_chain, parts, [warm] * len(parts), pure=False)
    return [row for part in client.gather(futures) for row in part]


def table(rows):
    lines = ["%8s %7s %14s %11s %11s %8s" % ("a", "status", "max error", "violation", "subproblems",
                                            "seconds")]
    for row in rows:
        lines.append("%8.3f %7d %14.8e %11.2e %11d %8.3f" % (row["a"], row["status"], row["error"],
                                                           row["violation"], row["subproblems"],
                                                           row["seconds"]))
    lines.append("%8s %7s %14s %11s %11d %8.3f" % ("total", "", "", "",
                                                  sum(row["subproblems"] for row in rows),
                                                  sum(row["seconds"] for row in rows)))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scheduler", help="address of a running scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=2, help="workers of the local cluster")
    parser.add_argument("--count", type=int, default=20, help="members of the family")
    parser.add_argument("--cold", action="store_true", help="every member from its own start")
    args = parser.parse_args()
    from dask.distributed import Client, LocalCluster
    values = [float(a) for a in np.linspace(0.1, 3.0, args.count)]
    if args.scheduler:
        with Client(args.scheduler) as client:
            rows = sweep(client, values, warm=not args.cold)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            rows = sweep(client, values, warm=not args.cold)
    print(table(rows))


if __name__ == "__main__":
    main()
