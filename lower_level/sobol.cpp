#include "lower_level/sobol.h"

#include <cstdint>

namespace ormid {

namespace {

const int BITS = 32;

// Coordinates 2 .. 21: degree s of the primitive polynomial, its inner
// coefficients a, and the initial direction numbers m_1 .. m_s.
struct Direction {
  int s;
  unsigned a;
  unsigned m[7];
};

const Direction JOE_KUO[SOBOL_MAX_DIMENSION - 1] = {
    {1, 0, {1}},
    {2, 1, {1, 3}},
    {3, 1, {1, 3, 1}},
    {3, 2, {1, 1, 1}},
    {4, 1, {1, 1, 3, 3}},
    {4, 4, {1, 3, 5, 13}},
    {5, 2, {1, 1, 5, 5, 17}},
    {5, 4, {1, 1, 5, 5, 5}},
    {5, 7, {1, 1, 7, 11, 19}},
    {5, 11, {1, 1, 5, 1, 1}},
    {5, 13, {1, 1, 1, 3, 11}},
    {5, 14, {1, 3, 5, 5, 31}},
    {6, 1, {1, 3, 3, 9, 7, 49}},
    {6, 13, {1, 1, 1, 15, 21, 21}},
    {6, 16, {1, 3, 1, 13, 27, 49}},
    {6, 19, {1, 1, 1, 15, 7, 5}},
    {6, 22, {1, 3, 1, 15, 13, 25}},
    {6, 25, {1, 1, 5, 5, 19, 61}},
    {7, 1, {1, 3, 7, 11, 23, 15, 103}},
    {7, 4, {1, 3, 7, 13, 13, 15, 69}},
};

// The direction numbers v_1 .. v_BITS of coordinate d, scaled by 2^BITS.
std::vector<uint32_t> directions(int d) {
  std::vector<uint32_t> v(BITS + 1);
  if (d == 0) {
    for (int i = 1; i <= BITS; ++i) v[i] = 1u << (BITS - i);
    return v;
  }
  const Direction& c = JOE_KUO[d - 1];
  for (int i = 1; i <= c.s && i <= BITS; ++i) v[i] = c.m[i - 1] << (BITS - i);
  for (int i = c.s + 1; i <= BITS; ++i) {
    v[i] = v[i - c.s] ^ (v[i - c.s] >> c.s);
    for (int k = 1; k < c.s; ++k) v[i] ^= ((c.a >> (c.s - 1 - k)) & 1u) * v[i - k];
  }
  return v;
}

// The position (from 1) of the lowest zero bit of n.
int lowestZeroBit(unsigned long n) {
  int c = 1;
  while (n & 1) n >>= 1, ++c;
  return c;
}

}  // namespace

std::vector<std::vector<double>> sobolPoints(int dim, long count) {
  std::vector<std::vector<uint32_t>> v;
  for (int d = 0; d < dim; ++d) v.push_back(directions(d));
  std::vector<std::vector<double>> points;
  points.reserve(count);
  std::vector<uint32_t> x(dim, 0);
  std::vector<double> u(dim);
  const double scale = 1.0 / 4294967296.0;
  for (long n = 0; n < count; ++n) {
    for (int d = 0; d < dim; ++d) u[d] = x[d] * scale;
    points.push_back(u);
    const int c = lowestZeroBit((unsigned long)n);
    for (int d = 0; d < dim && c <= BITS; ++d) x[d] ^= v[d][c];
  }
  return points;
}

}  // namespace ormid
