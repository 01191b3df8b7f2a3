#include "harness.h"

#include <dirent.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "solution.h"

TempDir::TempDir() {
  char pattern[] = "/tmp/ormid-test-XXXXXX";
  if (!mkdtemp(pattern)) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempDir::~TempDir() {
  std::string cmd = "rm -rf '" + path_ + "'";
  if (system(cmd.c_str()) != 0) fprintf(stderr, "could not remove %s\n", path_.c_str());
}

ScratchWorkingDir::ScratchWorkingDir() {
  char buf[4096];
  if (!getcwd(buf, sizeof buf)) throw std::runtime_error("getcwd failed");
  previous_ = buf;
  if (chdir(dir_.path().c_str()) != 0) throw std::runtime_error("chdir failed");
}

ScratchWorkingDir::~ScratchWorkingDir() {
  if (chdir(previous_.c_str()) != 0) fprintf(stderr, "could not return to %s\n", previous_.c_str());
}

int occurrences(const std::string& text, const std::string& what) {
  int n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

std::string readFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  std::ostringstream s;
  s << f.rdbuf();
  return s.str();
}

bool fileExists(const std::string& path) { return std::ifstream(path).good(); }

namespace {

timespec now() {
  timespec t;
  clock_gettime(CLOCK_REALTIME, &t);
  return t;
}

bool notBefore(const timespec& a, const timespec& b) {
  return a.tv_sec > b.tv_sec || (a.tv_sec == b.tv_sec && a.tv_nsec >= b.tv_nsec);
}

// Reads back every .sol file in dir written since `since`.
void readWrittenSolutions(const std::string& dir, const timespec& since, RunResult& r) {
  DIR* d = opendir(dir.c_str());
  if (!d) return;
  while (dirent* e = readdir(d)) {
    std::string name = e->d_name;
    if (name.size() < 5 || name.compare(name.size() - 4, 4, ".sol") != 0) continue;
    struct stat st;
    std::string path = dir + "/" + name;
    if (stat(path.c_str(), &st) != 0 || !notBefore(st.st_mtim, since)) continue;
    SolFile sol = readSol(readFile(path));
    r.solveCode = sol.solveCode;
    r.solMessage = sol.message;
  }
  closedir(d);
}

}  // namespace

RunResult runIn(const std::string& dir, const std::string& command, const std::string& env) {
  const timespec start = now();
  const std::string errFile = dir + "/.stderr";
  std::string line = "cd '" + dir + "' && env -u solver -u ormid_options " + env + " " +
                     command + " </dev/null 2>'" + errFile + "'";
  FILE* p = popen(line.c_str(), "r");
  if (!p) throw std::runtime_error("popen failed");
  RunResult r;
  char buf[4096];
  size_t got;
  while ((got = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, got);
  int raw = pclose(p);
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  r.err = readFile(errFile);
  remove(errFile.c_str());
  if (command.find(ormidPath()) != std::string::npos) readWrittenSolutions(dir, start, r);
  return r;
}

std::string ormidPath() { return ORMID_PATH; }
std::string dravoPath() { return DRAVO_PATH; }
std::string splinesPath() { return SPLINES_PATH; }
std::string sourceDir() { return SOURCE_DIR; }

std::vector<std::string> splitList(const std::string& list) {
  std::vector<std::string> out;
  std::stringstream in(list);
  for (std::string item; std::getline(in, item, ',');)
    if (!item.empty()) out.push_back(item);
  return out;
}

bool selected(const std::vector<std::string>& filter, const std::string& name) {
  if (filter.empty()) return true;
  for (const std::string& f : filter)
    if (f == name) return true;
  return false;
}
