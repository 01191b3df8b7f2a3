// The program's output, byte for byte: every method on a bundled example,
// a method without its solver and a bad keyword, against the recorded
// output (the seconds of the certificate and verification lines masked), and the rows the runs
// append to ./results.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "harness.h"

namespace {

struct GoldenRun {
  const char* golden;
  const char* stub;
  const char* options;
};

// In this order: the results rows are compared after all runs.
const GoldenRun RUNS[] = {
    {"watson2_pen", "watson2", ""},
    {"watson3_pm", "watson3", "method=penalty_m"},
    {"watson2_ip", "watson2", "method=intp int_merit=m2"},
    {"oet1_hett", "oet1", "method=disc_hett disc_nlp=ipopt"},
    {"oet2_halt", "oet2", "method=disc_halt disc_nlp=ipopt"},
    {"w4a_reem", "watson4a", "method=disc_reem disc_nlp=ipopt"},
    {"ball3_ex", "ball3", "method=exchange"},
    {"sqp", "watson2", "method=sqp"},
    {"bad", "watson2", "method=exchange bogus=1"},
};

std::string masked(const std::string& out) {
  static const std::regex seconds("[0-9]+\\.[0-9]{3} s(\n|\\))");
  return std::regex_replace(out, seconds, "T s$1");
}

// Ipopt's last digits follow the BLAS kernel the CPU selects (AVX-512 ones
// round otherwise): the runs use the AVX2 kernel the outputs were recorded
// with, wherever the CPU has it.
std::string blasKernel() {
  __builtin_cpu_init();
  return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma") ? "OPENBLAS_CORETYPE=Haswell " : "";
}

void copyExample(const TempDir& dir, const std::string& stub) {
  for (const char* ext : {".nl", ".row", ".col"}) {
    RunResult r = runIn(dir.path(), "cp '" + sourceDir() + "/examples/" + stub + ext + "' .");
    ASSERT_EQ(r.status, 0) << stub << ext;
  }
}

TEST(GoldenOutput, TheProgramPrintsWhatItAlwaysPrinted) {
  TempDir dir;
  const std::string golden = sourceDir() + "/tests/golden/";
  for (const GoldenRun& run : RUNS) {
    copyExample(dir, run.stub);
    RunResult r = runIn(dir.path(), "'" + ormidPath() + "' " + run.stub + " -AMPL 2>&1",
                        blasKernel() + "ormid_options='" + run.options + "'");
    EXPECT_EQ(masked(r.out), readFile(golden + run.golden + ".out")) << run.golden;
  }
  EXPECT_EQ(readFile(dir.file("results")), readFile(golden + "results.out"));
}

}  // namespace
