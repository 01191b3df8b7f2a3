// The machine-readable report of a run (keyword report=FILE): one JSON
// document with the model's sizes and names, the method and changed
// options, the status, x, the certificate, the counters and a sampled
// profile of each infinite constraint over T at the final x.
#pragma once

#include <string>

#include "ampl/program_options.h"

namespace ormid {

const int REPORT_VERSION = 1;

// Writes the report to options.report; false (with a message) when the
// file cannot be written.
bool writeReport(const ProgramOptions& options, const std::string& stub, const Problem& problem,
                 const Result& result, double wallSeconds);

}  // namespace ormid
