#!/usr/bin/python3
"""Filter design: ormid's exchange method against the 1-D specialist and a grid LP.

For every design of bench/filter_design.h (written as AMPL stubs by the
filter_models program) this runs

  * 1-D: scipy.signal.remez (grid density 16), best of several runs;
  * 2-D: scipy.optimize.linprog (HiGHS) on an 81 x 81 grid of each region
    (what a practitioner runs), and on grids refined at the error's local
    maxima until the LP value and the true error agree to 1e-6 relative;
  * `ormid stub -AMPL method=exchange`, with verify on (the default) and with
    verify=0, timing the whole process (killed after --timeout seconds);

and judges every answer by its largest weighted error on 2e5 points per band
(1-D) or 448 x 448 per region (2-D), each local maximum polished. A lower
bound on the optimal error comes from the alternation theorem in 1-D (de la
Vallee Poussin: cosines up to degree M are a Haar system on [0, 1/2]) and
from the refined LP in 2-D. Writes filters.csv and filters.md.

filters.py [--build DIR] [--out DIR] [--quick] [--designs a,b] [--timeout S]
"""
import argparse
import csv
import json
import os
import platform
import re
import subprocess
import sys
import tempfile
import time
import warnings

import numpy as np
from numpy.polynomial import chebyshev
import scipy
from scipy import optimize, signal

QUICK = ["lowpass_n21", "lowpass_n41", "bandpass_n31", "lowpass2d_c25"]
SAMPLES_1D = 200_000
SAMPLES_2D = 448  # per axis of a region: about 2e5 points
LP_OPTIONS = {"primal_feasibility_tolerance": 1e-10, "dual_feasibility_tolerance": 1e-10}


# --- the designs' amplitude and weighted error -------------------------------------------

def amplitude_1d(a, f):
    """H(f) = sum a_k cos(2 pi k f) = sum a_k T_k(cos 2 pi f) (Clenshaw)."""
    return chebyshev.chebval(np.cos(2 * np.pi * f), a)


def amplitude_2d(a, f1, f2):
    """H(f1, f2) at points (arrays of equal shape)."""
    return chebyshev.chebval2d(np.cos(2 * np.pi * f1), np.cos(2 * np.pi * f2), a)


def coefficient_matrix(design, x):
    m = design["order"] + 1
    return np.asarray(x[: m * m]).reshape(m, m)


def parabola_peaks(f, e, idx):
    """Signed error at the vertex of the parabola through each peak and its neighbours."""
    i = np.clip(idx, 1, len(f) - 2)
    y0, y1, y2 = e[i - 1], e[i], e[i + 1]
    curvature = y0 - 2 * y1 + y2
    with np.errstate(divide="ignore", invalid="ignore"):
        shift = np.where(curvature != 0, 0.5 * (y0 - y2) / curvature, 0.0)
    shift = np.clip(shift, -1, 1)
    return f[i] + shift * (f[1] - f[0])


def local_maxima(absolute):
    """Indices where |e| is at least its neighbours (the ends included)."""
    left = np.concatenate(([-np.inf], absolute[:-1]))
    right = np.concatenate((absolute[1:], [-np.inf]))
    return np.nonzero((absolute >= left) & (absolute >= right))[0]


def band_extrema_1d(a, band):
    """Polished local extrema of W (H - D) over one band: (frequencies, signed errors)."""
    f = np.linspace(band["lo1"], band["hi1"], SAMPLES_1D)
    w, d = band["weight"], band["desired"]
    e = w * (amplitude_1d(a, f) - d)
    idx = local_maxima(np.abs(e))
    inner = idx[(idx > 0) & (idx < len(f) - 1)]
    refined = parabola_peaks(f, e, inner)
    er = w * (amplitude_1d(a, refined) - d)
    keep = np.abs(er) > np.abs(e[inner])
    fr = np.where(keep, refined, f[inner])
    er = np.where(keep, er, e[inner])
    ends = idx[(idx == 0) | (idx == len(f) - 1)]
    fs = np.concatenate((fr, f[ends]))
    es = np.concatenate((er, e[ends]))
    order = np.argsort(fs)
    return fs[order], es[order]


