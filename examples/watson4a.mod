# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 4 with n = 3. One-sided polynomial approximation from above:
# minimise sum x[i]/i subject to tan(t) <= sum x[i]*t^(i-1) for t in [0, 1].
# Optimum f* = 0.649042 at x* = (0.088959, 0.423600, 1.044849); start x[i] = 1.
param n := 3;
var x {i in 1..n} := 1;
var t >= 0, <= 1, := 0;
minimize f: sum {i in 1..n} x[i]/i;
subject to tcon: tan(t) - sum {i in 1..n} x[i]*t^(i-1) <= 0;
