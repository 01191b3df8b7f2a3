#include "solution.h"

#include <algorithm>
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

std::vector<double> solPrimals(const std::string& solText, int nVar) {
  std::vector<std::string> lines;
  std::istringstream in(solText);
  for (std::string l; std::getline(in, l);) lines.push_back(l);
  // The values close the file, unless an "objno" line follows them.
  if (!lines.empty() && lines.back().rfind("objno", 0) == 0) lines.pop_back();
  if ((int)lines.size() < nVar) throw std::runtime_error("short .sol file");
  std::vector<double> v;
  for (size_t i = lines.size() - nVar; i < lines.size(); ++i) v.push_back(std::stod(lines[i]));
  return v;
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

int statistic(const std::string& out, const std::string& name) {
  size_t at = out.rfind(name + "=");
  if (at == std::string::npos) throw std::runtime_error("no statistic " + name);
  return std::stoi(out.substr(at + name.size() + 1));
}