def extrema_1d(design, a):
    pieces = [band_extrema_1d(a, b) for b in design["bands"]]
    return (np.concatenate([p[0] for p in pieces]), np.concatenate([p[1] for p in pieces]))


def alternation_count(signed, threshold):
    """Longest alternating sequence among the extrema with |e| >= threshold."""
    s = np.sign(signed[np.abs(signed) >= threshold])
    if len(s) == 0:
        return 0
    return 1 + int(np.count_nonzero(s[1:] != s[:-1]))


def alternation_bound(design, signed):
    """de la Vallee Poussin: M + 2 alternating errors of size >= L make L a lower bound."""
    need = design["order"] + 2
    levels = np.unique(np.abs(signed))
    lo, hi = 0, len(levels) - 1  # largest level index with enough alternations
    if alternation_count(signed, levels[0]) < need:
        return 0.0
    while lo < hi:
        mid = (lo + hi + 1) // 2
        if alternation_count(signed, levels[mid]) >= need:
            lo = mid
        else:
            hi = mid - 1
    return float(levels[lo])


def region_error_2d(A, band, s1, s2):
    """W (H - D) on a grid of s1 x s2 points of T = [0, 1]^2 mapped onto the region."""
    f1 = band["lo1"] + s1 * (band["hi1"] - band["lo1"])
    f2 = band["lo2"] + s2 * (band["hi2"] - band["lo2"])
    h = chebyshev.chebgrid2d(np.cos(2 * np.pi * f1), np.cos(2 * np.pi * f2), A)
    return band["weight"] * (h - band["desired"])


def point_error_2d(A, band, t):
    f1 = band["lo1"] + t[0] * (band["hi1"] - band["lo1"])
    f2 = band["lo2"] + t[1] * (band["hi2"] - band["lo2"])
    return band["weight"] * (float(amplitude_2d(A, np.array(f1), np.array(f2))) - band["desired"])


def grid_maxima_2d(absolute):
    """Indices (i, j) where |e| is at least its eight neighbours."""
    padded = np.pad(absolute, 1, constant_values=-np.inf)
    is_max = np.ones_like(absolute, dtype=bool)
    n1, n2 = absolute.shape
    for di in (-1, 0, 1):
        for dj in (-1, 0, 1):
            if di or dj:
                is_max &= absolute >= padded[1 + di:1 + di + n1, 1 + dj:1 + dj + n2]
    return np.argwhere(is_max)


def extrema_2d(design, x, polish=40):
    """Polished local maxima of |W (H - D)|: list of (band, t, signed error)."""
    A = coefficient_matrix(design, x)
    s = np.linspace(0, 1, SAMPLES_2D)
    found = []
    for b, band in enumerate(design["bands"]):
        e = region_error_2d(A, band, s, s)
        for i, j in grid_maxima_2d(np.abs(e)):
            found.append((b, np.array([s[i], s[j]]), float(e[i, j])))
    found.sort(key=lambda item: -abs(item[2]))
    polished = []
    for b, t, value in found[:polish]:
        band = design["bands"][b]
        sign = 1.0 if value >= 0 else -1.0
        r = optimize.minimize(lambda u: -sign * point_error_2d(A, band, u), t, method="L-BFGS-B",
                              bounds=[(0, 1), (0, 1)], options={"ftol": 1e-15, "gtol": 1e-12})
        better = -r.fun * sign
        polished.append((b, r.x, better) if abs(better) > abs(value) else (b, t, value))
    return polished + found[polish:]


def max_error(design, x):
    if design["dim"] == 1:
        return float(np.max(np.abs(extrema_1d(design, np.asarray(x))[1])))
    return max(abs(e) for _, _, e in extrema_2d(design, x))


# --- remez ---------------------------------------------------------------------------------

def remez_coefficients(design):
    """Remez's impulse response h (odd length) as cosine coefficients a_0 = h_M, a_k = 2 h_{M-k}."""
    edges = [v for b in design["bands"] for v in (b["lo1"], b["hi1"])]
    desired = [b["desired"] for b in design["bands"]]
    weight = [b["weight"] for b in design["bands"]]
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        h = signal.remez(design["taps"], edges, desired, weight=weight, fs=1.0)
    m = design["order"]
    a = np.concatenate(([h[m]], 2 * h[m - 1::-1]))
    note = "; ".join(str(w.message).split("\n")[0] for w in caught)
    return a, note


