# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 8, two infinite variables: a quadratic polynomial from above of
# exp(t1^2 + t2^2) on [0, 1]^2. The coefficient of x4 in the objective is read as
# 1/3, by the symmetry of x4 and x6 and the optimal value reported.
# Optimum f* = 2.435643 at x* = (2.553276, -4.062236, -4.062236, 4.227241,
# 4.505769, 4.227241); start x = 1.
var x {1..6} := 1;
var t1 >= 0, <= 1, := 0;
var t2 >= 0, <= 1, := 0;
minimize f: x[1] + x[2]/2 + x[3]/2 + x[4]/3 + x[5]/4 + x[6]/3;
subject to tcon: exp(t1^2 + t2^2) - x[1] - x[2]*t1 - x[3]*t2 - x[4]*t1^2 - x[5]*t1*t2
                 - x[6]*t2^2 <= 0;
