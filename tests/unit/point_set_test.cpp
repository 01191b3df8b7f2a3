// Point sets, grids, Halton points and the classification of values.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "lower_level/grid.h"
#include "lower_level/point_set.h"
#include "fake_problem.h"

using namespace ormid;

namespace {

using testing::internal::CaptureStderr;
using testing::internal::GetCapturedStderr;
typedef std::vector<double> Vec;

// The norm range of a box of two coordinates and one constraint.
NormRange rangeOver(const Vec& tl, const Vec& tu) {
  Problem p;
  p.nt = 2;
  p.mt = 1;
  p.tl = tl.data();
  p.tu = tu.data();
  return normRangeOf(p);
}

struct PointSetTest : ::testing::Test {
  FakeProblem prob;
  void SetUp() override {
    prob.nt = 2;
    prob.tl = {0, -1};
    prob.tu = {3, 4};
    prob.install();
  }
  std::vector<Vec> order(const PointSet& s) {
    std::vector<Vec> out;
    s.forEach([&](const GridPoint& p) { out.push_back(p.t); });
    return out;
  }
};

TEST_F(PointSetTest, NormRangeTreatsStraddlingAndNegativeBoxes) {
  NormRange r = normRangeOf(prob.context().problem);
  EXPECT_DOUBLE_EQ(r.normMin, 0.0);  // coordinate 1 straddles 0, coordinate 0 starts at 0
  EXPECT_DOUBLE_EQ(r.normMax, 5.0);
  EXPECT_DOUBLE_EQ(r.bucketWidth, 0.05);
  const double tl[] = {1, -3}, tu[] = {2, -2};
  r = rangeOver(Vec(tl, tl + 2), Vec(tu, tu + 2));
  EXPECT_DOUBLE_EQ(r.normMin, std::sqrt(1.0 + 4.0));
  EXPECT_DOUBLE_EQ(r.normMax, std::sqrt(4.0 + 9.0));
}

TEST_F(PointSetTest, InsertGoesToHeadInsertUniqueToTail) {
  PointSet s(normRangeOf(prob.context().problem));
  const Vec a = {1.0, 0.0}, b = {0.0, 1.0}, c = {0.6, 0.8};  // all of norm 1
  s.insert(a.data(), 1.0, nullptr);
  s.insert(b.data(), 1.0, nullptr);
  EXPECT_TRUE(s.insertUnique(c.data(), 1.0, nullptr));
  EXPECT_EQ(order(s), (std::vector<Vec>{b, a, c}));
  EXPECT_EQ(s.count(), 3);
  EXPECT_EQ(s.bucketOf(1.0), 20);
  PointSet d;
  PointSet::copy(s, d);
  EXPECT_EQ(order(d), (std::vector<Vec>{c, a, b}));  // copy reverses each bucket
  EXPECT_EQ(d.range().normMax, 5.0);
  s.clear();
  EXPECT_EQ(s.count(), 0);
  EXPECT_TRUE(order(s).empty());
}

TEST_F(PointSetTest, UniquenessUsesStrictTolerance) {
  PointSet s(normRangeOf(prob.context().problem));
  const Vec p = {1.0, 2.0}, near = {1.0 + 5e-7, 2.0 - 5e-7}, apart = {1.0, 2.0 + 1e-6};
  const double g[] = {4.0};
  ASSERT_TRUE(s.insertUnique(p.data(), 2.2360679, g));
  EXPECT_FALSE(s.insertUnique(near.data(), 2.2360679, nullptr));
  EXPECT_TRUE(s.insertUnique(apart.data(), 2.2360679, nullptr));
  PointSet other(s.range());
  other.insert(p.data(), 2.2360679, nullptr);
  PointSet::merge(other, s);
  EXPECT_EQ(s.count(), 2);
  EXPECT_EQ(s.bucket(s.bucketOf(2.2360679)).front().g, Vec{4.0});
}

// Reported to the range's trace (the context's output), never to stderr.
TEST_F(PointSetTest, OutOfRangeNormIsReportedAndDropped) {
  std::string told;
  PointSet s(normRangeOf(prob.context().problem, [&](const char* text) { told += text; }));
  const Vec p = {9, 9};
  CaptureStderr();
  EXPECT_FALSE(s.insert(p.data(), 12.7, nullptr));
  EXPECT_FALSE(s.insertUnique(p.data(), -1.0, nullptr));
  EXPECT_EQ(GetCapturedStderr(), "");
  EXPECT_EQ(told,
            "Norm of point out of range\nMin=0.000000 Max=5.000000 val=12.700000\n"
            "Norm of point out of range\nMin=0.000000 Max=5.000000 val=-1.000000\n");
  EXPECT_EQ(s.count(), 0);
}

TEST_F(PointSetTest, DegenerateBoxPutsItsOnePointInBucketZero) {
  const Vec tl = {2, 3}, tu = {2, 3}, h = {0.1, 0.1};
  PointSet s(rangeOver(tl, tu));
  EXPECT_EQ(s.range().bucketWidth, 0.0);
  buildRegularGrid(s, 2, tl.data(), tu.data(), h.data());
  EXPECT_EQ(s.count(), 1);
  EXPECT_EQ(s.bucket(0).size(), 1u);
  EXPECT_EQ(s.bucketOf(1e300), 0);
}

TEST_F(PointSetTest, RegularGridsCountAndOrderTheirValues) {
  EXPECT_EQ(gridValues(0, 1, 0.25), 5);
  EXPECT_EQ(gridValues(0, 1, 0.3), 4);
  EXPECT_EQ(gridValues(0, 1, 1.0 / 24), 25);
  EXPECT_EQ(gridValues(0, 1, 0.1), 11);
  EXPECT_EQ(gridValues(0, 1, 0.0), -1);
  EXPECT_EQ(gridValues(0, 1, -0.5), -1);
  EXPECT_EQ(gridValues(1, 0, 0.5), 0);
  const Vec tl = {0, 0}, tu = {1, 0.5}, h = {0.5, 0.25};
  PointSet s(rangeOver(tl, tu));
  buildRegularGrid(s, 2, tl.data(), tu.data(), h.data());
  EXPECT_EQ(s.count(), 9);
  const Vec tiny = {1e-9, 1e-9};
  EXPECT_NE(gridProblem(2, tl.data(), tu.data(), tiny.data()).find("more than 20000000"), std::string::npos);
  EXPECT_EQ(gridProblem(2, tl.data(), tu.data(), h.data()), "");
}

TEST_F(PointSetTest, HaltonPointsUseTheShiftedPrimeTable) {
  EXPECT_EQ(haltonBase(0), 11);
  EXPECT_EQ(haltonBase(1), 13);
  EXPECT_EQ(haltonBase(2), 17);
  EXPECT_EQ(haltonBase(86), 2);
  EXPECT_DOUBLE_EQ(radicalInverse(2, 6), 0.375);  // 110 -> 0.011
  HaltonSequence seq;
  double t[2];
  const double tl[] = {-1, 0}, tu[] = {1, 1};
  seq.next(1, tl, tu, t);
  EXPECT_EQ(t[0], -1.0);  // the first point is tl
  seq.next(1, tl, tu, t);
  EXPECT_DOUBLE_EQ(t[0], -1 + 2.0 / 11);
  seq.next(2, tl, tu, t);
  EXPECT_DOUBLE_EQ(t[0], -1 + 4.0 / 11);
  EXPECT_DOUBLE_EQ(t[1], 2.0 / 13);
  seq.counter = 12;  // 12 = 1*11 + 1 in base 11
  seq.next(1, tl, tu, t);
  EXPECT_DOUBLE_EQ(t[0], -1 + 2 * (1.0 / 11 + 1.0 / 121));
}

TEST_F(PointSetTest, HaltonBatchesStopAtTheTotal) {
  PointSet s(normRangeOf(prob.context().problem));
  HaltonSequence seq;
  seq.addBatch(prob.context().problem, s, 500, 300);
  EXPECT_EQ(s.count(), 300);
  seq.addBatch(prob.context().problem, s, 500, 300);
  EXPECT_EQ(s.count(), 500);
  seq.addBatch(prob.context().problem, s, 500, 300);
  EXPECT_EQ(s.count(), 500);
  EXPECT_EQ(seq.counter, 500);
}

TEST(Classification, ToleranceOfOneMillionth) {
  const double L = 0.0, U = 2.0;
  EXPECT_TRUE(isViolated(L - 1e-6, L, U, 1e-6));  // exactly 1e-6 below: violated, not active
  EXPECT_FALSE(isActive(L - 1e-6, L, U, 1e-6));
  EXPECT_TRUE(isActive(U + 5e-7, L, U, 1e-6));
  EXPECT_FALSE(isViolated(U + 5e-7, L, U, 1e-6));
  EXPECT_TRUE(isViolated(U + 2e-6, L, U, 1e-6));
  EXPECT_FALSE(isActive(0.5, -HUGE_VAL, U, 1e-6));
  EXPECT_FALSE(isViolated(-1e300, -HUGE_VAL, U, 1e-6));
}

}  // namespace