def run_remez(design, repeats):
    """Coefficients (None where remez fails), best time, and remez's warning or error."""
    best = np.inf
    for _ in range(repeats):
        start = time.perf_counter()
        try:
            a, note = remez_coefficients(design)
        except ValueError as failure:  # "Failure to converge ..."
            return None, time.perf_counter() - start, "remez failed: " + str(failure).strip()
        best = min(best, time.perf_counter() - start)
    return a, best, note


# --- the LP on grids (2-D) -----------------------------------------------------------------

def lp_rows(design, points):
    """Rows of the LP in (a, delta) for points [(band, t1, t2)]: +-W (B a - D) - delta <= 0."""
    m = design["order"] + 1
    bands = design["bands"]
    b_idx = np.array([p[0] for p in points])
    t = np.array([[p[1], p[2]] for p in points])
    lo1 = np.array([bands[b]["lo1"] for b in b_idx])
    hi1 = np.array([bands[b]["hi1"] for b in b_idx])
    lo2 = np.array([bands[b]["lo2"] for b in b_idx])
    hi2 = np.array([bands[b]["hi2"] for b in b_idx])
    w = np.array([bands[b]["weight"] for b in b_idx])
    d = np.array([bands[b]["desired"] for b in b_idx])
    f1 = lo1 + t[:, 0] * (hi1 - lo1)
    f2 = lo2 + t[:, 1] * (hi2 - lo2)
    k = np.arange(m)
    c1 = np.cos(2 * np.pi * np.outer(f1, k))
    c2 = np.cos(2 * np.pi * np.outer(f2, k))
    basis = (c1[:, :, None] * c2[:, None, :]).reshape(len(points), m * m) * w[:, None]
    ones = -np.ones((len(points), 1))
    rows = np.vstack((np.hstack((basis, ones)), np.hstack((-basis, ones))))
    rhs = np.concatenate((w * d, -w * d))
    return rows, rhs


def solve_lp(design, points):
    """Tight tolerances first; HiGHS's defaults where it gives up on them."""
    rows, rhs = lp_rows(design, points)
    n = rows.shape[1]
    cost = np.zeros(n)
    cost[-1] = 1
    for options in (LP_OPTIONS, {}):
        r = optimize.linprog(cost, A_ub=rows, b_ub=rhs, bounds=[(None, None)] * n,
                             method="highs", options=options)
        if r.status == 0:
            return r.x[:-1], r.x[-1]
    raise RuntimeError("linprog: " + r.message)


def uniform_points(design, per_axis):
    s = np.linspace(0, 1, per_axis)
    return [(b, u, v) for b in range(len(design["bands"])) for u in s for v in s]


def run_lp_fixed(design, per_axis=81):
    start = time.perf_counter()
    points = uniform_points(design, per_axis)
    x, value = solve_lp(design, points)
    return x, value, time.perf_counter() - start, f"{per_axis}^2 per region, {len(points)} points"


def run_lp_refined(design, tolerance=1e-6, rounds=40):
    """LP on a 41^2 grid per region, then the error's polished local maxima added each round
    until the true error and the LP value (a lower bound) agree to `tolerance` relative."""
    start = time.perf_counter()
    points = uniform_points(design, 41)
    for round_ in range(1, rounds + 1):
        try:
            x, value = solve_lp(design, points)
        except RuntimeError as failure:  # the last LP solved stands, its bound unconfirmed
            if round_ == 1:
                raise
            note = f"LP {round_} failed ({failure}); "
            return x, value, upper, time.perf_counter() - start, note + f"{len(points)} points"
        peaks = extrema_2d(design, x)
        upper = max(abs(e) for _, _, e in peaks)
        if upper - value <= tolerance * value:
            break
        points += [(b, t[0], t[1]) for b, t, e in peaks if abs(e) > value]
    seconds = time.perf_counter() - start
    return x, value, upper, seconds, f"{round_} LPs, last on {len(points)} points"


