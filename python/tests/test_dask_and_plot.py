"""The Dask sweep on a local cluster of two worker processes, and pictures
of results."""
import os

import ormid  # first: it finds NumPy where the package was built
import numpy as np
import pytest

from conftest import chebyshev_constraints


def test_the_sweep_on_two_workers_gives_what_each_chain_gives_alone():
    distributed = pytest.importorskip("dask.distributed")
    import sweep_dask
    values = [0.5, 1.0, 1.5, 2.0]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, \
            distributed.Client(cluster) as client:
        rows = sweep_dask.sweep(client, values)
        cold = sweep_dask.sweep(client, values, warm=False)
    assert [row["a"] for row in rows] == [row["a"] for row in cold] == values
    # each worker's chain of neighbours, each from the last one's answer
    assert sweep_dask.chains(values, 2) == [[0.5, 1.0], [1.5, 2.0]]
    alone = [row for part in sweep_dask.chains(values, 2) for row in sweep_dask.solve_chain(part)]
    for row, same, own in zip(rows, alone, cold):
        assert row["status"] == own["status"] == 0
        assert row["error"] == pytest.approx(same["error"], rel=1e-12)
        assert row["subproblems"] == same["subproblems"]
        assert own["error"] == pytest.approx(sweep_dask.solve_one(own["a"])["error"], rel=1e-12)
        # warm or cold, the same optimum (to the certificate's tolerance)
        assert row["error"] == pytest.approx(own["error"], rel=1e-6)
    # the error of the best cubic grows with a
    errors = [row["error"] for row in rows]
    assert errors == sorted(errors)
    assert "subproblems" in sweep_dask.table(rows)


def test_results_draw_over_one_and_two_infinite_variables(tmp_path):
    pytest.importorskip("matplotlib")
    one = ormid.minimize(lambda x: x[1], [0.0, 1.0], infinite=chebyshev_constraints())
    two = ormid.minimize(lambda x: -x[0], [0.0],
                         infinite=[ormid.InfiniteConstraint(lambda x, t: x[0] * (t[0] ** 2 + t[1] ** 2) - 2,
                                                            [(0.0, 1.0), (0.0, 1.0)])])
    for result, name in ((one, "one.png"), (two, "two.png")):
        path = str(tmp_path / name)
        figure = result.plot(path)
        assert len(figure.axes) >= len(result._stated.infinite)
        with open(path, "rb") as f:
            assert f.read(8) == b"\x89PNG\r\n\x1a\n"
        assert os.path.getsize(path) > 5000
    with pytest.raises(ValueError):
        ormid.Result(dict(x=[], fun=0.0, status=0, message="", status_text="solved", nit=0,
                          max_violation=0.0, worst=[], active=[], stationarity=0.0,
                          objective_gap=0.0, stats={}, seconds=0.0), None).plot()
