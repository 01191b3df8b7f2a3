#pragma once

namespace ormid {

// The solver's run sequence; returns the exit status.
int ormidRun(int argc, char** argv);

// The start both programs share: the usage line when there is no stub
// (false: the run ends with status 1), else the AMPL Solver Library's state.
bool startProgram(int argc, char** argv);
// "Usage: PROGRAM stub -AMPL".
void printUsage(const char* program);

enum class StubOpening { Read, Unreadable, NoNameFiles };

// Opening a stub shared by both programs: reads it (refusing a malformed
// file with what is wrong) and insists on the name files, printing the
// messages when either step fails. The caller ends the run (exit status 1).
StubOpening openStub(const char* stub);

}  // namespace ormid
