# K. Oettershagen, Ein superlinear konvergenter Algorithmus zur Loesung
# semi-infiniter Optimierungsprobleme, Ph.D. thesis, Universitaet Bonn, 1982.
# Problem 2: Chebyshev approximation, min u subject to |r(x, t)| <= u for t in
# [-1/2, 1/2], with r(x, t) = 1/(1 + t) - x1 exp(x2 t). Start at zero.
# Optimum f* = 0.0871596 at (u, x) = (0.0871596, 1.0528554, -1.1941667),
# computed here on a grid of spacing 0.0002 on T and checked on 200001
# points (the largest violation of the computed solution is below 3e-9).
var u := 0;
var x {1..2} := 0;
var t >= -0.5, <= 0.5, := -0.5;
minimize f: u;
subject to tabove: 1/(1 + t) - x[1]*exp(x[2]*t) - u <= 0;
subject to tbelow: -(1/(1 + t) - x[1]*exp(x[2]*t)) - u <= 0;
