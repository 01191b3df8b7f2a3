#include <gtest/gtest.h>

#include <vector>

#include "ampl/partition.h"

using namespace ormid;

namespace {

const char* names[] = {"x", "t", "y", "tt", "T", "time"};
const char* varName(int j) { return names[j]; }
const char* conNames[] = {"tc", "c", "temp"};
const char* conName(int i) { return conNames[i]; }

TEST(Partition, SplitsByFirstLetterKeepingOrderAndBounds) {
  const double vb[] = {-1, 1, -2, 2, -3, 3, -4, 4, -5, 5, -6, 6};
  const double cb[] = {0, 10, 1, 11, 2, 12};
  partitionFrom(6, varName, vb, 3, conName, cb);
  const SipPartition& p = sipPartition;
  EXPECT_EQ(p.nx, 3);  // x, y, T
  EXPECT_EQ(p.nt, 3);  // t, tt, time
  EXPECT_EQ(p.xIndex, (std::vector<int>{0, 2, 4}));
  EXPECT_EQ(p.tIndex, (std::vector<int>{1, 3, 5}));
  EXPECT_EQ(p.xl, (std::vector<double>{-1, -3, -5}));
  EXPECT_EQ(p.tu, (std::vector<double>{2, 4, 6}));
  EXPECT_EQ(p.mt, 2);
  EXPECT_EQ(p.ctIndex, (std::vector<int>{0, 2}));
  EXPECT_EQ(p.cxIndex, (std::vector<int>{1}));
  EXPECT_EQ(p.ctu, (std::vector<double>{10, 12}));
  EXPECT_EQ(p.cxl, (std::vector<double>{1}));
  releasePartition();
  EXPECT_EQ(sipPartition.nx, 0);
  EXPECT_TRUE(sipPartition.xIndex.empty());
}

TEST(Partition, ScatterWritesEveryPositionOnceAndGatherInverts) {
  const double vb[12] = {0};
  partitionFrom(4, varName, vb, 0, conName, nullptr);  // x, t, y, tt
  const double x[] = {1.5, 2.5}, t[] = {-1.0, -2.0};
  std::vector<double> full(4, 99.0);
  scatterXT(x, t, full.data());
  EXPECT_EQ(full, (std::vector<double>{1.5, -1.0, 2.5, -2.0}));
  double xb[2], tb[2];
  gatherX(full.data(), xb);
  gatherT(full.data(), tb);
  EXPECT_EQ(xb[0], 1.5);
  EXPECT_EQ(xb[1], 2.5);
  EXPECT_EQ(tb[0], -1.0);
  EXPECT_EQ(tb[1], -2.0);
  releasePartition();
}

TEST(Partition, OnlyLowerCaseTMakesInfinite) {
  EXPECT_TRUE(isInfiniteName("t"));
  EXPECT_TRUE(isInfiniteName("temp"));
  EXPECT_FALSE(isInfiniteName("T"));
  EXPECT_FALSE(isInfiniteName("xt"));
  EXPECT_FALSE(isInfiniteName(""));
}

}  // namespace
