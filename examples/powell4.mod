# M. J. D. Powell, Log barrier methods for semi-infinite programming
# calculations, Numerical Analysis Report DAMTP 1992/NA11, University of
# Cambridge, 1992.
# Problem 4: the linear function x1 + x2 xi + x3 eta stays below xi^2 eta,
# within x4, on the half circle (xi, eta) = (1/2, 1/2) - sqrt(1/2) (cos a, sin a),
# a = pi/4 - 2 pi t, t in [0, 1/2]. Start x = (-0.1, 0, 0, 1.2).
# Optimum f* = 0.2729447 at x* = (0, 0.8564126, -0.1293573, 0.2729447),
# computed here on grids of up to 2501 points of T and checked on 200001 points
# (the largest violation there is below 2e-9). The published optima of the
# discretizations by 250 and 1000 points of the half circle, 0.2706009 and
# 0.2723620, approach it from below.
param pi := 4*atan(1);
param start {1..4};
var x {i in 1..4} := start[i];
var t >= 0, <= 0.5, := 0;
minimize f: x[4];
subject to tlow: (0.5 - sqrt(0.5)*cos(pi/4 - 2*pi*t))^2 * (0.5 - sqrt(0.5)*sin(pi/4 - 2*pi*t))
                 - x[1] - (0.5 - sqrt(0.5)*cos(pi/4 - 2*pi*t))*x[2]
                 - (0.5 - sqrt(0.5)*sin(pi/4 - 2*pi*t))*x[3] - x[4] <= 0;
subject to thigh: -((0.5 - sqrt(0.5)*cos(pi/4 - 2*pi*t))^2 * (0.5 - sqrt(0.5)*sin(pi/4 - 2*pi*t))
                 - x[1] - (0.5 - sqrt(0.5)*cos(pi/4 - 2*pi*t))*x[2]
                 - (0.5 - sqrt(0.5)*sin(pi/4 - 2*pi*t))*x[3]) <= 0;
data;
param start := 1 -0.1  2 0  3 0  4 1.2;
