// A thin interface over the AMPL Solver Library: the one problem object of a
// run, reading, names, bounds, evaluation and the solution file. Only
// ampl_model.cpp and option_table.cpp include the library's own headers.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "ampl/program_options.h"

namespace ormid {

// Allocates the library object (partially separable reader with Hessians).
void amplAlloc();
void amplFree();

// Option processing: returns the stub name (the library ends the run itself on
// a bad option or a missing stub).
char* amplGetStops(char** argv, ProgramOptions& options);

// Opens the stub (asking for X0 and havex0) and reads it with derivatives.
// Returns false when no file came back, or when the file is malformed (then
// with what is wrong in fault, when given; the library's reader never sees a
// file whose structure fails the check).
// Without a stub.nl the library ends the process with its message, unless
// returnIfMissing.
bool amplRead(const char* stub, bool returnIfMissing = false, std::string* fault = nullptr);

// True when the header announced names and both name files exist.
bool amplHasNameFiles(const char* stub);

int amplVarCount();
// +1 when objective 0 is minimised, -1 when it is maximised.
int amplObjectiveSense();
const char* amplObjectiveName();
int amplObjectiveCount();
int amplConCount();
const char* amplVarName(int j);
const char* amplConName(int i);
const double* amplVarBounds();  // interleaved: lower at 2j, upper at 2j + 1
const double* amplConBounds();

// Starting point: X0 (null when none) and havex0 (null when not given).
double* amplX0();
const char* amplHaveX0();
double* amplFreshX0();  // allocates a zeroed X0 for the library object

void amplDenseJacobian();

// Evaluation primitives on a full AMPL-order vector. A non-null nerror must
// hold 0: the library then returns its error code there instead of ending
// the process.
double amplObjval(const double* x, int* nerror);
void amplObjgrd(const double* x, double* g, int* nerror);
void amplConval(const double* x, double* c, int* nerror);
void amplJacval(const double* x, double* jac, int* nerror);
double amplConival(int i, const double* x, int* nerror);
void amplCongrd(int i, const double* x, double* g, int* nerror);
// Guarded, false when a second derivative cannot be evaluated there
// (pow(0, 1.5)''), where the library would end the process; unguarded, the
// library's own message and end.
bool amplFullhes(double* h, int lh, int objective, const double* ow, const double* y, bool guarded);
// The pairs (i, k), i <= k, of AMPL variables where the Hessian of the
// objectives and constraints together may be nonzero.
// With objectives false, the constraints' alone.
std::vector<std::pair<int, int>> amplHessianPattern(bool objectives = true);
// The AMPL indices of the variables constraint i depends on (its Jacobian
// row's pattern).
std::vector<int> amplConstraintVariables(int i);

// Writes stub.sol with the solve message, primal values and the solve result
// code (the "objno 0 CODE" line that AMPL, Pyomo and JuMP read).
// Silent: nothing on standard output (the library would back over its
// banner there).
void amplWriteSol(const char* msg, const double* x, int solveResult, bool silent = false);

}  // namespace ormid
