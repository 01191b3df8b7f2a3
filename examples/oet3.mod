# K. Oettershagen, Ein superlinear konvergenter Algorithmus zur Loesung
# semi-infiniter Optimierungsprobleme, Ph.D. thesis, Universitaet Bonn, 1982.
# Problem 3: Chebyshev approximation, min u subject to |r(x, t)| <= u for t in
# [0, 1], with r(x, t) = sin(t) - x1 - x2 t - x3 t^2. Start at zero.
# Optimum f* = 0.0045051 at (u, x) = (0.0045051, -0.0045051, 1.0840149, -0.2335338),
# computed here on a grid of spacing 0.0002 on T and checked on 200001
# points (the largest violation of the computed solution is below 3e-9).
var u := 0;
var x {1..3} := 0;
var t >= 0, <= 1, := 0;
minimize f: u;
subject to tabove: sin(t) - x[1] - x[2]*t - x[3]*t^2 - u <= 0;
subject to tbelow: -(sin(t) - x[1] - x[2]*t - x[3]*t^2) - u <= 0;
