// The built library loaded by name and called as a host calls it.
#include <gtest/gtest.h>

#include <dlfcn.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "harness.h"

#include "funcadd.h"
// The header routes stdio through the host record; this file is the host.
#undef vsnprintf
#undef printf
#undef snprintf

namespace {

struct Registered {
  std::string name;
  rfunc f;
  int type, nargs;
};
std::vector<Registered> registered;
std::string printed;

void recordFunc(const char* name, rfunc f, int type, int nargs, void*, AmplExports*) {
  registered.push_back({name, f, type, nargs});
}

int capturePrintf(const char* fmt, ...) {
  char buf[1024];
  va_list ap;
  va_start(ap, fmt);
  int n = vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  printed += buf;
  return n;
}

struct Library : ::testing::Test {
  static void* handle;
  static AmplExports ae;
  static void SetUpTestSuite() {
    handle = dlopen(splinesPath().c_str(), RTLD_NOW);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto add = (void (*)(AmplExports*))dlsym(handle, "funcadd_ASL");
    ASSERT_NE(add, nullptr);
    memset(&ae, 0, sizeof ae);
    ae.Addfunc = recordFunc;
    ae.PrintF = capturePrintf;
    add(&ae);
  }
  static void TearDownTestSuite() { dlclose(handle); }
  // Calls registered function `which` with real arguments.
  double call(int which, std::vector<double> args, std::vector<double>* derivs = nullptr,
              std::vector<double>* hes = nullptr) {
    arglist al;
    memset(&al, 0, sizeof al);
    al.n = al.nr = (int)args.size();
    al.ra = args.data();
    al.AE = &ae;
    if (derivs) {
      derivs->assign(args.size(), -9);
      al.derivs = derivs->data();
    }
    if (hes) {
      hes->assign(args.size() * (args.size() + 1) / 2, -9);
      al.hes = hes->data();
    }
    printed.clear();
    return registered.at(which).f(&al);
  }
};
void* Library::handle = nullptr;
AmplExports Library::ae;

TEST_F(Library, RegistersThreeFunctionsInOrder) {
  ASSERT_EQ(registered.size(), 3u);
  EXPECT_EQ(registered[0].name, "bspline");
  EXPECT_EQ(registered[0].nargs, -4);
  EXPECT_EQ(registered[1].name, "dbspline");
  EXPECT_EQ(registered[1].nargs, -5);
  EXPECT_EQ(registered[2].name, "cspline");
  EXPECT_EQ(registered[2].nargs, -19);
  for (const Registered& r : registered) EXPECT_EQ(r.type, FUNCADD_REAL_VALUED);
}

TEST_F(Library, TooFewArgumentsAreReportedThroughTheHost) {
  EXPECT_EQ(call(0, {1, 2}), 0.0);
  EXPECT_EQ(printed, "Invalid number of args to bspline expected >=3 and obtained 2\n");
  EXPECT_EQ(call(1, {1, 2, 3}), 0.0);
  EXPECT_EQ(printed, "Invalid number of args to bspline expected >=4 and obtained 3\n");
  EXPECT_EQ(call(2, std::vector<double>(17, 0.0)), 0.0);
  EXPECT_EQ(printed, "Invalid number of args to cspline. Expected >=18 and obtained 17.\n");
}

TEST_F(Library, InconsistentCountsNeverReadPastTheArguments) {
  // k = 0, n too large, m < 0, huge counts: each reported, none read beyond.
  for (auto args : std::vector<std::vector<double>>{{0.5, 0, 1, 1, 0, 1},
                                                    {0.5, 2, 50, 1, 0, 1},
                                                    {0.5, 1e300, 1, 1, 0, 1}}) {
    EXPECT_EQ(call(0, args), 0.0);
    EXPECT_NE(printed.find("Invalid arguments to bspline"), std::string::npos);
  }
  EXPECT_EQ(call(1, {0.5, -1, 2, 1, 3, 0, 1, 2}), 0.0);
  EXPECT_NE(printed.find("Invalid arguments to dbspline"), std::string::npos);
  std::vector<double> cs(18, 0.0);
  cs[1] = 9;  // 9 knots and 9 values do not fit 18 arguments
  EXPECT_EQ(call(2, cs), 0.0);
  EXPECT_NE(printed.find("Invalid arguments to cspline"), std::string::npos);
}

TEST_F(Library, BsplinePartialsInXAndCoefficients) {
  // Cubic Bernstein basis on [0, 1] with coefficients 1, 2, 0, 3.
  std::vector<double> args = {0.3, 4, 4, 1, 2, 0, 3, 0, 0, 0, 0, 1, 1, 1, 1}, d, h;
  EXPECT_NEAR(call(0, args, &d, &h), 1.306, 1e-14);
  EXPECT_EQ(printed, "");
  EXPECT_NEAR(d[0], -0.24, 1e-14);
  EXPECT_NEAR(h[0], -3.6, 1e-13);
  EXPECT_NEAR(d[3], 0.343, 1e-14);  // B_0 = (1 - x)^3 at the coefficient's own position
  EXPECT_NEAR(d[6], 0.027, 1e-14);
  EXPECT_EQ(d[1], 0.0);
  EXPECT_NEAR(h[0 + 3 * 4 / 2], -3 * 0.49, 1e-13);  // d/dx of B_0
  std::vector<double> dargs = {0.3, 0, 4, 4, 1, 2, 0, 3, 0, 0, 0, 0, 1, 1, 1, 1};
  EXPECT_NEAR(call(1, dargs), 1.306, 1e-14);  // m = 0 is the value
  dargs[1] = 1;
  EXPECT_NEAR(call(1, dargs, &d, &h), -0.24, 1e-14);
  EXPECT_NEAR(d[0], -3.6, 1e-13);
}

TEST_F(Library, CsplineInterpolatesAndWarnsOutsideItsKnots) {
  std::vector<double> args = {0.25, 8};
  for (int i = 0; i < 8; ++i) args.push_back(i / 7.0);
  for (int i = 0; i < 8; ++i) args.push_back(3.0 * i / 7.0 + 1);  // a line
  std::vector<double> d, h;
  EXPECT_NEAR(call(2, args, &d, &h), 1.75, 1e-13);
  EXPECT_NEAR(d[0], 3.0, 1e-12);
  EXPECT_NEAR(h[0], 0.0, 1e-11);
  EXPECT_EQ(printed, "");
  args[0] = -0.5;
  EXPECT_NEAR(call(2, args), -0.5, 1e-12);
  EXPECT_EQ(printed, "Using a negative parameter in the spline\n"
                     "Using a parameter out of the spline interpolation\n");
  args[0] = 1.5;
  call(2, args);
  EXPECT_EQ(printed, "Using a parameter out of the spline interpolation\n");
}

}  // namespace