# --- ormid -----------------------------------------------------------------------------------

def read_sol(path, n_var):
    """Message, primal values and solve code of a .sol file written without duals."""
    with open(path) as f:
        lines = f.read().split("\n")
    i = lines.index("Options")
    message = "\n".join(lines[:i]).strip()
    n_options = int(lines[i + 1])
    vbtol = n_options > 4
    if vbtol:
        n_options -= 2
    i += 2 + n_options
    n_con, n_dual, n_var_sol, n_primal = (int(lines[i + j]) for j in range(4))
    i += 4 + (1 if vbtol else 0) + n_dual
    primals = [float(v) for v in lines[i:i + n_primal]]
    objno = lines[i + n_primal].split()
    if n_primal != n_var or objno[:2] != ["objno", "0"]:
        raise ValueError("unexpected .sol layout in " + path)
    return message, primals, int(objno[2])


def status_words(message):
    """"solved?" of "ormid exchange: solved? (100), ...": the words before the code."""
    found = re.search(r":\s*([^(;,]+?)\s*\(\d+\)", message)
    return found.group(1) if found else message.split("\n")[0][:40]


def run_ormid(ormid, design, options, timeout):
    stub = design["stub"]
    sol = stub + ".sol"
    if os.path.exists(sol):
        os.remove(sol)
    n_var = design["coefficients"] + 1 + design["dim"]
    with tempfile.TemporaryDirectory() as scratch:  # the program appends to ./results
        start = time.perf_counter()
        try:
            done = subprocess.run([ormid, stub, "-AMPL", "method=exchange"] + options,
                                  cwd=scratch, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                  timeout=timeout)
        except subprocess.TimeoutExpired:
            return {"seconds": time.perf_counter() - start, "status": "timed out", "code": ""}
        seconds = time.perf_counter() - start
    if not os.path.exists(sol):
        return {"seconds": seconds, "status": f"exit {done.returncode}, no .sol", "code": ""}
    message, primals, code = read_sol(sol, n_var)
    x = primals[: design["coefficients"]]
    verified = re.search(r"verified violation[^;\n]*", message)
    note = verified.group(0) if verified else message.split("\n")[0] if code >= 100 else ""
    return {"seconds": seconds, "status": status_words(message), "code": code,
            "x": x, "error": max_error(design, x), "note": note}


# --- the tables ------------------------------------------------------------------------------

def fmt(v, form=".3e"):
    return "" if v is None or v == "" else format(v, form)


def bench_design(design, args):
    rows = []
    base = {"design": design["name"], "dim": design["dim"], "taps": design["taps"],
            "coefficients": design["coefficients"]}

    def add(solver, error, seconds, status="", code="", note=""):
        rows.append(dict(base, solver=solver, max_error=error, seconds=seconds, status=status,
                         code=code, note=note))

    lower = 0.0
    if design["dim"] == 1:
        a, seconds, note = run_remez(design, args.repeats)
        error = None
        if a is not None:
            e = extrema_1d(design, a)[1]
            lower = alternation_bound(design, e)
            error = float(np.max(np.abs(e)))
        add("remez", error, seconds, "failed" if a is None else "", note=note or "grid density 16")
    else:
        x, value, seconds, note = run_lp_fixed(design)
        add("lp-grid81", max_error(design, x), seconds, note=note + f", LP value {value:.6e}")
        x, value, upper, seconds, note = run_lp_refined(design)
        lower = value
        add("lp-refined", upper, seconds, note=note + f", LP value {value:.9e}")
    for solver, options in (("ormid", []), ("ormid-verify0", ["verify=0"])):
        r = run_ormid(args.ormid, design, options, args.timeout)
        add(solver, r.get("error"), r["seconds"], r["status"], r["code"], r.get("note", ""))
        if design["dim"] == 1 and "x" in r:
            lower = max(lower, alternation_bound(design, extrema_1d(design, np.asarray(r["x"]))[1]))
    for row in rows:
        row["lower_bound"] = lower
        row["excess"] = (row["max_error"] - lower) / lower if row["max_error"] and lower else None
    return rows


