#include "ampl/results_file.h"

#include <cstdio>

namespace ormid {

namespace {

void writeRow(FILE* f, const Summary& s) {
  const std::vector<long long>& n = s.counts;
  const std::vector<double>& v = s.values;
  switch (s.kind) {
    case SummaryKind::Penalty:
      fprintf(f, " & %d & %d & %d & %d & %.6e & %.1e & %.1e \\\\\n", (int)n[0], (int)n[1], (int)n[2],
              (int)n[3], v[0], v[1], v[2]);
      break;
    case SummaryKind::InteriorPoint:
      fprintf(f, " & %d & %d & %.6e & %.1e & %.1e & %.1e & %.1e \\\\\n", (int)n[0], (int)n[1], v[0],
              v[1], v[2], v[3], v[4]);
      break;
    case SummaryKind::Discretization:
      fprintf(f, " & %d & %d & %.1f & %d & %.6e\\\\\n", (int)n[0], (int)n[1], v[0], (int)n[2], v[1]);
      break;
    case SummaryKind::None: break;
  }
}

// The figures each kind of row needs.
bool complete(const Summary& s) {
  switch (s.kind) {
    case SummaryKind::Penalty: return s.counts.size() >= 4 && s.values.size() >= 3;
    case SummaryKind::InteriorPoint: return s.counts.size() >= 2 && s.values.size() >= 5;
    case SummaryKind::Discretization: return s.counts.size() >= 3 && s.values.size() >= 2;
    case SummaryKind::None: return false;
  }
  return false;
}

}  // namespace

void appendSummaryRow(const Summary& summary) {
  if (!complete(summary)) return;
  FILE* f = fopen("./results", "a+");
  if (!f) {
    printf("Cannot open ./results: the summary line is not written\n");
    return;
  }
  writeRow(f, summary);
  fclose(f);
}

}  // namespace ormid
