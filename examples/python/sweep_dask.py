"""A sweep on many machines: the best uniform approximation of exp(a t) on
[0, 1] by a cubic, for 20 values of a, each solve a task of dask.distributed.

    minimize e  subject to  |exp(a t) - (x0 + x1 t + x2 t^2 + x3 t^3)| <= e  on [0, 1]

On a local cluster of processes (two workers):
    PYTHONPATH=build/python python3 examples/python/sweep_dask.py
On a cluster, with the address of its scheduler (every worker needs the
package on its PYTHONPATH):
    PYTHONPATH=build/python python3 examples/python/sweep_dask.py --scheduler tcp://host:8786
"""
import argparse

import ormid  # first: it finds NumPy where the package was built
import numpy as np


def solve_one(a):
    """One member of the family; returns a row of the table."""
    def residual(x, T):
        t = T[:, 0]
        return np.exp(a * t) - (x[0] + t * (x[1] + t * (x[2] + t * x[3])))

    infinite = [
        ormid.InfiniteConstraint(lambda x, T: residual(x, T) - x[4], [(0.0, 1.0)], vectorized=True),
        ormid.InfiniteConstraint(lambda x, T: -residual(x, T) - x[4], [(0.0, 1.0)], vectorized=True),
    ]
    r = ormid.minimize(lambda x: x[4], x0=[1.0, a, 0.0, 0.0, 1.0],
                       jac=lambda x: np.array([0.0, 0.0, 0.0, 0.0, 1.0]), infinite=infinite)
    return {"a": a, "status": r.status, "error": r.fun, "violation": r.max_violation,
            "seconds": r.seconds}


def sweep(client, values):
    """Solves the members on the client's workers, in the order of values."""
    futures = client.map(solve_one, values, pure=False)
    return client.gather(futures)


def table(rows):
    lines = ["%8s %7s %14s %11s %8s" % ("a", "status", "max error", "violation", "seconds")]
    for row in rows:
        lines.append("%8.3f %7d %14.8e %11.2e %8.3f" % (row["a"], row["status"], row["error"],
                                                      row["violation"], row["seconds"]))
    return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--scheduler", help="address of a running scheduler (default: a local cluster)")
    parser.add_argument("--workers", type=int, default=2, help="workers of the local cluster")
    parser.add_argument("--count", type=int, default=20, help="members of the family")
    args = parser.parse_args()
    from dask.distributed import Client, LocalCluster
    values = list(np.linspace(0.1, 3.0, args.count))
    if args.scheduler:
        with Client(args.scheduler) as client:
            rows = sweep(client, values)
    else:
        with LocalCluster(n_workers=args.workers, threads_per_worker=1, processes=True,
                          dashboard_address=None) as cluster, Client(cluster) as client:
            rows = sweep(client, values)
    print(table(rows))


if __name__ == "__main__":
    main()
