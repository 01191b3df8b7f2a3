// Small models shared by several tests.
#pragma once

#include "nl_writer.h"

// x1 (start 1), t in [0, 1] (start 0.5), x2 (start 2);
// f = x1^2 + x2^2 + t; tcon: x1*t + x2*t^2 - sin(t) <= 0; c1: x1*x2 >= 1.
nl::Model smallSipModel();

// Interleaved classes: variables x1, ta, x2, tb, x3 and constraints
// c1, tg1, c2, tg2, with smooth nonlinear terms in every block.
nl::Model interleavedModel();

// max x subject to x (1/2 + exp(-sharpness |t - c|^2) / 2) <= 1 over
// [0, 1]^nt, c = 0.51234567 in every coordinate (constraint tpeak): a
// sample that misses the peak sees x <= 2, the truth is x <= 1.
nl::Model peakModel(int nt, double sharpness);