CSV_FIELDS = ["design", "dim", "taps", "coefficients", "solver", "max_error", "lower_bound",
              "excess", "seconds", "status", "code", "note"]


def read_csv(path):
    """Rows of an earlier run, numbers as numbers (empty cells None)."""
    rows = []
    with open(path, newline="") as f:
        for r in csv.DictReader(f):
            for k in ("max_error", "lower_bound", "excess", "seconds"):
                r[k] = float(r[k]) if r[k] else None
            for k in ("dim", "taps", "coefficients"):
                r[k] = int(r[k])
            r["code"] = int(r["code"]) if r["code"] else ""
            rows.append(r)
    return rows


def write_csv(path, rows):
    with open(path, "w", newline="") as f:
        w = csv.DictWriter(f, fieldnames=CSV_FIELDS)
        w.writeheader()
        for r in rows:
            w.writerow({k: (fmt(r[k], ".6e") if k in ("max_error", "lower_bound", "excess")
                            else fmt(r[k], ".6f") if k == "seconds" else r[k]) for k in CSV_FIELDS})


def seconds_text(s):
    return "" if s is None else f"{s * 1e3:.2f} ms" if s < 0.1 else f"{s:.2f} s"


def ormid_cells(r, reference):
    usable = reference["max_error"] is not None and reference["seconds"]
    ratio = r["seconds"] / reference["seconds"] if usable else None
    return [fmt(r["max_error"]), fmt(r["excess"], ".1e"), seconds_text(r["seconds"]),
            f"{r['status']} ({r['code']})" if r["code"] != "" else r["status"],
            ratio_text(ratio, r["status"] == "timed out")]


def ratio_text(ratio, at_least):
    """The ratio to two digits or as an integer; "> r" for a run stopped by the limit."""
    if ratio is None:
        return ""
    text = f"{ratio:.2g}" if ratio < 10 else f"{ratio:,.0f}"
    return "> " + text if at_least else text


def table(rows, dim, reference_name):
    by_design = {}
    for r in rows:
        if r["dim"] == dim:
            by_design.setdefault(r["design"], {})[r["solver"]] = r
    if not by_design:
        return []
    size = "taps" if dim == 1 else "coefficients"
    ref_label = "remez" if dim == 1 else "LP refined"
    head = [f"design", size, "lower bound", f"{ref_label} error", "excess", "time"]
    if dim == 2:
        head += ["LP 81^2 error", "excess", "time"]
    for label in ("ormid", "ormid verify=0"):
        head += [f"{label} error", "excess", "time", "status", "time ratio"]
    out = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
    for name, s in by_design.items():
        ref = s[reference_name]
        cells = [name, str(ref[size]), fmt(ref["lower_bound"] or None), ref["status"] or fmt(ref["max_error"]),
                 fmt(ref["excess"], ".1e"), seconds_text(ref["seconds"])]
        if dim == 2:
            g = s["lp-grid81"]
            cells += [fmt(g["max_error"]), fmt(g["excess"], ".1e"), seconds_text(g["seconds"])]
        for solver in ("ormid", "ormid-verify0"):
            cells += ormid_cells(s[solver], ref)
        out.append("| " + " | ".join(cells) + " |")
    return out


