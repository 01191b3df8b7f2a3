// Semi-infinite programming from C++ code.
//
// State the problem as an ormid::Problem (sizes, bounds and an evaluator
// with a user-data pointer) or, simpler, as an ormid::Functions record of
// lambdas; pick the method and its settings in an ormid::Options record
// (every keyword of the `ormid` program, with its default, also settable by
// name with ormid::setOption); call ormid::solve. A solve prints nothing
// unless Options::printLevel asks, writes no file, and is self-contained:
// two solves may run in two threads at once, each giving exactly what it
// gives alone. They run in parallel but for their calls into BLAS, which
// take turns across the process: Debian's serial OpenBLAS, the BLAS this
// build links, returns wrong results now and then when two threads call
// it at once, and Ipopt's subproblems (whose MUMPS also keeps process-wide
// state) call it all through, so that one Ipopt subproblem runs at a time
// in a process. Code of the caller's own must not call that BLAS from
// another thread while solves run.
#pragma once

#include <vector>

#include "ormid/export.h"
#include "ormid/options.h"
#include "ormid/problem.h"
#include "ormid/result.h"
#include "ormid/version.h"

namespace ormid {

// Checks the problem and the options, runs the method and certifies its
// point. An input that fails the check gives Status::InvalidInput and says
// what is wrong in the message.
ORMID_API Result solve(const Problem& problem, const Options& options = Options());
ORMID_API Result solve(const Functions& problem, const Options& options = Options());

// A start from the answer of a nearby problem of the same sizes (the next
// member of a family, the same model with other data): its x replaces the
// problem's starting point, and the exchange method starts its working set
// with its points of T (the last answer's active and worst points) besides
// its usual start; the other methods take x alone. A Result converts to one,
// so that solve(next, options, last) chains solves.
struct WarmStart {
  std::vector<double> x;
  std::vector<Point> points;

  WarmStart() = default;
  WarmStart(const Result& r) : x(r.x), points(r.active) {  // NOLINT: converts on purpose
    points.insert(points.end(), r.worst.begin(), r.worst.end());
  }
};

// Solves from a warm start. Where its x has not the problem's nx values, a
// value of x is not finite, or a point names no infinite constraint of the
// problem or has not nt finite coordinates, the result is
// Status::InvalidInput saying which; a point outside T is moved onto its
// nearest point in T.
ORMID_API Result solve(const Problem& problem, const Options& options, const WarmStart& warm);
ORMID_API Result solve(const Functions& problem, const Options& options, const WarmStart& warm);

// What is wrong with the problem or the options (empty when nothing is).
ORMID_API std::string checkInput(const Problem& problem, const Options& options);

}  // namespace ormid
