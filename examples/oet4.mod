# K. Oettershagen, Ein superlinear konvergenter Algorithmus zur Loesung
# semi-infiniter Optimierungsprobleme, Ph.D. thesis, Universitaet Bonn, 1982.
# Problem 4: rational Chebyshev approximation, min u subject to |r(x, t)| <= u
# for t in [0, 1], with r(x, t) = exp(t) - (x1 + x2 t)/(1 + x3 t). Start at zero.
# Optimum f* = 0.0042955 at (u, x) = (0.0042955, 0.9957045, 0.6682068,
# -0.3888470), computed here on a grid of spacing 0.0002 on T and checked on
# 200001 points (the largest violation of the computed solution is below 1e-9).
var u := 0;
var x {1..3} := 0;
var t >= 0, <= 1, := 0;
minimize f: u;
subject to tabove: exp(t) - (x[1] + x[2]*t)/(1 + x[3]*t) - u <= 0;
subject to tbelow: -(exp(t) - (x[1] + x[2]*t)/(1 + x[3]*t)) - u <= 0;
