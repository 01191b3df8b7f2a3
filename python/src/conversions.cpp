#include "conversions.h"

#include <pybind11/stl.h>

namespace pyormid {

using namespace ormid;

py::array_t<double> vector(const double* v, int n) { return py::array_t<double>(n, v); }

namespace {

py::list points(const std::vector<Point>& list) {
  py::list out;
  for (const Point& q : list)
    out.append(py::dict(py::arg("constraint") = q.constraint, py::arg("t") = q.t,
                        py::arg("violation") = q.violation, py::arg("multiplier") = q.multiplier));
  return out;
}

py::list verified(const std::vector<VerifiedBound>& list) {
  py::list out;
  for (const VerifiedBound& v : list)
    out.append(py::dict(py::arg("constraint") = v.constraint, py::arg("available") = v.available,
                        py::arg("reason") = v.reason, py::arg("bound") = v.bound, py::arg("lower") = v.lower,
                        py::arg("upper") = v.upper, py::arg("boxes") = v.boxes, py::arg("seconds") = v.seconds));
  return out;
}

}  // namespace

// Options from keyword texts; a bad keyword or value is a ValueError.
Options optionsOf(const std::map<std::string, std::string>& keywords, int printLevel) {
  Options o;
  for (const auto& kv : keywords) {
    std::string why;
    if (!setOption(o, kv.first, kv.second, &why)) throw py::value_error(why);
  }
  if (printLevel < 0 || printLevel > 3) throw py::value_error("print_level must be 0 to 3");
  o.printLevel = static_cast<PrintLevel>(printLevel);
  if (printLevel > 0)
    o.log = [](const std::string& text) {
      py::gil_scoped_acquire gil;
      py::module_::import("sys").attr("stdout").attr("write")(text);
    };
  return o;
}

py::dict resultOf(const Result& r) {
  const Stats& s = r.stats;
  py::dict stats(py::arg("objective_values") = s.objectiveValues,
                 py::arg("objective_gradients") = s.objectiveGradients,
                 py::arg("finite_constraint_values") = s.finiteConstraintValues,
                 py::arg("infinite_constraint_values") = s.infiniteConstraintValues,
                 py::arg("finite_constraint_gradients") = s.finiteConstraintGradients,
                 py::arg("infinite_constraint_gradients") = s.infiniteConstraintGradients,
                 py::arg("penalty_values") = s.penaltyValues,
                 py::arg("penalty_gradients") = s.penaltyGradients,
                 py::arg("subproblems") = s.subproblems,
                 py::arg("subproblem_iterations") = s.subproblemIterations,
                 py::arg("certificate") = r.certificateEvaluations);
  return py::dict(py::arg("x") = vector(r.x.data(), (int)r.x.size()), py::arg("fun") = r.objective,
                  py::arg("status") = statusCode(r.status), py::arg("message") = r.message,
                  py::arg("status_text") = r.statusText(), py::arg("nit") = r.iterations,
                  py::arg("max_violation") = r.maxViolation, py::arg("worst") = points(r.worst),
                  py::arg("active") = points(r.active), py::arg("stationarity") = r.stationarity,
                  py::arg("objective_gap") = r.objectiveGap, py::arg("stats") = stats,
                  py::arg("seconds") = r.seconds, py::arg("verified") = verified(r.verified));
}

std::unique_ptr<WarmStart> warmStartOf(const py::object& warm) {
  if (warm.is_none()) return nullptr;
  auto start = std::make_unique<WarmStart>();
  start->x = warm.attr("x").cast<std::vector<double>>();
  for (const char* kind : {"active", "worst"})
    for (const py::handle& point : warm.attr(kind)) {
      Point q;
      q.constraint = point["constraint"].cast<int>();
      q.t = point["t"].cast<std::vector<double>>();
      start->points.push_back(q);
    }
  return start;
}

}  // namespace pyormid
