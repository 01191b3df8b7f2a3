# M. J. D. Powell, Log barrier methods for semi-infinite programming
# calculations, Numerical Analysis Report DAMTP 1992/NA11, University of
# Cambridge, 1992.
# Problem 2: problem 1 with the finite constraint x1 >= -1 (the discretized
# versions in the literature repeat it once per tangent) and the circle
# traversed over t in [0, 1/2]. Optimum f* = -1 at x* = (0, -1); start
# x = (0.8, 0.5).
param pi := 4*atan(1);
var x {i in 1..2} := if i = 1 then 0.8 else 0.5;
var t >= 0, <= 0.5, := 0;
minimize f: x[2];
subject to xbound: x[1] >= -1;   # finite: its name does not begin with t
subject to tcon: -x[1]*cos(4*pi*t) - x[2]*sin(4*pi*t) - 1 <= 0;
