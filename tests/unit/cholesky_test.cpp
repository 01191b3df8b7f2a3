#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "kernels/cholesky.h"

using namespace ormid;

namespace {

typedef std::vector<double> Vec;

TEST(Cholesky, SmallPivotIsFlooredToHugeValue) {
  Vec A = {1, 0, 0, 1e-14}, b = {3, 5}, x(2);
  int singular = -1;
  choleskySolve(2, A.data(), b.data(), x.data(), 1e-12, &singular);
  EXPECT_EQ(singular, 0);
  EXPECT_EQ(x[0], 3.0);
  EXPECT_NEAR(x[1], 5e-128, 1e-140);
  EXPECT_EQ(A[3], 1e128);
  EXPECT_EQ(b, (Vec{3, 5}));
}

TEST(Cholesky, ZeroDiagonalOrNanIsSingular) {
  Vec A = {0, 1, 1, 0}, b = {1, 1}, x(2);
  int singular = 0;
  choleskySolve(2, A.data(), b.data(), x.data(), 1e-12, &singular);
  EXPECT_EQ(singular, 1);
  Vec N = {NAN, 0, 0, 1};
  choleskySolve(2, N.data(), b.data(), x.data(), 1e-12, &singular);
  EXPECT_EQ(singular, 1);
  choleskySolve(0, nullptr, nullptr, nullptr, 1e-12, &singular);  // empty system
  EXPECT_EQ(singular, 0);
}

TEST(Cholesky, RandomSpdSystemsMatchReferenceSolve) {
  std::mt19937 rng(7);
  std::uniform_real_distribution<double> u(-1, 1);
  for (int n : {1, 2, 5, 12}) {
    Vec M(n * n), A(n * n, 0.0), xs(n), b(n, 0.0), x(n);
    for (double& m : M) m = u(rng);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) {
        for (int l = 0; l < n; ++l) A[i * n + k] += M[l * n + i] * M[l * n + k];
        if (i == k) A[i * n + k] += 0.5;
      }
    for (double& v : xs) v = u(rng);
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < n; ++k) b[i] += A[i * n + k] * xs[k];
    Vec lowerGarbage = A;  // only the upper triangle is read
    for (int i = 0; i < n; ++i)
      for (int k = 0; k < i; ++k) lowerGarbage[i * n + k] = 1e6;
    int singular = 1;
    choleskySolve(n, lowerGarbage.data(), b.data(), x.data(), 1e-12, &singular);
    EXPECT_EQ(singular, 0);
    for (int i = 0; i < n; ++i) EXPECT_NEAR(x[i], xs[i], 1e-9) << n;
  }
}

}  // namespace
