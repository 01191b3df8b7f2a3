#include "ampl/report.h"

#include <cmath>
#include <cstdio>
#include <fstream>
#include <vector>

#include <nlohmann/json.hpp>

#include "ampl/ampl_model.h"
#include "ampl/program_options.h"
#include "ampl/option_table.h"
#include "ampl/partition.h"
#include "core/sip.h"

namespace ormid {

using nlohmann::json;

namespace {

typedef std::vector<double> Vec;

// Points along each profile axis: one infinite variable, a few hundred;
// two or more, a 64 x 64 grid over two of them.
const int LINE_POINTS = 401;
const int GRID_POINTS = 64;

// JSON has no infinities or NaN: they are written as null.
json number(double v) { return std::isfinite(v) ? json(v) : json(nullptr); }

json numbers(const Vec& v) {
  json a = json::array();
  for (double e : v) a.push_back(number(e));
  return a;
}

json names(const std::vector<int>& indices, const char* (*nameOf)(int)) {
  json a = json::array();
  for (int i : indices) a.push_back(nameOf(i));
  return a;
}

json model(const std::string& stub, const Problem& p) {
  const SipPartition& s = sipPartition;
  return {{"stub", stub},
          {"sizes", {{"nx", p.nx}, {"nt", p.nt}, {"mx", p.mx}, {"mt", p.mt}}},
          {"finite_variables", names(s.xIndex, amplVarName)},
          {"infinite_variables", names(s.tIndex, amplVarName)},
          {"finite_constraints", names(s.cxIndex, amplConName)},
          {"infinite_constraints", names(s.ctIndex, amplConName)},
          {"objective", p.objectiveName},
          {"sense", p.sense < 0 ? "maximize" : "minimize"},
          {"T", {{"lower", numbers(Vec(p.tl, p.tl + p.nt))}, {"upper", numbers(Vec(p.tu, p.tu + p.nt))}}}};
}

json point(const Point& q, bool withMultiplier) {
  json j = {{"constraint", amplConName(sipPartition.ctIndex[q.constraint])},
            {"t", numbers(q.t)},
            {"violation", number(q.violation)}};
  if (withMultiplier) j["multiplier"] = number(q.multiplier);
  return j;
}

json verified(const VerifiedBound& v, const Problem& p) {
  json out = {{"constraint", v.constraint < (int)p.infiniteNames.size() ? p.infiniteNames[v.constraint] : ""}};
  if (!v.available) {
    out["reason"] = v.reason;
    return out;
  }
  out["bound"] = number(v.bound);
  out["box"] = {{"lower", numbers(v.lower)}, {"upper", numbers(v.upper)}};
  out["boxes"] = v.boxes;
  out["seconds"] = v.seconds;
  return out;
}

json certificate(const Result& r, const Problem& p) {
  json worst = json::array(), active = json::array();
  for (const Point& q : r.worst) worst.push_back(point(q, false));
  for (const Point& q : r.active) active.push_back(point(q, true));
  json checked = json::array();
  for (const VerifiedBound& v : r.verified) checked.push_back(verified(v, p));
  json out = {{"largest_violation", number(r.maxViolation)},
          {"worst", worst},
          {"active", active},
          {"stationarity", number(r.stationarity)},
          {"objective_gap", number(r.objectiveGap)},
          {"evaluations", r.certificateEvaluations},
          {"seconds", r.certificateSeconds}};
  if (!r.verified.empty()) out["verified"] = checked;
  return out;
}

json counters(const Stats& s) {
  // A line per quantity: values, gradients, Hessians (the object's keys sort themselves).
  return {{"objval", s.objectiveValues}, {"objgrd", s.objectiveGradients}, {"objhes", s.objectiveHessians},
          {"conxval", s.finiteConstraintValues}, {"conxgrd", s.finiteConstraintGradients},
          {"conxhes", s.finiteConstraintHessians},
          {"contval", s.infiniteConstraintValues}, {"contgrd", s.infiniteConstraintGradients},
          {"conthes", s.infiniteConstraintHessians},
          {"conval", s.constraintValues}, {"jacval", s.jacobians},
          {"pfval", s.penaltyValues}, {"gpfval", s.penaltyGradients},
          {"nnlp", s.subproblems}, {"nnlpc", s.subproblemIterations}};
}

// A finite sample of coordinate d: the box, or the finite bound (or 0).
Vec axis(const Problem& p, int d, int count) {
  bool lowOk = !isMinusInfinity(p.tl[d]), upOk = !isPlusInfinity(p.tu[d]);
  if (!lowOk || !upOk || !(p.tu[d] > p.tl[d])) return {lowOk ? p.tl[d] : upOk ? p.tu[d] : 0.0};
  Vec v(count);
  for (int i = 0; i < count; ++i) v[i] = p.tl[d] + (p.tu[d] - p.tl[d]) * i / (count - 1);
  return v;
}

double constraintAt(const Problem& p, int j, const Vec& x, const Vec& t) {
  int error = 0;
  double g = p.evaluate(Request::InfiniteValue, j, x.data(), t.data(), nullptr, nullptr, nullptr, &error, p.data);
  return error ? NAN : g;
}

// g_j over one axis, or over a grid of the two axes through the worst point
// (the other coordinates fixed there).
json profile(const Problem& p, const Result& r, int j) {
  Vec through(p.nt, 0.0);
  for (const Point& q : r.worst)
    if (q.constraint == j) through = q.t;
  json out = {{"constraint", amplConName(sipPartition.ctIndex[j])},
              {"lower", number(isMinusInfinity(p.ctl[j]) ? NAN : p.ctl[j])},
              {"upper", number(isPlusInfinity(p.ctu[j]) ? NAN : p.ctu[j])},
              {"fixed", numbers(through)}};
  const int a = 0, b = p.nt > 1 ? 1 : -1;
  Vec ta = axis(p, a, b < 0 ? LINE_POINTS : GRID_POINTS);
  Vec tb = b < 0 ? Vec{0.0} : axis(p, b, GRID_POINTS);
  json g = json::array();
  Vec t = through;
  for (double vb : tb) {
    json row = json::array();
    for (double va : ta) {
      t[a] = va;
      if (b >= 0) t[b] = vb;
      row.push_back(number(constraintAt(p, j, r.x, t)));
    }
    g.push_back(row);
  }
  out["axes"] = b < 0 ? json::array({a}) : json::array({a, b});
  out["t"] = b < 0 ? json::array({numbers(ta)}) : json::array({numbers(ta), numbers(tb)});
  out["g"] = b < 0 ? g[0] : g;  // g[i] over t[0] on one axis; g[k][i] at (t[0][i], t[1][k]) on two
  return out;
}

json changed(const ProgramOptions& options) {
  json o = json::object();
  for (const auto& kv : changedOptions(options)) o[kv.first] = kv.second;
  return o;
}

}  // namespace

bool writeReport(const ProgramOptions& options, const std::string& stub, const Problem& p,
                 const Result& r, double wallSeconds) {
  const std::string& path = options.report;
  json doc = {{"format", "ormid-report"},
              {"version", REPORT_VERSION},
              {"model", model(stub, p)},
              {"method", methodWord(options)},
              {"options", changed(options)},
              {"status", {{"code", statusCode(r.status)}, {"text", r.statusText()}, {"message", r.message}}},
              {"objective", number(r.objective)},
              {"x", numbers(r.x)},
              {"iterations", r.iterations},
              {"certificate", certificate(r, p)},
              {"counters", counters(r.stats)},
              {"seconds", wallSeconds}};
  json profiles = json::array();
  if (p.nt > 0 && !r.x.empty())
    for (int j = 0; j < p.mt; ++j) profiles.push_back(profile(p, r, j));
  doc["profiles"] = profiles;
  std::ofstream out(path);
  out << doc.dump(1) << "\n";
  if (!out) {
    printf("Cannot write the report %s\n", path.c_str());
    return false;
  }
  return true;
}

}  // namespace ormid
