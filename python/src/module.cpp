// The Python binding: a problem whose functions are Python callables (the
// package's ormid/__init__.py gives them uniform signatures and takes
// missing derivatives by differences), AMPL stubs, options by keyword, and
// results as dictionaries. The solve runs without the GIL; every callable
// takes it back.
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "ampl/ampl_problem.h"
#include "conversions.h"
#include "model_binding.h"
#include "ormid/ormid.h"

namespace py = pybind11;
using namespace ormid;
using namespace pyormid;

namespace {

typedef std::vector<double> Vec;
typedef py::array_t<double, py::array::c_style | py::array::forcecast> Array;

// The callables and bounds of one problem, and the first exception one of
// them raised (the solve then winds down and the exception is raised again).
struct PyProblem {
  int nx = 0, nt = 0, mx = 0, mt = 0;
  Vec x0, xl, xu, tl, tu, cxl, cxu, ctl, ctu;
  bool maximize = false;
  py::object gradF, c, gradC, g, gradG, gBatch;
  // The user's callables where they have the solver's form (else None).
  py::object fDirect, gradFDirect;
  std::vector<py::object> gDirect, gradGDirect;
  bool vectorized = false;  // the direct callables take (k, nt) arrays of points
  std::shared_ptr<py::error_already_set> pending;

