#!/usr/bin/python3
"""Draws the profile of a run's report (ormid ... report=FILE): each infinite
constraint's g(x*, t) over T with its bound, the worst point and the active
points. One panel per infinite constraint; a line over one infinite variable,
a filled contour with the bound's level over two. PNG or SVG by the output
file's extension.

usage: scripts/plot_report.py [--size WIDTHxHEIGHT] REPORT.json OUTPUT.png|OUTPUT.svg

--size gives the picture's size in pixels (at 100 dots per inch); by default
550 x 450 for each panel.
"""
import json
import math
import sys

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402


def values(seq):
    """JSON nulls (infinite or undefined values) as NaN."""
    return [math.nan if v is None else v for v in seq]


def points_of(report, kind, constraint):
    return [p for p in report["certificate"][kind] if p["constraint"] == constraint]


def bound_of(profile):
    return profile["upper"] if profile["upper"] is not None else profile["lower"]


def draw_line(ax, report, profile, names):
    t, g = values(profile["t"][0]), values(profile["g"])
    axis = profile["axes"][0]
    ax.plot(t, g, color="tab:blue", label="g(x*, t)")
    for key, style in (("upper", "--"), ("lower", ":")):
        if profile[key] is not None:
            ax.axhline(profile[key], color="tab:red", linestyle=style, label=f"{key} bound")
    for p in points_of(report, "active", profile["constraint"]):
        value = bound_of(profile) + p["violation"] if bound_of(profile) is not None else math.nan
        ax.plot(p["t"][axis], value, "o", color="tab:green", markersize=6)
    for p in points_of(report, "worst", profile["constraint"]):
        value = bound_of(profile) + p["violation"] if bound_of(profile) is not None else math.nan
        ax.plot(p["t"][axis], value, "x", color="black", markersize=9, label="worst point")
    ax.set_xlabel(names[axis])
    ax.set_ylabel(profile["constraint"])
    ax.legend(loc="best", fontsize="small")


def draw_contour(ax, fig, report, profile, names):
    ta, tb = values(profile["t"][0]), values(profile["t"][1])
    g = [values(row) for row in profile["g"]]
    a, b = profile["axes"]
    filled = ax.contourf(ta, tb, g, levels=30, cmap="viridis")
    fig.colorbar(filled, ax=ax, label=profile["constraint"])
    bound = bound_of(profile)
    finite = [v for row in g for v in row if not math.isnan(v)]
    if bound is not None and finite and min(finite) <= bound <= max(finite):
        ax.contour(ta, tb, g, levels=[bound], colors="red", linewidths=1.5)
    for p in points_of(report, "active", profile["constraint"]):
        ax.plot(p["t"][a], p["t"][b], "o", color="white", markeredgecolor="black", markersize=6)
    for p in points_of(report, "worst", profile["constraint"]):
        ax.plot(p["t"][a], p["t"][b], "x", color="red", markersize=10)
    ax.set_xlabel(names[a])
    ax.set_ylabel(names[b])


def parse_size(text):
    """'800x600' as (800, 600); None when malformed."""
    parts = text.lower().split("x")
    if len(parts) != 2 or not all(p.isdigit() and int(p) > 0 for p in parts):
        return None
    return int(parts[0]), int(parts[1])


def main(argv):
    args = argv[1:]
    size = None
    if len(args) == 4 and args[0] == "--size":
        size = parse_size(args[1])
        if size is None:
            sys.stderr.write(__doc__)
            return 2
        args = args[2:]
    if len(args) != 2 or not args[1].lower().endswith((".png", ".svg")):
        sys.stderr.write(__doc__)
        return 2
    with open(args[0]) as f:
        report = json.load(f)
    profiles = report["profiles"]
    if not profiles:
        sys.stderr.write("the report has no profile (no infinite constraint or no point)\n")
        return 1
    names = report["model"]["infinite_variables"]
    dpi = 100
    inches = (size[0] / dpi, size[1] / dpi) if size else (5.5 * len(profiles), 4.5)
    fig, axes = plt.subplots(1, len(profiles), figsize=inches, dpi=dpi, squeeze=False)
    for ax, profile in zip(axes[0], profiles):
        if len(profile["axes"]) == 1:
            draw_line(ax, report, profile, names)
        else:
            draw_contour(ax, fig, report, profile, names)
        ax.set_title(profile["constraint"], fontsize="medium")
    status = report["status"]
    violation = report["certificate"]["largest_violation"]
    objective = report["objective"]
    fig.suptitle(f"{report['model']['stub']} ({report['method']}): {status['text']} ({status['code']})\n"
                 f"objective {objective if objective is None else format(objective, '.10g')}, "
                 f"largest violation {violation if violation is None else format(violation, '.3g')}",
                 fontsize="medium")
    fig.tight_layout()
    fig.savefig(args[1], dpi=dpi)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
