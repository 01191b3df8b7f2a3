# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 2. Optimum f* = 0.194466 at x* = (-0.75, -0.618034); start x = (-1, 0).
# Solve with: option ormid_auxfiles rc; option solver ormid; solve;
var x1 := -1;
var x2 := 0;
var t >= 0, <= 1, := 0;   # the infinite variable: its name begins with t
minimize f: x1^2/3 + x2^2 + x1/2;
subject to tcon: (1 - x1^2*t^2)^2 - x1*t^2 - x2^2 + x2 <= 0;
