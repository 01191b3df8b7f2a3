# M. J. D. Powell, Log barrier methods for semi-infinite programming
# calculations, Numerical Analysis Report DAMTP 1992/NA11, University of
# Cambridge, 1992.
# Problem 3: the linear function x1 + x2 xi + x3 eta stays below xi^2 eta,
# within x4, on the boundary of the unit square. The residual is linear in eta
# and convex in xi, so its extremes over the whole square lie on the boundary:
# stated here over T = [0, 1]^2 with two infinite variables, the feasible set
# is the same. Start x = (-0.1, 0, 0, 1.2).
# Optimum f* = 4 - 2 sqrt(3) = 0.5358984 at x* = (-c, c, 1 - c, c),
# c = 4 - 2 sqrt(3), found on a grid of spacing 0.005 and recognised in closed
# form; the published optima of the discretizations by 1000 and 5000 points
# of the boundary, 0.5346547 and 0.5356421, approach it from below.
param start {1..4};
var x {i in 1..4} := start[i];
var t1 >= 0, <= 1, := 0;   # xi
var t2 >= 0, <= 1, := 0;   # eta
minimize f: x[4];
subject to tlow: t1^2*t2 - x[1] - x[2]*t1 - x[3]*t2 - x[4] <= 0;
subject to thigh: -(t1^2*t2 - x[1] - x[2]*t1 - x[3]*t2) <= 0;
data;
param start := 1 -0.1  2 0  3 0  4 1.2;
