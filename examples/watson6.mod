# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 6 (the objective is the Freudenstein-Roth function).
# Optimum f* = 97.158852 at x* = (0.719961, -1.450487); start x = (1, -1).
var x1 := 1;
var x2 := -1;
var t >= 0, <= 1, := 0;
minimize f: (x1 - 2*x2 + 5*x2^2 - x2^3 - 13)^2 + (x1 - 14*x2 + x2^2 + x2^3 - 29)^2;
subject to tcon: x1^2 + 2*x2*t^2 + exp(x1 + x2) - exp(t) <= 0;
