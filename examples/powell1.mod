# M. J. D. Powell, Log barrier methods for semi-infinite programming
# calculations, Numerical Analysis Report DAMTP 1992/NA11, University of
# Cambridge, 1992.
# Problem 1. The half-planes x1 cos(2 pi t) + x2 sin(2 pi t) >= -1 cut out the
# unit disc: optimum f* = -1 at x* = (0, -1); start x = (0.8, 0.5).
param pi := 4*atan(1);
var x {i in 1..2} := if i = 1 then 0.8 else 0.5;
var t >= 0, <= 1, := 0;   # the infinite variable: its name begins with t
minimize f: x[2];
subject to tcon: -x[1]*cos(2*pi*t) - x[2]*sin(2*pi*t) - 1 <= 0;
