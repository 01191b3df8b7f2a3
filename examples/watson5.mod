# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 5. Optimum f* = 4.301184 at x* = (1.006611, -0.126949, -0.379663);
# start x = (1, 0.5, 0).
var x1 := 1;
var x2 := 0.5;
var x3 := 0;
var t >= 0, <= 1, := 0;
minimize f: exp(x1) + exp(x2) + exp(x3);
subject to tcon: 1/(1 + t^2) - x1 - x2*t - x3*t^2 <= 0;
