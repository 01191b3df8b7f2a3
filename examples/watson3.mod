# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 3. Optimum f* = 5.334687 at x* = (-0.213313, -1.361450, 1.853547);
# start x = (1, 1, 1).
var x1 := 1;
var x2 := 1;
var x3 := 1;
var t >= 0, <= 1, := 0;
minimize f: x1^2 + x2^2 + x3^2;
subject to tcon: x1 + x2*exp(x3*t) + exp(2*t) - 2*sin(4*t) <= 0;
