# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 7, two infinite variables. Optimum f* = 1 at x* = (-1, 0, 0); start x = (1, 1, 1).
var x {1..3} := 1;
var t1 >= 0, <= 1, := 0;
var t2 >= 0, <= 1, := 0;
minimize f: x[1]^2 + x[2]^2 + x[3]^2;
subject to tcon: x[1]*(t1 + t2^2 + 1) + x[2]*(t1*t2 - t2^2) + x[3]*(t1*t2 + t2^2 + t2) + 1 <= 0;
