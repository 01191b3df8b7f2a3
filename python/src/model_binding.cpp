// Expressions carry Python's arithmetic and comparison operators, and the
// methods NumPy's ufuncs call on object arrays (np.cos(a) calls each
// element's cos()), so that arrays of variables work with NumPy's own
// operators. A model's solve runs without the GIL: the graphs are compiled
// before, and no Python code runs until it ends.
#include "model_binding.h"

#include <pybind11/operators.h>
#include <pybind11/stl.h>

#include <string>
#include <vector>

#include "conversions.h"
#include "model/model_graph.h"
#include "ormid/model.h"

namespace py = pybind11;
using namespace ormid;

namespace {

// A float, an int or an expression as an expression.
Expr operand(const py::handle& h) {
  if (py::isinstance<Expr>(h)) return h.cast<Expr>();
  return Expr(py::float_(py::reinterpret_borrow<py::object>(h)).cast<double>());
}

std::vector<Expr> operands(const py::iterable& items) {
  std::vector<Expr> v;
  for (const py::handle& h : items) v.push_back(operand(h));
  return v;
}

double bound(const py::object& v, double absent) { return v.is_none() ? absent : v.cast<double>(); }

std::string describe(const Expr& e) {
  if (e.isConstant()) return "ormid.Expr(" + std::to_string(e.constantValue()) + ")";
  return "ormid.Expr(node " + std::to_string(e.node()) + ")";
}

void bindExpr(py::module_& m) {
  typedef Expr (*Unary)(const Expr&);
  py::class_<Expr> expr(m, "Expr", "A number, a variable or a formula of a model's variables.");
  expr.def(py::init<double>())
      .def(py::self + py::self).def(py::self + double()).def(double() + py::self)
      .def(py::self - py::self).def(py::self - double()).def(double() - py::self)
      .def(py::self * py::self).def(py::self * double()).def(double() * py::self)
      .def(py::self / py::self).def(py::self / double()).def(double() / py::self)
      .def(-py::self)
      .def("__pos__", [](const Expr& a) { return a; })
      .def("__pow__", [](const Expr& a, const Expr& b) { return ormid::pow(a, b); }, py::is_operator())
      .def("__pow__", [](const Expr& a, double b) { return ormid::pow(a, Expr(b)); }, py::is_operator())
      .def("__rpow__", [](const Expr& b, double a) { return ormid::pow(Expr(a), b); }, py::is_operator())
      .def("__abs__", [](const Expr& a) { return ormid::abs(a); })
      .def("__le__", [](const Expr& a, const Expr& b) { return a <= b; }, py::is_operator())
      .def("__le__", [](const Expr& a, double b) { return a <= Expr(b); }, py::is_operator())
      .def("__ge__", [](const Expr& a, const Expr& b) { return a >= b; }, py::is_operator())
      .def("__ge__", [](const Expr& a, double b) { return a >= Expr(b); }, py::is_operator())
      .def("__eq__", [](const Expr& a, const Expr& b) { return a == b; }, py::is_operator())
      .def("__eq__", [](const Expr& a, double b) { return a == Expr(b); }, py::is_operator())
      .def("__bool__", [](const Expr&) -> bool {
        throw py::type_error("an ormid expression has no truth value");
      })
      .def("__repr__", &describe)
      .def_property_readonly("is_constant", &Expr::isConstant);
  expr.attr("__hash__") = py::none();
  const std::vector<std::pair<const char*, Unary>> functions = {
      {"sqrt", ormid::sqrt}, {"exp", ormid::exp}, {"log", ormid::log}, {"log10", ormid::log10},
      {"sin", ormid::sin}, {"cos", ormid::cos}, {"tan", ormid::tan}, {"arcsin", ormid::asin},
      {"arccos", ormid::acos}, {"arctan", ormid::atan}, {"sinh", ormid::sinh}, {"cosh", ormid::cosh},
      {"tanh", ormid::tanh}, {"arcsinh", ormid::asinh}, {"arccosh", ormid::acosh},
      {"arctanh", ormid::atanh}, {"absolute", ormid::abs}};
  for (const auto& f : functions) {
    Unary fn = f.second;
    expr.def(f.first, [fn](const Expr& a) { return fn(a); });
  }
  expr.def("square", [](const Expr& a) { return a * a; });
  expr.def("arctan2", [](const Expr& y, const py::object& x) { return ormid::atan2(y, operand(x)); });
}

void bindConstraint(py::module_& m) {
  py::class_<ModelConstraint>(m, "ModelConstraint", "lower <= body <= upper")
      .def_readonly("body", &ModelConstraint::body)
      .def_readonly("lower", &ModelConstraint::lower)
      .def_readonly("upper", &ModelConstraint::upper)
      .def("__le__", [](const ModelConstraint& c, double u) { return c <= u; }, py::is_operator())
      .def("__ge__", [](const ModelConstraint& c, double l) { return c >= l; }, py::is_operator())
      .def("__bool__", [](const ModelConstraint&) -> bool {
        throw py::type_error("write lb <= expr <= ub as (lb <= expr) <= ub");
      });
}

// The graphs are compiled while the GIL is held (another thread may be
// adding to the model); the solve runs on the compiled copy without it.
py::dict solveModel(const Model& model, const std::map<std::string, std::string>& keywords, int printLevel,
                    const py::object& warm) {
  const Options o = pyormid::optionsOf(keywords, printLevel);
  const std::unique_ptr<WarmStart> start = pyormid::warmStartOf(warm);
  Result r;
  const std::string issue = model.check();
  if (!issue.empty()) {
    r.status = Status::InvalidInput;
    r.message = issue;
    return pyormid::resultOf(r);
  }
  GraphProblem problem(model.graph()->graphModel());
  {
    py::gil_scoped_release release;
    r = start ? ormid::solve(problem.problem(), o, *start) : ormid::solve(problem.problem(), o);
  }
  return pyormid::resultOf(r);
}

void writeNl(const Model& model, const std::string& stub) {
  std::string why;
  if (!model.writeNl(stub, &why)) throw py::value_error(why);
}

void bindModelCore(py::module_& m) {
  py::class_<Model>(m, "ModelCore")
      .def(py::init<>())
      .def("variable",
           [](Model& model, const py::object& lb, const py::object& ub, double start, const std::string& name) {
             return model.variable(bound(lb, -HUGE_VAL), bound(ub, HUGE_VAL), start, name);
           },
           py::arg("lb") = py::none(), py::arg("ub") = py::none(), py::arg("start") = 0.0, py::arg("name") = "")
      .def("infinite_variable", &Model::infiniteVariable, py::arg("lb"), py::arg("ub"), py::arg("name") = "")
      .def("minimize", [](Model& model, const py::object& f, const std::string& name) { model.minimize(operand(f), name); },
           py::arg("objective"), py::arg("name") = "")
      .def("maximize", [](Model& model, const py::object& f, const std::string& name) { model.maximize(operand(f), name); },
           py::arg("objective"), py::arg("name") = "")
      .def("subject_to", &Model::subjectTo, py::arg("constraint"), py::arg("name") = "")
      .def("check", &Model::check)
      .def("value", [](const Model& model, const py::object& e, const std::vector<double>& x,
                       const std::vector<double>& t) { return model.value(operand(e), x, t); },
           py::arg("expr"), py::arg("x"), py::arg("t") = std::vector<double>())
      .def_property_readonly("nx", &Model::finiteVariables)
      .def_property_readonly("nt", &Model::infiniteVariableCount)
      .def_property_readonly("mx", &Model::finiteConstraints)
      .def_property_readonly("mt", &Model::infiniteConstraints)
      .def("solve", &solveModel, py::arg("keywords"), py::arg("print_level"), py::arg("warm") = py::none())
      .def("write_nl", &writeNl, py::arg("stub"));
}

}  // namespace

void bindModel(py::module_& m) {
  bindExpr(m);
  bindConstraint(m);
  bindModelCore(m);
  m.def("sum", [](const py::iterable& terms) { return ormid::sum(operands(terms)); },
        "One sum node of the terms (expressions or numbers).");
  m.def("dot", [](const py::iterable& a, const py::iterable& b) { return ormid::dot(operands(a), operands(b)); },
        "sum_i a_i * b_i as one sum node.");
}
