"""How a solve ended, and its picture."""

import numpy as np


class Result:
    """x, fun, status (the .sol's codes), success (status 0-99), message, nit,
    max_violation, worst and active (the certificate's points: constraint, t,
    violation, multiplier), stationarity, objective_gap, stats (evaluation
    counters: objective_values, objective_gradients, finite_constraint_values,
    infinite_constraint_values, finite_constraint_gradients,
    infinite_constraint_gradients, penalty_values, penalty_gradients,
    subproblems, subproblem_iterations, certificate), seconds and verified
    (verify's bound of each infinite constraint's violation over T:
    constraint, available, reason, bound, lower, upper, boxes, seconds)."""

    def __init__(self, raw, stated):
        self.x = np.asarray(raw["x"], dtype=float)
        self.fun = raw["fun"]
        self.status = raw["status"]
        self.success = 0 <= self.status < 100
        self.message = raw["message"]
        self.status_text = raw["status_text"]
        self.nit = raw["nit"]
        self.max_violation = raw["max_violation"]
        self.worst = raw["worst"]
        self.active = raw["active"]
        self.stationarity = raw["stationarity"]
        self.objective_gap = raw["objective_gap"]
        self.stats = raw["stats"]
        self.seconds = raw["seconds"]
        self.verified = raw.get("verified", [])
        self._stated = stated

    def __repr__(self):
        return ("ormid.Result(status=%d (%s), message=%r, fun=%.10g, x=%s, "
                "max_violation=%.3g, nit=%d)" % (self.status, self.status_text, self.message,
                                                self.fun, np.array2string(self.x), self.max_violation,
                                                self.nit))

    def plot(self, path=None, size=(5.5, 4.5)):
        """Draws each infinite constraint at x over T, as the report's picture:
        g against t with its bounds, the worst point (x) and the active points
        (o); over two infinite variables a filled contour with the bounds'
        level. Saves to path when given; returns the matplotlib figure."""
        if self._stated is None or not self._stated.infinite:
            raise ValueError("only results of minimize with infinite constraints can be drawn")
        import matplotlib
        if path is not None:
            matplotlib.use("Agg")
        import matplotlib.pyplot as plt
        stated = self._stated
        n = len(stated.infinite)
        fig, axes = plt.subplots(1, n, figsize=(size[0] * n, size[1]), squeeze=False)
        for j, ax in enumerate(axes[0]):
            self._panel(ax, j)
        fig.suptitle("%s (%d): objective %.10g, largest violation %.3g"
                     % (self.status_text, self.status, self.fun, self.max_violation))
        fig.tight_layout()
        if path is not None:
            fig.savefig(path)
        return fig

    def _points(self, kind, j):
        return [p for p in getattr(self, kind) if p["constraint"] == j]

    def _panel(self, ax, j):
        g, stated = self._stated.infinite[j], self._stated
        lower, upper = np.array(stated.tl), np.array(stated.tu)
        fixed = np.array(self._points("worst", j)[0]["t"]) if self._points("worst", j) else lower
        if stated.nt == 1 or stated.nt == 0:
            t = np.linspace(lower[0], upper[0], 401)
            values = g.values(self.x, t[:, None])
            ax.plot(t, values, label="g")
            for bound in (g.lb, g.ub):
                if np.isfinite(bound):
                    ax.axhline(bound, color="red", linewidth=0.8)
            for kind, mark in (("worst", "x"), ("active", "o")):
                for p in self._points(kind, j):
                    ax.plot(p["t"][0], g.value(self.x, np.array(p["t"])), mark, color="black")
            ax.set_xlabel("t")
        else:
            a = np.linspace(lower[0], upper[0], 64)
            b = np.linspace(lower[1], upper[1], 64)
            A, B = np.meshgrid(a, b)
            points = np.repeat(fixed[None, :], A.size, axis=0)
            points[:, 0], points[:, 1] = A.ravel(), B.ravel()
            values = g.values(self.x, points).reshape(A.shape)
            contour = ax.contourf(A, B, values, levels=30)
            ax.figure.colorbar(contour, ax=ax)
            for bound in (g.lb, g.ub):
                if np.isfinite(bound) and values.min() < bound < values.max():
                    ax.contour(A, B, values, levels=[bound], colors="red")
            for kind, mark in (("worst", "x"), ("active", "o")):
                for p in self._points(kind, j):
                    ax.plot(p["t"][0], p["t"][1], mark, color="white")
            ax.set_xlabel("t[0]")
            ax.set_ylabel("t[1]")
        ax.set_title("infinite constraint %d" % j)
