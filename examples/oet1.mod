# K. Oettershagen, Ein superlinear konvergenter Algorithmus zur Loesung
# semi-infiniter Optimierungsprobleme, Ph.D. thesis, Universitaet Bonn, 1982.
# Problem 1: Chebyshev approximation, min u subject to |r(x, t)| <= u for t in
# [0, 2], with r(x, t) = t^2 - x1 t - x2 exp(t). Start at zero.
# Optimum f* = 0.5382453 at (u, x) = (0.5382453, 0.1841785, 0.4186459),
# computed here on a grid of spacing 0.0002 on T and checked on 200001
# points (the largest violation of the computed solution is below 3e-9).
var u := 0;
var x {1..2} := 0;
var t >= 0, <= 2, := 0;
minimize f: u;
subject to tabove: t^2 - x[1]*t - x[2]*exp(t) - u <= 0;
subject to tbelow: -(t^2 - x[1]*t - x[2]*exp(t)) - u <= 0;
