// Writes the filter designs of bench/filter_design.h as AMPL stubs (.nl,
// .row, .col) and a manifest, designs.json, of their bands for the driver
// (bench/filters.py): per design its name, dim, order M, taps (2M + 1),
// coefficients, stub path and bands (lo1, hi1, lo2, hi2, desired, weight).
//
// filter_models --out DIR [--designs a,b,...]
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "filter_design.h"
#include "harness.h"

namespace {

nlohmann::json describe(const filters::Design& d, const std::string& stub) {
  nlohmann::json bands = nlohmann::json::array();
  for (const filters::Band& b : d.bands)
    bands.push_back({{"lo1", b.lo1}, {"hi1", b.hi1}, {"lo2", b.lo2}, {"hi2", b.hi2},
                     {"desired", b.desired}, {"weight", b.weight}});
  return {{"name", d.name},   {"dim", d.dim},
          {"order", d.order}, {"taps", d.taps()},
          {"coefficients", d.coefficients()}, {"stub", stub},
          {"bands", bands}};
}

}  // namespace

int main(int argc, char** argv) {
  std::string out = ".";
  std::vector<std::string> only;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string flag = argv[i];
    if (flag == "--out") out = argv[i + 1];
    else if (flag == "--designs") only = splitList(argv[i + 1]);
    else {
      fprintf(stderr, "usage: filter_models --out DIR [--designs a,b,...]\n");
      return 2;
    }
  }
  std::filesystem::create_directories(out);
  nlohmann::json manifest = nlohmann::json::array();
  for (const filters::Design& d : filters::catalogue()) {
    if (!selected(only, d.name)) continue;
    const std::string stub = (std::filesystem::absolute(out) / d.name).string();
    filters::model(d).write(stub);
    manifest.push_back(describe(d, stub));
  }
  std::ofstream json(out + "/designs.json");
  json << manifest.dump(1) << "\n";
  if (!json) {
    fprintf(stderr, "cannot write %s/designs.json\n", out.c_str());
    return 1;
  }
  printf("%zu designs written to %s\n", manifest.size(), out.c_str());
  return 0;
}
