#pragma once

namespace ormid {

// The solver's run sequence; returns the exit status.
int ormidRun(int argc, char** argv);

// Opening a stub shared by both programs: reads it and insists on the name
// files, printing the messages and exiting 1 when either step fails.
void openStubOrExit(const char* stub);

}  // namespace ormid
