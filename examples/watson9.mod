# G. A. Watson, Numerical experiments with globally convergent methods for
# semi-infinite programming problems, in: A. V. Fiacco, K. O. Kortanek (eds.),
# Semi-Infinite Programming and Applications, Lecture Notes in Economics and
# Mathematical Systems 215, Springer, 1983, pp. 193-205.
# Problem 9, two infinite variables on [-1, 1]^2. Optimum f* = -12 (x is not
# unique: x4 and x6 trade off), for example x* = (3, 0, 0, 0, 0, 0); start x = 0.
var x {1..6} := 0;
var t1 >= -1, <= 1, := 0;
var t2 >= -1, <= 1, := 0;
minimize f: -4*x[1] - 2/3*(x[4] + x[6]);
subject to tcon: x[1] + x[2]*t1 + x[3]*t2 + x[4]*t1^2 + x[5]*t1*t2 + x[6]*t2^2
                 - 3 - (t1^2 - t2^2)^2 <= 0;
