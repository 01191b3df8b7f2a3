#include "lower_level/grid.h"

#include <climits>
#include <cmath>
#include <cstdio>

#include "core/sip.h"
#include "kernels/vector_ops.h"

namespace ormid {

long gridValues(double tl, double tu, double h) {
  if (tl > tu) return 0;
  if (tl == tu) return 1;
  if (!(h > 0) || !std::isfinite(h) || !std::isfinite(tu - tl)) return -1;
  double steps = std::floor((tu - tl) / h);
  if (!(steps < (double)INT_MAX)) return -1;
  long n = (long)steps;
  // Agree with the enumeration, which computes each value as i*h + tl.
  while (n >= 0 && n * h + tl > tu) --n;
  while ((n + 1) * h + tl <= tu) ++n;
  return n + 1;
}

std::string gridProblem(int nt, const double* tl, const double* tu, const double* h) {
  char text[256];
  double total = 1;
  for (int d = 0; d < nt; ++d) {
    long n = gridValues(tl[d], tu[d], h[d]);
    if (n < 0) {
      snprintf(text, sizeof text, "Spacing %f cannot make a grid of infinite variable %d on [%f, %f]\n",
               h[d], d, tl[d], tu[d]);
      return text;
    }
    total *= (double)n;
  }
  if (total > (double)MAX_GRID_POINTS) {
    snprintf(text, sizeof text, "A grid with these spacings would have %.0f points, more than %d\n",
             total, MAX_GRID_POINTS);
    return text;
  }
  return "";
}

namespace {

struct GridWalk {
  PointSet& set;
  int nt;
  const double *tl, *tu, *h;
  std::vector<double> t;

  void enumerate(int d) {
    if (d == nt) {
      set.insert(t.data(), norm2(nt, t.data()), nullptr);
      return;
    }
    long n = gridValues(tl[d], tu[d], h[d]);
    for (long i = 0; i < n; ++i) {
      t[d] = i * h[d] + tl[d];
      enumerate(d + 1);
    }
  }
};

}  // namespace

void buildRegularGrid(PointSet& set, int nt, const double* tl, const double* tu,
                      const double* h) {
  set.clear();
  GridWalk walk{set, nt, tl, tu, h, std::vector<double>(nt)};
  walk.enumerate(0);
}

bool buildProblemGrid(const SipContext& c, PointSet& set, const double* h) {
  const Problem& p = c.problem;
  const std::string problem = gridProblem(p.nt, p.tl, p.tu, h);
  if (!problem.empty()) {
    c.print(PrintLevel::Summary, "%s", problem.c_str());
    return false;
  }
  buildRegularGrid(set, p.nt, p.tl, p.tu, h);
  return true;
}

namespace {

const int PRIMES[94] = {
    2,   3,   5,   7,   11,  13,  17,  19,  23,  29,  31,  37,  41,  43,  47,  53,
    59,  61,  67,  71,  73,  79,  83,  89,  97,  101, 103, 107, 109, 113, 127, 131,
    137, 139, 149, 151, 157, 163, 167, 173, 179, 181, 191, 193, 197, 199, 211, 223,
    227, 229, 233, 239, 241, 251, 257, 263, 269, 271, 277, 281, 283, 293, 307, 311,
    313, 317, 331, 337, 347, 349, 353, 359, 367, 373, 379, 383, 389, 397, 401, 409,
    419, 421, 431, 433, 439, 443, 449, 457, 461, 463, 467, 479, 487, 491};

}  // namespace

int haltonBase(int coordinate) { return PRIMES[(coordinate + 4) % 90]; }

double radicalInverse(int base, long n) {
  double value = 0, scale = 1.0 / base;
  for (int i = 1; i <= 15; ++i) {
    value += (n % base) * scale;
    n /= base;
    scale /= base;
  }
  return value;
}

void HaltonSequence::next(int nt, const double* tl, const double* tu, double* t) {
  for (int j = 0; j < nt; ++j) t[j] = tl[j] + radicalInverse(haltonBase(j), counter) * (tu[j] - tl[j]);
  ++counter;
}

void HaltonSequence::addBatch(const Problem& p, PointSet& set, int total, int perBatch) {
  if (set.count() >= total) return;
  int k = perBatch < total - set.count() ? perBatch : total - set.count();
  std::vector<double> t(p.nt);
  for (int i = 0; i < k; ++i) {
    next(p.nt, p.tl, p.tu, t.data());
    set.insert(t.data(), norm2(p.nt, t.data()), nullptr);
  }
}

}  // namespace ormid
