# Constructed: the smallest ball containing the unit cube [0, 1]^3, a
# semi-infinite program in three infinite variables (the points t of the cube).
# Optimum f* = 3/4 (the squared radius) at centre (1/2, 1/2, 1/2), the ball
# touching the cube at its eight corners; start c = (0.2, 0.3, 0.4), r = 1.
var c1 := 0.2;
var c2 := 0.3;
var c3 := 0.4;
var r := 1;
var t1 >= 0, <= 1, := 0;
var t2 >= 0, <= 1, := 0;
var t3 >= 0, <= 1, := 0;
minimize f: r;
subject to tcon: (t1 - c1)^2 + (t2 - c2)^2 + (t3 - c3)^2 - r <= 0;
