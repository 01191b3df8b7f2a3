#pragma once

#include <cstdio>

// Opens ./results for appending; prints one line and returns null when it
// cannot be opened, so that the run goes on without its summary line.
FILE* openResults();
