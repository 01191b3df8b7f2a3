"""Wall-clock seconds of repeated solves, for the Python benchmarks."""
import time


def timings(solve, repeat):
    """Runs solve() `repeat` times: its last result and each run's seconds."""
    seconds, result = [], None
    for _ in range(repeat):
        start = time.perf_counter()
        result = solve()
        seconds.append(time.perf_counter() - start)
    return result, seconds
