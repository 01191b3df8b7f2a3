// Helpers for end-to-end tests: a scratch directory per test and a runner
// that captures a program's standard output and exit status.
#pragma once

#include <string>
#include <vector>

struct RunResult {
  std::string out;
  std::string err;
  int status = -1;
  // The solve result code of the .sol file the run wrote (-1 when none);
  // every .sol a run writes is read back strictly, so a malformed one throws.
  int solveCode = -1;
  std::string solMessage;
};

class TempDir {
 public:
  TempDir();
  ~TempDir();
  const std::string& path() const { return path_; }
  std::string file(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// Runs `command` (a shell command line) inside dir, with `env` (shell
// assignments such as "solver=ormid") prefixed, and no standard input.
RunResult runIn(const std::string& dir, const std::string& command, const std::string& env = "");

// Makes a fresh scratch directory the working directory for its lifetime
// (the methods append to ./results).
class ScratchWorkingDir {
 public:
  ScratchWorkingDir();
  ~ScratchWorkingDir();
  std::string file(const std::string& name) const { return dir_.file(name); }

 private:
  TempDir dir_;
  std::string previous_;
};

// Number of occurrences of what in text.
int occurrences(const std::string& text, const std::string& what);

std::string readFile(const std::string& path);

// The items of a comma-separated list (empty ones left out).
std::vector<std::string> splitList(const std::string& list);
// Whether name is among those a filter lists (an empty filter selects all).
bool selected(const std::vector<std::string>& filter, const std::string& name);
bool fileExists(const std::string& path);

// Paths of the built programs and the source tree, set by the build.
std::string ormidPath();
std::string dravoPath();
std::string splinesPath();
std::string sourceDir();
