#pragma once

namespace ormid {

// The solver's run sequence; returns the exit status.
int ormidRun(int argc, char** argv);

enum class StubOpening { Read, Unreadable, NoNameFiles };

// Opening a stub shared by both programs: reads it (refusing a malformed
// file with what is wrong) and insists on the name files, printing the
// messages when either step fails. The caller ends the run (exit status 1).
StubOpening openStub(const char* stub);

}  // namespace ormid
