#include "run.h"

int main(int argc, char** argv) { return ormidRun(argc, argv); }
