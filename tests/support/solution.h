// Reading what a run left behind: the printed solution, the .sol file's
// primal values, and the largest violation of a model's infinite constraints.
#pragma once

#include <string>
#include <vector>

#include "nl_writer.h"

// The vector printed on the line after `label` in a run's output.
std::vector<double> vectorAfter(const std::string& out, const std::string& label);

// A solution file read the way the modelling systems' readers take it:
// message lines up to "Options", the options block, the four counts, the
// duals and primals, then the "objno 0 CODE" line. Throws on anything else.
struct SolFile {
  std::string message;
  std::vector<int> options;
  int nCon = 0, nDual = 0, nVar = 0, nPrimal = 0;
  std::vector<double> duals, primals;
  int solveCode = -1;
};
SolFile readSol(const std::string& solText);

// Primal values of a .sol file written with no duals (read by readSol).
std::vector<double> solPrimals(const std::string& solText, int nVar);

// Number of infinite variables (names beginning with t).
int infiniteVariables(const nl::Model& m);

// Largest violation of the finite constraints' bounds at the model's
// variable values (negative when all hold strictly; -inf without any).
double finiteViolation(const nl::Model& m, const std::vector<double>& values);

// Largest violation of the infinite constraints' bounds over a grid of
// `points` equally spaced values per infinite variable in the model's box (x
// given in AMPL order of the finite variables).
double maxViolation(const nl::Model& m, const std::vector<double>& x, int points);

// Grid values per infinite variable for a check of about `budget` points:
// `first` on one variable, then the budget's square root, cube root, ...
int checkPoints(const nl::Model& m, int first, long budget);

// Values of the statistics block ("kelv_objval" and so on) by name.
int statistic(const std::string& out, const std::string& name);