  bool failed() const { return pending != nullptr; }
  void keep(py::error_already_set& e) {
    if (!pending) pending = std::make_shared<py::error_already_set>(std::move(e));
  }
};

// Copies a callable's array answer; false when it has the wrong size.
bool copyInto(const py::handle& answer, double* out, long n) {
  Array a = Array::ensure(answer);
  if (!a || a.size() != n) return false;
  std::copy(a.data(), a.data() + n, out);
  return true;
}

// A callable's value as Python's float() reads it (NumPy scalars too).
double number(const py::object& value) { return py::float_(value).cast<double>(); }

// One point of T as the direct callables take it: (nt,) or, vectorized, (1, nt).
py::array_t<double> point(const PyProblem& p, const double* t) {
  if (p.vectorized) return py::array_t<double>({1, p.nt}, t);
  return vector(t, p.nt);
}

double infiniteValue(PyProblem& p, int n, const double* x, const double* t) {
  if (p.gDirect.empty()) return number(p.g(n, vector(x, p.nx), vector(t, p.nt)));
  py::object value = p.gDirect[n](vector(x, p.nx), point(p, t));
  if (!p.vectorized) return number(value);
  double v;
  return copyInto(value, &v, 1) ? v : NAN;
}

double infiniteGradient(PyProblem& p, int n, const double* x, const double* t, double* out1,
                        double* out2) {
  const py::object& grad = p.gradGDirect.empty() ? p.gradG : p.gradGDirect[n];
  py::tuple both = p.gradGDirect.empty() ? grad(n, vector(x, p.nx), vector(t, p.nt))
                                         : grad(vector(x, p.nx), point(p, t));
  if (both.size() != 2 || !copyInto(both[0], out1, p.nx)) return NAN;
  Vec gt(p.nt);
  if (!copyInto(both[1], gt.data(), p.nt)) return NAN;
  if (out2) std::copy(gt.begin(), gt.end(), out2);
  return 0.0;
}

double call(PyProblem& p, Request code, int n, const double* x, const double* t, double* out1,
            double* out2) {
  switch (code) {
    case Request::ObjectiveValue: return number(p.fDirect(vector(x, p.nx)));
    case Request::ObjectiveGradient: {
      const py::object& grad = p.gradFDirect.is_none() ? p.gradF : p.gradFDirect;
      return copyInto(grad(vector(x, p.nx)), out1, p.nx) ? 0.0 : NAN;
    }
    case Request::FiniteValue: return number(p.c(n, vector(x, p.nx)));
    case Request::FiniteGradient:
      return copyInto(p.gradC(n, vector(x, p.nx)), out1, p.nx) ? 0.0 : NAN;
    case Request::InfiniteValue: return infiniteValue(p, n, x, t);
    case Request::InfiniteGradient: return infiniteGradient(p, n, x, t, out1, out2);
    default: return 0.0;  // patterns stay dense; no Hessians are asked for
  }
}

double evaluate(Request code, int n, const double* x, const double* t, double* out1, double* out2,
                double*, int* nerror, void* data) {
  PyProblem& p = *static_cast<PyProblem*>(data);
  py::gil_scoped_acquire gil;
  double v = NAN;
  if (!p.failed()) {
    try {
      v = call(p, code, n, x, t, out1, out2);
    } catch (py::error_already_set& e) {
      p.keep(e);
    } catch (const py::cast_error&) {
      v = NAN;  // not a number: an evaluation error
    }
  }
  if (nerror) *nerror = std::isnan(v) ? 1 : 0;
  return v;
}

bool evaluateBatch(int n, int count, const double* x, const double* t, double* values, void* data) {
  PyProblem& p = *static_cast<PyProblem*>(data);
  py::gil_scoped_acquire gil;
  bool ok = false;
  if (!p.failed()) {
    try {
      py::array_t<double> points({count, p.nt}, t);
      ok = copyInto(p.gBatch(n, vector(x, p.nx), points), values, count);
    } catch (py::error_already_set& e) {
      p.keep(e);
    } catch (const py::cast_error&) {
      ok = false;
    }
  }
  if (!ok) std::fill(values, values + count, NAN);
  for (int k = 0; ok && k < count; ++k) ok = !std::isnan(values[k]);
  return ok;
}

Vec doubles(const py::handle& v) { return v.is_none() ? Vec() : v.cast<Vec>(); }

PyProblem problemOf(const py::object& stated) {
  PyProblem p;
  p.nx = stated.attr("nx").cast<int>(), p.nt = stated.attr("nt").cast<int>();
  p.mx = stated.attr("mx").cast<int>(), p.mt = stated.attr("mt").cast<int>();
  p.x0 = doubles(stated.attr("x0"));
  p.xl = doubles(stated.attr("xl")), p.xu = doubles(stated.attr("xu"));
  p.tl = doubles(stated.attr("tl")), p.tu = doubles(stated.attr("tu"));
  p.cxl = doubles(stated.attr("cxl")), p.cxu = doubles(stated.attr("cxu"));
  p.ctl = doubles(stated.attr("ctl")), p.ctu = doubles(stated.attr("ctu"));
  p.maximize = stated.attr("maximize").cast<bool>();
  p.gradF = stated.attr("grad_f");
  p.c = stated.attr("c"), p.gradC = stated.attr("grad_c");
  p.g = stated.attr("g"), p.gradG = stated.attr("grad_g"), p.gBatch = stated.attr("g_batch");
  p.fDirect = stated.attr("f_direct"), p.gradFDirect = stated.attr("grad_f_direct");
  p.vectorized = stated.attr("vectorized").cast<bool>();
  if (!stated.attr("g_direct").is_none()) p.gDirect = stated.attr("g_direct").cast<std::vector<py::object>>();
  if (!stated.attr("grad_g_direct").is_none())
    p.gradGDirect = stated.attr("grad_g_direct").cast<std::vector<py::object>>();
  return p;
}

Problem libraryProblem(PyProblem& p) {
  Problem q;
  q.nx = p.nx, q.nt = p.nt, q.mx = p.mx, q.mt = p.mt;
  q.x0 = p.x0.empty() ? nullptr : p.x0.data();
  q.xl = p.xl.data(), q.xu = p.xu.data(), q.tl = p.tl.data(), q.tu = p.tu.data();
  q.cxl = p.cxl.data(), q.cxu = p.cxu.data(), q.ctl = p.ctl.data(), q.ctu = p.ctu.data();
  q.evaluate = evaluate;
  if (!p.gBatch.is_none()) q.evaluateBatch = evaluateBatch;
  q.data = &p;
  q.sense = p.maximize ? -1 : 1;
  return q;
}

py::dict solvePython(const py::object& stated, const std::map<std::string, std::string>& keywords,
                     int printLevel, const py::object& callback, const py::object& warm) {
  PyProblem p = problemOf(stated);
  Options o = optionsOf(keywords, printLevel);
  // Once a callable has raised, the run stops at its next iteration.
  o.iterationCallback = [&p, &callback](const Iteration& it) {
    py::gil_scoped_acquire gil;
    if (p.failed()) return IterationAction::Stop;
    if (callback.is_none()) return IterationAction::Continue;
    try {
      py::dict info(py::arg("x") = vector(it.x, it.nx), py::arg("fun") = it.objective,
                    py::arg("nit") = it.iteration, py::arg("phase") = it.phase,
                    py::arg("violation") = it.violation);
      return py::bool_(callback(info)) ? IterationAction::Stop : IterationAction::Continue;
    } catch (py::error_already_set& e) {
      p.keep(e);
      return IterationAction::Stop;
    }
  };
  const Problem problem = libraryProblem(p);
  const std::unique_ptr<WarmStart> start = warmStartOf(warm);
  Result r;
  {
    py::gil_scoped_release release;
    r = start ? solve(problem, o, *start) : solve(problem, o);
  }
  if (p.pending) throw *p.pending;
  return resultOf(r);
}

py::dict solveStubPython(const std::string& stub, const std::map<std::string, std::string>& keywords,
                         int printLevel, const py::object& warm) {
  Options o = optionsOf(keywords, printLevel);
  const std::unique_ptr<WarmStart> start = warmStartOf(warm);
  // The AMPL Solver Library reads one model at a time in a process.
  static std::mutex reader;
  Result r;
  std::string why;
  bool read;
  {
    py::gil_scoped_release release;
    std::lock_guard<std::mutex> lock(reader);
    read = solveStub(stub, o, &r, &why, start.get());
  }
  if (!read) throw py::value_error(why);
  return resultOf(r);
}

py::list keywordList() {
  py::list out;
  for (const Keyword& k : keywords()) {
    py::list words;
    for (const KeywordWord& w : k.words) words.append(w.word);
    out.append(py::make_tuple(k.name, k.description, words));
  }
  return out;
}

}  // namespace

PYBIND11_MODULE(_ormid, m) {
  m.doc() = "The solver library behind the ormid package.";
  m.def("solve", &solvePython, py::arg("stated"), py::arg("keywords"), py::arg("print_level"),
        py::arg("callback"), py::arg("warm") = py::none());
  m.def("solve_nl", &solveStubPython, py::arg("stub"), py::arg("keywords"), py::arg("print_level"),
        py::arg("warm") = py::none());
  m.def("keywords", &keywordList);
  m.attr("__version__") = version();
  bindModel(m);
}
