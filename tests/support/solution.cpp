#include "solution.h"

#include <algorithm>
#include <cmath>
#include <sstream>
#include <stdexcept>

std::vector<double> vectorAfter(const std::string& out, const std::string& label) {
  size_t at = out.rfind(label);
  if (at == std::string::npos) throw std::runtime_error("no " + label);
  std::istringstream line(out.substr(at + label.size(), out.find('\n', at + label.size()) - at - label.size()));
  std::vector<double> v;
  double d;
  while (line >> d) v.push_back(d);
  return v;
}

namespace {

struct LineReader {
  std::istringstream in;
  explicit LineReader(const std::string& text) : in(text) {}
  std::string next() {
    std::string l;
    if (!std::getline(in, l)) throw std::runtime_error(".sol file ends early");
    return l;
  }
  // A line holding exactly one number of the given kind.
  template <typename T>
  T number() {
    std::istringstream line(next());
    T v;
    std::string rest;
    if (!(line >> v) || (line >> rest)) throw std::runtime_error("bad number line in .sol file");
    return v;
  }
};

}  // namespace

SolFile readSol(const std::string& solText) {
  LineReader r(solText);
  SolFile sol;
  for (std::string l = r.next(); l != "Options"; l = r.next()) sol.message += l + "\n";
  while (sol.message.size() >= 2 && sol.message.compare(sol.message.size() - 2, 2, "\n\n") == 0)
    sol.message.pop_back();  // the blank line before "Options" is not part of it
  int nOptions = r.number<int>();
  // More than four options: the last two are extra and a tolerance line follows.
  bool vbtol = nOptions > 4;
  if (vbtol) nOptions -= 2;
  for (int i = 0; i < nOptions; ++i) sol.options.push_back(r.number<int>());
  sol.nCon = r.number<int>();
  sol.nDual = r.number<int>();
  sol.nVar = r.number<int>();
  sol.nPrimal = r.number<int>();
  if (vbtol) r.number<double>();
  for (int i = 0; i < sol.nDual; ++i) sol.duals.push_back(r.number<double>());
  for (int i = 0; i < sol.nPrimal; ++i) sol.primals.push_back(r.number<double>());
  std::istringstream objno(r.next());
  std::string word;
  int number;
  if (!(objno >> word >> number >> sol.solveCode) || word != "objno" || number != 0)
    throw std::runtime_error("no objno line in .sol file");
  std::string rest;
  while (std::getline(r.in, rest))
    if (!rest.empty()) throw std::runtime_error("trailing text in .sol file");
  return sol;
}

std::vector<double> solPrimals(const std::string& solText, int nVar) {
  SolFile sol = readSol(solText);
  if (sol.nPrimal != nVar) throw std::runtime_error("wrong number of primal values");
  return sol.primals;
}

namespace {

// How far a constraint's body lies outside its bounds (negative inside).
double boundViolation(const nl::Constraint& c, const std::vector<double>& values) {
  double body = nl::evaluate(c.body, values);
  return std::max(body - c.upper, c.lower - body);
}

}  // namespace

double finiteViolation(const nl::Model& m, const std::vector<double>& values) {
  double worst = -HUGE_VAL;
  for (const nl::Constraint& c : m.cons)
    if (c.name[0] != 't') worst = std::max(worst, boundViolation(c, values));
  return worst;
}

int infiniteVariables(const nl::Model& m) {
  int n = 0;
  for (const nl::Variable& v : m.vars) n += v.name[0] == 't';
  return n;
}

double maxViolation(const nl::Model& m, const std::vector<double>& x, int points) {
  std::vector<int> tVars, xVars;
  for (size_t j = 0; j < m.vars.size(); ++j)
    (m.vars[j].name[0] == 't' ? tVars : xVars).push_back((int)j);
  std::vector<double> values(m.vars.size(), 0.0);
  for (size_t k = 0; k < xVars.size(); ++k) values[xVars[k]] = x.at(k);
  double worst = -HUGE_VAL;
  // Odometer over points^nt grid points.
  std::vector<int> index(tVars.size(), 0);
  for (;;) {
    for (size_t d = 0; d < tVars.size(); ++d) {
      const nl::Variable& t = m.vars[tVars[d]];
      values[tVars[d]] = t.lower + (t.upper - t.lower) * index[d] / (points - 1);
    }
    for (const nl::Constraint& c : m.cons)
      if (c.name[0] == 't') worst = std::max(worst, boundViolation(c, values));
    size_t d = 0;
    while (d < index.size() && ++index[d] == points) index[d++] = 0;
    if (d == index.size()) break;
  }
  return worst;
}

int checkPoints(const nl::Model& m, int first, long budget) {
  int nt = infiniteVariables(m);
  if (nt <= 1) return first;
  return std::max(2, (int)std::floor(std::pow((double)budget, 1.0 / nt) + 1e-9));
}

int statistic(const std::string& out, const std::string& name) {
  size_t at = out.rfind(name + "=");
  if (at == std::string::npos) throw std::runtime_error("no statistic " + name);
  return std::stoi(out.substr(at + name.size() + 1));
}