def git_commit(root):
    try:
        return subprocess.run(["git", "-C", root, "describe", "--always", "--dirty"],
                              stdout=subprocess.PIPE, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


def write_markdown(path, rows, args, root):
    lines = [
        "# Filter design: the exchange method against remez and a grid LP",
        "",
        "Written by `bench/filters.py` (models by `bench/filter_models`, see "
        "`bench/filter_design.h`).",
        "",
        f"ormid built from {args.built_from or git_commit(root)}; measured on {platform.machine()} with "
        f"{os.cpu_count()} cores (shared with other work), Python {platform.python_version()}, "
        f"NumPy {np.__version__}, SciPy {scipy.__version__}; ormid runs "
        f"`method=exchange` with verify on (the default) and `verify=0`, limited to "
        f"{args.timeout:.0f} s each, timed as whole processes; remez best of {args.repeats} runs.",
        "",
        "Errors are the largest weighted error |W (H - D)| on 2e5 points per band (1-D) or "
        "448 x 448 per region (2-D), local maxima polished. The lower bound on the optimal "
        "error is the alternation bound of the best answer in 1-D (de la Vallee Poussin) and the "
        "refined LP's value in 2-D; excess is (error - bound) / bound. The time ratio is "
        "ormid's time over remez's (1-D) or the refined LP's (2-D). Status is the first "
        "words of the .sol message and its solve code. The refined LP stops after 40 LPs "
        "where the gap has not closed (its notes below).",
        "",
        "Designs: lowpass passband [0, 0.2], stopband [0.25, 0.5] (`_w10`: stopband weight 10); "
        "bandpass stop [0, 0.1] and [0.35, 0.5] (weight 3), pass [0.15, 0.3]; multiband five "
        "bands with edges 0.08, 0.12, 0.2, 0.24, 0.3, 0.34, 0.4, 0.44 (pass, stop weight 2, "
        "...); 2-D lowpass passband [0, 0.2]^2, stopband outside [0, 0.3]^2 (two rectangles; "
        "`_w10`: stopband weight 10). f in cycles per sample.",
        "",
        "## One dimension (type I linear phase, N = 2M + 1 taps)",
        "",
    ]
    lines += table(rows, 1, "remez") or ["(none run)"]
    lines += ["", "## Two dimensions (quadrantally symmetric, (M + 1)^2 coefficients)", ""]
    lines += table(rows, 2, "lp-refined") or ["(none run)"]
    notes = [f"- {r['design']} {r['solver']}: {r['note'].strip()}" for r in rows if r["note"]
             and r["note"] != "grid density 16"]
    if notes:
        lines += ["", "Notes:", ""] + notes
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    p = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    p.add_argument("--build", default=os.path.join(root, "build"))
    p.add_argument("--out", default=os.path.join(root, "bench"))
    p.add_argument("--work", help="directory for the stubs (default: a temporary one)")
    p.add_argument("--quick", action="store_true", help="a few small designs: " + ",".join(QUICK))
    p.add_argument("--designs", help="comma-separated design names")
    p.add_argument("--timeout", type=float, default=120)
    p.add_argument("--repeats", type=int, default=5)
    p.add_argument("--keep", action="store_true",
                   help="keep the rows of OUT/filters.csv for the designs not run now")
    p.add_argument("--built-from", help="the source ormid was built from, for filters.md "
                   "(default: git describe --dirty of the tree now)")
    p.add_argument("--tables-only", action="store_true",
                   help="rewrite OUT/filters.md from OUT/filters.csv, running nothing")
    args = p.parse_args()
    args.ormid = os.path.join(args.build, "ormid")
    if args.tables_only:
        rows = read_csv(os.path.join(args.out, "filters.csv"))
        write_markdown(os.path.join(args.out, "filters.md"), rows, args, root)
        return 0
    designs = args.designs or (",".join(QUICK) if args.quick else "")
    with tempfile.TemporaryDirectory() as tmp:
        work = args.work or tmp
        command = [os.path.join(args.build, "bench", "filter_models"), "--out", work]
        if designs:
            command += ["--designs", designs]
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL)
        with open(os.path.join(work, "designs.json")) as f:
            manifest = json.load(f)
        rows = []
        csv_path = os.path.join(args.out, "filters.csv")
        if args.keep and os.path.exists(csv_path):
            now = {d["name"] for d in manifest}
            rows = [r for r in read_csv(csv_path) if r["design"] not in now]
        for design in manifest:
            print(f"{design['name']} ...", flush=True)
            new = bench_design(design, args)
            rows += new
            for r in new:
                print(f"  {r['solver']:14s} error {fmt(r['max_error'])} "
                      f"{seconds_text(r['seconds'])} {r['status']} {r['code']}", flush=True)
            write_csv(os.path.join(args.out, "filters.csv"), rows)
            write_markdown(os.path.join(args.out, "filters.md"), rows, args, root)
    return 0


if __name__ == "__main__":
    sys.exit(main())
